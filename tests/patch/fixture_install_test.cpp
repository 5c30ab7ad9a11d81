#include "console/patch/fixture_install.h"

#include <gtest/gtest.h>

#include "tests/patch/patch_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

FixtureTypeRecord rgbi(int id = 7, int channels = 4) {
  FixtureTypeRecord r;
  r.id = id;
  r.name = "RGBI";
  r.channelCount = int16_t(channels);
  r.intensity = 1;
  r.minIntensity = 5;
  r.red = 2;
  r.green = channels >= 3 ? 3 : 0;
  r.blue = channels >= 4 ? 4 : 0;
  return r;
}

FixtureChannelTable tableOf(const FixtureTypeRecord& r) {
  FixtureChannelTable t = FixtureChannelTable::blank();
  const char* names[] = {"Intensity", "Red", "Green", "Blue", "Amber", "White"};
  for (int i = 1; i <= r.channelCount && i <= 6; ++i)
    t.setChannel(i, i == 1 ? "0-100" : "0-255", names[i - 1]);
  return t;
}

// A show with a one-to-one patch of 256 channels, a blank map at warm-up level 10 and the grid loaded.
class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.ctx->MaxChannels = 256;
    f.ctx->WarmUpLevel = 10;
    ASSERT_TRUE(CreatenewFile(f.mapFile, 10).ok());
    ASSERT_TRUE(CreatenewP(*f.ctx, tables, &grid).ok());
    ASSERT_TRUE(Loadgrid(*f.ctx, tables, grid).ok());
  }
  FixtureInstallContext context() { return FixtureInstallContext{*f.ctx, tables, grid, map}; }
  FixtureMap stored() {
    FixtureMap r;
    EXPECT_TRUE(readFixtureMapRecords(f.mapFile, r));
    return r;
  }

  PatchFolder f;
  PatchTables tables;
  PatchGrid grid;
  FixtureMap map;
};

}  // namespace

TEST_F(InstallTest, FourChannelTypeAt101) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord type = rgbi();
  ASSERT_TRUE(Newfixture(ctx, 101, type, tableOf(type), "  stage left ", {type}).ok());
  const FixtureMap r = stored();
  const int16_t warm[] = {5, -1, -1, -1};
  const int16_t role[] = {99, 1, 2, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.FixtureStart[101 + i], 101);
    EXPECT_EQ(r.WarmUpLevels[101 + i], warm[i]);
    EXPECT_EQ(r.FixtureTypes[101 + i], 7);
    EXPECT_EQ(r.FixtureAttributes[101 + i], role[i]);
    EXPECT_EQ(map.FixtureStart[101 + i], 101);
    EXPECT_EQ(map.WarmUpLevels[101 + i], i == 0 ? 5 : 0);
  }
  EXPECT_EQ(r.FixtureStart[100], 0);
  EXPECT_EQ(r.WarmUpLevels[105], 10);
  // The descriptions were saved with the patch and read back.
  EXPECT_EQ(grid.rowForChannel(101)->description, "Intensity stage left");
  EXPECT_EQ(grid.rowForChannel(104)->description, "Blue stage left");
  EXPECT_TRUE(PatchFolder::read(f.patchFile).contains("\r\n101,101,Intensity stage left,\r\n"));
  EXPECT_EQ(installedInstances(tables, map, 256, 7), std::vector<int>{101});
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(InstallTest, TypeWithoutIntensityAndMissingLibraryRecord) {
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  auto ctx = context();
  FixtureTypeRecord type = rgbi(9, 3);
  type.intensity = 0;
  ASSERT_TRUE(Newfixture(ctx, 20, type, tableOf(type), "", {}).ok());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Fixture file problem");
  EXPECT_EQ(dialogs.shown[0].text, "The fixture number 9 was not found.");
  const FixtureMap r = stored();
  for (int a = 20; a <= 22; ++a) {
    EXPECT_EQ(r.WarmUpLevels[a], -1);
    EXPECT_EQ(r.FixtureAttributes[a], 0);
  }
}

TEST_F(InstallTest, StartAddressesThatDoNotFitAreRefused) {
  DialogRecorder dialogs;
  const QByteArray before = PatchFolder::read(f.mapFile);
  auto ctx = context();
  const FixtureTypeRecord type = rgbi();
  for (int s : {0, -3, 254, 256, 1021, 2000}) {
    dialogs.answer(DialogResult::Cancel);
    EXPECT_EQ(Newfixture(ctx, s, type, tableOf(type), "", {type}).status, PatchFileResult::Status::Refused)
        << s;
  }
  EXPECT_EQ(dialogs.count("Fixture Address problem"), 6);
  FixtureTypeRecord none = rgbi();
  none.channelCount = 0;
  dialogs.answer(DialogResult::Cancel);
  EXPECT_EQ(Newfixture(ctx, 10, none, tableOf(none), "", {none}).status, PatchFileResult::Status::Refused);
  EXPECT_EQ(PatchFolder::read(f.mapFile), before);
  EXPECT_TRUE(Newfixture(ctx, 253, type, tableOf(type), "", {type}).ok());  // 253..256 fits
}

TEST_F(InstallTest, OccupiedAddressesAskAndCancelWritesNothing) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord type = rgbi();
  ASSERT_TRUE(Newfixture(ctx, 101, type, tableOf(type), "", {type}).ok());
  const QByteArray before = PatchFolder::read(f.mapFile);
  dialogs.answer(DialogResult::Ok);
  dialogs.answer(DialogResult::Cancel);
  EXPECT_EQ(Newfixture(ctx, 103, type, tableOf(type), "", {type}).status, PatchFileResult::Status::Refused);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].title, "Fixture Address warning");
  EXPECT_EQ(dialogs.shown[0].text, "Channel 103 is already assigned.\n\rClick OK to override.");
  EXPECT_EQ(PatchFolder::read(f.mapFile), before);
}

TEST_F(InstallTest, ReinstallingAShrunkTypeFreesTheOldTail) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord wide = rgbi(7, 4);
  ASSERT_TRUE(Newfixture(ctx, 101, wide, tableOf(wide), "", {wide}).ok());
  const FixtureTypeRecord narrow = rgbi(7, 2);
  for (int i = 0; i < 2; ++i) dialogs.answer(DialogResult::Ok);
  ASSERT_TRUE(Newfixture(ctx, 101, narrow, tableOf(narrow), "", {narrow}).ok());
  const FixtureMap r = stored();
  EXPECT_EQ(r.FixtureStart[102], 101);
  for (int a : {103, 104}) {
    EXPECT_EQ(r.FixtureStart[a], 0);
    EXPECT_EQ(r.WarmUpLevels[a], 10);
    EXPECT_EQ(r.FixtureTypes[a], 0);
    EXPECT_EQ(r.FixtureAttributes[a], 0);
    EXPECT_EQ(map.FixtureStart[a], 0);
    EXPECT_EQ(grid.rowForChannel(a)->description, "");
  }
}

TEST_F(InstallTest, RemovalRestoresMapAndPatch) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord type = rgbi();
  ASSERT_TRUE(Newfixture(ctx, 101, type, tableOf(type), "", {type}).ok());
  // Channel 5 names the fixture and drives 101 and 30; channel 102 was patched elsewhere; channel 6 drives
  // 103.
  grid.rowForChannel(5)->fixture = "101";
  grid.rowForChannel(5)->dimmer = "101/50 30";
  grid.rowForChannel(102)->dimmer = "";
  grid.rowForChannel(6)->dimmer = "103";
  grid.rowForChannel(104)->dimmer = "7";
  ASSERT_TRUE(DelAddress(ctx, 101).ok());
  const FixtureMap r = stored();
  for (int a = 101; a <= 104; ++a) {
    EXPECT_EQ(r.FixtureStart[a], 0);
    EXPECT_EQ(r.WarmUpLevels[a], 10);
    EXPECT_EQ(r.FixtureTypes[a], 0);
    EXPECT_EQ(r.FixtureAttributes[a], 0);
    EXPECT_EQ(grid.rowForChannel(a)->dimmer, QString::number(a));
    EXPECT_EQ(grid.rowForChannel(a)->description, "");
  }
  EXPECT_EQ(grid.rowForChannel(5)->fixture, "");
  EXPECT_EQ(grid.rowForChannel(5)->dimmer, "30");
  EXPECT_EQ(grid.rowForChannel(6)->dimmer, "6");
  EXPECT_EQ(tables.PatchTable.text(5), "|30|");
  EXPECT_EQ(tables.ChannelFixture[5], 0);
  EXPECT_TRUE(installedInstances(tables, map, 256, 7).empty());
  // Removing an address where nothing is installed changes no fixture.
  EXPECT_TRUE(DelAddress(ctx, 50).ok());
}

TEST_F(InstallTest, ScrollerListRules) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord type = rgbi();
  ASSERT_TRUE(Newfixture(ctx, 15, type, tableOf(type), "", {type}).ok());
  ASSERT_TRUE(saveScrollerList(f.mapFile, map, 256, " 30  31 ", testOperator()).result.ok());
  EXPECT_EQ(stored().FixtureStart[30], 2000);
  EXPECT_EQ(map.FixtureStart[31], 2000);

  struct Case {
    QString memo;
    QString title;
    QString text;
    bool disables;
  } cases[] = {
      {"18 17", "Mover/Scroller Address problem",
       "Mover/Scroller channel 18 is already assigned or an LED. Changes not saved.", true},
      {"40 2000", "Mover/Scroller Soft Patch problem",
       "There is a problem with Mover/Scroller 2000. Changes not saved.", false},
      {"0", "Mover/Scroller Soft Patch problem",
       "There is a problem with Mover/Scroller 0. Changes not saved.", false},
      {"4x", "Mover/Scroller Soft Patch problem",
       "There is a problem with Mover/Scroller 4x. Changes not saved.", false},
  };
  const QByteArray before = PatchFolder::read(f.mapFile);
  for (const Case& c : cases) {
    dialogs.shown.clear();
    dialogs.answer(DialogResult::Ok);
    const ScrollerSaveResult r = saveScrollerList(f.mapFile, map, 256, c.memo, testOperator());
    EXPECT_EQ(r.result.status, PatchFileResult::Status::Refused);
    EXPECT_EQ(r.disableSave, c.disables);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, c.title);
    EXPECT_EQ(dialogs.shown[0].text, c.text);
    EXPECT_EQ(PatchFolder::read(f.mapFile), before);
  }
  // A new list replaces the old codes.
  ASSERT_TRUE(saveScrollerList(f.mapFile, map, 256, "40", testOperator()).result.ok());
  EXPECT_EQ(stored().FixtureStart[30], 0);
  EXPECT_EQ(stored().FixtureStart[40], 2000);
}

TEST_F(InstallTest, InUseListAndTypeDeletionFromMap) {
  DialogRecorder dialogs;
  auto ctx = context();
  const FixtureTypeRecord a = rgbi(7, 4);
  FixtureTypeRecord b = rgbi(8, 3);
  b.name = "Three";
  ASSERT_TRUE(Newfixture(ctx, 101, a, tableOf(a), "", {a, b}).ok());
  ASSERT_TRUE(Newfixture(ctx, 10, b, tableOf(b), "", {a, b}).ok());
  ASSERT_TRUE(Newfixture(ctx, 200, a, tableOf(a), "", {a, b}).ok());
  ASSERT_TRUE(saveScrollerList(f.mapFile, map, 256, "50", testOperator()).result.ok());
  EXPECT_EQ(fixturesInUse(stored(), {a, b}, 256), QStringList({"10 - Three", "101 - RGBI", "200 - RGBI"}));
  // A type missing from the library, and a type of no channels, still end.
  FixtureTypeRecord empty = a;
  empty.channelCount = 0;
  EXPECT_EQ(fixturesInUse(stored(), {empty}, 256),
            QStringList({"10 - 8 not found!", "101 - RGBI", "102 - RGBI", "103 - RGBI", "104 - RGBI",
                         "200 - RGBI", "201 - RGBI", "202 - RGBI", "203 - RGBI"}));

  ASSERT_TRUE(clearTypeFromMap(f.mapFile, map, 256, 7).ok());
  const FixtureMap r = stored();
  EXPECT_EQ(r.FixtureTypes[101], 0);
  EXPECT_EQ(r.FixtureStart[203], 0);
  EXPECT_EQ(r.FixtureTypes[10], 8);
  EXPECT_EQ(r.FixtureStart[12], 10);
  EXPECT_EQ(r.FixtureStart[50], 2000);
}
