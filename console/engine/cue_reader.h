#pragma once

#include <QString>

#include "console/engine/cue_file.h"
#include "console/engine/cue_submaster_file.h"
#include "console/engine/cue_tables.h"
#include "platform/operator.h"

// Reading the cue file into the cue tables (`ReadCues`). The reader does the data work; the window
// work around it (caption, cue list, colours, activation, prompter, submaster window) is done by the
// host it is given, at the points where it belongs in the reading.

struct CueReadSettings {
  int StepsPerSecond = 20;
  int MaxChannels = 256;
  QString DecimalSeparator = ".";  // of the Time column (the user's locale)
  bool UseRepPlot = false;
  QString ProgramFolder;  // where "rep_plot.subs" lives
  int WarmUpLevel = 0;    // setting WarmUp: the floor for submaster memberships
};

// The main window's side of a reading. Every method has a do-nothing default.
class CueReadHost {
 public:
  virtual ~CueReadHost() = default;
  // The file was reopened: let pending window messages run.
  virtual void processMessages() {}
  // The tables hold the new rows (CueCount of them, CueListRows ready): rebuild the cue list from
  // CueListRows. With rows (CueCount > 0) also set the caption (`SetCaption`), clear the eight
  // play-key cue slots and fit the description column. Called with CueCount 0 for an empty file, so
  // the list of a previous show does not stay on screen.
  virtual void cueListLoaded() {}
  // Row `row` is a follow-spot alert: start the prompter unless its window exists, wait 300 ms.
  virtual void followSpotCueRead(int /*row*/) {}
  // The rows are loaded (CuesLoaded set): `SetColor`, the running cue's number cell (RunningCue > 0)
  // gets 0x0C50DA, then the activation handling (`FormActivate`).
  virtual void cuesLoaded() {}
  // The submaster file was read (also after an empty cue file): apply it to the submaster window;
  // when !setup.exists every channel's submaster level := its warm-up level.
  virtual void submastersRead(const SubmasterFileSetup& /*setup*/) {}
  // The end of every reading of an existing file: `MidiReady` := true.
  virtual void readingFinished() {}
};

enum class CueReadStatus {
  Missing,   // no such file: "Loading Cue File error" shown, tables unchanged
  TooLarge,  // far larger than any cue file: reported, left as it is, read as missing
  Empty,     // no records: tables cleared, no cue selected or running
  Loaded,
};

// Reads the cue file `path` (reopening `cueFile` on it) into `tables`, then the submaster file.
// Keeps `rows` within the rows read: an empty file resets all three to 0; otherwise the last selected
// row becomes 1 and a RunningCue or CurrentCue beyond the last row is cleared or moved to it.
// Makes the file's folder the current directory. I/O errors throw CueFileError. Messages (missing or
// refused cue file, refused submaster file) are put to `op`.
CueReadStatus readCueFile(const QString& path, CueFile& cueFile, CueTables& tables, CuePlaybackRows& rows,
                          const CueReadSettings& settings, CueReadHost& host, Operator& op);
