#include "console/remote/osc_timecode.h"

#include <QStringList>
#include <cstdint>
#include <limits>

namespace {

std::optional<qint64> timecodeField(const QString& text) {
  const QString field = text.trimmed();
  int i = field.startsWith(u'+') || field.startsWith(u'-') ? 1 : 0;
  if (i >= field.size()) return std::nullopt;
  for (; i < field.size(); ++i)
    if (field[i] < u'0' || field[i] > u'9') return std::nullopt;
  bool ok = false;
  const qint64 value = field.toLongLong(&ok);
  if (!ok || value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<qint64> parseTimecode(const QString& text) {
  // Split at the first three colons only: the frames field is all that follows the third.
  qint64 fields[4];
  qsizetype start = 0;
  for (int f = 0; f < 4; ++f) {
    const qsizetype colon = f < 3 ? text.indexOf(u':', start) : text.size();
    if (colon < 0) return std::nullopt;
    const std::optional<qint64> value = timecodeField(text.mid(start, colon - start));
    if (!value) return std::nullopt;
    fields[f] = *value;
    start = colon + 1;
  }
  constexpr qint64 fps = kTimecodeFramesPerSecond;
  return fields[0] * 3600 * fps + fields[1] * 60 * fps + fields[2] * fps + fields[3];
}

void OscTimecode::cueSelected(int startMode, qint64 frames) {
  if (startMode == kTimecodeStartMode)
    arm(frames);
  else
    disarm();
}

bool OscTimecode::TimeCodecheck(qint64 frames) {
  if (!armed_ || frames < go_) return false;
  armed_ = false;
  return true;
}
