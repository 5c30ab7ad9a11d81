#pragma once

// A virtual X display of the test's own (Xvfb on the first free display number), optionally with a
// window manager, and the xdotool commands that type and click on it as an operator would.

#include <gtest/gtest.h>

#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include "tests/e2e/console_process.h"

class XDisplay {
 public:
  // Empty when the programs a display needs are missing (scripts/install-deps.sh installs them).
  static QString missingPrograms(bool withWindowManager) {
    QStringList missing;
    QStringList needed{"Xvfb", "xdotool"};
    if (withWindowManager) needed << "openbox";
    for (const QString& p : needed)
      if (QStandardPaths::findExecutable(p).isEmpty()) missing << p;
    return missing.join(' ');
  }

  ~XDisplay() {
    for (QProcess* p : {&windowManager_, &server_}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->terminate();
      if (!p->waitForFinished(3000)) p->kill();
      p->waitForFinished(1000);
    }
  }

  bool start(bool withWindowManager) {
    // Xvfb picks a free display itself and writes its number to standard output.
    server_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    if (!server_.waitForStarted(5000)) return false;
    QByteArray number;
    if (!ConsoleProcess::waitFor(
            [&] {
              number += server_.readAllStandardOutput();
              return number.contains('\n');
            },
            10000))
      return false;
    name_ = ":" + QString::fromLatin1(number.trimmed());
    if (withWindowManager) {
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("DISPLAY", name_);
      windowManager_.setProcessEnvironment(env);
      windowManager_.start("openbox", {"--sm-disable"});
      if (!windowManager_.waitForStarted(5000)) return false;
      ConsoleProcess::settle(500);
    }
    return true;
  }

  QString name() const { return name_; }

  // Runs xdotool with `arguments` to its end; returns its standard output.
  QString xdotool(const QStringList& arguments, int timeoutMs = 10000) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name_);
    p.setProcessEnvironment(env);
    p.start("xdotool", arguments);
    if (!p.waitForStarted(5000)) return {};
    ConsoleProcess::waitFor([&] { return p.state() == QProcess::NotRunning; }, timeoutMs);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
  }
  // Starts xdotool without waiting for it (the test goes on reading the wire meanwhile).
  void xdotoolAsync(QProcess& p, const QStringList& arguments) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name_);
    p.setProcessEnvironment(env);
    p.start("xdotool", arguments);
    p.waitForStarted(5000);
  }

  // The visible windows of process `pid` (ids as xdotool gives them).
  QStringList windowsOf(qint64 pid) const {
    return xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)})
        .split('\n', Qt::SkipEmptyParts);
  }
  // A window's place and size on the screen.
  QRect geometry(const QString& window) const {
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line : xdotool({"getwindowgeometry", "--shell", window}).split('\n')) {
      const QString key = line.section('=', 0, 0), value = line.section('=', 1);
      if (key == "X") x = value.toInt();
      if (key == "Y") y = value.toInt();
      if (key == "WIDTH") w = value.toInt();
      if (key == "HEIGHT") h = value.toInt();
    }
    return {x, y, w, h};
  }

 private:
  QProcess server_;
  QProcess windowManager_;
  QString name_;
};
