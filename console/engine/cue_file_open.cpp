#include "console/engine/cue_file_open.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>
#include <optional>

#include "console/engine/cue_backup.h"
#include "platform/atomic_file.h"
#include "platform/file_limits.h"

namespace {

bool askYes(Operator& op, const QString& title, const QString& text, DialogIcon icon) {
  return op.ask(title, text, icon, DialogButtons::YesNo) == DialogResult::Yes;
}

// The channel count a first record was written for: its channel-count field without the last digit.
int writtenChannelCount(int16_t field) {
  QString text = QString::number(field);
  text.chop(1);
  bool ok = false;
  const int n = text.toInt(&ok);
  return ok ? n : 0;
}

// Record 0 of a cue file of either layout, read without opening the file for writing; none when
// the file holds no whole first record.
std::optional<CueRecordCommon> readFirstRecord(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  if (isOldCueFile(path)) {
    const QByteArray bytes = f.read(kOldCueRecordSize);
    if (bytes.size() < kOldCueRecordSize) return std::nullopt;
    return OldCueRecord::decode(bytes);
  }
  const QByteArray bytes = f.read(kCueRecordSize);
  if (bytes.size() < kCueRecordSize) return std::nullopt;
  return CueRecord::decode(bytes);
}

}  // namespace

CueOpenResult OpenCueFile(const QString& cueFileName, CueFile& cueFile, CueTables& tables,
                          const CueOpenSettings& settings, CueOpenHost& host, Operator& op) {
  CueOpenResult result;
  tables.CuesLoaded = false;

  if (cueFileName.isEmpty() || !QFileInfo(cueFileName).isFile()) {
    op.ask("Loading Cue File error",
           "Could not find the Cue file. Please use the menu option to locate your file.",
           DialogIcon::Warning, DialogButtons::Ok);
    host.cueFileMissing();
    result.Status = CueOpenStatus::Missing;
    return result;
  }
  // Refused by its size before any of it is read: the console goes on as without a cue file, and
  // the file is left exactly as it is.
  if (const qint64 size = sizeOverLimit(cueFileName, file_limit::kCueFile)) {
    op.ask(fileTooLargeTitle(), fileTooLargeText(cueFileName, size), DialogIcon::Warning, DialogButtons::Ok);
    host.cueFileMissing();
    result.Status = CueOpenStatus::TooLarge;
    return result;
  }

  // The questions are asked of the candidate before the open show is let go: a show the operator
  // declines is never opened, and the show that was open stays open and untouched.
  const std::optional<CueRecordCommon> first = readFirstRecord(cueFileName);
  if (first) {
    const bool writtenWithFileSource = first->channelCountField % 2 == 0;
    if (writtenWithFileSource != settings.FileSource) {
      const QString setting = writtenWithFileSource ? "Files follow Stagora" : "Files follow Cue File";
      const bool load = askYes(
          op, "Settings mismatch",
          "This Cue file was written with the setting\n\r\"" + setting + "\". Should it be loaded anyway?",
          DialogIcon::Error);
      if (!load) {
        result.Status = CueOpenStatus::SettingsDeclined;
        return result;
      }
      host.settingsQuestionAnswered();
    }
    if (!settings.FileSource) {
      const int n = writtenChannelCount(first->channelCountField);
      if (n > 0 && n != settings.MaxChannels) {
        const bool go =
            askYes(op, "Channel count mismatch",
                   cueFileName + " was written with " + QString::number(n) +
                       " channels.\n\rDo you want to continue to load this file?\n\r\rIf \"No\" then "
                       "change the number of channels and restart.",
                   DialogIcon::Confirmation);
        if (!go) {
          host.channelCountDeclined();
          result.Status = CueOpenStatus::ChannelCountDeclined;
          return result;
        }
      }
    }
    result.Locked = first->lock == 1;
  }

  cueFile.close();
  host.closeSideFiles();
  // A rewrite cut short (the console was killed in the middle of it) leaves its new file behind; the
  // cue file itself is whole either way.
  removeStaleTempFile(cueFileName);
  removeStaleBackupTemps(cueFileName);
  if (isOldCueFile(cueFileName)) {
    ConvertFile(cueFile, cueFileName);
    result.Converted = true;
  }
  if (!cueFile.open(cueFileName)) throw CueFileError("Cannot open the cue file \"" + cueFileName + "\".");
  QDir::setCurrent(QFileInfo(cueFileName).absolutePath());

  host.processMessages();
  const qint64 records = cueFile.count();
  tables.CueFileRecords = int(qMin<qint64>(records, std::numeric_limits<int>::max()));
  if (records == 0) {
    if (QFileInfo(cueFileName).size() > 0)
      op.ask("Loading Cue File error",
             "The cue file \"" + QDir::toNativeSeparators(cueFileName) +
                 "\" is damaged: it holds no whole cue. It is kept as it is.",
             DialogIcon::Warning, DialogButtons::Ok);
    result.Status = CueOpenStatus::Empty;
    return result;
  }
  result.Status = CueOpenStatus::Opened;
  return result;
}
