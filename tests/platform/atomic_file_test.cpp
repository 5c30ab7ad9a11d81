#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/ini_file.h"
#include "tests/support/small_disk.h"

namespace {

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// Restores the real system calls however the test ends.
struct FaultGuard {
  explicit FaultGuard(AtomicFileFaults f) { setAtomicFileFaults(std::move(f)); }
  ~FaultGuard() { setAtomicFileFaults({}); }
};

}  // namespace

TEST(AtomicFile, ReplacesTheWholeFileAndKeepsItsPermissions) {
  QTemporaryDir dir;
  const QString path = dir.filePath("settings.ini");
  writeBytes(path, "old content that is longer than the new one");
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  const auto permissions = QFile::permissions(path);
  QString error;
  ASSERT_TRUE(writeFileAtomically(path, "new", &error)) << error.toStdString();
  EXPECT_EQ(readBytes(path), "new");
  EXPECT_EQ(QFile::permissions(path), permissions);
  EXPECT_FALSE(QFile::exists(AtomicFileWriter::tempPathFor(path)));

  ASSERT_TRUE(writeFileAtomically(dir.filePath("fresh"), QByteArray(), &error));
  EXPECT_EQ(readBytes(dir.filePath("fresh")), "");
}

TEST(AtomicFile, AFailedWriteOrFlushLeavesTheOldFileByteForByte) {
  struct Case {
    const char* name;
    AtomicFileFaults faults;
  };
  const Case cases[] = {
      {"disk full at once", {[](int, const char*, unsigned long) -> long { return errno = ENOSPC, -1; }, {}}},
      {"short write, then full",
       {[](int fd, const char* d, unsigned long n) -> long {
          static bool once = false;
          once = !once;
          if (!once) return errno = ENOSPC, -1;
          return long(::write(fd, d, n > 3 ? 3 : n));
        },
        {}}},
      {"write takes nothing", {[](int, const char*, unsigned long) -> long { return 0; }, {}}},
      {"flush fails", {{}, [](int) { return errno = EIO, -1; }}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const QString path = dir.filePath("patch.ini");
    const QByteArray good = "[Patch]\r\n1=1\r\n";
    writeBytes(path, good);
    FaultGuard guard(c.faults);
    QString error;
    EXPECT_FALSE(writeFileAtomically(path, QByteArray(3000, 'n'), &error));
    EXPECT_TRUE(error.contains(AtomicFileWriter::tempPathFor(path))) << error.toStdString();
    EXPECT_EQ(readBytes(path), good);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"patch.ini"}) << "no temporary left";
  }
}

// Files saved together: each is whole on disk before either replaces its old one, so a failure of
// the second leaves both old files as they were and no temporary behind.
TEST(AtomicFile, FilesSavedTogetherReplaceTheirOldOnesOnlyWhenAllAreWhole) {
  for (const bool secondFails : {false, true}) {
    SCOPED_TRACE(secondFails ? "the second flush fails" : "both whole");
    QTemporaryDir dir;
    const QString first = dir.filePath("show.mchl"), second = dir.filePath("show.mgrp");
    writeBytes(first, "old channels");
    writeBytes(second, "old groups");
    AtomicFileWriter a(first, dir.filePath("Temp.mchl")), b(second, dir.filePath("Temp.mgrp"));
    ASSERT_TRUE(a.open() && a.write("new channels") && a.finish());
    EXPECT_TRUE(QFile::exists(dir.filePath("Temp.mchl")));
    EXPECT_EQ(readBytes(first), "old channels") << "finished is not yet committed";
    bool ok = false;
    {
      FaultGuard guard({{}, [&](int fd) { return secondFails ? (errno = EIO, -1) : ::fsync(fd); }});
      ok = b.open() && b.write("new groups") && b.finish();
    }
    EXPECT_EQ(ok, !secondFails);
    if (ok) ok = a.commit() && b.commit();
    if (!ok) {
      a.cancel();
      b.cancel();
    }
    EXPECT_EQ(readBytes(first), secondFails ? "old channels" : "new channels");
    EXPECT_EQ(readBytes(second), secondFails ? "old groups" : "new groups");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"show.mchl", "show.mgrp"}));
  }
}

// A file another writer made (the spreadsheet library writes its workbook itself) replaces the old
// one only when it is on disk and not empty.
TEST(AtomicFile, AFileWrittenElsewhereReplacesTheOldOneOnlyWhenItHoldsSomething) {
  QTemporaryDir dir;
  const QString path = dir.filePath("cues.xlsx"), temp = dir.filePath(".cues.xlsx.tmp");
  writeBytes(path, "old workbook");
  writeBytes(temp, "");
  QString error;
  EXPECT_FALSE(replaceWithWrittenFile(temp, path, &error));
  EXPECT_TRUE(error.contains(temp)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(temp));
  EXPECT_EQ(readBytes(path), "old workbook");
  EXPECT_FALSE(replaceWithWrittenFile(temp, path, &error)) << "no file at all";
  writeBytes(temp, "new workbook");
  EXPECT_TRUE(replaceWithWrittenFile(temp, path, &error)) << error.toStdString();
  EXPECT_EQ(readBytes(path), "new workbook");
  EXPECT_FALSE(QFile::exists(temp));
}

TEST(AtomicFile, AFailedCopyLeavesNoDestination) {
  QTemporaryDir dir;
  writeBytes(dir.filePath("show.lcue"), QByteArray(5000, 'c'));
  FaultGuard guard({[](int, const char*, unsigned long) -> long { return errno = ENOSPC, -1; }, {}});
  QString error;
  EXPECT_FALSE(copyFileAtomically(dir.filePath("show.lcue"), dir.filePath("copy.lcue"), &error));
  EXPECT_FALSE(QFile::exists(dir.filePath("copy.lcue")));
  EXPECT_FALSE(QFile::exists(AtomicFileWriter::tempPathFor(dir.filePath("copy.lcue"))));
  EXPECT_FALSE(copyFileAtomically(dir.filePath("missing"), dir.filePath("copy.lcue"), &error));
}

TEST(AtomicFile, OnAFullDiskNoSaveReplacesAGoodFile) {
  if (!onSmallDisk()) {
    RERUN_ON_SMALL_DISK(16);
    return;
  }
  const QString disk = smallDiskFolder();
  const QString iniPath = QDir(disk).filePath("vqlighting.ini");
  const QByteArray goodIni = "[Settings]\r\nShow=/shows/a.lcue\r\n";
  writeBytes(iniPath, goodIni);
  const QString other = QDir(disk).filePath("read.txt");
  writeBytes(other, "reply\r\n\r\n");
  ASSERT_TRUE(fillSmallDisk(disk));

  IniFile ini(iniPath);
  ini.writeString("Settings", "Show", "/shows/" + QString(3000, 'b') + ".lcue");
  EXPECT_FALSE(ini.save());
  EXPECT_TRUE(ini.errorString().contains("No space left on device")) << ini.errorString().toStdString();
  EXPECT_TRUE(ini.modified()) << "the change is still to be saved";
  EXPECT_EQ(readBytes(iniPath), goodIni);
  EXPECT_FALSE(writeFileAtomically(other, QByteArray(100, 'x')));
  EXPECT_EQ(readBytes(other), "reply\r\n\r\n");
  EXPECT_FALSE(copyFileAtomically(iniPath, QDir(disk).filePath("copy.ini")));
  EXPECT_FALSE(QFile::exists(QDir(disk).filePath("copy.ini")));
  EXPECT_FALSE(QFile::exists(AtomicFileWriter::tempPathFor(iniPath)));

  // Once space is freed the same save works.
  QFile::remove(QDir(disk).filePath("filler"));
  EXPECT_TRUE(ini.save());
  EXPECT_TRUE(readBytes(iniPath).contains("bbbb"));
}
