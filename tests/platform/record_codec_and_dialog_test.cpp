#include <gtest/gtest.h>

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

TEST(SingleInstance, SecondHolderIsRefusedAndLockFreedOnRelease) {
  QTemporaryDir dir;
  const QByteArray oldTmp = qgetenv("TMPDIR");
  qputenv("TMPDIR", dir.path().toUtf8());
  {
    SingleInstance first;
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(SingleInstance::heldByAnother());
    SingleInstance second;
    EXPECT_FALSE(second.acquire());
  }
  EXPECT_FALSE(SingleInstance::heldByAnother());
  qputenv("TMPDIR", oldTmp);
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
