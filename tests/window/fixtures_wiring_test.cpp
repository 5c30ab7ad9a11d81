// The fixtures window on the real main window: opened from the Options menu, its live preview
// reaches the widget and goes away again when nothing is transferred.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "console/editors/fixtures_window.h"
#include "tests/window/console_window_fixture.h"

namespace {
QAction* menuAction(QMenuBar* bar, const QString& menu, const QString& item) {
  for (QAction* top : bar->actions())
    if (top->menu() && top->text().remove('&') == menu)
      for (QAction* a : top->menu()->actions())
        if (a->text() == item) return a;
  return nullptr;
}
}  // namespace

TEST(FixturesWiring, SetupFixturesOpensTheWindowAndThePreviewReachesTheWire) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  Tfixtures& fixtures = w.form->fixturesWindow();
  int opened = 0;
  fixtures.execDialog = [&opened](QDialog& d) {
    ++opened;
    d.show();
    return int(QDialog::Accepted);
  };
  fixtures.SelectedFixtureType = 7;
  QAction* setup = menuAction(w.form->menuBar(), "Options", "Setup fixtures");
  ASSERT_NE(setup, nullptr);
  setup->trigger();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(fixtures.SelectedFixtureType, -1);

  // An RGB fixture at address 5: red on 5, green on 6, blue on 7.
  fixtures.layout = SelectedTypeLayout{};
  fixtures.layout.RedOffset = 1;
  fixtures.layout.GreenOffset = 2;
  fixtures.layout.BlueOffset = 3;
  fixtures.setInstanceChecked("5", true);
  fixtures.shownow->setChecked(true);
  fixtures.fred->setText("200");
  fixtures.fblue->setText("17");
  QByteArray levels = w.lastLevels();
  ASSERT_GE(levels.size(), 7);
  EXPECT_EQ(uint8_t(levels[4]), 200);
  EXPECT_EQ(uint8_t(levels[6]), 17);

  w.dialogs.answerDefaults = false;
  w.dialogs.answer(DialogResult::No);
  fixtures.btnexitClick();
  EXPECT_EQ(w.dialogs.count("Unsaved cue color changes"), 1);
  levels = w.lastLevels();
  ASSERT_GE(levels.size(), 7);
  EXPECT_EQ(uint8_t(levels[4]), 0);
  EXPECT_EQ(uint8_t(levels[6]), 0);
}

TEST(FixturesWiring, EnterInTheStartingAddressActsOnTheAddressAndClicksNoButton) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  Tfixtures& fixtures = w.form->fixturesWindow();
  int editorOpened = 0;
  fixtures.execDialog = [&editorOpened](QDialog&) {
    ++editorOpened;
    return int(QDialog::Rejected);
  };
  fixtures.show();
  fixtures.btnedit->setEnabled(true);  // a type is picked
  fixtures.fixlist->addItem("5");      // one of its instances starts at 5
  fixtures.fixlist->setCurrentIndex(-1);
  fixtures.fixlist->lineEdit()->setFocus();
  fixtures.fixlist->setEditText("5");
  QTest::keyClick(fixtures.fixlist->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(editorOpened, 0) << "Enter opened the fixture type editor";
  EXPECT_TRUE(fixtures.isVisible());
  EXPECT_EQ(fixtures.fixlist->currentText(), "5");
  EXPECT_TRUE(fixtures.btndelete->isEnabled()) << "the typed address selects that instance";
}
