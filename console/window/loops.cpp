// Loops on the main window: a loop cue sends the cue list back to an earlier cue a number of times,
// a "Cue is a File" cue plays the steps of its loop cue file, and a submaster can play a loop file
// scaled by its fader. The step arithmetic is in loop_steps.

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QToolButton>

#include "console/editors/submaster_window.h"
#include "console/engine/console_colours.h"
#include "console/engine/fade_engine.h"
#include "console/engine/loop_steps.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/pumped_wait.h"

namespace {
void loopError(const QString& text) {
  showMessage("Cue File loop error", text, DialogIcon::Warning, DialogButtons::Retry);
}
const char* const kTargetMissing = "Could not find the Cue to loop to. Please check your file.";
}  // namespace

void Tform1::createLoops() {
  looptimer = new ClockTimer(clock_, this);
  looptimer->setObjectName("looptimer");
  looptimer->setSingleShot(true);
  looptimer->setInterval(10);
  connect(looptimer, &ClockTimer::timeout, this, &Tform1::looptimerTimer);
  loopFileSelector_ = [this](int row) { selectLoopFile(row); };
  // The End key stops an active loop instead of finishing the fade; while a submaster loop runs it
  // does neither.
  loopStopper_ = [this] {
    if (!LoopCueActive || !loopActive()) return false;
    if (!S.SubLoopActive) btnstoploopClick();
    return true;
  };
}

bool Tform1::loopActive() const {
  return (LoopCueActive && LoopReturnRow > 0) || (LoopRunning && loopFilePlaying_);
}

void Tform1::selectLoopFile(int row) {
  LoopRunning = false;
  LoopCueActive = false;
  S.CueChanging = false;
  loopFilePlaying_ = false;
  loopFileRow_ = 0;
  // The loop tables and channel flags belong to a running submaster loop: GO refuses this cue then.
  if (S.SubLoopActive) return;
  LoopFileName = LookupFile(S.CueFileName, LoopFileIndex);
  LoopReadInput in;
  in.StepsPerSecond = S.StepsPerSecond;
  in.MaxChannels = S.MaxChannels;
  in.CurrentCue = row;
  in.Cues = &S.Cues;
  in.CurrentOutput = std::span<const uint8_t>(S.DmxOutBuffer.data(), size_t(kMaxChannelLimit));
  in.WarmUpLevel = [this](int ch) { return S.Fixtures.WarmUpLevels[size_t(ch)]; };
  const std::optional<LoopFileLoad> load = ReadloopCues(LoopFileName, Loops, in, dialogOperator());
  if (!load) {
    // Nothing of an earlier file is played for this cue.
    Loops = LoopTables();
    return;
  }
  S.CueLevels = load->CueLevels;
  if (S.CueLevels.size() < kMaxChannelLimit)
    S.CueLevels.append(QByteArray(kMaxChannelLimit - S.CueLevels.size(), '\0'));
  S.SubFlags.fill(false);
  for (size_t ch = 1; ch < load->SubFlags.size() && ch < S.SubFlags.size(); ++ch)
    S.SubFlags[ch] = load->SubFlags[ch];
  LoopPosition = load->LoopPosition;
  SubLoopScale = load->SubLoopScale;
  LoopRunning = true;
  loopFileRow_ = row;
}

bool Tform1::sendLoopCue(int r) {
  const CueTables& t = S.Cues;
  if (LoopFileIndex > 0) {
    if (S.SubLoopActive) {
      loopError("You cannot run a loop cue while one is running as a submaster.");
      return true;
    }
    // Selected while its file was not to be loaded (a right-click edit): it is loaded now.
    if (loopFileRow_ != r) selectLoopFile(r);
    LoopReturnRow = S.Rows.CurrentCue;
    LoopRepeat = 0;
    LoopStepCount = 0;
    LoopRunning = true;
    loopFilePlaying_ = true;
    S.CueChanging = false;
    PlayLoopfile();
    return true;
  }
  const int target = t.CueTable[CueColumn::LoopTarget][r];
  if (target <= 0) return false;
  LoopReturnRow = r;
  const int row = loops::findCueRow(t, r - 1, target);
  if (row == 0) {
    LoopCueActive = false;
    LoopReturnRow = 0;
    loopError(kTargetMissing);
    return true;
  }
  loopTargetRow_ = row;
  LoopCueActive = true;
  if (LoopPosition > 1) --LoopPosition;
  selectRow(row);
  LoopRunning = false;
  looptimer->start();
  return true;
}

void Tform1::looptimerTimer() {
  looptimer->stop();
  if (S.CueChanging || LoopPosition == 1) {
    S.CueChanging = false;
    LoopCueActive = false;
    LoopReturnRow = 0;
    if (S.Rows.CurrentCue + 1 <= S.Cues.CueFileRecords) {
      ++S.Rows.CurrentCue;
      selectRow(S.Rows.CurrentCue);
      LoadCue();
    }
    return;
  }
  selectRow(loopTargetRow_);
  startSelected();
}

void Tform1::startSelected() {
  // A follow cue under auto advance is started by its selection; it is not started twice.
  const int row = currentRow();
  const bool startsBySelection =
      validRow(row) && cueColumn(CueColumn::StartMode, row) == 1 && autoAdvanceHint() && !S.CueListByMouse;
  LoadCue();
  if (!startsBySelection) SendCue();
}

void Tform1::PlayLoopfile(bool fromSubmaster) {
  const int n = Loops.steps();
  int b = LoopRepeat + 1;
  if (b > n) {
    if (LoopRunning) LoopDone();
    return;
  }
  const auto& T = Loops.LoopTable;
  if (T[LoopColumn::LoopTarget][size_t(b)] > 0) {
    if (S.Rows.RunningCue != S.Rows.CurrentCue) {
      if (LoopRunning) {
        const int running = S.Rows.RunningCue;
        if (!fromSubmaster && validRow(running))
          if (QTableWidgetItem* description = cuelist->item(running - 1, 1))
            setNumberCellColour(running, rgbToBgr(description->background().color()));
        if (validRow(S.Rows.CurrentCue)) setNumberCellColour(S.Rows.CurrentCue, kLoopStepColour);
        S.Rows.RunningCue = S.Rows.CurrentCue;
      }
      LoopCueActive = false;
      LoopStepCount = b;
      if (loops::findStepRow(Loops, LoopRepeat, T[LoopColumn::LoopTarget][size_t(b)]) == 0) {
        // Nothing further plays: the end of the last step's fade does not come back here.
        LoopRunning = false;
        loopFilePlaying_ = false;
        loopError(kTargetMissing);
        return;
      }
    }
    if (LoopPosition > 0) {
      --LoopPosition;
      if (LoopPosition > 1) {
        LoopRepeat = 0;
        b = 1;
      } else if (!S.SubLoopActive) {
        ++b;
        StopLoop();
        LoopDone();
        if (b > n) return;
      }
    }
  }
  if (S.LogLevel > 0) toolLog("LLine " + QString::number(b));
  loops::computeStepTargets(S, Loops, b, S.SubLoopActive, LoopRunning, SubLoopScale);
  LoopRepeat = b;
  const int upDelay = T[LoopColumn::UpDelayTicks][size_t(b)];
  const int downDelay = T[LoopColumn::DownDelayTicks][size_t(b)];
  if (LoopRunning) Fadetiming(S.UpTicks + upDelay, S.DownTicks + downDelay);
  if (S.SubLoopActive) smFadetiming(S.UpTicks + upDelay, S.DownTicks + downDelay);
}

void Tform1::LoopDone() {
  const int running = S.Rows.RunningCue;
  if (validRow(running))
    if (QTableWidgetItem* description = cuelist->item(running - 1, 1))
      setNumberCellColour(running, rgbToBgr(description->background().color()));
  if (validRow(S.Rows.CurrentCue)) setNumberCellColour(S.Rows.CurrentCue, kPlayedColour);
  btnPlay->setEnabled(true);
  S.SubFlags.fill(false);
  S.CueChanging = true;
  LoopCueActive = false;
  loopFilePlaying_ = false;
  LoopReturnRow = 0;
  S.Rows.RunningCue = S.Rows.CurrentCue;
  S.AutoAdvance = autoAdvanceHint();
  if (S.Rows.CurrentCue >= S.Cues.CueFileRecords) return;
  if (S.AutoAdvance && (!S.ETCmode || cueColumn(CueColumn::StartMode, S.Rows.CurrentCue + 1) == 1)) {
    selectRow(currentRow() + 1);
    startSelected();
  }
}

void Tform1::StopLoop() {
  S.DimmerCheckRunning = false;
  if (LoopCueActive && !S.SubLoopActive) {
    // Let the running fade land, then end the loop.
    S.FadeTick = S.FadeTotalTicks + 1;
    for (int waited = 0; FadeTimer->isActive() && waited < 10000 && !applicationTerminating(); waited += 10)
      waitPumped(10);
  }
  S.CueChanging = true;
  LoopCueActive = false;
}

void Tform1::btnstoploopClick() {
  // With no loop started there is nothing to stop; a stale return row is not selected.
  if (!loopActive()) return;
  FadeTimer->stop();
  currentcue3->setValue(0);
  ctime->clear();
  S.FadeIdle = true;
  S.CueChanging = true;
  LoopCueActive = false;
  looptimer->stop();
  if (LoopFileIndex != 0) {
    // Go on after the loop-back step; a file without one ends here.
    LoopRepeat = LoopStepCount > 0 ? LoopStepCount : Loops.steps();
    PlayLoopfile();
    return;
  }
  const int returnRow = LoopReturnRow;
  LoopReturnRow = 0;
  if (returnRow + 1 <= S.Cues.CueFileRecords) {
    selectRow(returnRow + 1);
    CueListClicked(0);
  } else {
    selectRow(returnRow);
  }
}

void Tform1::smFadetiming(int uptime, int downtime) {
  const int n = loops::subStepTicks(uptime, downtime, SubFadeTicks, SubFadeStep);
  if (S.LogLevel > 0) toolLog("smFade- " + QString::number(uptime) + " " + QString::number(downtime));
  SubFadeStep = 0;
  SubFadeTicks = n;
  // Without a cue fade the ticks only step the loop; no cue ends on them.
  if (S.FadeIdle) S.FadeTotalTicks = -1;
  FadeTimer->start(S.FadeInterval);
}

bool Tform1::subLoopTick() {
  if (!S.SubLoopActive) return false;
  if (SubFadeStep > SubFadeTicks) {
    fade::setValues(S);
    sendDMX();
    PlayLoopfile();
    return true;
  }
  ++SubFadeStep;
  return false;
}

void Tform1::ReadSubloopCues(const QString& path) {
  if (SubLoopLoaded) return;
  // The faders stay still while the file loads; whatever happens, the flag is cleared again.
  SubLoopLoaded = true;
  if (Form3_) Form3_->SubLoopLoaded = true;
  clock_.pumpEvents();
  const std::optional<loops::SubLoopLoad> load = loops::ReadSubloopCues(S, path, Loops, dialogOperator());
  subLoopReady_ = load.has_value();
  if (load) LoopPosition = load->LoopPosition;
  SubLoopLoaded = false;
  if (Form3_) Form3_->SubLoopLoaded = false;
}

void Tform1::startSubmasterLoop(double scale) {
  // A file that could not be read plays nothing.
  if (!subLoopReady_) return;
  SubLoopScale = scale;
  LoopRepeat = 0;
  SubFadeStep = 0;
  SubFadeTicks = 0;
  PlayLoopfile(true);
}

void Tform1::submasterLoopStopped() {
  subLoopReady_ = false;
  SubFadeStep = 0;
  SubFadeTicks = 0;
  // The timer ran on only for the loop.
  if (S.FadeIdle) FadeTimer->stop();
}
