#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

AtomicFileFaults& faults() {
  static AtomicFileFaults f;
  return f;
}

long writeSome(int fd, const char* data, unsigned long size) {
  if (faults().write) return faults().write(fd, data, size);
  return long(::write(fd, data, size));
}

int syncFile(int fd) {
  if (faults().sync) return faults().sync(fd);
  return ::fsync(fd);
}

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

void syncFolderOf(const QString& path) {
  const int dir = ::open(encoded(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

void setAtomicFileFaults(AtomicFileFaults f) { faults() = std::move(f); }

AtomicFileWriter::AtomicFileWriter(const QString& path, const QString& tempPath)
    : path_(path), tempPath_(tempPath) {}

AtomicFileWriter::~AtomicFileWriter() { cancel(); }

bool AtomicFileWriter::fail(const QString& what, int err) {
  if (!failed_) error_ = what + " \"" + (fd_ >= 0 ? tempPath() : path_) + "\": " + systemError(err);
  failed_ = true;
  return false;
}

bool AtomicFileWriter::open() {
  cancel();
  failed_ = false;
  error_.clear();
  written_ = 0;
  // A new file gets the target's permissions when there is one, else the usual ones.
  mode_t mode = 0666;
  struct stat old {};
  if (::stat(encoded(path_).constData(), &old) == 0) mode = old.st_mode & 07777;
  // A stale temporary (or anything planted under its name) is removed, never written through.
  ::unlink(encoded(tempPath()).constData());
  fd_ = ::open(encoded(tempPath()).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd_ < 0) {
    error_ = "Cannot create \"" + tempPath() + "\": " + systemError(errno);
    failed_ = true;
    return false;
  }
  if (::stat(encoded(path_).constData(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  return true;
}

bool AtomicFileWriter::write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }

bool AtomicFileWriter::write(const char* data, qint64 size) {
  if (failed_ || fd_ < 0) return false;
  while (size > 0) {
    const long n = writeSome(fd_, data, (unsigned long)size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("Cannot write", n < 0 ? errno : ENOSPC);
    data += n;
    size -= n;
    written_ += n;
  }
  return true;
}

bool AtomicFileWriter::finish() {
  if (finished_) return true;
  if (failed_ || fd_ < 0) {
    cancel();
    return false;
  }
  bool ok = true;
  if (syncFile(fd_) != 0) ok = fail("Cannot flush", errno);
  struct stat st {};
  if (ok && ::fstat(fd_, &st) != 0) ok = fail("Cannot check", errno);
  if (ok && qint64(st.st_size) != written_) ok = fail("Short file", ENOSPC);
  if (::close(fd_) != 0 && ok) {
    const int err = errno;
    fd_ = -1;
    fail("Cannot close", err);
    ok = false;
  }
  fd_ = -1;
  if (!ok) {
    ::unlink(encoded(tempPath()).constData());
    return false;
  }
  finished_ = true;
  return true;
}

bool AtomicFileWriter::commit() {
  if (!finish()) return false;
  finished_ = false;
  if (::rename(encoded(tempPath()).constData(), encoded(path_).constData()) != 0) {
    const int err = errno;
    ::unlink(encoded(tempPath()).constData());
    error_ = "Cannot replace \"" + path_ + "\": " + systemError(err);
    failed_ = true;
    return false;
  }
  syncFolderOf(path_);
  return true;
}

void AtomicFileWriter::cancel() {
  if (fd_ < 0 && !finished_) return;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  finished_ = false;
  ::unlink(encoded(tempPath()).constData());
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error,
                         const QString& tempPath) {
  AtomicFileWriter out(path, tempPath);
  const bool ok = out.open() && out.write(bytes) && out.commit();
  if (!ok && error) *error = out.errorString();
  return ok;
}

bool replaceWithWrittenFile(const QString& tempPath, const QString& path, QString* error) {
  auto fail = [&](const QString& what, int err) {
    if (error) *error = what + " \"" + tempPath + "\": " + systemError(err);
    ::unlink(encoded(tempPath).constData());
    return false;
  };
  const int fd = ::open(encoded(tempPath).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return fail("Cannot open", errno);
  struct stat st {};
  bool ok = syncFile(fd) == 0;
  int err = ok ? 0 : errno;
  if (ok && ::fstat(fd, &st) != 0) {
    ok = false;
    err = errno;
  }
  ::close(fd);
  if (!ok) return fail("Cannot flush", err);
  if (st.st_size <= 0) return fail("Short file", ENOSPC);
  if (::rename(encoded(tempPath).constData(), encoded(path).constData()) != 0) {
    const int renameErr = errno;
    ::unlink(encoded(tempPath).constData());
    if (error) *error = "Cannot replace \"" + path + "\": " + systemError(renameErr);
    return false;
  }
  syncFolderOf(path);
  return true;
}

bool copyFileAtomically(const QString& source, const QString& destination, QString* error) {
  // A file copied onto itself stays as it is (never emptied by opening it for writing).
  const QFileInfo from(source), to(destination);
  if (to.exists() && from.exists() && from.canonicalFilePath() == to.canonicalFilePath()) return true;
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    if (error) *error = "Cannot open file \"" + source + "\". " + in.errorString();
    return false;
  }
  AtomicFileWriter out(destination);
  if (!out.open()) {
    if (error) *error = out.errorString();
    return false;
  }
  constexpr qint64 kBlock = 1 << 20;
  while (!in.atEnd()) {
    const QByteArray block = in.read(kBlock);
    if (block.isEmpty() && in.error() != QFile::NoError) {
      if (error) *error = "Cannot read file \"" + source + "\". " + in.errorString();
      return false;
    }
    if (!out.write(block)) break;
  }
  if (!out.commit()) {
    if (error) *error = out.errorString();
    return false;
  }
  return true;
}

void removeStaleTempFile(const QString& path) {
  const QString temp = AtomicFileWriter::tempPathFor(path);
  if (QFileInfo(temp).isFile()) QFile::remove(temp);
}
