#include "console/engine/loops.h"

#include <span>

#include "console/engine/fade_engine.h"
#include "console/engine/loop_steps.h"
#include "platform/operator.h"
#include "platform/pumped_wait.h"

namespace {
const char* const kLoopErrorTitle = "Cue File loop error";
const char* const kTargetMissing = "Could not find the Cue to loop to. Please check your file.";
const char* const kSubmasterLoopRuns = "You cannot run a loop cue while one is running as a submaster.";
// The longest StopLoop lets a fade run on before it ends the loop anyway.
constexpr int kStopWaitLimitMs = 10000;
}  // namespace

Loops::Loops(ConsoleState& state, Clock& clock, Operator& op, Hooks hooks)
    : S(state),
      clock_(clock),
      operator_(op),
      h_(std::move(hooks)),
      looptimer_(std::make_unique<ClockTimer>(clock)) {
  looptimer_->setObjectName("looptimer");
  looptimer_->setSingleShot(true);
  looptimer_->setInterval(10);
  QObject::connect(looptimer_.get(), &ClockTimer::timeout, [this] { looptimerTimer(); });
}

Loops::~Loops() = default;

bool Loops::validRow(int row) const {
  return row >= 1 && row <= S.Cues.CueFileRecords && row <= S.Cues.CueCount;
}

void Loops::mark(int row, CueMark mark) {
  if (h_.markRow) h_.markRow(row, mark);
}

void Loops::loopError(const QString& text) {
  operator_.ask(kLoopErrorTitle, text, DialogIcon::Warning, DialogButtons::Retry);
}

bool Loops::active() const {
  return (st_.LoopCueActive && st_.LoopReturnRow > 0) || (st_.LoopRunning && loopFilePlaying_);
}

bool Loops::keyEnd() {
  if (!st_.LoopCueActive || !active()) return false;
  // While a submaster loop runs the End key neither stops the loop nor finishes the fade.
  if (!S.SubLoopActive) stop();
  return true;
}

bool Loops::cueSelected(int row) {
  st_.LoopFileIndex = S.Cues.CueTable[CueColumn::LoopFileKey][row];
  if (st_.LoopFileIndex >= 1 && !S.CueListByMouse) {
    selectLoopFile(row);
    return true;
  }
  st_.LoopRunning = false;
  return false;
}

void Loops::loopCueSelected(int row) {
  if (S.Cues.CueTable[CueColumn::LoopTarget][row] <= 0 || st_.LoopCueActive) return;
  const int count = S.Cues.CueTable[CueColumn::LoopCount][row];
  st_.LoopPosition = count == 0 ? 999999 : count + 1;
  st_.LoopCueActive = true;
  S.CueChanging = false;
}

void Loops::selectLoopFile(int row) {
  st_.LoopRunning = false;
  st_.LoopCueActive = false;
  S.CueChanging = false;
  loopFilePlaying_ = false;
  loopFileRow_ = 0;
  // The loop tables and channel flags belong to a running submaster loop: GO refuses this cue then.
  if (S.SubLoopActive) return;
  st_.LoopFileName = LookupFile(S.CueFileName, st_.LoopFileIndex);
  LoopReadInput in;
  in.StepsPerSecond = S.StepsPerSecond;
  in.MaxChannels = S.MaxChannels;
  in.CurrentCue = row;
  in.Cues = &S.Cues;
  in.CurrentOutput = std::span<const uint8_t>(S.DmxOutBuffer.data(), size_t(kMaxChannelLimit));
  in.WarmUpLevel = [this](int ch) { return S.Fixtures.WarmUpLevels[size_t(ch)]; };
  const std::optional<LoopFileLoad> load = ReadloopCues(st_.LoopFileName, st_.Loops, in, operator_);
  if (!load) {
    // Nothing of an earlier file is played for this cue.
    st_.Loops = LoopTables();
    return;
  }
  S.CueLevels = load->CueLevels;
  if (S.CueLevels.size() < kMaxChannelLimit)
    S.CueLevels.append(QByteArray(kMaxChannelLimit - S.CueLevels.size(), '\0'));
  S.SubFlags.fill(false);
  for (size_t ch = 1; ch < load->SubFlags.size() && ch < S.SubFlags.size(); ++ch)
    S.SubFlags[ch] = load->SubFlags[ch];
  st_.LoopPosition = load->LoopPosition;
  st_.SubLoopScale = load->SubLoopScale;
  st_.LoopRunning = true;
  loopFileRow_ = row;
}

bool Loops::sendLoopCue(int r) {
  const CueTables& t = S.Cues;
  if (st_.LoopFileIndex > 0) {
    if (S.SubLoopActive) {
      loopError(kSubmasterLoopRuns);
      return true;
    }
    // Selected while its file was not to be loaded (a right-click edit): it is loaded now.
    if (loopFileRow_ != r) selectLoopFile(r);
    st_.LoopReturnRow = S.Rows.CurrentCue;
    st_.LoopRepeat = 0;
    st_.LoopStepCount = 0;
    st_.LoopRunning = true;
    loopFilePlaying_ = true;
    S.CueChanging = false;
    PlayLoopfile();
    return true;
  }
  const int target = t.CueTable[CueColumn::LoopTarget][r];
  if (target <= 0) return false;
  st_.LoopReturnRow = r;
  const int row = loops::findCueRow(t, r - 1, target);
  if (row == 0) {
    st_.LoopCueActive = false;
    st_.LoopReturnRow = 0;
    loopError(kTargetMissing);
    return true;
  }
  loopTargetRow_ = row;
  st_.LoopCueActive = true;
  if (st_.LoopPosition > 1) --st_.LoopPosition;
  if (h_.selectRow) h_.selectRow(row);
  st_.LoopRunning = false;
  looptimer_->start();
  return true;
}

void Loops::looptimerTimer() {
  looptimer_->stop();
  if (S.CueChanging || st_.LoopPosition == 1) {
    S.CueChanging = false;
    st_.LoopCueActive = false;
    st_.LoopReturnRow = 0;
    if (S.Rows.CurrentCue + 1 <= S.Cues.CueFileRecords) {
      ++S.Rows.CurrentCue;
      if (h_.selectRow) h_.selectRow(S.Rows.CurrentCue);
      if (h_.loadCue) h_.loadCue();
    }
    return;
  }
  startRow(loopTargetRow_);
}

void Loops::startRow(int row) {
  if (h_.selectRow) h_.selectRow(row);
  // A follow cue under auto advance is started by its selection; it is not started twice.
  const bool startsBySelection = validRow(row) && S.Cues.CueTable[CueColumn::StartMode][row] == 1 &&
                                 S.AutoAdvanceChosen && !S.CueListByMouse;
  if (h_.loadCue) h_.loadCue();
  if (!startsBySelection && h_.sendCue) h_.sendCue();
}

bool Loops::fadeEnded() {
  if (!st_.LoopRunning) return false;
  PlayLoopfile();
  return true;
}

void Loops::PlayLoopfile(bool fromSubmaster) {
  const LoopTables& loops = st_.Loops;
  const int n = loops.steps();
  int b = st_.LoopRepeat + 1;
  if (b > n) {
    if (st_.LoopRunning) LoopDone();
    return;
  }
  const auto& T = loops.LoopTable;
  if (T[LoopColumn::LoopTarget][size_t(b)] > 0) {
    if (S.Rows.RunningCue != S.Rows.CurrentCue) {
      if (st_.LoopRunning) {
        const int running = S.Rows.RunningCue;
        if (!fromSubmaster && validRow(running)) mark(running, CueMark::Plain);
        if (validRow(S.Rows.CurrentCue)) mark(S.Rows.CurrentCue, CueMark::LoopStep);
        S.Rows.RunningCue = S.Rows.CurrentCue;
      }
      st_.LoopCueActive = false;
      st_.LoopStepCount = b;
      if (loops::findStepRow(loops, st_.LoopRepeat, T[LoopColumn::LoopTarget][size_t(b)]) == 0) {
        // Nothing further plays: the end of the last step's fade does not come back here.
        st_.LoopRunning = false;
        loopFilePlaying_ = false;
        loopError(kTargetMissing);
        return;
      }
    }
    if (st_.LoopPosition > 0) {
      --st_.LoopPosition;
      if (st_.LoopPosition > 1) {
        st_.LoopRepeat = 0;
        b = 1;
      } else if (!S.SubLoopActive) {
        ++b;
        StopLoop();
        LoopDone();
        if (b > n) return;
      }
    }
  }
  if (S.LogLevel > 0 && h_.log) h_.log("LLine " + QString::number(b));
  loops::computeStepTargets(S, loops, b, S.SubLoopActive, st_.LoopRunning, st_.SubLoopScale);
  st_.LoopRepeat = b;
  const int upDelay = T[LoopColumn::UpDelayTicks][size_t(b)];
  const int downDelay = T[LoopColumn::DownDelayTicks][size_t(b)];
  if (st_.LoopRunning && h_.fadeTiming) h_.fadeTiming(S.UpTicks + upDelay, S.DownTicks + downDelay);
  if (S.SubLoopActive) smFadetiming(S.UpTicks + upDelay, S.DownTicks + downDelay);
}

void Loops::LoopDone() {
  if (validRow(S.Rows.RunningCue)) mark(S.Rows.RunningCue, CueMark::Plain);
  if (validRow(S.Rows.CurrentCue)) mark(S.Rows.CurrentCue, CueMark::Played);
  if (h_.loopFileDone) h_.loopFileDone();
  S.SubFlags.fill(false);
  S.CueChanging = true;
  st_.LoopCueActive = false;
  loopFilePlaying_ = false;
  st_.LoopReturnRow = 0;
  S.Rows.RunningCue = S.Rows.CurrentCue;
  S.AutoAdvance = S.AutoAdvanceChosen;
  const int next = S.Rows.CurrentCue + 1;
  if (S.Rows.CurrentCue >= S.Cues.CueFileRecords) return;
  const bool follows = validRow(next) && S.Cues.CueTable[CueColumn::StartMode][next] == 1;
  if (S.AutoAdvance && (!S.ETCmode || follows)) startRow(next);
}

void Loops::StopLoop() {
  S.DimmerCheckRunning = false;
  if (st_.LoopCueActive && !S.SubLoopActive) {
    // Let the running fade land, then end the loop.
    S.FadeTick = S.FadeTotalTicks + 1;
    for (int waited = 0;
         h_.fadeTimerActive && h_.fadeTimerActive() && waited < kStopWaitLimitMs && !applicationTerminating();
         waited += 10)
      clock_.waitPumped(10);
  }
  S.CueChanging = true;
  st_.LoopCueActive = false;
}

void Loops::stop() {
  // With no loop started there is nothing to stop; a stale return row is not selected.
  if (!active()) return;
  if (h_.stopFadeTimer) h_.stopFadeTimer();
  if (h_.progressCleared) h_.progressCleared();
  S.FadeIdle = true;
  S.CueChanging = true;
  st_.LoopCueActive = false;
  looptimer_->stop();
  if (st_.LoopFileIndex != 0) {
    // Go on after the loop-back step; a file without one ends here.
    st_.LoopRepeat = st_.LoopStepCount > 0 ? st_.LoopStepCount : st_.Loops.steps();
    PlayLoopfile();
    return;
  }
  const int returnRow = st_.LoopReturnRow;
  st_.LoopReturnRow = 0;
  if (returnRow + 1 <= S.Cues.CueFileRecords) {
    if (h_.selectRow) h_.selectRow(returnRow + 1);
    if (h_.clickCue) h_.clickCue();
  } else if (h_.selectRow) {
    h_.selectRow(returnRow);
  }
}

void Loops::smFadetiming(int uptime, int downtime) {
  const int n = loops::subStepTicks(uptime, downtime, st_.SubFadeTicks, st_.SubFadeStep);
  if (S.LogLevel > 0 && h_.log)
    h_.log("smFade- " + QString::number(uptime) + " " + QString::number(downtime));
  st_.SubFadeStep = 0;
  st_.SubFadeTicks = n;
  // Without a cue fade the ticks only step the loop; no cue ends on them.
  if (S.FadeIdle) S.FadeTotalTicks = -1;
  if (h_.startFadeTimer) h_.startFadeTimer();
}

bool Loops::subLoopTick() {
  if (!S.SubLoopActive) return false;
  if (st_.SubFadeStep > st_.SubFadeTicks) {
    fade::setValues(S);
    if (h_.send) h_.send();
    PlayLoopfile();
    return true;
  }
  ++st_.SubFadeStep;
  return false;
}

void Loops::ReadSubloopCues(const QString& path) {
  if (st_.SubLoopLoaded) return;
  // The faders stay still while the file loads; whatever happens, the flag is cleared again.
  st_.SubLoopLoaded = true;
  if (h_.subLoopLoading) h_.subLoopLoading(true);
  clock_.pumpEvents();
  const std::optional<loops::SubLoopLoad> load = loops::ReadSubloopCues(S, path, st_.Loops, operator_);
  subLoopReady_ = load.has_value();
  if (load) st_.LoopPosition = load->LoopPosition;
  st_.SubLoopLoaded = false;
  if (h_.subLoopLoading) h_.subLoopLoading(false);
}

void Loops::startSubmasterLoop(double scale) {
  // A file that could not be read plays nothing.
  if (!subLoopReady_) return;
  st_.SubLoopScale = scale;
  st_.LoopRepeat = 0;
  st_.SubFadeStep = 0;
  st_.SubFadeTicks = 0;
  PlayLoopfile(true);
}

void Loops::submasterLoopStopped() {
  subLoopReady_ = false;
  st_.SubFadeStep = 0;
  st_.SubFadeTicks = 0;
  // The timer ran on only for the loop.
  if (S.FadeIdle && h_.stopFadeTimer) h_.stopFadeTimer();
}
