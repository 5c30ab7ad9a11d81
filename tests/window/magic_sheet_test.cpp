#include "console/editors/magic_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "console/editors/channel_change_dialog.h"
#include "console/editors/spreadsheet_tables.h"
#include "console/editors/spreadsheet_window.h"
#include "console/engine/cue_file.h"
#include "console/engine/tavro_utils.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/test_clock.h"
#include "tests/window/console_window_fixture.h"

namespace {

// A magic sheet over a state of its own, its hold timed on virtual time: what it asks of the
// console is recorded.
struct Sheet {
  QTemporaryDir dir;
  ConsoleState S;
  DialogRecorder dialogs;
  TestClock clock;
  std::vector<int> shown;
  int clears = 0, sends = 0;
  std::function<int(int)> ledintens;
  std::unique_ptr<TMagical> sheet;

  Sheet() {
    S.MaxChannels = 24;
    for (int a = 1; a <= 1024; ++a) S.Patch.PatchPercent[size_t(a)] = 100;
    for (int c = 1; c <= 24; ++c) S.Patch.PatchTable.set(c, "|" + QString::number(c) + "|", S.MaxChannels);
  }
  QString path(const QString& name) const { return dir.filePath(name); }
  void make() {
    MagicSheetHost h;
    h.state = [this]() -> ConsoleState& { return S; };
    h.settingsFile = [this] { return path("vqlighting.ini"); };
    h.groupFile = [this] { return path("vqlighting.mgrp"); };
    h.channelFile = [this] { return path("vqlighting.mchl"); };
    h.textWidth = [](const QString& t) { return 8 * int(t.size()); };
    h.channelHint = [](int n) { return "hint " + QString::number(n); };
    h.setPressKeys = [](bool, bool) {};
    h.clearSelection = [this] { ++clears; };
    h.showChannel = [this](int n) {
      shown.push_back(n);
      return true;
    };
    h.sendDMX = [this] { ++sends; };
    h.ledintens = [this](int address) { return ledintens ? ledintens(address) : -1; };
    sheet = std::make_unique<TMagical>(std::move(h), clock);
  }
  QPushButton* addButton(QGroupBox* g, const QString& caption) {
    sheet->AddChannel1Click(g);
    sheet->CurrentMagicButton->setText(caption);
    return sheet->CurrentMagicButton;
  }
  static void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
    QApplication::sendEvent(w, &e);
  }
};

}  // namespace

TEST(MagicSheet, AQuickClickSelectsAHoldLightsAndEveryReleaseTurnsTheChannelOff) {
  Sheet t;
  t.make();
  t.sheet->show();
  QGroupBox* g = t.sheet->MakeGroup(175, 175);
  QPushButton* b = t.addButton(g, "7");
  t.S.Fixtures.WarmUpLevels[7] = 8;
  t.S.DmxOutBuffer[6] = 33;
  t.S.DmxOutBuffer[7] = 44;
  auto offBut7 = t.S.DmxOutBuffer;
  offBut7[6] = 8;  // the release takes channel 7 to its warm-up level; nothing else moves

  Sheet::mouse(b, QEvent::MouseButtonPress, {5, 5});
  Sheet::mouse(b, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_EQ(t.shown, std::vector<int>{7});
  EXPECT_EQ(t.clears, 1);
  EXPECT_EQ(t.S.DmxOutBuffer, offBut7) << "a quick click's release turns the channel off too";
  EXPECT_EQ(t.sends, 1);

  Sheet::mouse(b, QEvent::MouseButtonPress, {5, 5});
  t.clock.advance(250);  // the hold
  EXPECT_EQ(t.S.DmxOutBuffer[6], 90);
  EXPECT_TRUE(t.sheet->LampHunt);
  Sheet::mouse(b, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_EQ(t.S.DmxOutBuffer, offBut7);
  EXPECT_EQ(t.shown, std::vector<int>{7}) << "a hunt's click selects nothing";
  EXPECT_EQ(t.sends, 3);

  // The hold is 250 ms.
  Sheet::mouse(b, QEvent::MouseButtonPress, {5, 5});
  t.clock.advance(249);
  EXPECT_FALSE(t.sheet->LampHunt);
  t.clock.advance(1);
  EXPECT_TRUE(t.sheet->LampHunt);
  Sheet::mouse(b, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_EQ(t.S.DmxOutBuffer, offBut7);
}

TEST(MagicSheet, AFixturesReleaseTurnsItsIntensityDownAndGivesItsColourBack) {
  Sheet t;
  // An RGB fixture at 20: intensity 20, red 21, green 22, blue 23.
  for (int a = 20; a <= 23; ++a) t.S.Fixtures.FixtureStart[size_t(a)] = 20;
  t.S.Fixtures.FixtureAttributes[20] = 99;
  t.S.Fixtures.FixtureAttributes[21] = 1;
  t.S.Fixtures.FixtureAttributes[22] = 2;
  t.S.Fixtures.FixtureAttributes[23] = 3;
  t.S.Fixtures.WarmUpLevels[20] = 5;
  std::vector<int> asked;
  t.ledintens = [&](int address) {
    asked.push_back(address);
    return 19;  // the level-edit index of address 20
  };
  t.make();
  t.sheet->show();
  // Channel 14 names the fixture: its button finds the fixture as well as the fixture's own.
  t.S.Patch.ChannelFixture[14] = 20;
  t.S.DmxOutBuffer[20] = 40;  // red, green and blue carry a colour before the hunt
  t.S.DmxOutBuffer[21] = 50;
  t.S.DmxOutBuffer[22] = 60;
  t.S.CurrentLevels[21] = 40;
  t.S.DmxOutBuffer[13] = 77;
  auto after = t.S.DmxOutBuffer;
  after[19] = 5;  // the intensity at its warm-up level, the colour as it was
  QGroupBox* g = t.sheet->MakeGroup(175, 175);
  for (QPushButton* b : {t.addButton(g, "22"), t.addButton(g, "14")}) {
    Sheet::mouse(b, QEvent::MouseButtonPress, {5, 5});
    t.clock.advance(250);
    for (int a : {20, 21, 22, 23}) EXPECT_EQ(t.S.DmxOutBuffer[size_t(a - 1)], 255) << a;
    Sheet::mouse(b, QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(t.S.DmxOutBuffer, after) << b->text().toStdString();
    EXPECT_EQ(t.S.CurrentLevels[21], 40.f);
    EXPECT_EQ(t.S.CurrentLevels[20], 5.f);
  }
  EXPECT_TRUE(asked.empty()) << "the hunt knows the fixture's intensity address";

  // A quick click on the fixture's own address (nothing lit) turns its intensity channel off.
  t.S.DmxOutBuffer[19] = 200;
  QPushButton* b = t.addButton(g, "23");
  Sheet::mouse(b, QEvent::MouseButtonPress, {5, 5});
  Sheet::mouse(b, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_EQ(asked, std::vector<int>{23});
  EXPECT_EQ(t.S.DmxOutBuffer[19], 5);
}

TEST(MagicSheet, ChannelsOutOfRangeAreRefusedByName) {
  Sheet t;
  t.make();
  t.sheet->show();
  QPushButton* b = t.addButton(t.sheet->MakeGroup(175, 175), "25");
  t.dialogs.answer(DialogResult::Cancel);
  t.sheet->ChnlPick(b);
  ASSERT_EQ(t.dialogs.count("Channel out of range"), 1);
  EXPECT_EQ(t.dialogs.shown[0].text, "The channel number 25 does not fit the number of channels.");
  EXPECT_TRUE(t.shown.empty());
}

TEST(MagicSheet, ShiftDragSnapsToTheGrid) {
  Sheet t;
  t.make();
  t.sheet->show();
  QGroupBox* g = t.sheet->MakeGroup(175, 175);
  ASSERT_EQ(DpiScale(10), 10);
  Sheet::mouse(g, QEvent::MouseButtonPress, {2, 2}, Qt::ShiftModifier);
  t.clock.advance(250);
  EXPECT_TRUE(t.sheet->FDragging);
  EXPECT_FALSE(t.sheet->LampHunt);
  // From (10, 50) by (24, -5): (34, 45), which snaps to (30, 50).
  Sheet::mouse(g, QEvent::MouseMove, {26, -3});
  EXPECT_EQ(g->pos(), QPoint(34, 45));
  Sheet::mouse(g, QEvent::MouseButtonRelease, {2, 2});
  EXPECT_EQ(g->pos(), QPoint(30, 50));
  EXPECT_FALSE(t.sheet->FDragging);
}

TEST(MagicSheet, MenusBuildTheLayoutThatSavingWritesAndCreationReads) {
  Sheet t;
  t.make();
  t.sheet->show();
  t.sheet->NewMediumGroup1Click();
  QGroupBox* g = t.sheet->CurrentMagicGroup;
  t.sheet->EditGroupName1Click(g);
  auto* name = g->findChild<QLineEdit*>();
  ASSERT_TRUE(name && name->isVisible());
  name->setText("Front");
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(g->title(), "Front");
  EXPECT_FALSE(name->isVisible());
  t.sheet->resizeGroup(g, 40, -40);
  EXPECT_EQ(g->size(), QSize(390, 260));
  t.sheet->AddChannel1Click(g);
  QPushButton* b = t.sheet->CurrentMagicButton;
  t.sheet->MenuItem1Click(b);
  auto* number = b->findChild<QLineEdit*>();
  number->setText("12");
  QTest::keyClick(number, Qt::Key_Return);
  EXPECT_EQ(b->text(), "12");
  EXPECT_EQ(b->toolTip(), "hint 12");
  t.sheet->NewSmallGroup1Click();
  t.sheet->setGrid(6);
  ASSERT_TRUE(t.sheet->SaveMagic());

  EXPECT_EQ(IniFile(t.path("vqlighting.mgrp")).sections(), (QStringList{"Front", "New Group"}));
  EXPECT_EQ(IniFile(t.path("vqlighting.ini")).readInteger("Magic", "Grid", 0), 6);
  EXPECT_EQ(QDir(t.dir.path()).entryList({"Temp.*"}, QDir::Files), QStringList{});

  t.make();
  ASSERT_EQ(t.sheet->groupCount(), 2);
  EXPECT_EQ(t.sheet->group(0)->title(), "Front");
  EXPECT_EQ(t.sheet->group(0)->geometry(), QRect(10, 50, 390, 260));
  EXPECT_EQ(t.sheet->button(0, 0)->text(), "12");
  EXPECT_EQ(t.sheet->MagicGrid, 6);
  t.sheet->Delete1Click(t.sheet->group(0));
  EXPECT_EQ(t.sheet->groupCount(), 1);
}

TEST(MagicSheet, NoToTheDuplicateQuestionKeepsTheFilesAndTheWindow) {
  Sheet t;
  t.make();
  t.sheet->show();
  QGroupBox* g = t.sheet->MakeGroup(175, 175);
  g->setTitle("Front");
  t.addButton(g, "7");
  ASSERT_TRUE(t.sheet->SaveMagic());
  const QByteArray groups = cue_test::readBytes(t.path("vqlighting.mgrp"));
  const QByteArray channels = cue_test::readBytes(t.path("vqlighting.mchl"));
  t.addButton(g, "7");

  t.dialogs.answer(DialogResult::No);
  EXPECT_FALSE(t.sheet->close());
  EXPECT_TRUE(t.sheet->isVisible());
  ASSERT_EQ(t.dialogs.count("Magic Sheet duplicate Channel"), 1);
  EXPECT_EQ(t.dialogs.shown[0].text,
            "The channel number 7 is used twice in group Front. \n\rShould Closing continue?");
  EXPECT_EQ(cue_test::readBytes(t.path("vqlighting.mgrp")), groups);
  EXPECT_EQ(cue_test::readBytes(t.path("vqlighting.mchl")), channels);
  EXPECT_EQ(QDir(t.dir.path()).entryList({"Temp.*", ".*tmp"}, QDir::Files | QDir::Hidden), QStringList{});

  t.dialogs.answer(DialogResult::Yes);
  EXPECT_TRUE(t.sheet->close());
  EXPECT_EQ(IniFile(t.path("vqlighting.mgrp")).readString("Front", "Chnls", ""), "|G001|G002|");
}

// ---- On the main window ---------------------------------------------------------------------------

TEST(MagicSheetWiring, ToolButtonKeyAndCloseQueryReachTheSheet) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  TMagical* m = w.form->Magical;
  ASSERT_TRUE(m);
  auto* msheet = w.form->findChild<QToolButton*>("Msheet");
  ASSERT_TRUE(msheet);
  EXPECT_EQ(msheet->toolTip(), "Display the Magic sheet");
  msheet->click();
  EXPECT_TRUE(m->isVisible());
  msheet->click();
  EXPECT_FALSE(m->isVisible());
  EXPECT_EQ(IniFile(w.path("vqlighting.mgrp")).sections(), QStringList{}) << "closing saved the empty sheet";
  const QByteArray empty = cue_test::readBytes(w.path("vqlighting.mgrp"));
  w.form->showMagicSheet_();
  EXPECT_TRUE(m->isVisible());

  // A click selects channel 12 on its page and focuses its edit.
  QGroupBox* g = m->MakeGroup(175, 175);
  m->AddChannel1Click(g);
  m->CurrentMagicButton->setText("12");
  m->ChnlPick(m->CurrentMagicButton);
  EXPECT_TRUE(w.S.ChannelSelected[11]);
  EXPECT_EQ(w.form->dimpages->currentIndex(), w.form->pageOfChannel(11));

  // Closing the console asks the sheet.
  m->AddChannel1Click(g);
  m->CurrentMagicButton->setText("12");
  w.dialogs.answer(DialogResult::No);
  EXPECT_FALSE(w.form->FormCloseQuery());
  EXPECT_EQ(cue_test::readBytes(w.path("vqlighting.mgrp")), empty);
  w.dialogs.answer(DialogResult::Yes);
  EXPECT_TRUE(w.form->FormCloseQuery());
  EXPECT_EQ(IniFile(w.path("vqlighting.mgrp")).sections(), QStringList{"New Group"});
}

TEST(MagicSheetWiring, BulkChangeFromTheToolButtonRewritesTheCues) {
  ConsoleWindow w;
  w.writeShow(
      {ConsoleWindow::cue(100, {{12, 10}}), ConsoleWindow::cue(200, {}), ConsoleWindow::cue(300, {})});
  w.start();
  auto* button = w.form->findChild<QToolButton*>("btnChannel");
  ASSERT_TRUE(button);
  EXPECT_EQ(button->toolTip(), "Modify levels in the current cue list");
  Taddchannel* d = w.form->addchannel;
  bool seen = false;
  QTimer::singleShot(0, d, [&] {
    seen = d->isVisible();
    EXPECT_TRUE(d->rbAddto->isChecked());
    EXPECT_TRUE(d->upick1->isChecked());
    d->mchannel->setText("12");
    d->addlevel->setText("50");
    d->addcues->setText("1,3");
    d->spSkinButton1->click();
    d->btnExit->click();
  });
  button->click();
  EXPECT_TRUE(seen);
  EXPECT_EQ(uint8_t(w.S.Cues.CueTexts[CueTextColumn::Levels][1][11]), 127);
  EXPECT_EQ(uint8_t(w.S.Cues.CueTexts[CueTextColumn::Levels][2][11]), 0);
  EXPECT_EQ(uint8_t(w.S.Cues.CueTexts[CueTextColumn::Levels][3][11]), 127);
  EXPECT_TRUE(w.form->recordok->isVisibleTo(w.form.get()));

  // A percent level above 100 is refused and writes nothing.
  const QByteArray before = cue_test::readBytes(w.path("show.lcue"));
  w.dialogs.answer(DialogResult::Ok);
  QTimer::singleShot(0, d, [&] {
    d->mchannel->setText("12");
    d->addlevel->setText("101");
    d->addcues->setText("1");
    d->spSkinButton1->click();
    d->btnExit->click();
  });
  button->click();
  EXPECT_EQ(w.dialogs.count("Intensity Channel"), 1);
  EXPECT_EQ(cue_test::readBytes(w.path("show.lcue")), before);
}

TEST(MagicSheetWiring, SpreadsheetMenuItemsShowTheViewsAndExport) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}), ConsoleWindow::cue(250, {})});
  w.start();
  TSpreadsheet* s = w.form->Spreadsheet;
  QString target;
  w.form->showSpreadsheet(false);
  EXPECT_EQ(s->windowTitle(), "Cue List");
  EXPECT_EQ(s->sheet()->sheetColumns(), 18);
  EXPECT_EQ(s->sheet()->cell(1, 2), "100");
  EXPECT_EQ(s->sheet()->cell(2, 0), "2.5");
  EXPECT_EQ(s->spexport->text(), "Export to XLS");
  // The Call column stays in place while the channels scroll sideways.
  ASSERT_EQ(s->fixedColumn->model()->columnCount(), 1);
  EXPECT_EQ(s->fixedColumn->model()->headerData(0, Qt::Horizontal).toString(), "Call");
  EXPECT_EQ(s->fixedColumn->width(), s->spread->columnWidth(0));
  const QPoint fixedAt = s->fixedColumn->pos();
  s->spread->horizontalScrollBar()->setValue(s->spread->horizontalScrollBar()->maximum());
  EXPECT_EQ(s->fixedColumn->pos(), fixedAt);
  EXPECT_TRUE(s->fixedColumn->isVisible());
  if (qEnvironmentVariableIsSet("VQ_SHOT")) s->grab().save(qEnvironmentVariable("VQ_SHOT"));
  w.form->showSpreadsheet(true);
  EXPECT_EQ(s->windowTitle(), "Soft Patch List");
  EXPECT_EQ(s->sheet()->sheetRows(), 17);
  EXPECT_EQ(s->sheet()->cell(1, 1), "1");
  s->close();
  EXPECT_EQ(IniFile(w.S.MainIniFile).readInteger("Settings", "spreadWidth", -1), s->width());
}

TEST(ChannelChangeDialog, UniverseChoiceFollowsTheInterface) {
  QTemporaryDir dir;
  ConsoleState S;
  S.MaxChannels = 1024;
  S.InterfaceType = 3;  // two universes
  std::vector<CueRecord> cues = {cue_test::cue(100, "One")};
  cue_test::writeCueFile(dir.filePath("show.lcue"), cues);
  S.Cues.CueCount = 1;
  CueFile file;
  ASSERT_TRUE(file.open(dir.filePath("show.lcue")));
  DialogRecorder dialogs;
  int fadesEnded = 0, reads = 0;
  ChannelChangeHost host;
  host.state = [&S]() -> ConsoleState& { return S; };
  host.cueFile = [&file]() -> CueFile& { return file; };
  host.keyend = [&] { ++fadesEnded; };
  host.readCues = [&] { ++reads; };
  Taddchannel d(std::move(host), nullptr);
  d.show();
  EXPECT_FALSE(d.upick1->isChecked());
  EXPECT_FALSE(d.upick2->isChecked());
  EXPECT_TRUE(d.upick2->isVisibleTo(&d));
  d.mchannel->setText("5");
  d.addlevel->setText("100");
  d.addcues->setText("1");
  dialogs.answer(DialogResult::Ok);
  d.spSkinButton1->click();
  EXPECT_EQ(dialogs.count("Unknown Universe"), 1);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(fadesEnded, 1) << "a running fade ends before anything else";

  d.upick2->setChecked(true);
  d.spSkinButton1->click();
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(uint8_t(file.readRecord(0).levels[516]), 255);
  EXPECT_EQ(uint8_t(file.readRecord(0).levels[4]), 0);

  // Only digits reach a channel field.
  d.mchannel->clear();
  QTest::keyClicks(d.mchannel, "1a2-");
  EXPECT_EQ(d.mchannel->text(), "12");
  d.addcues->clear();
  QTest::keyClicks(d.addcues, "1-3,7.5x");
  EXPECT_EQ(d.addcues->text(), "1-3,7.5");
}

TEST(Spreadsheet, AWorkbookChosenAsXlsIsWrittenUnderTheXlsxName) {
  struct Case {
    const char *chosen, *written;
  };
  const Case cases[] = {{"cues.xls", "cues.xlsx"},  {"CUES.XLS", "CUES.XLSX"},
                        {"cues.xlsx", "cues.xlsx"}, {"cues.xls.bak", "cues.xls.bak"},
                        {"cues", "cues"},           {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(workbookFileName(c.chosen), c.written) << c.chosen;

  QTemporaryDir dir;
  ConsoleState S;
  S.MaxChannels = 4;
  DialogRecorder dialogs;
  QString next;
  SpreadsheetHost host;
  host.state = [&S]() -> ConsoleState& { return S; };
  host.settingsFile = [&dir] { return dir.filePath("vqlighting.ini"); };
  host.chooseSaveFile = [&next](const QString& suffix) {
    EXPECT_EQ(suffix, "xlsx");
    return next;
  };
  TSpreadsheet sheet(std::move(host));
  sheet.FormActivate();
  EXPECT_EQ(sheet.spexport->text(), "Export to XLS");
  for (const char* name : {"show.xls", "Other.XLS", "kept.xlsx"}) {
    next = dir.filePath(name);
    sheet.spexportClick();
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
            (QStringList{"Other.XLSX", "kept.xlsx", "show.xlsx"}));
  QFile written(dir.filePath("show.xlsx"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(2) == "PK") << "an .xlsx workbook is a zip package";
  EXPECT_TRUE(dialogs.shown.empty());
}
