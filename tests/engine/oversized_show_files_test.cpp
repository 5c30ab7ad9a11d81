// Show files far larger than any real show: each reader refuses them by their size, before reading,
// tells the operator it was handed which file and how large, and leaves the file as it is.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "console/engine/channel_groups.h"
#include "console/engine/cue_backup.h"
#include "console/engine/cue_file_open.h"
#include "console/engine/cue_reader.h"
#include "console/engine/loop_steps.h"
#include "console/engine/scene_file.h"
#include "platform/file_limits.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/scripted_operator.h"

namespace {

using namespace cue_test;

void makeSparse(const QString& path, qint64 size, const QByteArray& head = QByteArray()) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(head), head.size());
  ASSERT_TRUE(f.resize(size));
}

class OversizedShowFilesTest : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  // The one question asked: "File too large", naming the file and its size.
  void expectReported(const QString& file, const QString& size, const QString& title = "File too large") {
    ASSERT_EQ(op.asked.size(), 1u);
    EXPECT_EQ(op.asked[0].title, title);
    EXPECT_TRUE(op.asked[0].text.contains(QDir::toNativeSeparators(file))) << op.asked[0].text.toStdString();
    EXPECT_TRUE(op.asked[0].text.contains(size)) << op.asked[0].text.toStdString();
  }

  CurrentDirGuard cwd;
  QTemporaryDir dir;
  ScriptedOperator op;
  CueFile cueFile;
  CueTables tables;
};

constexpr qint64 kHuge = 3LL * 1024 * 1024 * 1024;

TEST_F(OversizedShowFilesTest, ACueFileIsOpenedAsMissingReadAsMissingAndNeverBackedUp) {
  const QString show = path("huge.lcue");
  makeSparse(show, kHuge, cue(100, "first").encode());

  class Host : public CueOpenHost {
   public:
    void cueFileMissing() override { missing = true; }
    bool missing = false;
  } openHost;
  tables.CuesLoaded = true;
  const CueOpenResult opened = OpenCueFile(show, cueFile, tables, CueOpenSettings{}, openHost, op);
  EXPECT_EQ(opened.Status, CueOpenStatus::TooLarge);
  EXPECT_TRUE(openHost.missing);
  EXPECT_FALSE(cueFile.isOpen());
  EXPECT_FALSE(tables.CuesLoaded);
  expectReported(show, "3.0 GB");

  // A reading keeps the tables of the show before.
  op.asked.clear();
  tables.resize(1);
  tables.CueCount = 1;
  CuePlaybackRows rows;
  CueReadHost readHost;
  EXPECT_EQ(readCueFile(show, cueFile, tables, rows, CueReadSettings{}, readHost, op),
            CueReadStatus::TooLarge);
  EXPECT_EQ(tables.CueCount, 1);
  expectReported(show, "3.0 GB");

  // The backup at shut-down makes no copy of it.
  op.asked.clear();
  CueBackupState state;
  state.BackupCounter = 4;
  CueBackupHost backupHost;
  EXPECT_EQ(dobackup(show, cueFile, state, true, 0, backupHost, op), CueBackupOutcome::NoCueFile);
  EXPECT_TRUE(op.asked.empty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"huge.lcue"}));
  EXPECT_EQ(QFileInfo(show).size(), kHuge);
}

TEST_F(OversizedShowFilesTest, TheLimitsLieFarAboveARealShow) {
  // A show of 20,000 cues opens.
  const QString show = path("big.lcue");
  makeSparse(show, 20000LL * kCueRecordSize, cue(100, "first").encode());
  CueOpenHost host;
  EXPECT_EQ(OpenCueFile(show, cueFile, tables, CueOpenSettings{}, host, op).Status, CueOpenStatus::Opened);
  EXPECT_TRUE(op.asked.empty());
  EXPECT_GT(file_limit::kCueFile, 2 * 20000LL * kCueRecordSize);
}

TEST_F(OversizedShowFilesTest, ASubmasterFileIsReadAsMissingAndReported) {
  const QString show = path("show.lcue");
  writeCueFile(show, {cue(100, "a")});
  const QString subs = path("show.subs");
  makeSparse(subs, kHuge, "[Submasters]\r\nsubtitle0=Front\r\n");
  class Host : public CueReadHost {
   public:
    void submastersRead(const SubmasterFileSetup& s) override { setup = s; }
    SubmasterFileSetup setup;
  } host;
  CuePlaybackRows rows;
  EXPECT_EQ(readCueFile(show, cueFile, tables, rows, CueReadSettings{}, host, op), CueReadStatus::Loaded);
  EXPECT_FALSE(host.setup.exists);
  EXPECT_EQ(host.setup.strips[0].title, "Unused");
  expectReported(subs, "3.0 GB", "Submaster File problem");
  EXPECT_EQ(QFileInfo(subs).size(), kHuge);
}

TEST_F(OversizedShowFilesTest, SceneGroupAndLoopCueFilesAreRefusedAndLeftAsTheyAre) {
  const QString scenes = path("show.scne");
  makeSparse(scenes, kHuge);
  QString error;
  EXPECT_FALSE(readSceneFile(scenes, &error));
  EXPECT_TRUE(error.contains(QDir::toNativeSeparators(scenes)) && error.contains("3.0 GB"))
      << error.toStdString();
  EXPECT_FALSE(appendScene(scenes, makeScene("new", {}, 0), &error));
  EXPECT_EQ(QFileInfo(scenes).size(), kHuge);

  const QString groups = path("show.lgrp");
  makeSparse(groups, kHuge, "[Groups]\r\ng0=1,2\r\n");
  const ChannelGroupTexts read = LoadGroups(groups, &error);
  EXPECT_TRUE(read[0].isEmpty());
  EXPECT_TRUE(error.contains(QDir::toNativeSeparators(groups)) && error.contains("3.0 GB"))
      << error.toStdString();
  EXPECT_FALSE(saveGroups(groups, read, &error));
  EXPECT_EQ(QFileInfo(groups).size(), kHuge);

  const QString loop = path("loop.lcue");
  makeSparse(loop, kHuge, cue(100, "step").encode());
  LoopTables loops;
  EXPECT_FALSE(ReadloopCues(loop, loops, LoopReadInput{}, op));
  ConsoleState S;
  EXPECT_FALSE(loops::ReadSubloopCues(S, loop, loops, op));
  ASSERT_EQ(op.asked.size(), 2u);
  for (const MessageSpec& q : op.asked) {
    EXPECT_EQ(q.title, "Cue File problem");
    EXPECT_EQ(q.text, "Cannot read the cue's file:\n\r" + loop);
  }
}

TEST_F(OversizedShowFilesTest, StaleBackupTemporariesAreRemovedWhenTheShowOpens) {
  const QString show = path("demo.lcue");
  writeCueFile(show, {cue(100, "a")});
  for (const char* name : {"demo240101120000.lcue.new", "demo240102120000.lcue.new", "demo240103120000.lcue",
                           "other240101120000.lcue.new", "demo2401.lcue.new", "notes.new"})
    writeBytes(path(name), "x");
  CueOpenHost host;
  EXPECT_EQ(OpenCueFile(show, cueFile, tables, CueOpenSettings{}, host, op).Status, CueOpenStatus::Opened);
  QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
  EXPECT_EQ(left, QStringList({"demo.lcue", "demo2401.lcue.new", "demo240103120000.lcue", "notes.new",
                               "other240101120000.lcue.new"}));
}

}  // namespace
