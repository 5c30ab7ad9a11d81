#pragma once

// Waiting for something from outside the test's own thread (bytes through a pseudo-terminal or a
// socket, a peer's answer) without a deadline: the test sleeps until the next event arrives and looks
// again, so a busy machine makes it slower, never wrong. A wait for something that never comes is
// ended by the test runner's time limit; a test must only wait for what its own steps have set going
// (a timer of the console's virtual clock never fires here: advance the clock instead).

#include <QCoreApplication>
#include <QEventLoop>
#include <functional>

inline void waitForEvents(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
