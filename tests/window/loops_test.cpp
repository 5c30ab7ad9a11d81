#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "console/editors/submaster_window.h"
#include "console/engine/console_colours.h"
#include "tests/window/console_window_fixture.h"

namespace {

CueRecord loopCue(int number, int target, int count) {
  CueRecord c = ConsoleWindow::cue(number, {});
  c.loopTarget = target;
  c.loopCount = count;
  return c;
}

// GO on the selected cue, the loop jump when one is pending, then the fade to its end. Every cue
// started is traced by the number it shows.
void go(ConsoleWindow& w, QStringList& trace) {
  w.form->btnPlayClick();
  trace << w.form->currentcue1->text();
  if (w.form->loops().timer().isActive()) {
    const bool wasIdle = w.S.FadeIdle;
    w.clock.advance(w.form->loops().timer().interval());  // the loop cue's jump
    if (wasIdle && !w.S.FadeIdle) trace << w.form->currentcue1->text();
  }
  for (int i = 0; i < 20 && !w.S.FadeIdle; ++i) w.tick();
}

void writeLoopList(ConsoleWindow& w, const QString& stepsFile) {
  QFile list(w.path("show.loop"));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write(("[Files]\n1=" + stepsFile + "\n").toUtf8());
}

// A loop file of four steps raising channel 1 to 50, 100, 150 and 200; step 4 loops back to step 1
// `count` times (no loop-back step when count < 0).
void writeSteps(ConsoleWindow& w, int count) {
  std::vector<CueRecord> steps;
  for (int s = 1; s <= 4; ++s) steps.push_back(ConsoleWindow::cue(s * 100, {{1, 50 * s}}, 0));
  if (count >= 0) {
    steps[3].loopTarget = 100;
    steps[3].loopCount = count;
  }
  cue_test::writeCueFile(w.path("steps.lcue"), steps);
  writeLoopList(w, w.path("steps.lcue"));
}

// Cue 1, the loop-file cue 2 and cue 3 (channel 2 at 77).
void writeLoopFileShow(ConsoleWindow& w) {
  CueRecord file = ConsoleWindow::cue(200, {});
  file.loopFileKey = 1;
  w.writeShow({ConsoleWindow::cue(100, {}), file, ConsoleWindow::cue(300, {{2, 77}})});
}

QStringList stepLines(const ConsoleWindow& w) {
  QStringList lines;
  for (const QString& l : w.form->ToolLogLines)
    if (l.startsWith("LLine ")) lines << l.mid(6);
  return lines;
}

// Ticks of the fade timer while it runs; the levels of `channel` on the wire as they change.
QList<int> runOnWire(ConsoleWindow& w, int ticks, int channel) {
  QList<int> levels;
  for (int i = 0; i < ticks && w.form->FadeTimer->isActive(); ++i) {
    w.tick();
    const int level = uint8_t(w.lastLevels().at(channel));
    if (levels.isEmpty() || levels.back() != level) levels << level;
  }
  return levels;
}

}  // namespace

TEST(Loops, LoopCuePlaysTheSectionCountTimesThenSelectsTheNextCue) {
  struct Case {
    int count;
    int gos;
    const char* trace;
  } cases[] = {
      {3, 8, "1 2 3 4 2 3 4 2 3 4"},
      {1, 4, "1 2 3 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {{1, 255}}), ConsoleWindow::cue(200, {{2, 255}}),
                 ConsoleWindow::cue(300, {{3, 255}}), loopCue(400, 200, c.count),
                 ConsoleWindow::cue(500, {{5, 255}})});
    w.start();
    w.form->selectRow(1);
    w.form->LoadCue();
    QStringList trace;
    for (int i = 0; i < c.gos; ++i) go(w, trace);
    EXPECT_EQ(trace.join(' ').toStdString(), c.trace);
    EXPECT_EQ(w.S.Rows.CurrentCue, 5) << "the row after the loop cue is selected";
    EXPECT_FALSE(w.form->loops().state().LoopCueActive);
    EXPECT_EQ(uint8_t(w.lastLevels().at(4)), 0) << "cue 5 is selected, not played";
    EXPECT_EQ(uint8_t(w.lastLevels().at(2)), 255);
  }
}

TEST(Loops, AFollowLoopCueCountsOnePassPerArrival) {
  ConsoleWindow w;
  CueRecord loop = loopCue(300, 100, 2);
  loop.startMode = 1;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}), ConsoleWindow::cue(200, {{2, 255}}), loop,
               ConsoleWindow::cue(400, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  QStringList trace;
  for (int i = 0; i < 3; ++i) {
    go(w, trace);
    // The end of cue 2 starts the follow loop cue; its jump replays cue 1.
    if (w.form->loops().timer().isActive()) {
      trace << w.form->currentcue1->text();
      w.clock.advance(w.form->loops().timer().interval());  // the loop cue's jump
      if (!w.S.FadeIdle) trace << w.form->currentcue1->text();
      for (int t = 0; t < 20 && !w.S.FadeIdle; ++t) w.tick();
    }
  }
  EXPECT_EQ(trace.join(' ').toStdString(), "1 2 3 1 2 3");
  EXPECT_EQ(w.S.Rows.CurrentCue, 4);
  EXPECT_FALSE(w.form->loops().state().LoopCueActive);
}

TEST(Loops, EndlessLoopCueStopsOnPauseAndTheRemoteStop) {
  for (const bool byKey : {true, false}) {
    SCOPED_TRACE(byKey);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {{2, 255}}), loopCue(300, 100, 0),
                 ConsoleWindow::cue(400, {})});
    w.start();
    w.form->selectRow(1);
    w.form->LoadCue();
    // Pause before any loop: nothing is selected or stopped.
    QTest::keyClick(w.form.get(), Qt::Key_Pause);
    EXPECT_EQ(w.S.Rows.CurrentCue, 1);
    QStringList trace;
    for (int i = 0; i < 8; ++i) go(w, trace);
    EXPECT_EQ(trace.join(' '), "1 2 3 1 2 3 1 2 3 1 2");
    EXPECT_TRUE(w.form->loops().state().LoopCueActive);
    if (byKey)
      QTest::keyClick(w.form.get(), Qt::Key_Pause);
    else
      w.form->remote()->ParseMsg("stop");
    EXPECT_FALSE(w.form->loops().state().LoopCueActive);
    EXPECT_EQ(w.S.Rows.CurrentCue, 4) << "the row after the loop cue";
    EXPECT_TRUE(w.S.FadeIdle);
    // A second stop has no loop to stop: the selection stays.
    QTest::keyClick(w.form.get(), Qt::Key_Pause);
    EXPECT_EQ(w.S.Rows.CurrentCue, 4);
  }
}

TEST(Loops, MissingLoopTargetWarnsAndLeavesNoLoopActive) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), loopCue(200, 900, 2), ConsoleWindow::cue(300, {})});
  w.start();
  w.dialogs.answerDefaults = true;  // the dialogs are checked below
  w.form->selectRow(1);
  w.form->LoadCue();
  QStringList trace;
  go(w, trace);
  go(w, trace);
  EXPECT_EQ(w.dialogs.count("Cue File loop error"), 1);
  EXPECT_EQ(w.dialogs.shown.back().text, "Could not find the Cue to loop to. Please check your file.");
  EXPECT_FALSE(w.form->loops().state().LoopCueActive);
  EXPECT_FALSE(w.form->loops().timer().isActive());
  EXPECT_EQ(w.S.Rows.CurrentCue, 2);
  QTest::keyClick(w.form.get(), Qt::Key_Pause);
  EXPECT_EQ(w.S.Rows.CurrentCue, 2) << "no loop to stop";
}

TEST(Loops, LoopFileStepsLoopBackThenTheFileCountsAsDone) {
  ConsoleWindow w;
  writeLoopFileShow(w);
  writeSteps(w, 3);
  w.start("LogLevel=1");
  w.S.LogLevel = 1;
  w.form->selectRow(2);
  w.form->LoadCue();
  ASSERT_TRUE(w.form->loops().state().LoopRunning);
  EXPECT_EQ(w.form->loops().state().LoopPosition, 3);
  w.form->btnPlayClick();
  EXPECT_EQ(runOnWire(w, 40, 0), (QList<int>{50, 100, 150, 50, 100, 150, 0}));
  EXPECT_EQ(stepLines(w).join(' '), "1 2 3 1 2 3") << "step 4 only loops back";
  EXPECT_EQ(w.S.Rows.RunningCue, 3) << "the file counts as played and auto advance plays the next cue";
  EXPECT_EQ(w.form->numberCellColour(3), kPlayedColour);
  EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 77);
}

TEST(Loops, ALoopFileCueSelectedDuringARightClickEditLoadsItsFileAtGo) {
  ConsoleWindow w;
  writeLoopFileShow(w);
  writeSteps(w, -1);
  w.start();
  w.S.CueListByMouse = true;
  w.form->selectRow(2);
  w.form->LoadCue();
  EXPECT_FALSE(w.form->loops().state().LoopRunning) << "not loaded while the edit's mark is set";
  w.S.CueListByMouse = false;
  w.form->SendCue();
  // The four steps, then auto advance plays cue 3.
  EXPECT_EQ(runOnWire(w, 20, 0), (QList<int>{50, 100, 150, 200, 0}));
  EXPECT_EQ(w.S.Rows.RunningCue, 3);
}

TEST(Loops, PausingALoopFileGoesOnAfterItsLoopBackStep) {
  struct Case {
    int count;  // < 0: no loop-back step
    const char* steps;
  } cases[] = {{0, "1 2 3 1 2 3 1"}, {-1, "1 2 3 4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    ConsoleWindow w;
    writeLoopFileShow(w);
    writeSteps(w, c.count);
    w.start();
    w.S.LogLevel = 1;
    w.form->selectRow(2);
    w.form->LoadCue();
    w.form->btnPlayClick();
    // Step 1 starts at GO; each later one three ticks after the one before.
    runOnWire(w, c.count < 0 ? 9 : 18, 0);
    EXPECT_EQ(stepLines(w).join(' '), c.steps);
    QTest::keyClick(w.form.get(), Qt::Key_Pause);
    EXPECT_EQ(stepLines(w).join(' '), c.steps) << "no step is played again";
    EXPECT_EQ(w.S.Rows.RunningCue, 2) << "the file ends";
    EXPECT_EQ(w.S.Rows.CurrentCue, 3);
    runOnWire(w, 10, 0);
    EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 77);
  }
}

TEST(Loops, LoopFileWithAMissingTargetWarnsAndStops) {
  ConsoleWindow w;
  writeLoopFileShow(w);
  std::vector<CueRecord> steps{ConsoleWindow::cue(100, {{1, 90}}, 0), ConsoleWindow::cue(200, {{1, 10}}, 0)};
  steps[1].loopTarget = 700;
  cue_test::writeCueFile(w.path("steps.lcue"), steps);
  writeLoopList(w, w.path("steps.lcue"));
  w.start();
  w.dialogs.answerDefaults = true;  // the dialogs are checked below
  w.form->selectRow(2);
  w.form->LoadCue();
  w.form->btnPlayClick();
  EXPECT_EQ(runOnWire(w, 20, 0), QList<int>{90});
  EXPECT_EQ(w.dialogs.count("Cue File loop error"), 1);
  EXPECT_FALSE(w.form->loops().state().LoopRunning);
  EXPECT_TRUE(w.S.FadeIdle);
}

TEST(Loops, StopButtonIsOnTheToolBar) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  auto* b = w.form->findChild<QToolButton*>("btnStopLoop");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->toolTip(), "Stop the current loop or fade");
}

namespace {
// Strip 0 plays the loop file chase.lcue, strip 1 holds channel 4 at 180.
void writeSubs(ConsoleWindow& w) {
  QFile subs(w.path("show.subs"));
  ASSERT_TRUE(subs.open(QIODevice::WriteOnly));
  subs.write(("[Submasters]\r\nsubtitle0=Chase\r\nSubfile0=" + w.path("chase.lcue") +
              "\r\nsubtitle1=Wash\r\n[SubmasterLevels]\r\nSublevels1=0,0,0,180,\r\n")
                 .toUtf8());
}
}  // namespace

TEST(SubmasterLoops, LoopFileScaledByItsFaderWhileTheCueListPlaysOn) {
  struct Case {
    bool loopsBack;
    QList<int> wire;
  } cases[] = {{false, {100, 50, 25}}, {true, {100, 50, 100, 50, 100}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loopsBack);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {{3, 77}}), ConsoleWindow::cue(200, {{1, 255}, {2, 90}})});
    std::vector<CueRecord> steps{ConsoleWindow::cue(100, {{1, 200}}), ConsoleWindow::cue(200, {{1, 100}}),
                                 ConsoleWindow::cue(300, {{1, 50}})};
    if (c.loopsBack) steps[2].loopTarget = 100;
    cue_test::writeCueFile(w.path("chase.lcue"), steps);
    writeSubs(w);
    w.start();
    w.dialogs.answerDefaults = true;  // the dialogs are checked below
    w.form->selectRow(1);
    w.form->LoadCue();
    w.form->btnPlayClick();
    runOnWire(w, 5, 2);
    ASSERT_EQ(uint8_t(w.lastLevels().at(2)), 77);

    TForm3& subs = w.form->submasters();
    subs.setFader(0, 50);
    EXPECT_TRUE(w.S.SubLoopActive);
    EXPECT_TRUE(w.S.SubFlags[1]);
    EXPECT_FALSE(w.S.SubFlags[3]) << "only channels above their warm-up level in a step";
    // Each step of one tick lasts three.
    EXPECT_EQ(runOnWire(w, c.loopsBack ? 13 : 20, 0), c.wire);
    EXPECT_EQ(uint8_t(w.lastLevels().at(2)), 77) << "the other channels keep their output";

    // GO plays the next cue on the other channels and leaves the loop's channel alone.
    w.form->btnPlayClick();
    w.tick(4);
    EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 90);
    EXPECT_NE(uint8_t(w.lastLevels().at(0)), 255);
    EXPECT_EQ(w.S.Rows.RunningCue, 2);
    if (c.loopsBack) {
      // The cue's fade has ended; the loop keeps the fade timer and steps on.
      EXPECT_TRUE(w.form->FadeTimer->isActive());
      EXPECT_GE(runOnWire(w, 9, 0).size(), 2) << "the loop stopped with the cue's fade";
    }

    // A loop-file cue is refused while the submaster loop runs.
    w.S.Cues.CueTable[CueColumn::LoopFileKey][2] = 1;
    w.form->loops().cueSelected(2);
    w.form->SendCue();
    EXPECT_EQ(w.dialogs.count("Cue File loop error"), 1);
    w.S.Cues.CueTable[CueColumn::LoopFileKey][2] = 0;
    w.form->loops().cueSelected(2);

    subs.setFader(0, 0);
    EXPECT_FALSE(w.S.SubLoopActive);
    EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 0) << "back to its warm-up level";
    EXPECT_FALSE(w.form->FadeTimer->isActive());
  }
}

TEST(SubmasterLoops, AnUnreadableFileLoadsNothingAndTheOtherStripsWork) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  writeSubs(w);  // chase.lcue is not there
  w.start();
  w.dialogs.answerDefaults = true;  // the dialogs are checked below
  w.dialogs.shown.clear();
  TForm3& subs = w.form->submasters();
  subs.setFader(0, 100);
  EXPECT_EQ(w.dialogs.count("Cue File problem"), 1);
  EXPECT_FALSE(w.form->loops().state().SubLoopLoaded);
  EXPECT_FALSE(w.form->FadeTimer->isActive()) << "nothing plays";
  subs.setFader(1, 100);
  EXPECT_EQ(uint8_t(w.lastLevels().at(3)), 180);
  subs.setFader(0, 0);
  // Once the file is there, the next raise loads and plays it.
  cue_test::writeCueFile(w.path("chase.lcue"), {ConsoleWindow::cue(100, {{1, 200}})});
  subs.setFader(0, 100);
  EXPECT_EQ(runOnWire(w, 3, 0), QList<int>{200});
}

// The first digit typed into a loop strip's value box loads the strip's file, which runs events:
// the keys typed meanwhile (all of them queued before the first is handled) and keys at an
// operator's pace all land, and the loop plays at the number typed.
TEST(SubmasterLoops, ANumberTypedIntoALoopStripLandsWholeAtAnyPace) {
  for (const int paceMs : {0, 80}) {
    SCOPED_TRACE(paceMs);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    // Two steps, the second looping back to the first: steps after the number is whole play at full.
    std::vector<CueRecord> steps{ConsoleWindow::cue(100, {{1, 200}}), ConsoleWindow::cue(200, {{1, 100}})};
    steps[1].loopTarget = 100;
    cue_test::writeCueFile(w.path("chase.lcue"), steps);
    writeSubs(w);
    w.start();
    w.dialogs.shown.clear();  // those of the start-up
    TForm3& subs = w.form->submasters();
    subs.show();
    QLineEdit* box = subs.SubValueEdits[0];
    box->setFocus();
    box->selectAll();
    if (paceMs == 0) {
      for (int i = 0; i < 2; ++i) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, "0"));
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_0, Qt::NoModifier, "0"));
      }
      QTest::keyClick(box, Qt::Key_1);
      ::pumpEvents();
    } else {
      for (const Qt::Key key : {Qt::Key_1, Qt::Key_0, Qt::Key_0}) {
        QTest::keyClick(box, key);
        w.clock.advance(paceMs);
      }
    }
    EXPECT_EQ(box->text(), "100");
    EXPECT_EQ(subs.fader(0), 100);
    EXPECT_EQ(w.S.SubSliders[0], 100);
    EXPECT_TRUE(w.S.SubLoopActive);
    EXPECT_DOUBLE_EQ(w.form->loops().state().SubLoopScale, 1.0);
    const QList<int> wire = runOnWire(w, 20, 0);
    EXPECT_TRUE(wire.contains(200)) << "the first step at full: " << ::testing::PrintToString(wire);
    EXPECT_TRUE(w.dialogs.shown.empty());
  }
}
