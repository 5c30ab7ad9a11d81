#include "platform/pumped_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {
bool g_terminating = false;
}

void setApplicationTerminating(bool terminating) { g_terminating = terminating; }

bool applicationTerminating() { return g_terminating || QCoreApplication::closingDown(); }

void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void delayPumped(int ms) {
  QDeadlineTimer deadline(qMax(0, ms));
  while (!deadline.hasExpired()) {
    pumpEvents();
    QThread::msleep(1);
  }
}

void waitPumped(int ms) {
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
