#pragma once

#include <QString>

#include "console/engine/cue_file.h"
#include "console/engine/cue_tables.h"
#include "platform/operator.h"

// Opening a show's cue file (the first part of `OpenCueFile`): the missing-file message, the
// conversion of an old file, and the questions on the setting and the channel count the first record
// was written with. The side-file names are derived by the caller before, and what follows a
// successful opening (soft patch, scenes, `ReadCues`, missing fixture map and soft patch, hints,
// groups, black-out) is the caller's after.

struct CueOpenSettings {
  bool FileSource = true;
  int MaxChannels = 256;
};

// The main window's side of an opening. Every method has a do-nothing default.
class CueOpenHost {
 public:
  virtual ~CueOpenHost() = default;
  // Close the fixture-map and scene files (errors ignored) before the cue file is opened.
  virtual void closeSideFiles() {}
  // After the "Loading Cue File error" box: close the splash window, rebuild the grid (`Redraw`),
  // set every level edit to "0" with `UpdatingEdits` set around it.
  virtual void cueFileMissing() {}
  // Let pending window messages run.
  virtual void processMessages() {}
  // After the "Settings mismatch" question, whatever the answer: clear the cue list's cells, write
  // [CueFile] Last := the cue file name, close the splash window.
  virtual void settingsQuestionAnswered() {}
  // The channel-count question was answered No: close the splash window.
  virtual void channelCountDeclined() {}
};

enum class CueOpenStatus {
  Missing,               // no name or no file: message shown, nothing else changed
  TooLarge,              // far larger than any cue file: reported, left as it is, opened as missing
  Empty,                 // the file has no whole record: nothing of the show is loaded (a file
                         // that is not empty is reported damaged once)
  SettingsDeclined,      // No to "Settings mismatch"
  ChannelCountDeclined,  // No to "Channel count mismatch"
  Opened,                // go on loading the show; the cue file is open
};

struct CueOpenResult {
  CueOpenStatus Status = CueOpenStatus::Missing;
  bool Converted = false;  // an old file was rewritten in the new layout
  bool Locked = false;     // record 0's lock is 1: check "Lock out Cue changes", CueChangesAllowed := false
};

// Opens `cueFileName` into `cueFile` (CuesLoaded := false first). An old file is converted
// (`ConvertFile`) and opened again. I/O errors throw CueFileError. The questions and messages are put
// to `op`.
CueOpenResult OpenCueFile(const QString& cueFileName, CueFile& cueFile, CueTables& tables,
                          const CueOpenSettings& settings, CueOpenHost& host, Operator& op);
