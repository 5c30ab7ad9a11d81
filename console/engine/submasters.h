#pragma once

// The eight submaster strips as the operator works them: faders, value boxes, markers, Record, the
// strip setup, the submaster file and the rep plot. This object owns the strips (through the
// SubmasterMixer that drives the output) and the strip flags, and decides every rule; it reports
// what the submaster window and the channel grid are to show through its hooks, which the window
// fills in and paints from. Questions are put to the operator.

#include <QString>
#include <array>
#include <functional>

#include "console/engine/console_state.h"
#include "console/engine/submaster_file.h"
#include "console/engine/submaster_mix.h"

class Operator;

// The strip flags and what the strips show, by the names the console gives them.
struct SubmasterState {
  int CurrentSub = 0;           // the strip last picked, pressed or typed into
  bool SubBusy = false;         // a fader change is being applied: a nested one only stores its value
  bool SubRecording = false;    // Record is storing a strip: the fader moves apply nothing
  bool SubRecordSetup = false;  // Record on a free strip: the setup's Save also records the levels
  bool SubActivating = false;   // the window is being shown: value boxes are refilled, nothing applied
  bool SubRightClick = false;   // the last fader press was a right click
  bool SubLoopLoaded = false;   // a strip's loop file is being read: the faders stay still
  bool UseRep = false;          // the "Use Rep Plot" box is ticked
  std::array<int, kSubmasterCount> faders{};        // each fader's position (0..100)
  std::array<bool, kSubmasterCount> markers{};      // each strip's marker is shown
  std::array<QString, kSubmasterCount> valueTexts;  // each value box's text
  // Text typed into a value box while a change was being applied, still to be applied.
  std::array<bool, kSubmasterCount> typedPending{};
};

class Submasters {
 public:
  // What the strips do around them. Unset hooks do nothing (queries answer empty, false).
  struct Hooks {
    // ---- The main window ----
    std::function<void()> send;                                      // `sendDMX`
    std::function<QString(int ch)> levelEditText;                    // channel ch's level edit (1-based)
    std::function<void(int ch, const QString& text)> showLevelText;  // shown, not committed
    std::function<void(int ch, bool visible)> channelMarked;         // the grid's submaster marker
    std::function<void(int ch, int bgr)> levelEditColour;            // text colour (0x00BBGGRR)
    std::function<void()> focusCueList;
    std::function<QString()> programFolder;
    // A MIDI input device is in use: the faders are moved from it only.
    std::function<bool()> midiActive;
    // The soft patch is to be reloaded from `patchFileName` (the rep plot was switched).
    std::function<void(const QString& patchFileName)> reloadPatch;
    // A file could not be read, written or copied: the application's error handler.
    std::function<void(const QString& message)> fileError;
    // A loop-file strip: load its file, start it at a scale, rescale it, and it was stopped.
    std::function<void(int strip, const QString& path)> loadLoopFile;
    std::function<void(int strip, double scale)> startLoop;
    std::function<void(double scale)> setLoopScale;
    std::function<void()> loopStopped;

    // ---- The submaster window ----
    std::function<void(int strip, int value)> faderMoved;            // the fader shows `value`
    std::function<void(int strip, bool visible)> markerShown;        // the strip's marker
    std::function<void(int strip, const QString& text)> valueShown;  // the value box's text
    std::function<void(int strip)> focusValue;                       // the value box takes the focus
    // The strip's title, hint, Record button and address are to be repainted from `strip()`.
    std::function<void(int strip)> stripChanged;
    // Only its title and hint are to be repainted (the setup was saved).
    std::function<void(int strip)> titleChanged;
    std::function<void(bool ticked)> useRepShown;  // the "Use Rep Plot" box
    // The setup dialog of `strip`, run modally (placed below the strip's title when `besideTitle`);
    // true when it was saved.
    std::function<bool(int strip, bool besideTitle)> setupStrip;
  };

  Submasters(ConsoleState& state, Operator& op, Hooks hooks);

  const SubmasterState& state() const { return st_; }
  SubmasterMixer& mixer() { return mixer_; }
  const SubmasterStrip& strip(int n) const { return mixer_.strips[size_t(n)]; }
  int fader(int n) const { return st_.faders[size_t(n)]; }
  bool markerVisible(int n) const { return st_.markers[size_t(n)]; }
  void setCurrentSub(int strip) { st_.CurrentSub = strip; }
  // Loops reports a strip's loop file being read (true) or read (false).
  void setSubLoopLoaded(bool loading) { st_.SubLoopLoaded = loading; }
  // The submaster file of the show, or the rep plot's.
  QString SubmasterFileName() const;

  // ---- The faders ----
  // Fader n (0..7) to `value` (0..100), applied like any fader move (MIDI, the level path). Nothing
  // when the fader already stands there.
  void setFader(int n, int value);
  // The operator moved fader n to `value` on the window.
  void faderChanged(int n, int value);
  // The faders follow S.SubSliders where another writer (level path, fade engine, black-out) set it.
  void syncFaders();
  void SubChange(int strip);
  void SlideSet(int v, int j);
  // The fader was let go.
  void SubDone(int strip);
  // A press on fader `strip`: true when it goes no further (refused under MIDI, or a right click,
  // which picks the current strip's value and flips its fader between 0 and 100).
  bool faderPressed(int strip, bool rightButton);
  // The wheel over fader `strip`: moves the current strip's fader by the wheel step; false for any
  // other strip.
  bool wheel(int strip, bool up);
  // Every fader to 0 and no channel held by a submaster loop (the master fade ended).
  void masterzero();

  // ---- The value boxes ----
  // The operator typed `text` into strip `strip`'s value box. Typed while a change is being applied
  // (a loop file loading runs events), it is applied as soon as that change is done.
  void Editval(int strip, const QString& text);
  // Up/Down +-1, Page Up/Down +-10, Home/End +-100 on a strip's value box and fader; false for any
  // other key.
  bool smKeyDown(int strip, int key);

  // ---- The strips ----
  // The submaster file read with the cues: titles, hints, kinds, levels, members, faders at rest.
  void applySetup(const SubmasterFileSetup& setup);
  // The show needs the window: a channel patched to a submaster address, or a loop-file strip.
  bool showNeedsWindow(const SubmasterFileSetup& setup) const;
  void recordsub(int strip);
  bool SaveSub(int strip);
  void LoadSubs(const QString& path);
  void CopySubs();
  void Setupsub(int strip);
  // A submaster's MIDI controller moved: mark the member channels of strip n whose stored level is
  // above their warm-up level (selected, submaster marker, factor, yellow text).
  void Setsub(int n);
  // A left click on the strip's title: its setup, and the strips read again when it was saved.
  void picksub(int strip);
  // A click on the strip's value box or panel: its members marked, its value to be typed.
  void picksubval(int strip);
  // A right click on a strip's title: its marker hidden and its value box emptied to 0, then its
  // setup; with Ctrl, every shown marker hidden and its value box to 0.
  void titleRightClick(int strip, bool ctrl);
  // The setup fields of `strip` as the setup dialog shows them.
  SubmasterStripFields stripSetup(int strip) const;
  // The setup dialog's Save: the strip's fields written to the submaster file and applied; true
  // when written.
  bool saveStripSetup(int strip, const SubmasterStripFields& fields);

  // ---- The rep plot and the window ----
  // The "Use Rep Plot" box was clicked to `ticked`: the strips and the soft patch of the show or of
  // the rep plot are loaded.
  void userepClick(bool ticked);
  // The right-click question on "Use Rep Plot": the show's strips become the rep plot's.
  void userepRightClick();
  // The window is shown: the rep plot is left, and the value boxes show the faders.
  void shown();
  // The window is leaving (Exit): the rep plot is left.
  void leaving();
  // The window was closed: no channel keeps a submaster marker or its selection.
  void closed();

 private:
  void applyTypedValues();
  void setValueBox(int strip, int v);
  void showMarker(int strip, bool visible);
  void hideAllMarkers();
  bool midiRefused();
  void stripChanged(int strip);
  void dropRepPlot();
  QString repPlotFile() const;

  ConsoleState& S;
  Operator& operator_;
  Hooks h_;
  SubmasterMixer mixer_;
  SubmasterState st_;
};
