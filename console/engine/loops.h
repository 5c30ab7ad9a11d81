#pragma once

// The loops of a show: a loop cue sends the cue list back to an earlier cue a number of times, a
// "Cue is a File" cue plays the steps of its loop cue file, and a submaster can play a loop file
// scaled by its fader. This object owns the loop state and the loop cue's jump timer (on the clock
// it is given) and decides every rule; it moves the cue list, the fade timer and the output through
// its hooks, which the window fills in and paints from. Errors are put to the operator.

#include <QString>
#include <functional>
#include <memory>

#include "console/engine/console_state.h"
#include "console/engine/cue_loop_file.h"
#include "console/engine/playback.h"
#include "platform/clock.h"

class Operator;

// The loop state, by the names the console gives it.
struct LoopState {
  int LoopFileIndex = 0;       // loop-file key of the selected cue (0: none)
  bool LoopRunning = false;    // a loop file is loaded for the cue list, or its steps play
  bool LoopCueActive = false;  // a loop cue's repetitions are counting
  int LoopPosition = 0;        // repetitions left; 999999 for ever
  LoopTables Loops;            // the steps of the loaded loop file
  QString LoopFileName;
  int LoopRepeat = 0;     // the last step played (0: none yet)
  int LoopStepCount = 0;  // the loop-back step met first
  int LoopReturnRow = 0;  // the row of the loop cue or loop-file cue that started the loop
  double SubLoopScale = 1.0;
  int SubFadeStep = 0;
  int SubFadeTicks = 0;
  bool SubLoopLoaded = false;  // a submaster's loop file is being read
};

class Loops {
 public:
  // What the loops do around them. Unset hooks do nothing.
  struct Hooks {
    // The cue list: make `row` the selected row; load the selected cue (`LoadCue`); select it the
    // way a click does (`CueListClicked`(0)); start the selected cue (`SendCue`).
    std::function<void(int row)> selectRow;
    std::function<void()> loadCue;
    std::function<void()> clickCue;
    std::function<void()> sendCue;
    // The number cell of a row takes a mark; a plain cell takes the colour of its description cell.
    std::function<void(int row, CueMark mark)> markRow;
    // A loop file has ended: GO may be pressed again.
    std::function<void()> loopFileDone;
    // The fade timer the cue fades and the loop steps share: a fade of `up`/`down` ticks
    // (`Fadetiming`); the timer alone started, stopped, running; its progress display emptied.
    std::function<void(int up, int down)> fadeTiming;
    std::function<void()> startFadeTimer;
    std::function<void()> stopFadeTimer;
    std::function<bool()> fadeTimerActive;
    std::function<void()> progressCleared;
    std::function<void()> send;                    // `sendDMX`
    std::function<void(const QString& line)> log;  // the tool log (LogLevel > 0)
    // A submaster's loop file is being read (true) or has been (false): its faders stay still.
    std::function<void(bool loading)> subLoopLoading;
  };

  Loops(ConsoleState& state, Clock& clock, Operator& op, Hooks hooks);
  ~Loops();

  const LoopState& state() const { return st_; }
  // The loop cue's jump (`looptimer`), 10 ms after the loop cue is played.
  const ClockTimer& timer() const { return *looptimer_; }
  // A loop cue's repetitions count from a played loop cue, or a loop file's steps play.
  bool active() const;

  // ---- The cue list ----
  // A cue row was selected. A loop-file cue loads its file (unless a right-click edit picked it) and
  // the selection goes no further: true. Otherwise no loop file plays: false.
  bool cueSelected(int row);
  // The selected cue's levels are shown: a loop cue arms its repetitions unless a loop cue counts.
  void loopCueSelected(int row);
  // `SendCue` of row `row`: a loop-file cue starts its steps, a loop cue jumps back; true when the
  // row was one of them and the cue's own fade is not to start.
  bool sendLoopCue(int row);
  // The cue fade came to its end: true when a loop file goes on with its next step instead of the
  // cue being done.
  bool fadeEnded();
  // `PlayLoopfile`: the next loop step.
  void PlayLoopfile(bool fromSubmaster = false);
  // `StopLoop`: the running fade lands, then the loop ends at the next chance.
  void StopLoop();
  // `btnstoploopClick`: the stop button, Pause and the remote "stop". Nothing when no loop runs.
  void stop();
  // The End key: true when it belongs to the loops (an active loop cue, stopped unless a submaster
  // loop runs); false leaves it to finish the fade.
  bool keyEnd();

  // ---- A submaster's loop file ----
  // `ReadSubloopCues`: loads the file a strip plays.
  void ReadSubloopCues(const QString& path);
  // The fader came up: the loaded file starts, scaled by `scale`.
  void startSubmasterLoop(double scale);
  void setSubLoopScale(double scale) { st_.SubLoopScale = scale; }
  // The fader went down.
  void submasterLoopStopped();
  // One tick of the fade timer while a submaster loop runs: true when it played the next step.
  bool subLoopTick();

 private:
  void selectLoopFile(int row);
  void looptimerTimer();
  void LoopDone();
  void smFadetiming(int uptime, int downtime);
  // Selects `row` and starts it, unless its selection already started it (a follow cue).
  void startRow(int row);
  void loopError(const QString& text);
  bool validRow(int row) const;
  void mark(int row, CueMark mark);

  ConsoleState& S;
  Clock& clock_;
  Operator& operator_;
  Hooks h_;
  LoopState st_;
  std::unique_ptr<ClockTimer> looptimer_;
  int loopTargetRow_ = 0;
  bool loopFilePlaying_ = false;
  bool subLoopReady_ = false;
  int loopFileRow_ = 0;  // the cue row whose loop file the loop tables hold
};
