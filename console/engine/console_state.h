#pragma once

// The engine state of the main window's unit: the channel count, the output buffer, the per-channel
// arrays, the flags and the settings the engine runs on. One instance is owned by the application
// and handed to every window; everything here is touched on the main thread only.

#include <QString>
#include <array>
#include <cstdint>

inline constexpr int kMaxChannelLimit = 1024;        // two universes of 512
inline constexpr int kSubmasterCount = 8;            // pseudo-addresses MaxChannels+1 .. +8
inline constexpr int kChannelSlots = kMaxChannelLimit + kSubmasterCount + 1;  // index 0 unused

struct ConsoleState {
  // Channel count and timing.
  int MaxChannels = 256;
  int MaxChannelIndex = 255;
  int FadeInterval = 50;      // ms, fade and bump timers
  int StepsPerSecond = 20;
  int DisplayInterval = 250;  // ms

  // Output: byte k-1 is the level of DMX address k; the frame senders use MaxChannels + 1 bytes.
  std::array<uint8_t, kChannelSlots> DmxOutBuffer{};

  // Device selection.
  int InterfaceType = 0;
  int DmxConnection = 0;
  int DmxDeviceIndex = 0;
  QString InterfacePort = "COM1";
  QString ArtNode1 = "255.255.255.255";
  QString ArtNode2 = "255.255.255.255";
  bool InterfaceOpen = false;
  bool WarnLostInterface = true;
  bool LiveMode = true;

  // Start-up and session flags.
  bool StartingUp = true;
  bool FirstActivation = true;
  bool CuesLoaded = false;
  bool Unrecorded = false;
  bool UpdatingEdits = true;
  bool ScrollerChanged = false;
  bool CueListByMouse = false;
  bool PeerConnected = false;
  bool MidiReady = false;
  bool UseRepPlot = false;
  bool CueChanging = false;
  bool ShutdownDone = false;
  bool ForcedBackup = false;
  bool CueChangesAllowed = true;
  bool AutoAdvance = true;
  int16_t SavedTop = 0;
  int16_t SavedLeft = 0;
  uint64_t StartMemory = 0;
  float BumpFadeSeconds = 1.0f;
  float MasterFadeFactor = 1.0f;
  int16_t MaxfixtureRange = 2;
  uint8_t DialogStyle = 15;
  int LogLevel = 0;

  // Settings the engine runs on (keys of the settings file).
  QString CueFileName;  // the open show's cue file, full path
  int CLwidth = 490;
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
  bool Newprompt = false;
  bool LEDcurve = false;
  bool Scrollprompt = true;
  bool ShowProgress = false;
  bool ETCmode = false;
  bool FileSource = true;
  bool GroupSource = true;
  int FadeTime = 3;
  int BumpFade = 10;
  bool BumpOvrRpl = true;
  bool Eosenabled = false;
  QString MidiInPort = "None";
  int NetPort = 5085;
  int FSPort = 5205;
  QString PeerAddress = "127.0.0.1";
  QString Style = "Charcoal Dark Slate";
  int FSfontsize = 24;
  bool RestoreSounds = true;
  QString OSCSend = "5555";
  QString OSCHost = "127.0.0.1";
  QString OSCAddress = "/vqlight";
  int OSCListen = 4444;
  QString UserName;
  QString UserLetter;

  // The settings file (the program's path with ".ini").
  QString MainIniFile;

  // Side files of the show.
  QString FixtureLibraryFile;
  QString FixtureMapFile;
  QString SoftPatchFile;
  QString SceneFile;
  QString GroupFile;
};
