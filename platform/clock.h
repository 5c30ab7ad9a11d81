#pragma once

// The time the console waits on: the current time and the pumped waits of playback, shut-down,
// the cue editors, the side files and the remote side. Every part is handed one clock (the main
// window's, which it passes on); the program runs on the system clock, and tests hand in a clock
// whose waits pass in virtual time.

#include <QtGlobal>
#include <functional>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start.
  virtual qint64 nowMs() = 0;
  // Waits `ms` milliseconds while timer, network and input events keep running.
  virtual void waitPumped(int ms) = 0;
  // Handles the events pending now.
  virtual void pumpEvents() = 0;
  // Handles events and waits in 1 ms steps for `ms` milliseconds, also while the application is
  // terminating (a wait that must not be cut short).
  virtual void delayPumped(int ms) { waitPumped(ms); }

  // Waits pumped in steps of `stepMs` until `done` holds or `limitMs` have passed on this clock;
  // returns done().
  bool waitPumpedUntil(const std::function<bool()>& done, int limitMs, int stepMs = 10);
};

// The real time, shared by everything not handed another clock.
class SystemClock : public Clock {
 public:
  qint64 nowMs() override;
  void waitPumped(int ms) override;
  void pumpEvents() override;
  void delayPumped(int ms) override;
};

Clock& systemClock();
