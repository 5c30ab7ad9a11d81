// Questions on screen while the console is driven from outside. The dialogs are the real modal
// windows, answered late (VQ_DIALOG_DELAY_MS), so their nested event loops run while commands,
// connections and signals arrive.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <csignal>

#include "console/remote/remote_control.h"
#include "console/remote/web_remote_launcher.h"
#include "platform/message_dialog.h"
#include "platform/ui/message_box.h"
#include "tests/e2e/driven_console.h"
#include "tests/remote/remote_test_support.h"
#include "tests/window/console_window_fixture.h"

namespace {

bool connectAndGreet(QTcpSocket& socket) {
  QByteArray greeting;
  return ConsoleProcess::connectUntilGreeted(socket, greeting);
}

struct QuestionConsole : ::testing::Test, DrivenConsole {
  void TearDown() override { EXPECT_TRUE(console.stop()); }
  // A "read" reply for the first client, proof that the console still answers.
  bool answersRead() {
    received.clear();
    send("read 1\r\n");
    return waitForReply("read");
  }
  // Unrecorded changes to the selected cue, then a second client (`asker`) asks for the next cue.
  // Its connection cleared the remote's own edit flag, so GO puts the question on screen.
  bool askUnrecordedChanges(QTcpSocket& asker) {
    send("goto 1\r\nset 5@20\r\n");
    if (!waitForLevel(5, 51) || !connectAndGreet(asker)) return false;
    asker.write("play next\r\n");
    asker.flush();
    return console.waitForDialog("Unrecorded Changes");
  }
};

}  // namespace

TEST_F(QuestionConsole, RemoteCommandsWaitForTheOpenQuestionAndRunAfterItInOrder) {
  console.setDialogDelay(2500);
  console.setDialogAnswers("No");
  startOn("demo.lcue", 256);
  QTcpSocket asker;
  ASSERT_TRUE(askUnrecordedChanges(asker)) << console.dialogs().join('\n').toStdString();

  // While it is open: the asker leaves, and the first client sends what crashed the console before.
  asker.abort();
  send("goto 1\r\nplay\r\nset 5@20\r\nrecord\r\nplay next\r\n");
  send("read 5\r\n");
  // "No" replays the cue without the changes; then the commands run, the last one answering.
  ASSERT_TRUE(waitForReply("read")) << received.toStdString();
  EXPECT_TRUE(console.running());
  EXPECT_EQ(console.dialogCount("Unrecorded Changes"), 1) << "the question never stacks";
  EXPECT_TRUE(console.dialogs().first().endsWith("\tNo")) << console.dialogs().first().toStdString();
  EXPECT_TRUE(answersRead());
}

TEST_F(QuestionConsole, AConnectionThatLeavesBeforeItsCommandsRunLosesNoneOfThem) {
  console.setDialogDelay(2000);
  console.setDialogAnswers("No");
  startOn("demo.lcue", 256);
  QTcpSocket asker;
  ASSERT_TRUE(askUnrecordedChanges(asker));
  // Another client sends a level and leaves at once, while the question is open.
  QTcpSocket passer;
  ASSERT_TRUE(connectAndGreet(passer));
  passer.write("set 7@40\r\n");
  passer.flush();
  passer.disconnectFromHost();
  asker.abort();
  EXPECT_TRUE(waitForLevel(7, 102)) << "its command ran once the question was answered";
  EXPECT_TRUE(answersRead());
  EXPECT_EQ(console.dialogCount("Unrecorded Changes"), 1);
}

TEST_F(QuestionConsole, SigtermWhileTheQuestionIsOpenRunsTheOrderedCloseToTheWarmUpFrame) {
  console.setDialogDelay(600000);  // nobody answers
  startOn("demo.lcue", 256);
  QTcpSocket asker;
  ASSERT_TRUE(askUnrecordedChanges(asker));
  send("set 6@30\r\n");  // waits behind the question

  console.signal(SIGTERM);
  ASSERT_TRUE(console.process().waitForFinished(5000)) << "SIGTERM was not obeyed";
  EXPECT_EQ(console.exitCode(), 0);
  // The closing frame puts the rig at its warm-up levels (none in this show).
  EXPECT_TRUE(waitForLevel(5, 0));
  EXPECT_EQ(wireLevel(6), 0);
  QFile settings(console.path("vqlighting.ini"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_TRUE(settings.readAll().contains("SplitPos="));
}

namespace {
struct SignalCase {
  int number;
  const char* name;
};
class EndsOnSignalDuringTheStartUpWarning : public ::testing::TestWithParam<SignalCase> {};
}  // namespace

TEST_P(EndsOnSignalDuringTheStartUpWarning, WithTheSettingsWritten) {
  ConsoleProcess console;
  // No interface anywhere: the start-up warning waits for an answer that never comes by itself.
  console.setDialogDelay(600000);
  console.writeSettings("[Settings]\nComPort=/dev/vq-no-such-port\nDMXdevice=0\n");
  ASSERT_TRUE(console.start());
  const QString warning = "Could not find a valid DMX interface on any Com port.";
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return console.dialogs().join('\n').contains(warning); }))
      << console.dialogs().join('\n').toStdString();

  console.signal(GetParam().number);
  ASSERT_TRUE(console.process().waitForFinished(5000)) << GetParam().name << " was not obeyed";
  EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(console.exitCode(), 0);
  QFile settings(console.path("vqlighting.ini"));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  const QByteArray written = settings.readAll();
  EXPECT_TRUE(written.contains("SplitPos=")) << written.toStdString();
  EXPECT_TRUE(written.contains("ComPort=/dev/vq-no-such-port")) << written.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, EndsOnSignalDuringTheStartUpWarning,
                         ::testing::Values(SignalCase{SIGTERM, "SIGTERM"}, SignalCase{SIGINT, "SIGINT"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The web remote's pipe, on a whole main window in this process: the question put by Next from the
// remote is the real modal, answered "No" late; pipe and TCP commands sent while it is open, and the
// pipe closing meanwhile, are carried out after it, and no second copy of it ever appears.
TEST(QuestionOnScreen, NextFromThePipeWhileCommandsArriveAndThePipeCloses) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 100}}), ConsoleWindow::cue(200, {{1, 200}}),
               ConsoleWindow::cue(300, {{2, 50}})},
              16);
  w.start();
  ASSERT_TRUE(w.form);
  QTemporaryDir noRemoteProgram;
  w.form->webRemote().setProgramFolder(noRemoteProgram.path());
  w.form->menWeb->trigger();
  ASSERT_TRUE(w.form->remote()->webRemoteActive());
  // The console's clock keeps pace with real time; dialogs are the real boxes, answered late.
  QTimer clockDriver;
  QObject::connect(&clockDriver, &QTimer::timeout, [&] { w.clock.advance(10); });
  clockDriver.start(10);
  setDialogHandler({});
  installMessageBoxes();
  qputenv("VQ_DIALOG_DELAY_MS", "1500");
  qputenv("VQ_DIALOG_ANSWERS", "No");
  int mostBoxes = 0;
  int unrecordedAsked = 0;
  QTimer boxWatch;
  QObject::connect(&boxWatch, &QTimer::timeout, [&] {
    int boxes = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
        ++boxes;
        if (box->windowTitle() == "Unrecorded Changes" && !box->property("seen").toBool()) {
          box->setProperty("seen", true);
          ++unrecordedAsked;
        }
      }
    mostBoxes = std::max(mostBoxes, boxes);
  });
  boxWatch.start(5);
  struct Restore {
    ~Restore() {
      qunsetenv("VQ_DIALOG_DELAY_MS");
      qunsetenv("VQ_DIALOG_ANSWERS");
      setDialogPresenter({});
    }
  } restore;

  auto pipeMessage = [](const QString& text) { return utf16le(text + "\r\n"); };
  QLocalSocket pipe;
  pipe.connectToServer(w.pipeName);
  ASSERT_TRUE(pipe.waitForConnected(2000));
  // A cue is selected, and the remote changes a level: no TCP client is there to be asked "save".
  pipe.write(pipeMessage("goto 1") + pipeMessage("set 5@20"));
  pipe.flush();
  ASSERT_TRUE(pumpUntil([&] { return w.form->ChannelEdits[4]->text() == "20"; }, 5000));
  pipe.write(pipeMessage("play next"));
  pipe.flush();
  ASSERT_TRUE(pumpUntil([&] { return unrecordedAsked == 1; }, 5000)) << "the question did not appear";

  // While it is open: more from the pipe, a TCP client's commands, and the pipe goes away.
  pipe.write(pipeMessage("goto 1") + pipeMessage("play") + pipeMessage("play next"));
  pipe.flush();
  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, w.form->remote()->remotePort());
  ASSERT_TRUE(client.waitForConnected(2000));
  client.write("goto 1\r\nplay\r\nset 5@20\r\nread 5\r\nrecord\r\nplay next\r\nread 1\r\n");
  client.flush();
  pipe.abort();
  QByteArray replies;
  ASSERT_TRUE(pumpUntil(
      [&] {
        replies += client.readAll();
        return replies.contains("read20") && replies.indexOf("read", replies.indexOf("read20") + 6) > 0;
      },
      10000))
      << replies.toStdString();
  EXPECT_EQ(unrecordedAsked, 1) << "the question never stacks";
  EXPECT_EQ(mostBoxes, 1);
  replies.clear();
  client.write("read 1\r\n");
  EXPECT_TRUE(pumpUntil(
      [&] {
        replies += client.readAll();
        return replies.contains("read");
      },
      5000));
}
