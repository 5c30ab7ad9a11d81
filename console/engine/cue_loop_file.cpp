#include "console/engine/cue_loop_file.h"

#include <QFileInfo>

#include "console/engine/cue_file.h"
#include "platform/file_limits.h"
#include "platform/ini_file.h"

QString loopFileListName(const QString& cueFileName) { return changeFileExt(cueFileName, ".loop"); }

QString LookupFile(const QString& cueFileName, int loopFileIndex) {
  const QString list = loopFileListName(cueFileName);
  if (!QFileInfo(list).isFile()) return QString();
  IniFile ini;
  if (!ini.load(list)) return QString();
  return ini.readString("Files", QString::number(loopFileIndex), QString());
}

namespace {

QByteArray levelsBefore(const LoopReadInput& in) {
  const int above = in.CurrentCue - 1;
  if (in.Cues && above >= 1 && above <= in.Cues->CueCount &&
      size_t(above) < in.Cues->CueTexts[CueTextColumn::Levels].size())
    return in.Cues->CueTexts[CueTextColumn::Levels][above];
  return QByteArray(reinterpret_cast<const char*>(in.CurrentOutput.data()),
                    qsizetype(in.CurrentOutput.size()));
}

}  // namespace

bool loopCueFileUnusable(const QString& path) {
  return path.isEmpty() || !QFileInfo(path).isFile() || sizeOverLimit(path, file_limit::kCueFile) > 0;
}

std::optional<LoopFileLoad> ReadloopCues(const QString& path, LoopTables& loops, const LoopReadInput& input,
                                         Operator& op) {
  const auto problem = [&path, &op]() {
    op.ask("Cue File problem", "Cannot read the cue's file:\n\r" + path, DialogIcon::Error,
           DialogButtons::Ok);
    return std::optional<LoopFileLoad>();
  };
  RecordFile file(kCueRecordSize);
  if (loopCueFileUnusable(path) || !file.open(path)) return problem();
  const int steps = int(file.count());

  LoopTables next;
  next.LoopLevels.assign(size_t(steps) + 1, QByteArray());
  for (auto& column : next.LoopTable) column.assign(size_t(steps) + 1, 0);
  LoopFileLoad load;
  load.CueLevels = levelsBefore(input);
  const int maxChannels = qMax(input.MaxChannels, 0);
  load.SubFlags.assign(size_t(maxChannels) + 1, false);

  bool loopExists = false;
  QByteArray bytes;
  for (int s = 1; s <= steps; ++s) {
    if (!file.read(s - 1, bytes)) return problem();
    const CueRecord c = CueRecord::decode(bytes);
    next.LoopLevels[s] = c.levels;
    for (int ch = 1; ch <= maxChannels && ch <= kCueLevelCount; ++ch) {
      const int warm = input.WarmUpLevel ? (input.WarmUpLevel(ch) & 0xFF) : 0;
      load.SubFlags[ch] = uint8_t(c.levels[ch - 1]) > warm;  // so the last step's flags stay
    }
    auto& T = next.LoopTable;
    T[LoopColumn::Number][s] = c.cueNumber;
    T[LoopColumn::FadeUpTicks][s] = fadeTicks(c.fadeUpTime, input.StepsPerSecond);
    T[LoopColumn::FadeDownTicks][s] = fadeTicks(c.fadeDownTime, input.StepsPerSecond);
    T[LoopColumn::UpDelayTicks][s] = fadeTicks(c.upDelay, input.StepsPerSecond);
    T[LoopColumn::DownDelayTicks][s] = fadeTicks(c.downDelay, input.StepsPerSecond);
    T[LoopColumn::Step][s] = 1;
    T[LoopColumn::AdvanceAfter][s] = c.advanceAfter;
    T[LoopColumn::TimingMode][s] = c.timingMode;
    T[LoopColumn::LoopTarget][s] = c.loopTarget;
    T[LoopColumn::LoopCount][s] = c.loopCount;
    if (c.loopTarget > 0) {
      load.LoopPosition = c.loopCount;
      loopExists = true;
    }
  }
  if (loopExists && load.LoopPosition == 0) load.LoopPosition = 999999;
  file.close();
  loops = std::move(next);
  return load;
}
