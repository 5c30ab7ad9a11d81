// restartvql: brings the console back after it closed itself to change its DMX interface. Waits
// until the running console has ended (its single-instance lock is free), then starts vqlighting
// from this program's own folder and exits. The wait is bounded: a console that does not end in
// time is reported on stderr and nothing is started.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "platform/single_instance.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int timeoutMs = 30000;
  const QStringList args = app.arguments();
  const qsizetype at = args.indexOf("--timeout");
  if (at >= 0 && at + 1 < args.size()) timeoutMs = args[at + 1].toInt();

  const QDeadlineTimer deadline(timeoutMs);
  while (SingleInstance::heldByAnother()) {
    if (deadline.hasExpired()) {
      std::fprintf(stderr, "restartvql: the console did not end within %d ms; not restarted\n", timeoutMs);
      return 1;
    }
    QThread::msleep(100);
  }

  const QString folder = QCoreApplication::applicationDirPath();
  const QString program = QDir(folder).filePath("vqlighting");
  if (!QProcess::startDetached(program, {}, folder)) {
    std::fprintf(stderr, "restartvql: cannot start %s\n", qPrintable(program));
    return 1;
  }
  return 0;
}
