#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "console/engine/cue_file.h"
#include "platform/operator.h"

// Timed backups of the cue file: every fifth request copies it beside itself as
// base + "yymmddhhmmss" + ".lcue", keeping at most three such copies.

struct CueBackupState {
  int BackupCounter = 0;
  bool BackupPending = false;    // a caller waits (pumping) until the backup clears it
  bool FailureReported = false;  // a failed copy was reported; cleared by the next good copy
};

// The main window's side of a backup. Every method has a default.
class CueBackupHost {
 public:
  virtual ~CueBackupHost() = default;
  virtual QDateTime now() { return QDateTime::currentDateTime(); }
  // Reopen and re-read the cue file (`ReadCues` of the show's cue file).
  virtual void rereadCues() {}
  // `CurrentProcessMemory`: the working-set size in bytes.
  virtual uint64_t currentProcessMemory() { return 0; }
};

enum class CueBackupOutcome {
  NotDue,     // fewer than five requests since the last copy
  NoCueFile,  // the cue file does not exist, or is far too large to be one (the counter keeps counting)
  Copied,
};

// The backup base of a cue file: its file name without folder and without its last extension.
QString cueBackupBase(const QString& cueFileName);
// The backups of that cue file in `folder`: exactly base + twelve digits + ".lcue", sorted by name
// (oldest first).
QStringList cueBackupsIn(const QString& folder, const QString& base);

// `dobackup`. Copies the cue file when due, deletes the noted backups but the newest two, re-reads the
// cue file through the host (unless `forcedBackup`, at shut-down, where it stays closed), warns "Long
// term use" when the working set exceeds ten times `startMemory` (not known: 0), and always ends with
// BackupPending cleared. A failed copy leaves no file behind, deletes nothing, reopens the cue file,
// is written to the log and shown to the operator ("Backup Error") once until a copy succeeds again,
// and is raised to the caller (std::runtime_error). The messages are put to `op`.
CueBackupOutcome dobackup(const QString& cueFileName, CueFile& cueFile, CueBackupState& state,
                          bool forcedBackup, uint64_t startMemory, CueBackupHost& host, Operator& op);

// Removes the temporary files that backup copies cut short (the console was killed in the middle of
// one) left beside the cue file: base + twelve digits + ".lcue.new".
void removeStaleBackupTemps(const QString& cueFileName);
