#include "console/engine/show_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "console/engine/console_settings.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"

using namespace cue_test;

namespace {

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

}  // namespace

TEST(RecentShows, NewestFirstAtMostEightAndMovedToTheTop) {
  RecentShows mru;
  for (int i = 1; i <= 10; ++i) mru.AddFile(QString("/shows/%1.lcue").arg(i));
  ASSERT_EQ(mru.files().size(), 8);
  EXPECT_EQ(mru.files().front(), "/shows/10.lcue");
  EXPECT_EQ(mru.files().back(), "/shows/3.lcue");
  mru.AddFile("/shows/5.lcue");
  EXPECT_EQ(mru.files().size(), 8);
  EXPECT_EQ(mru.files().front(), "/shows/5.lcue");
  EXPECT_EQ(mru.files().count("/shows/5.lcue"), 1);

  QTemporaryDir dir;
  IniFile ini(dir.filePath("vqlighting.ini"));
  mru.write(ini);
  ASSERT_TRUE(ini.save());
  RecentShows back;
  back.read(IniFile(dir.filePath("vqlighting.ini")));
  EXPECT_EQ(back.files(), mru.files());
  RecentShows two;
  two.AddFile("/a.lcue");
  two.AddFile("/b.lcue");
  two.write(ini);
  EXPECT_EQ(ini.readString("MRU List", "3", "x"), "") << "every key is written, the empty ones empty";
  RecentShows reread;
  reread.read(ini);
  EXPECT_EQ(reread.files(), (QStringList{"/b.lcue", "/a.lcue"}));
}

TEST(ShowFiles, CueExtensionAppendedOnlyWhenMissing) {
  EXPECT_EQ(withCueExtension("/x/Show2"), "/x/Show2.lcue");
  EXPECT_EQ(withCueExtension("/x/Show2.lcue"), "/x/Show2.lcue");
  EXPECT_EQ(withCueExtension("/x/Show2.LCUE"), "/x/Show2.LCUE");
}

TEST(ShowFiles, BackupCopiesTheSetAndNeverTheShowOntoItself) {
  QTemporaryDir dir;
  QDir(dir.path()).mkpath("prog");
  QDir(dir.path()).mkpath("shows");
  QDir(dir.path()).mkpath("backup");
  const QString program = dir.filePath("prog/vqlighting");
  const QString cue = dir.filePath("shows/show.lcue");
  put(cue, "CUES");
  for (const char* ext : {".fmap", ".spch", ".lgrp", ".ini"})
    put(dir.filePath(QString("prog/vqlighting") + ext), ext);
  put(dir.filePath("prog/vqlighting.lfix"), "LIB");

  ShowSetBackup b{cue, dir.filePath("backup/Show2.lcue"), true, program,
                  dir.filePath("prog/vqlighting.lfix")};
  EXPECT_EQ(backupShowSet(b), "");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("backup/Show2.lcue")), "CUES");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("backup/vqlighting.fmap")), ".fmap");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("backup/vqlighting.ini")), ".ini");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("backup/vqlighting.lfix")), "LIB");
  EXPECT_FALSE(QFile::exists(dir.filePath("backup/vqlighting.scne"))) << "a missing source is skipped";

  // A backup into the program's own folder never copies a file onto itself.
  ShowSetBackup home{cue, dir.filePath("prog/copy.lcue"), true, program,
                     dir.filePath("prog/vqlighting.lfix")};
  EXPECT_EQ(backupShowSet(home), "");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("prog/vqlighting.fmap")), ".fmap");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("prog/vqlighting.lfix")), "LIB");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("prog/copy.lcue")), "CUES");

  // With the side files following the show, the target named like the show itself changes nothing.
  put(dir.filePath("shows/show.spch"), "PATCH");
  ShowSetBackup self{cue, dir.filePath("shows/./show.lcue"), false, program, QString()};
  EXPECT_EQ(backupShowSet(self), "");
  EXPECT_EQ(cue_test::readBytes(cue), "CUES");
  EXPECT_EQ(cue_test::readBytes(dir.filePath("shows/show.spch")), "PATCH");
  EXPECT_TRUE(sameFile(cue, dir.filePath("shows/../shows/show.lcue")));
  const QStringList left = QDir(dir.filePath("shows")).entryList(QDir::Files);
  EXPECT_EQ(left, (QStringList{"show.lcue", "show.spch"})) << "no temporary file stays behind";
}

TEST(ShowFiles, RenumberRemapsLoopTargets) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.lcue");
  CueRecord a = cue(100, "a"), b = cue(250, "b"), c = cue(300, "c");
  c.loopTarget = 250;
  b.loopTarget = 999;  // names no cue: kept
  writeCueFile(path, {a, b, c});
  CueFile file;
  ASSERT_TRUE(file.open(path));
  EXPECT_FALSE(renumberCues(file, 0));
  EXPECT_EQ(file.readRecord(0).cueNumber, 100);
  ASSERT_TRUE(renumberCues(file, 5));
  EXPECT_EQ(file.readRecord(0).cueNumber, 500);
  EXPECT_EQ(file.readRecord(1).cueNumber, 1000);
  EXPECT_EQ(file.readRecord(2).cueNumber, 1500);
  EXPECT_EQ(file.readRecord(2).loopTarget, 1000);
  EXPECT_EQ(file.readRecord(1).loopTarget, 999);
}

TEST(ShowFiles, WarmUpRewriteLeavesFixtureAddressesAlone) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.fmap");
  put(path, newFixtureMapBytes(0));
  {
    FixtureMapFile f;
    ASSERT_TRUE(f.open(path));
    FixtureMap::Table start{}, warm{};
    for (int a = 5; a <= 8; ++a) start[size_t(a)] = 5;
    warm[5] = -1;
    warm[8] = 12;
    ASSERT_TRUE(f.writeTable(FixtureMapRecord::Start, start));
    ASSERT_TRUE(f.writeTable(FixtureMapRecord::WarmUp, warm));
  }
  FixtureMapFile mapFile;
  FixtureMap map;
  ASSERT_TRUE(rewriteWarmUp(mapFile, path, 10, map).ok());
  FixtureMap::Table warm{};
  ASSERT_TRUE(mapFile.readTable(FixtureMapRecord::WarmUp, warm));
  EXPECT_EQ(warm[1], 10);
  EXPECT_EQ(warm[1024], 10);
  EXPECT_EQ(warm[5], -1);
  EXPECT_EQ(warm[8], 12);
  EXPECT_EQ(map.WarmUpLevels[4], 10);
  EXPECT_EQ(map.WarmUpLevels[8], 0);
  EXPECT_EQ(map.FixtureStart[6], 5);
}

TEST(ShowFiles, ScrollerTakeoverWritesTheAddressAndRefusesFixtures) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.fmap");
  put(path, newFixtureMapBytes(0));
  {
    FixtureMapFile f;
    ASSERT_TRUE(f.open(path));
    FixtureMap::Table start{};
    start[3] = 2000;
    start[5] = 5;
    ASSERT_TRUE(f.writeTable(FixtureMapRecord::Start, start));
  }
  PatchFileResult r;
  const QStringList refused = takeOverScrollers(path, "12  5 40 x 300", 256, r);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(refused, (QStringList{"5", "x", "300"}));
  FixtureMapFile f;
  ASSERT_TRUE(f.open(path));
  FixtureMap::Table start{};
  ASSERT_TRUE(f.readTable(FixtureMapRecord::Start, start));
  EXPECT_EQ(start[3], 0) << "the old scroller is let go";
  EXPECT_EQ(start[12], 2000);
  EXPECT_EQ(start[40], 2000);
  EXPECT_EQ(start[5], 5);
}
