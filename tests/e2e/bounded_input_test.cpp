// The console under a stream of junk from outside: very long lines on the remote command server,
// random OSC datagrams and connections dropped as soon as they are made. Its memory stays where it
// was and it still answers afterwards.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <iostream>
#include <memory>
#include <vector>

#include "tests/e2e/console_process.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace {

// Resident memory of a process in KiB, from /proc.
qint64 residentKiB(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
  return -1;
}

// Runs the current test again in a network namespace of its own (loopback only), so that the fixed
// remote port is this console's and no other program's. True when this is that run, or when no
// namespace can be made here (then the test runs as it is).
bool inOwnNetwork() {
  if (qEnvironmentVariableIsSet("VQ_OWN_NETWORK")) return true;
  QProcess probe;
  probe.start("unshare", {"-n", "true"});
  if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
    return true;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  QProcess run;
  run.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VQ_OWN_NETWORK", "1");
  // Its own temporary folder too: the single-instance lock lives there.
  QTemporaryDir temp;
  env.insert("TMPDIR", temp.path());
  run.setProcessEnvironment(env);
  run.start("unshare", {"-n", "sh", "-c", "ip link set lo up && exec \"$@\"", "sh",
                        QFile::symLinkTarget("/proc/self/exe"),
                        QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
  run.waitForFinished(180000);
  const QByteArray output = run.readAll();
  std::cout << output.toStdString();
  EXPECT_EQ(run.exitCode(), 0);
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test"));
  return false;
}

bool connectRemote(QTcpSocket& client) {
  client.connectToHost("127.0.0.1", 5200);
  return client.waitForConnected(2000);
}

}  // namespace

TEST(BoundedInput, LongLinesRandomDatagramsAndDroppedConnectionsCostNoMemory) {
  if (!inOwnNetwork()) return;
  WidgetSimulator widget;
  ConsoleProcess console;
  QUdpSocket probe;
  probe.bind(QHostAddress::LocalHost, 0);
  const quint16 oscPort = probe.localPort();
  probe.close();
  console.writeSettings(QString("[Settings]\nComPort=%1\nDMXdevice=0\nMaxChannels=256\nOSCListen=%2\n")
                            .arg(widget.devicePath())
                            .arg(oscPort));
  ASSERT_TRUE(console.start({console.path("demo.lcue")}));
  QTcpSocket client;
  QByteArray greeting;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    if (client.state() != QAbstractSocket::ConnectedState) {
      client.abort();
      connectRemote(client);
    }
    greeting += client.readAll();
    return greeting.contains("Connected\r\n");
  }));
  // The greeting must come from this console, not from one another test left running.
  ASSERT_TRUE(console.running()) << "another console holds the single-instance lock";
  const qint64 pid = console.process().processId();
  QRandomGenerator random(12345);

  auto longLines = [&](int count) {
    const QByteArray megabyte(1024 * 1024, 'x');
    for (int i = 0; i < count; ++i) {
      QTcpSocket flood;
      if (!connectRemote(flood)) continue;
      flood.write(megabyte + "\r\n");
      ConsoleProcess::waitFor([&] { return flood.state() != QAbstractSocket::ConnectedState; }, 5000);
    }
  };
  auto datagrams = [&](int count) {
    QUdpSocket udp;
    QByteArray junk;
    for (int i = 0; i < count; ++i) {
      junk.resize(1 + random.bounded(1400));
      for (char& c : junk) c = char(random.bounded(256));
      if (i % 4 == 0) junk.replace(0, 8, "/vqlight");  // some look like the console's own address
      udp.writeDatagram(junk, QHostAddress::LocalHost, oscPort);
      if (i % 100 == 0) ConsoleProcess::settle(1);
    }
  };
  auto dropped = [&](int count) {
    // In batches: each connection is made and then dropped at once, without a word.
    constexpr int kBatch = 50;
    for (int done = 0; done < count; done += kBatch) {
      std::vector<std::unique_ptr<QTcpSocket>> batch;
      for (int i = 0; i < kBatch && done + i < count; ++i) {
        batch.push_back(std::make_unique<QTcpSocket>());
        batch.back()->connectToHost("127.0.0.1", 5200);
      }
      ConsoleProcess::waitFor(
          [&] {
            for (const auto& s : batch)
              if (s->state() == QAbstractSocket::ConnectingState ||
                  s->state() == QAbstractSocket::HostLookupState)
                return false;
            return true;
          },
          5000);
      for (const auto& s : batch) s->abort();
    }
  };
  // A first round of each, so that what the console keeps once (its buffers, the log's first
  // lines) is in the starting figure.
  longLines(3);
  datagrams(300);
  dropped(100);
  ConsoleProcess::settle(1000);
  const qint64 start = residentKiB(pid);
  ASSERT_GT(start, 0) << "exit status " << console.exitStatus() << " code " << console.exitCode() << " "
                      << console.process().readAllStandardError().toStdString();

  QElapsedTimer clock;
  clock.start();
  longLines(200);
  const qint64 afterLines = residentKiB(pid);
  const qint64 linesMs = clock.restart();
  datagrams(10000);
  ConsoleProcess::settle(500);
  const qint64 afterDatagrams = residentKiB(pid);
  const qint64 datagramsMs = clock.restart();
  dropped(3000);
  ConsoleProcess::settle(1000);
  const qint64 end = residentKiB(pid);
  std::cout << "took (ms): lines " << linesMs << ", datagrams " << datagramsMs << ", connections "
            << clock.elapsed() << '\n';
  std::cout << "resident memory (KiB): start " << start << ", after 200 one-megabyte lines " << afterLines
            << ", after 10000 datagrams " << afterDatagrams << ", after 3000 dropped connections " << end
            << '\n';
  ::testing::Test::RecordProperty("rss_start_kib", int(start));
  ::testing::Test::RecordProperty("rss_end_kib", int(end));
  EXPECT_LT(afterLines - start, 8 * 1024);
  EXPECT_LT(end - start, 8 * 1024);

  // Still answering, on the first connection.
  ASSERT_EQ(client.state(), QAbstractSocket::ConnectedState);
  client.write("read 1\r\n");
  QByteArray reply;
  EXPECT_TRUE(ConsoleProcess::waitFor([&] {
    reply += client.readAll();
    return reply.contains("\r\nread");
  }));
  EXPECT_TRUE(reply.contains("errorLine too long: xxxxxxxx")) << "the long lines were answered";
  EXPECT_EQ(console.dialogCount("Remote problem"), 0);
  EXPECT_TRUE(console.stop());
}
