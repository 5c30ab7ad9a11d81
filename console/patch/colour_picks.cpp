#include "console/patch/colour_picks.h"

#include <algorithm>
#include <cmath>

#include "platform/ini_file.h"

const std::array<unsigned, kPalettePieSlices>& palettePieColours() {
  static const std::array<unsigned, kPalettePieSlices> colours = {
      0xff8972, 0xff2706, 0xff5d16, 0xff6608, 0xff844e, 0xff8806, 0xff9100, 0xffae30, 0xffce2b, 0xffc81c,
      0xfff885, 0xbbe50f, 0x9aff13, 0x7aff55, 0x11ff15, 0x06f625, 0x37d618, 0x3dff8a, 0x5affc4, 0x05c8a7,
      0x80fff6, 0x17d0ff, 0x53bbff, 0x38b1ff, 0x55a7ff, 0x237aff, 0x263aff, 0x84bfff, 0x9c9eff, 0xa7a8ff,
      0xc578ff, 0xe59dff, 0xe898ff, 0xc413e7, 0xda35ff, 0xc842ff, 0xfa25ff, 0xff86e3, 0xff9ad8, 0xff99cb};
  return colours;
}

QString paletteColourKey(unsigned rgb) {
  const unsigned bgr = (rgb & 0xff) << 16 | (rgb & 0xff00) | (rgb >> 16 & 0xff);
  return QStringLiteral("%1").arg(bgr, 6, 16, QLatin1Char('0'));
}

PaletteColour paletteColour(const QString& table, unsigned rgb) {
  const QStringList fields =
      IniFile(table).readString("Values", paletteColourKey(rgb), "Unknown|0|0|0|0|0").split(u'|');
  PaletteColour c;
  c.name = fields.value(0);
  for (int i = 0; i < 5; ++i) c.levels[size_t(i)] = fields.value(i + 1);
  return c;
}

int roundHalfEven(double value) { return int(std::nearbyint(value)); }

int wheelIntensity(int saturation) { return roundHalfEven((saturation + 1) / 2.55); }

int wheelSaturation(int intensity) { return roundHalfEven(intensity * 2.55); }

int luminance(int red, int green, int blue) {
  return roundHalfEven(0.2126 * red + 0.7152 * green + 0.0722 * blue);
}

int trackBarKey(int value, TrackKey key) {
  switch (key) {
    case TrackKey::PageUp:
      return std::min(value + 10, 100);
    case TrackKey::Home:
      return std::min(value + 100, 100);
    case TrackKey::PageDown:
      return std::max(value - 10, 0);
    case TrackKey::End:
      return std::max(value - 100, 0);
  }
  return value;
}

SameColourSource sameColourSource(int channel, int channelCount,
                                  const std::array<int16_t, patch::kTableSize>& channelFixture,
                                  const FixtureMap& map, const std::vector<int>& typeIds) {
  SameColourSource s;
  if (channel < 1 || channel > channelCount || channel >= patch::kTableSize) return s;
  s.fromChannel = channelFixture[size_t(channel)] > 0;
  s.start = s.fromChannel ? channelFixture[size_t(channel)] : map.FixtureStart[size_t(channel)];
  if (s.start < 1 || s.start > patch::kMaxChannels) {
    s.result = SameColourSource::NotAnLed;
    return s;
  }
  s.typeId = map.FixtureTypes[size_t(s.start)];
  const auto it = std::find(typeIds.begin(), typeIds.end(), s.typeId);
  if (it == typeIds.end()) {
    s.result = SameColourSource::UnknownType;
    return s;
  }
  s.typeRow = int(it - typeIds.begin());
  s.result = SameColourSource::Found;
  return s;
}
