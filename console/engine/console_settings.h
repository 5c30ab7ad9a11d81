#pragma once

// The console's own settings: everything the settings file next to the program (its name with
// ".ini") holds for the next start, and the one place that knows its sections, keys and value forms.
// Start-up reads them all at once; closing writes them back; the few windows that keep a setting at
// once (the style, the keypad's place, the designer, the preferences) write it through here too.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "console/engine/tavro_utils.h"

class IniFile;

// The recent shows, newest first, at most eight (section "MRU List", keys "1".."8").
class RecentShows {
 public:
  static constexpr int kMaxFiles = 8;
  void read(const IniFile& ini);
  void write(IniFile& ini) const;
  // Puts the path at the top, moving it when it is listed already.
  void AddFile(const QString& path);
  const QStringList& files() const { return files_; }

 private:
  QStringList files_;
};

struct ConsoleSettings {
  // The show ([CueFile] Last): the open show's cue file, full path once start-up has resolved it.
  QString CueFileName;
  RecentShows MostRecentFiles1;

  // The channel count and fade interval the console starts with ([Settings] MaxChannels, Interval)
  // as the file says; start-up bounds them and the interface may cap the count.
  int SettingsMaxChannels = 256;
  int SettingsInterval = 50;

  // The main window's place ([Settings] Top, Left, Height, Width). Written back only while
  // `mainWindowNormal`: a maximised or minimised window leaves the place it had before.
  int mainTop = 0;
  int mainLeft = 0;
  int mainHeight = 800;
  int mainWidth = 1280;
  bool mainWindowNormal = true;
  int CLwidth = 490;
  // The cue list's font ([Settings] Font). What the key leaves out keeps the font read into.
  TFont CueListFont;
  int SplitPos = 0;  // the cue list's height, written on closing and never read
  // Places of other windows kept here; the tools window's defaults to the main window's.
  int toolsTop = 0;
  int toolsLeft = 0;
  int toolsWidth = 404;
  int toolsHeight = 489;
  int KeyEntryTop = 10;  // the keypad window's offsets from the main window
  int KeyEntryLeft = 10;

  // Output device.
  int DmxDeviceIndex = 0;  // [Settings] DMXdevice: the item of "Select DMX interface"
  int DmxConnection = 0;
  // The serial port the settings keep ([Settings] ComPort): the port the serial link last opened
  // for output, or what the settings said while it opened none.
  QString ComPort = "COM1";
  QString ArtNode1 = "255.255.255.255";
  QString ArtNode2 = "255.255.255.255";

  // The operator's preferences.
  int LogLevel = 0;  // [Settings] Logging
  bool AddPgDn = false;
  int LEDgap = 4;
  int LEDdelta = 2;
  int Wheel = 1;
  int ClkColor = 255;
  int Increment = 10;
  int DarkColor = 0;
  int dimmerprompt = 0;
  int WarmUp = 0;
  bool Maxfixture = true;
  // The scroller range in use (2: 0-100, 1: 0-255); follows Maxfixture at start-up and is what
  // closing writes back as Maxfixture.
  int16_t MaxfixtureRange = 2;
  bool Newprompt = false;
  bool LEDcurve = false;
  bool Scrollprompt = true;
  int DisplayInterval = 250;  // ms, [Settings] Display
  bool ShowProgress = false;
  bool ETCmode = false;
  bool FileSource = true;
  bool GroupSource = true;
  int FadeTime = 3;
  int BumpFade = 10;  // tenths of a second
  bool BumpOvrRpl = true;
  bool Eosenabled = false;
  QString Style = "Charcoal Dark Slate";
  int FSfontsize = 24;
  bool RestoreSounds = true;  // [Settings] Restore

  // Peers and remote control.
  QString MidiInPort = "None";
  int NetPort = 5085;
  int FSPort = 5205;
  QString PeerAddress = "127.0.0.1";  // [Settings] VqPaddr
  QString OSCSend = "5555";
  QString OSCHost = "127.0.0.1";
  QString OSCAddress = "/vqlight";
  int OSCListen = 4444;

  // The designer ([User] Name, Letter).
  QString UserName;
  QString UserLetter;
};

// Reads every setting; a key that is missing or of the wrong form gives its default. Nothing else
// is touched, and nothing is acted on: the caller applies what was read.
void readSettings(const IniFile& ini, ConsoleSettings& settings);
// Writes back what closing keeps, in the file's order: the show, the recent shows, the main
// window's place, the layout, the preferences and the devices.
void writeSettings(IniFile& ini, const ConsoleSettings& settings);

// The settings kept at once, each where the operator changes it.
void writeLastCueFile(IniFile& ini, const ConsoleSettings& settings);
void writeStyleSetting(IniFile& ini, const ConsoleSettings& settings);
void writeKeypadOffsets(IniFile& ini, const ConsoleSettings& settings);
void writeUserSettings(IniFile& ini, const ConsoleSettings& settings);
// The preferences window's Exit: the OSC port as typed, and the display interval in use (0 while
// the progress is not shown).
void writePreferenceSettings(IniFile& ini, const ConsoleSettings& settings, const QString& oscListenText,
                             int displayInterval);
