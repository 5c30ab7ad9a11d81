#include "console/patch/fixture_library.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_type_record.h"
#include "tests/patch/patch_test_support.h"

namespace {
FixtureTypeRecord type(int id, const QString& name, int channels = 4) {
  FixtureTypeRecord r;
  r.id = id;
  r.name = name;
  r.description = name + " LED";
  r.channelCount = int16_t(channels);
  r.intensity = 1;
  r.red = 2;
  r.green = 3;
  r.blue = 4;
  return r;
}
}  // namespace

TEST(FixtureTypeRecordCodec, DecodesAHandBuiltRecord) {
  QByteArray b(120, '\0');
  b[0] = 5;
  b.replace(1, 5, "Par64");
  b[25] = 3;
  b.replace(26, 3, "RGB");
  b[74] = char(0xEE);  // reserved
  b[76] = char(0x34);
  b[77] = char(0x12);  // id 0x1234
  b[80] = 7;           // channels
  b[82] = 1;           // intensity
  b[84] = 12;          // minimum intensity
  b[86] = 2;
  b[88] = 3;
  b[90] = 4;
  b[94] = 5;
  b[96] = 6;
  b[98] = 0;
  b[100] = char(0x1C);
  b[101] = 0x02;  // pan range 540
  b[119] = char(0xAB);

  FixtureTypeRecord r;
  ASSERT_TRUE(decodeFixtureTypeRecord(b, r));
  EXPECT_EQ(r.name, "Par64");
  EXPECT_EQ(r.description, "RGB");
  EXPECT_EQ(r.id, 0x1234);
  EXPECT_EQ(r.channelCount, 7);
  EXPECT_EQ(r.intensity, 1);
  EXPECT_EQ(r.minIntensity, 12);
  EXPECT_EQ(r.red, 2);
  EXPECT_EQ(r.green, 3);
  EXPECT_EQ(r.blue, 4);
  EXPECT_EQ(r.amber, 5);
  EXPECT_EQ(r.white, 6);
  EXPECT_EQ(r.lime, 0);
  EXPECT_EQ(r.panRange, 540);
  // Re-encoding gives the same bytes, reserved ones included.
  EXPECT_EQ(encodeFixtureTypeRecord(r), b);
  EXPECT_FALSE(decodeFixtureTypeRecord(b.left(119), r));
}

TEST(FixtureTypeRecordCodec, RoundTripsAndCutsLongTexts) {
  FixtureTypeRecord r = type(-5, "A name of more than twenty-four characters");
  r.description = QString(60, u'd');
  r.panRange = -1;
  const QByteArray b = encodeFixtureTypeRecord(r);
  ASSERT_EQ(b.size(), 120);
  EXPECT_EQ(uint8_t(b[0]), 24);
  EXPECT_EQ(uint8_t(b[25]), 48);
  FixtureTypeRecord back;
  ASSERT_TRUE(decodeFixtureTypeRecord(b, back));
  EXPECT_EQ(back.name, r.name.left(24));
  EXPECT_EQ(back.description, r.description.left(48));
  EXPECT_EQ(back.id, -5);
  EXPECT_EQ(back.panRange, -1);
  // A shorter name written over a longer one leaves none of the old characters behind.
  back.name = "RGB";
  const QByteArray shorter = encodeFixtureTypeRecord(back);
  EXPECT_EQ(shorter.mid(4, 21), QByteArray(21, '\0'));
}

TEST(FixtureTypeRecordCodec, TypeNamesThatCanBeFileNames) {
  struct Case {
    QString name;
    bool valid;
  } cases[] = {{"RGB Par", true},    {"Mover 2.0", true},      {"", false},
               {"a/b", false},       {"a\\b", false},          {"..", false},
               {"x..y", false},      {"   ", false},           {"a:b", false},
               {"a*b", false},       {QString(24, 'x'), true}, {QString(25, 'x'), false},
               {"tab\there", false}, {"Café", true},           {"日本", false}};
  for (const Case& c : cases) EXPECT_EQ(validFixtureTypeName(c.name), c.valid) << c.name.toStdString();
}

TEST(FixtureLibraryFile, NewIdsSkipIdsInUse) {
  EXPECT_EQ(nextFixtureTypeId({type(1, "A")}, 0), 2);
  EXPECT_EQ(nextFixtureTypeId({type(3, "A"), type(2, "B"), type(4, "C")}, 1), 5);
  EXPECT_EQ(nextFixtureTypeId({type(1, "A")}, 7), 8);
  EXPECT_EQ(nextFixtureTypeId({}, 0), 1);
}

TEST(FixtureLibraryFile, WritesReadsAndDeletesByIdThroughTemp) {
  PatchFolder f;
  const QString lib = f.path("vqlighting.lfix");
  ASSERT_TRUE(createFixtureLibraryIfMissing(lib).ok());
  EXPECT_EQ(PatchFolder::read(lib).size(), 0);
  // Two types of the same name: deleting one id keeps the other.
  ASSERT_TRUE(writeFixtureLibrary(lib, {type(1, "RGB"), type(2, "RGB"), type(3, "Mover", 8)}).ok());
  EXPECT_EQ(PatchFolder::read(lib).size(), 360);
  FixtureTypeRecord deleted;
  ASSERT_TRUE(deleteFixtureType(lib, 1, &deleted).ok());
  EXPECT_EQ(deleted.id, 1);
  FixtureLibrary left;
  ASSERT_TRUE(readFixtureLibrary(lib, left));
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].id, 2);
  EXPECT_EQ(left[0].name, "RGB");
  EXPECT_EQ(left[1].id, 3);
  EXPECT_FALSE(QFile::exists(f.path("temp.lfix")));
  EXPECT_EQ(deleteFixtureType(lib, 99).status, PatchFileResult::Status::Refused);
  EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files).size(), 1);  // no temporary files left
  // A trailing partial record is ignored.
  QFile file(lib);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write("xyz");
  file.close();
  ASSERT_TRUE(readFixtureLibrary(lib, left));
  EXPECT_EQ(left.size(), 2u);
  EXPECT_FALSE(readFixtureLibrary(f.path("missing.lfix"), left));
}

TEST(FixtureChannelTableFile, CsvRoundTripAndFunctionLookup) {
  PatchFolder f;
  FixtureChannelTable t = FixtureChannelTable::blank();
  t.setChannel(1, "0-100", "Intensity");
  t.setChannel(2, "0-255", "red");
  t.setChannel(3, "0-255", "GREEN");
  t.setChannel(4, "0-255", "Blue, deep \"navy\"");
  t.setChannel(5, "0-255", "pan");
  t.setChannel(6, "0-255", "Pan fine");
  const QString path = channelTablePath(f.dir.path(), "Test");
  EXPECT_EQ(path, f.path("lcsv/Test.lcsv"));
  ASSERT_TRUE(writeChannelTable(path, t).ok());
  const QByteArray bytes = PatchFolder::read(path);
  EXPECT_TRUE(bytes.startsWith("Chnl.,0-??,Description\r\n1,0-100,Intensity\r\n2,0-255,red\r\n"));
  EXPECT_TRUE(bytes.contains("4,0-255,\"Blue, deep \"\"navy\"\"\"\r\n"));
  EXPECT_TRUE(bytes.endsWith("24,,\r\n"));

  FixtureChannelTable back;
  ASSERT_TRUE(readChannelTable(path, back));
  EXPECT_EQ(back.cells, t.cells);
  EXPECT_EQ(FindColor(back, "Red"), 2);
  EXPECT_EQ(FindColor(back, "green"), 3);
  EXPECT_EQ(FindColor(back, "Amber"), 0);
  EXPECT_EQ(panRow(back), 5);
  EXPECT_EQ(channelCountOfTable(back, 0), 6);
  FixtureChannelTable full = FixtureChannelTable::blank();
  for (int r = 1; r <= 24; ++r) full.setChannel(r, "0-255", "x");
  EXPECT_EQ(channelCountOfTable(full, 17), 17);
  // The folder is found without regard to case.
  QDir(f.dir.path()).rename("lcsv", "LCSV");
  EXPECT_EQ(channelTablePath(f.dir.path(), "Test"), f.path("LCSV/Test.lcsv"));
}

TEST(FixtureChannelTableFile, JsonModesFillTheTable) {
  PatchFolder f;
  PatchFolder::write(f.path("par.json"), R"({"name":"Par","modes":[
      {"name":"3 channel","channels":["Red","Green","Blue"]},
      {"name":"4 channel","channels":["DIMMER","Red","Green","Blue"],"extra":1}],
      "other":{"modes":[]}})");
  std::vector<JsonFixtureMode> modes;
  QString error;
  ASSERT_TRUE(readJsonFixtureModes(f.path("par.json"), modes, error));
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[1].name, "4 channel");
  FixtureChannelTable t = FixtureChannelTable::blank();
  EXPECT_EQ(LoadChannels(t, modes, "4 channel"), 4);
  EXPECT_EQ(t.function(1), "Intensity");
  EXPECT_EQ(t.range(1), "0-100");
  EXPECT_EQ(t.function(2), "Red");
  EXPECT_EQ(t.range(2), "0-255");
  EXPECT_EQ(t.function(4), "Blue");
  EXPECT_EQ(t.function(5), "");
  EXPECT_EQ(LoadChannels(t, modes, "none"), -1);

  PatchFolder::write(f.path("nomodes.json"), R"({"name":"x"})");
  ASSERT_TRUE(readJsonFixtureModes(f.path("nomodes.json"), modes, error));
  EXPECT_TRUE(modes.empty());
  PatchFolder::write(f.path("broken.json"), R"({"modes":[)");
  EXPECT_FALSE(readJsonFixtureModes(f.path("broken.json"), modes, error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(DeliveredFixtureFiles, LibraryTablesTemplateAndDescriptionsAgree) {
  const QString bin = VQ_BIN_DIR;
  FixtureLibrary library;
  ASSERT_TRUE(readFixtureLibrary(bin + "/vqlighting.lfix", library));
  ASSERT_GE(library.size(), 4u);
  bool mover = false, amber = false, white = false, three = false;
  for (const FixtureTypeRecord& r : library) {
    EXPECT_TRUE(validFixtureTypeName(r.name)) << r.name.toStdString();
    FixtureChannelTable t;
    ASSERT_TRUE(readChannelTable(channelTablePath(bin, r.name), t)) << r.name.toStdString();
    EXPECT_EQ(channelCountOfTable(t, 0), r.channelCount);
    EXPECT_EQ(FindColor(t, "Red"), r.red);
    EXPECT_EQ(FindColor(t, "Intensity"), r.intensity);
    EXPECT_EQ(FindColor(t, "Amber"), r.amber);
    EXPECT_EQ(FindColor(t, "White"), r.white);
    mover = mover || (panRow(t) > 0 && r.panRange > 0);
    amber = amber || r.amber > 0;
    white = white || r.white > 0;
    three = three || (r.red > 0 && r.amber == 0 && r.white == 0);
  }
  EXPECT_TRUE(mover && amber && white && three);

  FixtureChannelTable blank;
  ASSERT_TRUE(readChannelTable(bin + "/lcsv/add.lcsv", blank));
  EXPECT_EQ(blank.cells, FixtureChannelTable::blank().cells);

  const QStringList descriptions = QDir(bin + "/fixtures").entryList({"*.json"}, QDir::Files);
  EXPECT_EQ(descriptions.size(), 2);
  for (const QString& name : descriptions) {
    std::vector<JsonFixtureMode> modes;
    QString error;
    ASSERT_TRUE(readJsonFixtureModes(bin + "/fixtures/" + name, modes, error)) << error.toStdString();
    ASSERT_FALSE(modes.empty());
    FixtureChannelTable t = FixtureChannelTable::blank();
    EXPECT_GT(LoadChannels(t, modes, modes.back().name), 0);
  }
}
