#include "console/engine/cue_backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "console/engine/tavro_utils.h"
#include "platform/file_limits.h"

namespace {

// Clears BackupPending however the backup ends.
class PendingGuard {
 public:
  explicit PendingGuard(CueBackupState& s) : s_(s) {}
  ~PendingGuard() { s_.BackupPending = false; }
  PendingGuard(const PendingGuard&) = delete;
  PendingGuard& operator=(const PendingGuard&) = delete;

 private:
  CueBackupState& s_;
};

}  // namespace

QString cueBackupBase(const QString& cueFileName) {
  return changeFileExt(QFileInfo(cueFileName).fileName(), "");
}

QStringList cueBackupsIn(const QString& folder, const QString& base) {
  const QRegularExpression pattern("^" + QRegularExpression::escape(base) + "[0-9]{12}\\.lcue$");
  QStringList found;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name))
    if (pattern.match(name).hasMatch()) found << name;
  found.sort();
  return found;
}

void removeStaleBackupTemps(const QString& cueFileName) {
  const QFileInfo info(cueFileName);
  const QString base = cueBackupBase(cueFileName);
  const QRegularExpression pattern("^" + QRegularExpression::escape(base) + "[0-9]{12}\\.lcue\\.new$");
  const QDir folder = info.absoluteDir();
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
    if (pattern.match(name).hasMatch()) QFile::remove(folder.filePath(name));
}

CueBackupOutcome dobackup(const QString& cueFileName, CueFile& cueFile, CueBackupState& state,
                          bool forcedBackup, uint64_t startMemory, CueBackupHost& host, Operator& op) {
  PendingGuard pending(state);
  ++state.BackupCounter;
  if (state.BackupCounter <= 4) return CueBackupOutcome::NotDue;
  const QFileInfo info(cueFileName);
  if (!info.isFile()) return CueBackupOutcome::NoCueFile;
  // A file refused as far too large for a cue file is no show to back up (it was reported when it
  // was opened).
  if (sizeOverLimit(cueFileName, file_limit::kCueFile)) return CueBackupOutcome::NoCueFile;

  const QString folder = info.absolutePath();
  const QString base = cueBackupBase(cueFileName);
  QDir::setCurrent(folder);
  const QStringList noted = cueBackupsIn(folder, base);

  const QString copyName = base + host.now().toString("yyMMddHHmmss") + ".lcue";
  const QString copyPath = QDir(folder).filePath(copyName);
  cueFile.close();
  try {
    // The copy takes its name only once it is whole, so a failed one never counts as a backup.
    CopyFileStream(info.absoluteFilePath(), copyPath);
  } catch (const std::exception& e) {
    cueFile.open(cueFileName);
    if (!state.FailureReported) {
      state.FailureReported = true;
      const QString text =
          "The backup copy " + copyName + " could not be made: " + QString::fromUtf8(e.what());
      WriteLog(text);
      op.ask("Backup Error", text, DialogIcon::Warning, DialogButtons::Ok);
    }
    throw;
  }
  state.FailureReported = false;

  // The two newest noted backups stay beside the new copy.
  QStringList old = noted;
  old.removeAll(copyName);
  for (int i = 0; i + 2 < old.size(); ++i) QFile::remove(QDir(folder).filePath(old[i]));

  if (!forcedBackup) host.rereadCues();
  state.BackupCounter = 0;
  if (startMemory > 0 && host.currentProcessMemory() > startMemory * 10)
    op.ask("Long term use", "The program could benefit from a restart.", DialogIcon::Warning,
           DialogButtons::Ok);
  return CueBackupOutcome::Copied;
}
