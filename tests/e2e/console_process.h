#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <functional>

// Copies the folder `from` with everything below it into `to` (made when missing).
void copyTree(const QString& from, const QString& to);

// A console started for a whole-program test: its own program folder (a copy of build/bin in a
// temporary folder), its own settings file and show, the offscreen platform, and every dialog
// answered and logged through VQ_DIALOG_LOG.
class ConsoleProcess {
 public:
  ConsoleProcess();
  ~ConsoleProcess();

  QString folder() const { return dir_.path(); }
  QString path(const QString& name) const { return dir_.filePath(name); }
  // Writes the settings file (vqlighting.ini) before start.
  void writeSettings(const QString& text);
  void writeFile(const QString& name, const QByteArray& bytes);
  void setDialogAnswers(const QString& answers) { answers_ = answers; }
  // An environment variable for the console, set over the defaults (e.g. QT_QPA_PLATFORM, DISPLAY).
  void setEnvironment(const QString& name, const QString& value) { environment_.insert(name, value); }
  // Dialogs are real modal windows that answer themselves after `ms` (VQ_DIALOG_DELAY_MS); they are
  // logged as they appear.
  void setDialogDelay(int ms) { dialogDelayMs_ = ms; }
  // Sends a signal to the running console.
  void signal(int signalNumber);
  // A program that starts the console, given before its path (e.g. {"ip", "netns", "exec", name}); it
  // must replace itself by the console, so that stop() reaches the console.
  void setLauncher(const QStringList& launcher) { launcher_ = launcher; }

  bool start(const QStringList& arguments = {});
  // SIGTERM, then waits for the exit; false when the process did not end in time.
  bool stop(int timeoutMs = 30000);
  bool running() const { return process_.state() != QProcess::NotRunning; }
  int exitCode() const { return process_.exitCode(); }
  QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
  QProcess& process() { return process_; }
  // CPU time (user + system) the running console has used so far, in seconds; -1 when unreadable.
  double cpuSeconds() const;

  // The dialog lines logged so far: title, text, buttons, answer, separated by tabs.
  QStringList dialogs() const;
  int dialogCount(const QString& title) const;
  // Waits (handling events) until `done` holds or the time runs out.
  static bool waitFor(const std::function<bool()>& done, int timeoutMs = 30000);
  bool waitForDialog(const QString& title, int timeoutMs = 30000);
  // Connects `client` to the TCP remote port, again and again until the console listens, and waits
  // for its greeting; what arrives is appended to `received`.
  static bool connectUntilGreeted(QTcpSocket& client, QByteArray& received, int timeoutMs = 30000);
  // Lets the console run for a while (it has no readiness signal of its own before its servers).
  static void settle(int ms);

 private:
  QTemporaryDir dir_;
  QProcess process_;
  QString answers_;
  QProcessEnvironment environment_;
  int dialogDelayMs_ = 0;
  QStringList launcher_;
};
