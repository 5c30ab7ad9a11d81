// Bump keys, scenes and submasters on the real main window, read on the widget simulator's wire.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>

#include "console/editors/scene_dialog.h"
#include "console/editors/soft_patch_window.h"
#include "console/editors/submaster_window.h"
#include "console/engine/bump_engine.h"
#include "console/engine/scene_file.h"
#include "tests/window/console_window_fixture.h"

namespace {
int wire(ConsoleWindow& w, int address) { return uint8_t(w.lastLevels().at(address - 1)); }

// A key event as the desktop delivers it (no time stamp, so no earlier key-up drops it).
void key(ConsoleWindow& w, QEvent::Type type, Qt::Key k, bool autoRepeat = false) {
  QKeyEvent e(type, k, Qt::NoModifier, QString(), autoRepeat);
  e.setTimestamp(0);
  QApplication::sendEvent(w.form.get(), &e);
}

void writeText(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}
}  // namespace

TEST(Bumps, EachKindOnTheWireThroughTheKeyEntryPoints) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  ConsoleState& S = w.S;
  S.BumpMembers[0][3] = true;       // NBUMP5 on address 3
  S.BumpMembers[8 + 1][4] = true;   // FBUMP6 on address 4
  S.BumpMembers[16 + 2][6] = true;  // TBUMP7 on address 6
  S.BumpTimerIntervals[2] = 2500;
  S.BumpMembers[24 + 3][7] = true;  // ABUMP8 on address 7
  w.form->ChannelEdits[2]->setText("40");
  w.form->ChannelEdits[3]->setText("40");
  ASSERT_EQ(wire(w, 3), 102);

  w.form->bumpKeyDown(0, false);
  EXPECT_EQ(wire(w, 3), 255);
  w.form->bumpKeyDown(0, true);  // auto-repeat
  w.form->bumpKeyUp(0);
  EXPECT_EQ(wire(w, 3), 102);

  w.form->bumpKeyDown(1, false);
  EXPECT_EQ(wire(w, 4), 255);
  w.form->bumpKeyUp(1);
  ASSERT_TRUE(w.form->bumps().fadeTimer().isActive());
  EXPECT_EQ(w.form->bumps().fadeTimer().interval(), S.FadeInterval);
  w.clock.advance(10 * S.FadeInterval);
  EXPECT_NEAR(wire(w, 4), (255 + 102) / 2, 1);  // half way after half the ticks
  w.clock.advance(11 * S.FadeInterval);
  EXPECT_EQ(wire(w, 4), 102);
  EXPECT_FALSE(w.form->bumps().fadeTimer().isActive());

  w.form->bumpKeyDown(2, false);
  w.form->bumpKeyUp(2);
  EXPECT_EQ(wire(w, 6), 255);
  ASSERT_TRUE(w.form->bumps().keyTimer(2).isActive());
  EXPECT_EQ(w.form->bumps().keyTimer(2).interval(), 2500);
  w.clock.advance(2500);  // the key's timer runs out
  EXPECT_EQ(wire(w, 6), 0);
  EXPECT_FALSE(w.form->bumps().keyTimer(2).isActive());

  w.form->bumpKeyDown(3, false);
  w.form->bumpKeyUp(3);
  EXPECT_EQ(wire(w, 7), 255);
  EXPECT_EQ(w.form->bumpkey->text(), "F8 ");
  w.form->bumpKeyDown(3, false);
  w.form->bumpKeyUp(3);
  EXPECT_EQ(wire(w, 7), 0);
  EXPECT_EQ(w.form->bumpkey->text(), "");
}

TEST(Bumps, SceneKeyPlaysTheShowsSceneAndAnotherShowForgetsIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  ConsoleState& S = w.S;
  ASSERT_EQ(S.SceneFile, w.path("show.scne"));
  ASSERT_TRUE(writeSceneFile(S.SceneFile, {makeScene("first", {}, -1), makeScene("look", {100, 0, 50}, 4)}));
  w.form->scenes().Readlist();
  ASSERT_EQ(S.BumpSceneTable[4], 1);
  w.form->bumpKeyDown(4, false);
  EXPECT_EQ(wire(w, 1), 255);
  EXPECT_EQ(wire(w, 3), 127);
  w.form->bumpKeyUp(4);
  EXPECT_EQ(wire(w, 1), 0);
  EXPECT_EQ(wire(w, 3), 0);

  // Another show without scenes: F9 is an ordinary bump key again.
  w.writeShow({ConsoleWindow::cue(100, {})});
  QFile::copy(w.path("show.lcue"), w.path("other.lcue"));
  S.CueFileName = w.path("other.lcue");
  for (int i = 0; i < 3; ++i) w.dialogs.answer(DialogResult::No);  // the other show's new side files
  w.form->OpenCueFile();
  EXPECT_EQ(S.BumpSceneTable[4], 0);
  EXPECT_EQ(w.form->scenes().scenelist->rowCount(), 0);
  w.form->bumpKeyDown(4, false);
  EXPECT_EQ(wire(w, 1), 0);
  w.form->bumpKeyUp(4);
}

TEST(Submasters, FaderAndSubmasterAddressDriveTheWireWithoutDialogs) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  writeText(w.path("show.subs"),
            "[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,0,200,\r\n");
  w.start();
  w.dialogs.shown.clear();
  w.dialogs.answerDefaults = false;
  TForm3& subs = w.form->submasters();
  ASSERT_EQ(subs.title(0), "Wash");
  subs.setFader(0, 100);  // as MIDI moves it
  EXPECT_EQ(wire(w, 1), 255);
  EXPECT_EQ(wire(w, 3), 200);
  EXPECT_EQ(w.form->ChannelEdits[0]->text(), "100");
  subs.setFader(0, 0);
  subs.SubDone(0);
  EXPECT_EQ(wire(w, 1), 0);

  // Channel 5 patched to address 17, the first submaster's address: its level moves the fader.
  w.S.Patch.PatchTable.set(5, "|17|", w.S.MaxChannels);
  w.form->setEditTextQuietly(4, "50");
  w.form->SetDmx(4);
  EXPECT_EQ(subs.fader(0), 50);
  EXPECT_EQ(wire(w, 1), 127);
  EXPECT_TRUE(w.dialogs.shown.empty()) << "no \"Could not change channel value\"";
}

TEST(Submasters, AdditiveStripAgainstARunningCueFadeOnTheWire) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 30)});
  writeText(w.path("show.subs"),
            "[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=200,\r\n");
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  w.tick(10);
  w.form->submasters().setFader(0, 100);
  EXPECT_EQ(wire(w, 1), 200);
  w.tick(20);
  EXPECT_EQ(wire(w, 1), 200) << "the fade (about 128) stays under the submaster";
  w.tick(40);
  EXPECT_EQ(wire(w, 1), 255) << "and finishes above it";
}

TEST(Submasters, AShowWithALoopStripAsksForTheSubmasterWindow) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  writeText(w.path("show.subs"), "[Submasters]\r\nsubtitle1=Chase\r\nSubfile1=/shows/chase.lcue\r\n");
  w.start();
  ASSERT_GE(w.dialogs.count("Submasters needed"), 1);
  for (const MessageSpec& m : w.dialogs.shown)
    if (m.title == "Submasters needed") {
      EXPECT_EQ(m.text, "The Submaster window needs to be open to run this cue file.");
      EXPECT_EQ(m.buttons, DialogButtons::Ok);
      EXPECT_EQ(m.position, QPoint(200, 200));
    }
  EXPECT_TRUE(w.form->submasters().isVisible());
}

TEST(Bumps, FunctionKeysBumpAndAHeldSceneKeyLetsGoOnRelease) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  ConsoleState& S = w.S;
  S.BumpMembers[0][2] = true;  // NBUMP5 on address 2
  ASSERT_TRUE(writeSceneFile(S.SceneFile, {makeScene("first", {}, -1), makeScene("look", {0, 0, 100}, 1)}));
  w.form->scenes().Readlist();
  ASSERT_EQ(S.BumpSceneTable[1], 1);

  key(w, QEvent::KeyPress, Qt::Key_F5);
  EXPECT_EQ(wire(w, 2), 255);
  key(w, QEvent::KeyRelease, Qt::Key_F5);
  EXPECT_EQ(wire(w, 2), 0);

  // F6 plays the scene; held, the desktop repeats it as release/press pairs marked as repeats.
  key(w, QEvent::KeyPress, Qt::Key_F6);
  EXPECT_EQ(wire(w, 3), 255);
  for (int i = 0; i < 3; ++i) {
    key(w, QEvent::KeyRelease, Qt::Key_F6, true);
    key(w, QEvent::KeyPress, Qt::Key_F6, true);
  }
  EXPECT_EQ(wire(w, 3), 255);
  key(w, QEvent::KeyRelease, Qt::Key_F6);
  EXPECT_EQ(wire(w, 3), 0) << "the scene does not stick after the release";
}

TEST(Bumps, SoftPatchRefusesABumpTagForAKeyThatPlaysAScene) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  ASSERT_TRUE(writeSceneFile(w.S.SceneFile, {makeScene("first", {}, -1), makeScene("look", {}, 2)}));
  w.form->scenes().Readlist();
  w.form->btnpatchClick();
  w.dialogs.shown.clear();
  w.dialogs.answerDefaults = true;  // the dialogs are checked below
  w.form->Patch->editCell(0, 3, "FBUMP7");
  w.form->Patch->SaveClick();
  ASSERT_EQ(w.dialogs.count("F key conflict"), 1);
  for (const MessageSpec& m : w.dialogs.shown)
    if (m.title == "F key conflict") {
      EXPECT_EQ(m.text, "Key F7 is already in use for a scene.");
    }
}

TEST(Submasters, RecordingLeavesTheSubmastersOutAndPutsTheirFadersBack) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {})});
  writeText(w.path("show.subs"),
            "[Submasters]\r\nsubtitle2=Sub 3\r\n[SubmasterLevels]\r\nSublevels2=0,0,0,0,0,0,0,0,"
            "0,207,\r\n");
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  TForm3& subs = w.form->submasters();
  subs.show();
  subs.setFader(2, 100);
  ASSERT_EQ(wire(w, 10), 207);

  w.form->btnRecordClick();
  EXPECT_EQ(uint8_t(w.S.Cues.CueTexts[CueTextColumn::Levels][1][9]), 0)
      << "the submaster's level is not recorded";
  EXPECT_EQ(subs.fader(2), 100) << "the fader is put back";
  EXPECT_EQ(wire(w, 10), 207);

  // The unrecorded-changes question answered Yes: the faders go down for the recording and stay down.
  w.S.Rows.LastSelectedRow = 2;
  w.dialogs.answer(DialogResult::Yes);
  w.form->SaveDirty();
  EXPECT_EQ(uint8_t(w.S.Cues.CueTexts[CueTextColumn::Levels][2][9]), 0);
  EXPECT_EQ(subs.fader(2), 0);
}
