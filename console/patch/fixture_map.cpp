#include "console/patch/fixture_map.h"

#include <QFileInfo>

QByteArray encodeMapRecord(const FixtureMap::Table& table) {
  QByteArray record(kFixtureMapRecordSize, '\0');
  for (int a = 1; a <= patch::kMaxChannels; ++a) le::put16(record, 2 * (a - 1), uint16_t(table[a]));
  return record;
}

void decodeMapRecord(const QByteArray& record, FixtureMap::Table& table) {
  for (int a = 1; a <= patch::kMaxChannels; ++a) table[a] = le::i16(record, 2 * (a - 1));
}

bool FixtureMapFile::readTable(FixtureMapRecord record, FixtureMap::Table& table) {
  QByteArray bytes;
  if (!file_.read(int(record), bytes)) return false;
  decodeMapRecord(bytes, table);
  return true;
}

bool FixtureMapFile::writeTable(FixtureMapRecord record, const FixtureMap::Table& table) {
  return file_.write(int(record), encodeMapRecord(table)) && file_.flush();
}

QByteArray newFixtureMapBytes(int warmUpLevel) {
  FixtureMap::Table zeros{};
  FixtureMap::Table warmUp{};
  warmUp.fill(int16_t(warmUpLevel));
  return encodeMapRecord(zeros) + encodeMapRecord(warmUp) + encodeMapRecord(zeros) + encodeMapRecord(zeros);
}

PatchFileResult CreatenewFile(const QString& path, int warmUpLevel) {
  return patch::writeWholeFile(path, newFixtureMapBytes(warmUpLevel));
}

PatchFileResult Newmapfile(PatchContext& ctx) {
  if (ctx.FileSource) return CreatenewFile(ctx.FixtureMapName, ctx.WarmUpLevel);

  const DialogResult answer = patch::operatorOf(ctx).ask(
      "Fixture File", "Would you like to use an existing\n\rfile as your base for this show?",
      DialogIcon::Confirmation, DialogButtons::YesNo);
  ctx.FixtureMapName = patch::changeFileExt(ctx.CueFileName, ".fmap");
  if (answer != DialogResult::Yes) return CreatenewFile(ctx.FixtureMapName, ctx.WarmUpLevel);

  const QString chosen = ctx.openFile
                             ? ctx.openFile(OpenFileRequest{.filter = "Fixture Files (*.fmap)|*.FMAP",
                                                            .defaultExt = "fmap",
                                                            .title = "Select Directory and File name",
                                                            .fileName = QString(),
                                                            .mustExist = true,
                                                            .initialFolder = QString()})
                             : QString();
  if (chosen.isEmpty()) return PatchFileResult::success();
  return patch::copyOver(chosen, ctx.FixtureMapName);
}

PatchFileResult writeFixtureStartRecord(const QString& path, const FixtureMap::Table& fixtureStart) {
  FixtureMapFile map;
  if (!QFileInfo::exists(path)) return PatchFileResult::fileError(patch::fileNotFound(path));
  if (!map.open(path)) return PatchFileResult::fileError(path + ": " + map.records().errorString());
  if (!map.writeTable(FixtureMapRecord::Start, fixtureStart))
    return PatchFileResult::fileError(path + ": " + map.records().errorString());
  map.close();
  return PatchFileResult::success();
}

PatchFileResult readFixtureMapAtActivation(FixtureMapFile& mapFile, const QString& path, int maxChannels,
                                           FixtureMap& map) {
  mapFile.close();
  if (!QFileInfo::exists(path)) return PatchFileResult::fileError(patch::fileNotFound(path));
  if (!mapFile.open(path)) return PatchFileResult::fileError(path + ": " + mapFile.records().errorString());
  FixtureMap::Table start{};
  if (!mapFile.readTable(FixtureMapRecord::Start, start))
    return PatchFileResult::fileError(path + ": Read beyond end of file");
  map.FixtureStart = start;

  const int channels = std::clamp(maxChannels, 0, patch::kMaxChannels);
  FixtureMap::Table warmUp{};
  const bool haveWarmUp = mapFile.readTable(FixtureMapRecord::WarmUp, warmUp);
  for (int ch = 1; ch <= channels; ++ch) {
    const bool usable = haveWarmUp && warmUp[ch] >= 0 && start[ch] != kMoverScrollerChannel;
    // A level is one byte: a larger stored value is the top level, never its low byte.
    map.WarmUpLevels[ch] = usable ? std::min<int16_t>(warmUp[ch], 255) : 0;
  }
  return PatchFileResult::success();
}
