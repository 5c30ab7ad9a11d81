#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include "console/editors/preferences_window.h"
#include "console/patch/fixture_map.h"
#include "console/window/styles.h"
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

// Typed at an operator's pace, the second key of "10" arrives while the first key's rewrite waits
// for the fixture map to rest; the map, the floor in memory and the wire all end at 10.
TEST(PreferencesWiring, WarmUpTypedAtOperatorPaceKeepsTheLevelTyped) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->btnPrefsClick();
  TPreferences& p = *w.form->Preferences;
  p.warmup->setFocus();
  p.warmup->selectAll();
  ClockTimer nextKey(w.clock);
  nextKey.setSingleShot(true);
  QObject::connect(&nextKey, &ClockTimer::timeout, [&] { QTest::keyClick(p.warmup, Qt::Key_0); });
  nextKey.start(80);
  QTest::keyClick(p.warmup, Qt::Key_1);
  ASSERT_FALSE(nextKey.isActive()) << "the second key came during the first one's wait";
  EXPECT_EQ(p.warmup->text(), "10");
  EXPECT_EQ(w.S.WarmUp, 10);

  FixtureMapFile map;
  FixtureMap::Table record1{};
  ASSERT_TRUE(map.open(w.S.FixtureMapFile));
  ASSERT_TRUE(map.readTable(FixtureMapRecord::WarmUp, record1));
  for (int a : {1, 3, 1024}) {
    EXPECT_EQ(record1[size_t(a)], 10) << "record 1 at address " << a;
    EXPECT_EQ(w.S.Fixtures.WarmUpLevels[size_t(a)], 10) << "the floor at address " << a;
  }
  w.form->btnBlackClick();
  const QByteArray wire = w.lastLevels();
  ASSERT_GE(wire.size(), 3);
  EXPECT_EQ(wire[2], char(10)) << "address 3 on the wire after black-out";
}

// The clock colour, read from the settings file or picked in Preferences, is the font colour of the
// clock and of the show-timer panel, whatever the cue list's look.
TEST(PreferencesWiring, ClockColourPaintsTheClockAndTheShowTimer) {
  for (const int dark : {0, 1, 2}) {
    SCOPED_TRACE(dark);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.startWithNewSideFiles(QString("ClkColor=255\nDarkColor=%1").arg(dark));
    auto fontColour = [](QLabel* label) {
      label->ensurePolished();
      return label->palette().color(label->foregroundRole());
    };
    for (QLabel* label : {w.form->Clock1, w.form->pDisplay})
      EXPECT_EQ(fontColour(label), QColor(255, 0, 0))
          << label->objectName().toStdString() << " from the file";

    w.form->btnPrefsClick();
    auto* colours = w.form->Preferences->findChild<QComboBox*>("ClkColor");
    ASSERT_NE(colours, nullptr);
    const int lime = colours->findText("Lime");
    ASSERT_GE(lime, 0);
    colours->setCurrentIndex(lime);
    emit colours->activated(lime);
    EXPECT_EQ(w.S.ClkColor, 0x00FF00);
    for (QLabel* label : {w.form->Clock1, w.form->pDisplay})
      EXPECT_EQ(fontColour(label), QColor(0, 255, 0)) << label->objectName().toStdString() << " picked";
  }
}

// A style chosen in Preferences is the style the tool bar's style box names.
TEST(PreferencesWiring, StyleChosenInPreferencesShowsInTheToolBarBox) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  auto* box = w.form->findChild<QComboBox*>("scComboBox1");
  ASSERT_NE(box, nullptr);
  w.form->btnPrefsClick();
  QMenu* styles = w.form->Preferences->styleMenu;
  ASSERT_NE(styles, nullptr);
  QAction* other = nullptr;
  for (QAction* a : styles->actions())
    if (!a->text().isEmpty() && a->text() != box->currentText() && a->text() != activeStyleName()) other = a;
  ASSERT_NE(other, nullptr);
  const QString before = activeStyleName();
  other->trigger();
  EXPECT_EQ(activeStyleName(), other->text());
  EXPECT_EQ(box->currentText(), other->text());
  applyStyle(before);
}
