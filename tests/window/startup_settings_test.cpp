#include <gtest/gtest.h>

#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "console/window/main_window.h"
#include "platform/program_folder.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/test_clock.h"

namespace {
struct Started {
  QTemporaryDir dir;
  cue_test::CurrentDirGuard cwd;  // the log file goes to the test's own folder
  ConsoleState state;
  DialogRecorder dialogs;
  TestClock clock;
  std::unique_ptr<Tform1> form;

  explicit Started(const QByteArray& ini, const QStringList& args = {"vqlighting"}) {
    dialogs.answerDefaults = true;
    QDir::setCurrent(dir.path());
    state.MainIniFile = dir.filePath("vqlighting.ini");
    QFile f(state.MainIniFile);
    f.open(QIODevice::WriteOnly);
    // The fixed OSC port belongs to the whole-program tests.
    f.write("[Settings]\nOSCListen=0\n" + ini);
    f.close();
    state.ArtNetPort = 0;  // the fixed Art-Net port belongs to the whole-program tests
    form = std::make_unique<Tform1>(state, args, nullptr, nullptr, &clock);
  }
};
}  // namespace

TEST(StartupSettings, EmptySettingsFileGivesTheDefaults) {
  Started s("");
  EXPECT_EQ(s.state.MaxChannels, 256);
  EXPECT_EQ(s.state.MaxChannelIndex, 255);
  EXPECT_EQ(s.state.FadeInterval, 50);
  EXPECT_EQ(s.state.StepsPerSecond, 20);
  EXPECT_EQ(s.state.CueFileName, programFolder() + "/zzyz.lcue");
  EXPECT_EQ(s.state.Style, "Charcoal Dark Slate");
  EXPECT_EQ(s.state.InterfacePort, "COM1");
  EXPECT_EQ(s.state.ArtNode1, "255.255.255.255");
  EXPECT_EQ(s.state.NetPort, 5085);
  EXPECT_EQ(s.state.FSPort, 5205);
  EXPECT_EQ(s.state.PeerAddress, "127.0.0.1");
  EXPECT_EQ(s.state.DisplayInterval, 250);
  EXPECT_TRUE(s.state.FileSource);
  EXPECT_TRUE(s.state.RestoreSounds);
  EXPECT_TRUE(s.form->Restore1->isChecked());
  EXPECT_FLOAT_EQ(s.state.BumpFadeSeconds, 1.0f);
  EXPECT_EQ(s.state.MaxfixtureRange, 2);
  EXPECT_EQ(s.state.LogLevel, 0);
  EXPECT_TRUE(s.dialogs.shown.empty());
  // Start-up writes nothing: its folder (also the current one) holds the settings file as written.
  EXPECT_EQ(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"vqlighting.ini"});
  QFile ini(s.state.MainIniFile);
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_EQ(ini.readAll(), QByteArray("[Settings]\nOSCListen=0\n"));
}

TEST(StartupSettings, ChannelCapAndStepsPerSecondByInterfaceAndInterval) {
  struct Case {
    const char* ini;
    int channels;
    int interval;
    int steps;
  } cases[] = {
      {"[Settings]\nMaxChannels=1024\nDMXdevice=0\n", 512, 50, 20},   // USB Pro: one universe
      {"[Settings]\nMaxChannels=1024\nDMXdevice=4\n", 1024, 50, 20},  // DMXking Pro: two universes
      {"[Settings]\nMaxChannels=1024\nDMXdevice=1\n", 1024, 50, 20},  // Mk2: two ports
      {"[Settings]\nMaxChannels=1024\nDMXdevice=6\n", 512, 50, 20},   // Eurolite Pro
      {"[Settings]\nInterval=40\nDMXdevice=4\n", 256, 40, 25},
      {"[Settings]\nInterval=30\nDMXdevice=4\n", 256, 30, 33},
      {"[Settings]\nInterval=30\nDMXdevice=2\n", 256, 50, 20},  // type 1 always runs at 50 ms
      // An interval of 0 would run the fade timer flat out: it takes the default.
      {"[Settings]\nMaxChannels=0\nInterval=0\nDMXdevice=4\n", 1, 50, 20},
      {"[Settings]\nMaxChannels=-5\nInterval=100000\nDMXdevice=4\n", 1, 1000, 1},
      {"[Settings]\nMaxChannels=5000\nDMXdevice=7\n", 1024, 50, 20},
  };
  for (const Case& c : cases) {
    Started s(c.ini);
    EXPECT_EQ(s.state.MaxChannels, c.channels) << c.ini;
    EXPECT_EQ(s.state.MaxChannelIndex, c.channels - 1) << c.ini;
    EXPECT_EQ(s.state.FadeInterval, c.interval) << c.ini;
    EXPECT_EQ(s.state.StepsPerSecond, c.steps) << c.ini;
  }
}

TEST(StartupSettings, InterfaceAndConnectionMenusFollowTheSettings) {
  Started s("[Settings]\nDMXdevice=1\nConnection=2\n");
  EXPECT_EQ(s.state.InterfaceType, 3);
  EXPECT_TRUE(s.form->InterfaceItems->actions()[1]->isChecked());
  EXPECT_TRUE(s.form->ConnectionItems->actions()[2]->isChecked());
  Started eurolite("[Settings]\nDMXdevice=5\n");
  EXPECT_EQ(eurolite.state.InterfaceType, 4);
  EXPECT_FALSE(eurolite.form->ConnectionItems->actions()[0]->isEnabled());
}

TEST(StartupSettings, CueFileNameFromSettingsOrCommandLine) {
  struct Case {
    QStringList args;
    const char* ini;
    QString expected;
  } cases[] = {
      {{"vqlighting", "show.lcue"}, "", programFolder() + "/show.lcue"},
      {{"vqlighting", "/shows/gala.lcue"}, "", "/shows/gala.lcue"},
      {{"vqlighting", "a.c"}, "", "a.c"},
      {{"vqlighting"}, "[CueFile]\nLast=/x/y.lcue\n", "/x/y.lcue"},
      {{"vqlighting", "z.lcue"}, "[CueFile]\nLast=/x/y.lcue\n", programFolder() + "/z.lcue"},
  };
  for (const Case& c : cases) {
    Started s(c.ini, c.args);
    EXPECT_EQ(s.state.CueFileName, c.expected) << c.args.join(' ').toStdString();
  }
}

TEST(StartupSettings, KeysAreReadWithoutRegardToCaseAndWrongFormsGiveDefaults) {
  Started s("[SETTINGS]\nnetport=6000\nvqpaddr=10.1.2.3\nWheel=abc\nCLwidth=400\nRestore=0\nBumpFade=25\n");
  EXPECT_EQ(s.state.NetPort, 6000);
  EXPECT_EQ(s.state.PeerAddress, "10.1.2.3");
  EXPECT_EQ(s.state.Wheel, 1);
  EXPECT_EQ(s.state.CLwidth, 400);
  EXPECT_FALSE(s.state.RestoreSounds);
  EXPECT_FLOAT_EQ(s.state.BumpFadeSeconds, 2.5f);
}

TEST(StartupSettings, LoggingNoticeAtLevelAboveZero) {
  Started s("[Settings]\nLogging=1\n");
  ASSERT_EQ(s.dialogs.shown.size(), 1u);
  EXPECT_EQ(s.dialogs.shown[0].title, "Logging is Enabled");
  EXPECT_EQ(s.dialogs.shown[0].text, "Activity logging is enabled and will appear in the Tool window.");
  EXPECT_EQ(s.dialogs.shown[0].position, QPoint(200, 200));
}

TEST(StartupSettings, ErrorHandlerDropsCommErrorsAndAnswersFileNotWithThePatchMessage) {
  Started s("[Settings]\nLogging=0\n");
  s.form->MyExceptionHandler("PurgeComm failed");
  s.form->MyExceptionHandler("FT_Write error");
  s.form->MyExceptionHandler("System Error: 2");
  EXPECT_TRUE(s.dialogs.shown.empty());
  s.form->MyExceptionHandler("File not found FT_Write");
  ASSERT_EQ(s.dialogs.shown.size(), 1u);
  EXPECT_EQ(s.dialogs.shown[0].title, "Loading Patch File error");
  EXPECT_EQ(s.dialogs.shown[0].text,
            "Could not find a Soft Patch file. A default 1 to 1 file will be created.");
  s.form->MyExceptionHandler("Access violation");
  ASSERT_EQ(s.dialogs.shown.size(), 2u);
  EXPECT_EQ(s.dialogs.shown[1].text, "Access violation");
}

TEST(StartupSettings, CaptionNamesTheShowFile) {
  Started s("[CueFile]\nLast=/shows/gala.lcue\n");
  s.form->SetCaption();
  EXPECT_EQ(s.form->windowTitle(), "Stagora Lighting - using gala.lcue");
  EXPECT_GT(Tform1::CurrentProcessMemory(), 0u);
}
