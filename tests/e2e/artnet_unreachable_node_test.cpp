// Art-Net with one of its two nodes out of reach: the console and a node each in a network namespace
// of the test's own, joined by a veth pair. Universe 1 goes to the node; universe 2 goes to an
// address the console's namespace has no route to, so every one of its sends fails. The console
// warns once and goes on sending universe 1; when its link goes down and comes back, the frames
// after it arrive again.
//
// Needs root (namespaces); skipped otherwise.

#include <gtest/gtest.h>

#include <QDir>
#include <QTcpSocket>
#include <QUdpSocket>

#include "tests/e2e/console_process.h"
#include "tests/e2e/test_network.h"
#include "tests/engine/cue_test_util.h"

namespace {

using e2e::TestNetwork;

// A node: an Art-Net socket in the node's namespace that keeps the levels of the newest ArtDmx of
// universe 0 (the console's universe 1).
struct Node {
  QUdpSocket socket;
  QByteArray levels;  // the 512 slots of the newest universe-0 ArtDmx
  int received = 0;   // ArtDmx of universe 0 received
  int others = 0;     // anything else

  void read() {
    while (socket.hasPendingDatagrams()) {
      QByteArray d(qsizetype(socket.pendingDatagramSize()), '\0');
      socket.readDatagram(d.data(), d.size());
      if (d.size() == 530 && d.startsWith(QByteArray("Art-Net\0\x00\x50", 10)) && d[14] == 0) {
        levels = d.mid(18);
        ++received;
      } else {
        ++others;
      }
    }
  }
  int level(int address) const { return levels.size() >= address ? uint8_t(levels[address - 1]) : -1; }
};

}  // namespace

TEST(ArtNetUnreachableNode, UniverseOneKeepsArrivingAfterUniverseTwoFails) {
  TestNetwork net("u");
  QString why;
  if (!net.setUp(why)) GTEST_SKIP() << "no test network here: " << why.toStdString();

  Node node;
  bool bound = false;
  ASSERT_TRUE(TestNetwork::inNamespace(net.nodeNamespace(), [&] {
    bound = node.socket.bind(QHostAddress("10.77.0.2"), 6454, QAbstractSocket::DontShareAddress);
  }));
  ASSERT_TRUE(bound) << node.socket.errorString().toStdString();
  QObject::connect(&node.socket, &QUdpSocket::readyRead, [&] { node.read(); });

  ConsoleProcess console;
  CueRecord one = cue_test::cue(100, "One");
  one.channelCountField = 1024 * 10 + 1;
  one.levels[0] = char(255);    // address 1: universe 1
  one.levels[599] = char(200);  // address 600: universe 2
  CueRecord two = cue_test::cue(200, "Two");
  two.levels[0] = char(128);
  cue_test::writeCueFile(console.path("show.lcue"), {one, two});
  // 10.99.0.2: no route in the console's namespace, so each send of universe 2 fails at once.
  console.writeSettings(
      "[Settings]\nMaxChannels=1024\nDMXdevice=7\nConnection=2\nArtNode1=10.77.0.2\nArtNode2=10.99.0.2\n"
      "FileSource=0\nOSCListen=0\n[CueFile]\nLast=" +
      console.path("show.lcue") + "\n");
  QDir().mkpath(console.path("tmp"));
  console.setLauncher(net.inConsole() + QStringList{"env", "TMPDIR=" + console.path("tmp")});
  ASSERT_TRUE(console.start());

  // The console's remote command server, reached from inside its namespace.
  QTcpSocket client;
  QByteArray replies;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    if (client.state() != QAbstractSocket::ConnectedState) {
      client.abort();
      TestNetwork::inNamespace(net.consoleNamespace(), [&] {
        client.connectToHost(QHostAddress::LocalHost, 5200);
        client.waitForConnected(200);
      });
    }
    replies += client.readAll();
    return replies.contains("Connected\r\n");
  }));
  auto command = [&](const QByteArray& text) {
    client.write(text);
    client.flush();
  };
  auto done = [&] {
    return ConsoleProcess::waitFor([&] {
      replies += client.readAll();
      return replies.count("done\r\n") > 0;
    });
  };

  // Start-up has sent its black-out: universe 1 arrived, universe 2 failed.
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return node.received > 0; }));
  ASSERT_TRUE(console.waitForDialog("Error"));

  command("goto 1\r\nplay\r\n");
  ASSERT_TRUE(done());
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return node.level(1) == 255; }, 10000))
      << "universe 1 after universe 2 failed: " << node.level(1);
  replies.clear();
  command("goto 2\r\nplay\r\n");
  ASSERT_TRUE(done());
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return node.level(1) == 128; }, 10000)) << node.level(1);

  // The link goes away and comes back: the frames after it reach the node again.
  ASSERT_TRUE(net.setConsoleLink(false));
  command("set 1@50\r\n");
  ConsoleProcess::settle(500);
  EXPECT_EQ(node.level(1), 128) << "nothing can arrive while the link is down";
  ASSERT_TRUE(net.setConsoleLink(true));
  ConsoleProcess::settle(500);
  command("set 1@20\r\n");
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return node.level(1) == 51; }, 10000)) << node.level(1);

  EXPECT_TRUE(console.stop());
  // One warning for the whole run.
  const QStringList dialogs = console.dialogs();
  EXPECT_EQ(dialogs.filter("What happened?").size(), 1) << dialogs.join('\n').toStdString();
  EXPECT_EQ(console.dialogCount("Error"), 1) << dialogs.join('\n').toStdString();
  EXPECT_TRUE(dialogs.filter("What happened?")
                  .value(0)
                  .startsWith("Error\tWhat happened? The connection to the Art-Net interface went away!"));
  EXPECT_EQ(node.others, 0);
}
