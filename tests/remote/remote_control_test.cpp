#include "console/remote/remote_control.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "console/remote/remote_framing.h"
#include "console/remote/remote_reply_file.h"
#include "console/remote/remote_tcp_server.h"
#include "platform/operator.h"
#include "tests/remote/remote_test_support.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/test_clock.h"

namespace {

QString uniquePipeName() {
  static int n = 0;
  return QString("vqlighting-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n);
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class RemoteControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    settings.listenAddress = QHostAddress::LocalHost;
    settings.remotePort = 0;
    settings.followSpotPort = 0;
    settings.pipeName = uniquePipeName();
    settings.replyFolder = folder.path();
    // Commands split across writes must join whatever the machine's load; the silence rule has
    // its own test.
    settings.idleFlushMs = 60000;
    settings.ownAddress = [this] {
      ++ownAddressAsked;
      return QString("127.0.0.1");
    };
  }

  RemoteControl& start() {
    control = std::make_unique<RemoteControl>(host, testOperator(), settings, &clock);
    EXPECT_TRUE(control->startServers());
    return *control;
  }

  // A client of one of the servers, connected and greeted.
  std::unique_ptr<QTcpSocket> connectClient(quint16 port, const std::function<int()>& clients, int expected) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(pumpUntil(
        [&] { return socket->state() == QAbstractSocket::ConnectedState && clients() == expected; }));
    EXPECT_EQ(readAtLeast(*socket, 11), QByteArray("Connected\r\n"));
    return socket;
  }
  std::unique_ptr<QTcpSocket> connectRemote(int expected = 1) {
    return connectClient(
        control->remotePort(), [this] { return control->remoteClientCount(); }, expected);
  }
  std::unique_ptr<QTcpSocket> connectFollowSpot(int expected = 1) {
    return connectClient(
        control->followSpotPort(), [this] { return control->followSpotClientCount(); }, expected);
  }

  QString replyPath() const { return QDir(folder.path()).filePath("read.txt"); }

  QTemporaryDir folder;
  DialogRecorder dialogs;
  FakeRemoteHost host;
  FakeRemoteClock clock;
  TestClock virtualClock;  // for tests whose console timers run on virtual time
  RemoteSettings settings;
  int ownAddressAsked = 0;
  std::unique_ptr<RemoteControl> control;
};

TEST_F(RemoteControlTest, StartUpListensOnBothServers) {
  start();
  EXPECT_TRUE(host.toolLines.contains("Waiting for Vq clients..."));
  EXPECT_TRUE(host.toolLines.contains("Waiting for IP clients..."));
  EXPECT_NE(control->remotePort(), 0);
  EXPECT_NE(control->followSpotPort(), 0);
  EXPECT_FALSE(control->webRemoteActive());
}

TEST_F(RemoteControlTest, ABusyPortShowsTheListeningProblemAndTheOtherServerStillListens) {
  QTcpServer occupier;
  ASSERT_TRUE(occupier.listen(QHostAddress::LocalHost, 0));
  settings.remotePort = occupier.serverPort();
  dialogs.answer(DialogResult::Cancel);
  control = std::make_unique<RemoteControl>(host, testOperator(), settings, &clock);
  EXPECT_FALSE(control->startServers());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Network Problem");
  EXPECT_EQ(dialogs.shown[0].text, "Unable to set listening for remote clients.");
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Cancel);
  EXPECT_TRUE(host.toolLines.contains("Waiting for Vq clients..."));
  EXPECT_FALSE(host.toolLines.contains("Waiting for IP clients..."));
}

TEST_F(RemoteControlTest, RepliesGoOnlyToTheFirstClientUntilItLeaves) {
  start();
  std::vector<bool> icon;
  QObject::connect(control.get(), &RemoteControl::vqlremoteChanged,
                   [&](bool shown) { icon.push_back(shown); });
  auto first = connectRemote(1);
  auto second = connectRemote(2);
  EXPECT_TRUE(host.toolLines.contains("Connected to 127.0.0.1"));
  EXPECT_EQ(host.toolSendCaption, "Send");

  second->write("hello\r\n");
  const QByteArray reply = "errorUnknown Lighting command: hello\r\n";
  EXPECT_EQ(readAtLeast(*first, reply.size()), reply);
  EXPECT_TRUE(drain(*second).isEmpty());

  first->disconnectFromHost();
  ASSERT_TRUE(pumpUntil([&] { return control->remoteClientCount() == 1; }));
  EXPECT_TRUE(host.toolLines.contains("Disconnected"));
  EXPECT_TRUE(control->vqlremoteShown());  // one client is still there

  second->write("HELLO\r\n");
  EXPECT_EQ(readAtLeast(*second, reply.size()), reply);

  second->disconnectFromHost();
  ASSERT_TRUE(pumpUntil([&] { return control->remoteClientCount() == 0; }));
  EXPECT_EQ(icon, (std::vector<bool>{true, false}));
}

TEST_F(RemoteControlTest, CommandsAreFramedAtLineEnds) {
  start();
  auto client = connectRemote();
  client->write("stop\r\nend\nback\r");  // three commands in one write
  ASSERT_TRUE(pumpUntil([&] { return host.calls.size() == 3; }));
  EXPECT_EQ(host.calls.join("; "), "btnstoploopClick; keyend; GoBack");

  host.calls.clear();
  client->write("\ngoto");  // the LF completes the CR LF above; the command comes in two writes
  client->flush();
  EXPECT_TRUE(drain(*client).isEmpty());
  EXPECT_TRUE(host.calls.isEmpty());
  client->write(" 3\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.calls.size() == 2; }));
  EXPECT_EQ(host.calls.join("; "), "selectCueRow 3; CueListClicked 0");
  EXPECT_TRUE(drain(*client).isEmpty());  // no reply for an empty line
}

TEST_F(RemoteControlTest, ALineTooLongGetsOneErrorAndAFloodIsDisconnected) {
  start();
  auto client = connectRemote();
  const QByteArray longLine = "goto " + QByteArray(20000, '7');
  client->write(longLine + "\r\nstop\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("btnstoploopClick"); }));
  const QByteArray reply = "errorLine too long: goto " + QByteArray(75, '7') + "\r\n";
  EXPECT_EQ(readAtLeast(*client, reply.size()), reply);
  EXPECT_TRUE(drain(*client).isEmpty()) << "one reply only";
  EXPECT_EQ(host.calls.join("; "), "btnstoploopClick");
  EXPECT_TRUE(host.toolLines.contains("Line too long from Remote: goto " + QString(75, '7')));
  for (const QString& line : host.toolLines) EXPECT_LE(line.size(), 200);

  // Megabytes without a line end: the client is disconnected.
  const QByteArray block(64 * 1024, 'z');
  for (int i = 0; i < 64 && client->state() == QAbstractSocket::ConnectedState; ++i) {
    client->write(block);
    pumpUntil([&] { return client->bytesToWrite() == 0; }, 200);
  }
  EXPECT_TRUE(pumpUntil([&] { return control->remoteClientCount() == 0; }));
  EXPECT_TRUE(host.calls.join("; ") == "btnstoploopClick") << host.calls.join("; ").toStdString();
}

TEST(RemoteTcpServer, OutputForAClientThatNeverReadsIsDroppedPastALimit) {
  TestClock clock;  // no silence is timed
  RemoteTcpServer server([] { return std::make_unique<AnsiLineFramer>(); }, -1, clock, {});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, server.serverPort());
  ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == 1; }));
  // Far more than any buffer holds; nothing is read at the far end.
  const QByteArray reply(1000, 'r');
  qint64 accepted = 0;
  int dropped = 0;
  for (int i = 0; i < 20000; ++i) {
    if (server.sendToFirst(reply))
      accepted += reply.size();
    else
      ++dropped;
  }
  EXPECT_LE(accepted, RemoteTcpServer::kMaxUnsent);
  EXPECT_GT(dropped, 0);
}

TEST_F(RemoteControlTest, TextWithoutLineEndIsACommandAfterSilence) {
  settings.idleFlushMs = 100;
  // The silence passes on virtual time, while the bytes travel in real time.
  control = std::make_unique<RemoteControl>(host, testOperator(), settings, &virtualClock);
  ASSERT_TRUE(control->startServers());
  auto client = connectRemote();
  client->write("play");
  ASSERT_TRUE(pumpUntil([&] {
    virtualClock.advance(10);
    return host.calls.contains("SendCue");
  }));
  EXPECT_TRUE(drain(*client).isEmpty());  // a bare "play" is no syntax error
}

TEST_F(RemoteControlTest, ACommandArrivingWhileOneRunsWaitsItsTurn) {
  start();
  auto client = connectRemote();
  host.onCall = [&](const QString& what) {
    if (what != "keyend") return;
    // keyend pumps events while it waits; the next command arrives meanwhile.
    client->write("stop\r\n");
    client->flush();
    drain(*client);
    host.calls << "keyend returned";
  };
  client->write("end\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("btnstoploopClick"); }));
  EXPECT_EQ(host.calls.join("; "), "keyend; keyend returned; btnstoploopClick");
}

TEST_F(RemoteControlTest, ARemoteErrorIsShownThenAnsweredAsUnknown) {
  start();
  auto client = connectRemote();
  dialogs.answer(DialogResult::Cancel);
  client->write("errorBoom\r\n");
  const QByteArray reply = "errorUnknown Lighting command: errorboom\r\n";
  EXPECT_EQ(readAtLeast(*client, reply.size()), reply);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Remote problem");
  EXPECT_EQ(dialogs.shown[0].text, "The Remote reports: Boom");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Cancel);
  EXPECT_TRUE(host.toolLines.contains("From Remote: errorBoom"));
}

TEST_F(RemoteControlTest, NetworkDialogsDoNotPileUp) {
  start();
  auto first = connectRemote(1);
  auto second = connectRemote(2);
  std::vector<QString> shown;
  // While the first dialog is open, another client reports an error too.
  setDialogHandler([&](const MessageSpec& spec) {
    shown.push_back(spec.text);
    if (shown.size() == 1) {
      second->write("errorTwo\r\n");
      pumpUntil([&] { return host.toolLines.contains("From Remote: errorTwo"); });
    }
    return DialogResult::Cancel;
  });
  first->write("errorOne\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.toolLines.contains("From Remote: errorOne"); }));
  EXPECT_EQ(shown, std::vector<QString>{"The Remote reports: One"});
  EXPECT_TRUE(host.logLines.contains("Remote problem: The Remote reports: Two"));
  // Once it is closed, the next one shows again.
  first->write("errorThree\r\n");
  ASSERT_TRUE(pumpUntil([&] { return shown.size() == 2; }));
  EXPECT_EQ(shown.back(), "The Remote reports: Three");
  setDialogHandler([](const MessageSpec& spec) {
    ADD_FAILURE() << "unexpected dialog: " << spec.title.toStdString();
    return defaultAnswer(spec.buttons);
  });
}

TEST_F(RemoteControlTest, ReadRepliesToTheRemoteAndWritesTheReplyFile) {
  start();
  ASSERT_TRUE(control->setWebRemoteActive(true));
  auto client = connectRemote();
  host.edits[7] = "40";
  client->write("read 7\r\n");
  EXPECT_EQ(readAtLeast(*client, 8), QByteArray("read40\r\n"));
  EXPECT_EQ(control->ReplyText(), "read40");
  EXPECT_TRUE(host.toolLines.contains("Send: read40"));
  // The file follows 50 ms later, written whole.
  ASSERT_TRUE(pumpUntil([&] { return QFile::exists(replyPath()); }));
  EXPECT_EQ(fileBytes(replyPath()), QByteArray("read40\r\n\r\n"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"read.txt"});
}

TEST_F(RemoteControlTest, NoReplyFileWhileTheWebRemoteIsNotStarted) {
  start();
  auto client = connectRemote();
  host.edits[7] = "40";
  client->write("read 7\r\n");
  EXPECT_EQ(readAtLeast(*client, 8), QByteArray("read40\r\n"));
  control->replyDone();
  EXPECT_EQ(readAtLeast(*client, 6), QByteArray("done\r\n"));
  EXPECT_EQ(control->ReplyText(), "done");
  EXPECT_FALSE(control->replyFile().isArmed());
  EXPECT_FALSE(QFile::exists(replyPath()));
}

TEST_F(RemoteControlTest, DoneReachesTheRemoteAndTheReplyFile) {
  start();
  control->setWebRemoteActive(true);
  auto client = connectRemote();
  control->replyDone();
  EXPECT_EQ(readAtLeast(*client, 6), QByteArray("done\r\n"));
  ASSERT_TRUE(pumpUntil([&] { return QFile::exists(replyPath()); }));
  EXPECT_EQ(fileBytes(replyPath()), QByteArray("done\r\n\r\n"));
}

TEST_F(RemoteControlTest, SaveRequestGoesToTheFirstClient) {
  start();
  EXPECT_FALSE(control->sendSaveRequest());  // nobody to ask
  auto first = connectRemote(1);
  auto second = connectRemote(2);
  second->write("set 12@50\r\n");
  ASSERT_TRUE(pumpUntil([&] { return host.remoteEdited; }));
  EXPECT_TRUE(control->sendSaveRequest());
  EXPECT_EQ(readAtLeast(*first, 6), QByteArray("save\r\n"));
  EXPECT_TRUE(drain(*second).isEmpty());

  // A newly connected remote starts without remote edits.
  auto third = connectRemote(3);
  EXPECT_FALSE(host.remoteEdited);
}

TEST_F(RemoteControlTest, FollowSpotCueMessage) {
  start();
  auto fs = connectFollowSpot();
  EXPECT_TRUE(control->fsconnShown());
  EXPECT_TRUE(host.toolLines.contains("Vq connected to 2130706433"));
  host.currentCue = 2;
  host.colours[2] = 0x0C50DA;
  host.descriptions[2] = "Spot on \xe9";
  control->SendFScue();
  const QByteArray expected = "cue807130|Spot on \xe9\x1e";
  EXPECT_EQ(readAtLeast(*fs, expected.size()), expected);

  EXPECT_TRUE(control->sendFollowSpotClose());
  EXPECT_EQ(readAtLeast(*fs, 7), QByteArray("close\r\n"));
}

TEST_F(RemoteControlTest, FollowSpotCueWithoutClientWarns) {
  start();
  dialogs.answer(DialogResult::Ok);
  control->SendFScue();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Network Communication Problem");
  EXPECT_EQ(dialogs.shown[0].text, "Could not communicate with the Follow Spot video.\r\nPlease check port " +
                                       QString::number(control->followSpotPort()) + " is set.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
  EXPECT_FALSE(control->sendFollowSpotClose());
}

TEST_F(RemoteControlTest, FollowSpotInputIsUtf16WithRecordSeparators) {
  start();
  auto fs = connectFollowSpot();
  auto remote = connectRemote();
  const QByteArray bytes = utf16le(QString("goto 2") + QChar(0x1E) + "play" + QChar(0x1E));
  fs->write(bytes.left(7));  // ends inside a character
  fs->flush();
  drain(*fs);
  fs->write(bytes.mid(7));
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("SendCue"); }));
  EXPECT_EQ(host.calls.join("; "), "selectCueRow 2; CueListClicked 0; SendCue");
  // The pieces are commands of their own, 50 ms apart on the clock: nothing waits inside one.
  EXPECT_TRUE(clock.waits.empty());
  EXPECT_TRUE(host.toolLines.contains("From FS video: goto 2"));
  // The empty remainder after the last separator is answered as an unknown command.
  QByteArray answer;
  ASSERT_TRUE(pumpUntil([&] {
    answer += drain(*remote);
    return answer.endsWith("\r\n");
  }));
  EXPECT_EQ(answer, QByteArray("errorUnknown Lighting command: \r\n"));

  fs->disconnectFromHost();
  ASSERT_TRUE(pumpUntil([&] { return !control->fsconnShown(); }));
}

TEST_F(RemoteControlTest, FollowSpotRecordEndsAtItsFirstNul) {
  start();
  auto fs = connectFollowSpot();
  // One record: "goto 2", a NUL, then what would be a command if it were read.
  fs->write(utf16le(QString("goto 2") + QChar(0) + "play" + QChar(0x1E)));
  fs->flush();
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("CueListClicked 0"); }));
  fs->write(utf16le(QString("goto 3") + QChar(0x1E)));
  fs->flush();
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("selectCueRow 3"); }));
  EXPECT_FALSE(host.calls.contains("SendCue")) << host.calls.join("; ").toStdString();
  EXPECT_EQ(host.calls.count("selectCueRow 2"), 1);
}

TEST_F(RemoteControlTest, PipeIsInactiveUntilTheWebRemoteStarts) {
  start();
  QLocalSocket early;
  early.connectToServer(settings.pipeName);
  EXPECT_FALSE(early.waitForConnected(2000));

  ASSERT_TRUE(control->setWebRemoteActive(true));
  QLocalSocket pipe;
  pipe.connectToServer(settings.pipeName);
  ASSERT_TRUE(pipe.waitForConnected(2000));
  ASSERT_TRUE(pumpUntil([&] { return control->vqlremoteShown(); }));

  const QByteArray message = utf16le("set 12@50\r\n");
  pipe.write(message.left(5));  // a message split at an odd byte
  pipe.flush();
  drain(pipe);
  EXPECT_TRUE(host.edits.empty());
  pipe.write(message.mid(5) + utf16le("PLAY\r\n"));
  ASSERT_TRUE(pumpUntil([&] { return host.calls.contains("SendCue"); }));
  EXPECT_EQ(host.edits[12], "50");
  EXPECT_TRUE(host.toolLines.contains("Rcvd: set 12@50"));
  EXPECT_TRUE(host.toolLines.contains("Rcvd: PLAY"));

  control->setWebRemoteActive(false);
  ASSERT_TRUE(pumpUntil([&] { return pipe.state() == QLocalSocket::UnconnectedState; }));
  ASSERT_TRUE(pumpUntil([&] { return !control->vqlremoteShown(); }));
  QLocalSocket late;
  late.connectToServer(settings.pipeName);
  EXPECT_FALSE(late.waitForConnected(2000));
}

TEST_F(RemoteControlTest, LongMessagesOnThePipeAndTheFollowSpotLinkAreDroppedAndFloodsCut) {
  start();
  ASSERT_TRUE(control->setWebRemoteActive(true));
  QLocalSocket pipe;
  pipe.connectToServer(settings.pipeName);
  ASSERT_TRUE(pipe.waitForConnected(2000));
  auto fs = connectFollowSpot();
  const QString longText = "set " + QString(6000, '9');
  pipe.write(utf16le(longText + "\r\nstop\r\n"));
  fs->write(utf16le(longText + QChar(0x1E) + "end" + QChar(0x1E)));
  ASSERT_TRUE(
      pumpUntil([&] { return host.calls.contains("btnstoploopClick") && host.calls.contains("keyend"); }));
  EXPECT_TRUE(host.edits.empty()) << "the long commands did not run";
  EXPECT_TRUE(host.toolLines.contains("Line too long from Pipe: " + longText.left(80)));
  EXPECT_TRUE(host.toolLines.contains("Line too long from FS video: " + longText.left(80)));

  // A peer that keeps sending without an end is disconnected.
  const QByteArray block = utf16le(QString(32 * 1024, 'w'));
  for (int i = 0; i < 32 && pipe.state() == QLocalSocket::ConnectedState; ++i) {
    pipe.write(block);
    pumpUntil([&] { return pipe.bytesToWrite() == 0; }, 200);
  }
  for (int i = 0; i < 32 && fs->state() == QAbstractSocket::ConnectedState; ++i) {
    fs->write(block);
    pumpUntil([&] { return fs->bytesToWrite() == 0; }, 200);
  }
  EXPECT_TRUE(pumpUntil([&] { return pipe.state() == QLocalSocket::UnconnectedState; }));
  EXPECT_TRUE(pumpUntil([&] { return control->followSpotClientCount() == 0; }));
}

TEST_F(RemoteControlTest, StoppedServersRefuseNewClients) {
  start();
  const quint16 port = control->remotePort();
  control->setWebRemoteActive(true);
  EXPECT_TRUE(control->stopServers());
  EXPECT_FALSE(control->webRemoteActive());
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  EXPECT_TRUE(pumpUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }));
}

TEST(RemoteReplyFile, ExactBytesAndAFailureForTheErrorHandler) {
  QTemporaryDir dir;
  QStringList errors;
  TestClock clock;
  RemoteReplyFile file([&](const QString& e) { errors << e; }, clock);
  file.setFolder(dir.path());
  file.post("read40");
  EXPECT_FALSE(file.isArmed());  // not started: nothing to write
  file.setEnabled(true);
  file.post("read40");
  EXPECT_TRUE(file.isArmed());
  file.writeNow();
  EXPECT_FALSE(file.isArmed());
  EXPECT_EQ(fileBytes(file.filePath()), QByteArray("read40\r\n\r\n"));
  file.post("done");
  file.writeNow();
  EXPECT_EQ(fileBytes(file.filePath()), QByteArray("done\r\n\r\n"));
  EXPECT_TRUE(errors.isEmpty());

  file.setFolder(dir.filePath("missing"));
  file.writeNow();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("read.txt"));
}

}  // namespace
