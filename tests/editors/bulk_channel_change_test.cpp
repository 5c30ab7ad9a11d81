#include "console/editors/bulk_channel_change.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "tests/engine/cue_test_util.h"

using cue_test::cue;

namespace {

// A show of 1024 channels with cues 1, 2, 2.5, 3, 7, 7.5 and 9; channel 12 at byte 76 in every cue
// except cue 2 (at 0); channel 30 at 76 in cues 1 and 3, 51 elsewhere.
struct BulkFixture {
  QTemporaryDir dir;
  QString path = dir.filePath("show.lcue");
  ConsoleState S;
  CueFile file;
  std::vector<int> numbers = {100, 200, 250, 300, 700, 750, 900};

  explicit BulkFixture(std::vector<int> order = {}) {
    if (!order.empty()) numbers = order;
    S.MaxChannels = 1024;
    std::vector<CueRecord> records;
    for (int n : numbers) {
      CueRecord c = cue(n, "Cue " + QString::number(n));
      c.levels[11] = char(n == 200 ? 0 : 76);
      c.levels[29] = char(n == 100 || n == 300 ? 76 : 51);
      records.push_back(c);
    }
    cue_test::writeCueFile(path, records);
    S.Cues.CueCount = int(numbers.size());
    EXPECT_TRUE(file.open(path));
  }
  int level(int cueIndex, int channel) { return uint8_t(file.readRecord(cueIndex).levels[channel - 1]); }
  int row(int number) { return int(std::find(numbers.begin(), numbers.end(), number) - numbers.begin()); }
  BulkOutcome apply(BulkMode mode, const QString& channel, const QString& level, const QString& cues,
                    const QString& target = {}, const QString& from = {}, bool u2 = false) {
    BulkChangeRequest q;
    q.mode = mode;
    q.channel = channel;
    q.newLevel = level;
    q.cues = cues;
    q.target = target;
    q.oldLevel = from;
    q.universe2 = u2;
    return applyBulkChange(file, S, q);
  }
};

}  // namespace

TEST(BulkChannelChange, CueListsBecomeRangesInRoundedHundredths) {
  EXPECT_EQ(parseCueList("1-3,7"), (std::vector<CueRange>{{100, 300}, {700, 700}}));
  EXPECT_EQ(parseCueList(" 1.15 , 0.29-2.5"), (std::vector<CueRange>{{115, 115}, {29, 250}}));
  // Empty elements name no cue; an unreadable number counts as 0.
  EXPECT_EQ(parseCueList("4,,x"), (std::vector<CueRange>{{400, 400}, {0, 0}}));
}

TEST(BulkChannelChange, AddToSetsTheLevelInTheListedCuesOnly) {
  BulkFixture f;
  const BulkOutcome out = f.apply(BulkMode::AddTo, "12", "50", "1-3,7");
  EXPECT_EQ(out.status, BulkStatus::Done);
  for (int n : {100, 200, 250, 300, 700}) EXPECT_EQ(f.level(f.row(n), 12), 127) << n;
  EXPECT_EQ(f.level(f.row(750), 12), 76);
  EXPECT_EQ(f.level(f.row(900), 12), 76);
}

TEST(BulkChannelChange, UniverseTwoRawAndPercentLimits) {
  BulkFixture f;
  EXPECT_EQ(f.apply(BulkMode::AddTo, "5", "100", "9", {}, {}, true).status, BulkStatus::Done);
  EXPECT_EQ(f.level(f.row(900), 517), 255);
  EXPECT_EQ(f.level(f.row(900), 5), 0);

  const QByteArray before = cue_test::readBytes(f.path);
  EXPECT_EQ(f.apply(BulkMode::AddTo, "12", "101", "1").status, BulkStatus::IntensityChannel);
  EXPECT_EQ(cue_test::readBytes(f.path), before);

  f.S.RawChannels[12] = true;
  EXPECT_EQ(f.apply(BulkMode::AddTo, "12", "255", "1").status, BulkStatus::Done);
  EXPECT_EQ(f.level(f.row(100), 12), 255);
}

TEST(BulkChannelChange, MoveGivesTheTargetTheLevelAndTheSourceItsWarmUp) {
  BulkFixture f;
  f.S.Fixtures.WarmUpLevels[12] = 5;
  EXPECT_EQ(f.apply(BulkMode::Move, "12", "", "2.5", "14").status, BulkStatus::Done);
  EXPECT_EQ(f.level(f.row(250), 14), 76);
  EXPECT_EQ(f.level(f.row(250), 12), 5);
  EXPECT_EQ(f.level(f.row(300), 14), 0);
  EXPECT_EQ(f.level(f.row(300), 12), 76);
}

TEST(BulkChannelChange, ChangeReplacesOnlyTheMatchingLevel) {
  BulkFixture f;
  EXPECT_EQ(f.apply(BulkMode::Change, "30", "40", "1-9", {}, "30").status, BulkStatus::Done);
  for (int n : f.numbers) EXPECT_EQ(f.level(f.row(n), 30), n == 100 || n == 300 ? 102 : 51) << n;
}

TEST(BulkChannelChange, OutOfOrderCuesStopARangeEarly) {
  // 1, 2, 10, 3: the range 1-3 ends its scan at cue 10, so cue 3 stays.
  BulkFixture f({100, 200, 1000, 300});
  f.apply(BulkMode::AddTo, "12", "100", "1-3");
  EXPECT_EQ(f.level(0, 12), 255);
  EXPECT_EQ(f.level(1, 12), 255);
  EXPECT_EQ(f.level(2, 12), 76);
  EXPECT_EQ(f.level(3, 12), 76);
}

TEST(BulkChannelChange, RefusedRequestsLeaveTheFileByteIdentical) {
  struct Case {
    const char* name;
    int maxChannels;
    BulkMode mode;
    QString channel, target, cues;
    bool u2;
    BulkStatus status;
    int bad;
  };
  const Case cases[] = {
      {"channel 0", 1024, BulkMode::AddTo, "0", "", "1", false, BulkStatus::ChannelOutOfRange, 0},
      {"above the show", 24, BulkMode::AddTo, "25", "", "1", false, BulkStatus::ChannelOutOfRange, 25},
      {"universe 2 of a small show", 512, BulkMode::AddTo, "5", "", "1", true, BulkStatus::ChannelOutOfRange,
       517},
      {"move target out", 24, BulkMode::Move, "12", "999", "1", false, BulkStatus::ChannelOutOfRange, 999},
      {"empty channel", 1024, BulkMode::AddTo, "", "", "1", false, BulkStatus::NothingToDo, 0},
      {"empty cue list", 1024, BulkMode::AddTo, "12", "", "", false, BulkStatus::NothingToDo, 0},
      {"empty target", 1024, BulkMode::Move, "12", "", "1", false, BulkStatus::NothingToDo, 0},
  };
  for (const Case& c : cases) {
    BulkFixture f;
    f.S.MaxChannels = c.maxChannels;
    const QByteArray before = cue_test::readBytes(f.path);
    const BulkOutcome out = f.apply(c.mode, c.channel, "50", c.cues, c.target, {}, c.u2);
    EXPECT_EQ(out.status, c.status) << c.name;
    EXPECT_EQ(out.badChannel, c.bad) << c.name;
    EXPECT_EQ(cue_test::readBytes(f.path), before) << c.name;
  }
}

TEST(BulkChannelChange, OnlyTheChangedBytesOfTheFileDiffer) {
  BulkFixture f;
  const QByteArray before = cue_test::readBytes(f.path);
  f.apply(BulkMode::AddTo, "12", "50", "7");
  const QByteArray after = cue_test::readBytes(f.path);
  ASSERT_EQ(after.size(), before.size());
  int differing = 0;
  for (int i = 0; i < before.size(); ++i)
    if (before[i] != after[i]) {
      ++differing;
      EXPECT_EQ(i, f.row(700) * kCueRecordSize + cue_offset::Levels + 11);
    }
  EXPECT_EQ(differing, 1);
}
