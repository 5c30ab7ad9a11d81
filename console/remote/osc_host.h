#pragma once

// What the OSC side needs of the main window. Tform1 implements it; OSC input reaches the window
// through nothing else. Rows are cue-list rows (1-based), channels are channel numbers (1-based),
// addresses are DMX addresses (1-based). Every call runs on the main thread; the playback calls may
// show dialogs or pump events while they wait, so OSC input can arrive again inside them.
//
// An operation may throw a std::exception to report a failure: a text command that fails that way
// is reported as an unrecognised OSC message.

#include <QString>
#include <cstdint>
#include <set>
#include <span>

#include "console/remote/input_dialogs.h"
#include "platform/operator.h"

class OscHost {
 public:
  virtual ~OscHost() = default;

  // The cue tables.
  virtual int CueCount() const = 0;          // rows 1..CueCount hold cues
  virtual int cueNumber(int row) const = 0;  // CueTable column 0: cue number x 100

  // Selection and playback.
  virtual void selectRow(int row) = 0;        // make `row` the cue list's current row (selection not run)
  virtual void CueListClicked(int play) = 0;  // cue selection of the current row
  virtual void btnPlayClick() = 0;            // GO with its checks
  virtual void btnBlackClick() = 0;           // black-out
  virtual void keyend() = 0;                  // finish the running fade at once

  // Levels.
  virtual int MaxChannels() const = 0;
  // The DMX addresses the soft patch lists for a channel, in order (the parsed DimmerList).
  virtual std::span<const int16_t> patchAddresses(int channel) const = 0;
  // DmxOutBuffer[address - 1] := level and CurrentLevels[address] := level.
  virtual void setOutputLevel(int address, uint8_t level) = 0;
  virtual void sendDMX() = 0;  // send the output buffer

  // Sound-to-light settings.
  virtual void setEosenabled(bool enabled) = 0;  // the Eosenabled flag
  // Reloads the band minimums from the sound-to-light band file (the sound-to-light window's
  // Readosc); the new minimums must reach SoundToLight::setMinimum.
  virtual void Readosc() = 0;

  // Logging.
  virtual int LogLevel() const = 0;
  virtual void writeLog(const QString& line) = 0;  // a line for the log file (WriteLog)
};

// Dialogs raised by network input, asked through the operator: at most one of a kind (title) is
// open at a time. A dialog asked for while another of its kind is still open, or raised by a
// datagram that arrived while one was open, is written to the log instead, so a stream of bad
// datagrams cannot stack dialogs on the operator, nor queue them up one after the other.
class OscDialogGate {
 public:
  OscDialogGate(OscHost& host, Operator& op)
      : dialogs_(op, [&host](const QString& line) { host.writeLog(line); }) {}

  // A datagram arrived: its number, for show().
  quint64 arrived() { return dialogs_.arrived(); }
  // Shows the dialog, or logs it as above. True when it was shown.
  bool show(const MessageSpec& spec, quint64 arrival = 0) { return dialogs_.show(spec.title, spec, arrival); }
  bool isOpen(const QString& title) const { return dialogs_.isOpen(title); }
  Operator& op() const { return dialogs_.op(); }
  void setOperator(Operator& op) { dialogs_.setOperator(op); }

 private:
  InputDialogs dialogs_;
};
