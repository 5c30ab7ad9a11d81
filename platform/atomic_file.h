#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Whole-file saves that never put a short or empty file in place of a good one. The new content goes
// to a temporary file beside the target (target + ".new"); every write, the flush to disk and the
// size on disk are checked, and only then is the temporary renamed over the target in one step. On
// any failure the temporary is removed and the target is left exactly as it was.
//
// Qt 6.4's QSaveFile::commit() can report success although the last buffered write of a small file
// failed on a full disk, so whole-file saves go through this class instead.
class AtomicFileWriter {
 public:
  // `tempPath`, when given, is the temporary file to use instead of target + ".new".
  explicit AtomicFileWriter(const QString& path, const QString& tempPath = QString());
  ~AtomicFileWriter();  // an uncommitted writer removes its temporary file
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates (or empties) the temporary file. False, with errorString(), when it cannot be created.
  bool open();
  // Appends bytes to the temporary file. False on the first write that does not take every byte;
  // later writes and commit() then fail too.
  bool write(const QByteArray& bytes);
  bool write(const char* data, qint64 size);
  // Flushes to disk, checks the size and closes the temporary, which is then whole on disk; the
  // target is untouched yet. Several files saved together are each finished before any is committed.
  bool finish();
  // Finishes (when not done yet) and renames the temporary over the target.
  bool commit();
  // Gives up: removes the temporary file, the target is untouched.
  void cancel();

  const QString& path() const { return path_; }
  QString tempPath() const { return tempPath_.isEmpty() ? tempPathFor(path_) : tempPath_; }
  QString errorString() const { return error_; }

  static QString tempPathFor(const QString& path) { return path + ".new"; }

 private:
  bool fail(const QString& what, int err);

  QString path_;
  QString tempPath_;
  QString error_;
  int fd_ = -1;
  qint64 written_ = 0;
  bool failed_ = false;
  bool finished_ = false;  // the temporary is whole and closed, not yet renamed
};

// Writes `bytes` as the whole content of `path` through AtomicFileWriter. On failure returns false and
// sets *error (when given) to a text naming the file and the cause.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                         const QString& tempPath = QString());
// Puts a temporary file that another writer (a library that writes files itself) has made in place
// of `path`: it is flushed to disk and must not be empty, then it is renamed over `path`. On failure
// the temporary is removed and `path` is left as it was.
bool replaceWithWrittenFile(const QString& tempPath, const QString& path, QString* error = nullptr);
// Copies `source` to `destination` the same way: a destination that exists afterwards is whole. A
// file copied onto itself is left as it is.
bool copyFileAtomically(const QString& source, const QString& destination, QString* error = nullptr);

// Removes a temporary file a save left behind when the program was killed in the middle of it.
void removeStaleTempFile(const QString& path);

// For tests: replaces the system calls that write and flush the temporary file, so a full disk can be
// simulated without one. Each returns what the system call would (-1 with errno set on failure).
struct AtomicFileFaults {
  std::function<long(int fd, const char* data, unsigned long size)> write;
  std::function<int(int fd)> sync;
};
void setAtomicFileFaults(AtomicFileFaults faults);  // an empty struct restores the system calls
