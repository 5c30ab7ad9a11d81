#pragma once

// The time the remote side waits on: the pause between follow-spot commands and the companion
// connect deadline. The console uses the real clock and pumped waits; tests hand in their own.

#include <QElapsedTimer>
#include <QtGlobal>

#include "platform/pumped_wait.h"

class RemoteClock {
 public:
  virtual ~RemoteClock() = default;
  virtual qint64 nowMs() = 0;
  // Waits `ms` milliseconds while timer, network and input events keep running.
  virtual void waitPumped(int ms) = 0;
  // Handles the events pending now.
  virtual void pumpEvents() = 0;
};

class SystemRemoteClock : public RemoteClock {
 public:
  SystemRemoteClock() { timer_.start(); }
  qint64 nowMs() override { return timer_.elapsed(); }
  void waitPumped(int ms) override { ::waitPumped(ms); }
  void pumpEvents() override { ::pumpEvents(); }

 private:
  QElapsedTimer timer_;
};
