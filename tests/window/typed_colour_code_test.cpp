// A gel code typed into the level edit of a fixture channel: the selected fixtures' colour channels
// take the gel's colours on the wire, and a level typed before the code sets their intensity.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <vector>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/patch/fixture_map.h"
#include "platform/program_folder.h"
#include "tests/support/fixture_show_files.h"
#include "tests/window/console_window_fixture.h"

TEST(TypedColourCode, AGelCodeTypedOnAFixtureChannelPutsItsColoursOnTheWire) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 128);
  w.start({}, 128);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();
  w.dialogs.shown.clear();  // the start-up's questions about the new show's side files

  // The fixture type's channel table lives in the program folder: this test owns it.
  ProgramFolderFiles owned;
  const QString table = owned.own("lcsv/zzTypedCodeRGBI.lcsv");
  ASSERT_TRUE(writeChannelTable(table, FixtureChannelTable::blank()).ok());
  FixtureTypeRecord rgbi;
  rgbi.name = "zzTypedCodeRGBI";
  rgbi.id = 7;
  rgbi.channelCount = 4;
  rgbi.red = 1, rgbi.green = 2, rgbi.blue = 3, rgbi.intensity = 4;
  S.FixtureLibraryFile = w.path("show.lfix");  // not the shared one of the program folder
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {rgbi}).ok());

  // Two of them, at 20 and at 40: red, green, blue, intensity.
  FixtureMap::Table starts{}, warm{}, types{}, roles{};
  for (int start : {20, 40})
    for (int k = 0; k < 4; ++k) {
      starts[size_t(start + k)] = int16_t(start);
      types[size_t(start + k)] = 7;
      warm[size_t(start + k)] = k < 3 ? -1 : 0;
      roles[size_t(start + k)] = k < 3 ? int16_t(k + 1) : int16_t(99);
      if (k < 3) S.RawChannels[size_t(start + k)] = true;  // colour channels take DMX values
    }
  ASSERT_TRUE(writeFixtureMapFile(S.FixtureMapFile, starts, warm, types, roles));
  f.reloadFixtureMap();

  // Channels 100 and 101 name the fixtures.
  for (auto [channel, start] : {std::pair{100, 20}, {101, 40}}) {
    S.Patch.PatchTable.set(channel, "||", 128);
    S.Patch.ChannelFixture[size_t(channel)] = int16_t(start);
    const int intensity = f.ledintens(start);
    ASSERT_EQ(intensity, start + 2) << "the intensity channel's edit";
    S.Patch.IntensityChannel[size_t(channel)] = int16_t(intensity);
    S.Patch.IntensityOwner[size_t(intensity)] = int16_t(channel);
  }
  f.clearSelection();
  f.selectChannel(99);
  f.selectChannel(100);

  auto wire = [&](int address) { return int(uint8_t(w.lastLevels().at(address - 1))); };
  auto type = [&](const char* keys) {
    f.ChannelEdits[99]->setFocus();
    QTest::keyClicks(f.levelEditor(), keys);
    w.clock.advance(1500);  // the typed level's commit
  };

  // "R27" of the gel table: 190|0|10|0|0|190|0|10. An RGB fixture takes the display colour.
  type("R27");
  EXPECT_TRUE(w.dialogs.shown.empty());
  for (int start : {20, 40}) {
    EXPECT_EQ(wire(start), 190) << start;
    EXPECT_EQ(wire(start + 1), 0) << start;
    EXPECT_EQ(wire(start + 2), 10) << start;
    EXPECT_EQ(wire(start + 3), 0) << "a code alone leaves the intensity " << start;
  }
  EXPECT_EQ(f.ChannelEdits[99]->text(), f.ChannelEdits[22]->text()) << "the edit shows its intensity";

  // A level before the code: the colour and the intensity.
  S.TypedText.clear();
  type("27R27");
  EXPECT_TRUE(w.dialogs.shown.empty());
  for (int start : {20, 40}) {
    EXPECT_EQ(wire(start), 190) << start;
    EXPECT_EQ(wire(start + 3), 69) << "27 % " << start;
  }
  EXPECT_EQ(f.ChannelEdits[99]->text(), "27");
  EXPECT_EQ(f.ChannelEdits[100]->text(), "27");
}

// Shift pressed anywhere in a typed level with a colour code, as an operator types a capital R:
// the level and the code both land, once, and no code is left in the edits.
TEST(TypedColourCode, ShiftWithinATypedCodeKeepsTheLevelAndTheCode) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 64);
  w.start({}, 64);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();
  w.dialogs.shown.clear();

  ProgramFolderFiles owned;
  ASSERT_TRUE(writeChannelTable(owned.own("lcsv/zzShiftCodeRGBI.lcsv"), FixtureChannelTable::blank()).ok());
  FixtureTypeRecord rgbi;
  rgbi.name = "zzShiftCodeRGBI";
  rgbi.id = 7;
  rgbi.channelCount = 4;
  rgbi.red = 1, rgbi.green = 2, rgbi.blue = 3, rgbi.intensity = 4;
  S.FixtureLibraryFile = w.path("show.lfix");
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {rgbi}).ok());
  FixtureMap::Table starts{}, warm{}, types{}, roles{};
  for (int k = 0; k < 4; ++k) {
    starts[size_t(20 + k)] = 20;
    types[size_t(20 + k)] = 7;
    warm[size_t(20 + k)] = k < 3 ? -1 : 0;
    roles[size_t(20 + k)] = k < 3 ? int16_t(k + 1) : int16_t(99);
    if (k < 3) S.RawChannels[size_t(20 + k)] = true;
  }
  ASSERT_TRUE(writeFixtureMapFile(S.FixtureMapFile, starts, warm, types, roles));
  f.reloadFixtureMap();
  // Channel 30 names the fixture at 20; its intensity is address 23 (edit 22).
  S.Patch.PatchTable.set(30, "||", 64);
  S.Patch.ChannelFixture[30] = 20;
  S.Patch.IntensityChannel[30] = int16_t(f.ledintens(20));
  S.Patch.IntensityOwner[size_t(f.ledintens(20))] = 30;
  f.clearSelection();
  f.selectChannel(29);
  auto wire = [&](int address) { return int(uint8_t(w.lastLevels().at(address - 1))); };

  struct Case {
    const char* name;
    std::function<void(QLineEdit*)> keys;
    int intensity;  // on the wire at address 23 after the commit
  };
  const auto shiftR = [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_R, Qt::ShiftModifier); };
  const auto shift = [](QLineEdit* e) {
    QTest::keyPress(e, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyRelease(e, Qt::Key_Shift);
  };
  const std::vector<Case> cases{
      {"50r27", [](QLineEdit* e) { QTest::keyClicks(e, "50r27"); }, 127},
      {"50 Shift+R 27",
       [&](QLineEdit* e) {
         QTest::keyClicks(e, "50");
         shiftR(e);
         QTest::keyClicks(e, "27");
       },
       127},
      {"30 Shift R 27",
       [&](QLineEdit* e) {
         QTest::keyClicks(e, "30");
         shift(e);
         QTest::keyClicks(e, "r27");
       },
       76},
      {"40r27 then Shift",
       [&](QLineEdit* e) {
         QTest::keyClicks(e, "40r27");
         shift(e);
       },
       102},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.ChannelEdits[29]->setFocus();
    c.keys(f.levelEditor());
    w.clock.advance(1500);  // the typed level's commit
    EXPECT_TRUE(w.dialogs.shown.empty());
    EXPECT_EQ(wire(20), 190) << "the gel's red";
    EXPECT_EQ(wire(22), 10) << "the gel's blue";
    EXPECT_EQ(wire(23), c.intensity) << "the typed level";
    for (int i : {22, 29})
      EXPECT_FALSE(f.ChannelEdits[size_t(i)]->text().contains(QChar('R'), Qt::CaseInsensitive))
          << i << " shows " << f.ChannelEdits[size_t(i)]->text().toStdString();
    EXPECT_TRUE(S.TypedText.isEmpty());
  }
}
