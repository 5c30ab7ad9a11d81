#pragma once

// The bump keys F5..F12 (key 0..7). While a key is held its tagged DMX addresses go to full and come
// back when it is released: normal addresses at once, fade addresses over the bump fade time, the
// timed address when the key's own timer runs out, alternate addresses on the key's next press. A key
// that carries a scene merges the scene's levels into the output instead. The engine owns its timers
// (one per key for the timed bumps, one for the fade-back ticks), all on the clock it is given.
//
// Every key remembers, per address, what it took over; an address held by several keys keeps the
// level of the newest holder and goes back to the level it had before the first one only when the
// last holder lets go. The fade-back has its own per-address state and never touches the cue fade.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "console/engine/console_state.h"
#include "console/engine/scene_file.h"
#include "platform/clock.h"

class BumpEngine {
 public:
  enum class Kind : uint8_t { Normal, Fade, Timed, Alternate, Scene };

  // What the engine needs from around it. Unset hooks do nothing.
  struct Hooks {
    std::function<void()> send;  // `sendDMX`
    std::function<std::optional<SceneRecord>(int record, QString* error)> readScene;
    std::function<void(const QString& message)> sceneError;          // the application's error handler
    std::function<void(const QString& line)> log;                    // the log file (LogLevel > 0)
    std::function<void(const QString& text)> alternateLabelChanged;  // `bumpkey`
  };

  BumpEngine(ConsoleState& state, Clock& clock, Hooks hooks);
  ~BumpEngine();

  // The keyboard's entry points. `keyHeld`: a key is down and not yet released (this key's
  // auto-repeat, or another key still held); such a press does nothing.
  void keyDown(int key, bool keyHeld);
  void keyUp(int key);

  // Key pressed without a scene (`SendBump`), with scene record `record` (`loadbumpscene`), released
  // (`ClearBump`).
  void SendBump(int key, bool keyHeld);
  void loadbumpscene(int key, int record, bool keyHeld);
  void ClearBump(int key);

  // Forgets every bump (a new show): nothing is restored.
  void reset();
  // Stops every timer (shut-down): no bump returns any more.
  void stopTimers();

  // The timed-bump timer of a key (`BumpTimers`) and the fade-back tick timer (`bumptimer`).
  const ClockTimer& keyTimer(int key) const { return *keyTimers_[size_t(key)]; }
  const ClockTimer& fadeTimer() const { return *fadeTimer_; }

  bool active(int key) const { return keys_[size_t(key)].active; }
  bool timerRunning(int key) const { return keys_[size_t(key)].timerRunning; }
  bool alternateOn(int key) const { return keys_[size_t(key)].alternateOn; }
  bool fading() const { return fadeCount_ > 0; }
  bool fadeTimerRunning() const { return fadeTimer_->isActive(); }
  // The latched alternate keys, each as its name and a blank ("F5 F7 ").
  QString alternateLabel() const;

  static QString keyName(int key) { return "F" + QString::number(key + 5); }

 private:
  struct Holder {
    int key;
    Kind kind;
    uint8_t level;
  };
  struct AddressState {
    uint8_t base = 0;  // the level before the first holder took the address
    std::vector<Holder> holders;
    bool fading = false;
    float fadeLevel = 0;
    float fadeStep = 0;
    int fadeTarget = 0;
  };
  struct KeyState {
    bool active = false;
    bool timerRunning = false;
    bool alternateOn = false;
  };

  // The only place bump levels are written to the output.
  void put(int address, uint8_t level);
  void send();
  uint8_t out(int address) const;

  // `key` takes `address` (kind, level); the address's level before the first holder is kept.
  void take(int address, int key, Kind kind, uint8_t level);
  // `key` lets go of `address` for the kinds in `kinds`; true when the key held it.
  // With `fade`, the last holder's letting go fades the address back instead of restoring it.
  bool release(int address, int key, std::initializer_list<Kind> kinds, bool fade);
  void startFade(int address);
  // The key's timed-bump timer fired (`Clearbt`).
  void Clearbt(int key);
  // One tick of the bump fade-back (`bumptimerTimer`).
  void bumptimerTimer();
  void log(const QString& line);
  void labelChanged();

  ConsoleState& S;
  Hooks h_;
  std::array<std::unique_ptr<ClockTimer>, kBumpKeys> keyTimers_;
  std::unique_ptr<ClockTimer> fadeTimer_;
  std::array<KeyState, kBumpKeys> keys_{};
  std::array<AddressState, kMaxChannelLimit + 1> addresses_{};
  std::vector<int> alternateOrder_;  // keys in the order they were latched
  int fadeCount_ = 0;                // addresses fading back
  int fadeTick_ = 0;
  int fadeTicks_ = 0;
};
