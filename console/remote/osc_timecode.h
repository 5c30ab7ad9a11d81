#pragma once

// Time code: "hh:mm:ss:ff" at 25 frames per second, and the trigger that presses GO once when the
// received time code reaches the selected cue's time.

#include <QString>
#include <optional>

inline constexpr int kTimecodeFramesPerSecond = 25;

// The frame count of a TimecodeText: four decimal integers separated by ":" (the last is all that
// follows the third colon), each a signed 16-bit value; hh x 90000 + mm x 1500 + ss x 25 + ff,
// computed in 64 bits. Blanks around a field are allowed. Nothing when the text does not convert.
std::optional<qint64> parseTimecode(const QString& text);

// The time-code trigger. Arming follows the cue selection: selecting a cue that starts by time code
// arms the trigger at that cue's time code; selecting any other cue disarms it, and so does starting
// the cue (by the time code or by hand), so a cue is fired at most once per selection. When armed,
// the first time code at or past the trigger time fires GO once and disarms.
class OscTimecode {
 public:
  // Start mode of a cue (CueTable column 6) that starts by time code.
  static constexpr int kTimecodeStartMode = 2;

  bool TimecodeArmed() const { return armed_; }
  qint64 TimecodeGo() const { return go_; }
  // The trigger time, as the cue editor sets it when it saves a time-code cue; the armed state
  // does not change.
  void setTimecodeGo(qint64 frames) { go_ = frames; }
  void arm(qint64 frames) {
    go_ = frames;
    armed_ = true;
  }
  void disarm() { armed_ = false; }
  // Cue selection: start mode and time code (columns 6 and 16) of the selected cue.
  void cueSelected(int startMode, qint64 frames);
  // The selected cue starts. GO selects the current cue again before it starts it, which would arm
  // the trigger anew; starting it disarms, so a time code that stays past the trigger time does not
  // start the cue again and again.
  void cueStarted() { disarm(); }

  // True (and disarmed) when armed and frames is at or past the trigger time: the caller presses
  // GO. False otherwise, with nothing changed.
  bool TimeCodecheck(qint64 frames);

 private:
  bool armed_ = false;
  qint64 go_ = 0;
};
