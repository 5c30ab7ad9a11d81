#include "platform/clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <algorithm>

#include "platform/pumped_wait.h"

bool Clock::waitPumpedUntil(const std::function<bool()>& done, int limitMs, int stepMs) {
  const qint64 end = nowMs() + limitMs;
  // A terminating application's waits return at once: no point going round until the limit.
  while (!done() && nowMs() < end && !applicationTerminating()) waitPumped(stepMs);
  return done();
}

void Clock::fireTimersUntil(qint64 until) {
  for (;;) {
    ClockTimer* next = nullptr;
    for (ClockTimer* t : timers_)
      if (t->active_ && t->due_ <= until &&
          (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->startOrder_ < next->startOrder_)))
        next = t;
    if (!next) return;
    if (next->due_ > nowMs()) setNow(next->due_);
    if (next->singleShot_) {
      next->active_ = false;
    } else {
      next->due_ += std::max(next->interval_, 1);
      next->startOrder_ = ++started_;
    }
    emit next->timeout();  // may start, stop or delete timers: the next one is looked up afresh
  }
}

ClockTimer::ClockTimer(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {
  if (clock_.isVirtual()) {
    clock_.timers_.push_back(this);
  } else {
    real_.setTimerType(Qt::PreciseTimer);
    connect(&real_, &QTimer::timeout, this, &ClockTimer::timeout);
  }
}

ClockTimer::~ClockTimer() {
  auto& timers = clock_.timers_;
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void ClockTimer::setInterval(int ms) {
  interval_ = std::max(ms, 0);
  real_.setInterval(interval_);
}

void ClockTimer::setSingleShot(bool singleShot) {
  singleShot_ = singleShot;
  real_.setSingleShot(singleShot);
}

void ClockTimer::start() {
  if (!clock_.isVirtual()) {
    real_.start(interval_);
    return;
  }
  active_ = true;
  due_ = clock_.nowMs() + interval_;
  startOrder_ = ++clock_.started_;
}

void ClockTimer::start(int ms) {
  setInterval(ms);
  start();
}

void ClockTimer::stop() {
  active_ = false;
  real_.stop();
}

bool ClockTimer::isActive() const { return clock_.isVirtual() ? active_ : real_.isActive(); }

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
void SystemClock::waitPumped(int ms) {
  if (ms <= 0 || applicationTerminating()) return;
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired() && !applicationTerminating()) {
    // The timer only wakes the event dispatcher when nothing else arrives before the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(int(qMax<qint64>(1, deadline.remainingTime())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

void SystemClock::pumpEvents() { ::pumpEvents(); }

void SystemClock::delayPumped(int ms) {
  QDeadlineTimer deadline(qMax(0, ms));
  while (!deadline.hasExpired()) {
    ::pumpEvents();
    QThread::msleep(1);
  }
}

Clock& systemClock() {
  static SystemClock clock;
  return clock;
}
