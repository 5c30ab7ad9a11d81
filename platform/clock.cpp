#include "platform/clock.h"

#include <QElapsedTimer>

#include "platform/pumped_wait.h"

bool Clock::waitPumpedUntil(const std::function<bool()>& done, int limitMs, int stepMs) {
  const qint64 end = nowMs() + limitMs;
  while (!done() && nowMs() < end) waitPumped(stepMs);
  return done();
}

namespace {
QElapsedTimer& startedTimer() {
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return timer;
}
}  // namespace

qint64 SystemClock::nowMs() { return startedTimer().elapsed(); }
void SystemClock::waitPumped(int ms) { ::waitPumped(ms); }
void SystemClock::pumpEvents() { ::pumpEvents(); }
void SystemClock::delayPumped(int ms) { ::delayPumped(ms); }

Clock& systemClock() {
  static SystemClock clock;
  return clock;
}
