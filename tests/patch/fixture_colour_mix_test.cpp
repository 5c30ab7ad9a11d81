#include "console/patch/fixture_colour_mix.h"

#include <gtest/gtest.h>

#include "console/patch/gel_palettes.h"
#include "tests/patch/patch_test_support.h"

TEST(FixtureColourMix, IntensityPercentToDmx) {
  const std::pair<int, int> cases[] = {{0, 0},    {10, 26},   {30, 76},   {50, 127}, {70, 178},
                                       {90, 229}, {100, 255}, {101, 255}, {-4, 0},   {1000, 255}};
  for (auto [percent, dmx] : cases) EXPECT_EQ(intensityByte(percent), dmx) << percent;
  EXPECT_EQ(colourByte(300), 255);  // limited, never its low byte
  EXPECT_EQ(colourByte(-1), 0);
  EXPECT_EQ(fieldNumber(""), 0);
  EXPECT_EQ(fieldNumber("12a"), 0);
  EXPECT_EQ(fieldNumber(" 77 "), 77);
}

TEST(FixtureColourMix, SetcolorsFollowsTheAddressRule) {
  SelectedTypeLayout l;
  l.IntensityOffset = 1;
  l.RedOffset = 2;
  l.GreenOffset = 3;
  l.BlueOffset = 4;
  const FixtureMix mix{"50", "300", "", "x", "9", "9"};
  const auto w = setcolors(l, mix, 12, 1033);
  ASSERT_EQ(w.size(), 4u);  // no amber, no white
  EXPECT_EQ(w[0].index, 11);
  EXPECT_EQ(w[0].value, 127);
  EXPECT_EQ(w[1].index, 12);
  EXPECT_EQ(w[1].value, 255);
  EXPECT_EQ(w[2].value, 0);
  EXPECT_EQ(w[3].index, 14);
  EXPECT_EQ(w[3].value, 0);
  l.RedOffset = 0;  // a type without red writes no red byte
  l.AmberOffset = 5;
  l.WhiteOffset = 6;
  const auto w2 = setcolors(l, mix, 12, 1033);
  ASSERT_EQ(w2.size(), 5u);
  EXPECT_EQ(w2[3].index, 15);
  EXPECT_EQ(w2[3].value, 9);
  // Bytes outside the buffer are dropped.
  EXPECT_EQ(setcolors(l, mix, 1030, 1033).size(), 3u);  // 1029, 1031, 1032
}

TEST(FixtureColourMix, InstanceEntriesAndGroupText) {
  EXPECT_EQ(fixGroupEntryStart("12"), 12);
  EXPECT_EQ(fixGroupEntryStart("5 (12)"), 12);
  EXPECT_EQ(fixGroupEntryStart(""), 0);
  EXPECT_EQ(fixGroupEntryStart("5 ("), 0);
  EXPECT_EQ(fixGroupEntryStart("abc"), 0);
  EXPECT_EQ(FixGroupText({"12", "40"}), ",12,40");
  EXPECT_EQ(FixGroupText({}), "");
}

TEST(FixtureColourMix, StepKeysAndWheel) {
  struct Case {
    int value;
    FieldStep step;
    int upper;
    int expected;
  } cases[] = {{40, FieldStep::Home, 100, 100},    {40, FieldStep::Home, 255, 255},
               {40, FieldStep::End, 255, 0},       {5, FieldStep::PageDown, 255, 0},
               {250, FieldStep::PageUp, 255, 255}, {95, FieldStep::PageUp, 100, 100},
               {0, FieldStep::Down, 255, 0},       {7, FieldStep::Up, 255, 8},
               {98, FieldStep::WheelUp, 100, 100}, {9, FieldStep::WheelDown, 255, 4},
               {3, FieldStep::WheelDown, 255, 0},  {300, FieldStep::Up, 255, 255}};
  for (const Case& c : cases) EXPECT_EQ(stepFieldValue(c.value, c.step, c.upper), c.expected);
}

TEST(FixtureColourMix, PanCalculatorTable) {
  // Light at (100, 100); P = 540.
  struct Case {
    int sx, sy, pan;
  } cases[] = {{100, 200, 0}, {100, 100, 0}, {50, 100, 135}, {100, 20, 270}, {150, 100, 405},
               {50, 150, 68}, {50, 50, 202}, {150, 50, 338}, {150, 150, 472}};
  for (const Case& c : cases) EXPECT_EQ(PanCalc(100, 100, c.sx, c.sy, 540), c.pan) << c.sx << "," << c.sy;
  EXPECT_EQ(PanCalc(100, 100, 100, 20, 255), 127);
}

TEST(GelLookupTest, CodesFromTheGelTableAndTheDesignersFile) {
  PatchFolder f;
  PatchFolder::write(f.path("vqlighting.rgbaw"), "\xEF\xBB\xBF[Values]\r\nR02=10|20|30|40|50|200|100|0\r\n");
  PatchFolder::write(f.path("Ann.gels"), "[A3]\r\n7=1|2|3|4|5|6|7|8\r\n");
  const QString table = gelTablePath(f.path("vqlighting"), false);
  EXPECT_EQ(table, f.path("vqlighting.rgbaw"));
  EXPECT_EQ(gelTablePath(f.path("vqlighting"), true), f.path("vqlighting.rgbal"));
  const QString user = userGelFilePath(f.dir.path(), "Ann");

  EXPECT_FALSE(lookupGel("R", table, user, "7").looked);
  EXPECT_FALSE(lookupGel(" R ", table, user, "7").looked);
  const GelLookup r02 = lookupGel("R02", table, user, "7");
  ASSERT_TRUE(r02.looked);
  EXPECT_EQ(r02.colour.number(0), 10);
  EXPECT_EQ(r02.colour.number(7), 0);
  EXPECT_EQ(lookupGel("A3", table, user, "7").colour.number(7), 8);
  for (const QString& missing : {QString("A3x"), QString("r02"), QString("R99")}) {
    const GelLookup g = lookupGel(missing, table, user, "7");
    ASSERT_TRUE(g.looked);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(g.colour.number(i), 0);
  }
  EXPECT_EQ(lookupGel("A3", table, user, "8").colour.number(0), 0);  // another type
  EXPECT_EQ(lookupGel("R02", f.path("none.rgbaw"), user, "7").colour.fields[0], "0");

  const GelFields three = gelFields(r02.colour, true, true, true);
  EXPECT_EQ(three.red, "200");
  EXPECT_EQ(three.green, "100");
  EXPECT_EQ(three.blue, "0");
  EXPECT_EQ(three.amber, "0");
  EXPECT_EQ(three.white, "0");
  EXPECT_EQ(three.value, "0");
  const GelFields five = gelFields(r02.colour, false, true, false);
  EXPECT_EQ(five.red, "10");
  EXPECT_EQ(five.blue, "30");
  EXPECT_TRUE(five.setAmber);
  EXPECT_EQ(five.amber, "40");
  EXPECT_FALSE(five.setWhite);
  EXPECT_EQ(ColourString::parse("1|2").fields[5], "");

  EXPECT_TRUE(acceptGelKey(u'r', "A"));
  EXPECT_TRUE(acceptGelKey(u'7', "A"));
  EXPECT_TRUE(acceptGelKey(u'a', "A"));
  EXPECT_FALSE(acceptGelKey(u'b', "A"));
  EXPECT_FALSE(acceptGelKey(u'L', ""));
}
