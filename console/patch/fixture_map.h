#pragma once

// The fixture map of a show: four records of 1024 signed 16-bit little-endian values, one value
// per DMX address, 8192 bytes with no header.
//   record 0  FixtureStart       start address of the fixture on the address; 0 free; 2000 mover/scroller
//   record 1  warm-up levels     floor level of free addresses; -1 on fixture channels, the type's
//                                minimum intensity on a fixture's intensity channel
//   record 2  FixtureTypes       fixture type id, 0 none
//   record 3  FixtureAttributes  role in the fixture: 1 red 2 green 3 blue 4 amber 5 white 6 lime 99
//   intensity

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "console/patch/patch_context.h"
#include "console/patch/patch_tables.h"
#include "platform/record_file.h"

inline constexpr int kFixtureMapRecordSize = 2048;
inline constexpr int kFixtureMapRecords = 4;
inline constexpr int16_t kMoverScrollerChannel = 2000;  // FixtureStart code of a mover/scroller address

enum class FixtureMapRecord { Start = 0, WarmUp = 1, Types = 2, Attributes = 3 };

// The map as the main window holds it, each table indexed by DMX address 1..1024 (entry 0 unused).
// WarmUpLevels is derived from record 1 (fixture channels and mover/scroller addresses get 0).
struct FixtureMap {
  using Table = std::array<int16_t, patch::kTableSize>;
  Table FixtureStart{};
  Table WarmUpLevels{};
  Table FixtureTypes{};
  Table FixtureAttributes{};
};

// One record's bytes from a table (addresses 1..1024) and back.
QByteArray encodeMapRecord(const FixtureMap::Table& table);
void decodeMapRecord(const QByteArray& record, FixtureMap::Table& table);

// The fixture map file handle the main window keeps open between operations.
class FixtureMapFile {
 public:
  bool open(const QString& path) { return file_.open(path); }
  void close() { file_.close(); }
  bool isOpen() const { return file_.isOpen(); }
  QString path() const { return file_.path(); }
  qint64 count() const { return file_.count(); }
  bool readTable(FixtureMapRecord record, FixtureMap::Table& table);
  bool writeTable(FixtureMapRecord record, const FixtureMap::Table& table);
  RecordFile& records() { return file_; }

 private:
  RecordFile file_{kFixtureMapRecordSize};
};

// The bytes of a blank map: record 1 all warmUpLevel, everything else 0.
QByteArray newFixtureMapBytes(int warmUpLevel);

// Rewrites the map at path as a blank map. The in-memory tables are not touched.
PatchFileResult CreatenewFile(const QString& path, int warmUpLevel);

// Makes the fixture map of a new show. With FileSource on, a blank map at FixtureMapName. Otherwise
// the map follows the cue file (FixtureMapName becomes the cue file's ".fmap") and the operator may
// pick an existing map as its base; cancelling that pick makes no map.
PatchFileResult Newmapfile(PatchContext& ctx);

// Writes FixtureStart as record 0 of an existing map.
PatchFileResult writeFixtureStartRecord(const QString& path, const FixtureMap::Table& fixtureStart);

// First activation of a show: opens the map (left open in mapFile), reads record 0 into
// FixtureStart and record 1 into WarmUpLevels for channels 1..maxChannels: the record's value,
// except 0 where it is negative or the address is a mover/scroller; 0 for all when record 1 cannot be
// read. When the map cannot be opened or record 0 cannot be read, the tables are left as they were.
PatchFileResult readFixtureMapAtActivation(FixtureMapFile& mapFile, const QString& path, int maxChannels,
                                           FixtureMap& map);
