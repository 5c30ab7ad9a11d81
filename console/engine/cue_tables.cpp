#include "console/engine/cue_tables.h"

#include <limits>

#include "platform/record_file.h"

void CueTables::resize(int records) {
  const size_t n = size_t(qMax(records, 0)) + 1;
  for (auto& column : CueTable) column.assign(n, 0);
  for (auto& column : CueTexts) column.assign(n, QByteArray());
  CueListRows.assign(n, CueListRow());
}

QString CueTables::description(int row) const {
  const auto& c = CueTexts[CueTextColumn::Description];
  return row >= 0 && size_t(row) < c.size() ? fromWindows1252(c[row]) : QString();
}

QString CueTables::messageText(int row) const {
  const auto& c = CueTexts[CueTextColumn::MessageText];
  return row >= 0 && size_t(row) < c.size() ? fromWindows1252(c[row]) : QString();
}

QString CueTables::host(int row) const {
  const auto& c = CueTexts[CueTextColumn::Host];
  return row >= 0 && size_t(row) < c.size() ? fromWindows1252(c[row]) : QString();
}

int32_t fadeTicks(int32_t tenths, int stepsPerSecond) {
  const int64_t n = int64_t(tenths) * stepsPerSecond;
  int64_t q = n / 10;
  const int64_t rem = n % 10;  // same sign as n
  if (rem > 5 || (rem == 5 && (q % 2) != 0))
    ++q;
  else if (rem < -5 || (rem == -5 && (q % 2) != 0))
    --q;
  if (q > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (q < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(q);
}

namespace {
// value / 10^digits as the shortest decimal text.
QString scaledText(int64_t value, int digits, QChar separator) {
  int64_t scale = 1;
  for (int i = 0; i < digits; ++i) scale *= 10;
  const bool negative = value < 0;
  const uint64_t a = negative ? uint64_t(-value) : uint64_t(value);
  QString text = QString::number(a / scale);
  QString fraction = QString::number(a % scale).rightJustified(digits, '0');
  while (fraction.endsWith('0')) fraction.chop(1);
  if (!fraction.isEmpty()) text += separator + fraction;
  return negative ? "-" + text : text;
}
}  // namespace

QString cueNumberText(int32_t hundredths) { return scaledText(hundredths, 2, '.'); }

QString tenthsText(int32_t tenths, QChar decimalSeparator) { return scaledText(tenths, 1, decimalSeparator); }

QString cueTimeText(int32_t fadeUpTenths, int32_t fadeDownTenths, int32_t timingMode,
                    QChar decimalSeparator) {
  QString text = tenthsText(fadeUpTenths, decimalSeparator);
  if (timingMode == 1) text += ':' + tenthsText(fadeDownTenths, decimalSeparator);
  return text;
}

int cueIcon(int32_t startMode, int32_t advanceAfter, int32_t loopTarget, int32_t cueKind) {
  if (startMode == 1 && loopTarget <= 0) return kCueIconFollow;
  if (advanceAfter == 1) return kCueIconAdvanceAfter;
  if (loopTarget > 0) return kCueIconLoop;
  if (cueKind == 2) return kCueIconFollowspot;
  if (cueKind == 1) return kCueIconFile;
  if (cueKind == 3) return kCueIconOsc;
  if (startMode == 2) return kCueIconTimeCode;
  return kCueIconNone;
}
