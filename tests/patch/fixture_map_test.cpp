#include "console/patch/fixture_map.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/patch/patch_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {
QByteArray record(std::initializer_list<std::pair<int, int16_t>> values) {
  FixtureMap::Table t{};
  for (auto [address, v] : values) t[address] = v;
  return encodeMapRecord(t);
}
}  // namespace

TEST(FixtureMapFile, NewMapHasExactBytes) {
  PatchFolder f;
  ASSERT_TRUE(CreatenewFile(f.mapFile, 10).ok());
  const QByteArray bytes = PatchFolder::read(f.mapFile);
  ASSERT_EQ(bytes.size(), 8192);
  for (int i = 0; i < 8192; ++i) {
    const bool warmUpLow = i >= 2048 && i < 4096 && i % 2 == 0;
    ASSERT_EQ(uint8_t(bytes[i]), warmUpLow ? 10 : 0) << "byte " << i;
  }
}

TEST(FixtureMapFile, RecordsAreLittleEndianByAddress) {
  const QByteArray r = record({{1, 101}, {2, -1}, {1024, 2000}});
  ASSERT_EQ(r.size(), 2048);
  EXPECT_EQ(uint8_t(r[0]), 101);
  EXPECT_EQ(uint8_t(r[1]), 0);
  EXPECT_EQ(uint8_t(r[2]), 0xFF);
  EXPECT_EQ(uint8_t(r[3]), 0xFF);
  EXPECT_EQ(uint8_t(r[2046]), 2000 & 0xFF);
  EXPECT_EQ(uint8_t(r[2047]), 2000 >> 8);
  FixtureMap::Table back{};
  decodeMapRecord(r, back);
  EXPECT_EQ(back[1], 101);
  EXPECT_EQ(back[2], -1);
  EXPECT_EQ(back[1024], 2000);
  EXPECT_EQ(back[0], 0);
}

TEST(FixtureMapFile, ActivationReadsStartsAndWarmUpLevels) {
  PatchFolder f;
  PatchFolder::write(f.mapFile, record({{1, 0}, {2, 2000}, {3, 101}, {4, 0}, {5, 0}}) +
                                    record({{1, 10}, {2, 10}, {3, -1}, {4, 20}, {5, 30}}) + record({}) +
                                    record({}));
  FixtureMapFile file;
  FixtureMap map;
  map.WarmUpLevels[5] = 77;
  ASSERT_TRUE(readFixtureMapAtActivation(file, f.mapFile, 4, map).ok());
  EXPECT_TRUE(file.isOpen());  // kept open for the main window
  EXPECT_EQ(map.FixtureStart[2], 2000);
  EXPECT_EQ(map.FixtureStart[3], 101);
  EXPECT_EQ(map.WarmUpLevels[1], 10);
  EXPECT_EQ(map.WarmUpLevels[2], 0);  // mover/scroller address
  EXPECT_EQ(map.WarmUpLevels[3], 0);  // fixture channel
  EXPECT_EQ(map.WarmUpLevels[4], 20);
  EXPECT_EQ(map.WarmUpLevels[5], 77);  // above the channel count
}

TEST(FixtureMapFile, WarmUpLevelsAboveOneByteAreTheTopLevel) {
  PatchFolder f;
  PatchFolder::write(
      f.mapFile, record({}) + record({{1, 300}, {2, 255}, {3, 256}, {4, 32767}}) + record({}) + record({}));
  FixtureMapFile file;
  FixtureMap map;
  ASSERT_TRUE(readFixtureMapAtActivation(file, f.mapFile, 4, map).ok());
  for (int a = 1; a <= 4; ++a) EXPECT_EQ(map.WarmUpLevels[a], 255) << "address " << a;
}

TEST(FixtureMapFile, ActivationWithoutRecordOneGivesNoWarmUp) {
  PatchFolder f;
  PatchFolder::write(f.mapFile, record({{1, 1}}));
  FixtureMapFile file;
  FixtureMap map;
  map.WarmUpLevels.fill(5);
  ASSERT_TRUE(readFixtureMapAtActivation(file, f.mapFile, 512, map).ok());
  EXPECT_EQ(map.FixtureStart[1], 1);
  EXPECT_EQ(map.WarmUpLevels[1], 0);
  EXPECT_EQ(map.WarmUpLevels[512], 0);
  EXPECT_EQ(map.WarmUpLevels[513], 5);
}

TEST(FixtureMapFile, ActivationFailuresLeaveTheTables) {
  PatchFolder f;
  FixtureMapFile file;
  FixtureMap map;
  map.FixtureStart[1] = 3;
  PatchFileResult r = readFixtureMapAtActivation(file, f.mapFile, 512, map);
  EXPECT_EQ(r.status, PatchFileResult::Status::FileError);
  EXPECT_TRUE(r.error.contains("File not"));

  PatchFolder::write(f.mapFile, QByteArray(100, '\1'));  // not even one record
  r = readFixtureMapAtActivation(file, f.mapFile, 512, map);
  EXPECT_EQ(r.status, PatchFileResult::Status::FileError);
  EXPECT_EQ(map.FixtureStart[1], 3);
}

TEST(FixtureMapFile, NewMapForTheShow) {
  PatchFolder f;
  DialogRecorder dialogs;
  PatchContext& ctx = *f.ctx;
  ctx.WarmUpLevel = 10;

  // FileSource on: a blank map at the program's map name, no questions.
  ASSERT_TRUE(Newmapfile(ctx).ok());
  EXPECT_EQ(PatchFolder::read(f.mapFile), newFixtureMapBytes(10));
  EXPECT_TRUE(dialogs.shown.empty());

  // FileSource off: the map follows the cue file.
  ctx.FileSource = false;
  ASSERT_TRUE(QDir(f.dir.path()).mkpath("cues"));
  const QString target = f.path("cues/show.fmap");
  dialogs.answer(DialogResult::No);
  ASSERT_TRUE(Newmapfile(ctx).ok());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Fixture File");
  EXPECT_EQ(dialogs.shown[0].text, "Would you like to use an existing\n\rfile as your base for this show?");
  EXPECT_EQ(f.mapFile, target);
  EXPECT_EQ(PatchFolder::read(target), newFixtureMapBytes(10));

  // Yes and cancel: nothing is made.
  QFile::remove(target);
  dialogs.answer(DialogResult::Yes);
  ctx.openFile = [](const OpenFileRequest& req) {
    EXPECT_EQ(req.filter, "Fixture Files (*.fmap)|*.FMAP");
    EXPECT_EQ(req.defaultExt, "fmap");
    return QString();
  };
  ASSERT_TRUE(Newmapfile(ctx).ok());
  EXPECT_FALSE(QFile::exists(target));

  // Yes and a base map: copied.
  const QByteArray base = record({{1, 1}}) + record({}) + record({{1, 3}}) + record({{1, 99}});
  PatchFolder::write(f.path("base.fmap"), base);
  dialogs.answer(DialogResult::Yes);
  ctx.openFile = [&](const OpenFileRequest&) { return f.path("base.fmap"); };
  ASSERT_TRUE(Newmapfile(ctx).ok());
  EXPECT_EQ(PatchFolder::read(target), base);
}
