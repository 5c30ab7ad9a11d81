#include "console/engine/fade_engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/engine/level_math.h"

namespace {
// A small show state: channels 1..8 patched one to one at 20 steps per second.
struct FadeFixture : ::testing::Test {
  ConsoleState S;
  void SetUp() override {
    S.MaxChannels = 8;
    S.StepsPerSecond = 20;
    for (int ch = 1; ch <= 1024; ++ch) S.Patch.PatchPercent[ch] = 100;
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
    S.CueLevels = QByteArray(1024, '\0');
  }
  void cue(int ch, int level) { S.CueLevels[ch - 1] = char(level); }
  // GO for a level cue: SendCue's fade part, then its Fadetiming.
  void go(fade::CueTiming t) {
    const fade::FadeLength length = fade::startCue(S, t, false);
    fade::armFade(S, length.up, length.down);
  }
  // Runs ticks until the fade ends; returns the tick number it ended on.
  int runToEnd(int limit = 10000) {
    for (int t = 1; t <= limit; ++t)
      if (fade::tick(S) == fade::Tick::Ended) return t;
    return -1;
  }
};
}  // namespace

TEST_F(FadeFixture, ThreeSecondFadeEndsOnTick62AndLandsExactly) {
  cue(1, 255);
  go({60, 60, 0, 0, 1});
  EXPECT_EQ(S.FadeTotalTicks, 60);
  EXPECT_FLOAT_EQ(S.LevelSteps[1], 4.25f);
  fade::tick(S);
  EXPECT_FLOAT_EQ(S.CurrentLevels[1], 4.25f);
  EXPECT_EQ(S.DmxOutBuffer[0], 4);
  int ended = -1;
  for (int t = 2; t <= 100 && ended < 0; ++t)
    if (fade::tick(S) == fade::Tick::Ended) ended = t;
  EXPECT_EQ(ended, 62);
  EXPECT_EQ(S.CurrentLevels[1], 255.0f);
  EXPECT_EQ(S.DmxOutBuffer[0], 255);
  EXPECT_TRUE(S.FadeIdle);
}

TEST_F(FadeFixture, DelayedChannelFirstMovesOnTickDelayPlusOne) {
  S.CurrentLevels[2] = 255;
  S.DmxOutBuffer[1] = 255;
  cue(1, 255);  // rises after a 20-tick up delay over 40 ticks
  cue(2, 0);    // falls at once
  go({40, 40, 20, 0, 1});
  for (int t = 1; t <= 20; ++t) {
    fade::tick(S);
    EXPECT_EQ(S.CurrentLevels[1], 0.0f) << "tick " << t;
  }
  EXPECT_FLOAT_EQ(S.CurrentLevels[2], 127.5f) << "half way down";
  EXPECT_EQ(S.UpDelayText, "0");
  fade::tick(S);
  EXPECT_FLOAT_EQ(S.CurrentLevels[1], 6.375f) << "tick 21: the first of 40 steps";
  for (int t = 22; t <= 60; ++t) fade::tick(S);
  EXPECT_EQ(S.CurrentLevels[1], 255.0f) << "arrived by tick 60";
  EXPECT_EQ(S.CurrentLevels[2], 0.0f);
  EXPECT_EQ(runToEnd(), 62 - 60);
}

TEST_F(FadeFixture, TheEndingTickSendsBothOfItsSteps) {
  // A follow-spot cue: steps of its own 60 ticks, but only a two-tick fade armed.
  cue(1, 255);
  fade::setCueTicks(S, {60, 60, 0, 0, 1});
  fade::computeTargets(S, {60, 60, 0, 0, 1});
  fade::armFade(S, 2, 2);
  std::vector<int> wire;
  const auto send = [&] { wire.push_back(S.DmxOutBuffer[0]); };
  fade::Tick last = fade::Tick::Stepped;
  for (int t = 1; t <= 4 && last != fade::Tick::Ended; ++t) {
    last = fade::tick(S, send);
    send();  // the caller sends after every tick
  }
  EXPECT_EQ(last, fade::Tick::Ended);
  EXPECT_EQ(wire, (std::vector<int>{4, 8, 13, 17, 21}));
}

TEST_F(FadeFixture, SingleFadeUsesTheUpTimeBothWays) {
  S.CurrentLevels[2] = 200;
  cue(1, 100);
  go({10, 50, 0, 0, 0});
  EXPECT_EQ(S.UpTicks, 10);
  EXPECT_EQ(S.DownTicks, 10);
  EXPECT_FLOAT_EQ(S.LevelSteps[2], -20.0f);
  go({10, 50, 0, 0, 1});
  EXPECT_EQ(S.DownTicks, 50);
}

TEST_F(FadeFixture, ZeroFadeArrivesOnTheFirstTickAndEndsOnTheThird) {
  cue(3, 128);
  go({0, 0, 0, 0, 0});
  EXPECT_EQ(S.FadeTotalTicks, 1);
  fade::tick(S);
  EXPECT_EQ(S.DmxOutBuffer[2], 128);
  EXPECT_EQ(runToEnd(), 2);  // third tick overall
}

TEST_F(FadeFixture, CtrlGoIsInstantWithoutDelaysAndEndsOnTheFourthTick) {
  cue(1, 255);
  S.GoWithCtrl = true;
  go({60, 60, 40, 40, 1});
  EXPECT_EQ(S.FadeTotalTicks, 2);
  EXPECT_EQ(S.UpDelayTicks[1], 0);
  fade::tick(S);
  EXPECT_EQ(S.DmxOutBuffer[0], 255);
  EXPECT_EQ(runToEnd(), 3);
  EXPECT_FALSE(S.GoWithCtrl);
}

TEST_F(FadeFixture, GoDuringAFadeLastsAtLeastWhatWasLeftUnlessShift) {
  cue(1, 255);
  go({60, 60, 0, 0, 1});
  for (int t = 0; t < 10; ++t) fade::tick(S);
  cue(1, 0);
  go({20, 20, 0, 0, 1});
  EXPECT_EQ(S.FadeTotalTicks, 50);

  S.GoWithShift = true;
  go({20, 20, 0, 0, 1});
  EXPECT_EQ(S.FadeTotalTicks, 20);
}

TEST_F(FadeFixture, ChannelsAtTargetOrNamingAFixtureDoNotMove) {
  S.CurrentLevels[1] = 100.4f;
  cue(1, 100);
  S.Patch.ChannelFixture[2] = 5;
  cue(2, 200);
  go({20, 20, 0, 0, 1});
  EXPECT_EQ(S.LevelSteps[1], 0.0f);
  EXPECT_EQ(S.LevelSteps[2], 0.0f);
}

TEST_F(FadeFixture, RawChannelFadesToItsWarmUpFloor) {
  S.RawChannels[4] = true;
  S.Fixtures.WarmUpLevels[4] = 30;
  cue(4, 10);
  go({10, 10, 0, 0, 1});
  EXPECT_EQ(S.TargetLevels[4], 30);
}

TEST_F(FadeFixture, ProportionalAddressesScaleFromTheChannelsOwnLevel) {
  S.Patch.PatchTable.set(1, "|5|6|", S.MaxChannels);
  S.Patch.PatchPercent[5] = 50;
  S.Patch.PatchPercent[6] = 50;
  cue(1, 255);
  go({0, 0, 0, 0, 0});
  fade::tick(S);
  EXPECT_EQ(S.DmxOutBuffer[4], 128);
  EXPECT_EQ(S.DmxOutBuffer[5], 128);
}

TEST_F(FadeFixture, SubmasterAddressMovesItsFader) {
  S.Patch.PatchTable.set(2, QString("|%1|").arg(S.MaxChannels + 3), S.MaxChannels);
  cue(2, 255);
  go({0, 0, 0, 0, 0});
  fade::tick(S);
  EXPECT_EQ(S.SubSliders[2], 100);
}

TEST_F(FadeFixture, MasterFadeFallsToWarmUpAndEnds) {
  for (int ch = 1; ch <= 3; ++ch) {
    S.CurrentLevels[ch] = 200;
    S.DmxOutBuffer[ch - 1] = 200;
  }
  S.Fixtures.WarmUpLevels[2] = 20;
  S.MasterFadeActive = true;
  S.MasterFadeFactor = 1;
  S.MasterFadeStep = -1.0f / 100;
  S.MasterFadeDelay = 20;
  int ticks = 0;
  bool done = false;
  while (!done && ticks < 1000) {
    ++ticks;
    if (fade::tick(S) == fade::Tick::MasterWait && S.MasterFadeDelay <= 0) done = fade::masterFadeStep(S);
  }
  EXPECT_NEAR(ticks, 120, 2);
  EXPECT_EQ(S.DmxOutBuffer[0], 0);
  EXPECT_EQ(S.DmxOutBuffer[1], 20);
  EXPECT_EQ(S.CurrentLevels[2], 20.0f);
}

TEST_F(FadeFixture, FinishNowLandsEveryChannelOnTheNextTick) {
  cue(1, 255);
  cue(2, 77);
  go({200, 200, 40, 0, 1});
  for (int t = 0; t < 5; ++t) fade::tick(S);
  fade::finishNow(S);
  fade::finishNow(S);  // a second End in the same tick changes nothing more
  EXPECT_EQ(fade::tick(S), fade::Tick::Ended);
  EXPECT_EQ(S.DmxOutBuffer[0], 255);
  EXPECT_EQ(S.DmxOutBuffer[1], 77);
}

TEST(LevelMath, PercentDmxConversionTable) {
  const int percents[] = {10, 30, 50, 70, 90, 100};
  const int dmx[] = {26, 76, 127, 178, 229, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(percentToDmx(percents[i]), dmx[i]) << percents[i];
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(dmxToPercent(percentToDmx(p)), p);
  EXPECT_EQ(dmxToPercent(1), 0);
  EXPECT_EQ(dmxToPercent(2), 1);
  EXPECT_EQ(dmxToPercent(128), 50);
  EXPECT_EQ(dmxToPercent(254), 100);
  EXPECT_EQ(levelFromNumber(150, false), 255);
  EXPECT_EQ(levelFromNumber(-5, false), 0);
  EXPECT_EQ(levelFromNumber(300, true), 255);
  EXPECT_EQ(proportionalLevel(255, 50), 128);
  EXPECT_EQ(proportionalLevel(255, 100), 255);
}
