#include "console/patch/fixture_install.h"

#include <QFileInfo>
#include <algorithm>

namespace {

PatchFileResult mapError(const QString& path, FixtureMapFile& map) {
  if (!QFileInfo::exists(path)) return PatchFileResult::fileError(patch::fileNotFound(path));
  return PatchFileResult::fileError(path + ": " + map.records().errorString());
}

// The in-memory warm-up level of an address from its record 1 value, as the map is read at
// activation: fixture channels (negative) and mover/scroller addresses have none.
int16_t warmUpInMemory(int16_t record1, int16_t start) {
  return record1 >= 0 && start != kMoverScrollerChannel ? record1 : 0;
}

bool writeRecords(FixtureMapFile& file, const FixtureMap& r) {
  return file.writeTable(FixtureMapRecord::Start, r.FixtureStart) &&
         file.writeTable(FixtureMapRecord::WarmUp, r.WarmUpLevels) &&
         file.writeTable(FixtureMapRecord::Types, r.FixtureTypes) &&
         file.writeTable(FixtureMapRecord::Attributes, r.FixtureAttributes);
}

// Frees address a in the stored records and the in-memory map.
void freeAddress(FixtureMap& records, FixtureMap& map, int a, int warmUpLevel) {
  records.FixtureStart[a] = 0;
  records.WarmUpLevels[a] = int16_t(warmUpLevel);
  records.FixtureTypes[a] = 0;
  records.FixtureAttributes[a] = 0;
  map.FixtureStart[a] = 0;
  map.WarmUpLevels[a] = int16_t(warmUpLevel);
  map.FixtureTypes[a] = 0;
  map.FixtureAttributes[a] = 0;
}

QString addressPart(const QString& entry) {
  const qsizetype slash = entry.indexOf(u'/');
  return slash < 0 ? entry : entry.left(slash);
}

}  // namespace

SelectedTypeLayout layoutOfType(const FixtureTypeRecord& type, const FixtureChannelTable& table) {
  SelectedTypeLayout l;
  l.IntensityOffset = type.intensity;
  l.RedOffset = type.red;
  l.GreenOffset = type.green;
  l.BlueOffset = type.blue;
  l.AmberOffset = type.amber;
  l.PanRange = type.panRange;
  l.PanOffset = int16_t(panRow(table));
  l.lime = type.lime >= 1;
  l.WhiteOffset = l.lime ? type.lime : type.white;
  return l;
}

bool readFixtureMapRecords(const QString& mapPath, FixtureMap& r) {
  FixtureMapFile file;
  if (!QFileInfo::exists(mapPath) || !file.open(mapPath)) return false;
  if (!file.readTable(FixtureMapRecord::Start, r.FixtureStart) ||
      !file.readTable(FixtureMapRecord::WarmUp, r.WarmUpLevels) ||
      !file.readTable(FixtureMapRecord::Types, r.FixtureTypes))
    return false;
  if (!file.readTable(FixtureMapRecord::Attributes, r.FixtureAttributes)) r.FixtureAttributes.fill(0);
  return true;
}

PatchFileResult Newfixture(FixtureInstallContext& ctx, int s, const FixtureTypeRecord& type,
                           const FixtureChannelTable& table, const QString& note,
                           const FixtureLibrary& library) {
  const int n = type.channelCount;
  const int last = std::min(ctx.patch.MaxChannels, patch::kMaxChannels);
  if (n < 1 || n > kMaxFixtureChannels || s < 1 || s + n - 1 > last) {
    patch::operatorOf(ctx.patch).ask("Fixture Address problem",
                                     "A fixture of " + QString::number(n) +
                                         " channels does not fit at address " + QString::number(s) + ".",
                                     DialogIcon::Error, DialogButtons::Cancel);
    return PatchFileResult::refused();
  }

  const QString& path = ctx.patch.FixtureMapName;
  FixtureMapFile file;
  if (!QFileInfo::exists(path) || !file.open(path)) return mapError(path, file);
  FixtureMap records;
  if (!file.readTable(FixtureMapRecord::Start, records.FixtureStart)) return mapError(path, file);
  ctx.map.FixtureStart = records.FixtureStart;
  if (!file.readTable(FixtureMapRecord::WarmUp, records.WarmUpLevels) ||
      !file.readTable(FixtureMapRecord::Types, records.FixtureTypes))
    return mapError(path, file);
  if (!file.readTable(FixtureMapRecord::Attributes, records.FixtureAttributes))
    records.FixtureAttributes.fill(0);

  for (int a = s; a <= s + n - 1; ++a) {
    if (records.FixtureStart[a] == 0) continue;
    if (patch::operatorOf(ctx.patch).ask(
            "Fixture Address warning",
            "Channel " + QString::number(a) + " is already assigned.\n\rClick OK to override.",
            DialogIcon::Warning, DialogButtons::OkCancel) != DialogResult::Ok)
      return PatchFileResult::refused();
  }

  // An earlier instance at s that reached further keeps no addresses beyond the new extent.
  for (int a = s + n; a <= patch::kMaxChannels && records.FixtureStart[a] == s; ++a) {
    freeAddress(records, ctx.map, a, ctx.patch.WarmUpLevel);
    if (PatchGridRow* row = ctx.grid.rowForChannel(a)) row->description.clear();
  }

  for (int a = s; a <= s + n - 1; ++a) {
    records.FixtureStart[a] = int16_t(s);
    records.WarmUpLevels[a] = -1;
    records.FixtureTypes[a] = int16_t(type.id);
  }
  if (type.intensity > 0 && type.intensity <= n)
    records.WarmUpLevels[s + type.intensity - 1] = int16_t(std::clamp<int>(type.minIntensity, 0, 255));

  if (const FixtureTypeRecord* rec = findFixtureType(library, type.id)) {
    const std::pair<int, int16_t> roles[] = {{rec->red, kRoleRed},
                                             {rec->green, kRoleGreen},
                                             {rec->blue, kRoleBlue},
                                             {rec->amber, kRoleAmber},
                                             {rec->white, kRoleWhite},
                                             {rec->lime, kRoleLime},
                                             {rec->intensity, kRoleIntensity}};
    for (const auto& [offset, role] : roles)
      if (offset > 0 && s + offset - 1 <= patch::kMaxChannels)
        records.FixtureAttributes[s + offset - 1] = role;
  } else {
    patch::operatorOf(ctx.patch).ask("Fixture file problem",
                                     "The fixture number " + QString::number(type.id) + " was not found.",
                                     DialogIcon::Error, DialogButtons::Ok);
  }

  if (!writeRecords(file, records)) return mapError(path, file);
  file.close();

  for (int a = s; a <= s + n - 1; ++a) {
    ctx.map.FixtureStart[a] = records.FixtureStart[a];
    ctx.map.WarmUpLevels[a] = warmUpInMemory(records.WarmUpLevels[a], records.FixtureStart[a]);
    ctx.map.FixtureTypes[a] = records.FixtureTypes[a];
    ctx.map.FixtureAttributes[a] = records.FixtureAttributes[a];
  }

  const QString trimmedNote = note.trimmed();
  for (int i = 1; i <= n; ++i)
    if (PatchGridRow* row = ctx.grid.rowForChannel(s + i - 1))
      row->description = table.function(i) + " " + trimmedNote;
  return SavePatchfile(ctx.patch, ctx.tables, ctx.grid, ctx.map.FixtureStart, ctx.bumpSceneTable);
}

PatchFileResult DelAddress(FixtureInstallContext& ctx, int s) {
  if (s < 1 || s > patch::kMaxChannels) return PatchFileResult::refused();
  const QString& path = ctx.patch.FixtureMapName;
  FixtureMapFile file;
  if (!QFileInfo::exists(path) || !file.open(path)) return mapError(path, file);
  FixtureMap records;
  if (!file.readTable(FixtureMapRecord::Start, records.FixtureStart) ||
      !file.readTable(FixtureMapRecord::WarmUp, records.WarmUpLevels) ||
      !file.readTable(FixtureMapRecord::Types, records.FixtureTypes))
    return mapError(path, file);
  if (!file.readTable(FixtureMapRecord::Attributes, records.FixtureAttributes))
    records.FixtureAttributes.fill(0);

  // The fixture's addresses: those the map gives to s, from s on.
  std::vector<int> addresses;
  for (int a = s; a <= patch::kMaxChannels && records.FixtureStart[a] == s; ++a) addresses.push_back(a);

  const int channels = std::clamp(ctx.patch.MaxChannels, 1, patch::kMaxChannels);
  const QString fixtureText = QString::number(s);
  for (int a : addresses) {
    freeAddress(records, ctx.map, a, ctx.patch.WarmUpLevel);
    if (PatchGridRow* row = ctx.grid.rowForChannel(a)) {
      row->description.clear();
      row->dimmer = QString::number(a);
    }
    const QString addressText = QString::number(a);
    for (int j = 1; j <= channels; ++j) {
      PatchGridRow* row = ctx.grid.rowForChannel(j);
      if (!row) continue;
      if (row->fixture.trimmed() == fixtureText) row->fixture.clear();
      const QStringList entries = row->dimmer.split(u' ', Qt::SkipEmptyParts);
      if (entries.size() > 1) {
        QStringList kept;
        for (const QString& e : entries)
          if (addressPart(e) != addressText) kept << e;
        row->dimmer = kept.join(u' ');
      } else if (entries.size() == 1 && entries[0] == addressText) {
        row->dimmer = QString::number(j);
      }
    }
  }
  // A fixture field naming s is cleared even when the map no longer held the fixture.
  for (int j = 1; j <= channels; ++j)
    if (PatchGridRow* row = ctx.grid.rowForChannel(j); row && row->fixture.trimmed() == fixtureText)
      row->fixture.clear();

  if (!writeRecords(file, records)) return mapError(path, file);
  file.close();
  return SavePatchfile(ctx.patch, ctx.tables, ctx.grid, ctx.map.FixtureStart, ctx.bumpSceneTable);
}

std::vector<int> installedInstances(const PatchTables& tables, const FixtureMap& map, int maxChannels,
                                    int typeId) {
  std::vector<int> starts;
  const int channels = std::clamp(maxChannels, 0, patch::kMaxChannels);
  for (int ch = 1; ch <= channels; ++ch)
    for (int16_t a : tables.PatchTable.addresses(ch)) {
      if (a < 1 || a > patch::kMaxChannels) continue;
      if (map.FixtureTypes[a] != typeId || map.FixtureStart[a] != a) continue;
      if (std::find(starts.begin(), starts.end(), a) == starts.end()) starts.push_back(a);
    }
  return starts;
}

PatchFileResult clearTypeFromMap(const QString& mapPath, FixtureMap& map, int maxChannels, int id) {
  FixtureMapFile file;
  if (!QFileInfo::exists(mapPath) || !file.open(mapPath)) return mapError(mapPath, file);
  FixtureMap::Table start{}, types{};
  if (!file.readTable(FixtureMapRecord::Start, start) || !file.readTable(FixtureMapRecord::Types, types))
    return mapError(mapPath, file);
  const int channels = std::clamp(maxChannels, 0, patch::kMaxChannels);
  for (int a = 1; a <= channels; ++a) {
    if (types[a] != id) continue;
    types[a] = 0;
    start[a] = 0;
    map.FixtureTypes[a] = 0;
    map.FixtureStart[a] = 0;
  }
  if (!file.writeTable(FixtureMapRecord::Types, types) || !file.writeTable(FixtureMapRecord::Start, start))
    return mapError(mapPath, file);
  return PatchFileResult::success();
}

ScrollerSaveResult saveScrollerList(const QString& mapPath, FixtureMap& map, int maxChannels,
                                    const QString& memo, Operator& op) {
  FixtureMapFile file;
  if (!QFileInfo::exists(mapPath) || !file.open(mapPath)) return {mapError(mapPath, file)};
  FixtureMap::Table start{};
  if (!file.readTable(FixtureMapRecord::Start, start)) return {mapError(mapPath, file)};
  const int channels = std::clamp(maxChannels, 0, patch::kMaxChannels);
  for (int a = 1; a <= channels; ++a)
    if (start[a] == kMoverScrollerChannel) start[a] = 0;

  const QStringList entries = memo.trimmed().split(u' ', Qt::SkipEmptyParts);
  for (const QString& entry : entries) {
    int a = 0;
    if (!patch::parseWholeNumber(entry, a) || a < 1 || a > patch::kMaxChannels) {
      op.ask("Mover/Scroller Soft Patch problem",
             "There is a problem with Mover/Scroller " + entry + ". Changes not saved.", DialogIcon::Error);
      return {PatchFileResult::refused()};
    }
    if (start[a] != 0) {
      op.ask("Mover/Scroller Address problem",
             "Mover/Scroller channel " + entry + " is already assigned or an LED. Changes not saved.",
             DialogIcon::Error);
      return {PatchFileResult::refused(), true};
    }
    start[a] = kMoverScrollerChannel;
  }
  if (!file.writeTable(FixtureMapRecord::Start, start)) return {mapError(mapPath, file)};
  map.FixtureStart = start;
  return {PatchFileResult::success()};
}

QStringList fixturesInUse(const FixtureMap& map, const FixtureLibrary& library, int maxChannels) {
  QStringList lines;
  const int channels = std::clamp(maxChannels, 0, patch::kMaxChannels);
  for (int a = 1; a <= channels;) {
    const int start = map.FixtureStart[a];
    if (start < 1 || start > 1999) {
      ++a;
      continue;
    }
    const int id = map.FixtureTypes[a];
    if (const FixtureTypeRecord* type = findFixtureType(library, id)) {
      lines << QString::number(a) + " - " + type->name;
      a += std::max<int>(1, type->channelCount);
    } else {
      lines << QString::number(a) + " - " + QString::number(id) + " not found!";
      // Without its type the fixture's extent is what the map gives to the same start.
      const int first = a;
      ++a;
      while (a <= channels && map.FixtureStart[a] == map.FixtureStart[first]) ++a;
    }
  }
  return lines;
}
