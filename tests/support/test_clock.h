#pragma once

// Virtual time for the console under test: a wait advances the clock by what was asked and lets
// events run for at most a millisecond of real time, so the console's pauses cost the tests nothing.

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/pumped_wait.h"

class TestClock : public Clock {
 public:
  qint64 now = 0;
  std::vector<int> waits;  // every wait asked for, in order

  qint64 nowMs() override { return now; }
  void waitPumped(int ms) override {
    waits.push_back(ms);
    if (ms <= 0) return;
    now += ms;
    ::waitPumped(1);
  }
  void pumpEvents() override { ::pumpEvents(); }
  void delayPumped(int ms) override { waitPumped(ms); }
};
