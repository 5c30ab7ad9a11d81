#include "console/patch/fixture_map_tools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/patch/soft_patch_file.h"
#include "tests/patch/patch_test_support.h"

using namespace fixture_tools;

namespace {

FixtureTypeRecord type(int id, const QString& name, int channels) {
  FixtureTypeRecord r;
  r.id = id;
  r.name = name;
  r.description = name + " fixture";
  r.channelCount = int16_t(channels);
  return r;
}

// A show folder with a library, its channel tables and a map built from tables.
struct Rig : PatchFolder {
  QString library = path("show.lfix");

  void writeLibrary(const FixtureLibrary& types, bool withTables = true) {
    ASSERT_TRUE(writeFixtureLibrary(library, types).ok());
    if (!withTables) return;
    QDir(dir.path()).mkpath("lcsv");
    for (const FixtureTypeRecord& t : types) {
      FixtureChannelTable table = FixtureChannelTable::blank();
      for (int k = 1; k <= std::min<int>(t.channelCount, 24); ++k)
        table.setChannel(k, "0-255", t.name + " ch" + QString::number(k));
      ASSERT_TRUE(writeChannelTable(dir.filePath("lcsv/" + t.name + ".lcsv"), table).ok());
    }
  }
  void writeMap(const MapRecords& r) {
    QByteArray bytes;
    for (const auto& t : r) bytes += encodeMapRecord(t);
    write(mapFile, bytes);
  }
  MapRecords readMap() {
    MapRecords r;
    EXPECT_TRUE(readMapRecords(mapFile, r).ok());
    return r;
  }
  // A fixture installed as the fixtures window does: start and type on each of its addresses.
  static void install(MapRecords& r, int start, int id, int channels) {
    for (int a = start; a < start + channels && a <= 1024; ++a) {
      r[0][size_t(a)] = int16_t(start);
      r[1][size_t(a)] = -1;
      r[2][size_t(a)] = int16_t(id);
    }
  }
};

}  // namespace

TEST(FixtureMapRebuild, RebuildsFixturesScrollersAndTheEdges) {
  Rig rig;
  FixtureTypeRecord rgb = type(7, "RGB3", 3);
  rgb.intensity = 1;
  rgb.red = 2;
  rgb.green = 3;
  rgb.minIntensity = 12;
  FixtureTypeRecord wide = type(8, "Wide", 4);
  wide.intensity = 4;
  wide.minIntensity = 5;
  wide.blue = 4;  // named twice: intensity comes later and wins
  FixtureTypeRecord empty = type(9, "Empty", 0);
  rig.writeLibrary({rgb, wide, empty});

  MapRecords old{};
  Rig::install(old, 10, 7, 3);
  old[0][50] = 2000;
  old[1][60] = 33;  // a free address's warm-up level
  old[0][100] = 100;
  old[2][100] = 9;
  Rig::install(old, 1022, 8, 4);  // crosses address 1024
  rig.writeMap(old);

  const RebuildResult r = rebuildMap(rig.mapFile, rig.library, rig.dir.path());
  ASSERT_TRUE(r.ok()) << r.file.error.toStdString();
  EXPECT_EQ(QFile(rig.mapFile).size(), 8192);
  EXPECT_FALSE(QFile::exists(rig.path("show.nmap")));
  const MapRecords m = rig.readMap();

  for (int a : {10, 11, 12}) {
    EXPECT_EQ(m[0][a], 10);
    EXPECT_EQ(m[2][a], 7);
  }
  EXPECT_EQ(m[1][10], 12);
  EXPECT_EQ(m[1][11], -1);
  EXPECT_EQ(m[1][12], -1);
  EXPECT_EQ(m[3][10], 99);
  EXPECT_EQ(m[3][11], 1);
  EXPECT_EQ(m[3][12], 2);

  EXPECT_EQ(m[0][50], 2000);
  EXPECT_EQ(m[2][50], 0);
  EXPECT_EQ(m[1][60], 0);  // not carried over
  // The 0-channel type writes nothing and the rebuild goes on past it.
  EXPECT_EQ(m[0][100], 0);
  EXPECT_EQ(m[0][101], 0);
  // Addresses 1022..1024 of the crossing fixture; its fourth channel would be 1025.
  for (int a : {1022, 1023, 1024}) {
    EXPECT_EQ(m[0][a], 1022);
    EXPECT_EQ(m[2][a], 8);
    EXPECT_EQ(m[1][a], -1);
  }
  for (int a = 1; a <= 1024; ++a)
    if (a < 10 || (a > 12 && a != 50 && a < 1022)) {
      ASSERT_EQ(m[0][a] | m[1][a] | m[2][a] | m[3][a], 0) << a;
    }
}

TEST(FixtureMapRebuild, AProblemLeavesTheMapAsItWas) {
  struct Case {
    const char* what;
    bool tables;
    int mapType;
    QString text;  // of the dialog; empty: a file error
  };
  const Case cases[] = {
      {"type missing", true, 42, "The light number42is missing."},
      {"profile missing", false, 7, "A fixture profile is missing.\n\r"},
      {"new map cannot be written", true, 7, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.writeLibrary({type(7, "Par", 2)}, c.tables);
    MapRecords old{};
    Rig::install(old, 3, c.mapType, 2);
    old[1][9] = 44;
    rig.writeMap(old);
    const QByteArray before = PatchFolder::read(rig.mapFile);
    // A folder where the new map would go stops the write.
    if (c.text.isEmpty()) QDir(rig.dir.path()).mkdir("show.nmap");

    const RebuildResult r = rebuildMap(rig.mapFile, rig.library, rig.dir.path());
    EXPECT_FALSE(r.ok());
    if (c.text.isEmpty()) {
      EXPECT_FALSE(r.problem);
      EXPECT_FALSE(r.file.ok());
      EXPECT_TRUE(QFileInfo(rig.path("show.nmap")).isDir());
    } else {
      ASSERT_TRUE(r.problem);
      EXPECT_EQ(r.problem->title, "Fixture file problem");
      EXPECT_TRUE(r.problem->text.startsWith(c.text)) << r.problem->text.toStdString();
      EXPECT_FALSE(QFile::exists(rig.path("show.nmap")));
    }
    EXPECT_EQ(PatchFolder::read(rig.mapFile), before);
  }
}

TEST(FixtureMapAddress, WriteAndReadAcceptTheSameCheckedFields) {
  struct Case {
    QString address, start, minimum, type, colour;
    bool accepted;
  };
  const int maxChannels = 512;
  const Case cases[] = {
      {"7", "7", "-1", "3", "99", true},    {"511", "511", "0", "1", "1", true},
      {"512", "512", "0", "1", "1", false}, {"1", "1", "20", "2", "", false},
      {"0", "1", "0", "1", "1", false},     {"513", "1", "0", "1", "1", false},
      {"1024", "1", "0", "1", "1", false},  {"1025", "1", "0", "1", "1", false},
      {"", "1", "0", "1", "1", false},      {"5", "", "0", "1", "1", false},
      {"5", "1", "-", "1", "1", false},     {"5", "1", "0", "", "1", false},
      {"5", "1", "40000", "1", "1", false}, {"5", "1x", "0", "1", "1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.address + "," + c.start + "," + c.minimum + "," + c.type + "," + c.colour).toStdString());
    Rig rig;
    ASSERT_TRUE(CreatenewFile(rig.mapFile, 10).ok());
    const QByteArray before = PatchFolder::read(rig.mapFile);
    const auto entry = parseAddressEntry(c.address, c.start, c.minimum, c.type, c.colour, maxChannels);
    // Read takes any address of the map; Write only those below the channel count.
    EXPECT_EQ(parseAddress(c.address).has_value(),
              !c.address.isEmpty() && c.address.toInt() >= 1 && c.address.toInt() <= 1024);
    ASSERT_EQ(entry.has_value(), c.accepted);
    if (!entry) continue;
    ASSERT_TRUE(writeAddress(rig.mapFile, *entry).ok());
    std::array<int16_t, 4> back{};
    ASSERT_TRUE(readAddress(rig.mapFile, entry->address, back).ok());
    EXPECT_EQ(back[0], c.start.toInt());
    EXPECT_EQ(back[1], c.minimum.toInt());
    EXPECT_EQ(back[2], c.type.toInt());
    EXPECT_EQ(back[3], c.colour.toInt());
    // Only the four values of the address changed.
    QByteArray after = PatchFolder::read(rig.mapFile);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < after.size(); ++i) changed += after[i] != before[i];
    EXPECT_LE(changed, 8);
  }
}

TEST(FixtureMapAddress, AThreeRecordMapGainsItsFourthOnWrite) {
  Rig rig;
  PatchFolder::write(rig.mapFile, newFixtureMapBytes(0).left(3 * 2048));
  const auto entry = parseAddressEntry("4", "4", "-1", "2", "1", 512);
  ASSERT_TRUE(entry);
  ASSERT_TRUE(writeAddress(rig.mapFile, *entry).ok());
  EXPECT_EQ(QFile(rig.mapFile).size(), 8192);
  EXPECT_EQ(rig.readMap()[3][4], 1);
  // A short or missing map is an error and stays as it was.
  PatchFolder::write(rig.mapFile, QByteArray(100, '\0'));
  EXPECT_FALSE(writeAddress(rig.mapFile, *entry).ok());
  EXPECT_EQ(QFile(rig.mapFile).size(), 100);
  EXPECT_EQ(writeAddress(rig.path("none.fmap"), *entry).status, PatchFileResult::Status::FileError);
}

TEST(FixtureMapWarmUp, ResetTouchesOnlyFreeAddresses) {
  Rig rig;
  MapRecords old{};
  Rig::install(old, 5, 3, 2);
  old[1][5] = 12;
  old[0][8] = 2000;
  old[1][8] = 77;
  old[1][2] = 4;
  old[1][20] = 9;  // above the channel count
  rig.writeMap(old);
  ASSERT_TRUE(resetWarmUp(rig.mapFile, 16, 30).ok());
  const MapRecords m = rig.readMap();
  EXPECT_EQ(m[1][1], 30);
  EXPECT_EQ(m[1][2], 30);
  EXPECT_EQ(m[1][5], 12);
  EXPECT_EQ(m[1][6], -1);
  EXPECT_EQ(m[1][8], 77);
  EXPECT_EQ(m[1][16], 30);
  EXPECT_EQ(m[1][20], 9);
  EXPECT_EQ(m[0], old[0]);
  EXPECT_EQ(m[2], old[2]);
}

TEST(FixtureHints, RebuiltFromChannelTablesAndStopAtTheLastRow) {
  Rig rig;
  rig.writeLibrary({type(7, "Spot", 4), type(8, "Par", 2)});
  MapRecords map{};
  Rig::install(map, 2, 8, 2);
  Rig::install(map, 14, 7, 4);  // channels 14..17 of a 16-channel show
  map[0][9] = 2000;
  rig.writeMap(map);
  PatchGrid grid;
  for (int ch = 1; ch <= 16; ++ch)
    grid.rows.push_back({ch, QString::number(ch), QString::number(ch), "", "old"});

  int written = 0;
  ASSERT_TRUE(rebuildHints(rig.mapFile, rig.library, rig.dir.path(), 16, grid, &written).ok());
  EXPECT_EQ(written, 5);
  EXPECT_EQ(grid.rowForChannel(1)->description, "old");
  EXPECT_EQ(grid.rowForChannel(2)->description, "Par ch1");
  EXPECT_EQ(grid.rowForChannel(3)->description, "Par ch2");
  EXPECT_EQ(grid.rowForChannel(9)->description, "old");
  EXPECT_EQ(grid.rowForChannel(14)->description, "Spot ch1");
  EXPECT_EQ(grid.rowForChannel(16)->description, "Spot ch3");
  // A grid shorter than the channel count is never read past its end either.
  PatchGrid shortGrid;
  for (int ch = 1; ch <= 14; ++ch) shortGrid.rows.push_back({ch, "", "", "", ""});
  ASSERT_TRUE(rebuildHints(rig.mapFile, rig.library, rig.dir.path(), 16, shortGrid, &written).ok());
  EXPECT_EQ(written, 3);
}

TEST(FixtureMapDump, HundredsTwentiesAndRedValues) {
  FixtureMap::Table t{};
  t[1] = 5;
  t[20] = -1;
  t[100] = 2000;
  const std::vector<DumpLine> lines = dumpRecord("FMap[1] ", t, 120);
  ASSERT_EQ(lines.size(), 3u);
  auto text = [](const DumpLine& l) {
    QString s;
    for (const DumpPiece& p : l) s += p.text;
    return s;
  };
  EXPECT_TRUE(text(lines[0]).startsWith("FMap[1] 5 0 0 "));
  EXPECT_TRUE(lines[0][1].red);
  EXPECT_FALSE(lines[0][2].red);
  EXPECT_TRUE(text(lines[0]).contains("0 _ -1 0 "));
  EXPECT_TRUE(text(lines[1]).startsWith("100+ _ 2000 0 "));
  EXPECT_TRUE(lines[1][2].red);
  EXPECT_TRUE(text(lines[1]).endsWith("_ 0 "));  // address 120
  EXPECT_EQ(text(lines[2]), text(lines[1]).mid(5));
}

TEST(FixtureLibraryListing, OneLinePerType) {
  Rig rig;
  rig.writeLibrary({type(3, "Par", 1), type(12, "Spot", 8)}, false);
  QStringList lines;
  ASSERT_TRUE(listLibrary(rig.library, lines).ok());
  EXPECT_EQ(lines, QStringList({"3 Par, Par fixture", "12 Spot, Spot fixture"}));
  EXPECT_FALSE(listLibrary(rig.path("none.lfix"), lines).ok());
}
