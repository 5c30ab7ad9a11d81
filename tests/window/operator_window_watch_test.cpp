// The windows the operator works in, as the console's remote commands see them: real modal dialogs
// run with exec() (their nested event loops run while the watch is asked), a non-modal window
// watched while it is shown, and windows that are neither.

#include "console/window/operator_window_watch.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFileDialog>
#include <QTimer>
#include <memory>

#include "console/remote/remote_dispatcher.h"
#include "platform/operator.h"
#include "tests/remote/remote_test_support.h"

namespace {
struct Watched {
  QStringList changes;
  OperatorWindowWatch watch{[this](bool open) { changes << (open ? "open" : "closed"); }};
};
}  // namespace

TEST(OperatorWindowWatch, AModalDialogAndAFileChooserNestedInItCountAsOneOpeningUntilBothAreClosed) {
  Watched w;
  QDialog editor;
  bool seenWhileNested = false;
  QTimer::singleShot(0, &editor, [&] {
    QFileDialog chooser(&editor, "Open Show");
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    QTimer::singleShot(0, &chooser, [&] {
      seenWhileNested = w.watch.anyOpen() && w.changes == QStringList{"open"};
      chooser.reject();
    });
    chooser.exec();
    EXPECT_TRUE(w.watch.anyOpen()) << "the editor is still open";
    editor.accept();
  });
  editor.exec();
  EXPECT_TRUE(seenWhileNested);
  EXPECT_FALSE(w.watch.anyOpen());
  EXPECT_EQ(w.changes, (QStringList{"open", "closed"}));
}

TEST(OperatorWindowWatch, AWatchedWindowCountsWhileShownOtherWindowsNever) {
  Watched w;
  QDialog tool;  // shown without being modal, not watched
  tool.show();
  EXPECT_FALSE(w.watch.anyOpen());
  auto cueEditor = std::make_unique<QDialog>();
  w.watch.watchWhileShown(cueEditor.get());
  cueEditor->show();
  EXPECT_TRUE(w.watch.anyOpen());
  cueEditor->hide();
  EXPECT_FALSE(w.watch.anyOpen());
  cueEditor->show();
  cueEditor.reset();  // deleted while shown
  EXPECT_FALSE(w.watch.anyOpen());
  EXPECT_EQ(w.changes, (QStringList{"open", "closed", "open", "closed"}));
}

TEST(OperatorWindowWatch, RemoteCommandsArrivingDuringARealModalRunAfterItInOrder) {
  DialogOperator dialogs;
  RemoteDispatcher dispatcher(dialogs);
  OperatorWindowWatch watch([&](bool open) { open ? dispatcher.hold() : dispatcher.release(); });
  QStringList ran;
  QDialog dialog;
  QTimer::singleShot(0, &dialog, [&] {
    for (const QString c : {"goto 5", "set 7@33", "record"})
      dispatcher.post([&ran, c](QObject*) { ran << c; });
    // The dialog's own event loop runs for a while: nothing is taken.
    QTimer::singleShot(50, &dialog, [&] {
      EXPECT_TRUE(ran.isEmpty());
      dialog.accept();
    });
  });
  dialog.exec();
  EXPECT_TRUE(ran.isEmpty()) << "nothing ran inside the dialog's loop";
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 3; }));
  EXPECT_EQ(ran, (QStringList{"goto 5", "set 7@33", "record"}));
}
