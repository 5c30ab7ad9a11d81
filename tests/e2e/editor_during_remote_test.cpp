// The operator works in an editor or a file chooser while commands arrive over TCP: a whole main
// window in this process, its remote command server on a real loopback socket, the cue editor opened
// by a right-click on the cue list and the show's file chooser as the real modal dialog. The commands
// wait until the window is closed, then run in the order they arrived; nothing they do lands on the
// cue the editor was opened on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "console/editors/cue_editor.h"
#include "console/remote/remote_control.h"
#include "platform/message_dialog.h"
#include "platform/ui/file_chooser.h"
#include "tests/remote/remote_test_support.h"
#include "tests/window/console_window_fixture.h"

namespace {

constexpr int kChannels = 16;

// Cue k (1..5) holds channel k at 10 x k percent, levels that read back from the grid unchanged.
std::vector<CueRecord> fiveCues() {
  std::vector<CueRecord> cues;
  const int levels[] = {26, 51, 76, 102, 127};
  for (int k = 1; k <= 5; ++k) cues.push_back(ConsoleWindow::cue(100 * k, {{k, levels[k - 1]}}));
  return cues;
}

QByteArray recordBytes(const QString& path, int index) {
  return cue_test::readBytes(path).mid(index * kCueRecordSize, kCueRecordSize);
}

struct EditorDuringRemote : ::testing::Test {
  ConsoleWindow w;
  QTcpSocket client;
  QByteArray received;
  // The console's clock keeps pace with real time, so its waits end while the test pumps events.
  QTimer clockDriver;

  void SetUp() override {
    w.writeShow(fiveCues(), kChannels);
    w.startWithNewSideFiles({}, kChannels);
    ASSERT_TRUE(w.form);
    w.dialogs.answerDefaults = true;  // what showing the window asks the first time
    w.form->show();
    QCoreApplication::processEvents();
    w.dialogs.answerDefaults = false;
    w.dialogs.shown.clear();
    QObject::connect(&clockDriver, &QTimer::timeout, [this] { w.clock.advance(10); });
    clockDriver.start(10);
    client.connectToHost(QHostAddress::LocalHost, w.form->remote()->remotePort());
    ASSERT_TRUE(client.waitForConnected(2000));
    ASSERT_TRUE(pumpUntil([&] {
      received += client.readAll();
      return received.contains("Connected");
    }));
    received.clear();
  }
  void send(const QByteArray& text) {
    client.write(text);
    client.flush();
  }
  // Lets the console run for a while (commands arrive, timers fire), collecting replies.
  void runFor(int ms) {
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      received += client.readAll();
    }
  }
  bool waitForReply(const QByteArray& reply) {
    return pumpUntil(
        [&] {
          received += client.readAll();
          return received.contains(reply);
        },
        10000);
  }
};

}  // namespace

TEST_F(EditorDuringRemote, TheCueEditorSavesTheCueItWasOpenedOnAndTheCommandsRunAfterItInOrder) {
  w.dialogs.answerDefaults = true;  // whatever the console asks on its own gets its default answer
  const QString show = w.path("show.lcue");
  const QByteArray fifthBefore = recordBytes(show, 4);
  QTableWidget* list = w.form->cuelist;
  const QRect second = list->visualRect(list->model()->index(1, 0));
  ASSERT_TRUE(second.isValid());
  QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, second.center());
  TEditCue& editor = w.form->cueEditor();
  ASSERT_TRUE(editor.isVisible());
  ASSERT_EQ(editor.windowTitle(), "Edit existing Cue");
  ASSERT_EQ(editor.cuenum->text(), "2");

  const QByteArray fileBefore = cue_test::readBytes(show);
  send("goto 5\r\nset 7@33\r\nrecord\r\nread 7\r\n");
  runFor(500);
  EXPECT_TRUE(received.isEmpty()) << "no command ran while the editor is open: " << received.toStdString();
  EXPECT_EQ(w.S.Rows.CurrentCue, 2);
  EXPECT_EQ(cue_test::readBytes(show), fileBefore);

  editor.cuedesc->setText("two, edited");
  QTest::mouseClick(editor.editsave, Qt::LeftButton);
  EXPECT_FALSE(editor.isVisible());
  ASSERT_TRUE(waitForReply("read")) << received.toStdString();
  EXPECT_TRUE(received.endsWith("\r\n")) << received.toStdString();

  const CueRecord secondCue = CueRecord::decode(recordBytes(show, 1));
  EXPECT_EQ(secondCue.cueNumber, 200);
  EXPECT_EQ(secondCue.descriptionText(), "two, edited");
  EXPECT_EQ(uint8_t(secondCue.levels[1]), 51) << "cue 2 keeps its own levels";
  EXPECT_EQ(uint8_t(secondCue.levels[6]), 0) << "the level set afterwards is not in cue 2";
  // The commands then ran in order: cue 5 was selected, channel 7 set and recorded into it. Cue 5
  // is what it was, with that one level more.
  CueRecord fifth = CueRecord::decode(fifthBefore);
  fifth.levels[6] = char(84);
  EXPECT_EQ(recordBytes(show, 4), fifth.encode());
  EXPECT_EQ(w.S.Rows.CurrentCue, 5);
  EXPECT_EQ(cue_test::readBytes(show).size(), 5 * kCueRecordSize);
  for (const auto& shown : w.dialogs.shown) ADD_FAILURE() << "asked: " << shown.title.toStdString();
}

TEST_F(EditorDuringRemote, NothingIsWrittenWhileTheShowsFileChooserIsOpenAndTheRecordRunsAfterIt) {
  const QString show = w.path("show.lcue");
  // The file chooser is the real dialog, so the message dialogs must not be answered by a script.
  setDialogHandler({});
  setFileDialogHandler({});
  installFileChoosers();
  struct Restore {
    ~Restore() { setFileDialogPresenter({}); }
  } restore;
  send("goto 3\r\n");
  ASSERT_TRUE(pumpUntil([&] { return w.S.Rows.CurrentCue == 3; }, 5000));
  runFor(100);
  received.clear();
  const QByteArray before = cue_test::readBytes(show);

  bool chooserSeen = false;
  bool unchangedWhileOpen = false;
  QByteArray repliesWhileOpen;
  QTimer answerLate;
  int polls = 0;
  QObject::connect(&answerLate, &QTimer::timeout, [&] {
    QFileDialog* chooser = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(widget); d && d->isVisible()) chooser = d;
    if (!chooser) return;
    if (!chooserSeen) {
      chooserSeen = true;
      send("set 7@33\r\nrecord\r\nread 7\r\n");
    }
    repliesWhileOpen += client.readAll();
    if (++polls < 50) return;  // half a second with the chooser open
    unchangedWhileOpen = cue_test::readBytes(show) == before;
    chooser->reject();
  });
  answerLate.start(10);
  QAction* load = nullptr;
  for (QAction* a : w.form->findChildren<QAction*>())
    if (a->text() == "Load Show") load = a;
  ASSERT_TRUE(load);
  load->trigger();  // returns once the chooser is cancelled
  answerLate.stop();

  ASSERT_TRUE(chooserSeen) << "the file chooser did not open";
  EXPECT_TRUE(unchangedWhileOpen) << "the show was written while the chooser was open";
  EXPECT_TRUE(repliesWhileOpen.isEmpty()) << repliesWhileOpen.toStdString();
  received += repliesWhileOpen;
  ASSERT_TRUE(waitForReply("read")) << received.toStdString();
  EXPECT_EQ(uint8_t(CueRecord::decode(recordBytes(show, 2)).levels[6]), 84) << "the record ran afterwards";
}
