#include "console/editors/cue_file_restructure.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/editors/editor_test_support.h"

namespace {

using namespace editor_test;

struct Show {
  QTemporaryDir dir;
  QString path;
  CueFile file;
  explicit Show(const std::vector<CueRecord>& cues) {
    path = dir.filePath("show.lcue");
    writeCueFile(path, cues);
    EXPECT_TRUE(file.open(path));
  }
};

std::vector<CueRecord> fiveCues() {
  std::vector<CueRecord> cues;
  for (int i = 1; i <= 5; ++i) cues.push_back(levelCue(i * 100, "cue " + QString::number(i), i * 10));
  return cues;
}

TEST(CueFileRestructure, InsertKeepsEveryOtherRecordByteForByte) {
  std::vector<CueRecord> cues = fiveCues();
  QByteArray noisy = cues[3].encode();
  noisy[1230] = char(0x77);  // an unused byte the codec keeps
  cues[3] = CueRecord::decode(noisy);
  Show show(cues);
  const QByteArray before = readBytes(show.path);

  insertCueRecords(show.file, 2, {levelCue(250, "new a"), levelCue(260, "new b")});

  const QByteArray after = readBytes(show.path);
  ASSERT_EQ(after.size(), 7 * kCueRecordSize);
  EXPECT_EQ(after.left(2 * kCueRecordSize), before.left(2 * kCueRecordSize));
  EXPECT_EQ(after.mid(4 * kCueRecordSize), before.mid(2 * kCueRecordSize));
  EXPECT_EQ(numbersIn(show.path), (std::vector<int>{100, 200, 250, 260, 300, 400, 500}));
  EXPECT_TRUE(show.file.isOpen());
  EXPECT_EQ(show.file.count(), 7);
  EXPECT_FALSE(QFile::exists(cueRestructureTempName(show.path)));
}

TEST(CueFileRestructure, DeleteAndSwap) {
  struct Case {
    const char* what;
    std::function<void(CueFile&)> change;
    std::vector<int> numbers;
  } cases[] = {
      {"second-to-last of five", [](CueFile& f) { deleteCueRecords(f, 3, 1); }, {100, 200, 300, 500}},
      {"last", [](CueFile& f) { deleteCueRecords(f, 4, 1); }, {100, 200, 300, 400}},
      {"range 3..5", [](CueFile& f) { deleteCueRecords(f, 2, 3); }, {100, 200}},
      {"range past the end", [](CueFile& f) { deleteCueRecords(f, 3, 10); }, {100, 200, 300}},
      {"everything", [](CueFile& f) { deleteCueRecords(f, 0, 5); }, {}},
      {"swap first two", [](CueFile& f) { swapCueRecords(f, 0, 1); }, {200, 100, 300, 400, 500}},
      {"swap out of range changes nothing",
       [](CueFile& f) { swapCueRecords(f, 4, 5); },
       {100, 200, 300, 400, 500}},
  };
  for (const Case& c : cases) {
    Show show(fiveCues());
    c.change(show.file);
    EXPECT_EQ(numbersIn(show.path), c.numbers) << c.what;
    EXPECT_EQ(show.file.count(), qint64(c.numbers.size())) << c.what;
  }
  Show show(fiveCues());
  deleteCueRecords(show.file, 3, 1);
  EXPECT_EQ(recordIn(show.path, 3).encode(), fiveCues()[4].encode()) << "the last record intact";
}

TEST(CueFileRestructure, ReportsMovedLoopCues) {
  std::vector<CueRecord> cues = fiveCues();
  cues[3].loopTarget = 300;  // row 4 loops back to cue 3
  {
    Show show(cues);
    EXPECT_TRUE(deleteCueRecords(show.file, 1, 1).loopCueMoved);
  }
  {
    Show show(cues);
    EXPECT_FALSE(deleteCueRecords(show.file, 4, 1).loopCueMoved) << "only records after the deleted one move";
  }
  {
    Show show(cues);
    EXPECT_TRUE(insertCueRecords(show.file, 3, {cue(350, "x")}).loopCueMoved);
  }
  {
    Show show(cues);
    EXPECT_FALSE(insertCueRecords(show.file, 4, {cue(450, "x")}).loopCueMoved);
  }
}

TEST(CueFileRestructure, AFailingRewriteLeavesTheFileIntact) {
  Show show(fiveCues());
  const QByteArray before = readBytes(show.path);
  // The new file cannot be created where it would be written.
  ASSERT_TRUE(QDir().mkdir(cueRestructureTempName(show.path)));
  EXPECT_THROW(insertCueRecords(show.file, 1, {cue(150, "x")}), CueFileError);
  EXPECT_THROW(deleteCueRecords(show.file, 1, 2), CueFileError);
  EXPECT_THROW(swapCueRecords(show.file, 0, 1), CueFileError);
  EXPECT_EQ(readBytes(show.path), before);
  EXPECT_TRUE(show.file.isOpen()) << "the cue file stays usable";
  EXPECT_EQ(show.file.readRecord(4).cueNumber, 500);
}

TEST(CueFileRestructure, RefusesAFileOpenedReadOnly) {
  Show show(fiveCues());
  show.file.close();
  QFile::setPermissions(show.path, QFileDevice::ReadOwner);
  CueFile readOnly;
  ASSERT_TRUE(readOnly.open(show.path));
  if (readOnly.records().isWritable()) GTEST_SKIP() << "permissions do not apply to this user";
  const QByteArray before = readBytes(show.path);
  EXPECT_THROW(deleteCueRecords(readOnly, 0, 1), CueFileError);
  EXPECT_EQ(readBytes(show.path), before);
}

TEST(CueFileRestructure, KeepsPlaybackRowsInsideTheTables) {
  struct Case {
    CuePlaybackRows rows;
    int count;
    CuePlaybackRows expected;
  } cases[] = {
      {{7, 9, 8}, 5, {5, 5, 5}},
      {{3, 2, 1}, 5, {3, 2, 1}},
      {{3, 2, 1}, 0, {0, 0, 0}},
      {{-1, 0, 4}, 2, {0, 0, 2}},
  };
  for (Case c : cases) {
    keepRowsInTables(c.rows, c.count);
    EXPECT_EQ(c.rows.CurrentCue, c.expected.CurrentCue);
    EXPECT_EQ(c.rows.RunningCue, c.expected.RunningCue);
    EXPECT_EQ(c.rows.LastSelectedRow, c.expected.LastSelectedRow);
  }
}

}  // namespace
