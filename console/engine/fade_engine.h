#pragma once

// The per-tick arithmetic of cue playback, over the engine state only: arming a fade, computing a
// cue's targets and steps, one step for every moving channel, and the master fade. The main window
// drives it from its fade timer and does the sending and the end-of-cue work.

#include <QByteArray>
#include <functional>

#include "console/engine/console_state.h"

namespace fade {

// Arms a fade of max(uptime, downtime) ticks (Fadetiming's counters); unless Shift was held, at
// least what is left of a running fade.
void armFade(ConsoleState& S, int uptime, int downtime);

// The columns of a cue that set its fade.
struct CueTiming {
  int fadeUpTicks = 0;
  int fadeDownTicks = 0;
  int upDelayTicks = 0;
  int downDelayTicks = 0;
  int timingMode = 0;  // 0 single, 1 split, 2 master
};

// Up and down ticks of a cue (at least 1; a single fade uses the up time both ways; Ctrl: 1).
void setCueTicks(ConsoleState& S, const CueTiming& cue);

// Targets, steps and delays of every channel for the fade to S.CueLevels (SendCue's channel loop).
// Clears the selection marks of unlocked channels in S.ChannelSelected.
void computeTargets(ConsoleState& S, const CueTiming& cue);

// How long a fade armFade is to arm: its up and down ticks.
struct FadeLength {
  int up = 0;
  int down = 0;
};
// The fade part of GO for a level cue (SendCue): the cue's ticks, every channel's target and step,
// and the fade to arm: two ticks with Ctrl or for a follow-spot alert, otherwise each way's ticks
// with its delay. The caller arms it (Fadetiming) and starts the fade timer.
FadeLength startCue(ConsoleState& S, const CueTiming& cue, bool followSpotAlert);

// One step for every moving channel (Setvalues): levels move by their steps once their delays have
// run out, land exactly on their targets, and are written to every patched address.
void setValues(ConsoleState& S);

enum class Tick {
  Stepped,    // a step was made; the fade goes on
  Ended,      // the fade ended on this tick: end the cue
  MasterWait  // a master fade is counting its delay or fading
};
// One tick of the fade timer without the sending: steps, counts, and tells when the fade ends.
// The caller sends the buffer after Stepped and Ended. The ending tick makes two steps, the tick's
// own and the closing one: `sendStep` (when given) is called between them, so the output of the
// first reaches the wire before the closing step overwrites it.
Tick tick(ConsoleState& S, const std::function<void()>& sendStep = {});

// One master-fade step: scales every patched channel's current level by the falling factor.
// True when the factor has reached 0 (the master fade is over).
bool masterFadeStep(ConsoleState& S);

// Remaining fade seconds as the display shows them.
int remainingSeconds(const ConsoleState& S);

// Finishes the running fade at once: every moving channel lands on the next tick.
void finishNow(ConsoleState& S);

}  // namespace fade
