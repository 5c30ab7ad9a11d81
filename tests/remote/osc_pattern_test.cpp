#include "console/remote/osc_pattern.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct PatternCase {
  const char* pattern;
  const char* address;
  bool matches;
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.pattern << " ~ " << c.address; }

class OscPatternTest : public testing::TestWithParam<PatternCase> {};

TEST_P(OscPatternTest, MatchesWholeAddress) {
  const PatternCase& c = GetParam();
  EXPECT_EQ(OscPatternMatch(std::string(c.pattern), std::string(c.address)), c.matches)
      << "pattern " << c.pattern << " address " << c.address;
}

const PatternCase kCases[] = {
    // The console's own addresses.
    {"/eos/*", "/eos/user/0/chan/3", true},  // "*" crosses "/"
    {"/TC/tim?", "/TC/time", true},
    {"/TC/t[a-i]me", "/TC/time", true},
    {"/[!A-Z]C/time", "/TC/time", false},
    {"/{TC,MTC}/time", "/TC/time", true},
    {"/{TC,MTC}/time", "/MTC/time", true},
    {"/{TC,MTC}/time", "/time", false},
    {"/vqlight", "/vqlight", true},
    {"/vqlight", "/vqlight/play", false},
    {"/vqlight/play", "/vqlight", false},
    {"/VQLIGHT", "/vqlight", false},  // case-sensitive
    // "?" and "*".
    {"?", "", false},
    {"/a?", "/a", false},
    {"*", "", true},
    {"**", "", true},
    {"", "", true},
    {"", "/a", false},
    {"/a*", "/a", true},
    {"/a*b", "/ab", true},
    {"/a*b", "/axx/b", true},
    {"/a*b", "/axx/bc", false},
    {"*/*/*", "/a/b", true},
    {"*a*b*c*", "xxaxxbxxc", true},
    {"*a*b*c*", "xxcxxbxxa", false},
    {"/*/chan/?", "/eos/user/0/chan/3", true},
    // Character sets.
    {"[abc]", "b", true},
    {"[abc]", "d", false},
    {"[!abc]", "d", true},
    {"[!abc]", "a", false},
    {"[a-c]", "c", true},
    {"[a-c]", "d", false},
    {"[c-a]", "b", false},  // an upside-down range is empty
    {"[!a-c]", "d", true},
    {"[-a]", "-", true},  // "-" first is a plain member
    {"[a-]", "-", true},  // "-" last is a plain member
    {"[a-]", "b", false},
    {"[a!]", "!", true},  // "!" only negates right after "["
    {"[!!]", "!", false},
    {"[]", "a", false},    // an empty set matches nothing
    {"[!]", "a", true},    // and its negation anything
    {"[abc", "a", false},  // no closing "]"
    {"/a[", "/ab", false},
    {"[a]", "", false},
    {"[a-z][0-9]", "q7", true},
    // Lists of alternatives.
    {"{a,ab}c", "abc", true},  // a failing first choice does not stop the second
    {"{ab,a}bc", "abc", true},
    {"{ab,a}c", "abbc", false},
    {"{ab,a}bc", "abbc", true},
    {"/x{,y}", "/xy", true},
    {"/x{,y}/z", "/x/z", true},  // an empty alternative
    {"/x{,y}", "/x", false},     // but not at the end of the address
    {"{a*,b}", "a*", true},      // alternatives are taken literally
    {"{a*,b}", "ab", false},
    {"{a,b", "a", false},   // no closing "}"
    {"/a}", "/a}", false},  // "]" and "}" never match outside a set or list
    {"/a]", "/a]", false},
    {"{a,b}{c,d}", "bd", true},
    {"{foo,bar}*[0-9]", "bar/x/7", true},
};

INSTANTIATE_TEST_SUITE_P(Table, OscPatternTest, testing::ValuesIn(kCases));

TEST(OscPatternTextTest, ComparesSixteenBitCharacters) {
  EXPECT_TRUE(OscPatternMatch(std::string("/caf?"), std::string("/caf\xC3\xA9")));  // é is one character
  EXPECT_FALSE(OscPatternMatch(std::string("/caf??"), std::string("/caf\xC3\xA9")));
  EXPECT_TRUE(OscPatternMatch(std::string("[\xC3\xA0-\xC3\xA4]"), std::string("\xC3\xA2")));  // [à-ä] holds â
  EXPECT_TRUE(OscPatternMatch(std::string("??"), std::string("\xF0\x9F\x98\x80")));  // a surrogate pair
  EXPECT_FALSE(OscPatternMatch(std::string("?"), std::string("\xF0\x9F\x98\x80")));
  EXPECT_TRUE(OscPatternMatch(std::u16string(u"/{caf\u00E9,tea}"), std::u16string(u"/caf\u00E9")));
  // An invalid byte stands for one character.
  EXPECT_TRUE(OscPatternMatch(std::string("a?b"), std::string("a\xFF"
                                                              "b")));
}

TEST(OscPatternTextTest, HostilePatternsStayCheap) {
  // Patterns that make a backtracking matcher take exponential time: each finishes at once here.
  const std::string address(200, 'a');
  std::string stars;
  for (int i = 0; i < 40; ++i) stars += "*a";
  EXPECT_FALSE(OscPatternMatch(stars + "b", address));
  EXPECT_TRUE(OscPatternMatch(stars + "*", address));

  std::string braces;
  for (int i = 0; i < 40; ++i) braces += "{a,aa,}*";
  EXPECT_FALSE(OscPatternMatch(braces + "b", address));

  EXPECT_TRUE(OscPatternMatch(std::string(100000, '*'), address));
  EXPECT_FALSE(OscPatternMatch(std::string(100000, '?'), address));
  EXPECT_TRUE(
      OscPatternMatch(std::string(50000, '[') + "]", std::string("[")));  // members up to the first "]"
}

}  // namespace
