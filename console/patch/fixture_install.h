#pragma once

// Installing and removing fixtures: the fixture map's four records and the soft patch grid kept in
// step, the mover/colour-scroller list, and the list of fixtures in use.

#include <QString>
#include <QStringList>
#include <array>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/patch/fixture_map.h"
#include "console/patch/patch_context.h"
#include "console/patch/patch_tables.h"
#include "console/patch/soft_patch_file.h"

// Channel offsets of the selected fixture type, 1-based within the fixture, 0 = none.
struct SelectedTypeLayout {
  int16_t IntensityOffset = 0;
  int16_t RedOffset = 0;
  int16_t GreenOffset = 0;
  int16_t BlueOffset = 0;
  int16_t AmberOffset = 0;
  int16_t WhiteOffset = 0;  // the white channel, or the lime channel when the type has one
  int16_t PanOffset = 0;
  int16_t PanRange = 0;
  bool lime = false;  // the fifth colour is lime

  // 3 without amber and white/lime, 4 with one of them, 5 with both.
  int colourCount() const { return 3 + (AmberOffset != 0) + (WhiteOffset != 0); }
};
SelectedTypeLayout layoutOfType(const FixtureTypeRecord& type, const FixtureChannelTable& table);

// Map role codes of a fixture's channels.
enum FixtureRole : int16_t {
  kRoleRed = 1,
  kRoleGreen = 2,
  kRoleBlue = 3,
  kRoleAmber = 4,
  kRoleWhite = 5,
  kRoleLime = 6,
  kRoleIntensity = 99
};

// What installing and removing work on: the show's patch files and tables, the in-memory map.
struct FixtureInstallContext {
  PatchContext& patch;
  PatchTables& tables;
  PatchGrid& grid;
  FixtureMap& map;
  std::array<int, 8> bumpSceneTable{};
};

// Installs `type` (its channel count, minimum intensity and channel offsets) at start address s:
// asks about every occupied address (Cancel abandons with nothing written), frees the addresses an
// earlier, longer instance at s held beyond the new extent, writes the four map records, gives the
// fixture's rows the function texts of `table` plus the note as descriptions and saves the soft patch.
// Refused with a dialog when the fixture would not fit in 1..MaxChannels. The role record is taken
// from the library record with the type's id ("Fixture file problem" when there is none).
PatchFileResult Newfixture(FixtureInstallContext& ctx, int s, const FixtureTypeRecord& type,
                           const FixtureChannelTable& table, const QString& note,
                           const FixtureLibrary& library);

// Removes the fixture installed at start address s: its addresses (those the map gives to s) go
// back to free at the warm-up level, their rows to one-to-one without description, every fixture
// field naming s is cleared and the patch entries of those addresses are dropped from other
// channels; then the soft patch is saved.
PatchFileResult DelAddress(FixtureInstallContext& ctx, int s);

// Start addresses of installed fixtures of a type, in the order the patch lists them: every address
// of a channel's DimmerList (channels 1..MaxChannels) whose map type is `typeId` and which is its
// fixture's start. Each start address once.
std::vector<int> installedInstances(const PatchTables& tables, const FixtureMap& map, int maxChannels,
                                    int typeId);

// Removes the map entries of a deleted type: record 2 and record 0 set to 0 where record 2 holds id.
PatchFileResult clearTypeFromMap(const QString& mapPath, FixtureMap& map, int maxChannels, int id);

// The mover/colour-scroller list: the memo's addresses get the code 2000 in record 0 (earlier codes
// among 1..MaxChannels are cleared first). `disableSave` is set when the refusal disables saving.
struct ScrollerSaveResult {
  PatchFileResult result;
  bool disableSave = false;
};
ScrollerSaveResult saveScrollerList(const QString& mapPath, FixtureMap& map, int maxChannels,
                                    const QString& memo, Operator& op);

// The "In Use" lines: one per installed fixture in address order, start address + " - " + type name
// (" - " + id + " not found!" when the library has no such type).
QStringList fixturesInUse(const FixtureMap& map, const FixtureLibrary& library, int maxChannels);

// The map file's four records as stored (record 1 raw, -1 on fixture channels). A map of three
// records reads record 3 as zeros. False when the file cannot be opened or records 0..2 are missing.
bool readFixtureMapRecords(const QString& mapPath, FixtureMap& records);
