// What strangers can cost the console: connections per remote port, and the dialogs their text
// raises.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <algorithm>
#include <memory>
#include <utility>
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

namespace {
// An operator whose question is opened and answered by the test.
class ScriptedOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override {
    asked << question.title;
    return defaultAnswer(question);
  }
  bool questionOpen() const override { return open; }
  void whenNoQuestionOpen(QObject* context, std::function<void()> then) override {
    waiters.emplace_back(context, std::move(then));
  }
  void answer() {
    open = false;
    for (auto& [context, then] : std::exchange(waiters, {})) Operator::whenNoQuestionOpen(context, then);
  }
  bool open = false;
  QStringList asked;
  std::vector<std::pair<QObject*, std::function<void()>>> waiters;
};

int linesStartingWith(const QStringList& lines, const QString& start) {
  return int(
      std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); }));
}
}  // namespace

TEST(RemoteBounds, NewcomersBeyondTheLimitAreTurnedAwayAndTheFirstClientKeepsTheReplies) {
  QStringList messages;
  TestClock clock;  // no silence is timed
  RemoteTcpServer server(
      [] { return std::make_unique<AnsiLineFramer>(); }, -1, clock,
      RemoteTcpServer::Handlers{{}, {}, [&](const QString& m, QObject*) { messages << m; }, {}, {}, {}});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (int i = 0; i < RemoteTcpServer::kMaxClients; ++i) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.serverPort());
    QByteArray greeting;
    ASSERT_TRUE(pumpUntil([&] {
      greeting += socket->readAll();
      return greeting == "Connected\r\n";
    })) << "client "
        << i << " was not let in";
    clients.push_back(std::move(socket));
  }
  ASSERT_EQ(server.clientCount(), RemoteTcpServer::kMaxClients);
  // The operator's first client stays quiet; every other one has spoken since.
  for (std::size_t i = 1; i < clients.size(); ++i) clients[i]->write("read 1\r\n");
  ASSERT_TRUE(pumpUntil([&] { return messages.size() == RemoteTcpServer::kMaxClients - 1; }));

  // Strangers keep coming: each is let go without a greeting, and nobody already connected leaves.
  for (int i = 0; i < 80; ++i) {
    QTcpSocket stranger;
    stranger.connectToHost(QHostAddress::LocalHost, server.serverPort());
    ASSERT_TRUE(pumpUntil([&] { return stranger.state() == QAbstractSocket::UnconnectedState; }))
        << "stranger " << i << " was kept";
    EXPECT_TRUE(stranger.readAll().isEmpty()) << "stranger " << i << " was greeted";
  }
  EXPECT_EQ(server.clientCount(), RemoteTcpServer::kMaxClients);
  for (std::size_t i = 0; i < clients.size(); ++i)
    EXPECT_EQ(clients[i]->state(), QAbstractSocket::ConnectedState) << "client " << i;
  // Replies still go to the first client, and only to it.
  EXPECT_TRUE(server.sendToFirst("save\r\n"));
  EXPECT_EQ(readAtLeast(*clients[0], 6), QByteArray("save\r\n"));
  EXPECT_TRUE(drain(*clients[1], 50).isEmpty());

  // Once one of them leaves, the next newcomer gets in.
  clients.back()->disconnectFromHost();
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == RemoteTcpServer::kMaxClients - 1; }));
  QTcpSocket late;
  late.connectToHost(QHostAddress::LocalHost, server.serverPort());
  EXPECT_EQ(readAtLeast(late, 11), QByteArray("Connected\r\n"));
  EXPECT_EQ(clients[0]->state(), QAbstractSocket::ConnectedState);
}

TEST(RemoteBounds, OscInputWaitingBehindAQuestionIsLimitedPerSenderAndInAllWithOneLogLine) {
  FakeOscHost host;
  host.logLevel = 0;
  ScriptedOperator op;
  op.open = true;
  RemoteDispatcher dispatcher(op);
  OscInput input(host, op);
  input.setDispatcher(&dispatcher);
  input.bands().setBand(1, "|1|");
  const OscBytes goTo = oscString("/vqlight", "goto 2");
  const OscBytes level = oscFloat("/eos/user/0/chan/1", 200.0f);
  const QHostAddress flooder("127.0.0.2");
  for (int i = 0; i < 1000; ++i) input.handleDatagram(bytesOf(i % 2 ? level : goTo), flooder);
  EXPECT_EQ(dispatcher.waiting(), OscInput::kMaxWaitingPerSender);
  // Another sender still gets in.
  input.handleDatagram(bytesOf(goTo), QHostAddress("127.0.0.3"));
  EXPECT_EQ(dispatcher.waiting(), OscInput::kMaxWaitingPerSender + 1);
  // Many senders together stop at the total.
  for (int s = 0; s < 10; ++s)
    for (int i = 0; i < 300; ++i) input.handleDatagram(bytesOf(goTo), QHostAddress(0x0A000001u + quint32(s)));
  EXPECT_EQ(dispatcher.waiting(), OscInput::kMaxWaitingInAll);
  input.ParseOSCmsg("goto 2");  // handed in without a sender: the total holds too
  EXPECT_EQ(dispatcher.waiting(), OscInput::kMaxWaitingInAll);
  EXPECT_EQ(linesStartingWith(host.logLines, "OSC input dropped: too many commands waiting from 127.0.0.2"),
            1);
  EXPECT_EQ(host.logLines.size(), 1) << host.logLines.join('\n').toStdString();

  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return dispatcher.waiting() == 0 && !dispatcher.running(); }));
  EXPECT_EQ(host.calls.count("selectRow 2"), OscInput::kMaxWaitingInAll - OscInput::kMaxWaitingPerSender / 2);
  EXPECT_EQ(host.output[1], 200);
  EXPECT_EQ(input.waitingInDispatcher(), 0);

  // Room again: the same sender gets in, and a later flood is logged again, once.
  op.open = true;
  for (int i = 0; i < 300; ++i) input.handleDatagram(bytesOf(goTo), flooder);
  EXPECT_EQ(dispatcher.waiting(), OscInput::kMaxWaitingPerSender);
  EXPECT_EQ(linesStartingWith(host.logLines, "OSC input dropped"), 2);
  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return dispatcher.waiting() == 0 && !dispatcher.running(); }));
}

TEST(RemoteBounds, SoundToLightLevelsWaitBehindAnOpenQuestionAndRunInOrder) {
  FakeOscHost host;
  ScriptedOperator op;
  op.open = true;
  RemoteDispatcher dispatcher(op);
  OscInput input(host, op);
  input.setDispatcher(&dispatcher);
  input.bands().setBand(3, "|9|9999|");
  int levelAtGoto = -2;
  host.onCall = [&](const QString& call) {
    if (call == "selectRow 2") levelAtGoto = host.output[9];
  };
  input.handleDatagram(bytesOf(oscFloat("/eos/user/0/chan/3", 77.0f)), QHostAddress::LocalHost);
  input.handleDatagram(bytesOf(oscString("/vqlight", "goto 2")), QHostAddress::LocalHost);
  input.handleDatagram(bytesOf(oscFloat("/eos/user/0/chan/3", 100.0f)), QHostAddress::LocalHost);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  // Nothing reaches the output, and no error is put to the operator, while the question is open.
  EXPECT_EQ(host.output[9], -1);
  EXPECT_EQ(host.sendDmxCount, 0);
  EXPECT_TRUE(op.asked.isEmpty());

  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return dispatcher.waiting() == 0 && !dispatcher.running(); }));
  EXPECT_EQ(levelAtGoto, 77) << "the first level ran before the command that followed it";
  EXPECT_EQ(host.output[9], 100);
  ASSERT_FALSE(op.asked.isEmpty());
  EXPECT_EQ(op.asked.first(), "S2L channel error");
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
