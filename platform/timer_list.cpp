#include "platform/timer_list.h"

void TimerList::addEvent(const QString& name, int intervalMs, std::function<void()> handler) {
  Event& e = events_[name.toLower()];
  e.interval = intervalMs;
  e.handler = std::move(handler);
  if (!e.timer) {
    e.timer = std::make_unique<ClockTimer>(clock_);
    e.timer->setSingleShot(true);
    const QString key = name.toLower();
    connect(e.timer.get(), &ClockTimer::timeout, this, [this, key] { fire(key); });
  }
}

TimerList::Event* TimerList::find(const QString& name) const {
  auto it = events_.find(name.toLower());
  return it == events_.end() ? nullptr : const_cast<Event*>(&it->second);
}

void TimerList::arm(const QString& name) {
  if (Event* e = find(name)) e->timer->start(qMax(0, e->interval));
}

void TimerList::arm(const QString& name, int intervalMs) {
  if (Event* e = find(name)) {
    e->interval = intervalMs;
    e->timer->start(qMax(0, intervalMs));
  }
}

void TimerList::cancel(const QString& name) {
  if (Event* e = find(name)) e->timer->stop();
}

void TimerList::cancelAll() {
  for (auto& [name, e] : events_) e.timer->stop();
}

bool TimerList::isArmed(const QString& name) const {
  const Event* e = find(name);
  return e && e->timer->isActive();
}

int TimerList::interval(const QString& name) const {
  const Event* e = find(name);
  return e ? e->interval : 0;
}

void TimerList::fire(const QString& name) {
  if (Event* e = find(name)) {
    e->timer->stop();
    if (e->handler) e->handler();
  }
}
