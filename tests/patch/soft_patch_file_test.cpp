#include "console/patch/soft_patch_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/patch/patch_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {
std::vector<int> addresses(const DimmerTable& table, int ch) {
  return {table.addresses(ch).begin(), table.addresses(ch).end()};
}

// A patch file of the given channel lines (line k + 1 = lines[k - 1]), "-1" first.
QByteArray patchText(const std::vector<QString>& lines) {
  QByteArray out = "-1\r\n";
  for (const auto& l : lines) out += toWindows1252(l) + "\r\n";
  return out;
}

QList<QByteArray> fileLines(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (auto& l : lines) {
    EXPECT_TRUE(l.endsWith('\r'));
    l.chop(1);
  }
  return lines;
}

class SoftPatchFileTest : public ::testing::Test {
 protected:
  SoftPatchFileTest() {
    PatchFolder::write(f.mapFile, newFixtureMapBytes(0));
    ctx().MaxChannels = 512;
  }
  PatchContext& ctx() { return *f.ctx; }
  PatchFileResult load() { return Loadgrid(ctx(), tables, grid); }
  PatchFileResult save() { return SavePatchfile(ctx(), tables, grid, fixtureStart, bumpScenes); }

  PatchFolder f;
  DialogRecorder dialogs;
  PatchTables tables;
  PatchGrid grid;
  FixtureMap::Table fixtureStart{};
  std::array<int, 8> bumpScenes{};
};
}  // namespace

TEST(SoftPatchLine, SplitsByTheReadingRules) {
  struct Case {
    const char* line;
    const char* label;
    const char* dimmer;
    const char* description;
    const char* fixture;
  };
  const Case cases[] = {
      {"5,10 11/50 12,Front wash,0", "5", "10 11/50 12", "Front wash", "0"},
      {"5,10 11/50 12,,", "5", "10 11/50 12", "", ""},
      {"1,1,", "1", "1", "", ""},  // new-file form: no fixture field
      {"513(1),513,", "513(1)", "513", "", ""},
      {" 7 , 10 , desc , 12 ", " 7 ", "10", "desc", "12"},  // only the label is kept untrimmed
      {",,,", "9", "", "", ""},                             // an empty label becomes the channel number
      {"", "9", "", "", ""},
      {"7", "7", "", "", ""},
      {"1,1,Front, left,3", "1", "1", "Front", "left,3"},  // the fixture field takes the rest
  };
  for (const auto& c : cases) {
    const PatchLineFields f = splitPatchLine(c.line, 9);
    EXPECT_EQ(f.label, c.label) << c.line;
    EXPECT_EQ(f.dimmer, c.dimmer) << c.line;
    EXPECT_EQ(f.description, c.description) << c.line;
    EXPECT_EQ(f.fixture, c.fixture) << c.line;
  }
}

TEST(SoftPatchLine, WritesCellsInFileOrderWithoutShiftingFields) {
  EXPECT_EQ(formatPatchLine({5, "5", "10 11/50 12", "", ""}), "5,10 11/50 12,,");
  EXPECT_EQ(formatPatchLine({3, "3", "3", "101", "Intensity LED"}), "3,3,Intensity LED,101");
  // Commas would move the following fields: written as semicolons; line breaks as blanks.
  const QString line = formatPatchLine({4, "4", "4", "17", "Front, left\r\nside"});
  EXPECT_EQ(line, "4,4,Front; left  side,17");
  const PatchLineFields back = splitPatchLine(line, 4);
  EXPECT_EQ(back.description, "Front; left  side");
  EXPECT_EQ(back.fixture, "17");
}

TEST(SoftPatchLine, DimmerFieldsBecomeDimmerLists) {
  struct Case {
    const char* field;
    const char* list;
    std::vector<std::pair<int, int>> percent;  // address, expected PatchPercent
  };
  const Case cases[] = {
      {"10 11/50 12", "|10|11|12|", {{10, 100}, {11, 50}, {12, 100}}},
      {"10  12", "|10||12|", {{10, 100}, {12, 100}}},
      {"", "||", {}},
      {"7/abc", "|7|", {{7, 0}}},         // a level that is not a number counts as 0
      {"8/-20", "|8|", {{8, -20}}},       // negative levels are kept as read
      {"x/50 2000 0", "|x|2000|0|", {}},  // no percentage outside 1..1024
  };
  for (const auto& c : cases) {
    patch::PercentTable percent{};
    EXPECT_EQ(buildDimmerList(c.field, percent), c.list) << c.field;
    int set = 0;
    for (int a = 1; a <= patch::kMaxChannels; ++a) set += percent[a] != 0;
    int expectedSet = 0;
    for (auto [a, p] : c.percent) {
      EXPECT_EQ(percent[a], p) << c.field << " @" << a;
      expectedSet += p != 0;
    }
    EXPECT_EQ(set, expectedSet) << c.field;
  }
}

TEST(SoftPatchLine, FirstLineIsABoolean) {
  struct Case {
    const char* text;
    bool ok;
    bool value;
  };
  const Case cases[] = {{"-1", true, true},   {"0", true, false},   {"1", true, true},
                        {"2.5", true, true},  {"TRUE", true, true}, {"false", true, false},
                        {" -1 ", true, true}, {"", false, false},   {"yes", false, false}};
  for (const auto& c : cases) {
    bool v = !c.value;
    EXPECT_EQ(parsePatchBool(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST_F(SoftPatchFileTest, NewShowFileHasExactBytes) {
  // Written out independently of the writer: "-1", then label,k, with labels k(k-512) above 512.
  QByteArray expected = "-1\r\n";
  for (int k = 1; k <= 512; ++k) expected += QByteArray::number(k) + "," + QByteArray::number(k) + ",\r\n";
  for (int k = 513; k <= 1024; ++k)
    expected +=
        QByteArray::number(k) + "(" + QByteArray::number(k - 512) + ")," + QByteArray::number(k) + ",\r\n";

  ASSERT_TRUE(CreatenewP(ctx(), tables, &grid).ok());
  const QByteArray written = PatchFolder::read(f.patchFile);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(written.size(), 12530);
  const auto lines = fileLines(written);
  ASSERT_EQ(lines.size(), 1025);
  EXPECT_EQ(lines[1], "1,1,");
  EXPECT_EQ(lines[513], "513(1),513,");
  EXPECT_EQ(lines[1024], "1024(512),1024,");
  EXPECT_EQ(tables.PatchTable[1024], "|1024|");
}

TEST_F(SoftPatchFileTest, NewShowFileLoadsOneToOne) {
  ctx().MaxChannels = 1024;
  ASSERT_TRUE(load().ok());  // the missing file is made first
  EXPECT_TRUE(dialogs.shown.empty());
  ASSERT_EQ(grid.rows.size(), 1024u);
  EXPECT_TRUE(grid.byChannel);
  for (int k : {1, 512, 513, 1024}) {
    EXPECT_EQ(tables.PatchTable[k], "|" + QString::number(k) + "|");
    EXPECT_EQ(addresses(tables.PatchTable, k), std::vector<int>{k});
    EXPECT_EQ(tables.PatchPercent[k], 100);
    EXPECT_EQ(tables.ChannelFixture[k], 0);
  }
  EXPECT_EQ(grid.rows[512].label, "513(1)");
  EXPECT_EQ(grid.rows[512].dimmer, "513");
  EXPECT_TRUE(grid.rows[512].description.isEmpty());
}

TEST_F(SoftPatchFileTest, LoadsProportionalAndEmptyEntries) {
  std::vector<QString> lines;
  for (int k = 1; k <= 512; ++k) lines.push_back(QString("%1,%1,,").arg(k));
  lines[4] = "5,10 11/50 12,Front wash,0";
  lines[5] = "6,20  22,,";
  lines[6] = "7,,,";
  for (int k = 10; k <= 12; ++k)
    lines[size_t(k - 1)] = QString("%1,,,").arg(k);  // the last reader sets a percentage
  PatchFolder::write(f.patchFile, patchText(lines));
  tables.PatchPercent[900] = 77;  // cleared by the load

  ASSERT_TRUE(load().ok());
  EXPECT_EQ(tables.PatchTable[5], "|10|11|12|");
  EXPECT_EQ(tables.PatchPercent[10], 100);
  EXPECT_EQ(tables.PatchPercent[11], 50);
  EXPECT_EQ(tables.PatchPercent[12], 100);
  EXPECT_EQ(grid.rows[4].description, "Front wash");
  EXPECT_EQ(tables.ChannelFixture[5], 0);
  EXPECT_EQ(tables.PatchTable[6], "|20||22|");
  EXPECT_EQ(addresses(tables.PatchTable, 6), (std::vector<int>{20, 22}));
  EXPECT_EQ(tables.PatchTable[7], "||");
  EXPECT_TRUE(tables.PatchTable.addresses(7).empty());
  EXPECT_EQ(tables.PatchPercent[900], 0);
}

TEST_F(SoftPatchFileTest, ReportsAddressesAboveTheSubmasters) {
  ctx().MaxChannels = 256;
  std::vector<QString> lines;
  for (int k = 1; k <= 256; ++k) lines.push_back(QString("%1,%1,,").arg(k));
  lines[39] = "40,300,,";
  lines[40] = "41,260,,";     // submaster 4: no report
  lines[41] = "42,5000 7,,";  // beyond every table: reported, never indexed
  PatchFolder::write(f.patchFile, patchText(lines));
  dialogs.answer(DialogResult::Ok);
  dialogs.answer(DialogResult::Ok);

  ASSERT_TRUE(load().ok());
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].title, "Softpatch problem");
  EXPECT_EQ(dialogs.shown[0].text, "Channel 40 is patched higher than the channel count.");
  EXPECT_EQ(dialogs.shown[1].text, "Channel 42 is patched higher than the channel count.");
  EXPECT_EQ(tables.PatchTable[40], "|300|");  // kept in the list, drives nothing
  EXPECT_TRUE(tables.PatchTable.addresses(40).empty());
  EXPECT_EQ(addresses(tables.PatchTable, 41), std::vector<int>{260});
  EXPECT_EQ(addresses(tables.PatchTable, 42), std::vector<int>{7});
}

TEST_F(SoftPatchFileTest, FixtureNumbersAreRangeCheckedAndIntensityTablesRebuilt) {
  std::vector<QString> lines;
  for (int k = 1; k <= 512; ++k) lines.push_back(QString("%1,%1,,").arg(k));
  lines[0] = "1,,LED,101";
  lines[1] = "2,,,5000";  // no such start address
  lines[2] = "3,,,-4";
  lines[3] = "4,,,abc";
  lines[4] = "5,,,200";  // its intensity channel cannot be found
  PatchFolder::write(f.patchFile, patchText(lines));
  std::vector<int> asked;
  ctx().ledintens = [&](int start) {
    asked.push_back(start);
    return start == 101 ? 100 : -1;
  };

  ASSERT_TRUE(load().ok());
  EXPECT_EQ(asked, (std::vector<int>{101, 200}));
  EXPECT_EQ(tables.ChannelFixture[1], 101);
  EXPECT_EQ(tables.IntensityChannel[1], 100);
  EXPECT_EQ(tables.IntensityOwner[100], 1);
  for (int ch : {2, 3, 4}) EXPECT_EQ(tables.ChannelFixture[ch], 0) << ch;
  EXPECT_EQ(tables.ChannelFixture[5], 200);
  EXPECT_EQ(tables.IntensityChannel[5], -1);

  // A reload without the fixture forgets its intensity owner.
  lines[0] = "1,1,,";
  PatchFolder::write(f.patchFile, patchText(lines));
  ASSERT_TRUE(load().ok());
  EXPECT_EQ(tables.ChannelFixture[1], 0);
  EXPECT_EQ(tables.IntensityOwner[100], 0);
  EXPECT_EQ(tables.IntensityChannel[1], 0);
}

TEST_F(SoftPatchFileTest, ABadFirstLineKeepsTheTables) {
  ASSERT_TRUE(CreatenewP(ctx(), tables, nullptr).ok());
  ASSERT_TRUE(load().ok());
  PatchFolder::write(f.patchFile, "maybe\r\n5,99,,\r\n");
  const PatchFileResult r = load();
  EXPECT_EQ(r.status, PatchFileResult::Status::ConversionError);
  EXPECT_EQ(tables.PatchTable[1], "|1|");
  EXPECT_EQ(grid.rows.size(), 512u);
}

TEST_F(SoftPatchFileTest, ADamagedOrHugeFileIsNamedInWordsAndLeftAsItIs) {
  ASSERT_TRUE(CreatenewP(ctx(), tables, nullptr).ok());
  ASSERT_TRUE(load().ok());
  const QByteArray noise("\x8f\x01zq\xff\r\n\x02,,\x7f", 11);
  const QByteArray contents[] = {QByteArray(), noise};
  for (const QByteArray& bytes : contents) {
    PatchFolder::write(f.patchFile, bytes);
    const PatchFileResult r = load();
    EXPECT_EQ(r.status, PatchFileResult::Status::ConversionError);
    EXPECT_EQ(r.error, "The soft patch file \"" + f.patchFile +
                           "\" is damaged: its first line is not \"-1\" or \"0\". It was not loaded and is "
                           "left as it is.");
    EXPECT_FALSE(r.error.contains("File not")) << "not the missing-file answer";
    QFile file(f.patchFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(tables.PatchTable[1], "|1|");
  }

  // Far larger than any patch file: refused by its size, unread.
  {
    QFile file(f.patchFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("-1\r\n1,7,,\r\n");
    ASSERT_TRUE(file.resize(3LL << 30));
  }
  const PatchFileResult r = load();
  EXPECT_EQ(r.status, PatchFileResult::Status::FileError);
  EXPECT_TRUE(r.error.contains(QDir::toNativeSeparators(f.patchFile)) && r.error.contains("3.0 GB"))
      << r.error.toStdString();
  EXPECT_FALSE(r.error.contains("File not"));
  EXPECT_EQ(tables.PatchTable[1], "|1|");
  EXPECT_EQ(QFileInfo(f.patchFile).size(), 3LL << 30);
}

TEST_F(SoftPatchFileTest, RoundTripIsByteExact) {
  std::vector<QString> lines;
  for (int k = 1; k <= 1024; ++k) lines.push_back(QString("%1,%1,,").arg(k));
  lines[4] = "5,10 11/50 12,Front wash NBUMP5,0";
  lines[9] = "10,,Caf\u00e9 \u20ac,";
  PatchFolder::write(f.patchFile, patchText(lines));
  const QByteArray before = PatchFolder::read(f.patchFile);

  ASSERT_TRUE(load().ok());
  ASSERT_TRUE(save().ok());
  EXPECT_EQ(PatchFolder::read(f.patchFile), before);
  EXPECT_EQ(grid.rows[9].description, QString("Caf\u00e9 \u20ac"));
}

TEST_F(SoftPatchFileTest, ChannelsAboveTheCountSurviveASmallerSession) {
  // A 1024-channel patch with content on every line, opened at 512 channels.
  std::vector<QString> lines;
  for (int k = 1; k <= 1024; ++k)
    lines.push_back(QString("%1,%2 %3/40,Unit %1,").arg(newPatchLabel(k)).arg(1025 - k).arg(k));
  PatchFolder::write(f.patchFile, patchText(lines));
  const QByteArray before = PatchFolder::read(f.patchFile);
  dialogs.answerDefaults = true;  // addresses above 520 are reported while at 512 channels

  ctx().MaxChannels = 512;
  ASSERT_TRUE(load().ok());
  EXPECT_EQ(grid.rows.size(), 512u);
  grid.rows[0].description = "changed";
  ASSERT_TRUE(save().ok());
  const auto saved = fileLines(PatchFolder::read(f.patchFile));
  const auto original = fileLines(before);
  ASSERT_EQ(saved.size(), 1025);
  EXPECT_EQ(saved[1], "1,1024 1/40,changed,");
  for (int k = 2; k <= 1024; ++k) EXPECT_EQ(saved[k], original[k]) << k;

  // Back at 1024 channels the upper half is as it was.
  ctx().MaxChannels = 1024;
  ASSERT_TRUE(load().ok());
  EXPECT_EQ(tables.PatchTable[1000], "|25|1000|");
  EXPECT_EQ(grid.rows[999].description, "Unit 1000(488)");
}

TEST_F(SoftPatchFileTest, ShortFileSavesDefaultsAboveTheCount) {
  ctx().MaxChannels = 256;
  std::vector<QString> lines;
  for (int k = 1; k <= 256; ++k) lines.push_back(QString("%1,%1,,").arg(k));
  PatchFolder::write(f.patchFile, patchText(lines));
  ASSERT_TRUE(load().ok());
  ASSERT_TRUE(save().ok());
  const auto saved = fileLines(PatchFolder::read(f.patchFile));
  ASSERT_EQ(saved.size(), 1025);
  EXPECT_EQ(saved[256], "256,256,,");
  EXPECT_EQ(saved[257], "257,257,,");
  EXPECT_EQ(saved[1024], "1024,1024,,");
}

TEST_F(SoftPatchFileTest, SavesInChannelOrderWhateverTheRowOrder) {
  ASSERT_TRUE(load().ok());
  grid.rows[1].dimmer = "9";
  grid.byChannel = false;
  std::reverse(grid.rows.begin(), grid.rows.end());
  ASSERT_TRUE(save().ok());
  const auto saved = fileLines(PatchFolder::read(f.patchFile));
  EXPECT_EQ(saved[0], "0");
  EXPECT_EQ(saved[1], "1,1,,");
  EXPECT_EQ(saved[2], "2,9,,");
  EXPECT_EQ(saved[3], "3,3,,");
  EXPECT_EQ(grid.rows[0].channel, 1);
  EXPECT_EQ(tables.PatchTable[2], "|9|");
}

TEST_F(SoftPatchFileTest, BumpKeyCheck) {
  struct Case {
    const char* description;
    int sceneOnF7;
    const char* title;  // nullptr: passes
    const char* text;
  };
  const Case cases[] = {
      {"Wash FBUMP7", 0, nullptr, nullptr},
      {"Wash TBUMP6(2.5) nbump5", 0, nullptr, nullptr},
      {"Wash FBUMP7", 3, "F key conflict", "Key F7 is already in use for a scene."},
      {"BUMP 4", 0, "F key error", "Key F5 is the first available Bump button."},
      {"bumper", 0, "F key error", "Key F5 is the first available Bump button."},
      {"BUMP13", 0, "Bump key mismatch", "Key F13 used in non-existing scene."},
  };
  ASSERT_TRUE(load().ok());
  for (const auto& c : cases) {
    grid.rows[2].description = c.description;
    bumpScenes[2] = c.sceneOnF7;
    const auto failure = checkBumpKeys(grid, 512, bumpScenes);
    ASSERT_EQ(failure.has_value(), c.title != nullptr) << c.description;
    if (!failure) continue;
    EXPECT_EQ(failure->title, c.title);
    EXPECT_EQ(failure->text, c.text);
    EXPECT_EQ(failure->buttons, DialogButtons::Cancel);
    EXPECT_EQ(failure->place, MessageSpec::Place::OffsetFromParent);
    EXPECT_EQ(failure->position, QPoint(65, 200));
  }
}

TEST_F(SoftPatchFileTest, RefusedSaveWritesNothing) {
  ASSERT_TRUE(load().ok());
  const QByteArray before = PatchFolder::read(f.patchFile);
  grid.rows[0].dimmer = "44";
  grid.rows[3].description = "BUMP13";
  dialogs.answer(DialogResult::Cancel);
  EXPECT_EQ(save().status, PatchFileResult::Status::Refused);
  EXPECT_EQ(dialogs.count("Bump key mismatch"), 1);
  EXPECT_EQ(PatchFolder::read(f.patchFile), before);
  EXPECT_EQ(tables.PatchTable[1], "|1|");
}

TEST_F(SoftPatchFileTest, SaveStoresFixtureStartsAndReloadsHints) {
  ASSERT_TRUE(load().ok());
  QByteArray map = newFixtureMapBytes(7);
  map[2048 * 3 + 10] = 99;  // record 3 must be left alone
  PatchFolder::write(f.mapFile, map);
  fixtureStart[101] = 101;
  fixtureStart[102] = 101;
  fixtureStart[1024] = 2000;
  int hintLoads = 0;
  ctx().refreshChannelHints = [&] { ++hintLoads; };

  ASSERT_TRUE(save().ok());
  const QByteArray after = PatchFolder::read(f.mapFile);
  ASSERT_EQ(after.size(), 8192);
  EXPECT_EQ(after.left(2048), encodeMapRecord(fixtureStart));
  EXPECT_EQ(after.mid(2048), map.mid(2048));
  EXPECT_EQ(hintLoads, 1);
}

TEST_F(SoftPatchFileTest, RepPlotSaveLeavesTheMapAlone) {
  ctx().UseRepPlot = true;
  f.patchFile = f.path("rep_plot.spch");
  PatchFolder::write(f.patchFile, newPatchFileBytes());
  const QByteArray map = PatchFolder::read(f.mapFile);
  ASSERT_TRUE(load().ok());
  EXPECT_EQ(tables.RepPatchTable[3], "|3|");
  EXPECT_EQ(tables.PatchTable[3], "||");

  grid.rows[2].dimmer = "30";
  fixtureStart[1] = 1;
  ctx().refreshChannelHints = [] { FAIL() << "hints are not reloaded in repertory-plot mode"; };
  ASSERT_TRUE(save().ok());
  EXPECT_EQ(PatchFolder::read(f.mapFile), map);
  EXPECT_EQ(fileLines(PatchFolder::read(f.patchFile))[3], "3,30,,");
  EXPECT_EQ(tables.RepPatchTable[3], "|30|");
  EXPECT_EQ(tables.PatchTable[3], "||");
}

TEST_F(SoftPatchFileTest, RepPlotNewPatchCopiesTheShippedFile) {
  ctx().UseRepPlot = true;
  EXPECT_EQ(CreatenewP(ctx(), tables, nullptr).status, PatchFileResult::Status::FileError);
  EXPECT_TRUE(CreatenewP(ctx(), tables, nullptr).error.contains("File not"));

  PatchFolder::write(f.path("VqLighting.spch"), "-1\r\n1,7,,\r\n");
  PatchFolder::write(f.path("rep_plot.spch"), "old");
  ASSERT_TRUE(CreatenewP(ctx(), tables, nullptr).ok());
  EXPECT_EQ(PatchFolder::read(f.path("rep_plot.spch")), "-1\r\n1,7,,\r\n");
}

TEST_F(SoftPatchFileTest, NewPatchFollowsTheCueFileWhenFileSourceIsOff) {
  ctx().FileSource = false;
  const QString target = f.path("cues/show.spch");
  ASSERT_TRUE(QDir(f.dir.path()).mkpath("cues"));

  // No: the one-to-one file next to the cue file.
  dialogs.answer(DialogResult::No);
  ASSERT_TRUE(NewPatch(ctx(), tables, nullptr).ok());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Softpatch File");
  EXPECT_EQ(dialogs.shown[0].text, "Would you like to use an existing\n\rfile as your base for this show?");
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
  EXPECT_EQ(f.patchFile, target);
  EXPECT_EQ(PatchFolder::read(target), newPatchFileBytes());

  // Yes, then cancel: still the one-to-one file.
  QFile::remove(target);
  dialogs.answer(DialogResult::Yes);
  int opened = 0;
  ctx().openFile = [&](const OpenFileRequest& req) {
    ++opened;
    EXPECT_EQ(req.filter, "Softpatch Files (*.spch)|*.SPCH");
    EXPECT_EQ(req.defaultExt, "spch");
    EXPECT_EQ(req.title, "Select Directory and File name");
    EXPECT_TRUE(req.mustExist);
    return QString();
  };
  ASSERT_TRUE(NewPatch(ctx(), tables, nullptr).ok());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(PatchFolder::read(target), newPatchFileBytes());

  // Yes and a base show: its patch, scenes and groups come along.
  PatchFolder::write(f.path("base.spch"), "-1\r\n1,5,,\r\n");
  PatchFolder::write(f.path("base.scne"), "scenes");
  PatchFolder::write(f.path("base.lgrp"), "groups");
  PatchFolder::write(f.path("show.scne"), "old scenes");
  dialogs.answer(DialogResult::Yes);
  ctx().openFile = [&](const OpenFileRequest&) { return f.path("base.spch"); };
  ASSERT_TRUE(NewPatch(ctx(), tables, nullptr).ok());
  EXPECT_EQ(PatchFolder::read(target), "-1\r\n1,5,,\r\n");
  EXPECT_EQ(PatchFolder::read(f.path("show.scne")), "scenes");
  EXPECT_EQ(PatchFolder::read(f.path("show.lgrp")), "groups");
}

TEST_F(SoftPatchFileTest, OneToOnePatchForAShow) {
  ASSERT_TRUE(writeOneToOnePatch(f.patchFile, 600).ok());
  const auto lines = fileLines(PatchFolder::read(f.patchFile));
  ASSERT_EQ(lines.size(), 1025);
  EXPECT_EQ(lines[0], "-1");
  EXPECT_EQ(lines[1], "1,1,,");
  EXPECT_EQ(lines[513], "513(1),513,,");
  EXPECT_EQ(lines[601], "601,601,,");

  ctx().MaxChannels = 600;
  ASSERT_TRUE(load().ok());
  for (int k = 1; k <= 600; ++k) ASSERT_EQ(addresses(tables.PatchTable, k), std::vector<int>{k}) << k;
}

TEST_F(SoftPatchFileTest, MissingFilesAreMadeBeforeLoading) {
  QFile::remove(f.mapFile);
  ctx().WarmUpLevel = 12;
  ASSERT_TRUE(load().ok());
  EXPECT_EQ(PatchFolder::read(f.mapFile), newFixtureMapBytes(12));
  EXPECT_EQ(PatchFolder::read(f.patchFile), newPatchFileBytes());
}

TEST_F(SoftPatchFileTest, FirstActivationMakesMissingFilesAndReadsTheMap) {
  QFile::remove(f.mapFile);
  ctx().WarmUpLevel = 9;
  ctx().MaxChannels = 4;
  FixtureMapFile mapFile;
  FixtureMap map;
  ASSERT_TRUE(loadSideFilesAtActivation(ctx(), tables, &grid, mapFile, map).ok());
  EXPECT_EQ(f.waited, 250);
  EXPECT_TRUE(QFileInfo::exists(f.patchFile));
  EXPECT_TRUE(mapFile.isOpen());
  EXPECT_EQ(map.WarmUpLevels[4], 9);
  EXPECT_EQ(map.WarmUpLevels[5], 0);  // above the channel count: untouched
}

TEST_F(SoftPatchFileTest, FirstActivationWaitsOnlyAfterMakingTheMap) {
  struct Case {
    bool mapThere;
    bool patchThere;
    int waited;
  } cases[] = {
      {false, false, 250},
      {false, true, 250},
      {true, false, 0},
      {true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "map " << c.mapThere << ", patch " << c.patchThere);
    if (c.mapThere)
      PatchFolder::write(f.mapFile, newFixtureMapBytes(0));
    else
      QFile::remove(f.mapFile);
    if (c.patchThere)
      PatchFolder::write(f.patchFile, "-1\r\n1,5,,\r\n");
    else
      QFile::remove(f.patchFile);
    f.waited = 0;
    FixtureMapFile mapFile;
    FixtureMap map;
    ASSERT_TRUE(loadSideFilesAtActivation(ctx(), tables, &grid, mapFile, map).ok());
    EXPECT_EQ(f.waited, c.waited);
    EXPECT_TRUE(QFileInfo::exists(f.mapFile));
    EXPECT_EQ(PatchFolder::read(f.patchFile),
              c.patchThere ? QByteArray("-1\r\n1,5,,\r\n") : newPatchFileBytes());
  }
}
