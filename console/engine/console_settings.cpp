#include "console/engine/console_settings.h"

#include "platform/ini_file.h"

namespace {
const QString kSettings = "Settings";
const QString kCueFile = "CueFile";
const QString kUser = "User";
const QString kMruSection = "MRU List";
}  // namespace

void RecentShows::read(const IniFile& ini) {
  files_.clear();
  for (int i = 1; i <= kMaxFiles; ++i) {
    const QString path = ini.readString(kMruSection, QString::number(i), QString());
    if (path.isEmpty()) break;
    files_ << path;
  }
}

void RecentShows::write(IniFile& ini) const {
  for (int i = 1; i <= kMaxFiles; ++i) ini.writeString(kMruSection, QString::number(i), files_.value(i - 1));
}

void RecentShows::AddFile(const QString& path) {
  if (path.isEmpty()) return;
  files_.removeAll(path);
  files_.prepend(path);
  while (files_.size() > kMaxFiles) files_.removeLast();
}

void readSettings(const IniFile& ini, ConsoleSettings& s) {
  const QString& set = kSettings;
  s.CueFileName = ini.readString(kCueFile, "Last", "zzyz.lcue");
  s.MostRecentFiles1.read(ini);
  s.SettingsMaxChannels = ini.readInteger(set, "MaxChannels", 256);
  // No fade timer runs at 0 ms or less: an unusable interval takes the default, as an unreadable one.
  s.SettingsInterval = ini.readInteger(set, "Interval", 50);
  if (s.SettingsInterval <= 0) s.SettingsInterval = 50;

  s.mainTop = ini.readInteger(set, "Top", 0);
  s.mainLeft = ini.readInteger(set, "Left", 0);
  s.mainHeight = ini.readInteger(set, "Height", 800);
  s.mainWidth = ini.readInteger(set, "Width", 1280);
  s.CLwidth = ini.readInteger(set, "CLwidth", 490);
  LoadFont(ini, set, s.CueListFont);
  s.toolsTop = ini.readInteger(set, "toolsTop", s.mainTop);
  s.toolsLeft = ini.readInteger(set, "toolsLeft", s.mainLeft);
  s.toolsWidth = ini.readInteger(set, "toolsWidth", 404);
  s.toolsHeight = ini.readInteger(set, "toolsHeight", 489);
  s.KeyEntryTop = ini.readInteger(set, "KeyentryTop", 10);
  s.KeyEntryLeft = ini.readInteger(set, "KeyentryLeft", 10);

  s.DmxDeviceIndex = ini.readInteger(set, "DMXdevice", 0);
  s.DmxConnection = ini.readInteger(set, "Connection", 0);
  s.ComPort = ini.readString(set, "ComPort", "COM1");
  s.ArtNode1 = ini.readString(set, "ArtNode1", "255.255.255.255");
  s.ArtNode2 = ini.readString(set, "ArtNode2", "255.255.255.255");

  s.LogLevel = ini.readInteger(set, "Logging", 0);
  s.AddPgDn = ini.readBool(set, "AddPgDn", false);
  s.LEDgap = ini.readInteger(set, "LEDgap", 4);
  s.LEDdelta = ini.readInteger(set, "LEDdelta", 2);
  s.Wheel = ini.readInteger(set, "Wheel", 1);
  s.ClkColor = ini.readInteger(set, "ClkColor", 255);
  s.Increment = ini.readInteger(set, "Increment", 10);
  s.DarkColor = ini.readInteger(set, "DarkColor", 0);
  s.dimmerprompt = ini.readInteger(set, "dimmerprompt", 0);
  s.WarmUp = ini.readInteger(set, "WarmUp", 0);
  s.Maxfixture = ini.readBool(set, "Maxfixture", true);
  s.MaxfixtureRange = s.Maxfixture ? 2 : 1;
  s.Newprompt = ini.readBool(set, "Newprompt", false);
  s.LEDcurve = ini.readBool(set, "LEDcurve", false);
  s.Scrollprompt = ini.readBool(set, "Scrollprompt", true);
  s.DisplayInterval = ini.readInteger(set, "Display", 250);
  s.ShowProgress = ini.readBool(set, "ShowProgress", false);
  s.ETCmode = ini.readBool(set, "ETCmode", false);
  s.FileSource = ini.readBool(set, "FileSource", true);
  s.GroupSource = ini.readBool(set, "GroupSource", true);
  s.FadeTime = ini.readInteger(set, "FadeTime", 3);
  s.BumpFade = ini.readInteger(set, "BumpFade", 10);
  s.BumpOvrRpl = ini.readBool(set, "BumpOvrRpl", true);
  s.Eosenabled = ini.readBool(set, "Eosenabled", false);
  s.Style = ini.readString(set, "Style", "Charcoal Dark Slate");
  s.FSfontsize = ini.readInteger(set, "FSfontsize", 24);
  s.RestoreSounds = ini.readBool(set, "Restore", true);

  s.MidiInPort = ini.readString(set, "MidiInPort", "None");
  s.NetPort = ini.readInteger(set, "NetPort", 5085);
  s.FSPort = ini.readInteger(set, "FSPort", 5205);
  s.PeerAddress = ini.readString(set, "VqPaddr", "127.0.0.1");
  s.OSCSend = ini.readString(set, "OSCSend", "5555");
  s.OSCHost = ini.readString(set, "OSCHost", "127.0.0.1");
  s.OSCAddress = ini.readString(set, "OSCAddress", "/vqlight");
  s.OSCListen = ini.readInteger(set, "OSCListen", 4444);

  s.UserName = ini.readString(kUser, "Name", "");
  s.UserLetter = ini.readString(kUser, "Letter", "");
}

void writeSettings(IniFile& ini, const ConsoleSettings& s) {
  const QString& set = kSettings;
  writeLastCueFile(ini, s);
  s.MostRecentFiles1.write(ini);
  if (s.mainWindowNormal) {
    ini.writeInteger(set, "Top", s.mainTop);
    ini.writeInteger(set, "Left", s.mainLeft);
    ini.writeInteger(set, "Height", s.mainHeight);
    ini.writeInteger(set, "Width", s.mainWidth);
  }
  ini.writeInteger(set, "CLwidth", s.CLwidth);
  ini.writeInteger(set, "toolsTop", s.toolsTop);
  ini.writeInteger(set, "toolsLeft", s.toolsLeft);
  ini.writeInteger(set, "toolsWidth", s.toolsWidth);
  ini.writeInteger(set, "toolsHeight", s.toolsHeight);
  ini.writeInteger(set, "Clkcolor", s.ClkColor);
  ini.writeInteger(set, "Increment", s.Increment);
  ini.writeInteger(set, "WarmUp", s.WarmUp);
  ini.writeBool(set, "Maxfixture", s.MaxfixtureRange == 2);
  ini.writeBool(set, "ShowProgress", s.ShowProgress);
  ini.writeBool(set, "ETCmode", s.ETCmode);
  ini.writeBool(set, "LEDcurve", s.LEDcurve);
  ini.writeBool(set, "Restore", s.RestoreSounds);
  SaveFont(ini, set, s.CueListFont);
  ini.writeInteger(set, "DarkColor", s.DarkColor);
  ini.writeString(set, "ComPort", s.ComPort);
  ini.writeString(set, "VqPAddr", s.PeerAddress);
  ini.writeString(set, "OSCSend", s.OSCSend);
  ini.writeString(set, "OSCHost", s.OSCHost);
  ini.writeInteger(set, "NetPort", s.NetPort);
  ini.writeString(set, "MidiInPort", s.MidiInPort);
  ini.writeInteger(set, "DMXdevice", s.DmxDeviceIndex);
  ini.writeString(set, "ArtNode1", s.ArtNode1);
  ini.writeString(set, "ArtNode2", s.ArtNode2);
  ini.writeInteger(set, "SplitPos", s.SplitPos);
}

void writeLastCueFile(IniFile& ini, const ConsoleSettings& s) {
  ini.writeString(kCueFile, "Last", s.CueFileName);
}

void writeStyleSetting(IniFile& ini, const ConsoleSettings& s) {
  ini.writeString(kSettings, "Style", s.Style);
}

void writeKeypadOffsets(IniFile& ini, const ConsoleSettings& s) {
  ini.writeInteger(kSettings, "KeyentryTop", s.KeyEntryTop);
  ini.writeInteger(kSettings, "KeyentryLeft", s.KeyEntryLeft);
}

void writeUserSettings(IniFile& ini, const ConsoleSettings& s) {
  ini.writeString(kUser, "Name", s.UserName);
  ini.writeString(kUser, "Letter", s.UserLetter);
}

void writePreferenceSettings(IniFile& ini, const ConsoleSettings& s, const QString& oscListenText,
                             int displayInterval) {
  const QString& set = kSettings;
  // The key names are written as this window has always spelled them: a key the file lacks is added
  // so, and one it has keeps its own spelling.
  ini.writeString(set, "VqPaddr", s.PeerAddress);
  ini.writeInteger(set, "Netport", s.NetPort);
  ini.writeString(set, "OSCListen", oscListenText);
  ini.writeBool(set, "FileSource", s.FileSource);
  ini.writeBool(set, "GroupSource", s.GroupSource);
  ini.writeBool(set, "Newprompt", s.Newprompt);
  ini.writeBool(set, "Scrollprompt", s.Scrollprompt);
  ini.writeBool(set, "Ledcurve", s.LEDcurve);
  ini.writeInteger(set, "dimmerprompt", s.dimmerprompt);
  ini.writeInteger(set, "FadeTime", s.FadeTime);
  ini.writeInteger(set, "Display", displayInterval);
  ini.writeInteger(set, "MaxChannels", s.SettingsMaxChannels);
  ini.writeInteger(set, "Wheel", s.Wheel);
}
