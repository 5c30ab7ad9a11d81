#include "console/patch/fixture_colour_mix.h"

#include <algorithm>
#include <cmath>

int fieldNumber(const QString& text) {
  int value = 0;
  return patch::parseWholeNumber(text.trimmed(), value) ? value : 0;
}

uint8_t intensityByte(int percent) {
  const int p = std::clamp(percent, 0, kIntensityFieldMax);
  return uint8_t(std::nearbyint(p * 2.55));
}

uint8_t colourByte(int level) { return uint8_t(std::clamp(level, 0, kColourFieldMax)); }

std::vector<DmxByteWrite> setcolors(const SelectedTypeLayout& l, const FixtureMix& mix, int start,
                                    int bufferSize) {
  std::vector<DmxByteWrite> writes;
  auto put = [&](int offset, uint8_t value) {
    if (offset <= 0) return;
    const int index = start + offset - 2;
    if (index >= 0 && index < bufferSize) writes.push_back({index, value});
  };
  put(l.IntensityOffset, intensityByte(fieldNumber(mix.value)));
  put(l.RedOffset, colourByte(fieldNumber(mix.red)));
  put(l.GreenOffset, colourByte(fieldNumber(mix.green)));
  put(l.BlueOffset, colourByte(fieldNumber(mix.blue)));
  put(l.AmberOffset, colourByte(fieldNumber(mix.amber)));
  put(l.WhiteOffset, colourByte(fieldNumber(mix.white)));
  return writes;
}

int fixGroupEntryStart(const QString& caption) {
  QString text = caption;
  const qsizetype open = caption.indexOf(u'(');
  if (open >= 0) {
    const qsizetype close = caption.indexOf(u')', open);
    text = caption.mid(open + 1, close < 0 ? -1 : close - open - 1);
  }
  int value = 0;
  return patch::parseWholeNumber(text.trimmed(), value) && value > 0 ? value : 0;
}

QString FixGroupText(const QStringList& checkedCaptions) {
  QString text;
  for (const QString& c : checkedCaptions) text += "," + c;
  return text;
}

int stepFieldValue(int value, FieldStep step, int upper) {
  int v = value;
  switch (step) {
    case FieldStep::Home:
      v = upper;
      break;
    case FieldStep::End:
      v = 0;
      break;
    case FieldStep::PageUp:
      v = value + 10;
      break;
    case FieldStep::PageDown:
      v = value - 10;
      break;
    case FieldStep::Up:
      v = value + 1;
      break;
    case FieldStep::Down:
      v = value - 1;
      break;
    case FieldStep::WheelUp:
      v = value + 5;
      break;
    case FieldStep::WheelDown:
      v = value - 5;
      break;
  }
  return std::clamp(v, 0, upper);
}

int PanCalc(int Lx, int Ly, int Sx, int Sy, int P) {
  constexpr double kTwoPi = 6.283185307179586;
  auto round = [](double x) { return int(std::nearbyint(x)); };
  if (Lx == Sx && Ly > Sy) return P / 2;
  if (Lx == Sx) return 0;
  if (Lx > Sx && Ly == Sy) return P / 4;
  if (Lx < Sx && Ly == Sy) return P - P / 4;
  if (Sx < Lx && Ly < Sy) return round(P * std::atan(double(Lx - Sx) / (Sy - Ly)) / kTwoPi);
  if (Ly > Sy) return round(P / 2.0 - P * std::atan(double(Lx - Sx) / (Ly - Sy)) / kTwoPi);
  return P - round(P * std::atan(double(Sx - Lx) / (Sy - Ly)) / kTwoPi);
}
