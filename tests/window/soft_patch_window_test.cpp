#include "console/editors/soft_patch_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "tests/window/console_window_fixture.h"

namespace {

int rowOfChannel(TPatch& p, int channel) {
  for (int r = 0; r < p.model()->rowCount(); ++r)
    if (p.model()->index(r, 0).data().toString() == QString::number(channel)) return r;
  return -1;
}

}  // namespace

TEST(SoftPatchWindow, TypedAddressMovesToTheChannelAndOutputsAtOnce) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->btnpatchClick();
  TPatch& p = *w.form->Patch;
  w.form->ChannelEdits[6]->setText("100");  // channel 7 at full
  ASSERT_EQ(w.S.DmxOutBuffer[6], 255);
  p.editCell(6, 1, "5");
  EXPECT_EQ(w.S.Patch.PatchTable[7], "|5|");
  EXPECT_EQ(w.S.Patch.PatchTable[5], "||");
  EXPECT_EQ(p.model()->index(4, 1).data().toString(), "");
  EXPECT_EQ(uint8_t(w.lastLevels().at(4)), 255) << "address 5 shows channel 7's level before any save";
  EXPECT_TRUE(p.FormDirty);
  // Exit, not saved: the file's patch comes back.
  w.dialogs.answer(DialogResult::No);
  p.ExitClick();
  EXPECT_EQ(w.dialogs.count("Unrecorded Changes"), 1);
  EXPECT_EQ(w.S.Patch.PatchTable[7], "|7|");
  EXPECT_EQ(w.S.Patch.PatchTable[5], "|5|");
  EXPECT_FALSE(p.isVisible());
}

TEST(SoftPatchWindow, SaveWritesTheFileAndSortedEditsActOnTheirChannel) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.dialogs.shown.clear();
  w.form->btnpatchClick();
  TPatch& p = *w.form->Patch;
  p.editCell(1, 1, "10");  // channel 2 takes address 10 from channel 10
  p.SortClick();           // by dimmer: channel 10's empty cell comes first
  EXPECT_EQ(p.sortButton->text(), "Sort by Channel");
  const int row = rowOfChannel(p, 2);
  ASSERT_EQ(row, 9) << "channel 2 (address 10) sorts after address 9";
  p.editCell(row, 1, "10 16");
  EXPECT_EQ(w.S.Patch.PatchTable[2], "|10|16|");
  EXPECT_EQ(w.S.Patch.PatchTable[16], "||");
  EXPECT_EQ(w.S.Patch.PatchTable[9], "|9|") << "the channel shown in row 2 is untouched";
  p.SaveClick();
  EXPECT_TRUE(w.dialogs.shown.empty());
  EXPECT_FALSE(p.isVisible());
  QFile f(w.path("show.spch"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  EXPECT_EQ(lines[2], "2,10 16,,\r");
  EXPECT_EQ(lines[16], "16,,,\r");
  EXPECT_EQ(lines[10], "10,,,\r");
}

TEST(SoftPatchWindow, RemindersAskOnceAndCanBeSilenced) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  TPatch& p = *w.form->Patch;
  w.form->btnpatchClick();
  w.dialogs.answers.clear();
  w.dialogs.answer(DialogResult::Ok);
  w.dialogs.answer(DialogResult::No);
  p.patchgridSelectCell(11, 1);
  EXPECT_EQ(w.dialogs.count("Soft Patch Information"), 1);
  EXPECT_EQ(w.dialogs.count("Soft Patch Locations"), 1);
  EXPECT_EQ(w.S.dimmerprompt, -2000);
  for (int i = 0; i < 1995; ++i) p.patchgridSelectCell(3, 1);
  EXPECT_EQ(w.dialogs.count("Soft Patch Information"), 1) << "silent after No";
  w.S.dimmerprompt = 3;
  w.dialogs.answer(DialogResult::Ok);
  p.patchgridSelectCell(11, 1);
  EXPECT_EQ(w.dialogs.count("Soft Patch Locations"), 1) << "never asked from 3";
}

TEST(SoftPatchWindow, UnpatchedList) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->btnpatchClick();
  TPatch& p = *w.form->Patch;
  p.editCell(0, 1, "");
  p.editCell(2, 1, "");
  p.unpatchedButton->click();
  EXPECT_EQ(p.Form5->unpatched->toPlainText(), "1, 3");
}

// The console closes while an address is still being typed into the soft patch: the cell is
// committed as its window goes, while the output it sends through still exists.
TEST(SoftPatchWindow, ClosingTheConsoleWithACellBeingEditedCommitsItSafely) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  w.form->btnpatchClick();
  TPatch& p = *w.form->Patch;
  w.dialogs.answerDefaults = true;  // the grid's own reminders as the cell is entered
  p.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
  auto* grid = p.findChild<QAbstractItemView*>("patchgrid");
  ASSERT_NE(grid, nullptr);
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(0, 1));
  QTest::keyClick(grid, Qt::Key_F2);
  auto* editor = grid->findChild<QLineEdit*>();
  ASSERT_TRUE(editor && editor->isVisible());
  editor->selectAll();
  QTest::keyClicks(editor, "9");
  w.form.reset();  // must neither crash nor write through output that is already gone
  EXPECT_EQ(w.S.Patch.PatchTable[1], "|9|");
}
