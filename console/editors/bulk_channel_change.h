#pragma once

// Changing one channel's stored level in many cues at once, directly in the cue file: set it
// ("Add to"), move it to another channel ("Move to Channel:") or replace one level by another
// ("Change"). The cues are a list of cue numbers and ranges ("1-3,7"). Each changed record is
// written back in place, one at a time.

#include <QString>
#include <cstdint>
#include <vector>

class CueFile;
struct ConsoleState;

enum class BulkMode { AddTo, Move, Change };

// What the dialog's fields hold.
struct BulkChangeRequest {
  BulkMode mode = BulkMode::AddTo;
  QString channel;   // "Channel:"
  QString target;    // the channel a move goes to
  QString newLevel;  // "New Level:"
  QString oldLevel;  // "From Level:"
  QString cues;      // "Cue Numbers to make Change to:"
  bool universe2 = false;
};

// One element of a cue list: cue numbers a..b in hundredths.
struct CueRange {
  int32_t a = 0;
  int32_t b = 0;
  friend bool operator==(const CueRange&, const CueRange&) = default;
};

// The ranges of a cue list: elements split at ",", "a-b" or one number; numbers rounded to
// hundredths (1.15 is 115); an unreadable number counts as 0; empty elements are skipped.
std::vector<CueRange> parseCueList(const QString& text);

enum class BulkStatus {
  Done,
  NothingToDo,        // an empty channel, cue list or target, or no show open: nothing happens
  IntensityChannel,   // a percent level above 100
  ChannelOutOfRange,  // a channel outside 1..MaxChannels (`badChannel` names it)
};

struct BulkOutcome {
  BulkStatus status = BulkStatus::NothingToDo;
  int badChannel = 0;
  int recordsWritten = 0;
};

// Checks the request against the show and, when it holds, rewrites the listed cues in `file`
// (the first `S.Cues.CueCount` records). Nothing is written unless the status is Done. A failing
// write throws CueFileError; records written before it stay written, the others are untouched.
BulkOutcome applyBulkChange(CueFile& file, const ConsoleState& S, const BulkChangeRequest& request);
