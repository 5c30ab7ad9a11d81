#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "console/engine/cue_tables.h"
#include "platform/operator.h"

// Loop cue files: another cue file whose records are played as loop steps when a "Cue is a File"
// cue is selected. The loop list (`LoopFileList`) beside the cue file names them by key.

// Columns of `LoopTable` (row s = step s, entry 0 unused). Columns 1 and 11 are not filled.
struct LoopColumn {
  enum : int {
    Number = 0,
    FadeUpTicks = 2,
    FadeDownTicks = 3,
    UpDelayTicks = 4,
    DownDelayTicks = 5,
    Step = 6,  // always 1
    AdvanceAfter = 7,
    TimingMode = 8,
    LoopTarget = 9,
    LoopCount = 10,
    Count = 12
  };
};

struct LoopTables {
  std::vector<QByteArray> LoopLevels;  // the 1024 level bytes of each step
  std::array<std::vector<int32_t>, LoopColumn::Count> LoopTable;
  int steps() const { return LoopLevels.empty() ? 0 : int(LoopLevels.size()) - 1; }
};

// The loop list of a cue file: its path with the extension ".loop".
QString loopFileListName(const QString& cueFileName);
// `LookupFile`: the path stored under key `loopFileIndex` (decimal) in [Files] of the cue file's
// loop list; empty when the list or the key is missing.
QString LookupFile(const QString& cueFileName, int loopFileIndex);

struct LoopReadInput {
  int StepsPerSecond = 20;
  int MaxChannels = 256;
  int CurrentCue = 0;                           // the selected row of the cue list
  const CueTables* Cues = nullptr;              // for the level string of the row above the selected cue
  std::span<const uint8_t> CurrentOutput;       // `DmxOutBuffer`: the levels before the first row
  std::function<int(int channel)> WarmUpLevel;  // `WarmUpLevels` entry of a channel (null: 0)
};

// What a loaded loop file sets in the engine besides the loop tables.
struct LoopFileLoad {
  QByteArray CueLevels;  // where the first step fades from: the row above the selected cue
  // SubFlags[ch] (ch 1..MaxChannels, entry 0 unused): the channel is above its warm-up level (low
  // byte) in the last step, so it takes part in the loop (only these channels are moved by its steps).
  std::vector<bool> SubFlags;
  int LoopPosition = 0;  // loop count of the last loop-back step; 999999 when that is 0; 0 = no loop
  double SubLoopScale = 1.0;
};

// `ReadloopCues`: loads the loop cue file `path` into `loops`. When it cannot be read (or is far too
// large to be a cue file): the error box "Cue File problem" put to `op`, `loops` unchanged, and no
// result. The row above the first row is the current output, never the unused row 0 of the tables.
std::optional<LoopFileLoad> ReadloopCues(const QString& path, LoopTables& loops, const LoopReadInput& input,
                                         Operator& op);

// A loop cue file that cannot be played: missing, unopenable, or over the cue file limit.
bool loopCueFileUnusable(const QString& path);
