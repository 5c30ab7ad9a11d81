#pragma once

// The colour mix of LED fixtures: the levels of the fixtures window's fields written to the
// channels of a fixture, the step keys and wheel on a field, the entries of the instance list, and
// the pan calculator of movers.
//
// Address rule: the channel with offset k (1-based) of a fixture starting at DMX address a sits on
// address a + k - 1, output buffer index a + k - 2, level edit index a + k - 2.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "console/patch/fixture_install.h"

// The texts of the six level fields.
struct FixtureMix {
  QString value;                           // intensity, percent 0..100
  QString red, green, blue, amber, white;  // DMX 0..255
};

inline constexpr int kColourFieldMax = 255;
inline constexpr int kIntensityFieldMax = 100;

// A field's number: its text as a whole number, 0 when empty or not a number.
int fieldNumber(const QString& text);
// Percent (limited to 0..100) to DMX: Round(percent x 2.55), halves to even; 50 gives 127.
uint8_t intensityByte(int percent);
// A colour level limited to 0..255.
uint8_t colourByte(int level);

struct DmxByteWrite {
  int index;  // 0-based output buffer index
  uint8_t value;
};

// The bytes that set the mix on the fixture starting at `start`: intensity, red, green, blue, and
// amber and white/lime where the type has them; indexes outside 0..bufferSize-1 are left out.
std::vector<DmxByteWrite> setcolors(const SelectedTypeLayout& layout, const FixtureMix& mix, int start,
                                    int bufferSize);

// The start address of an instance list entry: the number between "(" and ")" when the caption
// holds "(", else the caption; 0 when it is not a number.
int fixGroupEntryStart(const QString& caption);
// The checked captions, each preceded by ",": ",12,40"; empty when none.
QString FixGroupText(const QStringList& checkedCaptions);

// The step inputs of the level fields.
enum class FieldStep { Home, End, PageUp, PageDown, Up, Down, WheelUp, WheelDown };
// The field's new value after a step, within 0..upper.
int stepFieldValue(int value, FieldStep step, int upper);

// The pan value for a spot at (Sx, Sy) seen from a light at (Lx, Ly) (image positions, y down),
// P the DMX value of a full turn.
int PanCalc(int Lx, int Ly, int Sx, int Sy, int P);
