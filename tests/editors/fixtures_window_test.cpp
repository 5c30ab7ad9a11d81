#include "console/editors/fixtures_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "console/editors/colour_picker_window.h"
#include "console/editors/colour_pie.h"
#include "console/editors/colour_wheel.h"
#include "console/editors/fixture_type_editor.h"
#include "console/editors/fixtures_host.h"
#include "console/editors/used_fixtures.h"
#include "console/engine/console_state.h"
#include "console/patch/colour_picks.h"
#include "console/patch/gel_palettes.h"
#include "console/patch/soft_patch_file.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/test_clock.h"

namespace {

// The main window as the fixtures window sees it: a program folder of its own with a library,
// channel tables, a one-to-one patch of 256 channels and a blank map; level edits as texts.
class FakeFixturesHost : public FixturesHost {
 public:
  FakeFixturesHost() {
    folder = dir.path();
    QDir(folder).mkdir("lcsv");
    S.MaxChannels = 256;
    S.UpdatingEdits = false;
    S.FixtureLibraryFile = folder + "/vqlighting.lfix";
    S.FixtureMapFile = folder + "/show.fmap";
    S.SoftPatchFile = folder + "/show.spch";
    S.MainIniFile = folder + "/vqlighting.ini";
    S.WarmUp = 10;
    edits.assign(256, "0");
    FixtureChannelTable t = FixtureChannelTable::blank();
    t.setChannel(1, "0-100", "Intensity");
    t.setChannel(2, "0-255", "Red");
    t.setChannel(3, "0-255", "Green");
    t.setChannel(4, "0-255", "Blue");
    EXPECT_TRUE(writeChannelTable(folder + "/lcsv/RGBI.lcsv", t).ok());
    FixtureChannelTable blank = FixtureChannelTable::blank();
    EXPECT_TRUE(writeChannelTable(folder + "/lcsv/add.lcsv", blank).ok());
    FixtureTypeRecord r;
    r.id = 1;
    r.name = "RGBI";
    r.description = "Four channel LED";
    r.channelCount = 4;
    r.intensity = 1;
    r.minIntensity = 5;
    r.red = 2;
    r.green = 3;
    r.blue = 4;
    EXPECT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {r}).ok());
    EXPECT_TRUE(CreatenewFile(S.FixtureMapFile, 10).ok());
    PatchContext ctx = patchContext();
    EXPECT_TRUE(CreatenewP(ctx, S.Patch, &grid).ok());
    EXPECT_TRUE(Loadgrid(ctx, S.Patch, grid).ok());
  }

  ConsoleState& state() override { return S; }
  PatchContext patchContext() override {
    PatchContext ctx(S.SoftPatchFile, S.FixtureMapFile);
    ctx.programFolder = folder;
    ctx.MaxChannels = S.MaxChannels;
    ctx.WarmUpLevel = S.WarmUp;
    ctx.waitPumped = [](int) {};
    ctx.pumpEvents = [] {};
    ctx.operatorToAsk = std::make_shared<DialogOperator>();
    ctx.ledintens = [this](int start) { return ledintens(start); };
    return ctx;
  }
  PatchGrid& patchGrid() override { return grid; }
  void waitPumped(int) override {}
  QString programFolder() override { return folder; }
  QString programPath() override { return folder + "/vqlighting"; }
  int levelEditCount() override { return int(edits.size()); }
  QString levelEditText(int index) override { return edits.at(size_t(index)); }
  void setLevelEditText(int index, const QString& text) override {
    edits.at(size_t(index)) = text;
    ordinaryEdits.push_back({index, text});
  }
  void setLevelEditTextQuietly(int index, const QString& text) override {
    EXPECT_TRUE(S.UpdatingEdits);
    edits.at(size_t(index)) = text;
  }
  int ledintens(int start) override {
    FixtureMap records;
    FixtureLibrary library;
    if (!readFixtureMapRecords(S.FixtureMapFile, records) ||
        !readFixtureLibrary(S.FixtureLibraryFile, library))
      return -1;
    const FixtureTypeRecord* t = findFixtureType(library, records.FixtureTypes[start]);
    return t && t->intensity > 0 ? records.FixtureStart[start] + t->intensity - 2 : -1;
  }
  void sendDMX() override { ++sends; }
  QString openFile(const OpenFileRequest& request) override {
    requests.push_back(request);
    return chosenFile;
  }
  void reportError(const QString& message) override { errors << message; }

  static QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  QString folder;
  ConsoleState S;
  PatchGrid grid;
  std::vector<QString> edits;
  std::vector<std::pair<int, QString>> ordinaryEdits;
  int sends = 0;
  QString chosenFile;
  std::vector<OpenFileRequest> requests;
  QStringList errors;
};

// The point at the middle of slice i (from 0) of n: half the radius out, at the middle angle.
QPoint sliceMiddle(const ColourPie& pie, int i, int n) {
  const double a = (i + 0.5) * 360.0 / n * 0.017453292519943295;
  const double r = pie.radius() / 2.0;
  return pie.centre() + QPoint(int(std::lround(r * std::cos(a))), -int(std::lround(r * std::sin(a))));
}

QPoint borderAtZeroDegrees(const ColourPie& pie) { return pie.centre() + QPoint(pie.radius() / 2, 0); }

void writeText(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

class FixturesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<Tfixtures>(host, clock);
    window->execDialog = [](QDialog&) { return int(QDialog::Accepted); };
  }
  // Picks the library's type and installs it at `start`.
  void install(int start) {
    window->pickfixture->setCurrentIndex(1);
    window->populatefixture(1);
    window->fixlist->setEditText(QString::number(start));
    window->btnSaveClick();
  }

  FakeFixturesHost host;
  TestClock clock;
  std::unique_ptr<Tfixtures> window;
};

}  // namespace

TEST_F(FixturesWindowTest, PickListInstallInUseAndRemove) {
  DialogRecorder dialogs;
  ASSERT_EQ(window->pickfixture->count(), 2);
  EXPECT_EQ(window->pickfixture->itemText(1), "1 - RGBI");
  window->Fnote->setText("left");
  install(101);
  EXPECT_TRUE(host.errors.isEmpty()) << host.errors.join("\n").toStdString();
  EXPECT_EQ(window->instanceStarts(), QStringList{"101"});
  ASSERT_EQ(window->fixgroup->count(), 1);
  EXPECT_EQ(host.S.Fixtures.FixtureStart[104], 101);
  EXPECT_EQ(host.grid.rowForChannel(102)->description, "Red left");
  EXPECT_TRUE(window->threecolor->isChecked());
  EXPECT_FALSE(window->fAmber->isEnabled());

  window->btnchannelsClick();
  EXPECT_EQ(window->usedWindow().lines(), QStringList{"101 - RGBI"});
  window->usedWindow().close();

  window->fixlist->setCurrentIndex(0);
  window->btndeleteClick();
  EXPECT_EQ(host.S.Fixtures.FixtureStart[101], 0);
  EXPECT_TRUE(window->instanceStarts().isEmpty());
  EXPECT_EQ(window->fixgroup->count(), 0);
  EXPECT_EQ(host.grid.rowForChannel(102)->description, "");
}

TEST_F(FixturesWindowTest, ScrollerListIsSavedToMapAndSettings) {
  DialogRecorder dialogs;
  window->refresh();
  window->scrollers->setPlainText("30 31");
  EXPECT_TRUE(window->FormDirty);
  window->btnSaveClick();
  EXPECT_FALSE(window->FormDirty);
  EXPECT_EQ(host.S.Fixtures.FixtureStart[31], 2000);
  EXPECT_EQ(IniFile(host.S.MainIniFile).readString("Scrollers", "Last", ""), "30 31");
  EXPECT_TRUE(window->Image1->isVisibleTo(window.get()));
  clock.advance(750);  // the saved mark shows for 750 ms
  EXPECT_FALSE(window->Image1->isVisibleTo(window.get()));
}

TEST_F(FixturesWindowTest, PreviewWritesCheckedInstancesAndNoRestoresOnExit) {
  DialogRecorder dialogs;
  install(101);
  install(110);
  window->setInstanceChecked("110", true);
  host.edits[109] = "40";  // intensity of the fixture at 110, captured when the window opens
  window->FixturesFirstShow = false;
  window->show();
  window->shownow->setChecked(true);
  window->fred->setText("300");  // limited to 255
  window->fgreen->setText("20");
  window->value->setText("50");
  EXPECT_EQ(window->fred->text(), "255");
  EXPECT_EQ(host.S.DmxOutBuffer[109], 127);
  EXPECT_EQ(host.S.DmxOutBuffer[110], 255);
  EXPECT_EQ(host.S.DmxOutBuffer[111], 20);
  EXPECT_EQ(host.S.DmxOutBuffer[100], 0);  // not checked
  EXPECT_GT(host.sends, 0);
  EXPECT_TRUE(window->CueColourChanged);
  EXPECT_EQ(window->SwatchColour, 255 | 20 << 8);

  dialogs.answer(DialogResult::No);
  const int sendsBefore = host.sends;
  window->btnexitClick();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Unsaved cue color changes");
  // Nothing was transferred: the previewed bytes are gone from the output.
  EXPECT_EQ(host.S.DmxOutBuffer[109], 0);
  EXPECT_EQ(host.S.DmxOutBuffer[110], 0);
  EXPECT_GT(host.sends, sendsBefore);
  EXPECT_FALSE(window->shownow->isChecked());
  EXPECT_EQ(host.edits[109], "40");
}

TEST_F(FixturesWindowTest, SaveTransfersTheMixIntoTheLevelEdits) {
  DialogRecorder dialogs;
  install(101);
  window->setInstanceChecked("5 (101)", true);
  window->FixturesFirstShow = false;
  window->show();
  window->value->setText("70");
  window->fred->setText("1");
  window->fblue->setText("");
  window->fixlist->setCurrentIndex(-1);
  window->fixlist->clearEditText();
  window->btnSaveClick();
  EXPECT_EQ(host.edits[100], "70");
  EXPECT_EQ(host.edits[101], "1");
  EXPECT_EQ(host.edits[103], "0");
  EXPECT_FALSE(window->CueColourChanged);
  window->btnexitClick();  // no question: the change was transferred
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FixturesWindowTest, IncludeGroupFollowsThePatchToFixtureStarts) {
  DialogRecorder dialogs;
  install(101);
  install(120);
  // Channel 101 drives the fixture at 101, the fixture at 120 and a plain address 50.
  host.grid.rowForChannel(101)->dimmer = "101 120 50";
  PatchContext ctx = host.patchContext();
  ASSERT_TRUE(SavePatchfile(ctx, host.S.Patch, host.grid, host.S.Fixtures.FixtureStart, {}).ok());
  ASSERT_EQ(host.S.Patch.PatchTable.text(101), "|101|120|50|");
  window->setInstanceChecked("101", true);
  window->Vqsoft->setChecked(true);
  window->shownow->setChecked(true);
  window->fblue->setText("9");
  window->value->setText("10");
  EXPECT_EQ(host.S.DmxOutBuffer[103], 9);
  EXPECT_EQ(host.S.DmxOutBuffer[122], 9);
  EXPECT_EQ(host.S.DmxOutBuffer[49], 0);
  EXPECT_EQ(host.S.DmxOutBuffer[119], 26);
  EXPECT_EQ(host.edits[119], "10");  // the intensity edit of the fixture at 120
}

TEST_F(FixturesWindowTest, StepKeysWheelAndGelNumbers) {
  DialogRecorder dialogs;
  install(101);
  window->show();
  window->value->setText("5");
  window->ActiveColourField = 6;
  QTest::keyClick(window->value, Qt::Key_Home);
  EXPECT_EQ(window->value->text(), "100");
  window->ActiveColourField = 1;
  window->fred->setText("5");
  QTest::keyClick(window->fred, Qt::Key_PageDown);
  EXPECT_EQ(window->fred->text(), "0");
  QTest::keyClick(window->fred, Qt::Key_Up);
  EXPECT_EQ(window->fred->text(), "1");
  EXPECT_TRUE(window->SaveGelPending);
  QTest::keyClicks(window->fred, "x");  // not a digit: refused
  EXPECT_EQ(window->fred->text(), "1");

  {
    QFile f(host.folder + "/vqlighting.rgbaw");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Values]\r\nR02=10|20|30|40|50|200|100|0\r\n");
  }
  window->filternum->setFocus();
  QTest::keyClicks(window->filternum, "r0");
  EXPECT_EQ(window->filternum->text(), "R0");
  QTest::keyClicks(window->filternum, "q2");  // q is no gel letter
  EXPECT_EQ(window->filternum->text(), "R02");
  // Three colours: the display colour.
  EXPECT_EQ(window->fred->text(), "200");
  EXPECT_EQ(window->fgreen->text(), "100");
  EXPECT_EQ(window->fblue->text(), "0");
  EXPECT_EQ(window->value->text(), "0");
}

TEST_F(FixturesWindowTest, ExitAsksAboutANewColourAndPanCalculator) {
  DialogRecorder dialogs;
  install(101);
  window->SaveGelPending = true;
  dialogs.answer(DialogResult::No);
  window->btnexitClick();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Possible color change");
  EXPECT_EQ(dialogs.shown[0].text,
            "You changed values to make a new color.\n\rWould you like to save them in any way?");

  // The type's pan range counts in full, beyond what one channel holds.
  window->layout.PanRange = 540;
  window->Light->move(100, 100);
  struct Place {
    int x, y;
    const char* pan;
  };
  for (const Place& p :
       {Place{100, 180, "0"}, Place{20, 100, "135"}, Place{100, 20, "270"}, Place{180, 100, "405"},
        Place{20, 180, "68"}, Place{20, 20, "202"}, Place{180, 180, "472"}}) {
    window->Spot->move(p.x, p.y);
    window->PanCalc();
    EXPECT_EQ(window->panangle->text(), p.pan) << p.x << "," << p.y;
  }

  for (QRadioButton* b : {window->threecolor, window->fourcolor, window->fivecolor})
    b->setAutoExclusive(false);
  window->threecolor->setChecked(false);
  window->fourcolor->setChecked(false);
  window->fivecolor->setChecked(false);
  dialogs.answer(DialogResult::Cancel);
  window->btncolorClick();
  EXPECT_EQ(dialogs.shown.back().title, "No Color count");
}

TEST_F(FixturesWindowTest, TypeEditorAddsValidatesAndDeletes) {
  DialogRecorder dialogs;
  TAddlight& ed = window->editor();
  ed.prepareAdd();
  EXPECT_EQ(ed.windowTitle(), "Add a Fixture");
  ed.name->setText("Wash RGBA");
  FixtureChannelTable t = FixtureChannelTable::blank();
  t.setChannel(1, "0-255", "red");
  t.setChannel(2, "0-255", "GREEN");
  t.setChannel(3, "0-255", "Blue");
  t.setChannel(4, "0-255", "Amber");
  t.setChannel(5, "0-100", "Intensity");
  t.setChannel(9, "0-255", "beyond the count");
  ed.setTable(t);
  ed.fchan->setText("5");

  // Refusals, each with its own dialog; nothing is written.
  const QByteArray before = FakeFixturesHost::readAll(host.S.FixtureLibraryFile);
  ed.reddmx->setText("4");
  dialogs.answer(DialogResult::Ok);
  EXPECT_FALSE(ed.Saveform());
  EXPECT_EQ(dialogs.shown.back().text, "The entry for Red DMX did not match the table.");
  ed.reddmx->clear();
  for (const char* count : {"0", "x"}) {
    ed.fchan->setText(count);
    dialogs.answer(DialogResult::Ok);
    EXPECT_FALSE(ed.Saveform()) << count;
    EXPECT_EQ(dialogs.shown.back().title, "Channel count error") << count;
  }
  ed.fchan->setText("5");
  ed.name->setText("../evil");
  dialogs.answer(DialogResult::Ok);
  EXPECT_FALSE(ed.Saveform());
  EXPECT_EQ(dialogs.shown.back().title, "Fixture name problem");
  ed.name->setText("RGBI");
  dialogs.answer(DialogResult::Ok);
  EXPECT_FALSE(ed.Saveform());
  EXPECT_EQ(dialogs.shown.back().title, "Duplicate file name");
  EXPECT_EQ(FakeFixturesHost::readAll(host.S.FixtureLibraryFile), before);

  ed.setWindowTitle("Add a Fixture");
  ed.name->setText("Wash RGBA");
  ed.prepareAdd();  // clears the fields; fill again
  ed.name->setText("Wash RGBA");
  ed.setTable(t);
  ed.fchan->setText("5");
  ASSERT_TRUE(ed.Saveform());
  FixtureLibrary lib;
  ASSERT_TRUE(readFixtureLibrary(host.S.FixtureLibraryFile, lib));
  ASSERT_EQ(lib.size(), 2u);
  EXPECT_EQ(lib[1].id, 2);  // NextLight 0, id 1 in use
  EXPECT_EQ(lib[1].red, 1);
  EXPECT_EQ(lib[1].green, 2);
  EXPECT_EQ(lib[1].amber, 4);
  EXPECT_EQ(lib[1].intensity, 5);
  EXPECT_EQ(lib[1].channelCount, 5);
  EXPECT_EQ(IniFile(host.S.MainIniFile).readInteger("Settings", "NextLight", 0), 2);
  FixtureChannelTable saved;
  ASSERT_TRUE(readChannelTable(host.folder + "/lcsv/Wash RGBA.lcsv", saved));
  EXPECT_EQ(saved.function(9), "");  // rows beyond the count are cleared

  // Delete the first type with an installed instance: instance, record and map entries go.
  window->ReadLights();
  install(101);
  window->populatefixture(1);
  ed.prepareEdit();
  dialogs.answer(DialogResult::Yes);
  ed.btnDeleteClick();
  ASSERT_TRUE(readFixtureLibrary(host.S.FixtureLibraryFile, lib));
  ASSERT_EQ(lib.size(), 1u);
  EXPECT_EQ(lib[0].name, "Wash RGBA");
  EXPECT_EQ(host.S.Fixtures.FixtureStart[101], 0);
  FixtureMap records;
  ASSERT_TRUE(readFixtureMapRecords(host.S.FixtureMapFile, records));
  EXPECT_EQ(records.FixtureTypes[102], 0);
  EXPECT_EQ(window->pickfixture->count(), 2);
}

TEST_F(FixturesWindowTest, TypeEditorImportsJsonModesAndLoadsTables) {
  DialogRecorder dialogs;
  TAddlight& ed = window->editor();
  ed.prepareAdd();
  QDir(host.folder).mkdir("fixtures");
  const QString json = host.folder + "/fixtures/Spot 4.JSON";
  {
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"modes":[{"name":"Basic","channels":["Dimmer","Red","Green","Blue"]}]})");
  }
  host.chosenFile = json;
  ed.btnlibClick();
  EXPECT_EQ(ed.name->text(), "Spot 4");
  EXPECT_EQ(ed.desc->count(), 1);
  EXPECT_EQ(host.requests.back().initialFolder, host.folder + "/fixtures");
  ed.descCloseUp("Basic");
  EXPECT_EQ(ed.fchan->text(), "4");
  EXPECT_EQ(ed.table().function(1), "Intensity");
  EXPECT_EQ(ed.table().range(1), "0-100");

  host.chosenFile = host.folder + "/lcsv/RGBI.lcsv";
  ed.btnLoadClick();
  EXPECT_EQ(ed.windowTitle(), "Add existing Fixture");
  EXPECT_EQ(ed.name->text(), "RGBI");
  EXPECT_EQ(ed.desc->currentText(), "Four channel LED");
  EXPECT_EQ(ed.fchan->text(), "4");
}

TEST_F(FixturesWindowTest, ATypeMayHaveMoreChannelsThanTheTableHasRows) {
  DialogRecorder dialogs;
  TAddlight& ed = window->editor();
  ed.prepareAdd();
  QDir(host.folder).mkdir("fixtures");
  const QString json = host.folder + "/fixtures/Mover 30.json";
  {
    QStringList channels;
    for (int i = 1; i <= 30; ++i) channels << (i == 1 ? "\"Dimmer\"" : QString("\"Chan %1\"").arg(i));
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString(R"({"modes":[{"name":"Extended","channels":[%1]}]})").arg(channels.join(',')).toUtf8());
  }
  host.chosenFile = json;
  ed.btnlibClick();
  ed.descCloseUp("Extended");
  EXPECT_EQ(ed.fchan->text(), "30");
  EXPECT_EQ(ed.table().function(24), "Chan 24");  // the table shows its 24 rows
  ASSERT_TRUE(ed.Saveform()) << (dialogs.shown.empty() ? "" : dialogs.shown.back().text.toStdString());
  FixtureLibrary lib;
  ASSERT_TRUE(readFixtureLibrary(host.S.FixtureLibraryFile, lib));
  ASSERT_EQ(lib.size(), 2u);
  EXPECT_EQ(lib[1].name, "Mover 30");
  EXPECT_EQ(lib[1].channelCount, 30);
  EXPECT_EQ(lib[1].intensity, 1);

  // Installed, it takes its thirty addresses.
  window->ReadLights();
  window->pickfixture->setCurrentIndex(2);
  window->populatefixture(2);
  window->fixlist->setEditText("101");
  window->btnSaveClick();
  FixtureMap records;
  ASSERT_TRUE(readFixtureMapRecords(host.S.FixtureMapFile, records));
  for (int a : {101, 124, 125, 130}) EXPECT_EQ(records.FixtureStart[a], 101) << a;
  EXPECT_EQ(records.FixtureStart[131], 0);
  EXPECT_EQ(dialogs.count("Fixture Address problem"), 0);
}

TEST_F(FixturesWindowTest, InstancesAreListedFromTheMapFileAfterARestart) {
  DialogRecorder dialogs;
  install(101);
  host.S.Fixtures = FixtureMap{};  // a new session: only starts and warm-up levels are read at activation
  auto again = std::make_unique<Tfixtures>(host, clock);
  again->pickfixture->setCurrentIndex(1);
  again->populatefixture(1);
  EXPECT_EQ(again->instanceStarts(), QStringList{"101"});
}

TEST_F(FixturesWindowTest, EditingCannotTakeAnotherTypesName) {
  DialogRecorder dialogs;
  TAddlight& ed = window->editor();
  ed.prepareAdd();
  ed.name->setText("Other");
  FixtureChannelTable t = FixtureChannelTable::blank();
  t.setChannel(1, "0-255", "Red");
  ed.setTable(t);
  ed.fchan->setText("1");
  ASSERT_TRUE(ed.Saveform());
  window->ReadLights();
  window->pickfixture->setCurrentIndex(2);
  window->populatefixture(2);
  ed.prepareEdit();
  ed.name->setText("rgbi");
  dialogs.answer(DialogResult::Ok);
  EXPECT_FALSE(ed.Saveform());
  EXPECT_EQ(dialogs.shown.back().title, "Duplicate file name");
  FixtureChannelTable rgbi;
  ASSERT_TRUE(readChannelTable(host.folder + "/lcsv/RGBI.lcsv", rgbi));
  EXPECT_EQ(rgbi.function(4), "Blue");
}

TEST_F(FixturesWindowTest, ClosingKeepsIncludeGroupAndLeavesNoPreview) {
  DialogRecorder dialogs;
  install(101);
  window->setInstanceChecked("101", true);
  window->FixturesFirstShow = false;
  window->show();
  window->Vqsoft->setChecked(false);
  window->shownow->setChecked(true);
  host.S.DmxOutBuffer[101] = 33;
  window->fred->setText("99");
  EXPECT_EQ(host.S.DmxOutBuffer[101], 99);
  window->Vqsoft->setChecked(true);
  window->reject();  // Escape or the title bar
  EXPECT_EQ(host.S.DmxOutBuffer[101], 33);
  EXPECT_TRUE(IniFile(host.S.MainIniFile).readBool("Settings", "HonorPatch", false));
}

TEST_F(FixturesWindowTest, ColourPickerPaletteAndTrackBar) {
  DialogRecorder dialogs;
  ASSERT_TRUE(QFile::copy(gelfiles::path(programFolder(), gelfiles::kPaletteColourTable),
                          host.folder + "/Vqlighting5.gels"));
  TColorPick& picker = installColourPicker(*window);
  EXPECT_EQ(picker.parent(), window.get());
  window->pickfixture->setCurrentIndex(1);
  window->populatefixture(1);
  window->fivecolor->setChecked(true);
  window->btncolorClick();
  ASSERT_TRUE(picker.isVisible());
  EXPECT_EQ(picker.colortabs->currentIndex(), TColorPick::PalettePage);
  EXPECT_TRUE(picker.Image1->isVisible());
  EXPECT_FALSE(picker.HexaColorPicker1->isVisible());

  const QPoint seventh = sliceMiddle(*picker.Image1, 6, kPalettePieSlices);
  picker.paletteHover(seventh);
  EXPECT_EQ(picker.gelcode->text(), "Orange");
  window->SaveGelPending = true;
  picker.paletteClick(seventh);
  EXPECT_EQ(window->fred->text(), "62");
  EXPECT_EQ(window->fgreen->text(), "1");
  EXPECT_EQ(window->fblue->text(), "0");
  EXPECT_EQ(window->SwatchColour, 0x0091ff);  // red 255, green 145, blue 0
  EXPECT_FALSE(window->SaveGelPending);
  EXPECT_EQ(window->filternum->text(), "");
  // The wheel shows the picked colour at the saturation of the intensity.
  ASSERT_TRUE(picker.HSVColorPicker1->selectedColour().has_value());
  EXPECT_EQ(*picker.HSVColorPicker1->selectedColour(), 0xff9100u);
  EXPECT_EQ(picker.HSVColorPicker1->selectedSaturation(),
            int(std::lrint(window->value->text().toInt() * 2.55)));

  // A border reads as no colour: "Unknown", levels 0.
  picker.paletteHover(borderAtZeroDegrees(*picker.Image1));
  EXPECT_EQ(picker.gelcode->text(), "Unknown");
  picker.paletteClick(borderAtZeroDegrees(*picker.Image1));
  EXPECT_EQ(window->fred->text(), "0");

  picker.scTrackBar1->setValue(5);
  EXPECT_EQ(window->value->text(), "5");
  picker.paletteClick(seventh);
  EXPECT_EQ(picker.HSVColorPicker1->selectedSaturation(), 13) << "Round(5 x 2.55)";
  window->value->setText("50");
  EXPECT_EQ(picker.HSVColorPicker1->selectedSaturation(), 127) << "the intensity field moves the wheel";
  EXPECT_EQ(*picker.HSVColorPicker1->selectedColour(), 0xff9100u);
  window->value->setText("5");
  QTest::keyClick(picker.scTrackBar1, Qt::Key_PageDown);
  EXPECT_EQ(picker.scTrackBar1->value(), 0);
  EXPECT_EQ(window->value->text(), "0");
  QTest::keyClick(picker.scTrackBar1, Qt::Key_Home);
  EXPECT_EQ(window->value->text(), "100");
  QTest::keyClick(picker.scTrackBar1, Qt::Key_PageUp);
  EXPECT_EQ(picker.scTrackBar1->value(), 100);

  // No designer: the "User" page says so.
  dialogs.answer(DialogResult::Ok);
  picker.colortabs->setCurrentIndex(TColorPick::UserPage);
  EXPECT_EQ(dialogs.count("Designer not selected"), 1);
  picker.exitClick();
  EXPECT_FALSE(picker.isVisible());
}

TEST_F(FixturesWindowTest, ColourPickerGelAndDesignerPiesAndTheSave) {
  DialogRecorder dialogs;
  writeText(host.folder + "/VqLighting.rgbaw",
            "[Values]\nR02=10|20|30|40|50|255|0|0\nR67=1|2|3|0|0|0|145|255\n");
  writeText(host.folder + "/Users.pal",
            "[users]\nAnn=A\n[Ann]\nA0=1|2|3|4|5|0|0|255\nA1=9|8|7|6|5|0|255|0\n");
  host.S.UserName = "Ann";
  host.S.UserLetter = "A";
  TColorPick& picker = installColourPicker(*window);
  window->pickfixture->setCurrentIndex(1);
  window->populatefixture(1);
  window->fourcolor->setChecked(true);
  picker.showPicker();
  EXPECT_EQ(picker.colortabs->tabText(TColorPick::UserPage), "Ann");
  EXPECT_EQ(picker.spSkinButton1->text(), "Save to Ann");

  picker.colortabs->setCurrentIndex(TColorPick::GelPage);
  EXPECT_EQ(picker.pie.keys, QStringList({"R02", "R67"}));
  picker.pieHover(sliceMiddle(*picker.Image2, 1, 2));
  EXPECT_EQ(picker.gelcode->text(), "R67");
  picker.gelClick(sliceMiddle(*picker.Image2, 1, 2));
  EXPECT_EQ(window->filternum->text(), "R67");
  EXPECT_EQ(window->fred->text(), "1");
  EXPECT_EQ(window->fblue->text(), "3");
  EXPECT_EQ(picker.LastGelLevels, "1|2|3|0|0|");
  EXPECT_EQ(window->SwatchColour, 0xff9100);
  window->threecolor->setChecked(true);
  picker.gelClick(sliceMiddle(*picker.Image2, 0, 2));
  EXPECT_EQ(window->fred->text(), "255");
  EXPECT_EQ(window->fgreen->text(), "0");
  EXPECT_EQ(picker.LastGelLevels, "10|20|30|40|50|");
  picker.gelClick(borderAtZeroDegrees(*picker.Image2));  // nothing matches: nothing loaded
  EXPECT_EQ(window->fred->text(), "255");
  EXPECT_EQ(window->filternum->text(), "");

  window->fourcolor->setChecked(true);
  picker.colortabs->setCurrentIndex(TColorPick::UserPage);
  EXPECT_EQ(picker.pie.keys, QStringList({"A0", "A1"}));
  picker.designerClick(sliceMiddle(*picker.Image3, 1, 2));
  EXPECT_EQ(window->filternum->text(), "A1");
  EXPECT_EQ(window->fred->text(), "9");
  EXPECT_FALSE(window->GelTyped);
  // The palette entry was copied into the designer's gel file for the selected type.
  EXPECT_EQ(IniFile(host.folder + "/Ann.gels").readString("A1", "1", ""), "9|8|7|6|5|0|255|0");

  dialogs.answer(DialogResult::Yes);
  picker.designerRightRelease(sliceMiddle(*picker.Image3, 0, 2));
  ASSERT_EQ(dialogs.count("Delete a Color"), 1);
  EXPECT_EQ(dialogs.shown.back().text, "Do you want to delete A0?");
  EXPECT_FALSE(IniFile(host.folder + "/Users.pal").valueExists("Ann", "A0"));
  EXPECT_EQ(picker.pie.keys, QStringList({"A1"}));
  picker.designerRightRelease(borderAtZeroDegrees(*picker.Image3));  // no key: nothing asked
  EXPECT_EQ(dialogs.count("Delete a Color"), 1);

  picker.saveToUserClick();
  EXPECT_EQ(picker.colortabs->currentIndex(), TColorPick::OptionsPage);
  EXPECT_FALSE(picker.spSkinButton1->isEnabled());
  EXPECT_EQ(picker.opt1->text(), "Add as a Gel color to Ann's Palette");
  window->fred->setText("100");
  window->fgreen->setText("50");
  window->fblue->setText("25");
  picker.opt1->setChecked(true);
  picker.btnCSaveClick();
  const QString saved = IniFile(host.folder + "/Users.pal").readString("Ann", "A2", "");
  EXPECT_TRUE(saved.startsWith("100|50|25|")) << saved.toStdString();
  EXPECT_TRUE(saved.endsWith("|100|50|25")) << saved.toStdString();
  EXPECT_EQ(picker.colortabs->currentIndex(), TColorPick::UserPage);
  EXPECT_EQ(picker.pie.keys, QStringList({"A1", "A2"}));

  // The same colour again: "Duplicate palette", nothing written, the picker stays on its options.
  picker.saveToUserClick();
  picker.opt1->setChecked(true);
  const QByteArray before = FakeFixturesHost::readAll(host.folder + "/Users.pal");
  dialogs.answer(DialogResult::Cancel);
  picker.btnCSaveClick();
  EXPECT_EQ(dialogs.count("Duplicate palette"), 1);
  EXPECT_EQ(FakeFixturesHost::readAll(host.folder + "/Users.pal"), before);
  EXPECT_EQ(picker.colortabs->currentIndex(), TColorPick::OptionsPage);
}

TEST_F(FixturesWindowTest, ColourPickerSameColourAsChannel) {
  DialogRecorder dialogs;
  TColorPick& picker = installColourPicker(*window);
  install(101);
  install(110);
  ASSERT_EQ(host.S.Fixtures.FixtureStart[103], 101);
  picker.showPicker();

  // Digits only, and Backspace takes nothing away.
  QTest::keyClicks(picker.samecolor, "1a0x1");
  EXPECT_EQ(picker.samecolor->text(), "101");
  QTest::keyClick(picker.samecolor, Qt::Key_Backspace);
  EXPECT_EQ(picker.samecolor->text(), "101");

  // Nothing checked: start over.
  dialogs.answer(DialogResult::Cancel);
  picker.samecolor->setText("101");
  picker.SaveSameAs();
  EXPECT_EQ(dialogs.count("No selected Channels"), 1);

  window->pickfixture->setCurrentIndex(1);
  window->populatefixture(1);
  window->setInstanceChecked("110", true);
  host.S.Fixtures.FixtureStart[200] = kMoverScrollerChannel;
  host.S.Fixtures.FixtureStart[150] = 150;
  host.S.Fixtures.FixtureTypes[150] = 99;
  struct Refused {
    const char* channel;
    const char* title;
  } refused[] = {{"50", "Not an LED"},
                 {"200", "Not an LED"},
                 {"2000", "Not an LED"},
                 {"257", "Not an LED"},
                 {"150", "Unknown fixture type"}};
  for (const Refused& r : refused) {
    dialogs.answer(DialogResult::Cancel);
    picker.samecolor->setText(r.channel);
    picker.SaveSameAs();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().title, r.title) << r.channel;
  }
  EXPECT_EQ(dialogs.shown[1].text, "Channel 50 is not registered as an LED instrument. ");
  EXPECT_TRUE(window->shownow->isChecked());

  // An address inside the fixture at 101: its levels go to the checked fixture at 110.
  host.edits[100] = "60";
  host.edits[101] = "200";
  host.edits[102] = "100";
  host.edits[103] = "50";
  dialogs.answerDefaults = true;
  picker.samecolor->setText("103");
  picker.SaveSameAs();
  EXPECT_FALSE(window->FixtureFromChannel);  // cleared again by the exit
  EXPECT_EQ(window->fred->text(), "200");
  EXPECT_EQ(host.edits[109], "60");
  EXPECT_EQ(host.edits[110], "200");
  EXPECT_EQ(host.edits[111], "100");
  EXPECT_EQ(host.edits[112], "50");
}

TEST_F(FixturesWindowTest, ColourPickerWheel) {
  DialogRecorder dialogs;
  TColorPick& picker = installColourPicker(*window);
  window->pickfixture->setCurrentIndex(1);
  window->populatefixture(1);
  window->threecolor->setChecked(true);
  picker.showPicker();
  picker.colortabs->setCurrentIndex(TColorPick::WheelPage);
  ColourWheel& wheel = *picker.HSVColorPicker1;
  ASSERT_GT(wheel.radius(), 50);

  EXPECT_EQ(ColourWheel::saturationOf(0xff0000), 255);
  EXPECT_EQ(ColourWheel::saturationOf(0xff0101), 254);
  EXPECT_EQ(ColourWheel::saturationOf(0xffffff), 0);
  // At the rim towards three o'clock: pure red, full saturation, intensity 100.
  const QPoint rim = wheel.centre() + QPoint(wheel.radius(), 0);
  ASSERT_EQ(wheel.colourAt(rim), 0xff0000u);
  picker.wheelPick(rim);
  EXPECT_EQ(window->fred->text(), "255");
  EXPECT_EQ(window->fgreen->text(), "0");
  EXPECT_EQ(window->value->text(), "100");
  EXPECT_EQ(window->SwatchColour, 0x0000ff);
  // The centre is white, saturation 0: intensity 0.
  picker.wheelPick(wheel.centre());
  EXPECT_EQ(window->fblue->text(), "255");
  EXPECT_EQ(window->value->text(), "0");
  // Outside the wheel there is no colour: nothing changes.
  EXPECT_FALSE(wheel.colourAt(QPoint(0, 0)));
  picker.wheelPick(QPoint(0, 0));
  EXPECT_EQ(window->fblue->text(), "255");

  // Moving without a button held picks nothing; with one held it picks.
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, wheel.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QApplication::sendEvent(&wheel, &e);
  };
  send(QEvent::MouseMove, rim, Qt::NoButton);
  EXPECT_EQ(window->value->text(), "0");
  send(QEvent::MouseButtonPress, wheel.centre(), Qt::LeftButton);
  send(QEvent::MouseMove, rim, Qt::LeftButton);
  EXPECT_EQ(window->value->text(), "100");
  send(QEvent::MouseButtonRelease, rim, Qt::NoButton);
  send(QEvent::MouseMove, wheel.centre(), Qt::NoButton);
  EXPECT_EQ(window->value->text(), "100");
}

TEST_F(FixturesWindowTest, ColourPickerHexagonForThreeAndFourColours) {
  DialogRecorder dialogs;
  TColorPick& picker = installColourPicker(*window);
  window->pickfixture->setCurrentIndex(1);
  window->populatefixture(1);
  window->fourcolor->setChecked(true);
  window->value->setText("40");
  window->btncolorClick();
  ASSERT_TRUE(picker.HexaColorPicker1->isVisible());
  EXPECT_FALSE(picker.Image1->isVisible());
  ColourWheel& hexagon = *picker.HexaColorPicker1;
  // A corner of the flat-topped hexagon at three o'clock is pure red.
  const QPoint corner = hexagon.centre() + QPoint(hexagon.radius(), 0);
  ASSERT_EQ(hexagon.colourAt(corner), 0xff0000u);
  EXPECT_FALSE(hexagon.colourAt(hexagon.centre() + QPoint(0, hexagon.radius())));  // outside
  // A press applies the colour at once; the intensity stays.
  QMouseEvent press(QEvent::MouseButtonPress, corner, hexagon.mapToGlobal(corner), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&hexagon, &press);
  EXPECT_TRUE(picker.PickerDragging);
  EXPECT_EQ(window->fred->text(), "255");
  EXPECT_EQ(window->fgreen->text(), "0");
  EXPECT_EQ(window->value->text(), "40");
  EXPECT_EQ(window->SwatchColour, 0x0000ff);
  // The RGBI type has no white or amber: their fields keep "0" (the luminance goes only where a
  // field is enabled).
  EXPECT_EQ(window->fWhite->text(), "0");
  EXPECT_EQ(luminance(255, 0, 0), 54);
}
