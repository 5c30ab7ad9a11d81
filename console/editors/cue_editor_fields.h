#pragma once

// What the cue editor's fields mean as record values: the texts the operator typed, checked and
// converted all at once before anything is written, and the record built from them over the record
// it replaces. Numbers take "." as the decimal separator whatever the locale.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "console/engine/console_state.h"
#include "console/engine/cue_record.h"

// The editor's fields as texts and choices.
struct CueEditorFields {
  QString number;       // cue call, in cues ("12.5")
  QString description;  // as typed (trimmed on saving unless the cue follows)
  int kind = kCueNormalDmx;
  int startMode = 0;  // 0 play key, 1 auto play / follow, 2 time code
  QString timeCode;   // "hh:mm:ss:ff"
  bool advanceAfter = false;
  QString advanceDelay;  // seconds
  QString loopTarget = "0";
  QString loopCount = "0";
  int timingMode = 0;  // 0 single, 1 split, 2 master fade
  QString wait, fade;  // single fade, seconds
  QString brighterWait, brighterFade, dimmerWait, dimmerFade;
  QString masterWait, masterFade;
  QString command, address, port;  // message cues
  int loopFileKey = 0;
  int textColour = 0;               // the colour dialog's colour (0x00BBGGRR)
  int followSpotColour = 0x00FF00;  // text colour of a follow-spot alert
};

// The fields' numbers, converted.
struct CueEditorValues {
  int32_t number = 0;                                            // hundredths
  int32_t fadeUp = 0, fadeDown = 0, upDelay = 0, downDelay = 0;  // tenths
  int16_t advanceDelay = 0;                                      // tenths, within the 16-bit field
  int32_t loopTarget = 0;                                        // hundredths
  int32_t loopCount = 0;
  int32_t timeCode = 0;  // frames at 25 per second
};

struct CueEditorConversion {
  bool ok = false;
  CueEditorValues values;
  QString badField;  // the first field that is not a number (its control name) and its text
  QString badText;
};

// A decimal number of digits with at most one "."; an empty (or blank) text reads as `empty`.
bool parseEditorDecimal(const QString& text, double& value, double empty = 0.0);
// Round(seconds x 10) (halves to even), kept within 32 bits.
int32_t tenthsFromSeconds(double seconds);
// Round(number x 100) (halves to even): 1.15 gives 115, 2.5 gives 250.
int32_t hundredthsFromNumber(double number);
// A `TimecodeText` "hh:mm:ss:ff" as frames at 25 per second: hh x 90000 + mm x 1500 + ss x 25 + ff,
// each part a signed 16-bit number (blanks around it allowed). False when a part is not a number.
bool timeCodeFrames(const QString& text, int32_t& frames);
// `TCtoStr`: frames as "h:m:s:f" without leading zeros (93829 gives "1:2:33:4").
QString TCtoStr(int32_t frames);
// Seconds shown as "0.#": one decimal at most, "." as separator (2.5, 3, 0).
QString secondsText(double seconds);

// Converts every number the fields hold, the way Save stores it.
CueEditorConversion convertCueEditorFields(const CueEditorFields& fields);

// The level bytes Save stores for channels 1..maxChannels: the number typed in each channel's level
// edit, as DMX for a raw channel and as percent otherwise, limited to 0..255.
QByteArray cueEditorLevels(const ConsoleState& state, const std::function<QString(int channel)>& editText);

// The record Save writes: `base` (the record at the target place, or a new record) with every field
// the editor owns set from `fields`/`values`; the levels of channels 1..levels.size() replaced.
CueRecord buildEditedCueRecord(const CueRecord& base, const CueEditorFields& fields,
                               const CueEditorValues& values, const QByteArray& levels, int maxChannels,
                               bool fileSource);

// The cue an editor was opened on, taken as it opens: its Save writes there, whatever cue is
// selected (by the operator, a remote command, a fade) by the time Save is pressed.
struct CueEditTarget {
  CueEditorMode mode = CueEditorMode::EditSelected;
  QString cueFile;     // the show's cue file
  int row = 0;         // the cue row selected when it opened (1-based; 0 none)
  int32_t number = 0;  // that cue's number (hundredths)
  int listRow = 0;     // the cue list's current row when it opened (where an insert goes)
};

// Takes the target of an editor opening in `mode` on the selected cue of `state`.
CueEditTarget captureCueEditTarget(const ConsoleState& state, CueEditorMode mode, int listRow);

// The record an edit of `target` writes over (0-based): the cue's row while it still holds the cue,
// else the first row holding the cue's number now (the operator moved it meanwhile); -1 when no
// row holds it any more or another cue file is open.
qint64 editedCueIndex(const CueEditTarget& target, const ConsoleState& state, qint64 records);
