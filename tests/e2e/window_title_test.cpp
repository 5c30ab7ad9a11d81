// The main window's title as the window system shows it: on a real X display of the test's own.

#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/console_process.h"

namespace {
// An X server of the test's own on a free display; "" when none could be started.
QString startXServer(QProcess& server) {
  server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
  if (!server.waitForStarted(10000)) return {};
  QByteArray number;
  ConsoleProcess::waitFor([&] {
    number += server.readAllStandardOutput();
    return number.contains('\n');
  });
  return number.trimmed().isEmpty() ? QString() : ":" + QString::fromLatin1(number.trimmed());
}

// The names of the top-level windows on `display` whose name contains `text`.
QStringList windowNames(const QString& display, const QString& text) {
  QProcess search;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display);
  search.setProcessEnvironment(env);
  search.start("xdotool", {"search", "--name", text});
  search.waitForFinished(10000);
  QStringList names;
  for (const QByteArray& id : search.readAllStandardOutput().split('\n')) {
    if (id.trimmed().isEmpty()) continue;
    QProcess name;
    name.setProcessEnvironment(env);
    name.start("xdotool", {"getwindowname", QString::fromLatin1(id.trimmed())});
    name.waitForFinished(10000);
    names << QString::fromUtf8(name.readAllStandardOutput()).trimmed();
  }
  return names;
}
}  // namespace

TEST(WindowTitle, TheMainWindowShowsItsCaptionOnceOnAnXDisplay) {
  QProcess server;
  const QString display = startXServer(server);
  ASSERT_FALSE(display.isEmpty()) << "no X server could be started";
  ConsoleProcess console;
  console.writeSettings("[Settings]\nDMXdevice=99\nMaxChannels=64\nOSCListen=0\nFSPort=0\n");
  console.setLauncher({"env", "QT_QPA_PLATFORM=xcb", "DISPLAY=" + display});
  ASSERT_TRUE(console.start({console.path("demo.lcue")}));
  QStringList names;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    names = windowNames(display, "Stagora Lighting - using");
    return !names.isEmpty();
  })) << "the main window did not appear";
  EXPECT_EQ(names.join(" | ").toStdString(), "Stagora Lighting - using demo.lcue");
  EXPECT_TRUE(console.stop());
  server.terminate();
  server.waitForFinished(10000);
}
