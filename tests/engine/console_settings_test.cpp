#include "console/engine/console_settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/ini_file.h"

namespace {

QByteArray fixture(const QString& name) {
  QFile f(QStringLiteral(VQ_SOURCE_DIR "/tests/engine/data/") + name);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
  return f.readAll();
}

IniFile iniOf(const QByteArray& bytes) {
  IniFile ini;
  ini.setBytes(bytes);
  return ini;
}

// The font the cue list shows when the settings name none (the offscreen platform's default).
TFont cueListOwnFont() {
  TFont font;
  font.Name = "Sans Serif";
  font.Size = 9;
  return font;
}

// What closing takes from the windows rather than from the settings read: the window was on a
// 800-pixel-wide screen, the cue list 679 pixels high, and the show's name resolved to a full path.
void takeFromTheWindows(ConsoleSettings& s, const QString& show) {
  s.mainWidth = 800;
  s.SplitPos = 679;
  s.CueFileName = show;
}

}  // namespace

// The fixtures are what the console wrote on closing, started on the "before" file with
// DMXdevice=5 on the offscreen platform (only the show's folder was replaced by /shows).
TEST(ConsoleSettings, ClosingWritesTheFileTheConsoleWrote) {
  struct Case {
    const char* before;
    const char* after;
    const char* show;
  } cases[] = {
      // A BOM, CRLF lines, keys spelled otherwise, a comment, unknown keys and sections, values of
      // the wrong form: all kept as they were or rewritten in the form the console writes.
      {"settings_bom_crlf_before_close.ini", "settings_bom_crlf_after_close.ini", "/shows/demo.lcue"},
      // A short file: every key closing writes is added, in its order, and the new sections follow.
      {"settings_new_before_close.ini", "settings_new_after_close.ini", "/shows/zzyz.lcue"},
  };
  for (const Case& c : cases) {
    IniFile ini = iniOf(fixture(c.before));
    ConsoleSettings s;
    s.CueListFont = cueListOwnFont();
    readSettings(ini, s);
    takeFromTheWindows(s, c.show);
    writeSettings(ini, s);
    EXPECT_EQ(ini.bytes(), fixture(c.after)) << c.before;
  }
}

TEST(ConsoleSettings, AWrittenFileReadsAndWritesBackByteForByte) {
  for (const char* name : {"settings_bom_crlf_after_close.ini", "settings_new_after_close.ini"}) {
    const QByteArray written = fixture(name);
    QTemporaryDir dir;
    const QString path = dir.filePath("vqlighting.ini");
    {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(written);
    }
    IniFile ini(path);
    ConsoleSettings s;
    readSettings(ini, s);
    s.SplitPos = 679;  // the cue list's height, taken from the window on closing
    writeSettings(ini, s);
    EXPECT_FALSE(ini.modified()) << name;
    ASSERT_TRUE(ini.save()) << name;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), written) << name;
  }
}

TEST(ConsoleSettings, AWrittenFileReadsAsTheValuesThatWereWritten) {
  IniFile ini = iniOf(fixture("settings_bom_crlf_after_close.ini"));
  ConsoleSettings s;
  readSettings(ini, s);
  EXPECT_EQ(s.CueFileName, "/shows/demo.lcue");
  EXPECT_EQ(s.MostRecentFiles1.files(), (QStringList{"/shows/a.lcue", "/shows/b.lcue"}));
  EXPECT_EQ(s.DmxDeviceIndex, 5);
  EXPECT_EQ(s.NetPort, 6000);
  EXPECT_EQ(s.PeerAddress, "10.1.2.3");
  EXPECT_EQ(s.ClkColor, 12);
  EXPECT_FALSE(s.Maxfixture);
  EXPECT_EQ(s.MaxfixtureRange, 1);
  EXPECT_EQ(s.CLwidth, 420);
  EXPECT_EQ(s.DarkColor, 2);
  EXPECT_EQ(s.Style, "No Such Style");
  EXPECT_EQ(s.mainWidth, 800);
  EXPECT_EQ(s.SplitPos, 0) << "written for others, never read";
  EXPECT_EQ(s.CueListFont.Name, "Arial");
  EXPECT_EQ(s.CueListFont.Charset, 0);
  EXPECT_EQ(s.CueListFont.Color, 255);
  EXPECT_EQ(s.CueListFont.Size, 14);
  EXPECT_EQ(s.CueListFont.Style, 3);
  EXPECT_EQ(s.UserName, "Ann");
  EXPECT_EQ(s.UserLetter, "A");
}

TEST(ConsoleSettings, MissingKeysGiveTheDefaults) {
  ConsoleSettings s;
  s.NetPort = 1;  // every key read replaces what was there
  s.Style = "x";
  s.toolsLeft = 3;
  readSettings(IniFile(), s);
  const ConsoleSettings d;
  EXPECT_EQ(s.CueFileName, "zzyz.lcue");
  EXPECT_TRUE(s.MostRecentFiles1.files().isEmpty());
  EXPECT_EQ(s.SettingsMaxChannels, 256);
  EXPECT_EQ(s.SettingsInterval, 50);
  EXPECT_EQ(s.mainTop, 0);
  EXPECT_EQ(s.mainLeft, 0);
  EXPECT_EQ(s.mainHeight, 800);
  EXPECT_EQ(s.mainWidth, 1280);
  EXPECT_EQ(s.CLwidth, 490);
  EXPECT_EQ(s.toolsTop, 0);
  EXPECT_EQ(s.toolsLeft, 0);
  EXPECT_EQ(s.toolsWidth, 404);
  EXPECT_EQ(s.toolsHeight, 489);
  EXPECT_EQ(s.KeyEntryTop, 10);
  EXPECT_EQ(s.KeyEntryLeft, 10);
  EXPECT_EQ(s.DmxDeviceIndex, 0);
  EXPECT_EQ(s.DmxConnection, 0);
  EXPECT_EQ(s.ComPort, "COM1");
  EXPECT_EQ(s.ArtNode1, "255.255.255.255");
  EXPECT_EQ(s.ArtNode2, "255.255.255.255");
  EXPECT_EQ(s.LogLevel, 0);
  EXPECT_FALSE(s.AddPgDn);
  EXPECT_EQ(s.LEDgap, 4);
  EXPECT_EQ(s.LEDdelta, 2);
  EXPECT_EQ(s.Wheel, 1);
  EXPECT_EQ(s.ClkColor, 255);
  EXPECT_EQ(s.Increment, 10);
  EXPECT_EQ(s.DarkColor, 0);
  EXPECT_EQ(s.dimmerprompt, 0);
  EXPECT_EQ(s.WarmUp, 0);
  EXPECT_TRUE(s.Maxfixture);
  EXPECT_EQ(s.MaxfixtureRange, 2);
  EXPECT_FALSE(s.Newprompt);
  EXPECT_FALSE(s.LEDcurve);
  EXPECT_TRUE(s.Scrollprompt);
  EXPECT_EQ(s.DisplayInterval, 250);
  EXPECT_FALSE(s.ShowProgress);
  EXPECT_FALSE(s.ETCmode);
  EXPECT_TRUE(s.FileSource);
  EXPECT_TRUE(s.GroupSource);
  EXPECT_EQ(s.FadeTime, 3);
  EXPECT_EQ(s.BumpFade, 10);
  EXPECT_TRUE(s.BumpOvrRpl);
  EXPECT_FALSE(s.Eosenabled);
  EXPECT_EQ(s.Style, "Charcoal Dark Slate");
  EXPECT_EQ(s.FSfontsize, 24);
  EXPECT_TRUE(s.RestoreSounds);
  EXPECT_EQ(s.MidiInPort, "None");
  EXPECT_EQ(s.NetPort, 5085);
  EXPECT_EQ(s.FSPort, 5205);
  EXPECT_EQ(s.PeerAddress, "127.0.0.1");
  EXPECT_EQ(s.OSCSend, "5555");
  EXPECT_EQ(s.OSCHost, "127.0.0.1");
  EXPECT_EQ(s.OSCAddress, "/vqlight");
  EXPECT_EQ(s.OSCListen, 4444);
  EXPECT_EQ(s.UserName, "");
  EXPECT_EQ(s.UserLetter, "");
  // The struct's own defaults are the same as the file's.
  EXPECT_EQ(d.CLwidth, s.CLwidth);
  EXPECT_EQ(d.Style, s.Style);
  EXPECT_EQ(d.NetPort, s.NetPort);
  EXPECT_EQ(d.mainWidth, s.mainWidth);
}

TEST(ConsoleSettings, WrongFormsGiveTheDefaultsAndKeysMatchWithoutRegardToCase) {
  ConsoleSettings s;
  readSettings(iniOf("[SETTINGS]\nnetport=6000\nvqpaddr=10.1.2.3\nWheel=abc\nCLwidth=400\nRestore=0\n"
                     "BumpFade=25\nInterval=fast\nMaxChannels=12.5\nTop=-40\ntoolsWidth=\nETCmode=yes\n"
                     "[cuefile]\nLAST=/x/y.lcue\n[user]\nname=Bo\n"),
               s);
  EXPECT_EQ(s.NetPort, 6000);
  EXPECT_EQ(s.PeerAddress, "10.1.2.3");
  EXPECT_EQ(s.Wheel, 1);
  EXPECT_EQ(s.CLwidth, 400);
  EXPECT_FALSE(s.RestoreSounds);
  EXPECT_EQ(s.BumpFade, 25);
  EXPECT_EQ(s.SettingsInterval, 50);
  EXPECT_EQ(s.SettingsMaxChannels, 256);
  EXPECT_EQ(s.mainTop, -40);
  EXPECT_EQ(s.toolsTop, -40) << "the tools window starts where the main window does";
  EXPECT_EQ(s.toolsWidth, 404);
  EXPECT_FALSE(s.ETCmode);
  EXPECT_EQ(s.CueFileName, "/x/y.lcue");
  EXPECT_EQ(s.UserName, "Bo");
}

TEST(ConsoleSettings, AnIntervalOfZeroOrLessTakesTheDefault) {
  struct Case {
    const char* value;
    int interval;
  } cases[] = {{"0", 50}, {"-5", 50}, {"1", 1}, {"40", 40}};
  for (const Case& c : cases) {
    ConsoleSettings s;
    readSettings(iniOf(QByteArray("[Settings]\nInterval=") + c.value + "\n"), s);
    EXPECT_EQ(s.SettingsInterval, c.interval) << c.value;
  }
}

TEST(ConsoleSettings, TheFontKeepsWhatTheKeyLeavesOut) {
  const TFont own = cueListOwnFont();
  struct Case {
    const char* value;
    QString name;
    int charset, color, size, style;
  } cases[] = {
      {"", "Sans Serif", 1, 0, 9, 0},  // no key at all
      {"Arial,,,,", "Arial", 1, 0, 9, 0},
      {",0,255,,", "Sans Serif", 0, 255, 9, 0},
      {"Arial,x,y,12,1", "Arial", 1, 0, 12, 1},
      {"Arial", "Sans Serif", 1, 0, 9, 0},  // no comma: nothing is taken
  };
  for (const Case& c : cases) {
    ConsoleSettings s;
    s.CueListFont = own;
    const QByteArray text = *c.value ? "[Settings]\nFont=" + QByteArray(c.value) + "\n" : QByteArray();
    readSettings(iniOf(text), s);
    EXPECT_EQ(s.CueListFont.Name, c.name) << c.value;
    EXPECT_EQ(s.CueListFont.Charset, c.charset) << c.value;
    EXPECT_EQ(s.CueListFont.Color, c.color) << c.value;
    EXPECT_EQ(s.CueListFont.Size, c.size) << c.value;
    EXPECT_EQ(s.CueListFont.Style, c.style) << c.value;
  }
}

TEST(ConsoleSettings, AMaximisedWindowLeavesThePlaceItHadBefore) {
  IniFile ini = iniOf("[Settings]\nTop=5\nLeft=6\nHeight=300\nWidth=400\n");
  ConsoleSettings s;
  readSettings(ini, s);
  s.mainTop = 100;
  s.mainWidth = 1920;
  s.mainWindowNormal = false;
  writeSettings(ini, s);
  EXPECT_EQ(ini.readInteger("Settings", "Top", 0), 5);
  EXPECT_EQ(ini.readInteger("Settings", "Width", 0), 400);
  s.mainWindowNormal = true;
  writeSettings(ini, s);
  EXPECT_EQ(ini.readInteger("Settings", "Top", 0), 100);
  EXPECT_EQ(ini.readInteger("Settings", "Width", 0), 1920);
}

TEST(ConsoleSettings, ThePreferencesAreWrittenAsTheWindowSpellsThem) {
  ConsoleSettings s;
  s.PeerAddress = "10.0.0.9";
  s.NetPort = 6001;
  s.FileSource = false;
  s.LEDcurve = true;
  s.dimmerprompt = -2000;
  s.SettingsMaxChannels = 512;
  IniFile fresh;
  writePreferenceSettings(fresh, s, " 4445", 0);
  // A file the console writes has CRLF line ends throughout.
  EXPECT_EQ(
      fresh.bytes(),
      QByteArray("[Settings]\r\nVqPaddr=10.0.0.9\r\nNetport=6001\r\nOSCListen= 4445\r\nFileSource=0\r\n"
                 "GroupSource=1\r\nNewprompt=0\r\nScrollprompt=1\r\nLedcurve=1\r\ndimmerprompt=-2000\r\n"
                 "FadeTime=3\r\nDisplay=0\r\nMaxChannels=512\r\nWheel=1\r\n"));
  // A key the file has keeps its own spelling.
  IniFile kept = iniOf("[Settings]\r\nNetPort=5085\r\nLEDcurve=0\r\n");
  writePreferenceSettings(kept, s, "4444", 250);
  EXPECT_TRUE(kept.bytes().startsWith("[Settings]\r\nNetPort=6001\r\nLEDcurve=1\r\nVqPaddr=10.0.0.9\r\n"))
      << kept.bytes().toStdString();
}

TEST(ConsoleSettings, TheSettingsKeptAtOnce) {
  ConsoleSettings s;
  s.CueFileName = "/shows/a.lcue";
  s.Style = "Light";
  s.KeyEntryTop = 30;
  s.KeyEntryLeft = -4;
  s.UserName = "Ann";
  s.UserLetter = "A";
  IniFile ini;
  writeLastCueFile(ini, s);
  writeStyleSetting(ini, s);
  writeKeypadOffsets(ini, s);
  writeUserSettings(ini, s);
  EXPECT_EQ(ini.bytes(),
            QByteArray("[CueFile]\r\nLast=/shows/a.lcue\r\n[Settings]\r\nStyle=Light\r\n"
                       "KeyentryTop=30\r\nKeyentryLeft=-4\r\n[User]\r\nName=Ann\r\nLetter=A\r\n"));
}
