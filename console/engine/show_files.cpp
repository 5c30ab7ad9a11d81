#include "console/engine/show_files.h"

#include <QFileInfo>
#include <map>

QString withCueExtension(const QString& name) {
  return name.endsWith(".lcue", Qt::CaseInsensitive) ? name : name + ".lcue";
}

bool sameFile(const QString& a, const QString& b) {
  const QFileInfo x(a), y(b);
  if (x.exists() && y.exists()) return x.canonicalFilePath() == y.canonicalFilePath();
  return x.absoluteFilePath() == y.absoluteFilePath();
}

QString backupShowSet(const ShowSetBackup& b) {
  std::vector<std::pair<QString, QString>> copies;  // source -> destination
  copies.push_back({b.cueFile, b.target});
  const QString sourceBase = b.fileSource ? b.programPath : b.cueFile;
  const QString destinationBase =
      b.fileSource ? QFileInfo(b.target).absolutePath() + "/vqlighting.lcue" : b.target;
  for (const char* ext : {".fmap", ".spch", ".scne", ".lfix", ".lgrp", ".mgrp", ".mchl", ".ini"})
    copies.push_back({patch::changeFileExt(sourceBase, ext), patch::changeFileExt(destinationBase, ext)});
  if (!b.fixtureLibrary.isEmpty())
    copies.push_back({b.fixtureLibrary,
                      QFileInfo(b.target).absolutePath() + "/" + QFileInfo(b.fixtureLibrary).fileName()});
  for (const auto& [source, destination] : copies) {
    // A destination that is a source of this backup is never written: it is the show itself.
    bool isSource = false;
    for (const auto& c : copies) isSource = isSource || sameFile(c.first, destination);
    if (isSource || !QFileInfo::exists(source)) continue;
    const PatchFileResult r = patch::copyOver(source, destination);
    if (!r.ok()) return r.error;
  }
  return {};
}

bool renumberCues(CueFile& file, int increment) {
  if (increment < 1) return false;
  const qint64 count = file.count();
  std::map<int32_t, int32_t> renumbered;  // old number -> new number
  std::vector<CueRecord> records;
  records.reserve(size_t(count));
  for (qint64 r = 0; r < count; ++r) {
    records.push_back(file.readRecord(r));
    const int32_t now = int32_t((r + 1) * increment * 100);
    renumbered.emplace(records.back().cueNumber, now);
  }
  for (qint64 r = 0; r < count; ++r) {
    CueRecord& c = records[size_t(r)];
    c.cueNumber = int32_t((r + 1) * increment * 100);
    if (c.loopTarget != 0)
      if (auto it = renumbered.find(c.loopTarget); it != renumbered.end()) c.loopTarget = it->second;
    file.writeRecord(r, c);
  }
  return true;
}

PatchFileResult rewriteWarmUp(FixtureMapFile& mapFile, const QString& path, int warmUp, FixtureMap& map) {
  mapFile.close();
  if (!mapFile.open(path)) return PatchFileResult::fileError(patch::fileNotFound(path));
  FixtureMap::Table start{}, record1{};
  if (!mapFile.readTable(FixtureMapRecord::Start, start) ||
      !mapFile.readTable(FixtureMapRecord::WarmUp, record1))
    return PatchFileResult::fileError(path + ": the fixture map could not be read. " +
                                      mapFile.records().errorString());
  map.FixtureStart = start;
  map.WarmUpLevels.fill(0);
  for (int a = 1; a <= patch::kMaxChannels; ++a)
    if (start[size_t(a)] == 0) {
      map.WarmUpLevels[size_t(a)] = int16_t(warmUp);
      record1[size_t(a)] = int16_t(warmUp);
    }
  if (!mapFile.writeTable(FixtureMapRecord::WarmUp, record1))
    return PatchFileResult::fileError(path + ": the fixture map could not be written. " +
                                      mapFile.records().errorString());
  return PatchFileResult::success();
}

QStringList takeOverScrollers(const QString& mapPath, const QString& list, int maxChannels,
                              PatchFileResult& result) {
  QStringList refused;
  FixtureMapFile map;
  FixtureMap::Table start{};
  if (!map.open(mapPath) || !map.readTable(FixtureMapRecord::Start, start)) {
    result = PatchFileResult::fileError(patch::fileNotFound(mapPath));
    return refused;
  }
  for (int a = 1; a <= maxChannels && a <= patch::kMaxChannels; ++a)
    if (start[size_t(a)] == 2000) start[size_t(a)] = 0;
  for (const QString& entry : list.split(' ', Qt::SkipEmptyParts)) {
    bool ok = false;
    const int a = entry.toInt(&ok);
    // An address outside the show, or one an installed fixture holds, is not a scroller's to take.
    if (!ok || a < 1 || a > maxChannels || a > patch::kMaxChannels || start[size_t(a)] != 0) {
      refused << entry;
      continue;
    }
    start[size_t(a)] = 2000;
  }
  result = map.writeTable(FixtureMapRecord::Start, start)
               ? PatchFileResult::success()
               : PatchFileResult::fileError(mapPath + ": the fixture map could not be written. " +
                                            map.records().errorString());
  return refused;
}
