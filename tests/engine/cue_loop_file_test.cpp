#include "console/engine/cue_loop_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

namespace {

using namespace cue_test;

CueRecord step(int number, std::initializer_list<std::pair<int, int>> levels, int loopTarget = 0,
               int loopCount = 0) {
  CueRecord c = cue(number, "step", 25, 15);
  c.upDelay = 5;
  c.downDelay = 10;
  c.timingMode = 1;
  c.advanceAfter = 1;
  c.loopTarget = loopTarget;
  c.loopCount = loopCount;
  for (const auto& [ch, level] : levels) c.levels[ch - 1] = char(level);
  return c;
}

class LoopFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    output.fill(0);
    output[0] = 77;
    cues.resize(3);
    cues.CueCount = 3;
    for (int r = 1; r <= 3; ++r) cues.CueTexts[CueTextColumn::Levels][r] = QByteArray(1024, char(r * 10));
    input.StepsPerSecond = 25;
    input.MaxChannels = 4;
    input.Cues = &cues;
    input.CurrentOutput = output;
    input.WarmUpLevel = [](int ch) { return ch == 3 ? 256 + 20 : 20; };  // only the low byte counts
  }
  QString path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  std::array<uint8_t, 8> output{};
  CueTables cues;
  LoopReadInput input;
  LoopTables loops;
  DialogRecorder dialogs;
};

TEST_F(LoopFileTest, LoadsStepsFlagsAndLoopPosition) {
  writeCueFile(path("loop.lcue"), {step(100, {{1, 255}}), step(200, {{2, 30}, {3, 20}}), step(300, {{3, 21}}),
                                   step(400, {}, 100, 3)});
  input.CurrentCue = 3;
  const auto load = ReadloopCues(path("loop.lcue"), loops, input, testOperator());
  ASSERT_TRUE(load);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(loops.steps(), 4);
  EXPECT_EQ(uint8_t(loops.LoopLevels[1][0]), 255);
  const auto& T = loops.LoopTable;
  EXPECT_EQ(T[LoopColumn::Number][2], 200);
  EXPECT_EQ(T[LoopColumn::FadeUpTicks][1], 62);  // 62.5 to even
  EXPECT_EQ(T[LoopColumn::FadeDownTicks][1], 38);
  EXPECT_EQ(T[LoopColumn::UpDelayTicks][1], 12);
  EXPECT_EQ(T[LoopColumn::DownDelayTicks][1], 25);
  EXPECT_EQ(T[LoopColumn::Step][4], 1);
  EXPECT_EQ(T[LoopColumn::AdvanceAfter][4], 1);
  EXPECT_EQ(T[LoopColumn::TimingMode][4], 1);
  EXPECT_EQ(T[LoopColumn::LoopTarget][4], 100);
  EXPECT_EQ(T[LoopColumn::LoopCount][4], 3);
  EXPECT_EQ(T[1][4], 0);
  EXPECT_EQ(T[11][4], 0);

  EXPECT_EQ(load->LoopPosition, 3);
  EXPECT_EQ(load->SubLoopScale, 1.0);
  EXPECT_EQ(load->CueLevels, cues.CueTexts[CueTextColumn::Levels][2]);  // the row above the selected one
  // The flags are those of the last step, which holds no level: no channel is moved by the loop.
  ASSERT_EQ(load->SubFlags.size(), 5u);
  EXPECT_EQ(load->SubFlags, std::vector<bool>(5, false));
}

TEST_F(LoopFileTest, OnlyTheLastStepsChannelsTakePart) {
  // Every channel warms up at 20 (channel 3 at 276, whose low byte is 20).
  struct Case {
    const char* what;
    std::vector<CueRecord> steps;
    std::vector<bool> flags;  // entries 0..4
  };
  const Case cases[] = {
      {"last step lights 2 and 3",
       {step(100, {{1, 255}, {4, 9}}), step(200, {{2, 30}, {3, 21}})},
       {false, false, true, true, false}},
      {"a channel lit before the last step only",
       {step(100, {{1, 255}}), step(200, {{2, 30}})},
       {false, false, true, false, false}},
      {"at its warm-up level in the last step",
       {step(100, {{3, 200}}), step(200, {{3, 20}, {4, 21}})},
       {false, false, false, false, true}},
      {"one step", {step(100, {{1, 25}})}, {false, true, false, false, false}},
  };
  for (const Case& c : cases) {
    writeCueFile(path("loop.lcue"), c.steps);
    const auto load = ReadloopCues(path("loop.lcue"), loops, input, testOperator());
    ASSERT_TRUE(load) << c.what;
    EXPECT_EQ(load->SubFlags, c.flags) << c.what;
  }
}

TEST_F(LoopFileTest, LoopPositionCases) {
  struct Case {
    std::vector<CueRecord> steps;
    int position;
  };
  const Case cases[] = {
      {{step(100, {}), step(200, {})}, 0},                  // no loop-back step
      {{step(100, {}), step(200, {}, 100, 0)}, 999999},     // count 0 loops for ever
      {{step(100, {}, 100, 2), step(200, {}, 100, 5)}, 5},  // the last loop-back step counts
      {{step(100, {}, 100, 2), step(200, {}, 100, 0)}, 999999},
  };
  for (const auto& c : cases) {
    writeCueFile(path("loop.lcue"), c.steps);
    const auto load = ReadloopCues(path("loop.lcue"), loops, input, testOperator());
    ASSERT_TRUE(load);
    EXPECT_EQ(load->LoopPosition, c.position);
  }
}

TEST_F(LoopFileTest, OnTheFirstRowTheLevelsComeFromTheOutput) {
  writeCueFile(path("loop.lcue"), {step(100, {})});
  input.CurrentCue = 1;
  const auto load = ReadloopCues(path("loop.lcue"), loops, input, testOperator());
  ASSERT_TRUE(load);
  ASSERT_EQ(load->CueLevels.size(), 8);
  EXPECT_EQ(uint8_t(load->CueLevels[0]), 77);
}

TEST_F(LoopFileTest, UnreadableFileShowsTheProblemAndKeepsTheTables) {
  writeCueFile(path("loop.lcue"), {step(100, {}), step(200, {})});
  ASSERT_TRUE(ReadloopCues(path("loop.lcue"), loops, input, testOperator()));
  for (const QString& bad : {path("gone.lcue"), QString()}) {
    dialogs.shown.clear();
    dialogs.answer(DialogResult::Ok);
    EXPECT_FALSE(ReadloopCues(bad, loops, input, testOperator()));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Cue File problem");
    EXPECT_EQ(dialogs.shown[0].text, "Cannot read the cue's file:\n\r" + bad);
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
    EXPECT_EQ(loops.steps(), 2);
  }
}

TEST(LoopFileListTest, LooksUpTheKeyInTheLoopList) {
  QTemporaryDir dir;
  const QString show = dir.filePath("show.lcue");
  EXPECT_EQ(LookupFile(show, 1), QString());  // no list yet
  writeText(dir.filePath("show.loop"), "[Files]\r\n0=\r\n1=/shows/chase.lcue\r\n2=\r\n");
  EXPECT_EQ(loopFileListName(show), dir.filePath("show.loop"));
  EXPECT_EQ(LookupFile(show, 1), "/shows/chase.lcue");
  EXPECT_EQ(LookupFile(show, 2), QString());
  EXPECT_EQ(LookupFile(show, 3), QString());
}

}  // namespace
