#include "console/engine/bump_engine.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/test_clock.h"

namespace {
enum Table { N = 0, F = 8, T = 16, A = 24 };

// Channels 1..16 patched one to one at 20 steps per second (a 50 ms fade interval), bump fade 1.0 s;
// the engine's timers run on a test clock the test moves on.
struct BumpFixture : ::testing::Test {
  ConsoleState S;
  TestClock clock;
  int sends = 0;
  QString label;
  QStringList errors;
  std::map<int, SceneRecord> scenes;
  std::unique_ptr<BumpEngine> bumps;

  void SetUp() override {
    S.MaxChannels = 16;
    S.StepsPerSecond = 20;
    S.FadeInterval = 50;
    S.BumpFadeSeconds = 1.0f;
    for (int ch = 1; ch <= 1024; ++ch) S.Patch.PatchPercent[ch] = 100;
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
    BumpEngine::Hooks h;
    h.send = [this] { ++sends; };
    h.alternateLabelChanged = [this](const QString& t) { label = t; };
    h.sceneError = [this](const QString& m) { errors << m; };
    h.readScene = [this](int record, QString* error) -> std::optional<SceneRecord> {
      auto it = scenes.find(record);
      if (it == scenes.end()) {
        *error = "no scene";
        return std::nullopt;
      }
      return it->second;
    };
    bumps = std::make_unique<BumpEngine>(S, clock, h);
  }
  void tag(Table t, int key, int address) { S.BumpMembers[size_t(t + key)][size_t(address)] = true; }
  int out(int address) const { return S.DmxOutBuffer[size_t(address - 1)]; }
  void set(int address, int v) { S.DmxOutBuffer[size_t(address - 1)] = uint8_t(v); }
  // Key F(5 + key) down and up through the keyboard entry points.
  void down(int key, bool held = false) { bumps->keyDown(key, held); }
  void up(int key) { bumps->keyUp(key); }
  bool fadeTimer() const { return bumps->fadeTimer().isActive(); }
  // One fade interval of time: one bump-fade tick while the fade timer runs.
  void tick() { clock.advance(S.FadeInterval); }
  // Runs bump-fade ticks while the timer runs; returns how many ran.
  int runFade(int limit = 1000) {
    int n = 0;
    while (fadeTimer() && n < limit) {
      tick();
      ++n;
    }
    return n;
  }
};
}  // namespace

TEST_F(BumpFixture, NormalBumpGoesToFullAndBackAtOnce) {
  tag(N, 0, 3);
  set(3, 102);  // 40 percent
  down(0);
  EXPECT_EQ(out(3), 255);
  EXPECT_TRUE(bumps->active(0));
  const int sentAtPress = sends;
  EXPECT_GE(sentAtPress, 1);
  up(0);
  EXPECT_EQ(out(3), 102);
  EXPECT_GT(sends, sentAtPress);
  EXPECT_FALSE(bumps->active(0));
  EXPECT_FALSE(fadeTimer());
}

TEST_F(BumpFixture, FadeBumpFadesBackOverTheBumpFadeTicks) {
  tag(F, 1, 4);
  set(4, 55);
  down(1);
  EXPECT_EQ(out(4), 255);
  up(1);
  EXPECT_EQ(out(4), 255);  // the fade starts from full
  ASSERT_TRUE(fadeTimer());
  std::vector<int> levels;
  for (int t = 0; t < 20; ++t) {
    tick();
    levels.push_back(out(4));
  }
  EXPECT_EQ(levels.front(), 245);  // 255 - 200/20
  EXPECT_EQ(levels.back(), 55);
  for (size_t i = 1; i < levels.size(); ++i) EXPECT_LE(levels[i], levels[i - 1]);
  EXPECT_TRUE(fadeTimer());  // the timer stops after the 21st tick
  tick();
  EXPECT_FALSE(fadeTimer());
  EXPECT_EQ(out(4), 55);
}

TEST_F(BumpFixture, FadeBumpNeverTouchesTheCueFadeState) {
  tag(F, 1, 4);
  S.LevelSteps[4] = 2.5f;
  S.TargetLevels[4] = 200;
  S.CurrentLevels[4] = 100.0f;
  down(1);
  up(1);
  runFade();
  EXPECT_FLOAT_EQ(S.LevelSteps[4], 2.5f);
  EXPECT_EQ(S.TargetLevels[4], 200);
  EXPECT_FLOAT_EQ(S.CurrentLevels[4], 100.0f);
}

TEST_F(BumpFixture, ZeroBumpFadeTimeReturnsAtOnce) {
  S.BumpFadeSeconds = 0;
  tag(F, 2, 5);
  set(5, 30);
  down(2);
  up(2);
  EXPECT_EQ(out(5), 30);
  EXPECT_FALSE(fadeTimer());
}

TEST_F(BumpFixture, TimedBumpTakesOnlyTheLowestAddressAndReturnsWhenItsTimerFires) {
  tag(T, 2, 6);
  tag(T, 2, 9);
  S.BumpTimerIntervals[2] = 2500;
  set(6, 10);
  set(9, 20);
  down(2);
  EXPECT_EQ(out(6), 255);
  EXPECT_EQ(out(9), 20);
  ASSERT_TRUE(bumps->keyTimer(2).isActive());
  EXPECT_EQ(bumps->keyTimer(2).interval(), 2500);
  up(2);
  EXPECT_EQ(out(6), 255);  // stays until the timer fires
  down(2);                 // cannot bump again while the timer runs
  up(2);
  EXPECT_EQ(out(6), 255);
  clock.advance(2499);
  EXPECT_EQ(out(6), 255);
  clock.advance(1);  // the key's timer runs out
  EXPECT_EQ(out(6), 10);
  EXPECT_FALSE(bumps->keyTimer(2).isActive());
  EXPECT_FALSE(bumps->timerRunning(2));
  down(2);  // and now it can
  EXPECT_EQ(out(6), 255);
}

TEST_F(BumpFixture, AlternateBumpTogglesOnEachPressAndKeepsItsOwnState) {
  tag(A, 3, 7);
  set(7, 80);
  down(3);
  up(3);
  EXPECT_EQ(out(7), 255);
  EXPECT_EQ(label, "F8 ");
  EXPECT_TRUE(bumps->alternateOn(3));
  // Something else puts the address at full too: the key's state, not the output, decides.
  set(7, 255);
  down(3);
  up(3);
  EXPECT_EQ(out(7), 80);
  EXPECT_EQ(label, "");
  // Latched again, a level other than 255 does not stop the next press from releasing it.
  down(3);
  up(3);
  set(7, 140);
  down(3);
  up(3);
  EXPECT_EQ(out(7), 80);
  EXPECT_FALSE(bumps->alternateOn(3));
}

TEST_F(BumpFixture, AutoRepeatAndHeldKeysDoNothing) {
  tag(N, 0, 1);
  tag(N, 1, 1);
  set(1, 10);
  down(0);
  down(0, true);  // auto-repeat
  down(1, true);  // F6 while F5 is still down
  EXPECT_FALSE(bumps->active(1));
  up(1);  // its release restores nothing it did not take
  EXPECT_EQ(out(1), 255);
  up(0);
  EXPECT_EQ(out(1), 10);
}

TEST_F(BumpFixture, OverlappingBumpsOnASharedAddressReturnToTheLevelBeforeTheFirst) {
  tag(N, 0, 2);
  tag(A, 1, 2);
  tag(T, 2, 2);
  set(2, 40);
  // A latches the address; N bumps it and lets go: A still holds it at full.
  down(1);
  up(1);
  down(0);
  up(0);
  EXPECT_EQ(out(2), 255);
  // T takes it too; A lets go: T still holds it.
  down(2);
  up(2);
  down(1);
  up(1);
  EXPECT_EQ(out(2), 255);
  // The timer ends the last hold: back to the level before the first bump.
  clock.advance(S.BumpTimerIntervals[2]);
  EXPECT_EQ(out(2), 40);
}

TEST_F(BumpFixture, ReleasesInAnyOrderRestoreOnlyWhatEachKeyApplied) {
  // Two keys pressed one after the other (the dispatcher lets a press through): each release
  // hands the address back to the remaining holder, the last one restores.
  tag(N, 0, 3);
  tag(N, 1, 3);
  tag(N, 1, 4);
  set(3, 50);
  set(4, 60);
  down(0);
  down(1);
  up(0);
  EXPECT_EQ(out(3), 255);  // F6 still holds it
  EXPECT_EQ(out(4), 255);
  up(1);
  EXPECT_EQ(out(3), 50);
  EXPECT_EQ(out(4), 60);
}

TEST_F(BumpFixture, ABumpDuringAFadeBackTakesOverAndReturnsToTheOriginalLevel) {
  tag(F, 0, 5);
  tag(N, 1, 5);
  set(5, 100);
  down(0);
  up(0);
  for (int t = 0; t < 5; ++t) tick();
  EXPECT_LT(out(5), 255);
  EXPECT_GT(out(5), 100);
  down(1);
  EXPECT_EQ(out(5), 255);
  up(1);
  EXPECT_EQ(out(5), 100);
  runFade();
  EXPECT_EQ(out(5), 100);
  EXPECT_FALSE(fadeTimer());
}

struct SceneCase {
  bool highestWins;
  int expected[4];  // addresses 1..4 while held
};

class SceneBump : public BumpFixture, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(SceneBump, MergesTheSceneAndRestoresOnlyWhatItChanged) {
  S.BumpOvrRpl = GetParam().highestWins;
  S.RawChannels[4] = true;
  // Record 2 on F9: channel 1 at 100 percent, 2 at 10 percent, 3 at 0, raw channel 4 at 90.
  std::vector<uint8_t> levels{100, 10, 0, 90};
  scenes[2] = makeScene("look", levels, 4);
  S.BumpSceneTable[4] = 2;
  set(1, 0);
  set(2, 127);
  set(3, 60);
  set(4, 200);
  down(4);
  for (int a = 1; a <= 4; ++a) EXPECT_EQ(out(a), GetParam().expected[a - 1]) << "address " << a;
  down(4, true);  // auto-repeat does not apply it again
  // While it is held something else changes address 3.
  up(4);
  EXPECT_EQ(out(1), 0);
  EXPECT_EQ(out(2), 127);
  EXPECT_EQ(out(3), 60);
  EXPECT_EQ(out(4), 200);
  EXPECT_FALSE(bumps->active(4));
}

INSTANTIATE_TEST_SUITE_P(Bumps, SceneBump,
                         ::testing::Values(SceneCase{true, {255, 127, 60, 200}},  // highest wins
                                           SceneCase{false, {255, 26, 0, 90}}),   // replace
                         [](const auto& info) { return info.param.highestWins ? "HighestWins" : "Replace"; });

TEST_F(BumpFixture, UnreadableSceneDoesNothingAndItsReleaseRestoresNothing) {
  S.BumpSceneTable[0] = 5;  // no such record
  set(1, 33);
  down(0);
  EXPECT_EQ(errors.size(), 1);
  EXPECT_FALSE(bumps->active(0));
  set(1, 77);
  up(0);
  EXPECT_EQ(out(1), 77);
}

TEST_F(BumpFixture, ResetForgetsEveryBumpWithoutRestoring) {
  tag(A, 0, 1);
  tag(T, 1, 2);
  down(0);
  up(0);
  down(1);
  EXPECT_EQ(label, "F5 ");
  bumps->reset();
  EXPECT_EQ(label, "");
  EXPECT_FALSE(bumps->keyTimer(1).isActive());
  EXPECT_FALSE(bumps->alternateOn(0));
  EXPECT_EQ(out(1), 255);
}
