#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "console/engine/level_math.h"
#include "console/output/dmx_interface.h"
#include "console/patch/fixture_map.h"
#include "console/patch/soft_patch_file.h"
#include "console/window/channel_cells.h"
#include "console/window/styles.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"
#include "platform/timer_list.h"
#include "tests/window/console_window_fixture.h"

TEST(ChannelGrid, PagesAtTheDesignedSizeAndTheUniverseSplit) {
  struct Case {
    int channels;
    QStringList captions;
  } cases[] = {
      {256, {"1-64", "65-128", "129-192", "193-256"}},
      {512, {"1-64", "65-128", "129-192", "193-256", "257-320", "321-384", "385-448", "449-512"}},
      {513, {"1-64", "65-128", "129-192", "193-256", "257-320", "321-384", "385-448", "449-512", "1-1"}},
      {20, {"1-20"}},
  };
  for (const Case& c : cases) {
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})}, c.channels);
    w.start({}, c.channels);
    EXPECT_EQ(w.form->pageCaptions(), c.captions) << c.channels;
    EXPECT_EQ(int(w.form->ChannelEdits.size()), c.channels);
  }
}

TEST(ChannelGrid, SecondUniverseIsNumberedFromOneAndEveryChannelStaysReachable) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 1024);
  w.start({}, 1024);
  const QStringList captions = w.form->pageCaptions();
  ASSERT_EQ(captions.size(), 16);
  EXPECT_EQ(captions[8], "1-64");
  EXPECT_EQ(captions[15], "449-512");
  EXPECT_EQ(w.S.MaxChannels, 1024);
  EXPECT_EQ(w.form->ChannelLabels[512]->text(), "1");
  EXPECT_EQ(w.form->pageOfChannel(1023), 15);
  EXPECT_EQ(w.dialogs.count("Window Size too small"), 0);
}

TEST(ChannelGrid, RedrawKeepsLevelsAndOutput) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{3, 255}})});
  w.start();
  w.form->ChannelEdits[2]->setText("100");
  ASSERT_EQ(w.S.DmxOutBuffer[2], 255);
  w.form->resize(700, 500);
  w.form->Redraw();
  EXPECT_EQ(w.S.DmxOutBuffer[2], 255);
  EXPECT_EQ(w.S.CurrentLevels[3], 255.0f);
  EXPECT_EQ(w.form->ChannelEdits[2]->text(), "100");
}

TEST(ShowLoading, CueListShowsCallDescriptionAndTime) {
  ConsoleWindow w;
  CueRecord split = ConsoleWindow::cue(250, {}, 30, 55);
  split.timingMode = 1;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 20), split, ConsoleWindow::cue(300, {})});
  w.start();
  QTableWidget* list = w.form->cuelist;
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "Call");
  EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "Description");
  EXPECT_EQ(list->horizontalHeaderItem(2)->text(), "Time");
  EXPECT_EQ(list->item(1, 0)->text(), "2.5");
  EXPECT_EQ(list->item(1, 2)->text(), "3:5.5");
  EXPECT_EQ(list->item(0, 1)->text(), "Cue 1");
  EXPECT_EQ(w.form->windowTitle(), "Stagora Lighting - using show.lcue");
  EXPECT_TRUE(QFile::exists(w.path("show.spch")));
}

TEST(ShowLoading, MissingCueFileWarnsAndLeavesEveryChannelAtZero) {
  ConsoleWindow w;
  w.start();
  EXPECT_EQ(w.dialogs.count("Loading Cue File error"), 1);
  for (LevelEdit* e : w.form->ChannelEdits) EXPECT_EQ(e->text(), "0");
  w.settle();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(w.S.DmxOutBuffer[i], 0);
}

TEST(ShowLoading, OldShowIsConvertedAndListed) {
  ConsoleWindow w;
  QByteArray old;
  for (int n : {100, 200, 300}) {
    OldCueRecord r;
    r.cueNumber = n;
    r.channelCountField = 161;
    old += r.encode();
  }
  cue_test::writeBytes(w.path("show.lcue"), old);
  w.start();
  EXPECT_EQ(QFileInfo(w.path("show.lcue")).size(), 3 * 1240);
  EXPECT_EQ(w.form->cuelist->rowCount(), 3);
}

TEST(ShowLoading, ANewShowTakesAnExistingPatchAndFixtureMapAsItsBase) {
  QTemporaryDir other;
  const QString base = other.filePath("older show");
  QByteArray patch = newPatchFileBytes();
  patch.replace(",3,\r\n", ",3,7\r\n");  // the older show's own patch: channel 3 drives address 7
  cue_test::writeBytes(base + ".spch", patch);
  cue_test::writeBytes(base + ".fmap", newFixtureMapBytes(5));
  cue_test::writeBytes(base + ".scne", QByteArray("scenes of the older show"));
  cue_test::writeBytes(base + ".lgrp", QByteArray("[Groups]\r\ng1=1,2\r\n"));

  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  std::vector<FileDialogSpec> asked;
  w.chooseFile = [&](const FileDialogSpec& request) {
    asked.push_back(request);
    return base + "." + request.defaultSuffix;
  };
  w.dialogs.answerDefaults = false;
  w.dialogs.answer(DialogResult::Yes);  // "Fixture File": use an existing file
  w.dialogs.answer(DialogResult::Yes);  // "Softpatch File": likewise
  w.start();
  EXPECT_EQ(w.dialogs.count("Fixture File"), 1);
  EXPECT_EQ(w.dialogs.count("Softpatch File"), 1);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].filter, "Fixture Files (*.fmap *.FMAP)");
  EXPECT_EQ(asked[1].filter, "Softpatch Files (*.spch *.SPCH)");
  for (const FileDialogSpec& r : asked) {
    EXPECT_EQ(r.title, "Select Directory and File name");
    EXPECT_EQ(r.kind, FileDialogSpec::Kind::Open);
  }
  EXPECT_EQ(cue_test::readBytes(w.path("show.fmap")), newFixtureMapBytes(5));
  EXPECT_EQ(cue_test::readBytes(w.path("show.spch")), patch);
  EXPECT_EQ(cue_test::readBytes(w.path("show.scne")), QByteArray("scenes of the older show"));
  EXPECT_EQ(cue_test::readBytes(w.path("show.lgrp")), QByteArray("[Groups]\r\ng1=1,2\r\n"));
}

TEST(LevelPath, TypedLevelIsCommittedWhenTheKeyTimerFires) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  LevelEdit* edit = w.form->ChannelEdits[11];
  edit->setFocus();
  QLineEdit* editor = w.form->levelEditor();
  ASSERT_EQ(editor->parentWidget(), w.form->dimpages->widget(w.form->pageOfChannel(11)));
  QTest::keyClicks(editor, "50");
  EXPECT_EQ(edit->text(), "50");
  EXPECT_TRUE(w.form->timers().isArmed("Keytimer"));
  EXPECT_EQ(w.S.DmxOutBuffer[11], 0) << "nothing goes out while typing";
  w.clock.advance(1499);
  EXPECT_EQ(w.S.DmxOutBuffer[11], 0) << "the key timer runs 1.5 s";
  w.clock.advance(1);
  EXPECT_EQ(w.S.DmxOutBuffer[11], 127);
  EXPECT_EQ(w.lastLevels().at(11), char(127));
  EXPECT_TRUE(w.S.Unrecorded);
}

TEST(LevelPath, EnteringAnEditSelectsItsTextSoTypingReplacesIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  w.form->show();
  QApplication::setActiveWindow(w.form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
  QLineEdit* editor = w.form->levelEditor();
  QWidget* page = w.form->dimpages->widget(w.form->pageOfChannel(3));
  for (const bool byMouse : {true, false}) {
    SCOPED_TRACE(byMouse ? "click" : "Tab");
    w.form->setEditTextQuietly(3, "0");
    w.form->ChannelEdits[2]->setFocus();
    if (byMouse) {
      const QPoint at = ChannelGrid::editRect().translated(w.form->ChannelPanels[3]->pos()).center();
      QMouseEvent press(QEvent::MouseButtonPress, at, page->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(page, &press);
    } else {
      QTest::keyClick(editor, Qt::Key_Tab);
    }
    ASSERT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->selectedText(), "0");
    QTest::keyClicks(editor, "25");
    EXPECT_EQ(w.form->ChannelEdits[3]->text(), "25");
  }
}

TEST(WindowLook, TheRecordedIndicatorIsNotCoveredByThePageTabs) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start({}, 1024);  // eight pages of tabs
  w.form->resize(1400, 900);
  w.form->show();
  w.form->recordok->show();
  QWidget* area = w.form->centralWidget();
  const QRect indicator = w.form->recordok->geometry();
  EXPECT_GE(indicator.width(), w.form->recordok->sizeHint().width());
  EXPECT_TRUE(area->rect().contains(indicator));
  // It stands above every widget it overlaps, and away from the page tabs.
  const QObjectList& children = area->children();
  const qsizetype at = children.indexOf(w.form->recordok);
  for (qsizetype i = at + 1; i < children.size(); ++i)
    if (auto* sibling = qobject_cast<QWidget*>(children[i]); sibling && sibling->isVisible()) {
      EXPECT_FALSE(sibling->geometry().intersects(indicator)) << sibling->objectName().toStdString();
    }
  EXPECT_FALSE(w.form->dimpages->geometry().intersects(indicator));
  QTabBar* tabs = w.form->dimpages->tabBar();
  for (int t = 0; t < tabs->count(); ++t) {
    if (!tabs->isTabVisible(t)) continue;
    const QRect tab(tabs->mapTo(area, tabs->tabRect(t).topLeft()), tabs->tabRect(t).size());
    EXPECT_FALSE(tab.intersects(indicator)) << tabs->tabText(t).toStdString();
  }
}

TEST(WindowLook, ChoosingAStyleRestylesTheWindowAndIsKept) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start("Style=Charcoal Dark Slate");
  auto* box = w.form->findChild<QComboBox*>("scComboBox1");
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->currentText(), "Charcoal Dark Slate");
  const QColor before = QApplication::palette().color(QPalette::Window);
  box->setCurrentText("Slate Classico");
  emit box->textActivated("Slate Classico");
  EXPECT_EQ(activeStyleName(), "Slate Classico");
  EXPECT_NE(QApplication::palette().color(QPalette::Window), before);
  EXPECT_EQ(w.S.Style, "Slate Classico");
  EXPECT_EQ(IniFile(w.S.MainIniFile).readString("Settings", "Style", ""), "Slate Classico");
  applyStyle("Charcoal Dark Slate");
}

TEST(WindowLook, HelpWithoutABrowserSaysWhereTheHelpFileIs) {
  // The offscreen platform opens no browser, as a machine without one.
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.dialogs.shown.clear();
  w.dialogs.answer(DialogResult::Ok);
  w.form->HelpTopics1Click();
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].title, "Help");
  const QString help = QFileInfo(QDir(programFolder()).filePath("vqlightinghelp.html")).absoluteFilePath();
  EXPECT_TRUE(
      w.dialogs.shown[0].text.contains(QFileInfo::exists(help) ? help : QString("vqlightinghelp.html")))
      << w.dialogs.shown[0].text.toStdString();
}

TEST(WindowLook, EveryStyleKeepsItsTextReadable) {
  // Text against the background it is drawn on: edits and lists, buttons and combo boxes, windows.
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const auto contrast = [&](const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
  };
  const QString active = activeStyleName();
  for (const QString& name : builtInStyleNames()) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(applyStyle(name));
    const QPalette p = QApplication::palette();
    EXPECT_GE(contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 4.5);
    EXPECT_GE(contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)), 4.5);
    EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 4.5);
    EXPECT_GE(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 3.0);
  }
  applyStyle(active);
}

TEST(LevelPath, ConversionTableAndLimitsThroughTheEdits) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  const std::pair<const char*, int> cases[] = {{"10", 26},  {"30", 76},   {"50", 127},  {"70", 178},
                                               {"90", 229}, {"100", 255}, {"150", 255}, {"-20", 0}};
  for (auto [text, dmx] : cases) {
    w.form->ChannelEdits[0]->setText(text);
    EXPECT_EQ(w.S.DmxOutBuffer[0], dmx) << text;
  }
  w.S.RawChannels[2] = true;
  w.form->ChannelEdits[1]->setText("300");
  EXPECT_EQ(w.S.DmxOutBuffer[1], 255);
}

TEST(LevelPath, ProportionalPatchScalesEveryAddressFromTheChannelLevel) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.Patch.PatchTable.set(1, "|5|6|", w.S.MaxChannels);
  w.S.Patch.PatchPercent[5] = 50;
  w.S.Patch.PatchPercent[6] = 50;
  w.form->ChannelEdits[0]->setText("100");
  EXPECT_EQ(w.S.DmxOutBuffer[4], 128);
  EXPECT_EQ(w.S.DmxOutBuffer[5], 128);
}

TEST(LevelPath, LockedShowKeepsTypedLevelsOffTheOutput) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.CueChangesAllowed = false;
  w.form->ChannelEdits[3]->setText("80");
  EXPECT_EQ(w.S.DmxOutBuffer[3], 0);
}

TEST(LevelPath, SubmasterAddressMovesTheFaderOnlyThroughSetDmx) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.S.Patch.PatchTable.set(2, QString("|%1|").arg(w.S.MaxChannels + 3), w.S.MaxChannels);
  w.form->ChannelEdits[1]->setText("100");  // ChangedDmx ignores the submaster entry
  EXPECT_EQ(w.S.SubSliders[2], 0);
  w.form->SetDmx(1);
  EXPECT_EQ(w.S.SubSliders[2], 100);
}

TEST(LevelPath, BlackOutWithTheInterfaceOpenAndClosed) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  w.form->ChannelEdits[0]->setText("100");
  w.S.SubAdditive[1] = false;
  w.S.InterfaceOpen = false;
  w.form->btnBlackClick();
  EXPECT_EQ(w.S.DmxOutBuffer[0], 255) << "closed: the buffer is left alone";
  EXPECT_EQ(w.S.SubSliders[0], 0);
  EXPECT_EQ(w.S.SubSliders[1], 100);
  w.S.InterfaceOpen = true;
  w.S.Fixtures.WarmUpLevels[1] = 10;
  w.form->btnBlackClick();
  EXPECT_EQ(w.S.DmxOutBuffer[0], 10);
  EXPECT_EQ(w.form->ChannelEdits[0]->text(), "4");
  EXPECT_FALSE(w.S.Unrecorded);
}

TEST(LevelPath, AStoredWarmUpAboveOneByteActsAsFullEverywhere) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  FixtureMap::Table warmUp{};
  warmUp[1] = 300;  // written by hand or another tool; its low byte would be 44
  {
    QFile map(w.path("show.fmap"));
    ASSERT_TRUE(map.open(QIODevice::WriteOnly));
    const QByteArray zeros = encodeMapRecord(FixtureMap::Table{});
    map.write(zeros + encodeMapRecord(warmUp) + zeros + zeros);
  }
  w.start();
  EXPECT_EQ(w.S.Fixtures.WarmUpLevels[1], 255);
  w.form->btnBlackClick();
  EXPECT_EQ(uint8_t(w.S.DmxOutBuffer[0]), 255) << "black-out";
  w.form->ChannelEdits[0]->setText("0");
  w.form->SetDmx(0);
  EXPECT_EQ(uint8_t(w.S.DmxOutBuffer[0]), 255) << "a level set to 0";
}

TEST(ToolLog, IsBoundedInCharactersAsWellAsLines) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  for (int i = 0; i < 3000; ++i) w.form->toolLog(QString(100000, QChar('a' + i % 26)));
  qsizetype chars = 0;
  for (const QString& line : w.form->ToolLogLines) {
    EXPECT_LE(line.size(), 4096);
    chars += line.size();
  }
  EXPECT_EQ(chars, w.form->ToolLogChars);
  EXPECT_LE(chars, 1 << 20);
  EXPECT_TRUE(w.form->ToolLogLines.last().startsWith(QChar('a' + 2999 % 26))) << "the newest are kept";
  w.form->toolLog("short");
  EXPECT_EQ(w.form->ToolLogLines.last(), "short");
}

TEST(LevelPath, BlindKeepsTheWireStillAndLiveRebuildsIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {})});
  w.start();
  w.form->btnLiveclicked();
  EXPECT_FALSE(w.S.LiveMode);
  EXPECT_FALSE(w.S.LiveChosen);
  EXPECT_EQ(w.form->btnLive->toolTip(), "Blind mode - F4");
  w.settle();
  const size_t frames = w.widget.frames().size();
  w.form->ChannelEdits[5]->setText("100");
  w.settle();
  EXPECT_EQ(w.widget.frames().size(), frames);
  w.form->btnLiveclicked();
  EXPECT_EQ(w.form->btnLive->toolTip(), "Live mode - F4");
  EXPECT_TRUE(w.S.LiveChosen);
  EXPECT_EQ(w.lastLevels().at(5), char(255));
}

TEST(Playback, AutoAdvanceChoiceLivesInTheStateAndTheHintShowsIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {})});
  w.start();
  EXPECT_TRUE(w.S.AutoAdvanceChosen);
  EXPECT_EQ(w.form->btnAdvance->toolTip(), "Auto Advance is ON - F3");
  w.form->btnadvanceClick();
  EXPECT_FALSE(w.S.AutoAdvance);
  EXPECT_FALSE(w.S.AutoAdvanceChosen);
  EXPECT_EQ(w.form->btnAdvance->toolTip(), "Auto Advance is OFF - F3");
  // A stepped cue sets AutoAdvance aside and takes it back from the choice, not from the button.
  w.form->btnAdvance->setToolTip("Auto Advance is ON - F3");
  w.form->btnPlayClick();
  EXPECT_FALSE(w.S.AutoAdvance);
  w.form->btnadvanceClick();
  EXPECT_TRUE(w.S.AutoAdvanceChosen);
  EXPECT_EQ(w.form->btnAdvance->toolTip(), "Auto Advance is ON - F3");
}

TEST(CueSelection, EditsShowWhereEachChannelGoes) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(400, {{1, 127}, {2, 0}, {3, 200}}),
               ConsoleWindow::cue(500, {{1, 127}, {2, 204}, {3, 100}})});
  w.start();
  w.form->selectRow(2);
  w.form->CueListClicked(1);
  EXPECT_EQ(w.form->ChannelEdits[0]->text(), "50");
  EXPECT_EQ(w.form->ChannelEdits[0]->fontColor(), 0xFF00FF);
  EXPECT_EQ(w.form->ChannelEdits[1]->text(), "80");
  EXPECT_EQ(w.form->ChannelEdits[1]->fontColor(), 0xFFFF00);
  EXPECT_EQ(w.form->ChannelEdits[2]->fontColor(), 0x00FFFF);
  EXPECT_EQ(w.form->ChannelEdits[3]->text(), "0");
  EXPECT_EQ(w.S.Rows.CurrentCue, 2);
  EXPECT_EQ(uint8_t(w.S.CueLevels[1]), 204);
}

TEST(CueSelection, OscCueTextSplitsIntoAddressAndArgument) {
  QString address, argument;
  Tform1::splitOscCueText("/cue/7/go", address, argument);
  EXPECT_EQ(address, "/cue");
  EXPECT_EQ(argument, "7/go");
  Tform1::splitOscCueText("/go", address, argument);
  EXPECT_EQ(address, "/go");
  EXPECT_EQ(argument, "");
}

TEST(CueSelection, FixtureComingOnGetsItsColourBeforeTheFade) {
  ConsoleWindow w;
  // An RGB fixture at 5..8: 5 intensity, 6 red, 7 green, 8 blue.
  w.writeShow({ConsoleWindow::cue(400, {}), ConsoleWindow::cue(500, {{5, 255}, {6, 255}})});
  w.start();
  for (int a = 5; a <= 8; ++a) w.S.Fixtures.FixtureStart[a] = 5;
  w.S.Fixtures.FixtureAttributes[5] = 99;
  w.S.Fixtures.FixtureAttributes[6] = 1;
  w.S.Fixtures.FixtureAttributes[7] = 2;
  w.S.Fixtures.FixtureAttributes[8] = 3;
  w.form->selectRow(1);
  w.form->CueListClicked(1);
  w.form->selectRow(2);
  w.form->CueListClicked(1);
  EXPECT_EQ(w.S.DmxOutBuffer[5], 255) << "red jumps before GO";
  EXPECT_EQ(w.S.DmxOutBuffer[4], 0) << "intensity waits for the fade";
}

TEST(Playback, GoFadesOnTheWireAndTheNextCueIsSelected) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 30), ConsoleWindow::cue(200, {{1, 0}, {2, 255}}, 10)});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  EXPECT_EQ(w.S.FadeTotalTicks, 60);
  w.tick(30);
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 128) << "30 steps of 4.25: 127.5, rounded to even";
  w.tick(31);
  EXPECT_EQ(w.S.Rows.RunningCue, 0) << "the fade ends on tick 62";
  w.tick(1);
  EXPECT_EQ(w.S.Rows.RunningCue, 1);
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 255);
  EXPECT_EQ(w.S.Rows.CurrentCue, 2) << "the next cue is selected, not played";
  EXPECT_EQ(w.form->numberCellColour(1), 0x0C50DA);
}

TEST(Playback, SendCueArmsTheFadeAndEachTickPutsOneStepOnTheWire) {
  ConsoleWindow w;
  CueRecord rising = ConsoleWindow::cue(100, {{1, 255}}, 20);  // 40 ticks
  rising.upDelay = 10;                                         // 20 ticks
  w.writeShow({rising, ConsoleWindow::cue(200, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  // The fade timer runs on the window's clock: one tick each 50 ms of it.
  auto tick = [&](int n = 1) { w.clock.advance(n * w.S.FadeInterval); };
  // GO only arms the fade: nothing moves before the first tick.
  EXPECT_EQ(w.S.FadeTotalTicks, 60);
  EXPECT_EQ(w.S.FadeTick, 0);
  EXPECT_FALSE(w.S.FadeIdle);
  EXPECT_TRUE(w.form->FadeTimer->isActive());
  EXPECT_EQ(w.S.DmxOutBuffer[0], 0);
  EXPECT_FLOAT_EQ(w.S.LevelSteps[1], 6.375f);
  for (int t = 1; t <= 20; ++t) {
    tick();
    ASSERT_EQ(w.S.DmxOutBuffer[0], 0) << "tick " << t << " is within the delay";
  }
  EXPECT_EQ(w.S.UpDelayText, "0");
  // From tick 21 each tick makes one step and sends it.
  const int expected[] = {6, 13, 19, 26};  // 6.375 x 1..4, rounded to even
  for (int step = 0; step < 4; ++step) {
    tick();
    EXPECT_EQ(w.S.DmxOutBuffer[0], expected[step]) << "tick " << 21 + step;
    EXPECT_EQ(uint8_t(w.lastLevels().at(0)), expected[step]) << "tick " << 21 + step << " on the wire";
  }
  tick(60 - 24);
  EXPECT_EQ(w.S.DmxOutBuffer[0], 255) << "landed on tick 60";
  EXPECT_EQ(w.S.Rows.RunningCue, 0) << "the fade is still running";
  tick();
  EXPECT_EQ(w.S.Rows.RunningCue, 0) << "tick 61";
  tick();
  EXPECT_EQ(w.S.Rows.RunningCue, 1) << "the fade ends on tick 62 and the cue is done";
  EXPECT_TRUE(w.S.FadeIdle);
  EXPECT_FALSE(w.form->FadeTimer->isActive());
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 255);
}

TEST(Playback, FollowCueStartsOnceUnderAutoAdvance) {
  ConsoleWindow w;
  CueRecord follow = ConsoleWindow::cue(200, {{2, 255}}, 10);
  follow.startMode = 1;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 0), follow, ConsoleWindow::cue(300, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  w.tick(3);
  EXPECT_EQ(w.S.Rows.RunningCue, 1);
  EXPECT_EQ(w.S.Rows.CurrentCue, 2);
  EXPECT_FALSE(w.S.FadeIdle) << "the follow cue runs";
  EXPECT_EQ(w.S.FadeTotalTicks, 20);
  w.tick(5);
  EXPECT_EQ(w.S.FadeTick, 5) << "started once: not restarted by the end of the previous cue";
}

TEST(Playback, GoWithoutCuesOrInterfaceDoesNothing) {
  ConsoleWindow w;
  w.writeShow({});
  w.start();
  w.form->btnPlayClick();
  w.form->GoBack();
  w.form->mreset();
  EXPECT_TRUE(w.S.FadeIdle);

  ConsoleWindow closed;
  closed.writeShow({ConsoleWindow::cue(100, {})});
  closed.start();
  closed.S.InterfaceOpen = false;
  closed.dialogs.answer(DialogResult::Ok);
  closed.form->btnPlayClick();
  EXPECT_EQ(closed.dialogs.count("Communications Error"), 1);
}

TEST(Playback, EndLandsEveryChannelOnTheNextTickWithoutBlocking) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 100), ConsoleWindow::cue(200, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  w.tick(5);
  w.form->keyend();
  w.form->keyend();
  w.tick(1);
  EXPECT_EQ(w.S.Rows.RunningCue, 1);
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 255);
}

TEST(Playback, AdvanceDelayIsArmedOnlyWhenAnotherCueFollows) {
  ConsoleWindow w;
  CueRecord last = ConsoleWindow::cue(200, {}, 0);
  last.advanceAfter = 1;
  last.advanceDelay = 20;
  CueRecord first = last;
  first.cueNumber = 100;
  w.writeShow({first, last});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  EXPECT_TRUE(w.form->timers().isArmed("advdelaytimer"));
  EXPECT_EQ(w.form->timers().interval("advdelaytimer"), 2000);
  w.form->timers().cancel("advdelaytimer");
  w.form->selectRow(2);
  w.form->LoadCue();
  w.S.AutoAdvance = true;
  w.form->SendCue();
  EXPECT_FALSE(w.form->timers().isArmed("advdelaytimer"));
}

TEST(RemoteWiring, PipeCommandsReachTheWireOnceTheWebRemoteIsStarted) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start();
  QLocalSocket early;
  early.connectToServer(w.S.RemotePipeName);
  EXPECT_FALSE(early.waitForConnected(500)) << "the pipe server starts inactive";

  ASSERT_TRUE(w.form->remote()->setWebRemoteActive(true));
  QLocalSocket pipe;
  pipe.connectToServer(w.S.RemotePipeName);
  ASSERT_TRUE(pipe.waitForConnected(2000));
  // The web remote writes UTF-16LE text.
  const QString command = "set 3@100\r\n";
  pipe.write(reinterpret_cast<const char*>(command.utf16()), command.size() * 2);
  pipe.flush();
  waitForEvents([&] { return w.S.DmxOutBuffer[2] == 255; });
  EXPECT_EQ(w.S.DmxOutBuffer[2], 255);
  EXPECT_EQ(w.lastLevels().at(2), char(255));
  w.form->remote()->setWebRemoteActive(false);
}
