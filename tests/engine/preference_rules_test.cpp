#include "console/engine/preference_rules.h"

#include <gtest/gtest.h>

TEST(PreferenceRules, ChannelCountCap) {
  struct Case {
    const char* typed;
    int type;
    const char* shown;
  } cases[] = {{"600", 0, "512"},   {"600", 1, "512"},   {"600", 7, "512"}, {"600", 2, "600"},
               {"2000", 6, "1024"}, {"2000", 3, "1024"}, {"512", 0, "512"}, {"", 0, ""}};
  for (const Case& c : cases)
    EXPECT_EQ(capChannelCountText(c.typed, c.type), c.shown) << c.typed << " " << c.type;
  EXPECT_EQ(channelCountDigits(0), 3);
  EXPECT_EQ(channelCountDigits(6), 4);
}

TEST(PreferenceRules, BandTexts) {
  EXPECT_EQ(bandListFromCell("3 5 7"), "|3|5|7|");
  EXPECT_EQ(bandListFromCell(" 3  5 "), "|3|5|");
  EXPECT_EQ(bandListFromCell(""), "||");
  EXPECT_EQ(cellFromBandList("|3|5|7|"), "3 5 7");
  EXPECT_EQ(cellFromBandList("||"), "");
  int m = -1;
  EXPECT_TRUE(bandMinimumFromCell("", m));
  EXPECT_EQ(m, 0);
  EXPECT_TRUE(bandMinimumFromCell("300", m));
  EXPECT_EQ(m, 255);
  EXPECT_TRUE(bandMinimumFromCell(" 12 ", m));
  EXPECT_EQ(m, 12);
  EXPECT_FALSE(bandMinimumFromCell("1 2", m));
}
