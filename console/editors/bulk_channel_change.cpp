#include "console/editors/bulk_channel_change.h"

#include <algorithm>
#include <cmath>

#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"

namespace {
int32_t hundredths(const QString& text) {
  const double v = StrToFloatSafe(text.trimmed()) * 100.0;
  if (!std::isfinite(v)) return 0;
  return int32_t(std::clamp(std::round(v), -2147483648.0, 2147483647.0));
}
}  // namespace

std::vector<CueRange> parseCueList(const QString& text) {
  std::vector<CueRange> out;
  for (const QString& element : text.split(',')) {
    if (element.trimmed().isEmpty()) continue;
    const qsizetype dash = element.indexOf('-');
    if (dash >= 0) {
      out.push_back({hundredths(element.left(dash)), hundredths(element.mid(dash + 1))});
    } else {
      const int32_t n = hundredths(element);
      out.push_back({n, n});
    }
  }
  return out;
}

BulkOutcome applyBulkChange(CueFile& file, const ConsoleState& S, const BulkChangeRequest& q) {
  BulkOutcome out;
  if (q.channel.isEmpty() || !file.isOpen()) return out;
  const int offset = q.universe2 ? 512 : 0;
  const int ch = StrToIntSafe(q.channel) + offset;
  if (q.cues.isEmpty()) return out;
  int ch2 = 0;
  if (q.mode == BulkMode::Move) {
    if (q.target.isEmpty()) return out;
    ch2 = StrToIntSafe(q.target) + offset;
  }
  // Every channel is checked before anything is written.
  std::vector<int> channels{ch};
  if (q.mode == BulkMode::Move) channels.push_back(ch2);
  for (int c : channels) {
    if (c < 1 || c > S.MaxChannels || c > kCueLevelCount) {
      out.status = BulkStatus::ChannelOutOfRange;
      out.badChannel = c;
      return out;
    }
  }
  int newLevel = StrToIntSafe(q.newLevel);
  int oldLevel = StrToIntSafe(q.oldLevel);
  if (!S.RawChannels[size_t(ch)]) {
    if (newLevel > 100 || (q.mode == BulkMode::Change && oldLevel > 100)) {
      out.status = BulkStatus::IntensityChannel;
      return out;
    }
    newLevel = percentToDmx(std::max(0, newLevel));
    oldLevel = percentToDmx(std::max(0, oldLevel));
  }
  newLevel = std::clamp(newLevel, 0, 255);
  oldLevel = std::clamp(oldLevel, 0, 255);
  const uint8_t warmUp = uint8_t(S.Fixtures.WarmUpLevels[size_t(ch)] & 0xFF);

  const std::vector<CueRange> ranges = parseCueList(q.cues);
  const qint64 records = std::min<qint64>(S.Cues.CueCount, file.count());
  out.status = BulkStatus::Done;
  for (const CueRange& range : ranges) {
    for (qint64 r = 0; r < records; ++r) {
      CueRecord rec = file.readRecord(r);
      if (rec.cueNumber < range.a || rec.cueNumber > range.b) continue;
      QByteArray& levels = rec.levels;
      const uint8_t before = uint8_t(levels[ch - 1]);
      bool changed = false;
      switch (q.mode) {
        case BulkMode::AddTo:
          changed = before != newLevel;
          levels[ch - 1] = char(newLevel);
          break;
        case BulkMode::Move:
          changed = uint8_t(levels[ch2 - 1]) != before || before != warmUp;
          levels[ch2 - 1] = char(before);
          levels[ch - 1] = char(warmUp);
          break;
        case BulkMode::Change:
          if (before == oldLevel) {
            const uint8_t after =
                uint8_t(std::max<int>(newLevel, S.Fixtures.WarmUpLevels[size_t(ch)]) & 0xFF);
            changed = after != before;
            levels[ch - 1] = char(after);
          }
          break;
      }
      if (changed) {
        file.writeRecord(r, rec);
        ++out.recordsWritten;
      }
      // The list is taken to be in ascending order: past the end of the range, the scan stops.
      if (r + 1 < records && file.readRecord(r + 1).cueNumber > range.b) break;
    }
  }
  return out;
}
