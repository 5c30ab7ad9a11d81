#include "tests/e2e/console_process.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <csignal>

void copyTree(const QString& from, const QString& to) {
  QDir src(from);
  QDir().mkpath(to);
  for (const QString& name : src.entryList(QDir::Files)) QFile::copy(src.filePath(name), to + "/" + name);
  for (const QString& sub : src.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    copyTree(src.filePath(sub), to + "/" + sub);
}

ConsoleProcess::ConsoleProcess() {
  copyTree(VQ_BIN_DIR, dir_.path());
  process_.setWorkingDirectory(dir_.path());
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ConsoleProcess::~ConsoleProcess() {
  if (running()) {
    stop(5000);
    if (running()) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }
}

void ConsoleProcess::writeSettings(const QString& text) { writeFile("vqlighting.ini", text.toUtf8()); }

void ConsoleProcess::writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(dir_.filePath(name));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

bool ConsoleProcess::start(const QStringList& arguments) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("VQ_DIALOG_LOG", dir_.filePath("dialogs.log"));
  if (!answers_.isEmpty()) env.insert("VQ_DIALOG_ANSWERS", answers_);
  env.insert(environment_);
  if (dialogDelayMs_ > 0) env.insert("VQ_DIALOG_DELAY_MS", QString::number(dialogDelayMs_));
  process_.setProcessEnvironment(env);
  if (launcher_.isEmpty()) {
    process_.start(dir_.filePath("vqlighting"), arguments);
  } else {
    process_.start(launcher_.first(),
                   launcher_.mid(1) + QStringList{dir_.filePath("vqlighting")} + arguments);
  }
  return process_.waitForStarted(5000);
}

bool ConsoleProcess::stop(int timeoutMs) {
  if (!running()) return true;
  ::kill(pid_t(process_.processId()), SIGTERM);
  return process_.waitForFinished(timeoutMs);
}

void ConsoleProcess::signal(int signalNumber) {
  if (running()) ::kill(pid_t(process_.processId()), signalNumber);
}

double ConsoleProcess::cpuSeconds() const {
  QFile f(QString("/proc/%1/stat").arg(process_.processId()));
  if (!running() || !f.open(QIODevice::ReadOnly)) return -1;
  // The command name (field 2) may hold blanks: the fields are counted after its closing bracket.
  const QByteArray stat = f.readAll();
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the bracket.
  if (fields.size() < 13) return -1;
  return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

QStringList ConsoleProcess::dialogs() const {
  QFile f(dir_.filePath("dialogs.log"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

int ConsoleProcess::dialogCount(const QString& title) const {
  int n = 0;
  for (const QString& line : dialogs()) n += line.section('\t', 0, 0) == title;
  return n;
}

bool ConsoleProcess::waitFor(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

bool ConsoleProcess::waitForDialog(const QString& title, int timeoutMs) {
  return waitFor([&] { return dialogCount(title) > 0; }, timeoutMs);
}

bool ConsoleProcess::connectUntilGreeted(QTcpSocket& client, QByteArray& received, int timeoutMs) {
  return waitFor(
      [&] {
        if (client.state() != QAbstractSocket::ConnectedState) {
          client.abort();
          client.connectToHost("127.0.0.1", 5200);
          client.waitForConnected(200);
        }
        received += client.readAll();
        return received.contains("Connected\r\n");
      },
      timeoutMs);
}

void ConsoleProcess::settle(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}
