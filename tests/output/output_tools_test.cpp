// The two programs of the output side: the widget simulator and the restart helper.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include "console/output/serial_widget_port.h"
#include "console/output/widget_protocol.h"
#include "platform/single_instance.h"
#include "tests/output/output_fakes.h"

namespace {

QString tool(const QString& name) { return QString(VQ_BIN_DIR) + "/" + name; }

TEST(UsbProSimProgram, AnswersAndRecordsFrames) {
  QTemporaryDir dir;
  const QString record = dir.filePath("frames.txt");
  QProcess sim;
  sim.start(tool("usbpro_sim"), {"--record", record, "--serial", "0A0B0C0D"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(waitUntil([&] { return sim.canReadLine(); }));
  const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
  ASSERT_TRUE(device.startsWith("/dev/"));

  SerialWidgetPort port;
  QByteArray received;
  port.setReceiver([&](std::span<const uint8_t> bytes) { received += toBytes(bytes); });
  ASSERT_TRUE(port.open(device));
  const QByteArray ask = widgetFrame(10, hexBytes("00"));
  const QByteArray dmx = widgetFrame(6, hexBytes("00FF7E"));
  ASSERT_TRUE(port.write({reinterpret_cast<const uint8_t*>(ask.constData()), size_t(ask.size())}));
  ASSERT_TRUE(port.write({reinterpret_cast<const uint8_t*>(dmx.constData()), size_t(dmx.size())}));
  ASSERT_TRUE(waitUntil([&] { return received.size() >= 9; }));
  EXPECT_EQ(received, hexBytes("7E0A04000D0C0B0AE7"));

  const QByteArray expected = "7E 0A 01 00 00 E7\n7E 06 03 00 00 FF 7E E7\n";
  ASSERT_TRUE(waitUntil([&] { return QFileInfo(record).size() >= expected.size(); }));
  QFile file(record);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), expected);

  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
}

// The restart helper is run in a program folder of its own, next to a stand-in console that only
// leaves a mark, and with a lock folder of its own so no real console is involved.
class RestartHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QFile::copy(tool("restartvql"), folder.filePath("restartvql")));
    QFile console(folder.filePath("vqlighting"));
    ASSERT_TRUE(console.open(QIODevice::WriteOnly));
    console.write("#!/bin/sh\necho started > \"$(dirname \"$0\")/started\"\n");
    console.close();
    console.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The lock path follows the runtime folder of the process that asks.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", locks.path().toLocal8Bit());
    lockPath = singleInstanceLockPath();
    qputenv("XDG_RUNTIME_DIR", saved);
    if (saved.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", locks.path());
    helper.setProcessEnvironment(env);
  }
  QString mark() const { return folder.filePath("started"); }

  QTemporaryDir folder;
  QTemporaryDir locks;
  QString lockPath;
  QProcess helper;
};

TEST_F(RestartHelper, StartsTheConsoleOnceTheRunningOneHasEnded) {
  QLockFile running(lockPath);
  ASSERT_TRUE(running.tryLock(0));
  helper.start(folder.filePath("restartvql"), {});
  ASSERT_TRUE(helper.waitForStarted(5000));
  EXPECT_FALSE(helper.waitForFinished(300));  // still waiting for the console to end
  EXPECT_FALSE(QFile::exists(mark()));

  running.unlock();
  ASSERT_TRUE(helper.waitForFinished(10000));
  EXPECT_EQ(helper.exitCode(), 0);
  EXPECT_TRUE(waitUntil([&] { return QFile::exists(mark()); }));
}

TEST_F(RestartHelper, GivesUpWhenTheConsoleDoesNotEnd) {
  QLockFile running(lockPath);
  ASSERT_TRUE(running.tryLock(0));
  helper.start(folder.filePath("restartvql"), {"--timeout", "200"});
  ASSERT_TRUE(helper.waitForFinished(10000));
  EXPECT_EQ(helper.exitCode(), 1);
  EXPECT_TRUE(helper.readAllStandardError().contains("did not end"));
  EXPECT_FALSE(QFile::exists(mark()));
}

}  // namespace
