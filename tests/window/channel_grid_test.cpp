// The channel grid as painted cells with one editor: where the cells stand after start-up and after
// a resize, what the editor carries, the pointer and the keyboard on the cells, and the look the
// application's style gives them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSpontaneKeyEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "console/engine/tavro_utils.h"
#include "console/window/styles.h"
#include "tests/window/console_window_fixture.h"

namespace {

// The cell positions of the designed page area: 8 cells a row, 8 rows a page.
QPoint designedCellPos(int indexOnPage) {
  return {4 + DpiScale(60) * (indexOnPage % 8), 4 + DpiScale(58) * (indexOnPage / 8)};
}

// The middle of channel index i's level edit, on its page.
QPoint editCentre(Tform1& form, int i) {
  return ChannelGrid::editRect().translated(form.ChannelPanels[size_t(i)]->pos()).center();
}

QWidget* pageOf(Tform1& form, int i) { return form.dimpages->widget(form.pageOfChannel(i)); }

void sendMouse(QWidget* to, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton) {
  QMouseEvent e(type, pos, to->mapToGlobal(pos), button, button == Qt::NoButton ? Qt::NoButton : button,
                Qt::NoModifier);
  QApplication::sendEvent(to, &e);
}

// A resize the way the window system delivers it (the user dragging the window's frame).
void userResize(Tform1& form, QSize size) {
  const QSize old = form.size();
  form.resize(size);
  QResizeEvent e(size, old);
  QSpontaneKeyEvent::setSpontaneous(&e);
  QApplication::instance()->notify(&form, &e);
}

// The colour painted in the middle of an empty level edit of page 0's first cell.
QColor emptyEditColour(Tform1& form) {
  form.setEditTextQuietly(0, "");
  QWidget* page = pageOf(form, 0);
  page->resize(qMax(page->width(), 200), qMax(page->height(), 200));
  // The editor stands on another cell, so the first cell's edit is painted.
  form.ChannelEdits[1]->setFocus();
  return page->grab().toImage().pixelColor(editCentre(form, 0));
}

}  // namespace

TEST(ChannelGrid, CellsAfterStartUpStandOnTheirPagesInOrder) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 256);
  w.start({}, 256);
  ASSERT_EQ(int(w.form->ChannelEdits.size()), 256);
  ASSERT_EQ(int(w.form->ChannelLabels.size()), 256);
  ASSERT_EQ(int(w.form->ChannelMarks.size()), 256);
  ASSERT_EQ(int(w.form->ChannelPanels.size()), 256);
  const struct {
    int index, page, onPage;
    const char* number;
  } cases[] = {{0, 0, 0, "1"},   {7, 0, 7, "8"},     {8, 0, 8, "9"},     {63, 0, 63, "64"},
               {64, 1, 0, "65"}, {200, 3, 8, "201"}, {255, 3, 63, "256"}};
  for (const auto& c : cases) {
    EXPECT_EQ(w.form->pageOfChannel(c.index), c.page) << c.index;
    EXPECT_EQ(w.form->ChannelPanels[size_t(c.index)]->pos(), designedCellPos(c.onPage)) << c.index;
    EXPECT_EQ(w.form->ChannelLabels[size_t(c.index)]->text(), c.number) << c.index;
    EXPECT_EQ(w.form->ChannelEdits[size_t(c.index)]->tag(), c.index);
    EXPECT_FALSE(w.form->ChannelMarks[size_t(c.index)]->isVisible());
  }
  EXPECT_EQ(w.form->dimpages->tabText(3), "193-256");
  // Full pages are captioned in yellow, the last one in the tab bar's own colour.
  EXPECT_EQ(w.form->dimpages->tabBar()->tabTextColor(0), QColor(Qt::yellow));
  EXPECT_NE(w.form->dimpages->tabBar()->tabTextColor(3), QColor(Qt::yellow));
  // Every edit starts in the level colour, the editor on the first cell.
  for (LevelEdit* e : w.form->ChannelEdits) ASSERT_EQ(e->fontColor(), 0x00FFFF);
  EXPECT_EQ(w.form->levelEditor()->parentWidget(), pageOf(*w.form, 0));
}

TEST(ChannelGrid, OnlyAUserResizeRebuildsTheGridWhenItEnds) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 256);
  w.start({}, 256);
  auto* timer = w.form->findChild<ClockTimer*>("sizeMoveTimer");
  ASSERT_NE(timer, nullptr);
  w.form->ChannelEdits[100]->setText("40");
  w.form->ChannelEdits[100]->setFontColor(0xFF00FF);
  w.form->ChannelMarks[100]->show();
  const QStringList before = w.form->pageCaptions();

  // The program's own resize leaves the grid as it is.
  w.form->resize(1400, 1000);
  QResizeEvent programmatic(QSize(1400, 1000), QSize(1280, 800));
  QApplication::sendEvent(w.form.get(), &programmatic);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(w.form->pageCaptions(), before);

  // The user's resize rebuilds it once the resizing has stopped.
  userResize(*w.form, QSize(1600, 1100));
  ASSERT_TRUE(timer->isActive());
  EXPECT_EQ(w.form->pageCaptions(), before) << "not while the user is still resizing";
  timer->stop();
  QMetaObject::invokeMethod(timer, "timeout");
  const QStringList after = w.form->pageCaptions();
  EXPECT_NE(after, before);
  EXPECT_LT(after.size(), before.size()) << "a larger page area holds more cells a page";
  // Cell count, numbers, levels, colours and marks are what they were.
  EXPECT_EQ(int(w.form->ChannelEdits.size()), 256);
  EXPECT_EQ(w.form->ChannelLabels[100]->text(), "101");
  EXPECT_EQ(w.form->ChannelEdits[100]->text(), "40");
  EXPECT_EQ(w.form->ChannelEdits[100]->fontColor(), 0xFF00FF);
  EXPECT_TRUE(w.form->ChannelMarks[100]->isVisible());
  EXPECT_EQ(w.S.DmxOutBuffer[100], 102);
  // Every cell stands on the page its caption names.
  for (int p = 0; p < after.size(); ++p) {
    const int first = after[p].section('-', 0, 0).toInt(), last = after[p].section('-', 1, 1).toInt();
    EXPECT_EQ(w.form->pageOfChannel(first - 1), p);
    EXPECT_EQ(w.form->pageOfChannel(last - 1), p);
  }
}

TEST(ChannelGrid, TheEditorCarriesTheTextColourAndHintOfItsCell) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  QLineEdit* editor = w.form->levelEditor();
  LevelEdit* edit = w.form->ChannelEdits[4];
  edit->setText("30");
  edit->setFontColor(0xFFFF00);
  edit->setToolTip("Front wash");
  edit->setFocus();
  EXPECT_EQ(editor->geometry(), ChannelGrid::editRect().translated(w.form->ChannelPanels[4]->pos()));
  EXPECT_EQ(editor->text(), "30");
  EXPECT_EQ(editor->selectedText(), "30") << "the whole text is selected on entry";
  EXPECT_EQ(editor->palette().color(QPalette::Text), QColor(0x00, 0xFF, 0xFF));
  EXPECT_EQ(editor->toolTip(), "Front wash");
  EXPECT_EQ(editor->maxLength(), 7);
  EXPECT_EQ(editor->alignment(), Qt::AlignCenter);
  EXPECT_EQ(editor->whatsThis(), "Level");
  EXPECT_TRUE(editor->font().bold());

  // A level set from elsewhere shows in the editor and reaches the output as before.
  edit->setText("100");
  EXPECT_EQ(editor->text(), "100");
  EXPECT_EQ(w.S.DmxOutBuffer[4], 255);
  // What is typed is the cell's text; more than seven characters are not taken.
  editor->selectAll();
  QTest::keyClicks(editor, "123456789");
  EXPECT_EQ(edit->text(), "1234567");
  EXPECT_TRUE(w.S.TypingLevel);
  EXPECT_EQ(w.S.TypedEdit, 4);
  edit->setText("12345678");
  EXPECT_EQ(edit->text(), "1234567");

  // Moving on leaves the cell's text and colour with the cell.
  w.form->ChannelEdits[5]->setFocus();
  EXPECT_EQ(editor->text(), w.form->ChannelEdits[5]->text());
  EXPECT_EQ(edit->text(), "1234567");
}

TEST(ChannelGrid, ClickTabAndPointerOnThePaintedCells) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 256);
  w.start({}, 256);
  QLineEdit* editor = w.form->levelEditor();
  QWidget* page = pageOf(*w.form, 70);

  // A click on a cell's edit puts the editor there.
  sendMouse(page, QEvent::MouseButtonPress, editCentre(*w.form, 70), Qt::LeftButton);
  EXPECT_EQ(editor->parentWidget(), page);
  EXPECT_EQ(editor->geometry().center(), editCentre(*w.form, 70));
  // Tab goes on to the next cell's edit, back-tab returns.
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(editor->geometry().center(), editCentre(*w.form, 71));
  QTest::keyClick(editor, Qt::Key_Backtab);
  EXPECT_EQ(editor->geometry().center(), editCentre(*w.form, 70));

  // A colour given while the pointer rests on an edit is undone when the pointer leaves it.
  LevelEdit* edit = w.form->ChannelEdits[72];
  sendMouse(page, QEvent::MouseMove, editCentre(*w.form, 72));
  EXPECT_EQ(w.form->SavedEditColor, 0x00FFFF);
  edit->setFontColor(0x0000FF);
  sendMouse(page, QEvent::MouseMove, QPoint(1, 1));
  EXPECT_EQ(edit->fontColor(), 0x00FFFF);

  // The hints: the edit's over the edit, the panel's elsewhere on the cell.
  w.form->ChannelEdits[73]->setToolTip("Patched 73");
  w.form->ChannelPanels[73]->setToolTip("Par 64 at 73");
  const QPoint panelSpot = w.form->ChannelPanels[73]->pos() + QPoint(2, 2);
  for (auto [at, hint] :
       {std::pair{editCentre(*w.form, 73), "Patched 73"}, std::pair{panelSpot, "Par 64 at 73"}}) {
    QHelpEvent help(QEvent::ToolTip, at, page->mapToGlobal(at));
    QApplication::sendEvent(page, &help);
    EXPECT_EQ(QToolTip::text(), hint);
    QToolTip::hideText();
  }
}

TEST(ChannelGrid, AStyleChangeRestylesThePaintedCells) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  ASSERT_TRUE(applyStyle("Slate Classico"));
  EXPECT_EQ(emptyEditColour(*w.form), QColor("#2e343b"));
  ASSERT_TRUE(applyStyle("Windows"));
  // The light style keeps the level edits dark: the level colours are made for a dark ground.
  EXPECT_EQ(emptyEditColour(*w.form), QColor("#2e3236"));
  ASSERT_TRUE(applyStyle("Charcoal Dark Slate"));
  EXPECT_EQ(emptyEditColour(*w.form), QColor("#1f2125"));
}
