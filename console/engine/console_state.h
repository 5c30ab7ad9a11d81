#pragma once

// The state of the main window's unit, in three parts: what the engine runs on (EngineState), what
// the settings file keeps (ConsoleSettings, console_settings.h) and what holds for this run only
// (SessionState). One ConsoleState is owned by the application and handed to every window;
// everything here is touched on the main thread only.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "console/engine/channel_groups.h"
#include "console/engine/console_settings.h"
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

struct EngineState {
  // Channel count and timing, from the settings as start-up bounds them (and the interface caps).
  int MaxChannels = 256;
  int MaxChannelIndex = 255;
  int FadeInterval = 50;  // ms, fade and bump timers
  int StepsPerSecond = 20;

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
  bool UseRepPlot = false;

  // Submasters as the level path sees them: the eight faders (0..100) and their kind.
  std::array<int, kSubmasterCount> SubSliders{};
  std::array<bool, kSubmasterCount> SubAdditive{true, true, true, true, true, true, true, true};
  bool SubMoved = false;
  bool SubLoopActive = false;
  // Per submaster, the fader value last set by MIDI controllers 3-10; 0: channels not yet marked.
  std::array<int16_t, kSubmasterCount> MidiControls{};

  // Bump keys F5..F12 (key k = 0..7). Members by DMX address 0..1024: table k normal, 8 + k fade,
  // 16 + k timed, 24 + k alternate; filled from the bump tags of the soft patch descriptions.
  std::array<std::array<bool, kMaxChannelLimit + 1>, 32> BumpMembers{};
  std::array<int, 8> BumpTimerIntervals{};  // ms, the timed bump of each key
  // The scene record each key plays; 0 or less for none (so record 0 never plays from a key).
  std::array<int16_t, 8> BumpSceneTable{};
  float BumpFadeSeconds = 1.0f;

  // The show's cues, the playback rows (CurrentCue, RunningCue, LastSelectedRow) and the 32 channel
  // groups of the show (group file).
  CueTables Cues;
  CuePlaybackRows Rows;
  ChannelGroupTexts ChannelGroups;

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
  float MasterFadeFactor = 1.0f;
  bool DimmerCheckRunning = false;

  // Output device in use.
  int InterfaceType = kInterfaceUsbPro;  // a DmxInterfaceType
  QString InterfacePort = "COM1";
  bool InterfaceOpen = false;
  // Ports the links listen on (not settings; tests choose their own).
  quint16 ArtNetPort = 6454;              // the Art-Net link
  int RemotePort = 5200;                  // the remote command server
  QString RemotePipeName = "vqlighting";  // the web remote's pipe

  // Playback rules. The operator's choices, shown by the live/blind and auto-advance buttons ("Live
  // mode - F4", "Auto Advance is ON - F3"): LiveMode and AutoAdvance are set aside for a while
  // (editing is blind, a stepped cue does not advance) and return to these.
  bool LiveMode = true;
  bool AutoAdvance = true;
  bool LiveChosen = true;
  bool AutoAdvanceChosen = true;
  bool CueChangesAllowed = true;
};

struct SessionState {
  // The settings file (the program's path with ".ini").
  QString MainIniFile;
  // Side files of the show, derived from the program or the show at each opening.
  QString FixtureLibraryFile;
  QString FixtureMapFile;
  QString SoftPatchFile;
  QString SceneFile;
  QString GroupFile;

  // Typing into a level edit.
  bool TypingLevel = false;
  int TypedEdit = 0;
  QString TypedText;
  int ChangedEdit = 0;

  // What the cue editor's Save does.
  CueEditorMode EditorMode = CueEditorMode::EditSelected;

  // Start-up, busy and connection flags of this run.
  bool StartingUp = true;
  bool FirstActivation = true;
  bool Unrecorded = false;
  bool UpdatingEdits = true;
  bool ScrollerChanged = false;
  bool CueListByMouse = false;
  bool PeerConnected = false;
  bool MidiReady = false;
  int MidiSurface = -1;  // index of the open MIDI input device, -1 when none
  bool CueChanging = false;
  bool ShutdownDone = false;
  bool ForcedBackup = false;
  bool WarnLostInterface = true;
  uint64_t StartMemory = 0;
  uint8_t DialogStyle = 15;
};

struct ConsoleState : EngineState, ConsoleSettings, SessionState {};
