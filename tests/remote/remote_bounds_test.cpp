// What strangers can cost the console: connections per remote port, and the dialogs their text
// raises.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <memory>
#include <vector>

#include "console/remote/osc_input.h"
#include "console/remote/remote_dispatcher.h"
#include "console/remote/remote_framing.h"
#include "console/remote/remote_tcp_server.h"
#include "platform/operator.h"
#include "tests/remote/osc_test_support.h"
#include "tests/remote/remote_test_support.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/test_clock.h"

TEST(RemoteBounds, ANewcomerBeyondTheLimitMakesTheQuietestClientLeave) {
  QStringList messages;
  TestClock clock;  // no silence is timed
  RemoteTcpServer server(
      [] { return std::make_unique<AnsiLineFramer>(); }, -1, clock,
      RemoteTcpServer::Handlers{{}, {}, [&](const QString& m, QObject*) { messages << m; }, {}, {}, {}});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  auto connectOne = [&] {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.serverPort());
    QByteArray greeting;
    EXPECT_TRUE(pumpUntil([&] {
      greeting += socket->readAll();
      return greeting == "Connected\r\n";
    })) << "client "
        << clients.size() << " was not let in";
    clients.push_back(std::move(socket));
  };
  for (int i = 0; i < RemoteTcpServer::kMaxClients; ++i) connectOne();
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == RemoteTcpServer::kMaxClients; }));

  // The operator's first client is busy; the second connected long ago and has said nothing since.
  clients[0]->write("read 1\r\n");
  ASSERT_TRUE(pumpUntil([&] { return messages.contains("read 1"); }));

  connectOne();  // one too many
  ASSERT_TRUE(pumpUntil([&] { return clients[1]->state() == QAbstractSocket::UnconnectedState; }));
  connectOne();
  ASSERT_TRUE(pumpUntil([&] { return clients[2]->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(server.clientCount(), RemoteTcpServer::kMaxClients);
  EXPECT_EQ(clients[0]->state(), QAbstractSocket::ConnectedState) << "an active client stays";
  for (std::size_t i = 3; i < clients.size(); ++i)
    EXPECT_EQ(clients[i]->state(), QAbstractSocket::ConnectedState) << "client " << i;
  // Replies still go to the first client.
  EXPECT_TRUE(server.sendToFirst("done\r\n"));
  EXPECT_EQ(readAtLeast(*clients[0], 6), QByteArray("done\r\n"));
}

TEST(RemoteBounds, PeersThatAlreadyLeftMakeRoomBeforeAnyLiveClientLeaves) {
  TestClock clock;  // no silence is timed
  RemoteTcpServer server([] { return std::make_unique<AnsiLineFramer>(); }, -1, clock, {});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  QTcpSocket operatorClient;  // connected first and quiet ever since
  operatorClient.connectToHost(QHostAddress::LocalHost, server.serverPort());
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == 1; }));
  // Strangers connect and reset their connections; the server has not seen them go when the
  // next ones arrive, all at once.
  std::vector<std::unique_ptr<QTcpSocket>> strangers;
  for (int i = 0; i < 2 * RemoteTcpServer::kMaxClients; ++i) {
    strangers.push_back(std::make_unique<QTcpSocket>());
    strangers.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
    if (!strangers.back()->waitForConnected(2000)) break;
    strangers.back()->abort();
  }
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == 1; }));
  EXPECT_EQ(operatorClient.state(), QAbstractSocket::ConnectedState);
  EXPECT_TRUE(server.sendToFirst("done\r\n"));
  EXPECT_EQ(readAtLeast(operatorClient, 17), QByteArray("Connected\r\ndone\r\n"));
}

TEST(RemoteBounds, QuietClientsBelowTheLimitStay) {
  TestClock clock;  // no silence is timed
  RemoteTcpServer server([] { return std::make_unique<AnsiLineFramer>(); }, -1, clock, {});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (int i = 0; i < 8; ++i) {
    clients.push_back(std::make_unique<QTcpSocket>());
    clients.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
  }
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == 8; }));
  drain(*clients.back(), 50);
  EXPECT_EQ(server.clientCount(), 8);
  for (auto& c : clients) EXPECT_EQ(c->state(), QAbstractSocket::ConnectedState);
}

TEST(RemoteBounds, AFloodOfBadOscCommandsOpensOneDialogQuotingEightyCharacters) {
  FakeOscHost host;
  DialogRecorder dialogs;
  dialogs.answerDefaults = true;
  RemoteDispatcher dispatcher(testOperator());
  OscInput input(host, testOperator());
  input.setDispatcher(&dispatcher);
  const QString longText = "hello" + QString(65000, 'x');
  for (int i = 0; i < 500; ++i) input.ParseOSCmsg(i == 0 ? longText : "hello " + QString::number(i));
  ASSERT_TRUE(pumpUntil([&] { return dispatcher.waiting() == 0 && !dispatcher.running(); }));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "OSC message error");
  EXPECT_EQ(dialogs.shown[0].text, "OSC message \"" + longText.left(80) + "\"\n\rcould not be recognized.");
  // The others are in the log, each quoting its beginning only.
  int logged = 0;
  for (const QString& line : host.logLines)
    logged += line.startsWith("OSC message error: OSC message \"hello ");
  EXPECT_EQ(logged, 499);

  // A later fault, after the dialog was answered, is shown again.
  input.ParseOSCmsg("again");
  ASSERT_TRUE(pumpUntil([&] { return dialogs.shown.size() == 2; }));
}
