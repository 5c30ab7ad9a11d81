// The OSC listener on loopback: datagrams in arrival order, the port check, input that goes on
// behind an open dialog, and liblo's oscsend as a sender.

#include "console/remote/osc_input_socket.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include "console/remote/osc_input.h"
#include "tests/remote/osc_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

constexpr int kWaitMs = 5000;

void sendTo(quint16 port, const OscBytes& datagram) {
  QUdpSocket sender;
  ASSERT_EQ(sender.writeDatagram(reinterpret_cast<const char*>(datagram.data()), qint64(datagram.size()),
                                 QHostAddress::LocalHost, port),
            qint64(datagram.size()));
}

class OscListenerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(listener.Activate(0, QHostAddress::LocalHost)); }
  FakeOscHost host;
  OscInput input{host, testOperator()};
  OscListener listener{input};
};

TEST_F(OscListenerTest, HandlesDatagramsInArrivalOrder) {
  EXPECT_TRUE(listener.isActive());
  EXPECT_NE(listener.port(), 0);
  sendTo(listener.port(), oscString("/vqlight", "black"));
  sendTo(listener.port(), oscString("/vqlight", "end"));
  sendTo(listener.port(), oscString("/vqlight/play", "goto 2"));
  sendTo(listener.port(), OscBytes{'/', 'x'});  // malformed: dropped
  sendTo(listener.port(), oscString("/vqlight", "play 5"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.calls.size() >= 7; }, kWaitMs));
  EXPECT_EQ(host.calls, (QStringList{"btnBlackClick", "keyend", "selectRow 2", "CueListClicked 0",
                                     "selectRow 5", "CueListClicked 0", "btnPlayClick"}));
}

TEST_F(OscListenerTest, PortInUseIsReported) {
  FakeOscHost otherHost;
  OscInput otherInput(otherHost, testOperator());
  OscListener second(otherInput);
  EXPECT_FALSE(second.Activate(listener.port(), QHostAddress::LocalHost));
  EXPECT_FALSE(second.isActive());

  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  EXPECT_FALSE(second.activateOrWarn(listener.port(), "4444", QHostAddress::LocalHost));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "OSC Network problem");
  EXPECT_EQ(dialogs.shown[0].text, "The OSC receive port 4444 is already in use.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Ok);

  // A port another program holds fails the same way.
  QUdpSocket other;
  ASSERT_TRUE(other.bind(QHostAddress::LocalHost, 0));
  EXPECT_FALSE(second.Activate(other.localPort(), QHostAddress::LocalHost));
  EXPECT_FALSE(second.Activate(70000, QHostAddress::LocalHost));
  EXPECT_FALSE(second.Activate(-1, QHostAddress::LocalHost));
}

TEST_F(OscListenerTest, AnInvalidPortIsReportedAsInvalidAndTheDefaultIsUsed) {
  FakeOscHost otherHost;
  OscInput otherInput(otherHost, testOperator());
  OscListener second(otherInput);
  QUdpSocket probe;  // a free port stands in for the default
  ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
  const quint16 free = probe.localPort();
  probe.close();
  for (const int port : {70000, -1, 65536}) {
    SCOPED_TRACE(port);
    DialogRecorder dialogs;
    dialogs.answer(DialogResult::Ok);
    EXPECT_TRUE(second.activateOrWarn(port, QString::number(port), QHostAddress::LocalHost, free));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "OSC Network problem");
    EXPECT_EQ(dialogs.shown[0].text, "The OSC receive port " + QString::number(port) +
                                         " is not a valid port number. The default port " +
                                         QString::number(free) + " is used.");
    EXPECT_EQ(second.port(), free);
    second.Deactivate();
  }
}

TEST_F(OscListenerTest, MovesToAnotherPort) {
  const quint16 old = listener.port();
  QUdpSocket probe;
  ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
  const quint16 next = probe.localPort();
  probe.close();
  ASSERT_TRUE(listener.Activate(next, QHostAddress::LocalHost));
  EXPECT_EQ(listener.port(), next);
  // The old port is free again.
  QUdpSocket reuse;
  EXPECT_TRUE(reuse.bind(QHostAddress::LocalHost, old, QAbstractSocket::DontShareAddress));
  sendTo(next, oscString("/vqlight", "end"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !host.calls.isEmpty(); }, kWaitMs));
  EXPECT_EQ(host.calls, QStringList{"keyend"});

  listener.Deactivate();
  EXPECT_FALSE(listener.isActive());
  QUdpSocket free;
  EXPECT_TRUE(free.bind(QHostAddress::LocalHost, next, QAbstractSocket::DontShareAddress));
}

// While the error dialog of one datagram is open, later datagrams are still handled.
TEST_F(OscListenerTest, InputGoesOnBehindAnOpenDialog) {
  input.bands().setBand(2, "|5|");
  DialogRecorder dialogs;
  bool levelSeen = false;
  setDialogHandler([&](const MessageSpec& spec) {
    dialogs.shown.push_back(spec);
    sendTo(listener.port(), oscFloat("/eos/user/0/chan/2", 128.0f));
    sendTo(listener.port(), oscString("/vqlight", "nonsense"));
    levelSeen = QTest::qWaitFor([&] { return host.output[5] == 128 && !host.logLines.isEmpty(); }, kWaitMs);
    return DialogResult::Ok;
  });
  host.logLevel = 0;
  host.logLines.clear();
  sendTo(listener.port(), oscString("/vqlight", "hello"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.shown.empty() && levelSeen; }, kWaitMs));
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(host.logLines,
            QStringList{"OSC message error: OSC message \"nonsense\" could not be recognized."});
}

// ---- liblo's oscsend as the sender ---------------------------------------------------------------

class OscsendTest : public OscListenerTest {
 protected:
  void SetUp() override {
    oscsend = QStandardPaths::findExecutable("oscsend");
    if (oscsend.isEmpty()) GTEST_SKIP() << "oscsend (liblo-tools) is not installed";
    OscListenerTest::SetUp();
  }
  // oscsend 127.0.0.1 PORT ADDRESS TYPES VALUES...
  void send(const QStringList& message) {
    QProcess process;
    process.start(oscsend, QStringList{"127.0.0.1", QString::number(listener.port())} + message);
    ASSERT_TRUE(process.waitForFinished(kWaitMs));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  }
  // Sends an "end" after what was sent and waits for it: everything before it has been handled.
  void settle() {
    const int before = int(host.calls.count("keyend"));
    send({"/vqlight", "s", "end"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.calls.count("keyend") > before; }, kWaitMs));
    host.calls.removeAll("keyend");
  }
  QString oscsend;
};

TEST_F(OscsendTest, CommandsFromOscsend) {
  send({"/vqlight", "s", "play 3"});
  send({"/vqlight/play", "s", "goto 12.5"});
  settle();
  EXPECT_EQ(host.calls, (QStringList{"selectRow 3", "CueListClicked 0", "btnPlayClick", "selectRow 6",
                                     "CueListClicked 0"}));
}

TEST_F(OscsendTest, LevelsFromOscsend) {
  input.bands().setBand(2, "|5|6|");
  input.bands().setMinimum(2, 20);
  send({"/eos/user/0/chan/2", "f", "128.0"});
  settle();
  EXPECT_EQ(host.output[5], 128);
  EXPECT_EQ(host.output[6], 128);
  send({"/eos/user/0/chan/2", "f", "7.0"});
  send({"/eos/user/0/chan/2", "d", "250.0"});  // a double: not a type we take, dropped
  settle();
  EXPECT_EQ(host.output[5], 20);
  EXPECT_EQ(host.sendDmxCount, 2);
}

TEST_F(OscsendTest, TimecodeFromOscsend) {
  input.timecode().arm(1510);
  send({"/TC/time", "s", "00:01:00:09"});
  settle();
  EXPECT_TRUE(host.calls.isEmpty());
  send({"/TC/time", "s", "00:01:00:10"});
  send({"/TC/time", "s", "00:01:00:11"});
  settle();
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
}

TEST_F(OscsendTest, ArgumentsOfOtherTypes) {
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  dialogs.answer(DialogResult::Ok);
  send({"/vqlight", "T"});  // a type tag without data: no argument is left to take
  send({"/vqlight", "i", "5"});
  send({"/vqlight", "sT", "black"});  // the tag without data after the text is stepped over
  settle();
  EXPECT_EQ(host.calls, QStringList{"btnBlackClick"});
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].text, "OSC message \"UNKNOWN_TYPETAG\"\n\rcould not be recognized.");
  EXPECT_EQ(dialogs.shown[1].text, "OSC message \"5\"\n\rcould not be recognized.");
}

}  // namespace
