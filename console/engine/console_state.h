#pragma once

// The engine state of the main window's unit: the channel count, the output buffer, the per-channel
// arrays, the flags and the settings the engine runs on. One instance is owned by the application
// and handed to every window; everything here is touched on the main thread only.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "console/engine/channel_groups.h"
#include "console/engine/cue_tables.h"
#include "console/patch/fixture_map.h"
#include "console/patch/patch_tables.h"

// The channel limits are the patch's: two universes of 512, and the submaster pseudo-addresses
// MaxChannels+1 .. +8.
inline constexpr int kMaxChannelLimit = patch::kMaxChannels;
inline constexpr int kSubmasterCount = patch::kSubmasterSlots;
inline constexpr int kChannelSlots = patch::kAddressSlots;  // index 0 unused

// Kinds of DMX output (`InterfaceType`): the tag of the checked item of "Select DMX interface".
enum DmxInterfaceType : int {
  kInterfaceUsbPro = 0,       // Enttec USB Pro, DMXking USBultra Micro: the Pro frame
  kInterfaceVelleman = 1,     // no device is opened
  kInterfaceDmxKing = 2,      // DMXking USBultra Pro: one frame per universe
  kInterfaceProMk2 = 3,       // Enttec USB Pro Mk2: one port frame per universe
  kInterfaceEurolite = 4,     // Eurolite DMX512 interface, Enttec USB Open: no device is opened
  kInterfaceEurolitePro = 5,  // Eurolite DMX512 Pro: the Pro frame from the chosen serial port
  kInterfaceArtNet = 6,
  kInterfaceNone = 7,  // sends nothing
};

// What the cue editor's Save does; its caption shows it ("Edit...", "Add...", "Save...", "Insert...").
enum class CueEditorMode : uint8_t {
  EditSelected,  // overwrite the selected cue
  Add,           // after the last cue
  SaveAs,        // in cue-number order
  Insert,        // before or after the selected cue
};

struct ConsoleState {
  // Channel count and timing.
  int MaxChannels = 256;
  int MaxChannelIndex = 255;
  int FadeInterval = 50;  // ms, fade and bump timers
  int StepsPerSecond = 20;
  int DisplayInterval = 250;  // ms

  // Output: byte k-1 is the level of DMX address k; the frame senders use MaxChannels + 1 bytes.
  std::array<uint8_t, kChannelSlots> DmxOutBuffer{};
  // The levels the next GO fades to, one byte per address (the selected cue's level string).
  QByteArray CueLevels = QByteArray(kMaxChannelLimit, '\0');
  std::array<uint8_t, kChannelSlots> BumpLevels{};

  // Per channel (index = channel number 1..1024; entry 0 unused) unless marked 0-based.
  std::array<float, kChannelSlots> CurrentLevels{};
  std::array<int, kChannelSlots> TargetLevels{};
  std::array<float, kChannelSlots> LevelSteps{};
  std::array<int, kChannelSlots> UpDelayTicks{};
  std::array<int, kChannelSlots> DownDelayTicks{};
  std::array<bool, kChannelSlots> RawChannels{};
  std::array<bool, kChannelSlots> SubFlags{};
  std::array<int, kChannelSlots> SubChannelLevels{};
  // How far (0..100 percent) the inhibitive submasters hold a channel down; 0 = not at all.
  std::array<int, kChannelSlots> SubInhibit{};
  std::array<bool, kChannelSlots> LedChannels{};
  std::array<bool, kChannelSlots> MoverChannels{};    // by DMX address
  std::array<bool, kChannelSlots> DirectChannels{};   // 0-based
  std::array<bool, kChannelSlots> ChannelSelected{};  // 0-based
  std::array<bool, kChannelSlots> ChannelLocked{};    // 0-based
  std::array<int, kChannelSlots> ChannelColors{};     // 0-based: colour last given to the edit's text
  std::array<int, 256> LedCurve{};

  // Soft patch and fixture map of the show.
  PatchTables Patch;
  FixtureMap Fixtures;
  bool OneToOnePatch = false;

  // Submasters as the level path sees them: the eight faders (0..100) and their kind.
  std::array<int, kSubmasterCount> SubSliders{};
  std::array<bool, kSubmasterCount> SubAdditive{true, true, true, true, true, true, true, true};
  bool SubMoved = false;
  bool SubLoopActive = false;

  // Bump keys F5..F12 (key k = 0..7). Members by DMX address 0..1024: table k normal, 8 + k fade,
  // 16 + k timed, 24 + k alternate; filled from the bump tags of the soft patch descriptions.
  std::array<std::array<bool, kMaxChannelLimit + 1>, 32> BumpMembers{};
  std::array<int, 8> BumpTimerIntervals{};  // ms, the timed bump of each key
  // The scene record each key plays; 0 or less for none (so record 0 never plays from a key).
  std::array<int16_t, 8> BumpSceneTable{};

  // The show's cues and the playback rows (CurrentCue, RunningCue, LastSelectedRow).
  CueTables Cues;
  CuePlaybackRows Rows;

  // Fade engine.
  int FadeTick = 0;
  int FadeTotalTicks = -1;  // < 0: no fade
  bool FadeIdle = true;
  int UpTicks = 1;
  int DownTicks = 1;
  bool GoWithCtrl = false;
  bool GoWithShift = false;
  QString UpDelayText;
  QString DownDelayText;
  int ShownSeconds = 0;
  bool MasterFadeActive = false;
  int MasterFadeDelay = 0;
  float MasterFadeStep = 0;
  bool DimmerCheckRunning = false;

  // Typing into a level edit.
  bool TypingLevel = false;
  int TypedEdit = 0;
  QString TypedText;
  int ChangedEdit = 0;

  // Device selection.
  int InterfaceType = kInterfaceUsbPro;  // a DmxInterfaceType
  int DmxConnection = 0;
  int DmxDeviceIndex = 0;
  QString InterfacePort = "COM1";
  // The serial port the settings keep ([Settings] ComPort): the port the serial link last opened
  // for output, or what the settings said while it opened none.
  QString ComPort = "COM1";
  QString ArtNode1 = "255.255.255.255";
  QString ArtNode2 = "255.255.255.255";
  quint16 ArtNetPort = 6454;  // the Art-Net link's port (not a setting; tests choose their own)
  bool InterfaceOpen = false;
  bool WarnLostInterface = true;
  bool LiveMode = true;
  // The operator's choices, shown by the live/blind and auto-advance buttons ("Live mode - F4",
  // "Auto Advance is ON - F3"). LiveMode and AutoAdvance are set aside for a while (editing is
  // blind, a stepped cue does not advance) and return to these.
  bool LiveChosen = true;
  bool AutoAdvanceChosen = true;
  CueEditorMode EditorMode = CueEditorMode::EditSelected;

  // Start-up and session flags.
  bool StartingUp = true;
  bool FirstActivation = true;
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

  // The 32 channel groups of the show (group file).
  ChannelGroupTexts ChannelGroups;

  // Settings the engine runs on (keys of the settings file).
  QString CueFileName;  // the open show's cue file, full path
  int CLwidth = 490;
  int toolsTop = 0;
  int toolsLeft = 0;
  int toolsWidth = 404;
  int toolsHeight = 489;
  int KeyEntryTop = 10;  // the keypad window's offsets from the main window
  int KeyEntryLeft = 10;
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
  int MidiSurface = -1;  // index of the open MIDI input device, -1 when none
  // Per submaster, the fader value last set by MIDI controllers 3-10; 0: channels not yet marked.
  std::array<int16_t, kSubmasterCount> MidiControls{};
  int NetPort = 5085;
  int FSPort = 5205;
  int RemotePort = 5200;  // the remote command server (not a setting; tests choose a free port)
  QString RemotePipeName = "vqlighting";  // the web remote's pipe (not a setting; tests choose their own)
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
