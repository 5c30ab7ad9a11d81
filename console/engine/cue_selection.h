#pragma once

// Selecting a cue prepares it for GO: what each channel's level edit shows against the cue selected
// before, and the colour preset of LED fixtures, whose colour channels take the new cue's colours on
// the output at once when the fixture comes on and keep the previous cue's colours when it goes
// dark. Plain rules over the console state; the window fills the edits and sends the output.

#include <QByteArray>

#include "console/engine/console_state.h"

class Selection {
 public:
  explicit Selection(ConsoleState& state) : S(state) {}

  // What the level edit of channel `ch` shows once the selected cue's levels are `CueLevels`.
  struct Shown {
    bool atWarmUp = false;  // both cues leave the channel at its warm-up level: "0", colour kept
    int colour = 0;         // otherwise the text colour: same, rising or falling
    int number = 0;         // and the level shown (percent, or DMX for a raw channel)
  };
  Shown levelShown(int ch, const QByteArray& previous) const;

  // The colour preset of the installed fixture that channel `ch` lies in. Returns the last channel
  // the preset dealt with (ch itself when the fixture neither comes on nor goes dark); `wrote` says
  // whether colour bytes went to the output buffer, which the caller then sends.
  struct Preset {
    int last = 0;
    bool wrote = false;
  };
  Preset fixturePreset(int ch, const QByteArray& previous);

 private:
  ConsoleState& S;
};
