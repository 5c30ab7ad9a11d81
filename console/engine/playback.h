#pragma once

// Playback decisions that belong to the show rather than to the screen: whether GO may start, which
// cue it starts ("Advance then Play"), what the end of a cue selects or starts next, which cue
// counts as played, and the level a channel's output carries. The window carries out what comes
// back (selecting rows, painting the cue list) and never reads these facts back from the screen.

#include <QString>
#include <vector>

#include "console/engine/console_state.h"
#include "platform/question.h"

class Operator;

// How a cue row's number cell stands: plain, the cue fading, the cue that last finished, or a loop
// file's loop-back step.
enum class CueMark { Plain, Fading, Played, LoopStep };

class Playback {
 public:
  Playback(ConsoleState& state, Operator& op);

  // ---- Marks of the cue rows ----
  CueMark mark(int row) const;
  void setMark(int row, CueMark mark);
  // A new cue list: every row plain.
  void clearMarks();
  bool played(int row) const { return mark(row) == CueMark::Played; }

  // ---- GO ----
  enum class Go {
    Refused,          // nothing is played (no interface while live, no cue)
    AskFirst,         // changes are unrecorded: the unrecorded-changes prompt runs instead
    Start,            // start the selected cue
    SelectThenStart,  // select (and load) row CurrentCue first, then start it
  };
  // Decides GO for the selected cue; the "Communications Error" warning is put to the operator here.
  // CurrentCue has moved on when "Advance then Play" steps to the next cue.
  Go go();

  // The question put before GO, selection, back, add and insert while changes are unrecorded: Yes
  // records them into the cue they were made on, No replays the selected cue, OK ("Save New") adds
  // a cue.
  static MessageSpec unrecordedChangesQuestion();

  // ---- End of a cue ----
  struct Done {
    int unmarked = 0;  // the row that finished before (0: none): its number cell turns plain
    int played = 0;    // the row that finished now (0: none)
    enum class Next { Nothing, Select, SelectAndStart } next = Next::Nothing;
    int nextRow = 0;
  };
  // The selected cue counts as played; says what the next row does by its follow setting, auto
  // advance and "Advance then Play".
  Done cueDone();

  // ---- Starting a cue ----
  // A follow cue selected under auto advance starts by itself, unless it was picked for editing by
  // a right-click. Takes the operator's auto-advance choice.
  bool startsWhenSelected(int row);
  // The selected cue starts: its row is marked fading.
  void cueStarted(int row) { setMark(row, CueMark::Fading); }
  // The advance delay moves on to this row (0: none after the last cue).
  int advanceDelayRow() const;
  // Replaying a cue that just finished does not advance after it.
  void replayStarting(int row);

  // ---- The output ----
  // The level the output carries for `channel`, in the channel's own units (percent, or DMX for a
  // raw channel), as a remote reads it: the first address of the channel's patch (of its fixture's
  // intensity channel for a fixture channel). -1 when the channel drives no output address.
  int outputLevel(int channel) const;

 private:
  bool validRow(int row) const;
  ConsoleState& S;
  Operator& operator_;
  std::vector<CueMark> marks_;
};
