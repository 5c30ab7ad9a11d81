// Every modal opens above the window that asked for it: it is transient for that window (a window
// manager keeps it above), and stays on top as that window does. Checked on the real modals.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "console/editors/cue_editor.h"
#include "console/editors/preferences_window.h"
#include "console/editors/soft_patch_window.h"
#include "platform/message_dialog.h"
#include "platform/ui/message_box.h"
#include "tests/window/console_window_fixture.h"

namespace {

// Every modal that opens while it is watched, as it stands: its title, the window it is transient
// for and whether it stays on top. Each is closed as soon as it has been looked at.
struct Modals {
  struct Seen {
    QString title;
    QWindow* owner = nullptr;
    bool onTop = false;
  };
  std::vector<Seen> seen;
  QTimer poll;

  Modals() {
    QObject::connect(&poll, &QTimer::timeout, [this] { look(); });
    poll.start(5);
  }
  void look() {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!modal || !modal->isVisible()) return;
    seen.push_back({modal->windowTitle(),
                    modal->windowHandle() ? modal->windowHandle()->transientParent() : nullptr,
                    modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
    modal->reject();
  }
};

// The console with its real message boxes instead of the test's recorder.
struct RealModals {
  RealModals() {
    setDialogHandler({});
    installMessageBoxes();
  }
  ~RealModals() { setDialogPresenter({}); }
};

}  // namespace

TEST(ModalOwner, TheSoftPatchRemindersOpenAboveTheStayOnTopSoftPatch) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->btnpatchClick();
  TPatch& patch = *w.form->Patch;
  ASSERT_TRUE(patch.isVisible());
  RealModals real;
  Modals modals;
  patch.patchgridSelectCell(0, 1);
  ASSERT_EQ(modals.seen.size(), 2u);
  EXPECT_EQ(modals.seen[0].title, "Soft Patch Information");
  EXPECT_EQ(modals.seen[1].title, "Soft Patch Locations");
  for (const Modals::Seen& m : modals.seen) {
    EXPECT_EQ(m.owner, patch.windowHandle()) << m.title.toStdString();
    EXPECT_TRUE(m.onTop) << m.title.toStdString();
  }
}

TEST(ModalOwner, TheScenesOpenAboveTheCueEditorThatAskedForThem) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->selectRow(1);
  TEditCue& editor = w.form->cueEditor();
  editor.openAs(CueEditorMode::EditSelected, "1");
  ASSERT_TRUE(editor.isVisible());
  RealModals real;
  Modals modals;
  editor.loadsceneClick();
  // The new show's scene file is empty: the editor asks first, then the scenes open.
  ASSERT_FALSE(modals.seen.empty());
  EXPECT_TRUE(modals.seen.back().title.startsWith("Scenes from")) << modals.seen.back().title.toStdString();
  for (const Modals::Seen& m : modals.seen)
    EXPECT_EQ(m.owner, editor.windowHandle()) << m.title.toStdString();
  editor.close();
}

TEST(ModalOwner, SelectUserOpensAboveThePreferencesThatAskedForIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->btnPrefsClick();
  TPreferences& prefs = *w.form->Preferences;
  ASSERT_TRUE(prefs.isVisible());
  Modals modals;
  prefs.findChild<QPushButton*>("btnUser")->click();
  ASSERT_EQ(modals.seen.size(), 1u);
  EXPECT_EQ(modals.seen[0].title, "Select User");
  EXPECT_EQ(modals.seen[0].owner, prefs.windowHandle());
  EXPECT_TRUE(modals.seen[0].onTop);
}

// A question that names no window belongs to the window the operator is working in.
TEST(ModalOwner, AQuestionNamingNoWindowOpensAboveTheActiveWindow) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->btnpatchClick();
  TPatch& patch = *w.form->Patch;
  patch.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&patch));
  RealModals real;
  Modals modals;
  showMessage("Asked", "From nowhere in particular.", DialogIcon::Information);
  ASSERT_EQ(modals.seen.size(), 1u);
  EXPECT_EQ(modals.seen[0].title, "Asked");
  EXPECT_EQ(modals.seen[0].owner, patch.windowHandle());
  EXPECT_TRUE(modals.seen[0].onTop);
}
