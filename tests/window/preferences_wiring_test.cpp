#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableWidget>

#include "console/editors/preferences_window.h"
#include "tests/window/console_window_fixture.h"

TEST(PreferencesWiring, RenumberAndWarmUpOnTheOpenShow) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(250, {}), ConsoleWindow::cue(300, {})});
  for (int i = 0; i < 8; ++i) w.dialogs.answer(DialogResult::No);  // new side files from scratch
  w.start();
  w.dialogs.answers.clear();
  ASSERT_TRUE(QFile::exists(w.S.FixtureMapFile));
  w.form->btnPrefsClick();
  TPreferences& p = *w.form->Preferences;
  p.increment->setText("5");
  p.spSkinButton1Click();
  ASSERT_EQ(w.form->cuelist->rowCount(), 3);
  EXPECT_EQ(w.form->cuelist->item(0, 0)->text(), "5");
  EXPECT_EQ(w.form->cuelist->item(2, 0)->text(), "15");
  EXPECT_EQ(w.form->cueFile().readRecord(1).cueNumber, 1000);

  p.warmup->setText("10");
  EXPECT_EQ(w.S.WarmUp, 10);
  EXPECT_EQ(w.S.Fixtures.WarmUpLevels[3], 10);
  p.btnexitClick();
  EXPECT_FALSE(p.isVisible());
}
