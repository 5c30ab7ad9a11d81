#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "console/editors/group_window.h"
#include "console/editors/keypad_entry.h"
#include "platform/ini_file.h"
#include "platform/timer_list.h"
#include "tests/window/console_window_fixture.h"

namespace {

std::vector<int> selected(ConsoleWindow& w) {
  std::vector<int> v;
  for (int i = 0; i < w.S.MaxChannels; ++i)
    if (w.S.ChannelSelected[size_t(i)]) v.push_back(i + 1);
  return v;
}

}  // namespace

TEST(Keypad, LinesSetLevelsOnTheWire) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  TKeyEntry& k = *w.form->KeyEntry;
  k.submit("12@50");
  EXPECT_EQ(w.form->ChannelEdits[11]->text(), "50");
  w.clock.advance(w.form->timers().interval("Keytimer"));
  EXPECT_EQ(uint8_t(w.lastLevels().at(11)), 127);
  k.submit("1/10-5*40");
  w.clock.advance(w.form->timers().interval("Keytimer"));
  EXPECT_EQ(selected(w), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 10}));
  const QByteArray levels = w.lastLevels();
  for (int ch : {1, 4, 6, 10}) EXPECT_EQ(uint8_t(levels.at(ch - 1)), 102) << ch;
  EXPECT_EQ(uint8_t(levels.at(4)), 0) << "channel 5 keeps its level";
  EXPECT_EQ(uint8_t(levels.at(11)), 127) << "the previous line's channel keeps its level";
}

TEST(Keypad, RefusedLinesSayWhyAndKeepWhatWasDoneBefore) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  TKeyEntry& k = *w.form->KeyEntry;
  w.form->selectChannel(3);
  w.S.ChannelLocked[3] = true;
  w.dialogs.answer(DialogResult::Retry);
  k.submit("12 50");
  EXPECT_EQ(w.dialogs.count("Level Missing or Incorrect"), 1);
  EXPECT_TRUE(selected(w).empty()) << "a refused line still clears the selection";
  EXPECT_FALSE(w.S.ChannelLocked[3]);
  w.dialogs.answer(DialogResult::Retry);
  k.submit("1+x/3@60");
  EXPECT_EQ(w.dialogs.count("Problem"), 1);
  EXPECT_EQ(w.form->ChannelEdits[0]->text(), "60") << "channel 1 was set before the refusal";
  EXPECT_EQ(selected(w), std::vector<int>{1});
  w.dialogs.answer(DialogResult::Retry);
  k.submit("300@5");
  EXPECT_EQ(w.dialogs.count("Problem"), 2);
  EXPECT_EQ(k.history().size(), 3);
  EXPECT_TRUE(k.KeyEdit1->currentText().isEmpty());
}

TEST(Keypad, HistoryKeepsTheLastTen) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  TKeyEntry& k = *w.form->KeyEntry;
  for (int i = 1; i <= 11; ++i) k.submit(QString("%1@10").arg(i));
  ASSERT_EQ(k.history().size(), 10);
  EXPECT_EQ(k.history().front(), "2@10");
  EXPECT_EQ(k.history().back(), "11@10");
}

TEST(Keypad, AltModeAppendsReleasedDigitsAndSetsADirectChannelAtOnce) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.DirectChannels[4] = true;
  TKeyEntry& k = *w.form->KeyEntry;
  k.show();
  QLineEdit* line = k.KeyEdit1->lineEdit();
  QTest::keyClicks(line, "5*");
  for (Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_8}) {
    QTest::keyPress(line, key, Qt::AltModifier);
    QTest::keyRelease(line, key, Qt::AltModifier);
  }
  EXPECT_EQ(k.KeyEdit1->currentText(), "5*128");
  EXPECT_TRUE(k.KeypadAltMode);
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(w.S.DmxOutBuffer[4], 255) << "128 % is limited, set at once without the typing pause";
  EXPECT_FALSE(k.KeypadAltMode);
}

TEST(Groups, GroupsApplyAsSelection) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.ChannelGroups[3] = "3,abc,5";
  w.S.ChannelGroups[12] = "5,6";
  w.form->groupset(12);
  EXPECT_EQ(selected(w), (std::vector<int>{5, 6}));
  w.dialogs.answer(DialogResult::Ok);
  w.form->groupset(3);
  EXPECT_EQ(selected(w), std::vector<int>{3}) << "the list stops at an entry that names no channel";
  ASSERT_EQ(w.dialogs.count("Channel not Available"), 1);
  EXPECT_EQ(w.dialogs.shown.back().text, "Channel number abc in that group is on another page.");
  w.dialogs.answer(DialogResult::Retry);
  w.form->groupset(7);
  EXPECT_EQ(w.dialogs.count("No Channels entered"), 1);
  EXPECT_TRUE(selected(w).empty());
  // 999: channels above their warm-up level (raw channels above 0).
  w.form->setEditTextQuietly(1, "10");
  w.S.Fixtures.WarmUpLevels[2] = 10;
  w.form->setEditTextQuietly(2, "11");
  w.S.Fixtures.WarmUpLevels[3] = 10;
  w.form->setEditTextQuietly(7, "1");
  w.S.RawChannels[8] = true;
  w.form->groupset(999);
  EXPECT_EQ(selected(w), (std::vector<int>{3, 8}));
  // A locked show keeps its selection.
  w.S.CueChangesAllowed = false;
  w.form->groupset(12);
  EXPECT_EQ(selected(w), (std::vector<int>{3, 8}));
}

TEST(Groups, KeysGThenAGroupSelectIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.ChannelGroups[12] = "2,4";
  QTest::keyClick(w.form.get(), Qt::Key_G);
  QTest::keyClick(w.form.get(), Qt::Key_C);
  EXPECT_EQ(selected(w), (std::vector<int>{2, 4}));
  QTest::keyClick(w.form.get(), Qt::Key_PageUp);
  EXPECT_EQ(w.form->ChannelEdits[1]->text(), "10");
  EXPECT_EQ(uint8_t(w.lastLevels().at(3)), 26);
}

TEST(Groups, WindowRefillsCopiesAndSaves) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  TForm4& g = *w.form->Form4;
  w.S.ChannelGroups[0] = "1,2";
  g.FormActivate();
  EXPECT_EQ(g.edits[0]->text(), "1,2");
  EXPECT_TRUE(g.btnCopy->isEnabled()) << "FileSource off: the group file follows the cue file";
  QTest::keyClicks(g.edits[1], "7a -,8");
  EXPECT_EQ(g.edits[1]->text(), "7,8");
  g.FormActivate();
  EXPECT_TRUE(g.edits[1]->text().isEmpty()) << "unsaved typing is lost";
  g.edits[5]->setText("9,10");
  g.editsaveClick();
  EXPECT_EQ(w.S.ChannelGroups[5], "9,10");
  const ChannelGroupTexts saved = LoadGroups(w.S.GroupFile);
  EXPECT_EQ(saved[0], "1,2");
  EXPECT_EQ(saved[5], "9,10");
  // Copy without a group file next to the program does nothing.
  g.btnCopyClick();
  EXPECT_EQ(w.S.ChannelGroups[5], "9,10");
  // The show's group file is read when the show opens.
  w.form->OpenCueFile();
  EXPECT_EQ(w.S.ChannelGroups[5], "9,10");
}

// However the keypad line is closed (Esc, the close control), it reopens where it was left: both
// offsets from the main window are kept and written to the settings file.
TEST(Keypad, ClosedByEscOrItsCloseControlItKeepsItsPlace) {
  for (const bool byEscape : {true, false}) {
    SCOPED_TRACE(byEscape);
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.start();
    w.form->show();
    w.form->showKeypad();
    TKeyEntry& k = *w.form->KeyEntry;
    ASSERT_TRUE(k.isVisible());
    const QPoint main = w.form->geometry().topLeft();
    k.setGeometry(QRect(main + QPoint(200, 150), k.size()));  // where the operator dragged it
    if (byEscape)
      QTest::keyClick(k.KeyEdit1, Qt::Key_Escape);
    else
      k.close();
    EXPECT_FALSE(k.isVisible());
    EXPECT_EQ(w.S.KeyEntryTop, 150);
    EXPECT_EQ(w.S.KeyEntryLeft, 200);
    const IniFile settings(w.S.MainIniFile);
    EXPECT_EQ(settings.readInteger("Settings", "KeyentryTop", 0), 150);
    EXPECT_EQ(settings.readInteger("Settings", "KeyentryLeft", 0), 200);
    w.form->showKeypad();
    EXPECT_EQ(k.geometry().topLeft() - w.form->geometry().topLeft(), QPoint(200, 150)) << "reopened";
    k.close();
  }
}
