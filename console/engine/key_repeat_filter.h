#pragma once

// Auto-repeat of a held key as the X window system sends it: each repeat is a release and a press of
// the same key carrying the same time stamp, and the toolkit does not always mark them as repeats.
// The console acts on keys as the operator holds them (a bump stays up, a held GO plays once), so a
// release is held back for a moment: a press of the same key at (nearly) the same time stamp turns
// it into a repeat, and only a release that stands alone is passed on. Time stamps are the window
// system's milliseconds; a release without one (0) cannot be paired and is passed on at once.

#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

#include "console/engine/key_dispatch.h"
#include "platform/clock.h"

class KeyRepeatFilter {
 public:
  // Presses and releases closer than this (time stamps, ms) are one auto-repeat.
  static constexpr int kPairStampMs = 5;
  // How long a release waits for its repeat press before it counts as the key being let go.
  static constexpr int kHoldBackMs = 30;

  struct Release {
    int key = 0;
    KeyModifiers mods;
    quint64 timestamp = 0;
  };

  // `released` is called for every release that is a real one, in order with the presses.
  KeyRepeatFilter(Clock& clock, std::function<void(const Release&)> released);
  ~KeyRepeatFilter();

  // A press; true when it repeats a key still held (its release was an auto-repeat one). A release
  // of another key that is still held back is passed on first.
  bool press(int key, quint64 timestamp);
  // A release: held back when it carries a time stamp, passed on at once otherwise.
  void release(const Release& release);
  // Passes on a release still held back (before anything that must see every key let go).
  void flush();
  bool holding() const { return pending_.has_value(); }

 private:
  Clock& clock_;
  std::function<void(const Release&)> released_;
  std::unique_ptr<ClockTimer> timer_;
  std::optional<Release> pending_;
};
