#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "platform/clock.h"

// Named one-shot events. Each event is armed again by whatever triggers it; arming an armed event
// restarts its interval. Handlers run on the thread that owns the list (the main thread). The
// events run on the clock the list is given.
class TimerList : public QObject {
  Q_OBJECT
 public:
  explicit TimerList(Clock& clock, QObject* parent = nullptr) : QObject(parent), clock_(clock) {}

  // Declares an event with its default interval and handler.
  void addEvent(const QString& name, int intervalMs, std::function<void()> handler);
  void arm(const QString& name);
  void arm(const QString& name, int intervalMs);
  void cancel(const QString& name);
  void cancelAll();
  bool isArmed(const QString& name) const;
  int interval(const QString& name) const;

 private:
  struct Event {
    std::unique_ptr<ClockTimer> timer;
    int interval = 0;
    std::function<void()> handler;
  };
  Event* find(const QString& name) const;
  // The event's time has come.
  void fire(const QString& name);
  Clock& clock_;
  std::map<QString, Event> events_;
};
