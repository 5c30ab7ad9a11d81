#include "platform/pumped_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
bool g_terminating = false;
}

void setApplicationTerminating(bool terminating) { g_terminating = terminating; }

bool applicationTerminating() { return g_terminating || QCoreApplication::closingDown(); }

void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
