// OSC cue output: the bundle on the wire, the destination prepared at selection, and the message
// as liblo's oscdump and our own listener receive it.

#include "console/remote/osc_output.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include "console/remote/osc_input.h"
#include "console/remote/osc_input_socket.h"
#include "tests/remote/osc_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

constexpr int kWaitMs = 5000;

OscBytes bytes(const std::string& s) { return OscBytes(s.begin(), s.end()); }

TEST(OscCueBundle, IsOneMessageInAnImmediateBundle) {
  using namespace std::string_literals;
  const OscBytes expected = bytes(
      "#bundle\0"s         // bundle marker, padded to 8
      "\0\0\0\0\0\0\0\1"s  // time tag: immediately
      "\0\0\0\x18"s        // element length 24
      "/vqlight\0\0\0\0"s  // address, padded to 12
      ",s\0\0"s            // one string argument
      "play 3\0\0"s);      // the argument, padded to 8
  const OscBytes bundle = oscCueBundle("/vqlight", "play 3");
  EXPECT_EQ(bundle.size(), 44u);
  EXPECT_EQ(bundle, expected);
}

TEST(OscCueBundle, EmptyArgumentIsStillSent) {
  using namespace std::string_literals;
  const OscBytes bundle = oscCueBundle("/go", "");
  const OscBytes expected = bytes(
      "#bundle\0"s
      "\0\0\0\0\0\0\0\1"s
      "\0\0\0\x0c"s
      "/go\0"s
      ",s\0\0"s
      "\0\0\0\0"s);
  EXPECT_EQ(bundle, expected);
}

class Receiver {
 public:
  Receiver() { EXPECT_TRUE(socket.bind(QHostAddress::LocalHost, 0)); }
  quint16 port() const { return socket.localPort(); }
  QByteArray next() {
    if (!QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, kWaitMs)) return {};
    QByteArray d(qsizetype(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(d.data(), d.size());
    return d;
  }
  QUdpSocket socket;
};

TEST(OscCueOutput, SendsToThePreparedDestination) {
  Receiver receiver;
  OscCueOutput output;
  ASSERT_TRUE(output.prepare(" 127.0.0.1 ", receiver.port()));
  EXPECT_EQ(output.destination(), QHostAddress(QHostAddress::LocalHost));
  ASSERT_TRUE(output.SendOSCMessage("/cue", "7/go"));

  const QByteArray datagram = receiver.next();
  const OscBytes expected = oscCueBundle("/cue", "7/go");
  EXPECT_EQ(OscBytes(datagram.begin(), datagram.end()), expected);
  auto packet = TOSCPacket::Unpack(std::span<const uint8_t>(expected));
  ASSERT_TRUE(packet);
  TOSCMessage* message = packet->MatchAddress("/cue");
  ASSERT_TRUE(message && message->Decode());
  EXPECT_EQ(message->TypeTags(), ",s");
}

TEST(OscCueOutput, SelectingAnotherCueMovesTheDestination) {
  Receiver first;
  Receiver second;
  OscCueOutput output;
  ASSERT_TRUE(output.prepare("127.0.0.1", first.port()));
  ASSERT_TRUE(output.prepare("localhost", second.port()));  // a name resolves too
  ASSERT_TRUE(output.SendOSCMessage("/a", "b"));
  EXPECT_EQ(second.next().size(), 32);  // 16-byte head, 4-byte length, 12-byte message
  EXPECT_FALSE(first.socket.hasPendingDatagrams());
}

TEST(OscCueOutput, NothingIsSentWithoutADestination) {
  OscCueOutput output;
  EXPECT_FALSE(output.SendOSCMessage("/a", "b"));
  EXPECT_FALSE(output.prepare("", 5555));
  EXPECT_FALSE(output.prepare("   ", 5555));
  EXPECT_FALSE(output.prepare("127.0.0.1", 0));
  EXPECT_FALSE(output.isPrepared());
  EXPECT_FALSE(output.SendOSCMessage("/a", "b"));
  ASSERT_TRUE(output.prepare("127.0.0.1", 5555));
  output.deactivate();
  EXPECT_FALSE(output.SendOSCMessage("/a", "b"));
}

// An OSC cue aimed at a console (ours) plays a cue there.
TEST(OscCueOutput, ReachesAConsoleListener) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  OscListener listener(input);
  ASSERT_TRUE(listener.Activate(0, QHostAddress::LocalHost));
  OscCueOutput output;
  ASSERT_TRUE(output.prepare("127.0.0.1", listener.port()));
  ASSERT_TRUE(output.SendOSCMessage("/vqlight", "play 3"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.calls.size() == 3; }, kWaitMs));
  EXPECT_EQ(host.calls, (QStringList{"selectRow 3", "CueListClicked 0", "btnPlayClick"}));
}

// liblo's oscdump receives the cue message.
TEST(OscCueOutput, OscdumpReceivesTheCue) {
  const QString oscdump = QStandardPaths::findExecutable("oscdump");
  if (oscdump.isEmpty()) GTEST_SKIP() << "oscdump (liblo-tools) is not installed";
  quint16 port = 0;
  {
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    port = probe.localPort();
  }
  QProcess dump;
  dump.start(oscdump, {"-L", QString::number(port)});
  ASSERT_TRUE(dump.waitForStarted(kWaitMs));

  OscCueOutput output;
  ASSERT_TRUE(output.prepare("127.0.0.1", port));
  // oscdump tells nobody when it listens: send until it prints what it received.
  QByteArray printed;
  const QDeadlineTimer deadline(kWaitMs * 2);
  while (!printed.contains("\n") && !deadline.hasExpired() && dump.state() == QProcess::Running) {
    ASSERT_TRUE(output.SendOSCMessage("/vqlight", "play 3"));
    dump.waitForReadyRead(200);
    printed += dump.readAllStandardOutput();
  }
  dump.kill();
  dump.waitForFinished(kWaitMs);
  printed += dump.readAllStandardOutput();
  EXPECT_TRUE(printed.contains("/vqlight s \"play 3\""))
      << printed.toStdString() << dump.readAllStandardError().toStdString();
}

}  // namespace
