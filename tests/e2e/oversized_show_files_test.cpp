// Show files far larger than any real show, seen from outside: the console reports each one, leaves it
// exactly as it was, answers its remote at once and ends on SIGTERM.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include "console/engine/cue_record.h"
#include "tests/e2e/console_process.h"

namespace {

constexpr qint64 kHugeBytes = 3LL * 1024 * 1024 * 1024;

// A sparse file of `size` bytes: it takes no room on disk and reads as zeros.
bool makeSparse(const QString& path, qint64 size) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.resize(size);
}

QByteArray twoCues() {
  QByteArray bytes;
  for (int n : {100, 200}) {
    CueRecord r;
    r.cueNumber = n;
    r.channelCountField = 640;
    bytes += r.encode();
  }
  return bytes;
}

struct Case {
  const char* name;
  const char* hugeFile;  // the file made 3 GB, in the program folder
};

}  // namespace

class OversizedShowFile : public ::testing::TestWithParam<Case> {};

TEST_P(OversizedShowFile, IsReportedLeftAsItIsAndTheConsoleAnswersAndEnds) {
  const Case c = GetParam();
  ConsoleProcess console;
  console.writeSettings("[Settings]\nMaxChannels=64\nOSCListen=0\n");
  console.writeFile("show.lcue", twoCues());
  const QString huge = console.path(c.hugeFile);
  ASSERT_TRUE(makeSparse(huge, kHugeBytes));
  const QString show = QString(c.hugeFile).endsWith(".lcue") ? huge : console.path("show.lcue");
  ASSERT_TRUE(console.start({show}));

  QTcpSocket client;
  QByteArray received;
  ASSERT_TRUE(ConsoleProcess::connectUntilGreeted(client, received, 60000));
  client.write("read 1\r\n");
  EXPECT_TRUE(ConsoleProcess::waitFor(
      [&] {
        received += client.readAll();
        return received.contains("\r\nread");
      },
      60000))
      << received.toStdString();

  // One message names the file and its size.
  const auto reports = [&] {
    int n = 0;
    for (const QString& line : console.dialogs())
      if (line.contains(QFileInfo(huge).fileName()) && line.contains("3.0 GB")) ++n;
    return n;
  };
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return reports() > 0; }, 60000))
      << console.dialogs().join('\n').toStdString();

  EXPECT_TRUE(console.stop(60000));
  EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(QFileInfo(huge).size(), kHugeBytes);
  EXPECT_EQ(reports(), 1) << console.dialogs().join('\n').toStdString();
  // No copy was made of the huge file (no backup of a refused cue file), and no temporary was left.
  for (const QString& name : QDir(console.folder()).entryList(QDir::Files)) {
    EXPECT_FALSE(name.endsWith(".new")) << name.toStdString();
    if (console.path(name) != huge) {
      EXPECT_LT(QFileInfo(console.path(name)).size(), 1 << 30) << name.toStdString();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OversizedShowFile,
    ::testing::Values(Case{"CueFile", "huge.lcue"}, Case{"SettingsFile", "vqlighting.ini"},
                      Case{"GroupFile", "vqlighting.lgrp"}, Case{"SceneFile", "vqlighting.scne"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
