#include "console/engine/keypad_parse.h"

#include <gtest/gtest.h>

#include "console/engine/channel_groups.h"

namespace {

using E = KeypadParse::Error;
using Kind = KeypadOp::Kind;

KeypadOp single(int n) { return {Kind::Single, n, n, 0, {}}; }
KeypadOp range(int s, int e, int x = 0) { return {Kind::Range, s, e, x, {}}; }
KeypadOp group(QChar k) { return {Kind::Group, 0, 0, 0, k}; }

}  // namespace

TEST(KeypadParse, LinesAt256Channels) {
  struct Case {
    const char* line;
    E error;
    std::vector<KeypadOp> ops;
    const char* level;
  } cases[] = {
      {"12@50", E::None, {single(12)}, "50"},
      {"12*50", E::None, {single(12)}, "50"},
      {"  12@50 \t", E::None, {single(12)}, "50"},
      {"@50", E::LevelMissing, {}, ""},
      {"12 50", E::LevelMissing, {}, ""},
      {"10/1@30", E::None, {range(10, 1)}, "30"},
      {"1/10-5@40", E::None, {range(1, 10, 5)}, "40"},
      {"1+3+5/7@60", E::None, {single(1), single(3), range(5, 7)}, "60"},
      {"1+x/3@60", E::Problem, {single(1)}, "60"},
      {"+1@5", E::Problem, {}, "5"},
      {"1++2@5", E::Problem, {single(1)}, "5"},
      {"1+@5", E::None, {single(1)}, "5"},
      {"g2@80", E::None, {group('2')}, "80"},
      {"GC@80", E::None, {group('C')}, "80"},
      {"gz@80", E::None, {group('z')}, "80"},
      {"g@80", E::Problem, {}, "80"},
      {"12@", E::None, {single(12)}, ""},
      {"300@5", E::Problem, {}, "5"},
      {"0@5", E::Problem, {}, "5"},
      {"1/300@5", E::Problem, {}, "5"},
      {"1/x@5", E::Problem, {}, "5"},   // taken as 0 outside a "+" line, then out of range
      {"-1/3@5", E::Problem, {}, "5"},  // a part before "/" holding "-" is no number
      {"1/10-x@5", E::Problem, {}, "5"},
      {"2*3@4", E::None, {single(2)}, "3@4"},  // the first "*" divides a line holding both
      {"5@1*2", E::Problem, {}, "2"},
  };
  for (const Case& c : cases) {
    const KeypadParse p = parsetext(c.line, 256);
    EXPECT_EQ(p.error, c.error) << c.line;
    EXPECT_EQ(p.ops, c.ops) << c.line;
    if (c.error != E::LevelMissing) {
      EXPECT_EQ(p.level, c.level) << c.line;
    }
  }
}

TEST(ChannelGroups, KeysAndIndexes) {
  EXPECT_EQ(groupIndexOfKey('0'), 0);
  EXPECT_EQ(groupIndexOfKey('9'), 9);
  EXPECT_EQ(groupIndexOfKey('a'), 10);
  EXPECT_EQ(groupIndexOfKey('C'), 12);
  EXPECT_EQ(groupIndexOfKey('v'), 31);
  EXPECT_EQ(groupIndexOfKey('w'), -1);
  EXPECT_EQ(groupIndexOfKey('/'), -1);
  EXPECT_EQ(groupFileKey(0), "g0");
  EXPECT_EQ(groupFileKey(12), "gc");
  EXPECT_EQ(groupFileKey(31), "gv");
}
