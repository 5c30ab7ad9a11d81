#include "console/patch/gel_palettes.h"

#include <gtest/gtest.h>

#include "console/patch/colour_picks.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"
#include "tests/patch/patch_test_support.h"

namespace {

QByteArray bom(const QByteArray& text) { return "\xEF\xBB\xBF" + text; }

// A palette of designer Ann (letter A) with the starter keys A0..A15.
void writeAnnPalette(PatchFolder& f) {
  QByteArray text = "[users]\r\nAnn=A\r\n[Ann]\r\n";
  for (int i = 0; i < 16; ++i)
    text += "A" + QByteArray::number(i) + "=1|2|3|4|5|" + QByteArray::number(i) + "|0|0\r\n";
  PatchFolder::write(f.path("Users.pal"), bom(text));
}

}  // namespace

TEST(ColourStringTest, FieldCounts) {
  struct Case {
    const char* text;
    const char* fields;  // the eight fields joined again
  } cases[] = {
      {"1|2|3|4|5|6|7|8", "1|2|3|4|5|6|7|8"},
      {"10|20|30", "10|20|30|0|0|10|20|30"},
      {"", "|||||||"},
      {"1|2|3|4|5|6|7|8|9", "1|2|3|4|5|6|7|8"},
      {"a||9", "a||9|0|0|a||9"},
      {"1|2|3|4", "1|2|3|4||||"},
  };
  for (const Case& c : cases) EXPECT_EQ(ColourString::parse(c.text).text(), c.fields) << c.text;
  const ColourString odd = ColourString::parse("a||9");
  EXPECT_EQ(odd.number(0), 0);
  EXPECT_EQ(odd.number(1), 0);
  EXPECT_EQ(odd.number(7), 9);
  EXPECT_EQ(odd.displayRgb(), 0x000009u);
  EXPECT_EQ(ColourString::parse("1|2|3|4|5|256|511|-1").displayRgb(), 0x00ffffu);
  EXPECT_EQ(ColourString::parse("1|2|3|4|5|6|7|8").levelsText(), "1|2|3|4|5|");
}

TEST(GelPalettesTest, PieListsInFileOrder) {
  PatchFolder f;
  PatchFolder::write(f.path("vqlighting.RGBAW"),
                     bom("[Values]\r\nR02=1|2|3|4|5|255|0|0\r\nR01=1|2|3|4|5|0|145|255\r\n"));
  const PieList gel = gelPieList(gelfiles::path(f.dir.path(), gelfiles::kWhiteTable));
  EXPECT_EQ(gel.keys, QStringList({"R02", "R01"}));
  EXPECT_EQ(gel.colours, std::vector<unsigned>({0xff0000u, 0x0091ffu}));
  EXPECT_EQ(gel.keyOf(0x0091ff), "R01");
  EXPECT_EQ(gel.keyOf(0x0091fe), "");
  EXPECT_TRUE(gelPieList(f.path("none.rgbaw")).keys.isEmpty());

  PatchFolder::write(f.path("users.pal"), "[Users]\nAnn=A\n[ann]\nA0=16|32|48\nA1=1|2|3|4|5|6|7|8\n");
  const auto ann = designerPieList(f.dir.path(), "Ann");
  ASSERT_TRUE(ann);
  EXPECT_EQ(ann->keys, QStringList({"A0", "A1"}));
  EXPECT_EQ(ann->colours, std::vector<unsigned>({0x102030u, 0x060708u}));
  EXPECT_FALSE(designerPieList(f.dir.path(), "Bob"));
  EXPECT_FALSE(designerPieList(f.dir.path(), ""));
}

TEST(GelPalettesTest, DesignerColourFallsBackToThePaletteAndCopiesIt) {
  PatchFolder f;
  PatchFolder::write(f.path("Users.pal"), "[Users]\nAnn=A\n[Ann]\nA0=1|2|3|4|5|6|7|8\nA1=9|8|7\n");
  PatchFolder::write(f.path("ann.gels"), "[A0]\n7=11|12|13|14|15|16|17|18\n");
  EXPECT_EQ(designerColour(f.dir.path(), "Ann", "A0", "7"), "11|12|13|14|15|16|17|18");
  EXPECT_EQ(designerColour(f.dir.path(), "Ann", "A0", "8"), "1|2|3|4|5|6|7|8");
  EXPECT_EQ(designerColour(f.dir.path(), "Ann", "A1", "8"), "9|8|7");
  const IniFile gels(f.path("ann.gels"));
  EXPECT_EQ(gels.readString("A0", "8", ""), "1|2|3|4|5|6|7|8");
  EXPECT_EQ(gels.readString("A1", "8", ""), "9|8|7");
  EXPECT_EQ(designerColour(f.dir.path(), "Ann", "A9", ""), kMissingColour);
  EXPECT_FALSE(IniFile(f.path("ann.gels")).sectionExists("A9"));

  // The main window's lookup: R codes from a gel table, designer codes from the gel file first.
  PatchFolder::write(f.path("VqLighting.rgbal"), "[Values]\nR27=1|1|1|1|1|1|1|1\n");
  EXPECT_EQ(gelCodeValue(f.dir.path(), "R27", "Ann", "7", true), "1|1|1|1|1|1|1|1");
  EXPECT_EQ(gelCodeValue(f.dir.path(), "R27", "Ann", "7", false), "");
  EXPECT_EQ(gelCodeValue(f.dir.path(), "A0", "Ann", "7", true), "11|12|13|14|15|16|17|18");
  EXPECT_EQ(gelCodeValue(f.dir.path(), "A0", "Ann", "99", true), "1|2|3|4|5|6|7|8");
  EXPECT_EQ(gelCodeValue(f.dir.path(), "A5", "Ann", "7", true), "");
}

TEST(GelPalettesTest, SaveOptions) {
  PatchFolder f;
  writeAnnPalette(f);
  ColourSave s;
  s.red = "10";
  s.green = "20";
  s.blue = "30";
  s.amber = "40";
  s.white = "50";
  s.swatchRed = 200;
  s.swatchGreen = 100;
  s.swatchBlue = 50;
  s.gelCode = "A3";
  s.typeId = "7";
  s.allTypeIds = {"7", "", "9"};
  s.addToPalette = s.changeOnPalette = s.changeForFixture = s.changeForAll = true;
  const ColourSaveResult r = completeSave(f.dir.path(), "Ann", "a", s);
  ASSERT_TRUE(r.saved);
  EXPECT_EQ(r.newKey, "A16");
  const QString value = "10|20|30|40|50|200|100|50";
  const IniFile palette(f.path("Users.pal"));
  EXPECT_EQ(palette.readString("Ann", "A16", ""), value);
  EXPECT_EQ(palette.readString("Ann", "A3", ""), value);
  EXPECT_EQ(palette.readString("Ann", "A0", ""), "1|2|3|4|5|0|0|0");
  const IniFile gels(f.path("Ann.gels"));
  EXPECT_EQ(gels.readString("A3", "7", ""), value);
  EXPECT_EQ(gels.readString("A3", "9", ""), value);
  EXPECT_EQ(gels.keys("A3").size(), 2);
  EXPECT_TRUE(PatchFolder::read(f.path("Ann.gels")).startsWith("\xEF\xBB\xBF"));

  // The same display colour again: a duplicate, and no option writes anything.
  const QByteArray before = PatchFolder::read(f.path("Users.pal"));
  s.gelCode = "A5";
  s.red = "99";
  const ColourSaveResult dup = completeSave(f.dir.path(), "Ann", "A", s);
  EXPECT_FALSE(dup.saved);
  ASSERT_TRUE(dup.message);
  EXPECT_EQ(dup.message->title, "Duplicate palette");
  EXPECT_EQ(dup.message->text, "This color set is a duplicate with A3.\n\r It will not be added.");
  EXPECT_EQ(PatchFolder::read(f.path("Users.pal")), before);
  EXPECT_FALSE(IniFile(f.path("Ann.gels")).sectionExists("A5"));

  // A gap in the numbers: the highest + 1, so nothing is overwritten.
  PatchFolder::write(f.path("Users.pal"), "[Ann]\nA0=1|2|3\nA9=4|5|6\nA2=7|8|9\nR27=1|1|1\n");
  ColourSave g;
  g.addToPalette = true;
  EXPECT_EQ(completeSave(f.dir.path(), "Ann", "A", g).newKey, "A10");
  // No numbered entry: refused, nothing written.
  PatchFolder::write(f.path("Users.pal"), "[Ann]\nR27=1|1|1\n");
  const ColourSaveResult none = completeSave(f.dir.path(), "Ann", "A", g);
  EXPECT_FALSE(none.saved);
  EXPECT_EQ(PatchFolder::read(f.path("Users.pal")), "[Ann]\nR27=1|1|1\n");
}

TEST(GelPalettesTest, ThreeColourSaveUsesTheLastGelLevels) {
  ColourSave s;
  s.threeColour = true;
  s.swatchRed = 255;
  s.swatchGreen = 128;
  EXPECT_EQ(colourToSave(s), "255|128|0|0|0|255|128|0");
  EXPECT_EQ(s.lastGelLevels, "255|128|0|0|0|");
  s.lastGelLevels = "1|2|3|4|5|";
  EXPECT_EQ(colourToSave(s), "1|2|3|4|5|255|128|0");
}

TEST(GelPalettesTest, DeletingADesignerColour) {
  PatchFolder f;
  writeAnnPalette(f);
  PatchFolder::write(f.path("Ann.gels"), "[A3]\n7=1|2|3|4|5|6|7|8\n[A4]\n7=1|1|1\n");
  EXPECT_TRUE(deleteDesignerColour(f.dir.path(), "Ann", "a3"));
  EXPECT_FALSE(IniFile(f.path("Ann.gels")).sectionExists("A3"));
  EXPECT_TRUE(IniFile(f.path("Ann.gels")).sectionExists("A4"));
  EXPECT_FALSE(IniFile(f.path("Users.pal")).valueExists("Ann", "A3"));
  EXPECT_TRUE(IniFile(f.path("Users.pal")).valueExists("Ann", "A4"));
  const QByteArray before = PatchFolder::read(f.path("Users.pal"));
  EXPECT_TRUE(deleteDesignerColour(f.dir.path(), "Ann", ""));
  EXPECT_EQ(PatchFolder::read(f.path("Users.pal")), before);
}

TEST(GelPalettesTest, SaveUserChecksInOrder) {
  PatchFolder f;
  PatchFolder::write(f.path("Users.pal"), "[Users]\nAnn=A\nBob=B\n");
  struct Case {
    const char* name;
    const char* letter;
    const char* title;
  } cases[] = {
      {"", "", "Missing Name"},         {"", "C", "Missing Name"},
      {"Cy", "", "Missing Name"},       {"a/b", "C", "Invalid Name"},
      {"a\\b", "C", "Invalid Name"},    {"a=b", "C", "Invalid Name"},
      {"[x", "C", "Invalid Name"},      {"users", "C", "Invalid Name"},
      {"NewUser", "C", "Invalid Name"}, {"vqlighting5", "C", "Invalid Name"},
      {"ann", "R", "Duplicate Name"},   {"Cy", "r", "Reserved Letter"},
      {"Cy", "bx", "Duplicate Letter"},
  };
  for (const Case& c : cases) {
    const auto m = saveUser(f.dir.path(), c.name, c.letter);
    ASSERT_TRUE(m) << c.name << "/" << c.letter;
    EXPECT_EQ(m->title, c.title) << c.name << "/" << c.letter;
  }
  EXPECT_EQ(saveUser(f.dir.path(), "", "")->text, "Click \"Save\" after entering a new name and letter.");
  EXPECT_FALSE(saveUser(f.dir.path(), "", "")->error);
  EXPECT_EQ(saveUser(f.dir.path(), "Cy", "b")->text, "Bob is already using that letter.");

  // No starter palette: refused, nothing written.
  const QByteArray before = PatchFolder::read(f.path("Users.pal"));
  EXPECT_TRUE(saveUser(f.dir.path(), "Cy", "c"));
  EXPECT_EQ(PatchFolder::read(f.path("Users.pal")), before);

  PatchFolder::write(f.path("NEWUSER.gels"), bom("1|2|3\r\n4|5|6|7|8|9|10|11\r\n"));
  EXPECT_FALSE(saveUser(f.dir.path(), "Cy", "c"));
  const DesignerList list = loadUsers(f.dir.path());
  EXPECT_EQ(list.names, QStringList({"Ann", "Bob", "Cy"}));
  EXPECT_EQ(list.letters, QStringList({"A", "B", "C"}));
  EXPECT_EQ(list.indexOf("cy"), 2);
  EXPECT_EQ(list.indexOf("Dee"), -1);
  const IniFile palette(f.path("Users.pal"));
  EXPECT_EQ(palette.keys("Cy").size(), 16);
  EXPECT_EQ(palette.readString("Cy", "C0", "x"), "1|2|3");
  EXPECT_EQ(palette.readString("Cy", "C1", "x"), "4|5|6|7|8|9|10|11");
  EXPECT_EQ(palette.readString("Cy", "C15", "x"), "");
  EXPECT_TRUE(PatchFolder::read(f.path("Users.pal")).startsWith("\xEF\xBB\xBF"));

  // A first designer creates the [users] section.
  PatchFolder g;
  PatchFolder::write(g.path("newuser.gels"), "1|2|3\n");
  EXPECT_FALSE(saveUser(g.dir.path(), "Dee", "d"));
  EXPECT_TRUE(PatchFolder::read(g.path("Users.pal")).contains("[users]"));
  EXPECT_EQ(loadUsers(g.dir.path()).letters, QStringList({"D"}));
}

TEST(GelPalettesTest, ShippedTablesAndStarterPalette) {
  const QString folder = programFolder();
  for (const QString& name : {gelfiles::kWhiteTable, gelfiles::kLimeTable}) {
    const QString path = gelfiles::path(folder, name);
    const PieList pie = gelPieList(path);
    EXPECT_GE(pie.keys.size(), 40) << name.toStdString();
    const IniFile table(path);
    for (const QString& key : pie.keys) {
      EXPECT_TRUE(key.startsWith(u'R')) << key.toStdString();
      const QStringList fields = table.readString("Values", key, "").split(u'|');
      ASSERT_EQ(fields.size(), 8) << key.toStdString();
      for (const QString& field : fields) {
        bool ok = false;
        const int n = field.toInt(&ok);
        EXPECT_TRUE(ok && n >= 0 && n <= 255) << key.toStdString();
      }
    }
  }
  const IniFile named(gelfiles::path(folder, gelfiles::kPaletteColourTable));
  EXPECT_GE(named.keys("Values").size(), 40);
  for (unsigned rgb : palettePieColours())
    EXPECT_NE(paletteColour(gelfiles::path(folder, gelfiles::kPaletteColourTable), rgb).name, "Unknown");
  for (const QString& key : named.keys("Values")) {
    EXPECT_EQ(key.size(), 6);
    EXPECT_EQ(named.readString("Values", key, "").split(u'|').size(), 6) << key.toStdString();
  }
  EXPECT_EQ(named.readString("Values", "0091ff", ""), "Orange|62|1|0|193|0");

  // A new designer gets the shipped starter palette.
  PatchFolder f;
  QFile::copy(gelfiles::path(folder, gelfiles::kNewUser), f.path("newuser.gels"));
  EXPECT_FALSE(saveUser(f.dir.path(), "Ann", "A"));
  const auto pie = designerPieList(f.dir.path(), "Ann");
  ASSERT_TRUE(pie);
  EXPECT_EQ(pie->keys.size(), 16);
  EXPECT_EQ(pie->colours[0], 0xffffffu);
  EXPECT_EQ(pie->keyOf(0x0091ff), "A10");
}
