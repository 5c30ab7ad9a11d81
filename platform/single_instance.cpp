#include "platform/single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

namespace {
// The user's runtime folder: XDG_RUNTIME_DIR when it names a folder of this user; otherwise a folder
// of this user's own in the temporary folder, readable by no one else.
QString runtimeFolder() {
  const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!xdg.isEmpty()) {
    const QFileInfo info(xdg);
    if (info.isDir() && info.ownerId() == ::getuid()) return xdg;
  }
  const QString own = QDir::tempPath() + "/runtime-" + QString::number(::getuid());
  ::mkdir(QFile::encodeName(own).constData(), 0700);
  struct stat st {};
  if (::lstat(QFile::encodeName(own).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == ::getuid() && (st.st_mode & 077) == 0)
    return own;
  // Someone else holds that name: the home folder is still this user's alone.
  return QDir::homePath();
}
}  // namespace

QString singleInstanceLockPath() { return runtimeFolder() + "/158980d4-8f47-4568-80be-1265f2c6677f.lock"; }

bool SingleInstance::acquire() {
  lock_ = std::make_unique<QLockFile>(singleInstanceLockPath());
  lock_->setStaleLockTime(0);  // only a lock whose owner process is gone counts as stale
  return lock_->tryLock(0);
}

bool SingleInstance::heldByAnother() {
  QLockFile probe(singleInstanceLockPath());
  probe.setStaleLockTime(0);
  if (!probe.tryLock(0)) return true;
  probe.unlock();
  return false;
}
