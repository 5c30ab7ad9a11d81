#include "console/editors/preferences_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "console/editors/s2l_window.h"
#include "console/engine/console_state.h"
#include "platform/ini_file.h"
#include "tests/support/dialog_recorder.h"

namespace {

struct Prefs {
  QTemporaryDir dir;
  ConsoleState S;
  DialogRecorder dialogs;
  std::unique_ptr<TPreferences> window;
  int restarts = 0;
  int oscPort = 4444;
  std::vector<int> boundTo;
  bool portFree = true;
  std::vector<std::tuple<int, QString, int>> bands;
  int curveLoads = 0;
  int userSelections = 0;

  Prefs() {
    dialogs.answerDefaults = true;
    S.MainIniFile = dir.filePath("vqlighting.ini");
    S.OSCListen = oscPort;
    PreferencesHost host;
    host.restart = [this] { ++restarts; };
    host.oscPort = [this] { return oscPort; };
    host.rebindOsc = [this](int port) {
      boundTo.push_back(port);
      if (portFree) oscPort = port;
      return portFree;
    };
    host.bandFile = [this] { return dir.filePath("S2Lsave.ini"); };
    host.applyBand = [this](int b, const QString& list, int min) { bands.emplace_back(b, list, min); };
    host.loadCurve = [this] { ++curveLoads; };
    host.selectUser = [this] { ++userSelections; };
    window = std::make_unique<TPreferences>(S, std::move(host), nullptr);
    window->FormShow();
  }
  IniFile ini() const { return IniFile(S.MainIniFile); }
};

}  // namespace

TEST(Preferences, ChangingTheChannelCountWritesTheSettingsAndRestarts) {
  Prefs p;
  p.window->maxchannels->setText("512");
  EXPECT_TRUE(p.window->btnexitClick());
  EXPECT_EQ(p.dialogs.count("Channel count change"), 1);
  EXPECT_EQ(p.restarts, 1);
  EXPECT_EQ(p.ini().readInteger("Settings", "MaxChannels", 0), 512);
  EXPECT_EQ(p.S.MaxChannels, 256) << "the running count changes only with the restart";
  EXPECT_TRUE(p.boundTo.empty()) << "an unchanged OSC port is not rebound";

  Prefs same;
  EXPECT_TRUE(same.window->btnexitClick());
  EXPECT_EQ(same.restarts, 0);
  EXPECT_EQ(same.dialogs.count("Channel count change"), 0);
}

TEST(Preferences, ChannelCountIsCappedByTheInterface) {
  Prefs p;
  p.S.InterfaceType = 0;
  p.window->FormShow();
  p.window->maxchannels->clear();
  QTest::keyClicks(p.window->maxchannels, "600");
  EXPECT_EQ(p.window->maxchannels->text(), "512");
  p.S.InterfaceType = 6;
  p.window->FormShow();
  p.window->maxchannels->clear();
  QTest::keyClicks(p.window->maxchannels, "2000");
  EXPECT_EQ(p.window->maxchannels->text(), "1024");
}

TEST(Preferences, FixturesBeyondTheCountKeepExitDisabled) {
  Prefs p;
  p.S.Patch.ChannelFixture[10] = 300;
  p.window->maxchannels->setText("256");
  p.window->maxchannelsExit();
  EXPECT_EQ(p.dialogs.count("More channels needed"), 1);
  EXPECT_FALSE(p.window->btnexit->isEnabled());
  p.window->maxchannels->setText("300");
  p.window->maxchannelsExit();
  EXPECT_TRUE(p.window->btnexit->isEnabled());
}

TEST(Preferences, FileSourceChoiceRestartsAtOnce) {
  Prefs p;
  p.window->fileSourceMenu->actions().at(1)->trigger();
  EXPECT_FALSE(p.S.FileSource);
  EXPECT_EQ(p.dialogs.count("Patch file change"), 1);
  EXPECT_EQ(p.restarts, 1);
  EXPECT_EQ(p.ini().readBool("Settings", "FileSource", true), false);
}

TEST(Preferences, TheOscPortIsReboundOnceAtExitAndOnlyToAPort) {
  Prefs p;
  QTest::keyClicks(p.window->oscportnum, "5");  // 44445 typed digit by digit
  EXPECT_TRUE(p.boundTo.empty()) << "no rebinding while typing";
  p.window->oscportnum->setText("70000");
  EXPECT_FALSE(p.window->btnexitClick());
  EXPECT_EQ(p.dialogs.count("OSC Network problem"), 1);
  EXPECT_TRUE(p.boundTo.empty());
  p.portFree = false;
  p.window->oscportnum->setText("4555");
  EXPECT_FALSE(p.window->btnexitClick());
  EXPECT_EQ(p.boundTo, std::vector<int>{4555});
  p.portFree = true;
  EXPECT_TRUE(p.window->btnexitClick());
  EXPECT_EQ(p.oscPort, 4555);
  EXPECT_EQ(p.S.OSCListen, 4555);
}

TEST(Preferences, CurveFollowsTheBoxBothWaysAndDimmerPromptIsWritten) {
  Prefs p;
  p.window->usecurve->setChecked(true);
  p.window->usecurve->setChecked(false);
  EXPECT_EQ(p.curveLoads, 2);
  p.window->Checkdimmer->setChecked(true);
  EXPECT_EQ(p.S.dimmerprompt, 3);
  EXPECT_TRUE(p.window->btnexitClick());
  EXPECT_EQ(p.ini().readInteger("Settings", "dimmerprompt", 99), 0);
}

TEST(SoundToLight, BandsRoundTripAndARefusedRowWritesNothing) {
  Prefs p;
  TS2Lset& s = *p.window->S2Lset;
  s.Readosc();
  s.oscgrid->item(0, 1)->setText("3 5 7");
  s.oscgrid->item(0, 2)->setText("300");
  s.oscgrid->item(1, 1)->setText("");
  s.oscgrid->item(1, 2)->setText("");
  ASSERT_TRUE(s.scButton2Click());
  IniFile file(p.dir.filePath("S2Lsave.ini"));
  EXPECT_EQ(file.readString("1", "DMX", ""), "|3|5|7|");
  EXPECT_EQ(file.readInteger("1", "Min", -1), 255);
  EXPECT_EQ(file.readString("2", "DMX", ""), "||");
  EXPECT_EQ(file.readInteger("2", "Min", -1), 0);
  ASSERT_EQ(p.bands.size(), 4u);
  EXPECT_EQ(p.bands[0], std::make_tuple(1, QString("|3|5|7|"), 255));
  s.Readosc();
  EXPECT_EQ(s.oscgrid->item(0, 1)->text(), "3 5 7");

  QFile before(p.dir.filePath("S2Lsave.ini"));
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  s.oscgrid->item(0, 1)->setText("9");
  s.oscgrid->item(3, 2)->setText("x");
  EXPECT_FALSE(s.scButton2Click());
  QFile after(p.dir.filePath("S2Lsave.ini"));
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), bytes);
}

TEST(Preferences, SetUserPaletteOpensTheDesignerSelection) {
  Prefs p;
  auto* user = p.window->findChild<QPushButton*>("btnUser");
  ASSERT_TRUE(user);
  EXPECT_EQ(user->text(), "Set User Palette");
  EXPECT_EQ(user->toolTip(), "Select the current Designer's palette");
  user->click();
  EXPECT_EQ(p.userSelections, 1);
}
