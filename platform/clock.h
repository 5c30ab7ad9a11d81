#pragma once

// The time the console runs on: the current time, the pumped waits and the timers of playback,
// shut-down, the cue editors, the side files and the remote side. Every part is handed one clock
// (the main window's, which it passes on). The program runs on the system clock; tests hand in a
// virtual clock, whose waits and timers move only as the clock is advanced.

#include <QObject>
#include <QTimer>
#include <QtGlobal>
#include <functional>
#include <vector>

class ClockTimer;

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

  // Waits pumped in steps of `stepMs` until `done` holds, `limitMs` have passed on this clock or the
  // application is terminating; returns done().
  bool waitPumpedUntil(const std::function<bool()>& done, int limitMs, int stepMs = 10);

  // True when the time is virtual: timers fire only as the clock is advanced, never on their own.
  virtual bool isVirtual() const { return false; }

 protected:
  // Virtual clocks: fires, in time order, every timer due up to `until`, moving the time to each
  // timer's moment (setNow) before it fires.
  void fireTimersUntil(qint64 until);
  virtual void setNow(qint64 /*ms*/) {}

 private:
  friend class ClockTimer;
  std::vector<ClockTimer*> timers_;  // the virtual timers made on this clock
  quint64 started_ = 0;              // counts starts: timers due together fire in start order
};

// A timer on a clock, with the parts of QTimer the console uses. On the system clock it is a
// precise Qt timer; on a virtual clock it fires when the clock passes its moment.
class ClockTimer : public QObject {
  Q_OBJECT
 public:
  explicit ClockTimer(Clock& clock, QObject* parent = nullptr);
  ~ClockTimer() override;

  void setInterval(int ms);
  int interval() const { return interval_; }
  void setSingleShot(bool singleShot);
  bool isSingleShot() const { return singleShot_; }
  void start();
  void start(int ms);
  void stop();
  bool isActive() const;

 signals:
  void timeout();

 private:
  friend class Clock;
  Clock& clock_;
  QTimer real_;
  int interval_ = 0;
  bool singleShot_ = false;
  bool active_ = false;  // virtual clocks
  qint64 due_ = 0;
  quint64 startOrder_ = 0;
};

// The real time, shared by everything not handed another clock. Its waitPumped returns at once
// when ms <= 0 and as soon as the application starts terminating.
class SystemClock : public Clock {
 public:
  qint64 nowMs() override;
  void waitPumped(int ms) override;
  void pumpEvents() override;
  void delayPumped(int ms) override;
};

Clock& systemClock();
