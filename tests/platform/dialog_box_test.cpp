// The real message boxes, answered late: their nested event loops run as they do for the operator.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <optional>

#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/ui/message_box.h"
#include "tests/support/dialog_recorder.h"

namespace {

class RealBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty())
      GTEST_SKIP() << "dialogs are answered from the environment";
    installMessageBoxes();
  }
  void TearDown() override {
    qunsetenv("VQ_DIALOG_DELAY_MS");
    qunsetenv("VQ_DIALOG_ANSWERS");
    setDialogPresenter({});
  }
  static int visibleBoxes() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<QMessageBox*>(w) && w->isVisible();
    return n;
  }
  static MessageSpec question(DialogButtons buttons) {
    MessageSpec spec;
    spec.title = "Unrecorded Changes";
    spec.text = "Save to that cue?";
    spec.icon = DialogIcon::Confirmation;
    spec.buttons = buttons;
    return spec;
  }
};

}  // namespace

TEST_F(RealBoxes, ADelayedAnswerRunsTheModalAndTellsWhenNoQuestionIsOpen) {
  qputenv("VQ_DIALOG_DELAY_MS", "150");
  qputenv("VQ_DIALOG_ANSWERS", "No");
  bool seenOpen = false;
  QObject context;
  bool calledBack = false;
  QTimer::singleShot(30, [&] {
    seenOpen = visibleBoxes() == 1 && testOperator().questionOpen() && openQuestionCount() == 1;
    testOperator().whenNoQuestionOpen(&context, [&] { calledBack = true; });
  });
  EXPECT_EQ(showMessage(question(DialogButtons::YesNo)), DialogResult::No);
  EXPECT_TRUE(seenOpen) << "the box was on screen with its event loop running";
  EXPECT_FALSE(testOperator().questionOpen());
  EXPECT_FALSE(calledBack) << "called from the event loop, not from inside the close";
  QCoreApplication::processEvents();
  EXPECT_TRUE(calledBack);
  EXPECT_TRUE(dialogsAnsweredWithoutWindows()) << "file choices open no window in this mode";
}

TEST_F(RealBoxes, TheSameQuestionAskedAgainWhileOpenJoinsItInsteadOfStacking) {
  qputenv("VQ_DIALOG_DELAY_MS", "300");
  int boxesWhileJoined = -1;
  std::optional<DialogResult> second;
  QTimer::singleShot(40, [&] {
    QTimer::singleShot(40, [&] { boxesWhileJoined = visibleBoxes(); });
    second = showMessage(question(DialogButtons::YesNo));
  });
  const DialogResult first = showMessage(question(DialogButtons::YesNo));
  EXPECT_EQ(boxesWhileJoined, 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, first);
  EXPECT_EQ(first, DialogResult::Yes);  // the default button answered
  // Another question (a different text) is a box of its own.
  int boxesWithOther = -1;
  QTimer::singleShot(40, [&] {
    QTimer::singleShot(40, [&] { boxesWithOther = visibleBoxes(); });
    MessageSpec other = question(DialogButtons::Ok);
    other.text = "Something else";
    showMessage(other);
  });
  showMessage(question(DialogButtons::YesNo));
  EXPECT_EQ(boxesWithOther, 2);
}

TEST_F(RealBoxes, ClosingForTheEndAnswersCancelOrTheDefault) {
  qputenv("VQ_DIALOG_DELAY_MS", "600000");
  struct Case {
    DialogButtons buttons;
    DialogResult closedWith;
  };
  for (const Case& c :
       {Case{DialogButtons::OkCancel, DialogResult::Cancel}, Case{DialogButtons::YesNo, DialogResult::Yes},
        Case{DialogButtons::Ok, DialogResult::Ok}}) {
    QTimer::singleShot(30, [] { closeOpenMessageBoxes(); });
    EXPECT_EQ(showMessage(question(c.buttons)), c.closedWith) << buttonsText(c.buttons).toStdString();
    EXPECT_EQ(visibleBoxes(), 0);
  }
}
