#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/message_dialog.h"
#include "platform/record_file.h"
#include "platform/single_instance.h"
#include "tests/support/dialog_recorder.h"

TEST(Windows1252, MapsTheHighRangeBothWays) {
  const QString text = QString::fromUtf8("€ “Licht” Café");
  const QByteArray bytes = toWindows1252(text);
  EXPECT_EQ(bytes, QByteArray("\x80 \x93Licht\x94 Caf\xE9"));
  EXPECT_EQ(fromWindows1252(bytes), text);
  EXPECT_EQ(toWindows1252(QString::fromUtf8("Ω")), "?");
}

TEST(ShortString, KeepsUnusedBytesAndClampsTheLength) {
  QByteArray rec(10, 'z');
  writeShortString(rec, 0, 5, "abc");
  EXPECT_EQ(rec, QByteArray("\x03"
                            "abczzzzzz"));
  writeShortString(rec, 0, 5, "abcdefgh");
  EXPECT_EQ(rec, QByteArray("\x05"
                            "abcdezzzz"));
  rec[0] = char(200);
  EXPECT_EQ(readShortString(rec, 0, 5), "abcde");
}

TEST(SingleInstance, LockLivesInTheUsersRuntimeFolder) {
  QTemporaryDir runtime;
  QTemporaryDir tmp;
  const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
  const QByteArray oldTmp = qgetenv("TMPDIR");
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
  EXPECT_EQ(QFileInfo(singleInstanceLockPath()).absolutePath(), QFileInfo(runtime.path()).absoluteFilePath());
  // Without one: a folder of the user's own in the temporary folder, closed to everyone else.
  qunsetenv("XDG_RUNTIME_DIR");
  qputenv("TMPDIR", tmp.path().toUtf8());
  const QFileInfo folder(QFileInfo(singleInstanceLockPath()).absolutePath());
  EXPECT_EQ(folder.absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
  EXPECT_TRUE(folder.isDir());
  EXPECT_EQ(
      folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
      QFile::Permissions());
  qputenv("TMPDIR", oldTmp);
  if (oldTmp.isEmpty()) qunsetenv("TMPDIR");
  qputenv("XDG_RUNTIME_DIR", oldRuntime);
  if (oldRuntime.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstance, SecondHolderIsRefusedAndLockFreedOnRelease) {
  QTemporaryDir dir;
  const QByteArray oldTmp = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
  {
    SingleInstance first;
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(SingleInstance::heldByAnother());
    SingleInstance second;
    EXPECT_FALSE(second.acquire());
  }
  EXPECT_FALSE(SingleInstance::heldByAnother());
  qputenv("XDG_RUNTIME_DIR", oldTmp);
  if (oldTmp.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
}

TEST(MessageDialog, RecorderAnswersFromItsQueueAndRecords) {
  DialogRecorder rec;
  rec.answer(DialogResult::No);
  EXPECT_EQ(showMessage("Save", "Record changes?", DialogIcon::Confirmation, DialogButtons::YesNo),
            DialogResult::No);
  ASSERT_EQ(rec.shown.size(), 1u);
  EXPECT_EQ(rec.shown[0].text, "Record changes?");
  rec.answerDefaults = true;
  EXPECT_EQ(showMessage("t", "x", DialogIcon::Warning, DialogButtons::OkCancel), DialogResult::Ok);
  EXPECT_EQ(rec.count("t"), 1);
}

TEST(MessageDialog, DefaultButtons) {
  EXPECT_EQ(defaultAnswer(DialogButtons::Ok), DialogResult::Ok);
  EXPECT_EQ(defaultAnswer(DialogButtons::Cancel), DialogResult::Cancel);
  EXPECT_EQ(defaultAnswer(DialogButtons::Retry), DialogResult::Retry);
  EXPECT_EQ(defaultAnswer(DialogButtons::YesNo), DialogResult::Yes);
  EXPECT_EQ(defaultAnswer(DialogButtons::OkCancel), DialogResult::Ok);
}
