#include "console/engine/bump_tags.h"

#include <cfenv>
#include <cmath>

std::optional<int> bumpTagTime(const QString& afterTag) {
  const qsizetype open = afterTag.indexOf(u'(');
  if (open < 0) return std::nullopt;
  QString text = afterTag.mid(open + 1);
  const qsizetype close = text.indexOf(u')');
  if (close >= 0) text.truncate(close);
  bool ok = false;
  const double seconds = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 2.0e6) return std::nullopt;
  // nearbyint rounds half to even in the default rounding mode.
  return int(std::nearbyint(seconds * 1000.0));
}

void readBumpTags(const QString& description, const AddressList& addresses, BumpMemberTables& members,
                  std::array<int, kBumpTagKeys>& intervals, const std::function<void()>& badTime) {
  static const char* const kPrefixes[4] = {"NBUMP", "FBUMP", "TBUMP", "ABUMP"};
  static const BumpKind kKinds[4] = {BumpKind::Normal, BumpKind::Fade, BumpKind::Timed, BumpKind::Alternate};
  const QString text = description.toUpper();
  for (int16_t address : addresses) {
    if (address < 1 || address >= kBumpMemberSlots) continue;
    for (int p = 0; p < 4; ++p) {
      const QString prefix = QLatin1String(kPrefixes[p]);
      if (!text.contains(prefix)) continue;
      const int kind = int(kKinds[p]);
      for (int key = 0; key < kBumpTagKeys; ++key) {
        const QString tag = prefix + QString::number(key + 5);
        const qsizetype at = text.indexOf(tag);
        members[size_t(kind * kBumpTagKeys + key)][size_t(address)] = at >= 0;
        if (at < 0 || kKinds[p] != BumpKind::Timed) continue;
        const std::optional<int> ms = bumpTagTime(text.mid(at + tag.size()));
        if (!ms && badTime) badTime();
        intervals[size_t(key)] = ms.value_or(0);
      }
    }
  }
}
