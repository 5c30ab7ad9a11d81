#include "console/editors/cue_editor_fields.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "console/engine/console_state.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"

namespace {

int32_t roundedInt32(double v) {
  v = std::nearbyint(v);
  v = std::clamp(v, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max()));
  return int32_t(v);
}

bool parseTimeCodePart(const QString& text, int32_t& value) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok) return false;
  value = int16_t(v);
  return true;
}

}  // namespace

bool parseEditorDecimal(const QString& text, double& value, double empty) {
  const QString t = text.trimmed();
  if (t.isEmpty()) {
    value = empty;
    return true;
  }
  int digits = 0, dots = 0;
  for (QChar c : t) {
    if (c.isDigit() && c.unicode() < 128)
      ++digits;
    else if (c == u'.')
      ++dots;
    else
      return false;
  }
  if (digits == 0 || dots > 1) return false;
  bool ok = false;
  value = t.toDouble(&ok);  // QString::toDouble reads "." whatever the locale
  return ok;
}

int32_t tenthsFromSeconds(double seconds) { return roundedInt32(seconds * 10.0); }

int32_t hundredthsFromNumber(double number) { return roundedInt32(number * 100.0); }

bool timeCodeFrames(const QString& text, int32_t& frames) {
  // The last part is whatever follows the third colon.
  const QStringList first = text.split(u':');
  if (first.size() < 4) return false;
  int32_t hh = 0, mm = 0, ss = 0, ff = 0;
  const QString rest = first.mid(3).join(u':');
  if (!parseTimeCodePart(first[0], hh) || !parseTimeCodePart(first[1], mm) ||
      !parseTimeCodePart(first[2], ss) || !parseTimeCodePart(rest, ff))
    return false;
  const int64_t total = int64_t(hh) * 90000 + int64_t(mm) * 1500 + int64_t(ss) * 25 + ff;
  frames = int32_t(
      std::clamp<int64_t>(total, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  return true;
}

QString TCtoStr(int32_t frames) {
  const int32_t f = std::max<int32_t>(frames, 0);
  return QString::number(f / 90000) + ":" + QString::number((f % 90000) / 1500) + ":" +
         QString::number((f % 1500) / 25) + ":" + QString::number(f % 25);
}

QString secondsText(double seconds) {
  const double tenths = std::round(seconds * 10.0);
  QString s = QString::number(tenths / 10.0, 'f', 1);
  if (s.endsWith(".0")) s.chop(2);
  if (s == "-0") s = "0";
  return s;
}

CueEditorConversion convertCueEditorFields(const CueEditorFields& f) {
  CueEditorConversion r;
  auto decimal = [&r](const QString& field, const QString& text, double& v) {
    if (!r.badField.isEmpty()) return;
    if (!parseEditorDecimal(text, v)) {
      r.badField = field;
      r.badText = text;
    }
  };
  double number = 0, advance = 0, loop = 0;
  decimal("cuenum", f.number, number);
  decimal("advdelay", f.advanceDelay, advance);
  decimal("loopcue", f.loopTarget, loop);
  double upWait = 0, upFade = 0, downWait = 0, downFade = 0;
  switch (f.timingMode) {
    case 1:
      decimal("sbwaittime", f.brighterWait, upWait);
      decimal("sbfadetime", f.brighterFade, upFade);
      decimal("sdwaittime", f.dimmerWait, downWait);
      decimal("sdfadetime", f.dimmerFade, downFade);
      break;
    case 2:
      decimal("mfadewait", f.masterWait, upWait);
      decimal("mfadetime", f.masterFade, upFade);
      break;
    default:
      decimal("waittime", f.wait, upWait);
      decimal("cuetime", f.fade, upFade);
      break;
  }
  int32_t frames = 0;
  if (r.badField.isEmpty() && f.startMode == 2 && !timeCodeFrames(f.timeCode, frames)) {
    r.badField = "Timetime";
    r.badText = f.timeCode;
  }
  if (!r.badField.isEmpty()) return r;

  CueEditorValues& v = r.values;
  v.number = hundredthsFromNumber(number);
  v.fadeUp = tenthsFromSeconds(upFade);
  v.upDelay = tenthsFromSeconds(upWait);
  if (f.timingMode == 1) {
    v.fadeDown = tenthsFromSeconds(downFade);
    v.downDelay = tenthsFromSeconds(downWait);
  } else {
    v.fadeDown = v.fadeUp;
    v.downDelay = v.upDelay;
  }
  v.advanceDelay =
      int16_t(std::clamp<int32_t>(tenthsFromSeconds(advance), 0, std::numeric_limits<int16_t>::max()));
  v.loopTarget = hundredthsFromNumber(loop);
  v.loopCount =
      !f.loopCount.trimmed().isEmpty() && v.loopTarget != 0 ? StrToIntSafe(f.loopCount.trimmed()) : 0;
  v.timeCode = frames;
  r.ok = true;
  return r;
}

QByteArray cueEditorLevels(const ConsoleState& state, const std::function<QString(int)>& editText) {
  const int n = std::clamp(state.MaxChannels, 0, kCueLevelCount);
  QByteArray levels(n, '\0');
  for (int ch = 1; ch <= n; ++ch)
    levels[ch - 1] = char(levelFromNumber(StrToIntSafe(editText(ch).trimmed()), state.RawChannels[ch]));
  return levels;
}

CueRecord buildEditedCueRecord(const CueRecord& base, const CueEditorFields& f, const CueEditorValues& v,
                               const QByteArray& levels, int maxChannels, bool fileSource) {
  CueRecord r = base;
  r.cueNumber = v.number;
  r.setDescriptionText(f.description.trimmed());
  r.startMode = 0;
  if (f.startMode == 1) {
    r.startMode = 1;
    // A follow cue is shown indented by two blanks; saving it again does not indent it further.
    const QString d = f.description.startsWith("  ") ? f.description : "  " + f.description;
    r.setDescriptionText(d);
  } else if (f.startMode == 2) {
    r.startMode = 2;
    r.timeCode = v.timeCode;
  }
  r.advanceDelay = v.advanceDelay;
  r.advanceAfter = f.advanceAfter ? 1 : 0;
  r.timingMode = std::clamp(f.timingMode, 0, 2);
  r.fadeUpTime = v.fadeUp;
  r.upDelay = v.upDelay;
  r.fadeDownTime = v.fadeDown;
  r.downDelay = v.downDelay;
  r.loopTarget = v.loopTarget;
  if (r.loopTarget != 0) r.startMode = 1;
  r.loopCount = v.loopCount;
  r.loopFileKey = f.loopFileKey;
  if (r.levels.size() < kCueLevelCount) r.levels.append(QByteArray(kCueLevelCount - r.levels.size(), '\0'));
  for (int i = 0; i < levels.size() && i < kCueLevelCount; ++i) r.levels[i] = levels[i];
  r.cueKind = f.kind;
  r.textColour = f.kind == kCueFollowspotAlert ? f.followSpotColour : f.textColour;
  r.channelCountField = int16_t(maxChannels * 10 + (fileSource ? 0 : 1));
  r.formatMark = "X";
  if (f.kind == kCueOscCommand) {
    r.setMessageTextString(f.command);
    r.setHostString(f.address);
    r.port = StrToIntSafe(f.port.trimmed());
  } else if (f.kind == kCueCompanionMessage) {
    r.setMessageTextString(f.command);
  }
  return r;
}

CueEditTarget captureCueEditTarget(const ConsoleState& state, CueEditorMode mode, int listRow) {
  CueEditTarget target;
  target.mode = mode;
  target.cueFile = state.CueFileName;
  target.listRow = listRow;
  const CueTables& t = state.Cues;
  const int row = state.Rows.CurrentCue;
  const auto& numbers = t.CueTable[CueColumn::Number];
  if (row >= 1 && row <= t.CueCount && row < int(numbers.size())) {
    target.row = row;
    target.number = numbers[size_t(row)];
  }
  return target;
}

qint64 editedCueIndex(const CueEditTarget& target, const ConsoleState& state, qint64 records) {
  if (target.row < 1 || target.cueFile != state.CueFileName) return -1;
  const CueTables& t = state.Cues;
  const auto& numbers = t.CueTable[CueColumn::Number];
  const int rows = std::min<int>(t.CueCount, int(numbers.size()) - 1);
  auto holdsIt = [&](int row) {
    return row >= 1 && row <= rows && row <= records && numbers[size_t(row)] == target.number;
  };
  if (holdsIt(target.row)) return target.row - 1;
  for (int row = 1; row <= rows; ++row)
    if (holdsIt(row)) return row - 1;
  return -1;
}
