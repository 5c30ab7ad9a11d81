#include "console/remote/remote_dispatcher.h"

#include <QTimer>
#include <algorithm>
#include <utility>

#include "platform/operator.h"

RemoteDispatcher::RemoteDispatcher(Operator& op, QObject* parent) : QObject(parent), operator_(op) {}

RemoteDispatcher::~RemoteDispatcher() = default;

void RemoteDispatcher::post(QObject* origin, Command command) {
  if (closed_) return;
  queue_.push_back({origin, origin, std::move(command)});
  schedule();
}

bool RemoteDispatcher::hasRoomFor(const QObject* origin) const {
  return !origin || waitingFrom(origin) < kMaxWaitingPerOrigin;
}

void RemoteDispatcher::schedule() {
  // A run in progress takes the new command itself; one waiting for an answer is called back.
  if (running_ || scheduled_ || waitingForAnswer_ || holds_ > 0 || queue_.empty()) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    runWaiting();
  });
}

void RemoteDispatcher::close() {
  closed_ = true;
  queue_.clear();
}

void RemoteDispatcher::hold() { ++holds_; }

void RemoteDispatcher::release() {
  if (holds_ == 0) return;
  if (--holds_ == 0) schedule();
}

int RemoteDispatcher::waitingFrom(const QObject* origin) const {
  return int(std::count_if(queue_.begin(), queue_.end(),
                           [origin](const Waiting& w) { return w.originKey == origin; }));
}

void RemoteDispatcher::runWaiting() {
  if (running_) return;
  running_ = true;
  QPointer<RemoteDispatcher> self(this);
  // A command that throws ends this run; the commands behind it run from the next one.
  struct Finish {
    QPointer<RemoteDispatcher>& self;
    ~Finish() {
      if (!self) return;
      self->running_ = false;
      self->schedule();
    }
  } finish{self};
  while (!queue_.empty()) {
    // A command that opened a window the operator now works in leaves the rest waiting for it.
    if (holds_ > 0) return;
    if (operator_.questionOpen()) {
      waitingForAnswer_ = true;
      operator_.whenNoQuestionOpen(this, [this] {
        waitingForAnswer_ = false;
        runWaiting();
      });
      return;
    }
    Waiting next = std::move(queue_.front());
    queue_.pop_front();
    const bool roomMade = next.originKey && waitingFrom(next.originKey) == kMaxWaitingPerOrigin - 1;
    next.command(next.origin.data());
    if (!self) return;
    if (roomMade) emit roomAgain();
  }
}
