#include "console/engine/playback.h"

#include "console/engine/level_math.h"
#include "platform/operator.h"

Playback::Playback(ConsoleState& state, Operator& op) : S(state), operator_(op) {}

bool Playback::validRow(int row) const {
  return row >= 1 && row <= S.Cues.CueFileRecords && row <= S.Cues.CueCount;
}

CueMark Playback::mark(int row) const {
  return row >= 1 && row < int(marks_.size()) ? marks_[size_t(row)] : CueMark::Plain;
}

void Playback::setMark(int row, CueMark mark) {
  if (row < 1) return;
  if (row >= int(marks_.size())) {
    if (mark == CueMark::Plain) return;
    marks_.resize(size_t(row) + 1, CueMark::Plain);
  }
  marks_[size_t(row)] = mark;
}

void Playback::clearMarks() { marks_.clear(); }

Playback::Go Playback::go() {
  if (S.LiveMode && !S.InterfaceOpen) {
    operator_.ask("Communications Error", "The DMX interface is not connected. Please restart the program.",
                  DialogIcon::Warning);
    return Go::Refused;
  }
  if (!validRow(S.Rows.CurrentCue)) return Go::Refused;
  if (S.Unrecorded) return Go::AskFirst;
  if (S.AutoAdvance && S.Rows.CurrentCue < S.Cues.CueFileRecords) {
    // "Advance then Play": GO on the cue that just ran steps on to the next one and plays that;
    // Ctrl or Shift replays the same cue.
    if (S.ETCmode && S.Rows.RunningCue == S.Rows.CurrentCue && !S.GoWithCtrl && !S.GoWithShift)
      ++S.Rows.CurrentCue;
    return Go::SelectThenStart;
  }
  return Go::Start;
}

MessageSpec Playback::unrecordedChangesQuestion() {
  MessageSpec md;
  md.title = "Unrecorded Changes";
  md.text =
      "You did not Record some changes to the\n\rprevious cue. Save to that cue [<b>Yes</b> or "
      "<b>No</b>]\n\ror "
      "<b>Save</b> as a New cue?";
  md.richText = true;
  md.icon = DialogIcon::Confirmation;
  md.buttons = DialogButtons::Custom;
  md.customButtons = {
      {"&Yes", DialogResult::Yes}, {"&No", DialogResult::No}, {"&Save New", DialogResult::Ok}};
  return md;
}

Playback::Done Playback::cueDone() {
  Done done;
  if (validRow(S.Rows.RunningCue)) {
    done.unmarked = S.Rows.RunningCue;
    setMark(S.Rows.RunningCue, CueMark::Plain);
  }
  if (validRow(S.Rows.CurrentCue)) {
    done.played = S.Rows.CurrentCue;
    setMark(S.Rows.CurrentCue, CueMark::Played);
  }
  S.Rows.RunningCue = S.Rows.CurrentCue;
  const int next = S.Rows.CurrentCue + 1;
  if (S.Rows.CurrentCue >= 1 && S.Rows.CurrentCue < S.Cues.CueFileRecords) {
    S.AutoAdvance = S.AutoAdvanceChosen;
    const bool follows = validRow(next) && S.Cues.CueTable[CueColumn::StartMode][next] == 1;
    if (follows && S.AutoAdvance) {
      done.next = Done::Next::SelectAndStart;
      done.nextRow = next;
    } else if (!S.ETCmode) {
      // The next cue is selected but not played: the grid shows where it will go, the output stays.
      done.next = Done::Next::Select;
      done.nextRow = next;
    }
  }
  return done;
}

bool Playback::startsWhenSelected(int row) {
  S.AutoAdvance = S.AutoAdvanceChosen;
  return S.AutoAdvance && validRow(row) && S.Cues.CueTable[CueColumn::StartMode][row] == 1 &&
         !S.CueListByMouse;
}

int Playback::advanceDelayRow() const {
  return S.Rows.CurrentCue < S.Cues.CueFileRecords ? S.Rows.CurrentCue + 1 : 0;
}

void Playback::replayStarting(int row) {
  if (played(row)) S.AutoAdvance = false;
}

int Playback::outputLevel(int channel) const {
  if (channel < 1 || channel > S.MaxChannels) return -1;
  int ch = channel;
  if (S.Patch.ChannelFixture[size_t(channel)] > 0) {
    // A fixture channel drives its fixture's intensity channel (a 0-based edit index).
    const int intensity = S.Patch.IntensityChannel[size_t(channel)];
    if (intensity < 0 || intensity >= S.MaxChannels) return -1;
    ch = intensity + 1;
  }
  int address = 0;
  if (S.OneToOnePatch) {
    address = ch;
  } else {
    for (int d : S.Patch.table(S.UseRepPlot).addresses(ch))
      if (d >= 1 && d <= S.MaxChannels) {
        address = d;
        break;
      }
  }
  if (address < 1 || address > int(S.DmxOutBuffer.size())) return -1;
  return numberFromLevel(S.DmxOutBuffer[size_t(address - 1)], S.RawChannels[size_t(ch)]);
}
