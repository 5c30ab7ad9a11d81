#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "console/remote/remote_companion_link.h"
#include "console/remote/remote_control.h"
#include "platform/operator.h"
#include "tests/remote/remote_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

// The companion program's end: a loopback server that accepts one connection.
class CompanionStandIn {
 public:
  CompanionStandIn() { EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0)); }
  QTcpSocket* peer() {
    if (!socket) socket = server.nextPendingConnection();
    return socket;
  }
  QTcpServer server;
  QTcpSocket* socket = nullptr;
};

class RemoteCompanionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.listenAddress = QHostAddress::LocalHost;
    settings.remotePort = 0;
    settings.followSpotPort = 0;
    settings.pipeName = QString("vqlighting-companion-test-%1").arg(QCoreApplication::applicationPid());
    settings.idleFlushMs = 60000;
    settings.peerAddress = "127.0.0.1";
    // The machine's own address would be a real network address; tests stay on loop-back.
    settings.ownAddress = [this] {
      ++ownAddressAsked;
      return QString("127.0.0.1");
    };
  }
  void start(quint16 netPort) {
    settings.netPort = netPort;
    control = std::make_unique<RemoteControl>(host, testOperator(), settings, &clock);
    ASSERT_TRUE(control->startServers());
  }

  DialogRecorder dialogs;
  FakeRemoteHost host;
  FakeRemoteClock clock;
  RemoteSettings settings;
  int ownAddressAsked = 0;
  std::unique_ptr<RemoteControl> control;
};

TEST_F(RemoteCompanionTest, ConnectsCarriesCommandsAndRepliesAndDisconnects) {
  CompanionStandIn companion;
  start(companion.server.serverPort());
  std::vector<bool> netconn, buttonEnabled;
  QObject::connect(control.get(), &RemoteControl::netconnChanged, [&](bool on) { netconn.push_back(on); });
  QObject::connect(control.get(), &RemoteControl::btnConnectEnabledChanged,
                   [&](bool on) { buttonEnabled.push_back(on); });

  dialogs.answer(DialogResult::Ok);
  control->btnConnectClick();
  ASSERT_TRUE(control->PeerConnected());
  EXPECT_EQ(ownAddressAsked, 1);  // "127.0.0.1" stands for the machine's own address
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Remote Connection");
  EXPECT_EQ(dialogs.shown[0].text, "Connection to Stagora is active.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Information);
  EXPECT_TRUE(host.logLines.contains("VqP Connect"));
  EXPECT_EQ(netconn, std::vector<bool>{true});
  EXPECT_EQ(buttonEnabled, (std::vector<bool>{false, true}));
  EXPECT_EQ(host.focusCount, 1);

  ASSERT_TRUE(pumpUntil([&] { return companion.peer() != nullptr; }));
  QTcpSocket& peer = *companion.peer();
  peer.write("stop\r\nhello\r\n");
  const QByteArray reply = "errorUnknown Lighting command: hello\r\n";
  EXPECT_EQ(readAtLeast(peer, reply.size()), reply);
  EXPECT_TRUE(host.calls.contains("btnstoploopClick"));
  EXPECT_TRUE(host.logLines.contains("VqP In stop"));

  // A TCP cue's message, and "done" at the end of a cue.
  EXPECT_TRUE(control->sendToCompanion("GO 12\r\n"));
  control->replyDone();
  EXPECT_EQ(readAtLeast(peer, 13), QByteArray("GO 12\r\ndone\r\n"));

  // A read with no remote client connected sends nothing, not even to the companion.
  host.edits[7] = "40";
  peer.write("read 7\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.toolLines.contains("Send: read40"); }));
  EXPECT_TRUE(drain(peer).isEmpty());

  control->btnConnectClick();
  EXPECT_FALSE(control->PeerConnected());
  EXPECT_EQ(netconn, (std::vector<bool>{true, false}));
  EXPECT_TRUE(pumpUntil([&] { return peer.state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_FALSE(control->sendToCompanion("GO 13\r\n"));
}

TEST_F(RemoteCompanionTest, RefusedShowsBothDialogs) {
  quint16 closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  start(closedPort);
  dialogs.answer(DialogResult::Ok);
  dialogs.answer(DialogResult::Ok);
  control->btnConnectClick();
  EXPECT_FALSE(control->PeerConnected());
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].title, "No Remote Connection");
  EXPECT_EQ(dialogs.shown[0].text, "Could not find Stagora to connect.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
  EXPECT_EQ(dialogs.shown[1].title, "Network Problem");
  EXPECT_EQ(dialogs.shown[1].text,
            "Could not connect to Stagora Divuvaz on port " + QString::number(closedPort) + "!");
  EXPECT_EQ(clock.now, 2010);  // the whole wait in 10 ms steps, in virtual time, until past the deadline
  EXPECT_TRUE(control->btnConnectEnabled());
}

TEST_F(RemoteCompanionTest, CompanionLeavingClearsTheLinkQuietly) {
  CompanionStandIn companion;
  start(companion.server.serverPort());
  dialogs.answer(DialogResult::Ok);
  control->net_connect();
  ASSERT_TRUE(control->PeerConnected());
  ASSERT_TRUE(pumpUntil([&] { return companion.peer() != nullptr; }));
  companion.peer()->disconnectFromHost();
  ASSERT_TRUE(pumpUntil([&] { return !control->PeerConnected(); }));
  EXPECT_FALSE(control->netconnShown());
  EXPECT_EQ(dialogs.shown.size(), 1u);  // only the connection dialog
}

TEST(RemoteOwnAddress, FirstNonLoopbackIpv4) {
  using A = QHostAddress;
  EXPECT_EQ(ownAddressFrom({A("127.0.0.1"), A("::1"), A("fe80::1"), A("192.168.1.5"), A("10.0.0.1")}),
            "192.168.1.5");
  EXPECT_EQ(ownAddressFrom({A("::1"), A("2001:db8::1"), A("10.1.2.3")}), "10.1.2.3");
  EXPECT_EQ(ownAddressFrom({A("127.0.0.1"), A("::1")}), "127.0.0.1");
  EXPECT_EQ(ownAddressFrom({}), "127.0.0.1");
}

}  // namespace
