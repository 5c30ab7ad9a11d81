#pragma once

// What the colour picker computes without its widgets: the fixed palette pie, the named designer
// colours behind it, the wheel's and the hexagon's levels, the intensity track bar's keys, and the
// fixture whose colour "Same color as Channel" copies.

#include <QString>
#include <array>
#include <vector>

#include "console/patch/fixture_map.h"
#include "console/patch/patch_tables.h"

// The fixed palette pie: 40 slices of 9 degrees, slice 1 from 0 degrees on, counterclockwise,
// each as 0xRRGGBB.
inline constexpr int kPalettePieSlices = 40;
const std::array<unsigned, kPalettePieSlices>& palettePieColours();

// The key of a colour in the named colour table: six lowercase hex digits, blue, green, red.
QString paletteColourKey(unsigned rgb);
// The named colour of a display colour: name, then red, green, blue, amber and white levels
// ("Unknown" and zeros when the table has no such colour).
struct PaletteColour {
  QString name;
  std::array<QString, 5> levels;
};
PaletteColour paletteColour(const QString& table, unsigned rgb);

// The console's rounding of a half: to the even neighbour.
int roundHalfEven(double value);
// The wheel's saturation 0..255 as the intensity field's percent, and back.
int wheelIntensity(int saturation);
int wheelSaturation(int intensity);
// The white and amber level a picked RGB colour gives four- and five-colour fixtures.
int luminance(int red, int green, int blue);

// The intensity track bar (0..100): Page Up +10, Home +100, Page Down -10, End -100, kept in range.
enum class TrackKey { PageUp, Home, PageDown, End };
int trackBarKey(int value, TrackKey key);

// The fixture "Same color as Channel" copies from.
struct SameColourSource {
  enum Result { Found, NotAnLed, UnknownType } result = NotAnLed;
  bool fromChannel = false;  // the channel names the fixture (else an address of it)
  int start = 0;             // the fixture's start address
  int typeId = 0;
  int typeRow = -1;  // the position of the type id in the type-id list
};
SameColourSource sameColourSource(int channel, int channelCount,
                                  const std::array<int16_t, patch::kTableSize>& channelFixture,
                                  const FixtureMap& map, const std::vector<int>& typeIds);
