#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include "console/editors/keypad_entry.h"
#include "console/editors/soft_patch_window.h"
#include "console/engine/cue_record.h"
#include "console/remote/remote_control.h"
#include "console/window/channel_cells.h"
#include "tests/engine/cue_test_util.h"
#include "tests/window/console_window_fixture.h"

namespace {

void select(ConsoleWindow& w, int channel) {
  w.S.ChannelSelected[size_t(channel - 1)] = true;
  w.form->ChannelMarks[size_t(channel - 1)]->show();
}

}  // namespace

TEST(Keyboard, SpacePlaysTheCueOnTheWireAndAHeldSpacePlaysOnce) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 0), ConsoleWindow::cue(200, {{2, 255}}, 0)});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  QTest::keyPress(w.form.get(), Qt::Key_Space);
  // Auto-repeat while the key stays down: release/press pairs marked as repeats.
  for (int i = 0; i < 3; ++i) {
    QTest::keyRelease(w.form.get(), Qt::Key_Space, Qt::NoModifier, -1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(w.form.get(), &repeat);
  }
  w.tick(3);
  EXPECT_EQ(w.S.Rows.RunningCue, 1);
  EXPECT_EQ(w.S.Rows.CurrentCue, 2) << "one GO: the next cue is selected, not played";
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 255);
  EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 0);
  QTest::keyRelease(w.form.get(), Qt::Key_Space);
  QTest::keyClick(w.form.get(), Qt::Key_Space);
  w.tick(3);
  EXPECT_EQ(w.S.Rows.RunningCue, 2);
  EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 255);
}

TEST(Keyboard, LevelStepsOnSelectedChannels) {
  struct Case {
    const char* before;
    Qt::Key key;
    bool raw;
    const char* after;
    int dmx;
  } cases[] = {
      {"", Qt::Key_PageUp, false, "10", 26},     {"95", Qt::Key_PageUp, false, "100", 255},
      {"250", Qt::Key_PageUp, true, "255", 255}, {"40", Qt::Key_End, false, "0", 0},
      {"40", Qt::Key_Home, false, "100", 255},   {"40", Qt::Key_Down, false, "39", 99},
  };
  for (const Case& c : cases) {
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.start();
    w.S.RawChannels[3] = c.raw;
    w.form->setEditTextQuietly(2, c.before);
    select(w, 3);
    QTest::keyClick(w.form.get(), c.key);
    EXPECT_EQ(w.form->ChannelEdits[2]->text(), c.after) << c.before << " " << c.key;
    EXPECT_EQ(w.S.DmxOutBuffer[2], c.dmx) << c.before << " " << c.key;
    EXPECT_EQ(uint8_t(w.lastLevels().at(2)), c.dmx);
    EXPECT_TRUE(w.S.Unrecorded);
    EXPECT_EQ(w.S.DmxOutBuffer[3], 0) << "an unselected channel stays";
  }
}

TEST(Keyboard, TypedDigitsReachTheLevelEditAndStaleDigitsNeverPrefixANewLevel) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  QLineEdit* editor = w.form->levelEditor();
  w.form->ChannelEdits[4]->setFocus();
  QTest::keyClicks(editor, "5");
  EXPECT_EQ(w.S.TypedText, "5");
  EXPECT_EQ(w.S.TypedEdit, 4);
  // Another edit: the digits start again.
  w.form->ChannelEdits[6]->setFocus();
  QTest::keyClicks(editor, "25");
  EXPECT_EQ(w.S.TypedText, "25");
  EXPECT_EQ(w.form->ChannelEdits[6]->text(), "25");
  // Letters the console has no use for never reach the edit.
  QTest::keyClicks(editor, "q");
  EXPECT_FALSE(w.form->ChannelEdits[6]->text().contains('q'));
  w.form->levelStep(1);
  EXPECT_TRUE(w.S.TypedText.isEmpty());
}

TEST(Keyboard, LockWritesOnlyTheLockFieldOfTheFirstRecord) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 200}}), ConsoleWindow::cue(200, {})});
  w.start();
  const QByteArray before = cue_test::readBytes(w.path("show.lcue"));
  w.form->menlock->trigger();
  EXPECT_FALSE(w.S.CueChangesAllowed);
  const QByteArray locked = cue_test::readBytes(w.path("show.lcue"));
  ASSERT_EQ(locked.size(), before.size());
  for (int i = 0; i < before.size(); ++i)
    if (i != 1132 && i != 1133) {
      ASSERT_EQ(locked[i], before[i]) << "byte " << i;
    }
  EXPECT_EQ(uint8_t(locked[1132]), 1);
  EXPECT_EQ(uint8_t(locked[1133]), 0);
  w.form->menlock->trigger();
  EXPECT_TRUE(w.S.CueChangesAllowed);
  EXPECT_EQ(cue_test::readBytes(w.path("show.lcue")), before);
}

TEST(Keyboard, LockWithoutACueKeepsTheLockInMemoryAndSaysSo) {
  ConsoleWindow w;
  w.writeShow({});
  w.start();
  w.dialogs.answer(DialogResult::Ok);
  w.form->menlock->trigger();
  EXPECT_FALSE(w.S.CueChangesAllowed);
  EXPECT_EQ(w.dialogs.count("Lock out Cue changes"), 1);
  EXPECT_EQ(cue_test::readBytes(w.path("show.lcue")).size(), 0);
}

TEST(Keyboard, ShowTimerCountsPausesAndResumes) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.form->Starttimer1Click();
  EXPECT_TRUE(w.form->Clock1->isHidden());
  w.clock.advance(3725 * 1000);  // the clock ticks once a second
  EXPECT_EQ(w.form->pDisplay->text(), "01:02:05");
  w.form->PauseTimer1Click();
  w.clock.advance(1000);
  EXPECT_EQ(w.form->ShowTimerSeconds, 3725);
  w.form->ResumeTimer1Click();
  w.form->WallClock1Click();
  w.clock.advance(1000);
  EXPECT_EQ(w.form->ShowTimerSeconds, 3726) << "the timer counts while the clock shows";
  EXPECT_TRUE(w.form->pDisplay->isHidden());
  w.form->ShowTimer1Click();
  EXPECT_EQ(w.form->pDisplay->text(), "01:02:06");
}

TEST(MenusAndToolBar, EveryBuiltItemInItsPlaceWithItsHint) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  auto itemsOf = [&](const QString& title) {
    QStringList items;
    for (QAction* m : w.form->menuBar()->actions())
      if (m->text() == title)
        for (QAction* a : m->menu()->actions())
          if (!a->isSeparator()) items << a->text();
    return items;
  };
  EXPECT_EQ(itemsOf("&File"), (QStringList{"New Show", "Load Show", "Most Recent Shows", "Backup/Save As ...",
                                           "Send to Enttec Mk2 as Show", "Show Cue Spreadsheet",
                                           "Show Patch Spreadsheet", "E&xit"}));
  const QStringList options = itemsOf("&Options");
  const QStringList expected = {"Select DMX interface",
                                "Select Connection type",
                                "Show Inspection tool",
                                "Show Soft Patch",
                                "Show Keypad Entry",
                                "Set Cue list width",
                                "Setup fixtures",
                                "Preferences",
                                "MIDI Input",
                                "Connect to Vq Divuvaz",
                                "Start Web Remote",
                                "Lock out Cue changes",
                                "Restore System sounds at Close"};
  int at = -1;
  for (const QString& item : expected) {
    const int i = int(options.indexOf(item));
    ASSERT_GT(i, at) << item.toStdString();
    at = i;
  }
  EXPECT_EQ(itemsOf("&Help"), (QStringList{"Help Topics", "Check for Update", "About"}));
  for (QAction* m : w.form->menuBar()->actions())
    for (QAction* a : m->menu()->actions()) {
      if (a->text() == "Show Keypad Entry") {
        EXPECT_EQ(a->shortcut(), QKeySequence(Qt::Key_F2));
      }
      if (a->text() == "Send to Enttec Mk2 as Show") {
        EXPECT_FALSE(a->isEnabled());
      }
    }

  auto* bar = w.form->findChild<QToolBar*>("ToolBar1");
  ASSERT_NE(bar, nullptr);
  auto* second = w.form->findChild<QToolBar*>("ToolBar2");  // the tool bar's second row
  ASSERT_NE(second, nullptr);
  w.form->resize(3000, 900);  // wide enough for every button to stand in the bar itself
  QApplication::processEvents();
  QStringList hints;
  for (QToolBar* row : {bar, second})
    for (QAction* a : row->actions())
      if (QWidget* b = row->widgetForAction(a);
          b && b->isVisible() && !b->toolTip().isEmpty() && b->objectName() != "focusOK")
        hints << b->toolTip();
  EXPECT_EQ(hints.join(" / ").toStdString(), (QStringList{"Create a new cue file",
                                                          "Open an existing cue file",
                                                          "Make a backup of the current show",
                                                          "Cut from the current cue list",
                                                          "Copy from the current cue list",
                                                          "Paste the Copy into the current cue list",
                                                          "Save the current cue as a new numbered cue",
                                                          "Add a new cue",
                                                          "Modify levels in the current cue list",
                                                          "Insert a cue before the current cue",
                                                          "Insert a cue after the current cue",
                                                          "Delete the current cue",
                                                          "Live mode - F4",
                                                          "Auto Advance is ON - F3",
                                                          "Record/Save the current levels",
                                                          "Play the current cue",
                                                          "Stop the current loop or fade",
                                                          "Black out",
                                                          "Display the Softpatch tool",
                                                          "Display the Submaster tool",
                                                          "Display the Fixtures tool",
                                                          "Display the Groups tool",
                                                          "Display the Magic sheet",
                                                          "Display the Preferences tool",
                                                          "Connect to Stagora Divuvaz"})
                                                 .join(" / ")
                                                 .toStdString());
}

TEST(Keyboard, ALevelStepOnAFixtureChannelGoesToItsIntensityChannel) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.Patch.ChannelFixture[3] = 5;    // channel 3 names the fixture starting at address 5
  w.S.Patch.IntensityChannel[3] = 8;  // whose intensity is channel 9's edit
  select(w, 3);
  QTest::keyClick(w.form.get(), Qt::Key_PageUp);
  EXPECT_EQ(w.form->ChannelEdits[2]->text(), "10");
  EXPECT_EQ(w.form->ChannelEdits[8]->text(), "10");
  EXPECT_EQ(w.S.DmxOutBuffer[8], 26) << "the intensity channel's address";
  EXPECT_EQ(w.S.DmxOutBuffer[2], 0) << "the fixture's own channel drives no dimmer of its own";
  EXPECT_EQ(uint8_t(w.lastLevels().at(8)), 26);
}

TEST(Keyboard, TheMainWindowsShortcutsDoNotActInsideAnotherWindow) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->btnpatchClick();
  QWidget* patch = w.form->Patch;
  ASSERT_TRUE(patch->isVisible());
  w.dialogs.answerDefaults = true;  // the grid's own reminders as the cell is entered
  patch->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(patch));
  auto* grid = patch->findChild<QAbstractItemView*>("patchgrid");
  ASSERT_NE(grid, nullptr);
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(0, 1));
  QTest::keyClick(grid, Qt::Key_F2);
  EXPECT_FALSE(w.form->KeyEntry->isVisible()) << "F2 in the soft patch grid opened the keypad";
  auto* editor = grid->findChild<QLineEdit*>();
  EXPECT_TRUE(editor && editor->isVisible()) << "F2 edits the cell";
  // In the main window F2 still shows the keypad.
  w.form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
  QTest::keyClick(w.form.get(), Qt::Key_F2);
  EXPECT_TRUE(w.form->KeyEntry->isVisible());
}

TEST(Keyboard, AClosedToolWindowHandsTheKeysBackToTheMainWindow) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
  w.form->showKeypad();
  w.form->KeyEntry->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.form->KeyEntry));
  w.form->KeyEntry->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == w.form.get(); }, 1000));
}

// Counts the paint events each widget receives while it is installed on the application.
class PaintCounter : public QObject {
 public:
  PaintCounter() { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }
  QStringList painted;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint)
      painted << (o->objectName().isEmpty() ? o->metaObject()->className() : o->objectName());
    return false;
  }
};

TEST(Keyboard, TheClockTickPaintsTheClockAlone) {
  struct Case {
    const char* shown;
    void (Tform1::*choose)();
  } cases[] = {{"Clock1", &Tform1::WallClock1Click}, {"pDisplay", &Tform1::Starttimer1Click}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.startWithNewSideFiles();
    w.form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
    (w.form.get()->*c.choose)();
    // A text the tick is sure to replace, whatever the wall clock says.
    QLabel* label = w.form->findChild<QLabel*>(c.shown);
    label->setText("--:--:--");
    QTest::qWait(50);
    PaintCounter counter;
    w.clock.advance(1000);
    QTest::qWait(50);
    EXPECT_NE(label->text(), "--:--:--");
    EXPECT_EQ(counter.painted.join(", ").toStdString(), c.shown);
    // What the tick painted is what a whole repaint of a plain label with its style sheet shows.
    auto screen = [&] { return w.form->screen()->grabWindow(w.form->winId()).toImage(); };
    const QImage ticked = screen();
    delete w.form->findChild<QObject*>("clockBackground");
    label->setAttribute(Qt::WA_OpaquePaintEvent, false);
    w.form->repaint();
    EXPECT_TRUE(screen() == ticked) << "the label looks as a plain one does";
  }
}

TEST(Keyboard, TheClockIsTheControlUnderThePointerAtItsOwnPlace) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  for (QLabel* label : {w.form->Clock1, w.form->pDisplay}) {
    label->show();
    QWidget* area = label->parentWidget();
    EXPECT_EQ(area->childAt(label->geometry().center()), label) << label->objectName().toStdString();
  }
}

namespace {

// A left click on the level edit of channel index i, as the window system delivers it.
void clickEdit(Tform1& form, int i) {
  QWidget* page = form.dimpages->widget(form.pageOfChannel(i));
  const QPoint pos = ChannelGrid::editRect().translated(form.ChannelPanels[size_t(i)]->pos()).center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, pos, page->mapToGlobal(pos), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
    QApplication::sendEvent(page, &e);
  }
}

// Every level address `address` carried, frame by frame, each change once.
std::vector<int> wireChanges(ConsoleWindow& w, int address) {
  w.settle();
  std::vector<int> levels;
  for (const auto& f : w.widget.frames()) {
    if ((f.label != 6 && f.label != 100) || f.payload.size() <= address) continue;
    const int level = uint8_t(f.payload[address]);
    if (levels.empty() || levels.back() != level) levels.push_back(level);
  }
  return levels;
}

}  // namespace

// An operator types a level into one channel and, before it is committed, clicks the next channel
// and types another: each channel takes its own level once, no other level reaches the wire, and
// each edit shows what its address carries.
TEST(Keyboard, LevelsTypedIntoTwoChannelsWithinTheCommitPauseLandEachOnItsOwnChannel) {
  struct Case {
    const char* name;
    int first, second;  // 0-based channel indexes
    const char *firstKeys, *secondKeys;
    int firstLevel, secondLevel;  // on the wire at the end
  };
  for (const Case& c : std::vector<Case>{{"30 into ch10, 5 into ch11", 9, 10, "30", "5", 76, 13},
                                         {"20 into ch1, 0 into ch3", 0, 2, "20", "0", 51, 0}}) {
    SCOPED_TRACE(c.name);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.start();
    Tform1& f = *w.form;
    clickEdit(f, c.first);
    for (const char* k = c.firstKeys; *k; ++k) {
      QTest::keyClick(f.levelEditor(), *k);
      w.clock.advance(80);
    }
    w.clock.advance(300);
    clickEdit(f, c.second);
    for (const char* k = c.secondKeys; *k; ++k) {
      QTest::keyClick(f.levelEditor(), *k);
      w.clock.advance(80);
    }
    w.clock.advance(1500);  // the last typed level's commit
    const std::vector<int> first = wireChanges(w, c.first + 1), second = wireChanges(w, c.second + 1);
    EXPECT_EQ(first.back(), c.firstLevel);
    EXPECT_EQ(second.back(), c.secondLevel);
    for (int level : first)
      EXPECT_TRUE(level == 0 || level == c.firstLevel) << "first channel carried " << level;
    for (int level : second)
      EXPECT_TRUE(level == 0 || level == c.secondLevel) << "second channel carried " << level;
    EXPECT_EQ(f.ChannelEdits[size_t(c.first)]->text(), c.firstKeys);
    EXPECT_EQ(f.ChannelEdits[size_t(c.second)]->text(), c.secondKeys);
    EXPECT_TRUE(w.S.TypedText.isEmpty());
  }
}

// The remotes learn that a cue has run when its fade ends, not when it starts.
TEST(Keyboard, ACueAnswersDoneToTheRemotesWhenItsFadeEnds) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 10), ConsoleWindow::cue(200, {{2, 255}}, 10)});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  QTest::keyClick(w.form.get(), Qt::Key_Space);
  ASSERT_FALSE(w.S.FadeIdle);
  EXPECT_TRUE(w.form->remote()->ReplyText().isEmpty()) << "done before the fade ended";
  for (int i = 0; i < 40 && !w.S.FadeIdle; ++i) w.tick();
  ASSERT_TRUE(w.S.FadeIdle);
  EXPECT_EQ(w.form->remote()->ReplyText(), "done");
}
