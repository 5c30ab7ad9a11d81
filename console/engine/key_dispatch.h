#pragma once

// What the operator's keys do on the main window, decided without any widget: the window feeds each
// key press and release here with the facts it needs (KeyContext), and carries out the actions that
// come back in order. Keys are Windows-style virtual-key codes (see vk:: below), which is what the
// console's key table is written in; the window maps Qt's key events onto them.

#include <QString>
#include <array>
#include <vector>

namespace vk {
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Shift = 16;
inline constexpr int Ctrl = 17;
inline constexpr int Alt = 18;
inline constexpr int Pause = 19;
inline constexpr int Esc = 27;
inline constexpr int Space = 32;
inline constexpr int PgUp = 33;
inline constexpr int PgDn = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Digit0 = 48;   // .. 57
inline constexpr int LetterA = 65;  // .. 90
inline constexpr int Pad0 = 96;     // .. 105
inline constexpr int PadMinus = 109;
inline constexpr int PadDecimal = 110;
inline constexpr int F1 = 112;  // .. F12 = 123
inline constexpr int F5 = 116;
inline constexpr int F12 = 123;
inline constexpr int Slash = 191;
}  // namespace vk

struct KeyModifiers {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
};

// Key flags that live from one key event to the next.
struct KeyState {
  bool KeyHeld = false;  // a GO or back key is down: every press is ignored until a release
  bool GroupKeyPending = false;
  bool CtrlDown = false;
  bool AltDown = false;
  bool ShiftDown = false;
};

// What the window knows at the moment of the key.
struct KeyContext {
  bool focusIsLevelEdit = false;  // the focused control is a channel's level edit
  int focusedTag = 0;             // its 0-based channel index
  int userLetter = 0;             // the designer's letter as a key code (upper case), 0 = none
  bool dimCheckManual = false;
  bool unrecorded = false;
  bool addPgDn = false;
  bool mouseInCueList = false;
  int ctimeValue = 0;          // the fade-time label's number (0: no fade counting down)
  bool keytimerArmed = false;  // a typed level waits for its commit
  bool fadeRunning = false;    // the fade timer runs
  bool subLoopActive = false;
  bool loopCueActive = false;
  bool newPrompt = false;
  int currentCue = 0;
  int cueCount = 0;
  bool cueChangesAllowed = true;
  bool keypadVisible = false;
  bool keypadFocused = false;
  std::array<int, 8> bumpScenes{};  // F5..F12: scene record to load, 0 or less = none
};

enum class KeyActionKind {
  AppendTypedText,  // value: the character code
  StartCueTimer,    // CueStartTime := now
  DimCheckStep,     // a manual dimmer check moves to the next address (or completes)
  DimCheckStop,     // a manual dimmer check ends after the current address comes down
  SaveDirty,
  SetGoFlags,  // GoWithCtrl := ctrl, GoWithShift := shift
  SetGoCtrl,   // GoWithCtrl := ctrl (Enter)
  Playscreen,
  Go,
  GoBack,
  SelectGroup,  // value: group 0..31 or 999
  AddCue,       // Unrecorded := false, then the new-cue dialog
  Record,
  AddNew,
  StopLoop,
  BlackOut,
  KeyEnd,  // end the running fade at once
  EndFadeAtNextTick,
  ClearSelection,
  SelectCue,  // value: the cue list row to select and load
  LevelStep,  // value: the delta
  FocusGrid,
  ShowMagicSheet,
  FocusKeypad,
  ShowKeypad,
  ToggleAdvance,
  ToggleLive,
  LoadBumpScene,  // value: scene record
  SendBump,       // value: bump key 0..7
  ClearBump,      // value: bump key 0..7
  EmptyKeyQueue,
};

struct KeyAction {
  KeyActionKind kind;
  int value = 0;
  bool ctrl = false;
  bool shift = false;
  bool operator==(const KeyAction&) const = default;
};

struct KeyOutcome {
  bool consumed = false;  // the key does not reach the focused control
  std::vector<KeyAction> actions;
};

// A key press. `autoRepeat` presses of a held key are ignored while KeyHeld is set, as any press is.
KeyOutcome FormKeyDown(KeyState& state, int key, KeyModifiers mods, const KeyContext& ctx);
// A key release. Releases the desktop marks as auto-repeat are not real releases and do nothing.
KeyOutcome FormKeyUp(KeyState& state, int key, KeyModifiers mods, bool autoRepeat);

// The text a typed level commits on a fixture channel: everything typed, colour code included (its
// letter is consumed and never reaches the edit, nor do the code's digits stand for a level there),
// or the edit's own text when no code was typed.
QString typedLevelText(const QString& editText, const QString& typedText);

// The group a key picks after G: 0-9, A-V (10-31), keypad 0-9, "/" (999); -1 for none.
int groupForKey(int key);

// "hh:nn:ss" of a count of seconds (hours may run past 99).
QString showTimerText(int seconds);
