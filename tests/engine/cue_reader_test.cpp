#include "console/engine/cue_reader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

namespace {

using namespace cue_test;

// Records what the reader asks of the main window, and the state it sees at that moment.
class RecordingHost : public CueReadHost {
 public:
  explicit RecordingHost(const CueTables& t) : t_(t) {}
  void processMessages() override { calls << "messages"; }
  void cueListLoaded() override {
    calls << "list";
    loadingDuringCalls = loadingDuringCalls && t_.LoadingCues;
  }
  void followSpotCueRead(int row) override { calls << "prompter " + QString::number(row); }
  void cuesLoaded() override {
    calls << "loaded";
    cuesLoadedSeen = t_.CuesLoaded;
  }
  void submastersRead(const SubmasterFileSetup& s) override {
    calls << "subs";
    setup = s;
  }
  void readingFinished() override { calls << "finished"; }

  QStringList calls;
  SubmasterFileSetup setup;
  bool loadingDuringCalls = true;
  bool cuesLoadedSeen = false;

 private:
  const CueTables& t_;
};

class CueReaderTest : public ::testing::Test {
 protected:
  CueReadStatus read(const QString& path) {
    return readCueFile(path, file, tables, rows, settings, host, testOperator());
  }
  QString path(const QString& name) const { return dir.filePath(name); }

  CurrentDirGuard cwd;
  QTemporaryDir dir;
  CueFile file;
  CueTables tables;
  CuePlaybackRows rows;
  CueReadSettings settings;
  RecordingHost host{tables};
  DialogRecorder dialogs;
};

TEST_F(CueReaderTest, FillsTablesRowsAndTextsFromTheRecords) {
  CueRecord a = cue(100, "House to half", 30, 30);
  a.upDelay = 5;
  a.textColour = 0x0000FF;
  a.channelCountField = 2560;
  a.lock = 1;
  a.levels[0] = char(255);
  CueRecord b = cue(250, "Split", 30, 55);
  b.timingMode = 1;
  b.downDelay = 15;
  b.startMode = 1;
  CueRecord c = cue(300, "OSC", 25, 25);
  c.cueKind = kCueOscCommand;
  c.setMessageTextString("/cue/7/go");
  c.setHostString("127.0.0.1");
  c.port = 9000;
  c.advanceDelay = 20;
  c.timeCode = 93829;
  c.loopTarget = 100;
  c.loopCount = 3;
  c.loopFileKey = 2;
  c.advanceAfter = 1;
  writeCueFile(path("show.lcue"), {a, b, c});

  ASSERT_EQ(read(path("show.lcue")), CueReadStatus::Loaded);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(tables.CueCount, 3);
  EXPECT_EQ(tables.CueFileRecords, 3);
  EXPECT_TRUE(tables.CuesLoaded);
  EXPECT_FALSE(tables.LoadingCues);
  EXPECT_FALSE(tables.CueOrderProblem);
  EXPECT_EQ(tables.ChannelCountField, 2560);
  EXPECT_EQ(tables.ShowLock, 1);
  for (const auto& column : tables.CueTable) ASSERT_EQ(column.size(), 4u);

  const auto& T = tables.CueTable;
  EXPECT_EQ(T[CueColumn::Number][1], 100);
  EXPECT_EQ(T[CueColumn::RowColour][1], 0x0000FF);
  EXPECT_EQ(T[CueColumn::FadeUpTicks][1], 60);
  EXPECT_EQ(T[CueColumn::UpDelayTicks][1], 10);
  EXPECT_EQ(T[CueColumn::FadeDownTicks][2], 110);
  EXPECT_EQ(T[CueColumn::DownDelayTicks][2], 30);
  EXPECT_EQ(T[CueColumn::StartMode][2], 1);
  EXPECT_EQ(T[CueColumn::TimingMode][2], 1);
  EXPECT_EQ(T[CueColumn::AdvanceAfter][3], 1);
  EXPECT_EQ(T[CueColumn::LoopTarget][3], 100);
  EXPECT_EQ(T[CueColumn::LoopCount][3], 3);
  EXPECT_EQ(T[CueColumn::LoopFileKey][3], 2);
  EXPECT_EQ(T[CueColumn::CueKind][3], kCueOscCommand);
  EXPECT_EQ(T[CueColumn::Unused][3], 0);
  EXPECT_EQ(T[CueColumn::Port][3], 9000);
  EXPECT_EQ(T[CueColumn::AdvanceDelay][3], 20);
  EXPECT_EQ(T[CueColumn::TimeCode][3], 93829);

  EXPECT_EQ(tables.description(1), "House to half");
  EXPECT_EQ(tables.CueTexts[CueTextColumn::Levels][1].size(), 1024);
  EXPECT_EQ(uint8_t(tables.CueTexts[CueTextColumn::Levels][1][0]), 255);
  EXPECT_EQ(tables.messageText(3), "/cue/7/go");
  EXPECT_EQ(tables.host(3), "127.0.0.1");

  const CueListRow& r2 = tables.CueListRows[2];
  EXPECT_EQ(r2.number, "2.5");
  EXPECT_EQ(r2.description, "Split");
  EXPECT_EQ(r2.time, "3:5.5");
  EXPECT_EQ(r2.icon, kCueIconFollow);
  EXPECT_EQ(tables.CueListRows[1].number, "1");
  EXPECT_EQ(tables.CueListRows[1].time, "3");
  EXPECT_EQ(tables.CueListRows[1].textColour, 0x0000FF);
  EXPECT_EQ(tables.CueListRows[3].icon, kCueIconAdvanceAfter);

  EXPECT_EQ(host.calls, QStringList({"messages", "list", "loaded", "subs", "finished"}));
  EXPECT_TRUE(host.loadingDuringCalls);
  EXPECT_TRUE(host.cuesLoadedSeen);
  EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());
  EXPECT_TRUE(file.isOpen());
}

TEST_F(CueReaderTest, TicksFollowTheStepsPerSecond) {
  writeCueFile(path("show.lcue"), {cue(100, "a", 25, 25)});
  settings.StepsPerSecond = 20;
  read(path("show.lcue"));
  EXPECT_EQ(tables.CueTable[CueColumn::FadeUpTicks][1], 50);
  settings.StepsPerSecond = 25;  // Interval 40
  read(path("show.lcue"));
  EXPECT_EQ(tables.CueTable[CueColumn::FadeUpTicks][1], 62);
}

TEST_F(CueReaderTest, DuplicateNumberIsAnOrderProblem) {
  writeCueFile(path("show.lcue"), {cue(100, "One"), cue(250, "Two"), cue(250, "Third")});
  read(path("show.lcue"));
  EXPECT_EQ(tables.CueCount, 3);
  EXPECT_TRUE(tables.CueOrderProblem);
  EXPECT_EQ(tables.CueOrderNumber, 2);
  EXPECT_EQ(tables.CueOrderText, "Duplicate- 2 Third");
  EXPECT_EQ(tables.CueOrderRow, 3);
}

TEST_F(CueReaderTest, OrderCheckCases) {
  struct Case {
    std::vector<int> numbers;
    bool problem;
    int row;
    const char* text;
  };
  const Case cases[] = {
      {{0, 100}, true, 1, "Duplicate- 0 c1"},  // 0 equals the 0 before the first
      {{100, 200, 150, 300}, true, 3, "c3"},
      {{100, 200, 300}, false, 0, ""},
      {{500, 400, 300}, true, 3, "c3"},  // the last one is remembered
      {{-100}, true, 1, "c1"},
  };
  for (const auto& c : cases) {
    std::vector<CueRecord> records;
    for (size_t i = 0; i < c.numbers.size(); ++i)
      records.push_back(cue(c.numbers[i], "c" + QString::number(i + 1)));
    writeCueFile(path("show.lcue"), records);
    tables.CueOrderRow = 0;
    tables.CueOrderText.clear();
    read(path("show.lcue"));
    EXPECT_EQ(tables.CueOrderProblem, c.problem) << c.numbers.size();
    EXPECT_EQ(tables.CueOrderRow, c.row);
    EXPECT_EQ(tables.CueOrderText, c.text);
  }
}

TEST_F(CueReaderTest, FollowSpotCuesAskForThePrompter) {
  CueRecord fs = cue(200, "Spot");
  fs.cueKind = kCueFollowspotAlert;
  writeCueFile(path("show.lcue"), {cue(100, "a"), fs, cue(300, "c"), fs});
  read(path("show.lcue"));
  EXPECT_EQ(host.calls,
            QStringList({"messages", "list", "prompter 2", "prompter 4", "loaded", "subs", "finished"}));
}

TEST_F(CueReaderTest, KeepsPlaybackRowsWithinTheRowsRead) {
  writeCueFile(path("show.lcue"), {cue(100, "a"), cue(200, "b")});
  rows = {5, 4, 3};
  read(path("show.lcue"));
  EXPECT_EQ(rows.CurrentCue, 2);
  EXPECT_EQ(rows.RunningCue, 0);
  EXPECT_EQ(rows.LastSelectedRow, 1);
  rows = {1, 2, 2};
  read(path("show.lcue"));
  EXPECT_EQ(rows.CurrentCue, 1);
  EXPECT_EQ(rows.RunningCue, 2);
}

TEST_F(CueReaderTest, EmptyFileClearsEverythingOfThePreviousShow) {
  writeCueFile(path("show.lcue"), {cue(100, "a"), cue(200, "b")});
  read(path("show.lcue"));
  writeText(path("empty.subs"), "[Submasters]\r\nsubtitle0=Front\r\n");
  writeBytes(path("empty.lcue"), QByteArray());
  rows = {2, 1, 2};
  host.calls.clear();

  ASSERT_EQ(read(path("empty.lcue")), CueReadStatus::Empty);
  EXPECT_FALSE(tables.CuesLoaded);
  EXPECT_EQ(tables.CueCount, 0);
  EXPECT_EQ(tables.CueFileRecords, 0);
  for (const auto& column : tables.CueTable) EXPECT_EQ(column.size(), 1u);
  for (const auto& column : tables.CueTexts) EXPECT_EQ(column.size(), 1u);
  EXPECT_EQ(tables.CueListRows.size(), 1u);
  EXPECT_EQ(rows.CurrentCue, 0);
  EXPECT_EQ(rows.RunningCue, 0);
  EXPECT_EQ(rows.LastSelectedRow, 0);
  // The submaster file is still read; no activation for an empty show.
  EXPECT_EQ(host.calls, QStringList({"messages", "list", "subs", "finished"}));
  EXPECT_TRUE(host.setup.exists);
  EXPECT_EQ(host.setup.strips[0].title, "Front");
}

TEST_F(CueReaderTest, MissingFileShowsTheMessageAndKeepsTheTables) {
  writeCueFile(path("show.lcue"), {cue(100, "a")});
  read(path("show.lcue"));
  host.calls.clear();
  dialogs.answer(DialogResult::Ok);

  EXPECT_EQ(read(path("gone.lcue")), CueReadStatus::Missing);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Loading Cue File error");
  EXPECT_EQ(dialogs.shown[0].text,
            "Could not find the Cue file. Please use the menu option to locate your file.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Ok);
  EXPECT_EQ(tables.CueCount, 1);
  EXPECT_TRUE(tables.CuesLoaded);
  EXPECT_FALSE(tables.LoadingCues);
  EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(CueReaderTest, ATrailingPartialRecordIsNotRead) {
  writeBytes(path("show.lcue"), bytesOf({cue(100, "a"), cue(200, "b")}) + QByteArray(100, 'x'));
  read(path("show.lcue"));
  EXPECT_EQ(tables.CueCount, 2);
}

TEST(CueSubmasterFileTest, ReadsStripsAndMemberships) {
  QTemporaryDir dir;
  const QString subs = dir.filePath("show.subs");
  writeText(subs,
            "[Submasters]\r\nsubtitle0=Front\r\nsubcue0=front wash\r\nadditive0=1\r\n"
            "subtitle1=Back\r\nadditive1=0\r\nsubtitle2=Chase\r\nSubfile2=/shows/chase.lcue\r\n"
            "[SubMasterLevels]\r\nSublevels0=0,255,128,\r\nsublevels1=255,255,255,\r\nsublevels2=0\r\n"
            "sublevels3=9,x,12\r\n");
  const SubmasterFileSetup s = readSubmasterFileSetup(subs, 4, 10);
  EXPECT_TRUE(s.exists);
  EXPECT_EQ(s.strips[0].title, "Front");
  EXPECT_EQ(s.strips[0].hint, "front wash");
  EXPECT_TRUE(s.strips[0].additive);
  EXPECT_FALSE(s.strips[1].additive);
  EXPECT_TRUE(s.strips[2].hasLoopFile);
  EXPECT_TRUE(s.anyLoopFile);
  EXPECT_EQ(s.strips[4].title, "Unused");
  EXPECT_EQ(s.strips[0].levels, "0,255,128,");
  ASSERT_EQ(s.members.size(), 5u);
  auto member = [&](int ch, int k) { return s.members[ch][k]; };
  EXPECT_FALSE(member(1, 0));
  EXPECT_TRUE(member(2, 0));
  EXPECT_TRUE(member(3, 0));
  EXPECT_FALSE(member(4, 0));  // missing entry
  EXPECT_FALSE(member(1, 1));  // inhibitive strips have no members
  EXPECT_FALSE(member(1, 2));  // "0"
  EXPECT_FALSE(member(1, 3));  // 9 is not above the warm-up level 10
  EXPECT_FALSE(member(2, 3));  // not a number
  EXPECT_TRUE(member(3, 3));

  const SubmasterFileSetup none = readSubmasterFileSetup(dir.filePath("none.subs"), 4, 0);
  EXPECT_FALSE(none.exists);
  EXPECT_EQ(none.strips[7].title, "Unused");
  EXPECT_FALSE(none.anyLoopFile);
}

TEST(CueSubmasterFileTest, FileNameFollowsTheCueFileOrTheRepPlot) {
  EXPECT_EQ(submasterFileNameFor("/shows/my.show.lcue", false, "/prog"), "/shows/my.show.subs");
  EXPECT_EQ(submasterFileNameFor("/shows/show.lcue", true, "/prog"), "/prog/rep_plot.subs");
}

}  // namespace
