// The loops without any window: loop cues, a loop file's steps and a submaster's loop, on virtual
// time. A small stand-in for the cue list and the fade timer fills the hooks and traces what the
// loops ask of them.

#include "console/engine/loops.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "tests/engine/cue_test_util.h"
#include "tests/support/scripted_operator.h"
#include "tests/support/test_clock.h"

namespace {

const char* markName(CueMark mark) {
  switch (mark) {
    case CueMark::Plain:
      return "plain";
    case CueMark::Fading:
      return "fading";
    case CueMark::Played:
      return "played";
    case CueMark::LoopStep:
      return "loop step";
  }
  return "";
}

struct Harness {
  ConsoleState S;
  TestClock clock;
  ScriptedOperator op;
  QStringList trace;
  int selected = 0;
  // The fade timer: a cue or loop step fades for one tick; while a submaster loop runs it ticks on.
  ClockTimer fadeTimer{clock};
  std::unique_ptr<Loops> loops;
  QTemporaryDir dir;

  Harness() {
    S.MaxChannels = 8;
    S.LogLevel = 1;
    S.AutoAdvanceChosen = false;
    S.CueFileName = dir.filePath("show.lcue");
    fadeTimer.setInterval(S.FadeInterval);
    QObject::connect(&fadeTimer, &ClockTimer::timeout, [this] {
      if (S.SubLoopActive) {
        loops->subLoopTick();
        return;
      }
      fadeTimer.stop();
      S.FadeIdle = true;
      if (!loops->fadeEnded()) trace << "cue done";
    });
    Loops::Hooks h;
    h.selectRow = [this](int row) { selected = row; };
    h.loadCue = [this] { load("load"); };
    h.clickCue = [this] { load("click"); };
    h.sendCue = [this] {
      if (!loops->sendLoopCue(S.Rows.CurrentCue)) trace << "play " + QString::number(S.Rows.CurrentCue);
    };
    h.markRow = [this](int row, CueMark mark) {
      trace << QString(markName(mark)) + " " + QString::number(row);
    };
    h.loopFileDone = [this] { trace << "file done"; };
    h.fadeTiming = [this](int, int) {
      S.FadeIdle = false;
      fadeTimer.start();
    };
    h.startFadeTimer = [this] {
      trace << "step at " + QString::number(S.TargetLevels[1]);
      fadeTimer.start();
    };
    h.stopFadeTimer = [this] {
      trace << "fade stopped";
      fadeTimer.stop();
    };
    h.fadeTimerActive = [this] { return fadeTimer.isActive(); };
    h.progressCleared = [this] { trace << "progress cleared"; };
    h.log = [this](const QString& line) {
      if (line.startsWith("LLine ")) trace << "step " + line.mid(6);
    };
    h.subLoopLoading = [this](bool loading) { trace << (loading ? "loading" : "loaded"); };
    loops = std::make_unique<Loops>(S, clock, op, std::move(h));
  }

  // The cue list selects the row: a loop-file cue loads its file, a loop cue arms its repetitions.
  void load(const char* how) {
    S.Rows.CurrentCue = selected;
    trace << QString(how) + " " + QString::number(selected);
    if (!loops->cueSelected(selected)) loops->loopCueSelected(selected);
  }

  // Cues numbered 100, 200, ... on rows 1..n.
  void cues(int n) {
    S.Cues.resize(n);
    S.Cues.CueFileRecords = S.Cues.CueCount = n;
    for (int r = 1; r <= n; ++r) S.Cues.CueTable[CueColumn::Number][r] = r * 100;
  }
  void loopCue(int row, int target, int count) {
    S.Cues.CueTable[CueColumn::LoopTarget][row] = target;
    S.Cues.CueTable[CueColumn::LoopCount][row] = count;
  }

  // GO on the loop cue of `row` as the section arrives at it, then the jump 10 ms later.
  void arriveAt(int row) {
    S.Rows.CurrentCue = row;
    loops->loopCueSelected(row);
    ASSERT_TRUE(loops->sendLoopCue(row));
    clock.advance(loops->timer().interval());
  }

  // A loop file with channel 1 at `levels` in its steps, listed under key 1 of the show's loop list.
  QString writeLoopFile(const std::vector<int>& levels, int loopBackStep, int target, int count) {
    std::vector<CueRecord> steps;
    for (size_t s = 0; s < levels.size(); ++s) {
      steps.push_back(cue_test::cue(int(s + 1) * 100, "step"));
      steps.back().levels[0] = char(levels[s]);
    }
    if (loopBackStep > 0) {
      steps[size_t(loopBackStep - 1)].loopTarget = target;
      steps[size_t(loopBackStep - 1)].loopCount = count;
    }
    const QString path = dir.filePath("steps.lcue");
    cue_test::writeCueFile(path, steps);
    cue_test::writeText(dir.filePath("show.loop"), "[Files]\n1=" + path + "\n");
    return path;
  }
};

}  // namespace

TEST(LoopsEngine, LoopCueRepeatsItsSectionThenTheRowAfterItIsSelected) {
  struct Case {
    int count;
    const char* trace;  // after the first GO on the loop cue
  } cases[] = {
      {3, "load 2|play 2|load 2|play 2|load 5"},
      {1, "load 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    Harness w;
    w.cues(5);
    w.loopCue(4, 200, c.count);
    w.selected = 4;
    w.load("load");
    EXPECT_EQ(w.loops->state().LoopPosition, c.count + 1);
    w.trace.clear();
    for (int i = 0; i < 5 && (i == 0 || w.loops->state().LoopCueActive); ++i) w.arriveAt(4);
    EXPECT_EQ(w.trace.join('|').toStdString(), c.trace);
    EXPECT_FALSE(w.loops->state().LoopCueActive);
    EXPECT_EQ(w.loops->state().LoopReturnRow, 0);
    EXPECT_EQ(w.S.Rows.CurrentCue, 5);
    EXPECT_FALSE(w.loops->timer().isActive());
    EXPECT_TRUE(w.op.asked.empty());
  }
}

TEST(LoopsEngine, EndlessLoopCueStopsByStopOrEndKey) {
  for (const bool byEndKey : {false, true}) {
    SCOPED_TRACE(byEndKey);
    Harness w;
    w.cues(4);
    w.loopCue(3, 100, 0);
    // Nothing to stop before the loop cue is played.
    EXPECT_FALSE(w.loops->keyEnd());
    w.loops->stop();
    EXPECT_TRUE(w.trace.isEmpty());
    w.selected = 3;
    w.load("load");
    EXPECT_EQ(w.loops->state().LoopPosition, 999999);
    for (int i = 0; i < 3; ++i) w.arriveAt(3);
    EXPECT_TRUE(w.loops->active());
    // While a submaster loop runs the End key belongs to the loop but stops nothing.
    w.S.SubLoopActive = true;
    w.trace.clear();
    EXPECT_TRUE(w.loops->keyEnd());
    EXPECT_TRUE(w.trace.isEmpty());
    EXPECT_TRUE(w.loops->active());
    w.S.SubLoopActive = false;

    if (byEndKey)
      EXPECT_TRUE(w.loops->keyEnd());
    else
      w.loops->stop();
    EXPECT_EQ(w.trace.join('|').toStdString(), "fade stopped|progress cleared|click 4");
    EXPECT_FALSE(w.loops->active());
    EXPECT_FALSE(w.loops->state().LoopCueActive);
    EXPECT_TRUE(w.S.FadeIdle);
    EXPECT_TRUE(w.S.CueChanging);
    // A second stop has no loop to stop.
    w.trace.clear();
    w.loops->stop();
    EXPECT_FALSE(w.loops->keyEnd());
    EXPECT_TRUE(w.trace.isEmpty());
  }
}

TEST(LoopsEngine, MissingTargetIsALoopErrorAndNothingFurtherPlays) {
  struct Case {
    bool loopFile;
  } cases[] = {{false}, {true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loopFile);
    Harness w;
    w.cues(3);
    if (c.loopFile) {
      w.writeLoopFile({90, 10}, 2, 700, 0);
      w.S.Cues.CueTable[CueColumn::LoopFileKey][2] = 1;
    } else {
      w.loopCue(2, 900, 2);
    }
    w.selected = 2;
    w.load("load");
    w.trace.clear();
    EXPECT_TRUE(w.loops->sendLoopCue(2));
    w.clock.advance(1000);
    ASSERT_EQ(w.op.asked.size(), 1u);
    EXPECT_EQ(w.op.asked[0].title, "Cue File loop error");
    EXPECT_EQ(w.op.asked[0].text, "Could not find the Cue to loop to. Please check your file.");
    EXPECT_EQ(w.op.asked[0].icon, DialogIcon::Warning);
    EXPECT_EQ(w.op.asked[0].buttons, DialogButtons::Retry);
    EXPECT_EQ(w.trace.join('|').toStdString(), c.loopFile ? "step 1|loop step 2" : "")
        << "no jump, no step after the error";
    EXPECT_FALSE(w.loops->active());
    EXPECT_FALSE(w.loops->state().LoopCueActive);
    EXPECT_FALSE(w.loops->state().LoopRunning);
    EXPECT_FALSE(w.loops->timer().isActive());
    EXPECT_EQ(w.S.Rows.CurrentCue, 2);
    w.trace.clear();
    w.loops->stop();
    EXPECT_TRUE(w.trace.isEmpty()) << "no loop to stop";
  }
}

TEST(LoopsEngine, LoopFileStepsLoopBackThenCountsAsPlayedAndAutoAdvanceGoesOn) {
  Harness w;
  w.cues(3);
  w.S.AutoAdvanceChosen = true;
  w.S.Cues.CueTable[CueColumn::LoopFileKey][2] = 1;
  w.writeLoopFile({50, 100, 150, 200}, 4, 100, 3);
  w.selected = 2;
  w.load("load");
  ASSERT_TRUE(w.loops->state().LoopRunning);
  EXPECT_EQ(w.loops->state().LoopPosition, 3);
  EXPECT_EQ(w.loops->state().Loops.steps(), 4);
  EXPECT_TRUE(w.S.SubFlags[1]);
  w.trace.clear();
  ASSERT_TRUE(w.loops->sendLoopCue(2));
  EXPECT_EQ(w.loops->state().LoopReturnRow, 2);
  w.clock.advance(20 * w.S.FadeInterval);
  EXPECT_EQ(w.trace.join('|').toStdString(),
            "step 1|step 2|step 3|loop step 2|step 1|step 2|step 3|"
            "plain 2|played 2|file done|load 3|play 3")
      << "step 4 only loops back; auto advance plays the next cue";
  EXPECT_EQ(w.loops->state().LoopStepCount, 4);
  EXPECT_EQ(w.S.Rows.RunningCue, 2);
  EXPECT_FALSE(w.loops->active());
  EXPECT_FALSE(w.S.SubFlags[1]);
}

TEST(LoopsEngine, PausingALoopFileGoesOnAfterItsLoopBackStep) {
  Harness w;
  w.cues(3);
  w.S.Cues.CueTable[CueColumn::LoopFileKey][2] = 1;
  w.S.AutoAdvanceChosen = true;
  w.writeLoopFile({50, 100, 150, 200}, 4, 100, 0);
  w.selected = 2;
  w.load("load");
  ASSERT_TRUE(w.loops->sendLoopCue(2));
  w.clock.advance(5 * w.S.FadeInterval);
  w.trace.clear();
  w.loops->stop();
  EXPECT_EQ(w.trace.join('|').toStdString(),
            "fade stopped|progress cleared|plain 2|played 2|file done|load 3|play 3")
      << "the step after the loop-back step is past the end: the file ends";
  EXPECT_FALSE(w.loops->active());
}

TEST(LoopsEngine, SubmasterLoopIsScaledByItsFaderAndRefusesALoopFileCue) {
  struct Case {
    bool loopsBack;
    const char* steps;
  } cases[] = {{false, "step at 100|step at 50|step at 25"},
               {true, "step at 100|step at 50|step at 100|step at 50|step at 100"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loopsBack);
    Harness w;
    w.cues(2);
    const QString path = w.writeLoopFile({200, 100, 50}, c.loopsBack ? 3 : 0, 100, 0);
    w.loops->ReadSubloopCues(path);
    EXPECT_EQ(w.trace.join('|').toStdString(), "loading|loaded");
    EXPECT_FALSE(w.loops->state().SubLoopLoaded);
    w.trace.clear();
    // The fader comes up to half.
    w.S.SubLoopActive = true;
    w.loops->startSubmasterLoop(0.5);
    // Each step of one tick lasts three.
    w.clock.advance((c.loopsBack ? 13 : 20) * w.S.FadeInterval);
    QStringList steps = w.trace.filter("step at");
    EXPECT_EQ(steps.join('|').toStdString(), c.steps);
    EXPECT_FALSE(w.loops->state().LoopRunning) << "the cue list plays on";

    // A loop-file cue is refused while the submaster loop runs.
    w.S.Cues.CueTable[CueColumn::LoopFileKey][1] = 1;
    w.selected = 1;
    w.load("load");
    EXPECT_TRUE(w.loops->sendLoopCue(1));
    ASSERT_EQ(w.op.asked.size(), 1u);
    EXPECT_EQ(w.op.asked[0].title, "Cue File loop error");
    EXPECT_EQ(w.op.asked[0].text, "You cannot run a loop cue while one is running as a submaster.");
    EXPECT_EQ(w.op.asked[0].buttons, DialogButtons::Retry);

    // The fader goes down: the timer ran on only for the loop.
    w.S.SubLoopActive = false;
    w.S.FadeIdle = true;
    w.loops->submasterLoopStopped();
    EXPECT_FALSE(w.fadeTimer.isActive());
    w.trace.clear();
    w.loops->startSubmasterLoop(0.5);
    EXPECT_TRUE(w.trace.isEmpty()) << "nothing plays until the file is read again";
  }
}

TEST(LoopsEngine, AnUnreadableSubmasterFilePlaysNothing) {
  Harness w;
  w.cues(1);
  w.loops->ReadSubloopCues(w.dir.filePath("missing.lcue"));
  ASSERT_EQ(w.op.asked.size(), 1u);
  EXPECT_EQ(w.op.asked[0].title, "Cue File problem");
  EXPECT_FALSE(w.loops->state().SubLoopLoaded);
  w.trace.clear();
  w.S.SubLoopActive = true;
  w.loops->startSubmasterLoop(1.0);
  w.clock.advance(10 * w.S.FadeInterval);
  EXPECT_TRUE(w.trace.isEmpty());
  EXPECT_FALSE(w.fadeTimer.isActive());
}
