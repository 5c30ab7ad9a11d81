// Every save of the console on a full disk: the save fails, says why, and the file it would have
// replaced is left byte for byte as it was; once space is freed the same save works.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "console/editors/cue_file_restructure.h"
#include "console/editors/loop_file_list.h"
#include "console/engine/cue_backup.h"
#include "console/engine/cue_loop_file.h"
#include "console/patch/fixture_library.h"
#include "console/patch/fixture_map.h"
#include "console/patch/soft_patch_file.h"
#include "console/remote/remote_reply_file.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/small_disk.h"
#include "tests/support/test_clock.h"

namespace {

using namespace cue_test;

// One save: runs it and returns the error text it gave ("" when it reported success).
struct Save {
  const char* name;
  QString file;  // the file it would replace
  std::function<QString()> run;
};

QString thrownBy(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return QString();
}

}  // namespace

TEST(FullDisk, NoSaveReplacesAGoodFileAndEachSaysWhy) {
  if (!onSmallDisk()) {
    RERUN_ON_SMALL_DISK(64);
    return;
  }
  const QDir disk(smallDiskFolder());
  CurrentDirGuard cwd;
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;

  const QString cuePath = disk.filePath("show.lcue");
  writeCueFile(cuePath, {cue(100, "a"), cue(200, "b"), cue(300, "c")});
  writeBytes(disk.filePath("vqlighting.ini"),
             "[Settings]\r\nMaxChannels=16\r\n[CueFile]\r\nLast=show.lcue\r\n");
  ASSERT_TRUE(writeOneToOnePatch(disk.filePath("show.spch"), 16).ok());
  ASSERT_TRUE(CreatenewFile(disk.filePath("show.fmap"), 5).ok());
  writeBytes(disk.filePath("read.txt"), "read50\r\n\r\n");
  ASSERT_TRUE(LoopFileList(cuePath).setFile(1, "loop1.lcue"));
  ASSERT_TRUE(createFixtureLibraryIfMissing(disk.filePath("fixtures.lfix")).ok());
  FixtureLibrary library;
  ASSERT_TRUE(readFixtureLibrary(disk.filePath("fixtures.lfix"), library));

  CueFile cueFile;
  ASSERT_TRUE(cueFile.open(cuePath));
  CueBackupState backup;
  CueBackupHost backupHost;
  QString replyError;
  TestClock clock;
  RemoteReplyFile reply([&](const QString& e) { replyError = e; }, clock);
  reply.setFolder(disk.path());

  const std::vector<Save> saves = {
      {"settings", disk.filePath("vqlighting.ini"),
       [&] {
         IniFile ini(disk.filePath("vqlighting.ini"));
         ini.writeString("Settings", "Show", QString(2000, 's'));
         return ini.save() ? QString() : ini.errorString();
       }},
      {"soft patch", disk.filePath("show.spch"),
       [&] { return writeOneToOnePatch(disk.filePath("show.spch"), 1024).error; }},
      {"fixture map", disk.filePath("show.fmap"),
       [&] { return CreatenewFile(disk.filePath("show.fmap"), 10).error; }},
      {"read.txt", disk.filePath("read.txt"),
       [&] {
         replyError.clear();
         reply.post(QString(5000, 'r'));
         reply.writeNow();
         return replyError;
       }},
      {"cue insert", cuePath,
       [&] { return thrownBy([&] { insertCueRecords(cueFile, 1, {cue(150, "x")}); }); }},
      {"cue delete", cuePath, [&] { return thrownBy([&] { deleteCueRecords(cueFile, 0, 1); }); }},
      {"cue append", cuePath,
       [&] { return thrownBy([&] { cueFile.writeRecord(cueFile.count(), cue(400, "d")); }); }},
      {"fixture library", disk.filePath("fixtures.lfix"),
       [&] {
         FixtureLibrary more = library;
         more.resize(40);
         return writeFixtureLibrary(disk.filePath("fixtures.lfix"), more).error;
       }},
      {"loop file list", loopFileListName(cuePath),
       [&] { return LoopFileList(cuePath).setFile(2, QString(3000, 'l')) ? QString() : QString("failed"); }},
  };

  std::map<QString, QByteArray> before;
  for (const Save& s : saves) before[s.file] = readBytes(s.file);
  const QStringList filesBefore = disk.entryList(QDir::Files);
  ASSERT_TRUE(fillSmallDisk(disk.path()));

  for (const Save& s : saves) {
    SCOPED_TRACE(s.name);
    const QString error = s.run();
    EXPECT_FALSE(error.isEmpty()) << "the save must fail";
    if (QString(s.name) != "loop file list") {
      EXPECT_TRUE(error.contains("No space left on device")) << error.toStdString();
    }
    EXPECT_EQ(readBytes(s.file), before[s.file]) << "the old file is intact";
  }
  // The timed backup: no copy appears, none is deleted, the failure is told once.
  backup.BackupCounter = 4;
  EXPECT_ANY_THROW(dobackup(cuePath, cueFile, backup, false, 0, backupHost, testOperator()));
  EXPECT_EQ(dialogs.count("Backup Error"), 1);
  QStringList filesAfter = disk.entryList(QDir::Files);
  filesAfter.removeAll("filler");
  filesAfter.removeAll("LogFile.txt");
  EXPECT_EQ(filesAfter, filesBefore) << "no partial, temporary or backup file is left";
  EXPECT_EQ(cueFile.count(), 3);

  // Space again: the same saves work.
  QFile::remove(disk.filePath("filler"));
  for (const Save& s : saves) {
    SCOPED_TRACE(s.name);
    EXPECT_TRUE(s.run().isEmpty());
  }
  EXPECT_EQ(cueFile.count(), 3 + 1 - 1 + 1) << "insert, delete and append went in";
}

TEST(FullDisk, ASideFileThatCannotBeMadeAtActivationIsNotLeftEmpty) {
  if (!onSmallDisk()) {
    RERUN_ON_SMALL_DISK(64);
    return;
  }
  const QDir disk(smallDiskFolder());
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  QString patchName = disk.filePath("show.spch");
  QString mapName = disk.filePath("show.fmap");
  PatchContext ctx(patchName, mapName);
  ctx.CueFileName = disk.filePath("show.lcue");
  ctx.programFolder = disk.path();
  ctx.MaxChannels = 512;
  ctx.waitPumped = [](int) {};
  ctx.operatorToAsk = std::make_shared<DialogOperator>();
  ctx.pumpEvents = [] {};
  PatchTables tables;
  PatchGrid grid;
  FixtureMapFile mapFile;
  FixtureMap map;
  ASSERT_TRUE(fillSmallDisk(disk.path()));

  const PatchFileResult r = loadSideFilesAtActivation(ctx, tables, &grid, mapFile, map);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.error.contains("No space left on device")) << r.error.toStdString();
  EXPECT_FALSE(QFile::exists(mapName)) << "no empty fixture map";
  EXPECT_FALSE(QFile::exists(patchName)) << "no empty soft patch";
  EXPECT_EQ(disk.entryList(QDir::Files), QStringList{"filler"});

  // The next start, with space freed, makes both whole.
  QFile::remove(disk.filePath("filler"));
  const PatchFileResult again = loadSideFilesAtActivation(ctx, tables, &grid, mapFile, map);
  ASSERT_TRUE(again.ok()) << again.error.toStdString();
  EXPECT_EQ(QFileInfo(mapName).size(), 8192);
  EXPECT_GT(QFileInfo(patchName).size(), 512);
}
