#include "console/patch/patch_editing.h"

#include <algorithm>

namespace {

QStringList entriesOf(const QString& text) { return text.trimmed().split(' '); }

QString addressOf(const QString& entry) {
  const qsizetype slash = entry.indexOf('/');
  return slash < 0 ? entry : entry.left(slash);
}

bool listHolds(const QString& dimmerList, const QString& address) {
  return dimmerList.contains("|" + address + "|");
}

QString rowText(const PatchGridRow& r) {
  return r.label + "\r\n" + r.dimmer + "\r\n" + r.fixture + "\r\n" + r.description + "\r\n";
}

bool validAddress(int a) { return a >= 1 && a <= patch::kMaxChannels; }

}  // namespace

int logicalCompare(QStringView a, QStringView b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const QChar ca = a[i], cb = b[j];
    if (ca.isDigit() && cb.isDigit()) {
      qsizetype ei = i, ej = j;
      while (ei < a.size() && a[ei].isDigit()) ++ei;
      while (ej < b.size() && b[ej].isDigit()) ++ej;
      // Compare the runs by value: skip leading zeros, then length, then digits.
      qsizetype si = i, sj = j;
      while (si < ei - 1 && a[si] == '0') ++si;
      while (sj < ej - 1 && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      for (qsizetype k = 0; k < ei - si; ++k)
        if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k] ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const QChar la = ca.toLower(), lb = cb.toLower();
    if (la != lb) return la < lb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

void sortPatchRows(std::vector<PatchGridRow>& rows, int column) {
  const auto cell = [column](const PatchGridRow& r) -> const QString& {
    return column == 1 ? r.dimmer : r.label;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const PatchGridRow& x, const PatchGridRow& y) {
    const int c = logicalCompare(cell(x), cell(y));
    if (c != 0) return c < 0;
    return logicalCompare(rowText(x), rowText(y)) < 0;
  });
}

PatchEdit applyDimmerEdit(PatchGrid& grid, PatchTables& tables, DimmerTable& table, int maxChannels,
                          int channel, const QString& text) {
  PatchEdit result;
  PatchGridRow* row = grid.rowForChannel(channel);
  if (!row) return result;
  row->dimmer = text;
  result.changed.push_back(channel);
  if (text.trimmed().isEmpty()) {
    table.set(channel, "||", maxChannels);
    return result;
  }
  const QStringList entries = entriesOf(text);
  // Every address is checked before anything else changes, so a mistyped entry leaves every
  // channel's list as it was.
  for (const QString& entry : entries) {
    int a = 0;
    const QString address = addressOf(entry);
    if (!address.isEmpty() && !patch::parseWholeNumber(address, a)) {
      result.ok = false;
      result.error = "'" + address + "' is not a valid integer value";
      return result;
    }
  }
  for (const QString& entry : entries) {
    const QString address = addressOf(entry);
    if (address.isEmpty()) continue;
    for (int i = 1; i <= maxChannels; ++i) {
      if (i == channel || !listHolds(table[i], address)) continue;
      PatchGridRow* other = grid.rowForChannel(i);
      if (!other) continue;
      QStringList kept;
      for (const QString& e : entriesOf(other->dimmer))
        if (!e.isEmpty() && addressOf(e) != address) kept << e;
      other->dimmer = kept.join(' ');
      // The other channel lets go of the address at once, so no address is driven by two channels.
      table.set(i, buildDimmerList(other->dimmer.trimmed(), tables.PatchPercent), maxChannels);
      if (std::find(result.changed.begin(), result.changed.end(), i) == result.changed.end())
        result.changed.push_back(i);
    }
  }
  table.set(channel, buildDimmerList(text.trimmed(), tables.PatchPercent), maxChannels);
  return result;
}

PatchEdit applyFixtureEdit(PatchGrid& grid, DimmerTable& table, int maxChannels, int channel) {
  PatchEdit result;
  if (PatchGridRow* row = grid.rowForChannel(channel)) row->dimmer.clear();
  table.set(channel, "||", maxChannels);
  result.changed.push_back(channel);
  return result;
}

FixtureRule fixtureRuleFor(const QString& text, int channel, const FixtureMap& map, int maxChannels) {
  int a = 0;
  const QString first = entriesOf(text).value(0);
  if (!patch::parseWholeNumber(first, a) || !validAddress(a) || map.FixtureTypes[size_t(a)] == 0)
    return FixtureRule::None;
  if (text == QString::number(channel)) return FixtureRule::Remove;
  if (a <= maxChannels) return FixtureRule::AskAdd;
  return FixtureRule::None;
}

std::optional<MessageSpec> Addpatches(PatchGrid& grid, int c, const FixtureMap::Table& fixtureStart) {
  const PatchGridRow* own = grid.rowForChannel(c);
  if (!own) return std::nullopt;
  const QStringList entries = entriesOf(own->dimmer);
  int e0 = 0;
  if (!patch::parseWholeNumber(entries.value(0), e0) || !validAddress(e0)) return std::nullopt;
  const int s = fixtureStart[size_t(e0)];
  if (!validAddress(s)) return std::nullopt;
  const int k = int(entries.size()) - 1;
  for (int m = 1; s + m <= patch::kMaxChannels && fixtureStart[size_t(s + m)] == s; ++m) {
    PatchGridRow* next = grid.rowForChannel(c + m);
    if (!next) break;
    if (!next->dimmer.isEmpty() && next->dimmer != QString::number(c + m)) {
      return messageSpec("Fixture softpatch already assigned",
                         "Channel " + QString::number(c + m) + " is assigned to " + next->dimmer + ".",
                         DialogIcon::Error, DialogButtons::Cancel);
    }
    next->dimmer = QString::number(s + m);
    if (!(c == s && k >= 1))
      if (PatchGridRow* taken = grid.rowForChannel(s + m)) taken->dimmer.clear();
    for (int j = 1; j <= k; ++j) {
      int ej = 0;
      if (!patch::parseWholeNumber(entries[j], ej)) continue;
      next->dimmer += " " + QString::number(ej + m);
      if (PatchGridRow* taken = grid.rowForChannel(ej + m)) taken->dimmer.clear();
    }
  }
  return std::nullopt;
}

void Removepatches(PatchGrid& grid, int c, const QString& cellBefore, const FixtureMap::Table& fixtureStart) {
  const QStringList old = entriesOf(cellBefore);
  int a = 0;
  if (patch::parseWholeNumber(old.value(0), a) && validAddress(a))
    for (int i = a; i <= patch::kMaxChannels && fixtureStart[size_t(i)] == a; ++i)
      if (PatchGridRow* row = grid.rowForChannel(c + (i - a))) row->dimmer = QString::number(c + (i - a));
  for (const QString& entry : old) {
    int e = 0;
    if (!patch::parseWholeNumber(entry, e) || !validAddress(e)) continue;
    const int s = fixtureStart[size_t(e)];
    if (!validAddress(s)) continue;
    for (int j = s; j <= patch::kMaxChannels && fixtureStart[size_t(j)] == s; ++j)
      if (PatchGridRow* row = grid.rowForChannel(j)) row->dimmer = QString::number(j);
  }
}

int channelHoldingAddress(const DimmerTable& table, int maxChannels, int address) {
  const QString needle = "|" + QString::number(address) + "|";
  for (int i = 1; i <= maxChannels; ++i)
    if (table[i].contains(needle)) return i;
  return 0;
}

QStringList unpatchedLines(const DimmerTable& table, int maxChannels) {
  std::vector<bool> driven(size_t(patch::kAddressSlots), false);
  for (int i = 1; i <= maxChannels; ++i)
    forEachDimmerEntry(table[i], [&driven](QStringView e) {
      int a = 0;
      if (patch::parseWholeNumber(e, a) && a >= 1 && a < patch::kAddressSlots) driven[size_t(a)] = true;
    });
  QStringList lines;
  QString running;
  for (int d = 1; d <= maxChannels; ++d) {
    if (driven[size_t(d)]) continue;
    running += ", " + QString::number(d);
    if (running.size() > 78) {
      lines << running.mid(2);
      running.clear();
    }
  }
  lines << running.mid(2);
  return lines;
}
