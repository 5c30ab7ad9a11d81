#pragma once

#include <QString>
#include <stdexcept>

#include "console/engine/cue_record.h"
#include "platform/record_file.h"

// An input/output failure on a cue file. Raised to the caller, which lets it reach the application's
// error handler.
class CueFileError : public std::runtime_error {
 public:
  explicit CueFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The open cue file of the show (`CueFileVar`): a file of 1240-byte cue records, kept open while a
// show is loaded. The editors write whole records through it and then have the tables re-read.
class CueFile {
 public:
  CueFile() = default;

  // Opens an existing file (read-write, read-only when it cannot be written). False when it does
  // not exist or cannot be opened.
  bool open(const QString& path);
  // Opens the file again at the path it had; false when there is none.
  bool reopen();
  void close();
  bool isOpen() const { return file_.isOpen(); }
  // The path of the file last opened (kept after close).
  QString path() const { return path_; }

  qint64 count() const { return file_.count(); }
  // Throws CueFileError when the record does not exist whole or cannot be read.
  CueRecord readRecord(qint64 index);
  // index == count() appends. Throws CueFileError when the file cannot be written.
  void writeRecord(qint64 index, const CueRecord& record);

  RecordFile& records() { return file_; }

 private:
  RecordFile file_{kCueRecordSize};
  QString path_;
};

// `path` with its last extension (if any) replaced by `extension` (".subs", ".loop" ...).
QString changeFileExt(const QString& path, const QString& extension);

// An old cue file: a non-empty whole number of 1152-byte records whose first record has a format
// mark of length 0. Recognised by size too, so an old file of a single record (shorter than one new
// record) is found as well.
bool isOldCueFile(const QString& path);

// Rewrites the old cue file `path` in the new layout: the converted records go to "qq3q.lcue" in the
// same folder, which is then renamed over the old file (the old file is never deleted first, so a
// failure leaves it as it was). Closes `cueFile` first; does not reopen it. Throws CueFileError.
void ConvertFile(CueFile& cueFile, const QString& path);
