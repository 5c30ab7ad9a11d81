#include "console/engine/cue_reader.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

#include "platform/file_limits.h"

namespace {

// Keeps LoadingCues set for the length of a reading, also when it ends with an error.
class LoadingGuard {
 public:
  explicit LoadingGuard(CueTables& t) : t_(t) { t_.LoadingCues = true; }
  ~LoadingGuard() { t_.LoadingCues = false; }
  LoadingGuard(const LoadingGuard&) = delete;
  LoadingGuard& operator=(const LoadingGuard&) = delete;

 private:
  CueTables& t_;
};

void fillRow(CueTables& t, int r, const CueRecord& c, const CueReadSettings& settings, QChar separator) {
  auto& T = t.CueTable;
  T[CueColumn::Number][r] = c.cueNumber;
  T[CueColumn::RowColour][r] = c.textColour;
  T[CueColumn::FadeUpTicks][r] = fadeTicks(c.fadeUpTime, settings.StepsPerSecond);
  T[CueColumn::FadeDownTicks][r] = fadeTicks(c.fadeDownTime, settings.StepsPerSecond);
  T[CueColumn::UpDelayTicks][r] = fadeTicks(c.upDelay, settings.StepsPerSecond);
  T[CueColumn::DownDelayTicks][r] = fadeTicks(c.downDelay, settings.StepsPerSecond);
  T[CueColumn::StartMode][r] = c.startMode;
  T[CueColumn::AdvanceAfter][r] = c.advanceAfter;
  T[CueColumn::TimingMode][r] = c.timingMode;
  T[CueColumn::LoopTarget][r] = c.loopTarget;
  T[CueColumn::LoopCount][r] = c.loopCount;
  T[CueColumn::LoopFileKey][r] = c.loopFileKey;
  T[CueColumn::CueKind][r] = c.cueKind;
  T[CueColumn::Unused][r] = 0;
  T[CueColumn::Port][r] = c.port;
  T[CueColumn::AdvanceDelay][r] = c.advanceDelay;
  T[CueColumn::TimeCode][r] = c.timeCode;

  t.CueTexts[CueTextColumn::Description][r] = c.description;
  t.CueTexts[CueTextColumn::Levels][r] = c.levels;
  t.CueTexts[CueTextColumn::MessageText][r] = c.messageText;
  t.CueTexts[CueTextColumn::Host][r] = c.host;

  CueListRow& row = t.CueListRows[r];
  row.number = cueNumberText(c.cueNumber);
  row.description = c.descriptionText();
  row.time = cueTimeText(c.fadeUpTime, c.fadeDownTime, c.timingMode, separator);
  row.textColour = c.textColour;
  row.icon = cueIcon(c.startMode, c.advanceAfter, c.loopTarget, c.cueKind);
}

// The order check: a number not above the one before (0 before the first) is remembered.
void checkOrder(CueTables& t, int r, int32_t number, int32_t previous, const QString& description) {
  if (number > previous) return;
  t.CueOrderProblem = true;
  t.CueOrderNumber = number / 100;
  t.CueOrderText = description;
  t.CueOrderRow = r;
  if (number == previous)
    t.CueOrderText = "Duplicate- " + QString::number(t.CueOrderNumber) + " " + description;
}

void readSubmasters(const QString& path, const CueReadSettings& settings, CueReadHost& host, Operator& op) {
  const QString name = submasterFileNameFor(path, settings.UseRepPlot, settings.ProgramFolder);
  const SubmasterFileSetup setup = readSubmasterFileSetup(name, settings.MaxChannels, settings.WarmUpLevel);
  if (!setup.error.isEmpty()) op.ask("Submaster File problem", setup.error, DialogIcon::Warning);
  host.submastersRead(setup);
}

}  // namespace

CueReadStatus readCueFile(const QString& path, CueFile& cueFile, CueTables& tables, CuePlaybackRows& rows,
                          const CueReadSettings& settings, CueReadHost& host, Operator& op) {
  LoadingGuard loading(tables);
  tables.CueOrderProblem = false;

  const QFileInfo info(path);
  if (!info.isFile()) {
    op.ask("Loading Cue File error",
           "Could not find the Cue file. Please use the menu option to locate your file.",
           DialogIcon::Warning, DialogButtons::Ok);
    return CueReadStatus::Missing;
  }
  // Refused by its size before a record is read: it is read as missing and left as it is.
  if (const qint64 size = sizeOverLimit(path, file_limit::kCueFile)) {
    op.ask(fileTooLargeTitle(), fileTooLargeText(path, size), DialogIcon::Warning, DialogButtons::Ok);
    return CueReadStatus::TooLarge;
  }

  cueFile.close();
  if (!cueFile.open(path)) throw CueFileError("Cannot open the cue file \"" + path + "\".");
  host.processMessages();
  tables.CuesLoaded = false;
  QDir::setCurrent(info.absolutePath());
  const qint64 count = cueFile.count();
  if (count > std::numeric_limits<int>::max() - 1)
    throw CueFileError("The cue file \"" + path + "\" is too large.");
  const int records = int(count);
  tables.CueFileRecords = records;

  if (records == 0) {
    // Nothing of the previous show may stay playable.
    tables.CueCount = 0;
    tables.resize(0);
    tables.ChannelCountField = 0;
    tables.ShowLock = 0;
    tables.CueOrderNumber = 0;
    tables.CueOrderText.clear();
    tables.CueOrderRow = 0;
    rows = CuePlaybackRows{};
    host.cueListLoaded();
    readSubmasters(path, settings, host, op);
    host.readingFinished();
    return CueReadStatus::Empty;
  }

  // Built aside and taken over whole, so an error part-way leaves the previous tables intact.
  CueTables next;
  next.resize(records);
  const QChar separator = settings.DecimalSeparator.isEmpty() ? QChar('.') : settings.DecimalSeparator[0];
  int32_t previous = 0;
  for (int r = 1; r <= records; ++r) {
    const CueRecord c = cueFile.readRecord(r - 1);
    if (r == 1) {
      next.ChannelCountField = c.channelCountField;
      next.ShowLock = c.lock;
    }
    fillRow(next, r, c, settings, separator);
    checkOrder(next, r, c.cueNumber, previous, c.descriptionText());
    previous = c.cueNumber;
  }

  tables.CueTable = std::move(next.CueTable);
  tables.CueTexts = std::move(next.CueTexts);
  tables.CueListRows = std::move(next.CueListRows);
  tables.ChannelCountField = next.ChannelCountField;
  tables.ShowLock = next.ShowLock;
  tables.CueOrderProblem = next.CueOrderProblem;
  tables.CueOrderNumber = next.CueOrderNumber;
  tables.CueOrderText = next.CueOrderText;
  tables.CueOrderRow = next.CueOrderRow;
  tables.CueCount = records;
  rows.LastSelectedRow = 1;
  if (rows.RunningCue > records || rows.RunningCue < 0) rows.RunningCue = 0;
  if (rows.CurrentCue > records) rows.CurrentCue = records;
  if (rows.CurrentCue < 0) rows.CurrentCue = 0;

  host.cueListLoaded();
  for (int r = 1; r <= records; ++r)
    if (tables.CueTable[CueColumn::CueKind][r] == kCueFollowspotAlert) host.followSpotCueRead(r);

  tables.CuesLoaded = true;
  host.cuesLoaded();
  readSubmasters(path, settings, host, op);
  host.readingFinished();
  return CueReadStatus::Loaded;
}
