#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// The console runs once per user: a lock file named after the console's fixed GUID in the user's
// runtime folder. The lock is held for the life of the process; a stale lock left by a crashed
// process is taken over.
QString singleInstanceLockPath();

class SingleInstance {
 public:
  // True when this process now holds the lock; false when another running console holds it.
  bool acquire();
  // True while some running process holds the lock (used by the restart helper to wait).
  static bool heldByAnother();

 private:
  std::unique_ptr<QLockFile> lock_;
};
