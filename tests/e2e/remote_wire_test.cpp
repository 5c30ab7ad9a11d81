// The console driven from outside over TCP and the pipe, with the USB Pro widget simulator in place
// of hardware: what reaches the wire.

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>

#include "tests/e2e/driven_console.h"

namespace {
struct WiredConsole : ::testing::Test, DrivenConsole {
  void SetUp() override { startOn("demo.lcue", 256); }
  void TearDown() override { EXPECT_TRUE(console.stop()); }
};
}  // namespace

TEST_F(WiredConsole, ShowIsOpenedAndBlackedOutOnTheWire) {
  EXPECT_TRUE(waitForLevel(1, 0));
  bool askedSerial = false;
  for (const auto& f : widget.frames()) askedSerial |= f.label == 10;
  EXPECT_TRUE(askedSerial);
  EXPECT_TRUE(console.dialogs().isEmpty()) << console.dialogs().join('\n').toStdString();
}

TEST_F(WiredConsole, SetReachesTheAddressThroughTheOneToOnePatchAndReadAnswers) {
  send("set 12@50\r\n");
  EXPECT_TRUE(waitForLevel(12, 127));
  send("read 12\r\n");
  EXPECT_TRUE(waitForReply("read50"));
  send("set 12@150\r\n");
  EXPECT_TRUE(waitForReply("errorProblem with Cue syntax."));
  EXPECT_EQ(wireLevel(12), 127);
}

TEST_F(WiredConsole, GotoAndPlayRunACueWhoseFadeArrivesOnTheWire) {
  send("goto 3\r\n");
  send("play\r\n");
  // Cue 3 brings channels 1-8 to 70 % after a one second delay over two seconds.
  EXPECT_TRUE(waitForLevel(5, 178));
  EXPECT_TRUE(waitForReply("done"));
  EXPECT_EQ(wireLevel(9), 102);  // 40 %
}

// Commands over the pipe once the web remote is started: tests/window (RemoteWiring), where the
// test can start it.
TEST_F(WiredConsole, PipeStaysClosedWhileTheWebRemoteIsNotStarted) {
  QLocalSocket pipe;
  pipe.connectToServer("vqlighting");
  EXPECT_FALSE(pipe.waitForConnected(500)) << "the pipe server starts inactive";
  send("set 3@100\r\n");
  EXPECT_TRUE(waitForLevel(3, 255));
}

TEST_F(WiredConsole, OscCommandFromLibloPlaysACue) {
  if (QStandardPaths::findExecutable("oscsend").isEmpty()) GTEST_SKIP() << "liblo-tools not installed";
  QProcess::execute("oscsend", {"127.0.0.1", QString::number(oscPort), "/vqlight", "s", "play 3"});
  EXPECT_TRUE(waitForLevel(5, 178));
}

TEST_F(WiredConsole, ClosingLeavesTheRigAtItsWarmUpLevels) {
  send("set 12@50\r\n");
  ASSERT_TRUE(waitForLevel(12, 127));
  ASSERT_TRUE(console.stop());
  widget.waitForFrames(widget.frames().size() + 1, 200);
  EXPECT_EQ(wireLevel(12), 0);
}

TEST_F(WiredConsole, UnpluggedWidgetIsReportedOnce) {
  widget.unplug();
  // The port's failure is noticed when the console next writes: keep changing a level.
  int level = 0;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    send(QString("set 1@%1\r\n").arg(++level % 100).toLatin1());
    ConsoleProcess::settle(50);
    return console.dialogCount("Error") > 0;
  }));
  for (int i = 0; i < 10; ++i) {
    send(QString("set 2@%1\r\n").arg(i).toLatin1());
    ConsoleProcess::settle(50);
  }
  EXPECT_EQ(console.dialogCount("Error"), 1) << console.dialogs().join('\n').toStdString();
  EXPECT_TRUE(console.dialogs().filter("Error").first().contains("What happened?"));
  EXPECT_TRUE(console.running());
}

TEST_F(WiredConsole, UnpluggedWidgetCostsNoProcessorTime) {
  // Over two seconds, 2 % of one core.
  constexpr double kWindow = 2.0, kShare = 0.02;
  auto cpuOver = [&](double seconds) {
    const double before = console.cpuSeconds();
    ConsoleProcess::settle(int(seconds * 1000));
    const double after = console.cpuSeconds();
    return before < 0 || after < 0 ? -1.0 : after - before;
  };
  // The start-up's last work (after the opening's black-out) is done before the widget goes.
  ConsoleProcess::settle(1000);
  widget.unplug();
  const double afterUnplug = cpuOver(kWindow);
  EXPECT_GE(afterUnplug, 0.0);
  EXPECT_LT(afterUnplug, kShare * kWindow) << "the console keeps working on the vanished port";
  // The loss is reported once, at the next write, and the dead port costs nothing afterwards.
  int level = 0;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    send(QString("set 1@%1\r\n").arg(++level % 100).toLatin1());
    ConsoleProcess::settle(50);
    return console.dialogCount("Error") > 0;
  }));
  const double afterReport = cpuOver(kWindow);
  EXPECT_GE(afterReport, 0.0);
  EXPECT_LT(afterReport, kShare * kWindow);
  EXPECT_EQ(console.dialogCount("Error"), 1) << console.dialogs().join('\n').toStdString();
  EXPECT_TRUE(console.running());
}
