// No door from outside can hold the console: a follow-spot message of thousands of commands lets
// the other doors in between its pieces and does not keep a signal from ending the console, and an
// OSC flood while a question is open costs bounded memory and one log line. Sound-to-light levels
// wait behind an open question like every other command.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QUdpSocket>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>

#include "tests/e2e/driven_console.h"

namespace {

constexpr quint16 kFollowSpotPort = 5205;  // the console's default

QByteArray utf16(const QString& text) {
  return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// "set 1@5", then 4000 record separators, with two more commands among them: "set 2@50" after the
// 62nd separator (within the pieces one message may give) and "set 3@50" after the 100th (beyond).
QByteArray followSpotFlood() {
  const QString rs(QChar(0x1E));
  QString text = "set 1@5";
  for (int i = 1; i <= 4000; ++i) {
    text += rs;
    if (i == 62) text += "set 2@50";
    if (i == 100) text += "set 3@50";
  }
  return utf16(text);
}

// Resident memory of a process, in KiB; -1 when unreadable.
long residentKiB(qint64 pid) {
  QFile f(QString("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

QByteArray oscPadded(QByteArray s) {
  s.append('\0');
  while (s.size() % 4) s.append('\0');
  return s;
}

// An OSC message to "/vqlight" with one string argument.
QByteArray oscCommand(const QByteArray& text) {
  return oscPadded("/vqlight") + oscPadded(",s") + oscPadded(text);
}

// A sound-to-light level: "/eos/user/0/chan/" + band with one float argument.
QByteArray oscLevel(int band, float level) {
  quint32 bits;
  std::memcpy(&bits, &level, 4);
  QByteArray value(4, '\0');
  for (int i = 0; i < 4; ++i) value[i] = char(bits >> (24 - 8 * i));
  return oscPadded("/eos/user/0/chan/" + QByteArray::number(band)) + oscPadded(",f") + value;
}

struct RemoteDoors : ::testing::Test, DrivenConsole {
  QTcpSocket followSpot;

  void TearDown() override { EXPECT_TRUE(console.stop()); }
  void connectFollowSpot() {
    QByteArray greeting;
    followSpot.connectToHost(QHostAddress::LocalHost, kFollowSpotPort);
    ASSERT_TRUE(ConsoleProcess::waitFor([&] {
      greeting += followSpot.readAll();
      return greeting == "Connected\r\n";
    }));
  }
  // Unrecorded changes, then a second client asks for the next cue: the question is on screen.
  bool askUnrecordedChanges(QTcpSocket& asker) {
    send("goto 1\r\nset 5@20\r\n");
    QByteArray greeting;
    if (!waitForLevel(5, 51) || !ConsoleProcess::connectUntilGreeted(asker, greeting)) return false;
    asker.write("play next\r\n");
    asker.flush();
    return console.waitForDialog("Unrecorded Changes");
  }
  int logLines(const QByteArray& start) {
    QFile log(console.path("LogFile.txt"));
    if (!log.open(QIODevice::ReadOnly)) return 0;
    int n = 0;
    for (const QByteArray& line : log.readAll().split('\n')) n += line.contains(" - " + start);
    return n;
  }
};

}  // namespace

TEST_F(RemoteDoors, AFollowSpotMessageOfThousandsOfCommandsLetsTheOtherDoorsInBetweenItsPieces) {
  startOn("demo.lcue", 256);
  connectFollowSpot();
  const int channel3 = wireLevel(3);
  followSpot.write(followSpotFlood());
  followSpot.flush();
  ASSERT_TRUE(waitForLevel(1, 13)) << "the message's first command ran";

  // The remote client's command is answered while the message's later pieces are still due.
  QElapsedTimer answered;
  answered.start();
  send("read 1\r\n");
  ASSERT_TRUE(waitForReply("read5")) << received.toStdString();
  const qint64 answerMs = answered.elapsed();
  EXPECT_NE(wireLevel(2), 127) << "the read was answered only after the message's pieces";
  std::cout << "[ measured ] read answered " << answerMs << " ms into a 4000-separator message\n";

  // The pieces go on 50 ms apart; one message gives at most 64 of them.
  ASSERT_TRUE(waitForLevel(2, 127));
  ConsoleProcess::settle(4000);
  EXPECT_EQ(wireLevel(3), channel3) << "a command beyond the message's pieces ran";
  received.clear();
  send("read 2\r\n");
  EXPECT_TRUE(waitForReply("read50")) << received.toStdString();
}

TEST_F(RemoteDoors, ASignalDuringAFollowSpotMessageEndsTheConsoleWithTheSettingsWritten) {
  startOn("demo.lcue", 256);
  connectFollowSpot();
  followSpot.write(followSpotFlood());
  followSpot.flush();
  ASSERT_TRUE(waitForLevel(1, 13));

  QElapsedTimer ended;
  ended.start();
  console.signal(SIGTERM);
  ASSERT_TRUE(console.process().waitForFinished(10000)) << "SIGTERM was not obeyed";
  std::cout << "[ measured ] ended " << ended.elapsed() << " ms after SIGTERM\n";
  EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(console.exitCode(), 0);
  // The ordered close ran: its warm-up frame is the last, and no piece came after it.
  EXPECT_TRUE(waitForLevel(1, 0));
  EXPECT_EQ(wireLevel(2), 0);
  QFile settings(console.path("vqlighting.ini"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_TRUE(settings.readAll().contains("SplitPos="));
}

TEST_F(RemoteDoors, AnOscFloodWhileAQuestionIsOpenCostsBoundedMemoryAndOneLogLine) {
  console.setDialogDelay(20000);
  console.setDialogAnswers("No");
  startOn("demo.lcue", 256);
  QTcpSocket asker;
  ASSERT_TRUE(askUnrecordedChanges(asker)) << console.dialogs().join('\n').toStdString();
  const long before = residentKiB(console.process().processId());

  QUdpSocket udp;
  const QByteArray datagram = oscCommand("goto 2");
  QElapsedTimer flood;
  flood.start();
  for (int i = 0; i < 300000; ++i) {
    udp.writeDatagram(datagram, QHostAddress::LocalHost, oscPort);
    if (i % 500 == 499) ConsoleProcess::settle(1);  // lets the console take them in
  }
  ConsoleProcess::settle(500);
  ASSERT_LT(flood.elapsed(), 15000) << "the flood outlasted the question: this machine is too slow for it";
  ASSERT_TRUE(console.running());
  const long during = residentKiB(console.process().processId());
  std::cout << "[ measured ] resident memory " << before << " KiB before, " << during
            << " KiB after 300000 datagrams\n";
  EXPECT_LT(during - before, 12 * 1024) << "KiB grown";

  // The commands that were kept run once the question is answered; the console answers again.
  received.clear();
  send("read 1\r\n");
  ASSERT_TRUE(waitForReply("read")) << received.toStdString();
  EXPECT_EQ(logLines("OSC input dropped"), 1);
  EXPECT_EQ(console.dialogCount("Unrecorded Changes"), 1);
}

TEST_F(RemoteDoors, ASoundToLightLevelWaitsBehindTheOpenQuestionAndItsErrorComesAfterIt) {
  console.writeFile("S2Lsave.ini", "[3]\r\nDMX=|200|9999|\r\nMin=0\r\n");
  console.setDialogDelay(3000);
  console.setDialogAnswers("No");
  startOn("demo.lcue", 256);
  QTcpSocket asker;
  ASSERT_TRUE(askUnrecordedChanges(asker)) << console.dialogs().join('\n').toStdString();
  QUdpSocket udp;
  udp.writeDatagram(oscLevel(3, 77.0f), QHostAddress::LocalHost, oscPort);
  ConsoleProcess::settle(1000);
  // While the question is open: no level, no dialog on top of it.
  EXPECT_NE(wireLevel(200), 77);
  EXPECT_EQ(console.dialogCount("S2L channel error"), 0);

  // Once it is answered the level goes out and the band's error is asked, after the question.
  ASSERT_TRUE(console.waitForDialog("S2L channel error")) << console.dialogs().join('\n').toStdString();
  const QStringList dialogs = console.dialogs();
  ASSERT_EQ(dialogs.size(), 2) << dialogs.join('\n').toStdString();
  EXPECT_TRUE(dialogs[0].startsWith("Unrecorded Changes\t"));
  EXPECT_TRUE(
      dialogs[1].startsWith("S2L channel error\tChannel 9999 is greater than the number of channels."));
  EXPECT_TRUE(ConsoleProcess::waitFor([&] {
    const auto& frames = widget.frames();
    return std::any_of(frames.begin(), frames.end(), [](const auto& f) {
      return f.label == 6 && f.payload.size() > 200 && uint8_t(f.payload[200]) == 77;
    });
  }));
}
