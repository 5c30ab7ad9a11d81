#pragma once

// Finding a lamp on stage from the magic sheet: while a channel's button is held, the channel (or
// the red, green, blue and intensity channels of the fixture it names) is lit; every release that
// was not a drag turns the channel off again, down to its warm-up level, also after a quick click.
// A fixture's release takes its intensity channel to the warm-up level and gives its colour
// addresses back what they carried before the hunt.

#include <cstdint>
#include <functional>
#include <vector>

struct ConsoleState;

// One level the hunt sets: channel `channel` (its patched addresses) at DMX `level`.
struct LampLevel {
  int channel = 0;
  int level = 0;
  friend bool operator==(const LampLevel&, const LampLevel&) = default;
};

// What a hunt on channel `picked` lights. A channel that names a fixture stands for the fixture's
// start address. Without a fixture: the channel at 90. On a fixture: its red, green, blue and
// intensity addresses (in that order, those it has) at 255. A mover or scroller address lights
// nothing. `red` and `intensity` (when given) receive those addresses, 0 when not found.
std::vector<LampLevel> lampHuntLevels(const ConsoleState& S, int picked, int* red = nullptr,
                                      int* intensity = nullptr);

// The channel a release turns off: `picked`, or, when a fixture occupies its address, the fixture's
// intensity channel, `ledintens`(picked) + 1. 0 when there is none.
int lampOffChannel(const ConsoleState& S, int picked, const std::function<int(int)>& ledintens);

// `SetLevel`: drives channel `channel`'s patched addresses at DMX `level`: each address its share,
// never below the channel's warm-up level; CurrentLevels follows. Nothing for channel 0 or an
// unpatched channel. The caller sends.
void SetLevel(ConsoleState& S, int channel, int level);
// SetLevel for each of `levels`, in order.
void lightLamp(ConsoleState& S, const std::vector<LampLevel>& levels);

// A fixture lit by a hunt, with what its colour addresses carried before: its release puts the
// fixture back as it was, whichever button named it (its own address or a channel naming it).
struct HuntedFixture {
  struct Kept {
    int address = 0;
    uint8_t byte = 0;
    float level = 0;
  };
  bool lit = false;
  int intensity = 0;  // the fixture's intensity address, 0 when it has none
  std::vector<Kept> colours;
};
// Lights a fixture's hunt `levels` (lampHuntLevels), noting first what every address they reach
// other than `intensity` carries.
HuntedFixture lightFixture(ConsoleState& S, const std::vector<LampLevel>& levels, int intensity);
// The release of a fixture's hunt: its intensity channel down to its warm-up level, its colour
// addresses back to what they carried before the hunt. The caller sends.
void releaseFixture(ConsoleState& S, const HuntedFixture& hunted);
