// What selecting a cue shows in the level edits, and the colour preset of LED fixtures.

#include "console/engine/cue_selection.h"

#include <gtest/gtest.h>

#include "console/engine/console_colours.h"
#include "console/patch/fixture_install.h"

namespace {

struct SelectionTest : ::testing::Test {
  ConsoleState S;
  Selection selection{S};
  QByteArray previous = QByteArray(kMaxChannelLimit, '\0');

  void SetUp() override {
    S.MaxChannels = 32;
    S.CueLevels = QByteArray(kMaxChannelLimit, '\0');
    for (int ch = 1; ch <= 32; ++ch) S.Patch.PatchTable.set(ch, "|" + QString::number(ch) + "|", 32);
  }
  void level(QByteArray& levels, int ch, int v) { levels[ch - 1] = char(v); }
};

}  // namespace

TEST_F(SelectionTest, EachEditShowsItsNewLevelInTheColourOfItsChange) {
  level(previous, 1, 127), level(S.CueLevels, 1, 127);  // same
  level(S.CueLevels, 2, 204);                           // rising to 80 %
  level(previous, 3, 255);                              // falling
  S.Fixtures.WarmUpLevels[5] = 10;                      // at warm-up in both
  level(previous, 5, 10), level(S.CueLevels, 5, 10);
  S.RawChannels[6] = true;
  level(S.CueLevels, 6, 200);
  S.Patch.ChannelFixture[7] = 20;
  S.Patch.IntensityChannel[7] = 22;  // shows channel 23's level
  level(S.CueLevels, 23, 255);

  struct Case {
    int ch;
    bool atWarmUp;
    int colour, number;
  } cases[] = {{1, false, kSameColour, 50},
               {2, false, kRisingColour, 80},
               {3, false, kFallingColour, 0},
               {4, true, 0, 0},
               {5, true, 0, 0},
               {6, false, kRisingColour, 200},
               {7, false, kRisingColour, 100}};
  for (const Case& c : cases) {
    const Selection::Shown shown = selection.levelShown(c.ch, previous);
    EXPECT_EQ(shown.atWarmUp, c.atWarmUp) << c.ch;
    if (c.atWarmUp) continue;
    EXPECT_EQ(shown.colour, c.colour) << c.ch;
    EXPECT_EQ(shown.number, c.number) << c.ch;
  }
}

TEST_F(SelectionTest, AFixtureComingOnTakesItsColoursNowAndOneGoingDarkKeepsThem) {
  // An RGB fixture at 10: red 10, green 11, blue 12, intensity 13; red also drives address 30.
  for (int a = 10; a <= 13; ++a) S.Fixtures.FixtureStart[size_t(a)] = 10;
  S.Fixtures.FixtureAttributes[10] = kRoleRed;
  S.Fixtures.FixtureAttributes[11] = kRoleGreen;
  S.Fixtures.FixtureAttributes[12] = kRoleBlue;
  S.Fixtures.FixtureAttributes[13] = kRoleIntensity;
  S.Patch.PatchTable.set(10, "|10|30|", 32);
  level(S.CueLevels, 13, 255);
  level(S.CueLevels, 10, 255);
  level(S.CueLevels, 12, 40);

  // Coming on: the colours go out at once, the intensity waits for GO.
  Selection::Preset preset = selection.fixturePreset(11, previous);
  EXPECT_TRUE(preset.wrote);
  EXPECT_EQ(preset.last, 13);
  EXPECT_EQ(S.DmxOutBuffer[9], 255);
  EXPECT_EQ(S.DmxOutBuffer[29], 255);
  EXPECT_EQ(S.DmxOutBuffer[11], 40);
  EXPECT_EQ(S.DmxOutBuffer[12], 0);
  EXPECT_EQ(S.CurrentLevels[30], 255.0f);

  // Going dark: the new cue's colours are replaced by the previous cue's.
  S.DmxOutBuffer.fill(0);
  previous = S.CueLevels;
  S.CueLevels = QByteArray(kMaxChannelLimit, '\0');
  level(S.CueLevels, 10, 7);
  preset = selection.fixturePreset(10, previous);
  EXPECT_FALSE(preset.wrote);
  EXPECT_EQ(preset.last, 13);
  EXPECT_EQ(uint8_t(S.CueLevels[9]), 255);
  EXPECT_EQ(uint8_t(S.CueLevels[11]), 40);
  EXPECT_EQ(S.DmxOutBuffer[9], 0);

  // Staying dark, and a channel in no fixture: nothing.
  previous = QByteArray(kMaxChannelLimit, '\0');
  S.CueLevels = QByteArray(kMaxChannelLimit, '\0');
  EXPECT_EQ(selection.fixturePreset(10, previous).last, 10);
  EXPECT_EQ(selection.fixturePreset(3, previous).last, 3);
  EXPECT_FALSE(selection.fixturePreset(3, previous).wrote);
}
