#pragma once

// Building cue files for the cue tests.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <vector>

#include "console/engine/cue_record.h"

namespace cue_test {

// The readers make the show's folder the current directory; tests put it back.
class CurrentDirGuard {
 public:
  CurrentDirGuard() : saved_(QDir::currentPath()) {}
  ~CurrentDirGuard() { QDir::setCurrent(saved_); }
  CurrentDirGuard(const CurrentDirGuard&) = delete;
  CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

 private:
  QString saved_;
};

inline CueRecord cue(int number, const QString& description, int fadeUp = 0, int fadeDown = 0) {
  CueRecord c;
  c.cueNumber = number;
  c.setDescriptionText(description);
  c.fadeUpTime = fadeUp;
  c.fadeDownTime = fadeDown;
  return c;
}

inline QByteArray bytesOf(const std::vector<CueRecord>& records) {
  QByteArray all;
  for (const CueRecord& r : records) all += r.encode();
  return all;
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

inline void writeCueFile(const QString& path, const std::vector<CueRecord>& records) {
  writeBytes(path, bytesOf(records));
}

inline void writeText(const QString& path, const QString& text) { writeBytes(path, text.toUtf8()); }

}  // namespace cue_test
