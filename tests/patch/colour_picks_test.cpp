#include "console/patch/colour_picks.h"

#include <gtest/gtest.h>

TEST(ColourPicksTest, WheelHexagonAndTrackBarLevels) {
  EXPECT_EQ(wheelIntensity(254), 100);
  EXPECT_EQ(wheelIntensity(255), 100);
  EXPECT_EQ(wheelIntensity(0), 0);
  EXPECT_EQ(wheelIntensity(127), 50);
  EXPECT_EQ(wheelSaturation(100), 255);
  EXPECT_EQ(wheelSaturation(50), 127);  // 127.49999... in binary
  EXPECT_EQ(wheelSaturation(0), 0);
  EXPECT_EQ(luminance(255, 0, 0), 54);
  EXPECT_EQ(luminance(255, 255, 255), 255);
  EXPECT_EQ(luminance(0, 0, 0), 0);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);

  struct Case {
    int value;
    TrackKey key;
    int result;
  } cases[] = {{5, TrackKey::PageDown, 0}, {50, TrackKey::PageDown, 40}, {95, TrackKey::PageUp, 100},
               {40, TrackKey::PageUp, 50}, {0, TrackKey::Home, 100},     {35, TrackKey::Home, 100},
               {100, TrackKey::End, 0},    {35, TrackKey::End, 0}};
  for (const Case& c : cases) EXPECT_EQ(trackBarKey(c.value, c.key), c.result) << c.value;
}

TEST(ColourPicksTest, SameColourAsChannel) {
  std::array<int16_t, patch::kTableSize> channelFixture{};
  FixtureMap map;
  // An LED fixture of type 7 on addresses 10..14, named by channel 3; a mover on address 20.
  for (int a = 10; a <= 14; ++a) {
    map.FixtureStart[size_t(a)] = 10;
    map.FixtureTypes[size_t(a)] = 7;
  }
  map.FixtureStart[20] = kMoverScrollerChannel;
  channelFixture[3] = 10;
  channelFixture[4] = 30;  // a fixture of a type the library no longer has
  map.FixtureStart[30] = 30;
  map.FixtureTypes[30] = 99;
  const std::vector<int> typeIds = {5, 7};

  struct Case {
    int channel;
    SameColourSource::Result result;
    bool fromChannel;
    int start;
  } cases[] = {
      {3, SameColourSource::Found, true, 10},        {12, SameColourSource::Found, false, 10},
      {20, SameColourSource::NotAnLed, false, 2000}, {50, SameColourSource::NotAnLed, false, 0},
      {200, SameColourSource::NotAnLed, false, 0},   {4, SameColourSource::UnknownType, true, 30},
      {0, SameColourSource::NotAnLed, false, 0},
  };
  for (const Case& c : cases) {
    const SameColourSource s = sameColourSource(c.channel, 100, channelFixture, map, typeIds);
    EXPECT_EQ(s.result, c.result) << c.channel;
    EXPECT_EQ(s.fromChannel, c.fromChannel) << c.channel;
    EXPECT_EQ(s.start, c.start) << c.channel;
  }
  const SameColourSource found = sameColourSource(12, 100, channelFixture, map, typeIds);
  EXPECT_EQ(found.typeId, 7);
  EXPECT_EQ(found.typeRow, 1);
  // Above the channel count: not looked at, even when it names a fixture.
  channelFixture[150] = 10;
  EXPECT_EQ(sameColourSource(150, 100, channelFixture, map, typeIds).result, SameColourSource::NotAnLed);
}
