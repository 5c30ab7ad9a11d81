#include "console/engine/cue_backup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/atomic_file.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

namespace {

using namespace cue_test;

class ClockHost : public CueBackupHost {
 public:
  QDateTime now() override { return time; }
  void rereadCues() override { ++rereads; }
  uint64_t currentProcessMemory() override { return memory; }
  QDateTime time = QDateTime(QDate(2024, 1, 4), QTime(12, 0, 0));
  int rereads = 0;
  uint64_t memory = 0;
};

class CueBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cueFileName = dir.filePath("show.lcue");
    writeCueFile(cueFileName, {cue(100, "a")});
    ASSERT_TRUE(file.open(cueFileName));
  }
  CueBackupOutcome request(bool forced = false) {
    state.BackupPending = true;
    return dobackup(cueFileName, file, state, forced, startMemory, host, testOperator());
  }
  QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
  void touch(const QString& name) { writeBytes(dir.filePath(name), "x"); }

  CurrentDirGuard cwd;
  QTemporaryDir dir;
  QString cueFileName;
  CueFile file;
  CueBackupState state;
  uint64_t startMemory = 0;
  ClockHost host;
  DialogRecorder dialogs;
};

TEST_F(CueBackupTest, EveryFifthRequestMakesACopy) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(request(), CueBackupOutcome::NotDue);
    EXPECT_FALSE(state.BackupPending);
  }
  EXPECT_EQ(files(), QStringList({"show.lcue"}));
  EXPECT_EQ(request(), CueBackupOutcome::Copied);
  EXPECT_FALSE(state.BackupPending);
  EXPECT_EQ(state.BackupCounter, 0);
  EXPECT_EQ(files(), QStringList({"show.lcue", "show240104120000.lcue"}));
  EXPECT_EQ(readBytes(dir.filePath("show240104120000.lcue")), readBytes(cueFileName));
  EXPECT_EQ(host.rereads, 1);
  host.time = host.time.addSecs(1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(request(), CueBackupOutcome::NotDue);
  EXPECT_EQ(files().size(), 2);
  EXPECT_EQ(request(), CueBackupOutcome::Copied);
  EXPECT_EQ(files().size(), 3);
}

TEST_F(CueBackupTest, KeepsTheTwoNewestBackupsBesideTheNewCopy) {
  for (const char* name : {"show240101120000.lcue", "show240102120000.lcue", "show240103120000.lcue",
                           "show2.lcue", "show2240101120000.lcue", "show24010112000.lcue",
                           "Show240101110000.lcue", "show240101120000.lcue.bak", "show.txt"})
    touch(name);
  state.BackupCounter = 5;  // as shut-down forces it
  EXPECT_EQ(request(), CueBackupOutcome::Copied);
  const QStringList left = files();
  EXPECT_FALSE(left.contains("show240101120000.lcue"));
  for (const char* kept : {"show240102120000.lcue", "show240103120000.lcue", "show240104120000.lcue",
                           "show.lcue", "show2.lcue", "show2240101120000.lcue", "show24010112000.lcue",
                           "Show240101110000.lcue", "show240101120000.lcue.bak", "show.txt"})
    EXPECT_TRUE(left.contains(kept)) << kept;
}

TEST_F(CueBackupTest, TwoShowsInOneFolderKeepTheirOwnBackups) {
  const QString other = dir.filePath("show2.lcue");
  writeCueFile(other, {cue(100, "b")});
  CueFile otherFile;
  ASSERT_TRUE(otherFile.open(other));
  CueBackupState otherState;
  for (int day = 1; day <= 5; ++day) {
    host.time = QDateTime(QDate(2024, 1, day), QTime(12, 0, 0));
    state.BackupCounter = 4;
    otherState.BackupCounter = 4;
    ASSERT_EQ(request(), CueBackupOutcome::Copied);
    ASSERT_EQ(dobackup(other, otherFile, otherState, false, 0, host, testOperator()),
              CueBackupOutcome::Copied);
  }
  EXPECT_EQ(cueBackupsIn(dir.path(), "show"),
            QStringList({"show240103120000.lcue", "show240104120000.lcue", "show240105120000.lcue"}));
  EXPECT_EQ(cueBackupsIn(dir.path(), "show2"),
            QStringList({"show2240103120000.lcue", "show2240104120000.lcue", "show2240105120000.lcue"}));
}

TEST_F(CueBackupTest, ShowsNamedAlikeUpToTheirFirstDotKeepTheirOwnBackups) {
  // Cut at the first dot, both would be backed up as my<digits>.lcue and each copy would prune the
  // other show's backups.
  const QString first = dir.filePath("my.first.lcue");
  const QString second = dir.filePath("my.second.lcue");
  writeCueFile(first, {cue(100, "a")});
  writeCueFile(second, {cue(100, "b")});
  CueFile firstFile, secondFile;
  ASSERT_TRUE(firstFile.open(first));
  ASSERT_TRUE(secondFile.open(second));
  CueBackupState firstState, secondState;
  for (int day = 1; day <= 4; ++day) {
    host.time = QDateTime(QDate(2024, 1, day), QTime(12, 0, 0));
    firstState.BackupCounter = 4;
    ASSERT_EQ(dobackup(first, firstFile, firstState, false, 0, host, testOperator()),
              CueBackupOutcome::Copied);
  }
  host.time = QDateTime(QDate(2024, 1, 9), QTime(12, 0, 0));
  secondState.BackupCounter = 4;
  ASSERT_EQ(dobackup(second, secondFile, secondState, false, 0, host, testOperator()),
            CueBackupOutcome::Copied);
  EXPECT_EQ(
      cueBackupsIn(dir.path(), "my.first"),
      QStringList({"my.first240102120000.lcue", "my.first240103120000.lcue", "my.first240104120000.lcue"}));
  EXPECT_EQ(cueBackupsIn(dir.path(), "my.second"), QStringList({"my.second240109120000.lcue"}));
}

TEST_F(CueBackupTest, TheBaseDropsOnlyTheLastExtension) {
  EXPECT_EQ(cueBackupBase("/shows/my.show.lcue"), "my.show");
  EXPECT_EQ(cueBackupBase("/shows/show.lcue"), "show");
  EXPECT_EQ(cueBackupBase("/shows/show"), "show");
}

TEST_F(CueBackupTest, MissingCueFileMakesNoCopyAndKeepsCounting) {
  cueFileName = dir.filePath("gone.lcue");
  state.BackupCounter = 4;
  EXPECT_EQ(request(), CueBackupOutcome::NoCueFile);
  EXPECT_FALSE(state.BackupPending);
  EXPECT_EQ(state.BackupCounter, 5);
}

TEST_F(CueBackupTest, FailedCopyReopensTheFileDeletesNothingAndClearsPending) {
  touch("show240101120000.lcue");
  touch("show240102120000.lcue");
  touch("show240103120000.lcue");
  QDir(dir.path()).mkdir("show240104120000.lcue");  // the copy's name is taken by a folder
  state.BackupCounter = 4;
  dialogs.answer(DialogResult::Ok);
  EXPECT_ANY_THROW(request());
  EXPECT_FALSE(state.BackupPending);
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(cueBackupsIn(dir.path(), "show").size(), 3);
  EXPECT_EQ(host.rereads, 0);
  EXPECT_EQ(dialogs.count("Backup Error"), 1);
}

TEST_F(CueBackupTest, ACopyCutShortByAFullDiskIsRemovedReportedOnceAndPrunesNothing) {
  for (const char* name : {"show240101120000.lcue", "show240102120000.lcue", "show240103120000.lcue"})
    writeBytes(dir.filePath(name), QByteArray(1240, 'g'));
  const QStringList before = files();
  setAtomicFileFaults({[](int fd, const char* d, unsigned long n) -> long {
                         // Half the cue file fits, then the disk is full.
                         static int calls = 0;
                         if (++calls % 2 == 0) return errno = ENOSPC, -1;
                         return long(::write(fd, d, n / 2));
                       },
                       {}});
  dialogs.answer(DialogResult::Ok);
  for (int attempt = 0; attempt < 3; ++attempt) {
    state.BackupCounter = 4;
    host.time = host.time.addSecs(60);
    EXPECT_ANY_THROW(request());
    EXPECT_FALSE(state.BackupPending);
  }
  setAtomicFileFaults({});
  QStringList after = files();
  after.removeAll("LogFile.txt");
  EXPECT_EQ(after, before) << "no partial copy left, no good backup deleted";
  for (const QString& name : cueBackupsIn(dir.path(), "show"))
    EXPECT_EQ(readBytes(dir.filePath(name)), QByteArray(1240, 'g'));
  ASSERT_EQ(dialogs.count("Backup Error"), 1) << "reported once, not at every request";
  EXPECT_TRUE(dialogs.shown[0].text.startsWith("The backup copy show240104120100.lcue could not be made: "))
      << dialogs.shown[0].text.toStdString();
  EXPECT_TRUE(readBytes(dir.filePath("LogFile.txt")).contains("The backup copy show240104120100.lcue"));

  // With space again the next copy is made and only then is the oldest backup deleted.
  state.BackupCounter = 4;
  host.time = host.time.addSecs(60);
  EXPECT_EQ(request(), CueBackupOutcome::Copied);
  EXPECT_EQ(cueBackupsIn(dir.path(), "show"),
            (QStringList{"show240102120000.lcue", "show240103120000.lcue", "show240104120400.lcue"}));
  EXPECT_EQ(readBytes(dir.filePath("show240104120400.lcue")), readBytes(cueFileName));
  EXPECT_FALSE(state.FailureReported);
}

TEST_F(CueBackupTest, ForcedBackupLeavesTheFileClosed) {
  state.BackupCounter = 5;
  EXPECT_EQ(request(true), CueBackupOutcome::Copied);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(host.rereads, 0);
}

TEST_F(CueBackupTest, WarnsOfLongTermUse) {
  startMemory = 100;
  host.memory = 1000;  // not above ten times
  state.BackupCounter = 4;
  request();
  EXPECT_TRUE(dialogs.shown.empty());
  host.memory = 1001;
  host.time = host.time.addSecs(1);
  state.BackupCounter = 4;
  dialogs.answer(DialogResult::Ok);
  request();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Long term use");
  EXPECT_EQ(dialogs.shown[0].text, "The program could benefit from a restart.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
}

}  // namespace
