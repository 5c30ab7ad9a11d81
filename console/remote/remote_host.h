#pragma once

// What the remote text commands and their transports need of the main window. Tform1 implements it;
// the remote side reaches the window through nothing else. Rows are cue-list rows (1-based),
// channels are channel numbers (1-based). Every call runs on the main thread; the playback calls may
// pump events while they wait, so remote input can arrive again inside them.
//
// An operation may throw a std::exception to report a failure: a command that fails that way is
// answered with "errorProblem with Cue syntax.".

#include <QByteArray>
#include <QString>

class RemoteHost {
 public:
  virtual ~RemoteHost() = default;

  // The cue tables.
  virtual int CueCount() const = 0;                      // rows 1..CueCount hold cues
  virtual int cueNumber(int row) const = 0;              // CueTable column 0: cue number x 100
  virtual int cueColour(int row) const = 0;              // CueTable column 1: the cue's colour value
  virtual QByteArray cueDescription(int row) const = 0;  // CueTexts column 0, Windows-1252 bytes
  virtual int CurrentCue() const = 0;                    // the selected row, 0 when none

  // Selection and playback.
  virtual void selectCueRow(int row) = 0;     // make `row` the cue list's current row (selection not run)
  virtual void setCurrentCue(int row) = 0;    // CurrentCue := row
  virtual void CueListClicked(int play) = 0;  // cue selection of the current row; LoadCue = CueListClicked(1)
  virtual void btnPlayClick() = 0;            // GO with its checks (interface, unrecorded changes, advance)
  virtual void SendCue() = 0;                 // start the current cue directly
  virtual void btnstoploopClick() = 0;        // stop the running loop
  virtual void keyend() = 0;                  // finish the running fade at once
  virtual void GoBack() = 0;                  // back one cue and play it
  virtual void btnRecordClick() = 0;          // record the live levels into the selected cue
  virtual void mreset() = 0;                  // replay the selected cue at once, dropping live changes

  // Levels.
  virtual int MaxChannels() const = 0;
  virtual bool isRawChannel(int channel) const = 0;        // RawChannels: the level is a DMX value 0..255
  virtual QString channelEditText(int channel) const = 0;  // the text of ChannelEdits[channel - 1]
  // Sets the text of ChannelEdits[channel - 1]; its change handler applies it through the patch.
  virtual void setChannelEditText(int channel, const QString& text) = 0;
  virtual void setCurrentLevel(int channel, float level) = 0;  // CurrentLevels[channel] (DMX, unrounded)
  virtual void sendDMX() = 0;                                  // send the output buffer
  // RemoteEdited: set by a remote "set", cleared when a remote client connects (and by the
  // unrecorded-changes prompt once the remote was asked to save).
  virtual void setRemoteEdited(bool edited) = 0;

  // Logging and the window around the remote side.
  virtual int LogLevel() const = 0;
  virtual void toolLog(const QString& line) = 0;   // a line for the inspection tool's log (Display)
  virtual void writeLog(const QString& line) = 0;  // a line for the log file (WriteLog)
  // The inspection tool's follow-spot send button caption ("Send" once a client is connected).
  virtual void setToolSendCaption(const QString& caption) = 0;
  virtual void focusCueList() = 0;  // keyboard focus to the cue list
  // An error for the application-wide handler (MyExceptionHandler), e.g. the reply file not written.
  virtual void reportError(const QString& message) = 0;
};
