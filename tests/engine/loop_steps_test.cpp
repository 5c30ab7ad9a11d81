#include "console/engine/loop_steps.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

TEST(LoopSteps, SubmasterStepNeverEndsBeforeWhatWasLeft) {
  struct Case {
    int up, down, ticks, step, expected;
  } cases[] = {{40, 40, 60, 50, 40}, {40, 20, 60, 10, 50}, {0, 0, 0, 0, 1}, {0, 0, 3, 5, 1}};
  for (const Case& c : cases) EXPECT_EQ(loops::subStepTicks(c.up, c.down, c.ticks, c.step), c.expected);
}

TEST(LoopSteps, SubmasterFileFlagsItsChannelsAndHoldsTheOthers) {
  QTemporaryDir dir;
  ConsoleState S;
  S.MaxChannels = 8;
  S.Fixtures.WarmUpLevels[2] = 0x0120;  // low byte 0x20
  S.DmxOutBuffer[3] = 99;               // channel 4's output now
  std::vector<CueRecord> records{cue_test::cue(100, "a", 10), cue_test::cue(200, "b"),
                                 cue_test::cue(300, "c")};
  records[0].levels[0] = char(200);
  records[1].levels[1] = char(0x20);  // at its warm-up level: not in the loop
  records[2].levels[4] = char(10);
  records[2].loopTarget = 100;
  cue_test::writeCueFile(dir.filePath("chase.lcue"), records);
  LoopTables loops;
  const auto load = loops::ReadSubloopCues(S, dir.filePath("chase.lcue"), loops, testOperator());
  ASSERT_TRUE(load);
  EXPECT_EQ(load->LoopPosition, 999999);
  EXPECT_EQ(loops.steps(), 3);
  EXPECT_TRUE(S.SubFlags[1]);
  EXPECT_FALSE(S.SubFlags[2]);
  EXPECT_TRUE(S.SubFlags[5]);
  EXPECT_EQ(uint8_t(loops.LoopLevels[2][3]), 99) << "channel 4 holds its output in every step";
  EXPECT_EQ(loops.LoopTable[LoopColumn::FadeUpTicks][1], 20);
  EXPECT_EQ(loops.LoopTable[LoopColumn::Number][3], 300);

  // The targets of a step at half scale; a channel already there keeps its step.
  S.CurrentLevels[5] = 5;
  loops::computeStepTargets(S, loops, 1, true, false, 0.5);
  EXPECT_EQ(S.TargetLevels[1], 100);
  EXPECT_FLOAT_EQ(S.LevelSteps[1], 100.0f / 20);
  S.LevelSteps[5] = 7;
  loops::computeStepTargets(S, loops, 3, true, false, 0.5);
  EXPECT_FLOAT_EQ(S.LevelSteps[5], 7) << "already at 5";

  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  LoopTables untouched = loops;
  EXPECT_FALSE(loops::ReadSubloopCues(S, dir.filePath("missing.lcue"), loops, testOperator()));
  EXPECT_EQ(dialogs.count("Cue File problem"), 1);
  EXPECT_EQ(loops.steps(), untouched.steps());
}
