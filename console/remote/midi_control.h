#pragma once

// What MIDI messages do to the console (on every MIDI channel alike):
//
//   control change  3-10   submaster fader 1-8 := Trunc((value + 1) / 1.27)
//   control change 23-30   submaster 1-8 becomes the current strip; its fader := the larger of the
//                          value last set through 3-10 and Round(value / 1.27)
//   control change 123     black-out toggle
//   note on n              select cue n - 1 and GO (no GO when it is the last row); nothing when
//                          n - 1 equals the selected row's index
//   program change p       select cue p - 1
//
// Any control change also clears the unrecorded-changes flag. Cues are found by their number
// (CueTable column 0), so the cue list's order or gaps do not matter.

#include <QString>

#include "console/remote/midi_input.h"

struct ConsoleState;

// The main window's side of the map.
class MidiHost {
 public:
  virtual ~MidiHost() = default;
  virtual int cueNumber(int row) const = 0;   // CueTable column 0 of a valid row, else 0
  virtual void selectRow(int row) = 0;        // make `row` the cue list's current row
  virtual void CueListClicked(int play) = 0;  // cue selection of the current row
  virtual void btnPlayClick() = 0;            // GO
  virtual void btnBlackClick() = 0;           // black-out toggle
  virtual void toolLog(const QString& line) = 0;
  virtual void writeLog(const QString& line) = 0;
};

// The submaster side of the map. The submaster window implements it and connects it through
// Tform1::setMidiSubmasters(); until one is connected, controllers 3-10 and 23-30 move nothing.
class MidiSubmasters {
 public:
  virtual ~MidiSubmasters() = default;
  // The caption of strip `strip` (0-7); "Unused" for a strip that holds no submaster.
  virtual QString stripTitle(int strip) const = 0;
  // Marks the submaster's channels for MIDI use.
  virtual void Setsub(int strip) = 0;
  // Sets the fader (0-100) and returns its value after the change.
  virtual int setFader(int strip, int value) = 0;
  // Makes `strip` the submaster window's current strip.
  virtual void setCurrentStrip(int strip) = 0;
};

class RemoteDispatcher;

class MidiControlMap {
 public:
  MidiControlMap(ConsoleState& state, MidiHost& host) : S(state), host_(host) {}
  void setSubmasters(MidiSubmasters* submasters) { subs_ = submasters; }
  // With a dispatcher, the MIDI event takes its messages from the dispatcher's turn (after any
  // open question) instead of at once.
  void setDispatcher(RemoteDispatcher* dispatcher) { dispatcher_ = dispatcher; }

  // Applies one message. False when a controller of an "Unused" strip ends the event.
  bool apply(const MidiShortMessage& message);
  // The MIDI event: takes and applies queued messages while there are any. Before MidiReady the
  // queued messages are dropped; an "Unused" strip leaves the rest queued for the next event.
  void MidiInput1MidiInput(TMidiInput& input);

  // Fader values of the two controller ranges (0-100), computed exactly.
  static int levelFader(int value);   // Trunc((value + 1) / 1.27)
  static int pickupFader(int value);  // Round(value / 1.27), halves to even

 private:
  void takeMessages(TMidiInput& input);
  bool controlChange(int controller, int value);
  void selectCue(int number, bool play);
  int findCue(int number) const;

  ConsoleState& S;
  MidiHost& host_;
  MidiSubmasters* subs_ = nullptr;
  RemoteDispatcher* dispatcher_ = nullptr;
  bool handling_ = false;
};
