#pragma once

// Finding a lamp on stage from the magic sheet: while a channel's button is held, the channel (or
// the red, green, blue and intensity channels of the fixture it names) is lit; releasing the
// button puts back exactly what the hunt changed.

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

// The output side of a hunt: lights the levels through the show's patch and keeps what each
// address held before, so that `restore` puts it back.
class LampHunt {
 public:
  // Lights the levels; a hunt still lit is put back first.
  void light(ConsoleState& S, const std::vector<LampLevel>& levels);
  // Puts back the addresses the hunt changed; false when nothing was lit.
  bool restore(ConsoleState& S);
  bool lit() const { return !saved_.empty(); }

 private:
  struct Saved {
    int address;
    unsigned char byte;
    float current;
  };
  std::vector<Saved> saved_;
};
