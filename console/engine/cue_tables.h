#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The cue file in memory, indexed by cue-list row (row r = record r-1; entry 0 unused; every column
// has records + 1 entries). Filled only by the cue reader (ReadCues); everything else reads it.

// Columns of `CueTable`.
struct CueColumn {
  enum : int {
    Number = 0,       // cue number x 100
    RowColour = 1,    // text colour of the row (0x00BBGGRR)
    FadeUpTicks = 2,  // fade-up time in fade ticks
    FadeDownTicks = 3,
    UpDelayTicks = 4,
    DownDelayTicks = 5,
    StartMode = 6,     // 0 play key, 1 auto play / follow, 2 time code
    AdvanceAfter = 7,  // 1 = advance after the advance delay
    TimingMode = 8,    // 0 single, 1 split, 2 master fade
    LoopTarget = 9,    // cue number x 100
    LoopCount = 10,
    LoopFileKey = 11,
    CueKind = 12,
    Unused = 13,  // always 0
    Port = 14,
    AdvanceDelay = 15,  // tenths of a second
    TimeCode = 16,      // frames at 25 per second
    Count = 17
  };
};

// Columns of `CueTexts`: 8-bit strings (the record's Windows-1252 characters, without the length
// byte). Levels holds the 1024 level bytes of the record.
struct CueTextColumn {
  enum : int { Description = 0, Levels = 1, MessageText = 2, Host = 3, Count = 4 };
};

// What the cue list shows for one row, so the list widget only paints.
struct CueListRow {
  QString number;          // column 0: cue number / 100 as shortest decimal text ("12.5", "1")
  QString description;     // column 1
  QString time;            // column 2: fade-up seconds, "up:down" for a split fade
  int32_t textColour = 0;  // font colour of columns 0-3 (0x00BBGGRR)
  int icon = -1;           // column 3: image index, -1 = none
};

struct CueTables {
  std::array<std::vector<int32_t>, CueColumn::Count> CueTable;
  std::array<std::vector<QByteArray>, CueTextColumn::Count> CueTexts;
  std::vector<CueListRow> CueListRows;  // same rows; entry 0 unused

  int CueFileRecords = 0;    // records in the file at the last reading
  int CueCount = 0;          // rows loaded (0 when the file is empty)
  bool CuesLoaded = false;   // a reading completed with rows
  bool LoadingCues = false;  // a reading is running

  // The last out-of-order cue of the last reading.
  bool CueOrderProblem = false;
  int CueOrderNumber = 0;  // whole part of its number / 100
  QString CueOrderText;    // its description, or "Duplicate- " + number + " " + description
  int CueOrderRow = 0;

  // Show-wide fields of record 0 at the last reading (0 when the file is empty).
  int16_t ChannelCountField = 0;
  int16_t ShowLock = 0;  // 1 = locked against cue changes

  // Sizes every column (and CueListRows) to records + 1 entries, all zero / empty.
  void resize(int records);

  // Text columns decoded for display and editing.
  QString description(int row) const;
  QString messageText(int row) const;
  QString host(int row) const;
};

// The playback rows the reader keeps in range: the selected row, the cue that last finished and
// the row selected before. 0 = none.
struct CuePlaybackRows {
  int CurrentCue = 0;
  int RunningCue = 0;
  int LastSelectedRow = 0;
};

// Round(tenths x stepsPerSecond / 10), halves to even, computed exactly.
int32_t fadeTicks(int32_t tenths, int stepsPerSecond);
// Cue number (hundredths) as shortest decimal text: 1250 -> "12.5", 100 -> "1", 1205 -> "12.05".
QString cueNumberText(int32_t hundredths);
// Tenths of a second as shortest decimal text with the given separator: 25 -> "2.5", 30 -> "3".
QString tenthsText(int32_t tenths, QChar decimalSeparator);
// The Time column: fade-up / 10, or for a split fade (timing mode 1) fade-up / 10 ":" fade-down / 10.
QString cueTimeText(int32_t fadeUpTenths, int32_t fadeDownTenths, int32_t timingMode, QChar decimalSeparator);

// Image indexes of the cue list's icon column.
enum CueIcon : int {
  kCueIconNone = -1,
  kCueIconAdvanceAfter = 1,
  kCueIconFollow = 2,
  kCueIconFollowspot = 3,
  kCueIconOsc = 4,
  kCueIconFile = 5,
  kCueIconTimeCode = 6,
  kCueIconLoop = 7,
};
// The first that applies: follow without loop target, advance-after, loop target, follow-spot
// alert, cue is a file, OSC command, time-code start; else none.
int cueIcon(int32_t startMode, int32_t advanceAfter, int32_t loopTarget, int32_t cueKind);
