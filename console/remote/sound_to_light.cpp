#include "console/remote/sound_to_light.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "console/patch/patch_tables.h"
#include "console/remote/osc_host.h"
#include "platform/ini_file.h"

namespace {

bool isWholeNumberText(const QString& text) {
  int i = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
  if (i >= text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < u'0' || text[i] > u'9') return false;
  return true;
}

bool isEmptyBand(const QString& band) { return band == QLatin1String("||") || band.trimmed().isEmpty(); }

}  // namespace

SoundToLight::SoundToLight() {
  for (int b = 1; b <= kS2LBandCount; ++b) setBand(b, QStringLiteral("||"));
}

void SoundToLight::setBand(int band, const QString& channels) {
  if (band < 1 || band > kS2LBandCount) return;
  bands_[band] = channels;
  std::vector<Entry>& entries = channels_[band];
  entries.clear();
  // Entries that are empty or not a whole number name no channel and are passed over.
  forEachDimmerEntry(channels, [&](QStringView entry) {
    const QString text = entry.trimmed().toString();
    if (!isWholeNumberText(text)) return;
    bool ok = false;
    qint64 channel = text.toLongLong(&ok);
    if (!ok)
      channel =
          text.startsWith(u'-') ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    entries.push_back({text, channel});
  });
}

void SoundToLight::setMinimum(int band, int minimum) {
  if (band < 1 || band > kS2LBandCount) return;
  minimums_[band] = int16_t(
      std::clamp<int>(minimum, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

void SoundToLight::readBandFile(const QString& path) {
  const IniFile ini(path);
  for (int b = 1; b <= kS2LBandCount; ++b) {
    setBand(b, ini.readString(QString::number(b), "DMX", "||"));
    setMinimum(b, ini.readInteger(QString::number(b), "Min", 0));
  }
}

void SoundToLight::readMinimums(const QString& path) {
  const IniFile ini(path);
  for (int b = 1; b <= kS2LBandCount; ++b) setMinimum(b, ini.readInteger(QString::number(b), "Min", 0));
}

void SoundToLight::SetOSCLevel(OscHost& host, OscDialogGate& dialogs, int band, double level) {
  if (band < 1 || band > kS2LBandCount || !std::isfinite(level)) return;
  if (isEmptyBand(bands_[band])) return;
  int value = int(std::clamp(std::nearbyint(level), 0.0, 255.0));
  value = std::clamp<int>(std::max<int>(value, minimums_[band]), 0, 255);
  const uint8_t byte = uint8_t(value);
  const int maxChannels = host.MaxChannels();
  // A copy: while an error dialog is open, other input may change the bands.
  const std::vector<Entry> entries = channels_[band];
  for (const Entry& entry : entries) {
    if (entry.channel < 1 || entry.channel > maxChannels) {
      dialogs.show(messageSpec("S2L channel error",
                               "Channel " + entry.text + " is greater than the number of channels.",
                               DialogIcon::Information, DialogButtons::Cancel));
      continue;
    }
    // Addresses above the channel count are the submaster faders, not DMX slots.
    for (const int16_t address : host.patchAddresses(int(entry.channel)))
      if (address >= 1 && address <= maxChannels) host.setOutputLevel(address, byte);
  }
  host.sendDMX();
}
