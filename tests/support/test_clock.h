#pragma once

// Virtual time for the console under test: a wait advances the clock by what was asked, firing the
// clock's timers that fall due on the way, and lets events run for at most a millisecond of real
// time, so the console's pauses cost the tests nothing and its timers run only when time moves.

#include <vector>

#include "platform/clock.h"
#include "platform/pumped_wait.h"

class TestClock : public Clock {
 public:
  qint64 now = 0;
  std::vector<int> waits;  // every wait asked for, in order

  qint64 nowMs() override { return now; }
  bool isVirtual() const override { return true; }
  void waitPumped(int ms) override {
    waits.push_back(ms);
    if (ms <= 0) return;
    advance(ms);
    systemClock().waitPumped(1);
  }
  void pumpEvents() override { ::pumpEvents(); }
  void delayPumped(int ms) override { waitPumped(ms); }

  // Moves the time on by `ms`, firing the timers due on the way.
  void advance(int ms) {
    const qint64 until = now + ms;
    fireTimersUntil(until);
    now = until;
  }

 protected:
  void setNow(qint64 ms) override { now = ms; }
};
