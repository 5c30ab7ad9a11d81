#include "console/engine/loop_steps.h"

#include <algorithm>
#include <cmath>

#include "console/engine/cue_record.h"
#include "console/engine/level_math.h"
#include "platform/record_file.h"

namespace loops {

int findCueRow(const CueTables& cues, int from, int target) {
  const auto& numbers = cues.CueTable[CueColumn::Number];
  for (int row = std::min(from, int(numbers.size()) - 1); row >= 1; --row)
    if (numbers[size_t(row)] == target) return row;
  return 0;
}

int findStepRow(const LoopTables& loops, int from, int target) {
  const auto& numbers = loops.LoopTable[LoopColumn::Number];
  for (int row = std::min(from, int(numbers.size()) - 1); row >= 1; --row)
    if (numbers[size_t(row)] == target) return row;
  return 0;
}

void computeStepTargets(ConsoleState& S, const LoopTables& loops, int b, bool subLoop, bool loopRunning,
                        double scale) {
  const auto& T = loops.LoopTable;
  const int timingMode = T[LoopColumn::TimingMode][size_t(b)];
  const int up = T[LoopColumn::FadeUpTicks][size_t(b)];
  const int down = T[LoopColumn::FadeDownTicks][size_t(b)];
  S.UpTicks = up == 0 ? 1 : up;
  S.DownTicks = down == 0 ? 1 : down;
  if (timingMode != 1) S.DownTicks = S.UpTicks;
  // A submaster loop runs beside the cue list: the selected cue's levels stay what GO plays.
  QByteArray levels = loops.LoopLevels[size_t(b)];
  if (levels.size() < kMaxChannelLimit) levels.append(QByteArray(kMaxChannelLimit - levels.size(), '\0'));
  if (!subLoop) S.CueLevels = levels;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!S.SubFlags[size_t(ch)]) continue;
    const int level = uint8_t(levels[ch - 1]);
    int target;
    if (subLoop)
      target = roundEven(level * scale);
    else if (loopRunning)
      target = level;
    else
      continue;
    S.TargetLevels[size_t(ch)] = target;
    if (float(target) == S.CurrentLevels[size_t(ch)]) continue;
    if (S.RawChannels[size_t(ch)]) target = std::max<int>(target, S.Fixtures.WarmUpLevels[size_t(ch)]);
    S.TargetLevels[size_t(ch)] = target;
    const float diff = float(target) - S.CurrentLevels[size_t(ch)];
    S.LevelSteps[size_t(ch)] = diff / float(target > S.CurrentLevels[size_t(ch)] ? S.UpTicks : S.DownTicks);
    S.UpDelayTicks[size_t(ch)] = T[LoopColumn::UpDelayTicks][size_t(b)];
    S.DownDelayTicks[size_t(ch)] = T[LoopColumn::DownDelayTicks][size_t(b)];
  }
}

std::optional<SubLoopLoad> ReadSubloopCues(ConsoleState& S, const QString& path, LoopTables& loops,
                                           Operator& op) {
  const auto problem = [&path, &op]() {
    op.ask("Cue File problem", "Cannot read the cue's file:\n\r" + path, DialogIcon::Error,
           DialogButtons::Ok);
    return std::optional<SubLoopLoad>();
  };
  RecordFile file(kCueRecordSize);
  if (loopCueFileUnusable(path) || !file.open(path)) return problem();
  const int steps = int(file.count());
  LoopTables next;
  next.LoopLevels.assign(size_t(steps) + 1, QByteArray());
  for (auto& column : next.LoopTable) column.assign(size_t(steps) + 1, 0);
  const int maxChannels = std::clamp(S.MaxChannels, 0, kCueLevelCount);
  std::array<bool, kChannelSlots> flags{};
  SubLoopLoad load;
  std::vector<CueRecord> records;
  QByteArray bytes;
  for (int s = 1; s <= steps; ++s) {
    if (!file.read(s - 1, bytes)) return problem();
    records.push_back(CueRecord::decode(bytes));
    const CueRecord& c = records.back();
    for (int ch = 1; ch <= maxChannels; ++ch)
      if (uint8_t(c.levels[ch - 1]) > (S.Fixtures.WarmUpLevels[size_t(ch)] & 0xFF)) flags[size_t(ch)] = true;
    // Only the last step decides whether the file repeats.
    load.LoopPosition = c.loopTarget > 0 ? 999999 : 0;
  }
  file.close();
  for (int ch = 1; ch <= maxChannels; ++ch)
    S.SubFlags[size_t(ch)] = S.SubFlags[size_t(ch)] || flags[size_t(ch)];
  // Channels outside the loop hold the output they had when the fader was raised.
  for (int s = 1; s <= steps; ++s) {
    const CueRecord& c = records[size_t(s - 1)];
    QByteArray levels = c.levels;
    for (int ch = 1; ch <= maxChannels && ch <= levels.size(); ++ch)
      if (!S.SubFlags[size_t(ch)]) levels[ch - 1] = char(S.DmxOutBuffer[size_t(ch - 1)]);
    next.LoopLevels[size_t(s)] = levels;
    auto& T = next.LoopTable;
    T[LoopColumn::Number][size_t(s)] = c.cueNumber;
    T[LoopColumn::FadeUpTicks][size_t(s)] = fadeTicks(c.fadeUpTime, S.StepsPerSecond);
    T[LoopColumn::FadeDownTicks][size_t(s)] = fadeTicks(c.fadeDownTime, S.StepsPerSecond);
    T[LoopColumn::UpDelayTicks][size_t(s)] = fadeTicks(c.upDelay, S.StepsPerSecond);
    T[LoopColumn::DownDelayTicks][size_t(s)] = fadeTicks(c.downDelay, S.StepsPerSecond);
    T[LoopColumn::Step][size_t(s)] = 1;
    T[LoopColumn::AdvanceAfter][size_t(s)] = c.advanceAfter;
    T[LoopColumn::TimingMode][size_t(s)] = c.timingMode;
    T[LoopColumn::LoopTarget][size_t(s)] = c.loopTarget;
    T[LoopColumn::LoopCount][size_t(s)] = c.loopCount;
  }
  loops = std::move(next);
  return load;
}

int subStepTicks(int uptime, int downtime, int subFadeTicks, int subFadeStep) {
  const int n = std::max({uptime, downtime, subFadeTicks - subFadeStep});
  return n == 0 ? 1 : n;
}

}  // namespace loops
