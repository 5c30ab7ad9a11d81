#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Full-disk tests on a real file system: the test runs again in a child process inside a private
// mount namespace (`unshare -m`) where a tmpfs of a few KiB is mounted on a fresh folder. Where
// mount namespaces are not permitted the test is skipped.
//
//   TEST(X, Y) {
//     if (!onSmallDisk()) {
//       RERUN_ON_SMALL_DISK(16);
//       return;
//     }
//     const QString disk = smallDiskFolder();
//     ... files in `disk`; fillSmallDisk(disk) takes what space is left ...
//   }
namespace small_disk {

inline QString currentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return QString::fromUtf8(info->test_suite_name()) + '.' + QString::fromUtf8(info->name());
}

// Mounts a tmpfs of `kib` KiB on `folder` inside a new mount namespace and runs `command` there.
inline int runMounted(const QString& folder, int kib, const QStringList& command, QByteArray* output) {
  QProcess p;
  QStringList args{"-m",
                   "--propagation",
                   "private",
                   "sh",
                   "-c",
                   "mount -t tmpfs -o size=" + QString::number(kib) +
                       "k vqsmalldisk \"$0\" || exit 77; shift; VQ_SMALL_DISK=\"$0\" exec \"$@\"",
                   folder,
                   folder};
  args += command;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start("unshare", args);
  if (!p.waitForStarted(10000)) return 77;
  p.waitForFinished(120000);
  if (output) *output = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 1;
}

}  // namespace small_disk

inline bool onSmallDisk() { return !qEnvironmentVariable("VQ_SMALL_DISK").isEmpty(); }
inline QString smallDiskFolder() { return qEnvironmentVariable("VQ_SMALL_DISK"); }

// Writes a filler file until the disk refuses more; true when the disk is full afterwards.
inline bool fillSmallDisk(const QString& folder) {
  QFile filler(QDir(folder).filePath("filler"));
  if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const QByteArray block(512, 'f');
  for (int i = 0; i < 1 << 16; ++i)
    if (filler.write(block) != block.size()) break;
  filler.close();
  QFile probe(QDir(folder).filePath("probe"));
  const bool full = !probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || probe.write("x", 1) != 1;
  probe.close();
  probe.remove();
  return full;
}

// Runs the current test again on a small disk; call it from the parent only. Skips the test when
// mount namespaces are not available here.
#define RERUN_ON_SMALL_DISK(kib)                                                                          \
  do {                                                                                                    \
    QTemporaryDir smallDiskMount;                                                                         \
    ASSERT_TRUE(smallDiskMount.isValid());                                                                \
    QByteArray smallDiskOutput;                                                                           \
    const int probe = small_disk::runMounted(smallDiskMount.path(), kib, {"true"}, &smallDiskOutput);     \
    if (probe != 0) GTEST_SKIP() << "no private mount namespace here: " << smallDiskOutput.toStdString(); \
    const int rc = small_disk::runMounted(                                                                \
        smallDiskMount.path(), kib,                                                                       \
        {QFile::symLinkTarget("/proc/self/exe"), "--gtest_filter=" + small_disk::currentTestName()},      \
        &smallDiskOutput);                                                                                \
    EXPECT_EQ(rc, 0) << smallDiskOutput.toStdString();                                                    \
    EXPECT_TRUE(smallDiskOutput.contains("[  PASSED  ] 1 test")) << smallDiskOutput.toStdString();        \
  } while (0)
