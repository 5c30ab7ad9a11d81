#include "console/engine/preference_rules.h"

#include <QStringList>
#include <algorithm>

namespace {
bool singleUniverse(int interfaceType) {
  return interfaceType == 0 || interfaceType == 1 || interfaceType == 7;
}
}  // namespace

QString capChannelCountText(const QString& text, int interfaceType) {
  bool ok = false;
  const int n = text.toInt(&ok);
  const int limit = singleUniverse(interfaceType) ? 512 : 1024;
  return ok && n > limit ? QString::number(limit) : text;
}

int channelCountDigits(int interfaceType) { return singleUniverse(interfaceType) ? 3 : 4; }

QString bandListFromCell(const QString& cell) {
  const QStringList entries = cell.trimmed().split(' ', Qt::SkipEmptyParts);
  return "|" + entries.join('|') + "|";
}

QString cellFromBandList(const QString& list) { return QString(list).replace('|', ' ').trimmed(); }

bool bandMinimumFromCell(const QString& cell, int& minimum) {
  const QString t = cell.trimmed();
  if (t.isEmpty()) {
    minimum = 0;
    return true;
  }
  bool ok = false;
  const int v = t.toInt(&ok);
  if (!ok) return false;
  minimum = std::clamp(v, 0, 255);
  return true;
}
