#pragma once

// The arithmetic of loop playback over the engine state only: finding the row a loop jumps back to,
// the targets and steps of one loop step, the loader of a submaster's loop file and the length of a
// submaster loop step. The loops object (loops.h) drives it.

#include <QString>
#include <optional>

#include "console/engine/console_state.h"
#include "console/engine/cue_loop_file.h"

namespace loops {

// The nearest row from `from` down to 1 whose cue number equals `target`; 0 when none.
int findCueRow(const CueTables& cues, int from, int target);
int findStepRow(const LoopTables& loops, int from, int target);

// Ticks, targets, steps and delays of loop step `b` on the channels flagged in S.SubFlags: scaled by
// `scale` for a submaster loop, as they stand for a cue-list loop file, not at all otherwise. A
// channel already at its target keeps its step and delays; a raw channel is never taken below its
// warm-up level. S.CueLevels becomes the step's levels, except in a submaster loop, which leaves the
// selected cue's levels for GO.
void computeStepTargets(ConsoleState& S, const LoopTables& loops, int b, bool subLoop, bool loopRunning,
                        double scale);

// A submaster's loop file: every channel above its warm-up level in any step takes part; the other
// channels of every step hold the output they have now. `LoopPosition` is 999999 when the last step
// loops back (the file repeats until the fader goes down), else 0 (it plays once).
struct SubLoopLoad {
  int LoopPosition = 0;
};
// `ReadSubloopCues`: loads `path` into `loops` and S.SubFlags. When it cannot be read: the error box
// "Cue File problem" put to `op`, nothing loaded, and no result.
std::optional<SubLoopLoad> ReadSubloopCues(ConsoleState& S, const QString& path, LoopTables& loops,
                                           Operator& op);

// Length in ticks of a submaster loop step (`smFadetiming`): never shorter than what was left of
// the previous step, at least 1.
int subStepTicks(int uptime, int downtime, int subFadeTicks, int subFadeStep);

}  // namespace loops
