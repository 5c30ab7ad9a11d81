#pragma once

// Raw service access to the fixture map and the fixture library: a dump of the four records, one
// address read or written, warm-up levels of free addresses, a map rebuilt from the installed
// fixtures' types, the patch descriptions rebuilt from the types' channel tables, and a listing of
// the library. Every change goes through a checked save, so a refused or failed operation leaves
// the map file as it was.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "console/patch/fixture_map.h"
#include "console/patch/patch_context.h"
#include "platform/question.h"

struct PatchGrid;

namespace fixture_tools {

using MapRecords = std::array<FixtureMap::Table, kFixtureMapRecords>;

// Reads the four records of the map. A map of three records (written before the attribute record
// existed) reads a zeroed record 3. The whole file's bytes go to `bytes` when given.
PatchFileResult readMapRecords(const QString& path, MapRecords& records, QByteArray* bytes = nullptr);

// One piece of a dump line: its text and whether it is shown in red.
struct DumpPiece {
  QString text;
  bool red = false;
};
using DumpLine = std::vector<DumpPiece>;

// The dump of one record as the log shows it: the heading line (e.g. "FMap[0] ") followed by the
// values of addresses 1..maxChannels, each value and a blank, red when above 0; "_ " before every
// twentieth address; a new line "100+ ", "200+ " ... "1000+ " at each hundred; and last a plain
// line repeating what followed the last such line.
std::vector<DumpLine> dumpRecord(const QString& heading, const FixtureMap::Table& table, int maxChannels);

// The values a Write puts at one address, checked before the map is opened.
struct AddressEntry {
  int address = 0;
  std::array<int16_t, kFixtureMapRecords> values{};  // records 0..3: start, minimum, type, colour
};
// The fields as typed: address, start, minimum (may be negative), type and colour. Empty: every
// field must be a whole number in the range of a map value, the address at least 1 and below
// maxChannels.
std::optional<AddressEntry> parseAddressEntry(const QString& address, const QString& start,
                                              const QString& minimum, const QString& type,
                                              const QString& colour, int maxChannels);
// An address for Read: any address of the map, 1..1024, whatever the channel count.
std::optional<int> parseAddress(const QString& address);

PatchFileResult writeAddress(const QString& mapPath, const AddressEntry& entry);
PatchFileResult readAddress(const QString& mapPath, int address,
                            std::array<int16_t, kFixtureMapRecords>& values);

// Record 1 := warmUpLevel at every address 1..maxChannels whose record-0 value is 0.
PatchFileResult resetWarmUp(const QString& mapPath, int maxChannels, int warmUpLevel);

// The library as listed: "id name, description" per record.
PatchFileResult listLibrary(const QString& libraryPath, QStringList& lines);

// The outcome of a rebuild: a file error, or the dialog that stopped it before anything was written.
struct RebuildResult {
  PatchFileResult file;
  std::optional<MessageSpec> problem;
  bool ok() const { return file.ok() && !problem; }
};

// The map rebuilt from record 0 (starts) and record 2 (types) of the current map and the library:
// every fixture gets its start, type, minimum intensity and colour roles again; scroller addresses
// (2000) stay scrollers; addresses without a fixture get 0. The new map is written to the map's name
// with ".nmap" and then renamed over the map. A type missing from the library or a channel table
// missing from "lcsv/" stops the rebuild with its dialog and the map untouched.
RebuildResult rebuildMap(const QString& mapPath, const QString& libraryPath, const QString& programFolder);

// The map's records as built by the rebuild (no files written), for checking and for rebuildMap.
RebuildResult buildRebuiltRecords(const MapRecords& current, const QString& libraryPath,
                                  const QString& programFolder, MapRecords& rebuilt);

// The descriptions of the patch grid rebuilt from the channel tables of the installed fixtures: the
// function text of channel k of a fixture starting at address a goes to the description of channel
// a + k - 1. Channels past the grid's last row are never touched. Returns the number of descriptions
// written.
PatchFileResult rebuildHints(const QString& mapPath, const QString& libraryPath, const QString& programFolder,
                             int maxChannels, PatchGrid& grid, int* written = nullptr);

}  // namespace fixture_tools
