#include "console/editors/magic_layout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "console/editors/lamp_hunt.h"
#include "console/engine/console_state.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"

namespace {

MagicLayout sampleLayout() {
  MagicLayout l;
  MagicGroup front;
  front.caption = "Front";
  front.x = 10, front.y = 50, front.w = 350, front.h = 300;
  front.buttons = {{"7", 10, 1}, {"12", 50, 40}};
  MagicGroup empty;
  empty.caption = "Back";
  empty.x = 400, empty.y = 60;
  l.groups = {front, empty};
  return l;
}

}  // namespace

TEST(MagicLayout, RoundTripKeepsTheExactSectionNames) {
  QTemporaryDir dir;
  const QString groups = dir.filePath("vqlighting.mgrp"), channels = dir.filePath("vqlighting.mchl");
  ASSERT_TRUE(writeMagicLayout(sampleLayout(), groups, channels));

  const IniFile g(groups), c(channels);
  EXPECT_EQ(g.sections(), (QStringList{"Front", "Back"}));
  EXPECT_EQ(g.keys("Front"), (QStringList{"X", "Y", "H", "W", "Chnls"}));
  EXPECT_EQ(g.readString("Front", "Chnls", ""), "|G001|G002|");
  EXPECT_EQ(g.readString("Back", "Chnls", ""), "|");
  EXPECT_EQ(c.sections(), (QStringList{"G001", "G002"}));
  EXPECT_EQ(c.keys("G002"), (QStringList{"N", "X", "Y"}));
  EXPECT_EQ(c.readString("G002", "N", ""), "12");
  EXPECT_FALSE(QFile::exists(dir.filePath("Temp.mgrp")));
  EXPECT_FALSE(QFile::exists(dir.filePath("Temp.mchl")));

  const MagicLayout back = readMagicLayout(groups, channels);
  ASSERT_EQ(back.groups.size(), 2u);
  const MagicGroup& f = back.groups[0];
  EXPECT_EQ(f.caption, "Front");
  EXPECT_EQ((std::vector<int>{f.x, f.y, f.w, f.h}), (std::vector<int>{10, 50, 350, 300}));
  ASSERT_EQ(f.buttons.size(), 2u);
  EXPECT_EQ(f.buttons[1].caption, "12");
  EXPECT_EQ(f.buttons[1].x, 50);
  EXPECT_EQ(f.buttons[1].y, 40);
  EXPECT_TRUE(back.groups[1].buttons.empty());
}

TEST(MagicLayout, TheTwoFilesAreAPairWhereverAWriteWasStopped) {
  // What a write leaves on disk when the program is killed at each of its steps, and which pair a
  // reader must then find: the old one until the marker says both new files are complete, the new
  // one from then on.
  const MagicLayout before = sampleLayout();
  MagicLayout after = sampleLayout();
  after.groups[0].caption = "Front wash";
  after.groups[0].buttons.push_back({"19", 90, 40});
  after.groups[1].buttons = {{"3", 10, 1}};
  const QByteArray oldGroups = magicGroupFileBytes(before), oldChannels = magicChannelFileBytes(before);
  const QByteArray newGroups = magicGroupFileBytes(after), newChannels = magicChannelFileBytes(after);
  struct Step {
    const char* name;
    QByteArray groups, channels, tempGroups, tempChannels;  // "-": no such file
    bool marker;
    bool isNew;
  };
  const QByteArray none = "-";
  const Step steps[] = {
      {"nothing written yet", oldGroups, oldChannels, none, none, false, false},
      {"button file half written", oldGroups, oldChannels, none, newChannels.left(9), false, false},
      {"group file half written", oldGroups, oldChannels, newGroups.left(7), newChannels, false, false},
      {"both written, no marker", oldGroups, oldChannels, newGroups, newChannels, false, false},
      {"marker made", oldGroups, oldChannels, newGroups, newChannels, true, true},
      {"between the renames", oldGroups, newChannels, newGroups, none, true, true},
      {"both renamed, marker left", newGroups, newChannels, none, none, true, true},
      {"a first write, between the renames", none, newChannels, newGroups, none, true, true},
  };
  const auto put = [](const QString& path, const QByteArray& bytes) {
    if (bytes == "-") return;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  const QStringList pairOnly{"vqlighting.mchl", "vqlighting.mgrp"};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    // Read after the stop, and written again after it without a read first.
    for (const bool readFirst : {true, false}) {
      QTemporaryDir dir;
      const QString groups = dir.filePath("vqlighting.mgrp"), channels = dir.filePath("vqlighting.mchl");
      put(groups, step.groups);
      put(channels, step.channels);
      put(dir.filePath("Temp.mgrp"), step.tempGroups);
      put(dir.filePath("Temp.mchl"), step.tempChannels);
      if (step.marker) put(dir.filePath(kMagicPairMarker), QByteArray());

      if (readFirst) {
        QString error;
        const MagicLayout read = readMagicLayout(groups, channels, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const MagicLayout& expected = step.isNew ? after : before;
        EXPECT_EQ(magicGroupFileBytes(read), magicGroupFileBytes(expected));
        EXPECT_EQ(magicChannelFileBytes(read), magicChannelFileBytes(expected));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), pairOnly) << "temporaries and marker are gone";
      }
      MagicLayout third = after;
      third.groups.pop_back();
      ASSERT_TRUE(writeMagicLayout(third, groups, channels));
      const MagicLayout read = readMagicLayout(groups, channels);
      EXPECT_EQ(magicGroupFileBytes(read), magicGroupFileBytes(third));
      EXPECT_EQ(magicChannelFileBytes(read), magicChannelFileBytes(third));
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), pairOnly);
    }
  }
}

TEST(MagicLayout, SameCaptionsAndManyGroupsNeverShareASection) {
  MagicLayout l;
  for (int i = 0; i < 102; ++i) {
    MagicGroup g;  // every one "New Group"
    g.buttons = {{QString::number(i + 1), 10, 1}};
    l.groups.push_back(g);
  }
  l.groups[1].caption = "new group";
  const QStringList sections = magicGroupSections(l);
  EXPECT_EQ(sections[0], "New Group");
  EXPECT_EQ(sections[1], "new group #2");
  EXPECT_EQ(magicButtonSection(1, 1), "G011");
  EXPECT_EQ(magicButtonSection(10, 1), "G101");
  EXPECT_EQ(magicButtonSection(101, 1), "G101_1");

  QTemporaryDir dir;
  const QString groups = dir.filePath("a.mgrp"), channels = dir.filePath("a.mchl");
  ASSERT_TRUE(writeMagicLayout(l, groups, channels));
  const MagicLayout back = readMagicLayout(groups, channels);
  ASSERT_EQ(back.groups.size(), 102u);
  for (int i = 0; i < 102; ++i) {
    EXPECT_EQ(back.groups[size_t(i)].caption, l.groups[size_t(i)].caption) << i;
    ASSERT_EQ(back.groups[size_t(i)].buttons.size(), 1u);
    EXPECT_EQ(back.groups[size_t(i)].buttons[0].caption, QString::number(i + 1)) << i;
  }
}

TEST(MagicLayout, MissingFilesGiveAnEmptySheetOrDefaultButtons) {
  QTemporaryDir dir;
  EXPECT_TRUE(readMagicLayout(dir.filePath("none.mgrp"), dir.filePath("none.mchl")).groups.empty());
  cue_test::writeBytes(dir.filePath("g.mgrp"), "[Wash]\r\nChnls=|G001|G002|\r\n[NoList]\r\n");
  const MagicLayout l = readMagicLayout(dir.filePath("g.mgrp"), dir.filePath("none.mchl"));
  ASSERT_EQ(l.groups.size(), 2u);
  EXPECT_EQ(l.groups[0].x, 10);
  EXPECT_EQ(l.groups[0].y, 25);
  ASSERT_EQ(l.groups[0].buttons.size(), 2u);
  EXPECT_EQ(l.groups[0].buttons[0].caption, "0");
  EXPECT_EQ(l.groups[0].buttons[0].x, 10);
  EXPECT_EQ(l.groups[0].buttons[0].y, 25);
  // Without a list ("||") one button stands in the group.
  EXPECT_EQ(l.groups[1].buttons.size(), 1u);
}

TEST(MagicLayout, DuplicatesAreFoundPerGroup) {
  MagicLayout l = sampleLayout();
  l.groups[0].buttons.push_back({"7", 0, 0});
  l.groups[1].buttons = {{"12", 0, 0}};
  const std::vector<MagicDuplicate> d = findDuplicateChannels(l);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].group, 0);
  EXPECT_EQ(d[0].channel, "7");
}

TEST(MagicLayout, SnapGoesToTheNearestGridLine) {
  struct Case {
    int v, g, snapped;
  };
  for (const Case& c : {Case{34, 10, 30}, Case{45, 10, 50}, Case{35, 10, 40}, Case{0, 10, 0}, Case{-4, 10, 0},
                        Case{-6, 10, -10}, Case{13, 4, 12}, Case{14, 4, 16}, Case{5, 12, 0}, Case{6, 12, 12}})
    EXPECT_EQ(snapToGrid(c.v, c.g), c.snapped) << c.v << " on " << c.g;
}

// ---- Lamp hunt ------------------------------------------------------------------------------------

namespace {
ConsoleState huntState() {
  ConsoleState S;
  S.MaxChannels = 64;
  for (int a = 1; a <= 1024; ++a) S.Patch.PatchPercent[size_t(a)] = 100;
  for (int c = 1; c <= 64; ++c) S.Patch.PatchTable.set(c, "|" + QString::number(c) + "|", S.MaxChannels);
  // An RGB fixture at 20: 20 intensity, 21 red, 22 green, 23 blue, 24 a macro; channel 5 names it.
  for (int a = 20; a <= 24; ++a) S.Fixtures.FixtureStart[size_t(a)] = 20;
  S.Fixtures.FixtureAttributes[20] = 99;
  S.Fixtures.FixtureAttributes[21] = 1;
  S.Fixtures.FixtureAttributes[22] = 2;
  S.Fixtures.FixtureAttributes[23] = 3;
  S.Patch.ChannelFixture[5] = 20;
  S.Fixtures.FixtureStart[30] = kMoverScrollerChannel;
  return S;
}
}  // namespace

TEST(LampHunt, TheAddressesAHuntLights) {
  const ConsoleState S = huntState();
  int red = -1, intensity = -1;
  EXPECT_EQ(lampHuntLevels(S, 3, &red, &intensity), (std::vector<LampLevel>{{3, 90}}));
  EXPECT_EQ(red, 0);
  const std::vector<LampLevel> rgb = {{21, 255}, {22, 255}, {23, 255}, {20, 255}};
  EXPECT_EQ(lampHuntLevels(S, 5, &red, &intensity), rgb);
  EXPECT_EQ(red, 21);
  EXPECT_EQ(intensity, 20);
  EXPECT_EQ(lampHuntLevels(S, 22), rgb);
  EXPECT_TRUE(lampHuntLevels(S, 30).empty());
  EXPECT_TRUE(lampHuntLevels(S, 0).empty());
}

TEST(LampHunt, LightsThroughThePatchAndAReleaseGoesDownToTheWarmUpLevel) {
  ConsoleState S = huntState();
  S.Patch.PatchTable.set(3, "|3|40|99|", S.MaxChannels);  // 99 is beyond the show: skipped
  S.Patch.PatchPercent[40] = 50;
  S.Fixtures.WarmUpLevels[3] = 60;
  S.DmxOutBuffer[2] = 17;
  S.CurrentLevels[3] = 17;
  S.DmxOutBuffer[39] = 33;
  S.DmxOutBuffer[9] = 5;
  lightLamp(S, lampHuntLevels(S, 3));
  EXPECT_EQ(S.DmxOutBuffer[2], 90);
  EXPECT_EQ(S.DmxOutBuffer[39], 60);  // 45 by the share, raised to the warm-up level
  EXPECT_EQ(S.CurrentLevels[40], 60.f);
  EXPECT_EQ(S.DmxOutBuffer[9], 5);
  // The release turns the channel off: its warm-up level, not the 17 it had before the hunt.
  ASSERT_EQ(lampOffChannel(S, 3, nullptr), 3);
  SetLevel(S, 3, 0);
  EXPECT_EQ(S.DmxOutBuffer[2], 60);
  EXPECT_EQ(S.DmxOutBuffer[39], 60);
  EXPECT_EQ(S.CurrentLevels[3], 60.f);
  EXPECT_EQ(S.DmxOutBuffer[9], 5);
  const auto before = S.DmxOutBuffer;
  SetLevel(S, 0, 200);  // no channel
  S.Patch.PatchTable.set(50, "||", S.MaxChannels);
  SetLevel(S, 50, 200);  // unpatched
  EXPECT_EQ(S.DmxOutBuffer, before);
}

TEST(LampHunt, AFixturesReleaseTurnsOffItsIntensityChannelOnly) {
  ConsoleState S = huntState();
  S.Fixtures.WarmUpLevels[20] = 12;
  // The fixture at 20 has its intensity on its first channel: level-edit index 19.
  const auto ledintens = [](int address) { return address >= 20 && address <= 24 ? 19 : -1; };
  lightLamp(S, lampHuntLevels(S, 22));
  for (int a : {20, 21, 22, 23}) EXPECT_EQ(S.DmxOutBuffer[size_t(a - 1)], 255) << a;
  ASSERT_EQ(lampOffChannel(S, 22, ledintens), 20);
  SetLevel(S, 20, 0);
  EXPECT_EQ(S.DmxOutBuffer[19], 12);
  for (int a : {21, 22, 23}) EXPECT_EQ(S.DmxOutBuffer[size_t(a - 1)], 255) << a << " stays lit";

  struct Case {
    int picked, off;
  };
  // A plain channel is itself; a scroller address and a fixture without intensity turn nothing off.
  for (const Case& c : {Case{3, 3}, Case{5, 5}, Case{30, 0}, Case{0, 0}, Case{2000, 0}})
    EXPECT_EQ(lampOffChannel(S, c.picked, ledintens), c.off) << c.picked;
  EXPECT_EQ(lampOffChannel(S, 21, [](int) { return -1; }), 0);
}
