#include "platform/single_instance.h"

#include <QDir>

QString singleInstanceLockPath() { return QDir::tempPath() + "/158980d4-8f47-4568-80be-1265f2c6677f.lock"; }

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
