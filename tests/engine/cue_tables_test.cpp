#include "console/engine/cue_tables.h"

#include <gtest/gtest.h>

namespace {

struct TickCase {
  int tenths;
  int stepsPerSecond;
  int ticks;
};

TEST(CueTablesTest, TicksFromTenthsRoundHalfToEven) {
  const TickCase cases[] = {
      {25, 20, 50},   {25, 25, 62},  // 62.5 -> 62
      {15, 25, 38},                  // 37.5 -> 38
      {5, 25, 12},                   // 12.5 -> 12
      {7, 25, 18},                   // 17.5 -> 18
      {1, 33, 3},                    // 3.3
      {3, 33, 10},                   // 9.9
      {0, 25, 0},     {-25, 25, -62},
      {-15, 25, -38}, {2147483647, 1000, 2147483647},  // beyond the range of the column: clamped
  };
  for (const auto& c : cases)
    EXPECT_EQ(fadeTicks(c.tenths, c.stepsPerSecond), c.ticks)
        << c.tenths << " tenths at " << c.stepsPerSecond;
}

TEST(CueTablesTest, CueNumbersAsShortestDecimalText) {
  const std::pair<int, const char*> cases[] = {{1250, "12.5"}, {100, "1"},    {1205, "12.05"},  {0, "0"},
                                               {5, "0.05"},    {-50, "-0.5"}, {99999, "999.99"}};
  for (const auto& [n, text] : cases) EXPECT_EQ(cueNumberText(n), text) << n;
}

TEST(CueTablesTest, TimeColumnText) {
  EXPECT_EQ(cueTimeText(30, 55, 1, '.'), "3:5.5");  // split fade
  EXPECT_EQ(cueTimeText(25, 25, 0, '.'), "2.5");
  EXPECT_EQ(cueTimeText(25, 99, 2, '.'), "2.5");  // only the split fade shows the down time
  EXPECT_EQ(cueTimeText(0, 0, 0, '.'), "0");
  EXPECT_EQ(cueTimeText(25, 5, 1, ','), "2,5:0,5");  // the locale's separator
  EXPECT_EQ(cueTimeText(1200, 0, 0, '.'), "120");
}

TEST(CueTablesTest, IconIsTheFirstRuleThatApplies) {
  struct IconCase {
    int startMode, advanceAfter, loopTarget, cueKind, icon;
  };
  const IconCase cases[] = {
      {1, 1, 0, 2, kCueIconFollow},  // follow wins over everything when not a loop cue
      {1, 0, 200, 0, kCueIconLoop},  // a follow loop cue shows the loop
      {0, 1, 200, 2, kCueIconAdvanceAfter}, {0, 0, 200, 3, kCueIconLoop}, {0, 0, 0, 2, kCueIconFollowspot},
      {2, 0, 0, 1, kCueIconFile},           {2, 0, 0, 3, kCueIconOsc},    {2, 0, 0, 0, kCueIconTimeCode},
      {0, 0, 0, 4, kCueIconNone},           {0, 0, 0, 0, kCueIconNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cueIcon(c.startMode, c.advanceAfter, c.loopTarget, c.cueKind), c.icon)
        << c.startMode << c.advanceAfter << c.loopTarget << c.cueKind;
}

TEST(CueTablesTest, ResizeGivesEveryColumnRecordsPlusOneEmptyRows) {
  CueTables t;
  t.resize(3);
  for (const auto& column : t.CueTable) EXPECT_EQ(column.size(), 4u);
  for (const auto& column : t.CueTexts) EXPECT_EQ(column.size(), 4u);
  EXPECT_EQ(t.CueListRows.size(), 4u);
  t.CueTable[CueColumn::Number][3] = 7;
  t.resize(0);
  EXPECT_EQ(t.CueTable[CueColumn::Number].size(), 1u);
  EXPECT_EQ(t.CueTable[CueColumn::Number][0], 0);
  EXPECT_EQ(t.description(5), QString());  // out of range reads as empty
}

}  // namespace
