#include "console/engine/submaster_mix.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "console/engine/fade_engine.h"
#include "console/engine/submaster_file.h"

namespace {
// Channels 1..8 patched one to one at 20 steps per second; strips set up in code.
struct SubFixture : ::testing::Test {
  ConsoleState S;
  int sends = 0;
  std::map<int, int> shown;  // channel -> level its edit shows
  std::set<int> marked;
  std::unique_ptr<SubmasterMixer> subs;

  void SetUp() override {
    S.MaxChannels = 8;
    S.StepsPerSecond = 20;
    for (int ch = 1; ch <= 1024; ++ch) S.Patch.PatchPercent[ch] = 100;
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
    SubmasterMixer::Hooks h;
    h.send = [this] { ++sends; };
    h.showLevel = [this](int ch, int dmx) { shown[ch] = dmx; };
    h.showMark = [this](int ch, bool v) {
      if (v)
        marked.insert(ch);
      else
        marked.erase(ch);
    };
    h.hideMark = [this](int ch) { marked.erase(ch); };
    subs = std::make_unique<SubmasterMixer>(S, h);
  }
  void strip(int j, const QString& title, bool additive, const QString& levels) {
    subs->strips[size_t(j)].title = title;
    subs->strips[size_t(j)].additive = additive;
    S.SubAdditive[size_t(j)] = additive;
    S.SubSliders[size_t(j)] = additive ? 0 : 100;
    subs->setLevels(j, levels, 0);
  }
  void fader(int j, int v) {
    S.SubSliders[size_t(j)] = v;
    subs->SlideSet(v, j);
  }
  int out(int a) const { return S.DmxOutBuffer[size_t(a - 1)]; }
};
}  // namespace

TEST_F(SubFixture, UnusedStripIgnoresItsFader) {
  strip(0, "Unused", true, "255,255,");
  fader(0, 100);
  EXPECT_EQ(out(1), 0);
  EXPECT_TRUE(marked.empty());
  EXPECT_EQ(sends, 0);
}

TEST_F(SubFixture, AdditiveStripDrivesItsMembersAtFaderTimesLevel) {
  strip(0, "Wash", true, "200,0,100,");
  fader(0, 50);
  EXPECT_EQ(out(1), 100);
  EXPECT_EQ(out(2), 0);
  EXPECT_EQ(out(3), 50);
  EXPECT_EQ(S.SubChannelLevels[1], 100);
  EXPECT_EQ(shown[1], 100);
  EXPECT_EQ(marked, (std::set<int>{1, 3}));
  EXPECT_TRUE(S.ChannelSelected[0]);
  EXPECT_FALSE(S.ChannelSelected[1]);
  EXPECT_GE(sends, 1);
}

TEST_F(SubFixture, HighestStripWinsOnASharedChannel) {
  strip(0, "A", true, "0,0,0,0,200,");
  strip(1, "B", true, "0,0,0,0,100,");
  fader(0, 50);   // 100
  fader(1, 100);  // 100: others (100) not above mine (100)
  EXPECT_EQ(out(5), 100);
  EXPECT_TRUE(marked.count(5));
  fader(0, 40);  // 80 < 100: nothing for channel 5
  EXPECT_EQ(out(5), 100);
  EXPECT_FALSE(marked.count(5));
}

TEST_F(SubFixture, ContributionBelowTheRunningCuesLevelIsNotApplied) {
  S.Cues.resize(1);
  S.Cues.CueTexts[CueTextColumn::Levels][1] = QByteArray(1024, '\0');
  S.Cues.CueTexts[CueTextColumn::Levels][1][0] = char(150);
  S.Rows.RunningCue = 1;
  S.DmxOutBuffer[0] = 150;
  strip(0, "Wash", true, "120,");
  fader(0, 100);
  EXPECT_EQ(out(1), 150);
  EXPECT_TRUE(marked.count(1));  // still marked
}

TEST_F(SubFixture, AdditiveStripAgainstARunningFade) {
  // A cue fades channel 1 from 0 to 255 over 60 ticks; the strip holds it at least at 200.
  S.CueLevels = QByteArray(1024, '\0');
  S.CueLevels[0] = char(255);
  S.CueLevels[1] = char(255);
  fade::CueTiming t{60, 60, 0, 0, 1};
  fade::setCueTicks(S, t);
  fade::computeTargets(S, t);
  fade::armFade(S, S.UpTicks, S.DownTicks);
  for (int i = 0; i < 10; ++i) fade::tick(S);
  EXPECT_EQ(out(1), 42);  // 10 x 4.25 = 42.5, halves to even
  strip(0, "Wash", true, "200,");
  fader(0, 100);
  EXPECT_EQ(out(1), 200);
  for (int i = 0; i < 10; ++i) fade::tick(S);
  EXPECT_EQ(out(1), 200);  // the fade stays under the submaster level...
  EXPECT_EQ(out(2), 85);   // ...and goes on for the others
  // ...and keeps its steps when the fader is let go at 0 while it runs.
  fader(0, 0);
  subs->released(0);
  EXPECT_NE(S.LevelSteps[2], 0.0f);
  int ended = 0;
  for (int i = 0; i < 100 && !ended; ++i) ended = fade::tick(S) == fade::Tick::Ended;
  EXPECT_EQ(out(1), 255);
  EXPECT_EQ(out(2), 255);
}

TEST_F(SubFixture, InhibitiveStripHoldsItsChannelsDownDuringAFade) {
  S.CueLevels = QByteArray(1024, '\0');
  S.CueLevels[2] = char(255);
  S.CueLevels[3] = char(255);
  fade::CueTiming t{20, 20, 0, 0, 1};
  fade::setCueTicks(S, t);
  fade::computeTargets(S, t);
  fade::armFade(S, S.UpTicks, S.DownTicks);
  strip(1, "Limit", false, "0,0,255,");  // channel 3
  EXPECT_FALSE(subs->SubMembers[3][1]);  // not an additive member
  EXPECT_TRUE(subs->InhibitMembers[3][1]);
  fader(1, 100);  // at rest: no effect
  for (int i = 0; i < 10; ++i) fade::tick(S);
  EXPECT_EQ(out(3), 128);  // 10 x 12.75 = 127.5 -> 128
  fader(1, 50);
  EXPECT_EQ(S.SubInhibit[3], 50);
  EXPECT_EQ(out(3), 64);  // held to half at once
  EXPECT_TRUE(marked.count(3));
  for (int i = 0; i < 30; ++i) fade::tick(S);
  EXPECT_EQ(out(3), 128);  // the fade ends at 255, held to half
  EXPECT_EQ(out(4), 255);  // not a member
  fader(1, 0);
  EXPECT_EQ(out(3), 0);
  fader(1, 100);
  EXPECT_EQ(out(3), 255);
  EXPECT_FALSE(marked.count(3));
}

TEST_F(SubFixture, ReleaseAtZeroReturnsEverySubmasterLevelToWarmUp) {
  S.Fixtures.WarmUpLevels[2] = 7;
  strip(0, "Wash", true, "255,");
  fader(0, 100);
  EXPECT_EQ(S.SubChannelLevels[1], 255);
  fader(0, 0);
  subs->released(0);
  EXPECT_EQ(S.SubChannelLevels[1], 0);
  EXPECT_EQ(S.SubChannelLevels[2], 7);
  EXPECT_FALSE(S.ChannelSelected[0]);
}

TEST_F(SubFixture, RecordStoresSelectedLevelsAsDmxAndMakesMembers) {
  S.MaxChannels = 4;
  subs->resize();
  strip(3, "Rec", true, "");
  S.ChannelSelected[0] = true;
  S.ChannelSelected[3] = true;
  const QStringList edits{"50", "30", "0", "100"};
  const QString text = subs->recordLevels(3, [&](int ch) { return edits[ch - 1]; });
  EXPECT_EQ(text, "127,0,0,255,");  // 50 % is 127 (50 x 2.55 is just below 127.5)
  EXPECT_TRUE(subs->SubMembers[1][3]);
  EXPECT_FALSE(subs->SubMembers[2][3]);
  EXPECT_TRUE(subs->SubMembers[4][3]);
}

TEST_F(SubFixture, StoredLevelEqualToWarmUpMakesNoMember) {
  subs->setLevels(0, "5,6,", 5);
  EXPECT_FALSE(subs->SubMembers[1][0]);
  EXPECT_TRUE(subs->SubMembers[2][0]);
}

TEST_F(SubFixture, LoopStripLoadsItsFileOnlyWhenLeavingRest) {
  QStringList loads;
  int starts = 0;
  SubmasterMixer::Hooks h;
  h.loadLoopFile = [&](int, const QString& p) { loads << p; };
  h.startLoop = [&](int, double) { ++starts; };
  SubmasterMixer m(S, h);
  m.strips[2].title = "Chase";
  m.strips[2].loopFile = "/shows/chase.lcue";
  m.SlideSet(0, 2);  // a fader set to 0 at rest: no load
  EXPECT_TRUE(loads.isEmpty());
  m.SlideSet(40, 2);
  EXPECT_EQ(loads, QStringList{"/shows/chase.lcue"});
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(S.SubLoopActive);
  m.SlideSet(60, 2);
  EXPECT_EQ(loads.size(), 1);
  S.SubFlags[3] = true;
  S.Fixtures.WarmUpLevels[3] = 9;
  m.SlideSet(0, 2);
  EXPECT_FALSE(S.SubLoopActive);
  EXPECT_FALSE(S.SubFlags[3]);
  EXPECT_EQ(out(3), 9);
  m.SlideSet(0, 2);
  EXPECT_EQ(loads.size(), 1);
}

TEST(SubmasterFile, WritesRoundTripByteExact) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.subs");
  ASSERT_TRUE(saveSubmasterStrip(path, 0, {"Wash", "front", true, ""}, false));
  ASSERT_TRUE(saveSubmasterStrip(path, 1, {"Chase", "", false, "/shows/chase.lcue"}, false));
  ASSERT_TRUE(saveSubmasterLevels(path, 0, "0,255,128,"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  f.close();
  EXPECT_EQ(bytes,
            "[Submasters]\r\nsubtitle0=Wash\r\nsubcue0=front\r\nadditive0=1\r\nSubfile0=\r\n"
            "subtitle1=Chase\r\nsubcue1=\r\nadditive1=0\r\nSubfile1=/shows/chase.lcue\r\n\r\n"
            "[SubmasterLevels]\r\nSublevels0=0,255,128,\r\n");

  const SubmasterFileSetup setup = readSubmasterFileSetup(path, 3, 0);
  EXPECT_EQ(setup.strips[0].title, "Wash");
  EXPECT_EQ(setup.strips[0].levels, "0,255,128,");
  EXPECT_FALSE(setup.strips[1].additive);
  EXPECT_EQ(setup.strips[1].loopFile, "/shows/chase.lcue");
  EXPECT_TRUE(setup.members[2][0]);

  // Writing back what was read leaves the file byte for byte as it was.
  for (int k = 0; k < 2; ++k) {
    const auto& s = setup.strips[size_t(k)];
    ASSERT_TRUE(saveSubmasterStrip(path, k, {s.title, s.hint, s.additive, s.loopFile}, false));
    ASSERT_TRUE(saveSubmasterLevels(path, k == 0 ? 0 : 0, setup.strips[0].levels));
  }
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), bytes);
  f.close();

  // Freeing a strip (the setup dialog with an empty or "unused" title) empties its levels.
  ASSERT_TRUE(saveSubmasterStrip(path, 0, {"UNUSED", "x", false, "y"}, true));
  const SubmasterFileSetup freed = readSubmasterFileSetup(path, 3, 0);
  EXPECT_EQ(freed.strips[0].title, "Unused");
  EXPECT_TRUE(freed.strips[0].hint.isEmpty());
  EXPECT_TRUE(freed.strips[0].additive);
  EXPECT_TRUE(freed.strips[0].levels.isEmpty());
  EXPECT_FALSE(freed.members[2][0]);
}

TEST(SubmasterFile, KeepsABomAndForeignKeys) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.subs");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("\xEF\xBB\xBF[Submasters]\r\nsubtitle0=Old\r\nother=kept\r\n");
  f.close();
  ASSERT_TRUE(saveSubmasterLevels(path, 0, "1,2,"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(),
            "\xEF\xBB\xBF[Submasters]\r\nsubtitle0=Old\r\nother=kept\r\n\r\n[SubmasterLevels]\r\nSublevels0="
            "1,2,\r\n");
}
