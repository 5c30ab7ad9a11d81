#include "console/patch/fixture_map_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/patch/patch_tables.h"
#include "console/patch/soft_patch_file.h"

namespace fixture_tools {
namespace {

constexpr qint64 kMapBytes = qint64(kFixtureMapRecordSize) * kFixtureMapRecords;
// A map is small; anything far larger is not one.
constexpr qint64 kMaxMapFileBytes = kMapBytes * 16;

int addressLimit(int maxChannels) { return std::clamp(maxChannels, 0, patch::kMaxChannels); }

std::optional<int16_t> mapValue(const QString& text) {
  int v = 0;
  if (!patch::parseWholeNumber(text.trimmed(), v)) return std::nullopt;
  if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) return std::nullopt;
  return int16_t(v);
}

// The map's bytes with the four records put back in place; bytes after them stay as they were.
QByteArray withRecords(QByteArray bytes, const MapRecords& records) {
  if (bytes.size() < kMapBytes) bytes.resize(kMapBytes, '\0');
  for (int r = 0; r < kFixtureMapRecords; ++r)
    bytes.replace(r * kFixtureMapRecordSize, kFixtureMapRecordSize, encodeMapRecord(records[size_t(r)]));
  return bytes;
}

MessageSpec fixtureFileProblem(const QString& text) {
  return messageSpec("Fixture file problem", text, DialogIcon::Error);
}

}  // namespace

PatchFileResult readMapRecords(const QString& path, MapRecords& records, QByteArray* bytes) {
  QFile file(path);
  if (!file.exists()) return PatchFileResult::fileError(patch::fileNotFound(path));
  if (!file.open(QIODevice::ReadOnly)) return PatchFileResult::fileError(path + ": " + file.errorString());
  if (file.size() > kMaxMapFileBytes) return PatchFileResult::fileError(path + ": not a fixture map");
  const QByteArray all = file.readAll();
  if (all.size() != file.size()) return PatchFileResult::fileError(path + ": " + file.errorString());
  // Three records at least: record 3 was added later and reads as zeros when absent.
  if (all.size() < qint64(kFixtureMapRecordSize) * 3)
    return PatchFileResult::fileError(path + ": Read beyond end of file");
  for (int r = 0; r < kFixtureMapRecords; ++r) {
    records[size_t(r)].fill(0);
    const QByteArray record = all.mid(qsizetype(r) * kFixtureMapRecordSize, kFixtureMapRecordSize);
    if (record.size() == kFixtureMapRecordSize) decodeMapRecord(record, records[size_t(r)]);
  }
  if (bytes) *bytes = all;
  return PatchFileResult::success();
}

std::vector<DumpLine> dumpRecord(const QString& heading, const FixtureMap::Table& table, int maxChannels) {
  std::vector<DumpLine> lines;
  lines.push_back({{heading, false}});
  DumpLine buffer{{heading, false}};
  const int last = addressLimit(maxChannels);
  for (int a = 1; a <= last; ++a) {
    if (a % 100 == 0 && a <= 1000) {
      lines.push_back({{QString::number(a) + "+ ", false}});
      buffer.clear();
    }
    if (a % 20 == 0) {
      lines.back().push_back({"_ ", false});
      buffer.push_back({"_ ", false});
    }
    const DumpPiece piece{QString::number(table[size_t(a)]) + " ", table[size_t(a)] > 0};
    lines.back().push_back(piece);
    buffer.push_back(piece);
  }
  // The closing line repeats the text gathered since the last hundred, in plain colour.
  QString plain;
  for (const DumpPiece& p : buffer) plain += p.text;
  lines.push_back({{plain, false}});
  return lines;
}

std::optional<int> parseAddress(const QString& address) {
  const std::optional<int16_t> a = mapValue(address);
  if (!a || *a < 1 || *a > patch::kMaxChannels) return std::nullopt;
  return int(*a);
}

std::optional<AddressEntry> parseAddressEntry(const QString& address, const QString& start,
                                              const QString& minimum, const QString& type,
                                              const QString& colour, int maxChannels) {
  AddressEntry entry;
  // Write stays below the channel count: the last channel's address is not written here.
  const std::optional<int> a = parseAddress(address);
  if (!a || *a >= addressLimit(maxChannels)) return std::nullopt;
  entry.address = *a;
  const QString fields[kFixtureMapRecords] = {start, minimum, type, colour};
  for (int r = 0; r < kFixtureMapRecords; ++r) {
    const std::optional<int16_t> v = mapValue(fields[r]);
    if (!v) return std::nullopt;
    entry.values[size_t(r)] = *v;
  }
  return entry;
}

PatchFileResult writeAddress(const QString& mapPath, const AddressEntry& entry) {
  if (entry.address < 1 || entry.address > patch::kMaxChannels) return PatchFileResult::refused();
  MapRecords records;
  QByteArray bytes;
  const PatchFileResult read = readMapRecords(mapPath, records, &bytes);
  if (!read.ok()) return read;
  for (int r = 0; r < kFixtureMapRecords; ++r)
    records[size_t(r)][size_t(entry.address)] = entry.values[size_t(r)];
  return patch::writeWholeFile(mapPath, withRecords(bytes, records));
}

PatchFileResult readAddress(const QString& mapPath, int address,
                            std::array<int16_t, kFixtureMapRecords>& values) {
  if (address < 1 || address > patch::kMaxChannels) return PatchFileResult::refused();
  MapRecords records;
  const PatchFileResult read = readMapRecords(mapPath, records);
  if (!read.ok()) return read;
  for (int r = 0; r < kFixtureMapRecords; ++r) values[size_t(r)] = records[size_t(r)][size_t(address)];
  return PatchFileResult::success();
}

PatchFileResult resetWarmUp(const QString& mapPath, int maxChannels, int warmUpLevel) {
  MapRecords records;
  QByteArray bytes;
  const PatchFileResult read = readMapRecords(mapPath, records, &bytes);
  if (!read.ok()) return read;
  const int last = addressLimit(maxChannels);
  for (int a = 1; a <= last; ++a)
    if (records[0][size_t(a)] == 0) records[1][size_t(a)] = int16_t(warmUpLevel);
  return patch::writeWholeFile(mapPath, withRecords(bytes, records));
}

PatchFileResult listLibrary(const QString& libraryPath, QStringList& lines) {
  FixtureLibrary library;
  if (!readFixtureLibrary(libraryPath, library))
    return PatchFileResult::fileError(patch::fileNotFound(libraryPath));
  lines.clear();
  for (const FixtureTypeRecord& r : library)
    lines << QString::number(r.id) + " " + r.name + ", " + r.description;
  return PatchFileResult::success();
}

RebuildResult buildRebuiltRecords(const MapRecords& current, const QString& libraryPath,
                                  const QString& programFolder, MapRecords& rebuilt) {
  for (auto& t : rebuilt) t.fill(0);
  FixtureLibrary library;
  const bool libraryRead = readFixtureLibrary(libraryPath, library);
  const FixtureMap::Table& S = current[0];
  const FixtureMap::Table& T = current[2];
  auto put = [&](int record, int address, int value) {
    if (address >= 1 && address <= patch::kMaxChannels)
      rebuilt[size_t(record)][size_t(address)] = int16_t(value);
  };
  int p = 1;
  while (p <= patch::kMaxChannels) {
    const int start = S[size_t(p)];
    if (start < 1) {
      ++p;
      continue;
    }
    // A scroller address has no type of its own: it stays a scroller.
    if (start == kMoverScrollerChannel) {
      put(0, p, kMoverScrollerChannel);
      ++p;
      continue;
    }
    const int typeId = T[size_t(p)];
    const FixtureTypeRecord* type = libraryRead ? findFixtureType(library, typeId) : nullptr;
    if (!type)
      return {PatchFileResult::success(),
              fixtureFileProblem("The light number" + QString::number(typeId) + "is missing.")};
    const QString profile = channelTablePath(programFolder, type->name);
    if (!QFileInfo(profile).isFile())
      return {PatchFileResult::success(), fixtureFileProblem("A fixture profile is missing.\n\r" + profile)};

    const int n = std::max<int>(type->channelCount, 0);
    for (int k = 0; k < n; ++k) {
      put(0, p + k, start);
      put(1, p + k, -1);
      put(2, p + k, typeId);
    }
    if (type->intensity > 0) put(1, p + type->intensity - 1, type->minIntensity);
    // In this order, so a channel named for two roles keeps the later one.
    const std::pair<int, int> roles[] = {{type->red, 1},       {type->green, 2}, {type->blue, 3},
                                         {type->amber, 4},     {type->white, 5}, {type->lime, 6},
                                         {type->intensity, 99}};
    for (const auto& [channel, code] : roles)
      if (channel > 0) put(3, p + channel - 1, code);
    // A type without channels still moves on, so the rebuild always ends.
    p += std::max(n, 1);
  }
  return {PatchFileResult::success(), std::nullopt};
}

RebuildResult rebuildMap(const QString& mapPath, const QString& libraryPath, const QString& programFolder) {
  MapRecords current;
  const PatchFileResult read = readMapRecords(mapPath, current);
  if (!read.ok()) return {read, std::nullopt};
  MapRecords rebuilt;
  RebuildResult built = buildRebuiltRecords(current, libraryPath, programFolder, rebuilt);
  if (!built.ok()) return built;
  const QString temp = QFileInfo(patch::changeFileExt(mapPath, ".nmap")).fileName();
  return {patch::writeWholeFile(mapPath, withRecords(QByteArray(), rebuilt), temp), std::nullopt};
}

PatchFileResult rebuildHints(const QString& mapPath, const QString& libraryPath, const QString& programFolder,
                             int maxChannels, PatchGrid& grid, int* written) {
  MapRecords records;
  const PatchFileResult read = readMapRecords(mapPath, records);
  if (!read.ok()) return read;
  FixtureLibrary library;
  if (!readFixtureLibrary(libraryPath, library))
    return PatchFileResult::fileError(patch::fileNotFound(libraryPath));
  int count = 0;
  int previous = 0;
  const int last = addressLimit(maxChannels);
  for (int a = 1; a <= last; ++a) {
    const int s = records[0][size_t(a)];
    if (s == 0 || s == kMoverScrollerChannel || s == previous) continue;
    previous = s;
    const FixtureTypeRecord* type = findFixtureType(library, records[2][size_t(a)]);
    if (!type) continue;
    FixtureChannelTable table;
    if (!readChannelTable(channelTablePath(programFolder, type->name), table)) continue;
    const int n = std::min<int>(type->channelCount, kFixtureTableChannels);
    for (int k = 0; k < n; ++k) {
      // The grid holds the channels 1..MaxChannels: a fixture near the end stops at the last row.
      if (a + k > last) break;
      PatchGridRow* row = grid.rowForChannel(a + k);
      if (!row) break;
      row->description = table.function(k + 1);
      ++count;
    }
  }
  if (written) *written = count;
  return PatchFileResult::success();
}

}  // namespace fixture_tools
