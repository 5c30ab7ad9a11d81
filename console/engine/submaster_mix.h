#pragma once

// The eight submasters as the output sees them. A level strip holds one stored DMX level per channel;
// its fader (0..100) drives each member channel at fader percent x stored level, the highest strip
// winning. An additive strip raises its channels (never below the level the running cue stored for
// them); an inhibitive strip holds its channels down: at 100 it lets them through, at 0 they are out,
// the lowest inhibitive fader winning. A loop-file strip plays a loop cue file, scaled by its fader.

#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "console/engine/console_state.h"
#include "console/engine/cue_submaster_file.h"

struct SubmasterStrip {
  QString title = "Unused";  // "Unused": a free strip
  QString hint;
  bool additive = true;
  QString loopFile;         // not empty: a loop-file strip
  QString levels;           // the stored levels as text: one DMX value per channel followed by ","
  std::vector<int> values;  // the stored levels parsed, index ch - 1
  int lastValue = 0;        // the fader at the last application (`SubLastValue`); 0: at rest

  bool isFree() const { return title == QLatin1String("Unused"); }
  bool isLoopStrip() const { return !loopFile.isEmpty(); }
  int value(int ch) const { return ch >= 1 && ch <= int(values.size()) ? values[size_t(ch - 1)] : 0; }
};

class SubmasterMixer {
 public:
  struct Hooks {
    std::function<void()> send;                          // `sendDMX`
    std::function<void(int ch, int dmx)> showLevel;      // the channel's level edit shows the level
    std::function<void(int ch, bool visible)> showMark;  // the channel's grid mark as submaster marker
    std::function<void(int ch)> hideMark;                // the channel's grid mark hidden
    // Submaster loop playback: load the strip's file, start it at a scale, change the scale, and
    // the loop was stopped (the fader went to 0).
    std::function<void(int strip, const QString& path)> loadLoopFile;
    std::function<void(int strip, double scale)> startLoop;
    std::function<void(double scale)> setLoopScale;
    std::function<void()> loopStopped;
  };

  SubmasterMixer(ConsoleState& state, Hooks hooks);

  std::array<SubmasterStrip, kSubmasterCount> strips;
  // SubMembers[ch][i]: channel ch (1..MaxChannels) belongs to additive strip i.
  std::vector<std::array<bool, kSubmasterCount>> SubMembers;
  // InhibitMembers[ch][i]: channel ch is held down by inhibitive strip i.
  std::vector<std::array<bool, kSubmasterCount>> InhibitMembers;
  std::vector<float> SubFactors;  // per channel, of the strip last shown by Setupsub
  // The levels the running cue stored, taken when a strip leaves rest: a contribution below them is
  // not applied.
  QByteArray ReferenceLevels = QByteArray(kMaxChannelLimit, '\0');

  // Sizes the per-channel tables for S.MaxChannels.
  void resize();
  // Fills the strips from the submaster file's setup (titles, kinds, loop files, levels, members);
  // every fader goes to rest (0 additive, 100 inhibitive) in S.SubSliders.
  void applySetup(const SubmasterFileSetup& setup, int warmUpLevel);
  // Parses a strip's stored level text and derives its members (stored level above `warmUpLevel`).
  void setLevels(int strip, const QString& levels, int warmUpLevel);
  // A free strip: "Unused", no hint, additive, no loop file, no levels, no members.
  void freeStrip(int strip);

  // Applies strip j at fader value v (0..100) (`SlideSet` without the window's flags).
  void SlideSet(int v, int j);
  // Writes DMX level k for channel ch through its patch, never below the submaster level.
  void ChangeValue(int k, int ch, bool send = true);
  // The fader was let go (`SubDone`'s reset): an additive strip at 0 returns every channel's
  // submaster level to its warm-up level.
  void released(int j);
  // `Record`: the stored-level text of strip j from the channels' level edits (selected channels
  // only, `editText`(ch) their text); they become its members. Returns the text.
  QString recordLevels(int j, const std::function<QString(int ch)>& editText);
  // `Setupsub`: the members of strip j whose level at the strip's fader is above their warm-up
  // level get the marker and their factor; calls mark(ch, shown).
  void setupsub(int j, const std::function<void(int ch, bool shown)>& mark);

 private:
  void takeReference();
  void applyInhibit(int j, int v);

  ConsoleState& S;
  Hooks h_;
};
