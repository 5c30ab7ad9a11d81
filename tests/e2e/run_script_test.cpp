// The start-up script on a machine without a display: scripts/run-console.sh, the part of run.sh
// after the packages and the build. With no interface configured it starts the widget simulator,
// runs the console from the operator's run folder (made on the first run and kept) pointed at the
// simulator for that run, and records the frames in the run folder; with one configured it uses it.
// Ctrl+C (SIGINT to the script, or to its whole process group as a terminal sends it) ends
// everything it started, the console first.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <csignal>

#include "console/engine/cue_record.h"
#include "tests/e2e/console_process.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace {

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// DMX frames (label 6 with levels) in a recording of usbpro_sim: one frame a line, in hex.
int dmxFrames(const QString& recording) {
  int n = 0;
  for (const QByteArray& line : readFile(recording).split('\n'))
    n += line.startsWith("7E 06") && line.size() > 20;
  return n;
}

// The level of DMX address `address` in the newest DMX frame of a recording of usbpro_sim; -1
// before any.
int lastLevel(const QString& recording, int address) {
  const QList<QByteArray> lines = readFile(recording).split('\n');
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const QList<QByteArray> bytes = line->split(' ');
    if (line->startsWith("7E 06") && bytes.size() > 4 + address) return bytes[4 + address].toInt(nullptr, 16);
  }
  return -1;
}

// A process as /proc shows it: its parent and its command name; pid 0 when it is gone (or a zombie).
struct ProcInfo {
  int pid = 0;
  int parent = 0;
  QString name;
};
ProcInfo procInfo(int pid) {
  const QByteArray stat = readFile(QString("/proc/%1/stat").arg(pid));
  const qsizetype close = stat.lastIndexOf(')');
  if (close < 0) return {};
  const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
  if (fields.size() < 2 || fields[0] == "Z") return {};
  return {pid, fields[1].toInt(),
          QString::fromLatin1(stat.mid(stat.indexOf('(') + 1, close - stat.indexOf('(') - 1))};
}

// Every living descendant of `root`.
std::vector<ProcInfo> descendants(int root) {
  std::vector<ProcInfo> all;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const int pid = entry.toInt(&number);
    if (number) {
      const ProcInfo p = procInfo(pid);
      if (p.pid) all.push_back(p);
    }
  }
  std::vector<ProcInfo> out;
  std::vector<int> frontier{root};
  while (!frontier.empty()) {
    const int parent = frontier.back();
    frontier.pop_back();
    for (const ProcInfo& p : all)
      if (p.parent == parent) {
        out.push_back(p);
        frontier.push_back(p.pid);
      }
  }
  return out;
}

QStringList names(const std::vector<ProcInfo>& processes) {
  QStringList out;
  for (const ProcInfo& p : processes) out << p.name;
  out.sort();
  return out;
}

// The script with its own program folder (a copy of the built one, without settings) and run folder.
struct Script {
  QTemporaryDir dir;
  QProcess process;
  QByteArray output;

  Script() {
    copyTree(VQ_BIN_DIR, program());
    QFile::remove(program() + "/vqlighting.ini");
    process.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process, &QProcess::readyRead, [this] { output += process.readAll(); });
  }
  ~Script() {
    if (process.state() == QProcess::NotRunning) return;
    const std::vector<ProcInfo> left = descendants(int(process.processId()));
    process.kill();
    process.waitForFinished(3000);
    for (const ProcInfo& p : left) ::kill(p.pid, SIGKILL);
  }
  QString program() const { return dir.filePath("bin"); }
  QString runFolder() const { return dir.filePath("run"); }
  int pid() const { return int(process.processId()); }

  // `ownGroup`: the script leads a process group of its own, as a shell in a terminal starts it, so
  // that the whole group can be sent the terminal's signal.
  bool start(bool ownGroup = false) {
    output.clear();
    if (ownGroup) process.setChildProcessModifier([] { ::setpgid(0, 0); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("VQ_DIALOG_LOG");
    env.insert("VQ_BIN_DIR", program());
    env.insert("VQ_RUN_DIR", runFolder());
    process.setProcessEnvironment(env);
    process.start("bash", {QString(VQ_SOURCE_DIR) + "/scripts/run-console.sh"});
    return process.waitForStarted(5000);
  }
  // A second start of the script on the same folders, run to its end: its exit code and output.
  std::pair<int, QByteArray> runAgain() const {
    QProcess again;
    again.setProcessEnvironment(process.processEnvironment());
    again.setProcessChannelMode(QProcess::MergedChannels);
    again.start("bash", {QString(VQ_SOURCE_DIR) + "/scripts/run-console.sh"});
    ConsoleProcess::waitFor([&] { return again.state() == QProcess::NotRunning; }, 30000);
    if (again.state() != QProcess::NotRunning) {
      again.kill();
      again.waitForFinished(3000);
      return {-1, again.readAll()};
    }
    return {again.exitCode(), again.readAll()};
  }
  // Ctrl+C: SIGINT to the script, or with `wholeGroup` to its process group as a terminal sends it.
  // True when the script and everything it started have ended.
  bool interrupt(QString* left = nullptr, bool wholeGroup = false) {
    const std::vector<ProcInfo> started = descendants(pid());
    ::kill(wholeGroup ? -pid() : pid(), SIGINT);
    const bool ended =
        ConsoleProcess::waitFor([&] { return process.state() == QProcess::NotRunning; }, 30000);
    const bool childrenEnded = ConsoleProcess::waitFor(
        [&] {
          for (const ProcInfo& p : started)
            if (procInfo(p.pid).pid) return false;
          return true;
        },
        10000);
    if (left)
      for (const ProcInfo& p : started)
        if (procInfo(p.pid).pid) *left += p.name + " ";
    return ended && childrenEnded;
  }
  bool waitForChild(const QString& name) {
    return ConsoleProcess::waitFor(
               [&] {
                 return names(descendants(pid())).contains(name) || process.state() == QProcess::NotRunning;
               },
               30000) &&
           process.state() != QProcess::NotRunning;
  }
};

// A client of the console's remote command server.
struct Client {
  QTcpSocket socket;
  QByteArray received;
  bool connect() { return ConsoleProcess::connectUntilGreeted(socket, received); }
  bool send(const QByteArray& command, const QByteArray& reply) {
    received.clear();
    socket.write(command);
    socket.flush();
    return ConsoleProcess::waitFor([&] {
      received += socket.readAll();
      return received.contains(reply);
    });
  }
};

}  // namespace

TEST(RunScript, WithoutAnInterfaceTheSimulatorTakesTheFramesAndCtrlCEndsEverything) {
  Script script;
  ASSERT_TRUE(script.start());
  Client client;
  ASSERT_TRUE(client.connect()) << script.output.toStdString();
  const QString frames = script.runFolder() + "/frames.txt";
  // The black-outs of the first activation and of the opened show have reached the recording.
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return dmxFrames(frames) >= 2; }));
  const int before = dmxFrames(frames);

  ASSERT_TRUE(client.send("goto 3\r\nplay\r\n", "done\r\n")) << script.output.toStdString();
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return dmxFrames(frames) > before; }));

  // What the script started, and what it said about it.
  EXPECT_EQ(names(descendants(script.pid())), (QStringList{"Xvfb", "usbpro_sim", "vqlighting"}));
  EXPECT_TRUE(script.output.contains(frames.toUtf8())) << script.output.toStdString();
  EXPECT_TRUE(script.output.contains("usbpro_sim on /dev/")) << script.output.toStdString();
  // The console ran from this run's copy of the program folder, pointed at the simulator.
  const QByteArray settings = readFile(script.runFolder() + "/bin/vqlighting.ini");
  EXPECT_TRUE(settings.contains("ComPort=/dev/")) << settings.toStdString();

  QString left;
  EXPECT_TRUE(script.interrupt(&left)) << "still running: " << left.toStdString();
  // The user's program folder still has no settings of its own.
  EXPECT_FALSE(QFile::exists(script.program() + "/vqlighting.ini"));
  // No raw library noise on the terminal.
  EXPECT_FALSE(script.output.contains("ALSA lib")) << script.output.toStdString();
  EXPECT_FALSE(script.output.contains("MidiInAlsa")) << script.output.toStdString();
}

TEST(RunScript, CtrlCAtAnyMomentEndsEverythingStartedSoFar) {
  for (const QString moment : {"usbpro_sim", "Xvfb", "vqlighting"}) {
    Script script;
    ASSERT_TRUE(script.start());
    ASSERT_TRUE(script.waitForChild(moment)) << moment.toStdString() << ": " << script.output.toStdString();
    QString left;
    EXPECT_TRUE(script.interrupt(&left))
        << "after " << moment.toStdString() << " started: " << left.toStdString();
  }
}

TEST(RunScript, AConfiguredInterfaceIsUsed) {
  Script script;
  WidgetSimulator widget;
  ASSERT_TRUE(widget.isOpen());
  QFile ini(script.program() + "/vqlighting.ini");
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write(QString("[settings]\r\ncomport = %1\r\nDMXdevice=0\r\n").arg(widget.devicePath()).toUtf8());
  ini.close();
  ASSERT_TRUE(script.start());
  Client client;
  ASSERT_TRUE(client.connect()) << script.output.toStdString();
  auto blackouts = [&] {
    int n = 0;
    for (const auto& f : widget.frames()) n += f.label == 6 && f.payload.size() > 1;
    return n;
  };
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return blackouts() >= 2; }));
  const int before = blackouts();
  ASSERT_TRUE(client.send("goto 3\r\nplay\r\n", "done\r\n")) << script.output.toStdString();
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return blackouts() > before; }));
  EXPECT_EQ(names(descendants(script.pid())), (QStringList{"Xvfb", "vqlighting"}));
  EXPECT_FALSE(QFile::exists(script.runFolder() + "/frames.txt"));
  EXPECT_TRUE(script.interrupt());
}

namespace {

// The value of `key` in the settings text (any section; keys compare without regard to case).
QString settingIn(const QByteArray& settings, const QString& key) {
  const QRegularExpression line(
      "^\\s*" + QRegularExpression::escape(key) + "\\s*=(.*?)\\r?$",
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
  const QRegularExpressionMatch m = line.match(QString::fromUtf8(settings));
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// xdotool on the virtual display the script started (its number is in the run folder).
QString xdotool(const Script& script, const QStringList& arguments) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", ":" + QString::fromLatin1(readFile(script.runFolder() + "/display").trimmed()));
  p.setProcessEnvironment(env);
  p.start("xdotool", arguments);
  if (!p.waitForStarted(5000)) return {};
  ConsoleProcess::waitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
  return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// The console's main window on the script's display, once it is shown.
QString consoleWindow(const Script& script) {
  QString window;
  ConsoleProcess::waitFor([&] {
    window = xdotool(script, {"search", "--onlyvisible", "--name", "Stagora Lighting"}).section('\n', 0, 0);
    return !window.isEmpty();
  });
  return window;
}

int windowWidth(const Script& script, const QString& window) {
  for (const QString& line : xdotool(script, {"getwindowgeometry", "--shell", window}).split('\n'))
    if (line.startsWith("WIDTH=")) return line.mid(6).toInt();
  return -1;
}

// The command line of the script's console.
QStringList consoleArguments(const Script& script) {
  for (const ProcInfo& p : descendants(script.pid()))
    if (p.name == "vqlighting") {
      QStringList out;
      for (const QByteArray& a : readFile(QString("/proc/%1/cmdline").arg(p.pid)).split('\0'))
        if (!a.isEmpty()) out << QString::fromLocal8Bit(a);
      return out;
    }
  return {};
}

}  // namespace

TEST(RunScript, TheOperatorsShowAndSettingsOutliveCtrlCInATerminal) {
  const QString missing = QStandardPaths::findExecutable("xdotool").isEmpty() ? "xdotool" : "";
  ASSERT_TRUE(missing.isEmpty()) << "not installed: " << missing.toStdString();
  Script script;
  const QString frames = script.runFolder() + "/frames.txt";
  const QString settingsFile = script.runFolder() + "/bin/vqlighting.ini";
  const QString show = script.runFolder() + "/bin/demo.lcue";

  // First run: the demo show, from a new run folder.
  ASSERT_TRUE(script.start(true));
  {
    Client client;
    ASSERT_TRUE(client.connect()) << script.output.toStdString();
    ASSERT_TRUE(ConsoleProcess::waitFor([&] { return dmxFrames(frames) >= 2; }));
    EXPECT_TRUE(script.output.contains("the demo show")) << script.output.toStdString();
    EXPECT_EQ(consoleArguments(script).mid(1), QStringList{QFileInfo(show).canonicalFilePath()});
    // A cue recorded over TCP: channel 5 at 37 % (DMX 94) into cue 1.
    client.send("goto 1\r\n", "");
    ASSERT_TRUE(client.send("set 5@37\r\nread 5\r\n", "read37\r\n")) << client.received.toStdString();
    client.send("record\r\n", "");
    ConsoleProcess::settle(500);
    // A setting the console keeps: the operator makes its window narrower.
    const QString window = consoleWindow(script);
    ASSERT_FALSE(window.isEmpty());
    xdotool(script, {"windowsize", "--sync", window, "1111", "777"});
    ASSERT_TRUE(ConsoleProcess::waitFor([&] { return windowWidth(script, window) == 1111; }));
    ConsoleProcess::settle(300);
    // Redirected to the simulator while it runs.
    EXPECT_TRUE(readFile(settingsFile).contains("ComPort=/dev/")) << readFile(settingsFile).toStdString();
  }
  // Ctrl+C in the terminal: SIGINT to the script and the console at once.
  QString left;
  ASSERT_TRUE(script.interrupt(&left, true)) << "still running: " << left.toStdString();
  EXPECT_FALSE(script.output.contains("X11 connection broke")) << script.output.toStdString();

  const QByteArray settings = readFile(settingsFile);
  // Written by the console's shut-down, which ran to its end with its display still there: the new
  // width, the show, and the keys only the shut-down writes.
  EXPECT_EQ(settingIn(settings, "Width").toStdString(), "1111") << settings.toStdString();
  EXPECT_EQ(QFileInfo(settingIn(settings, "Last")).canonicalFilePath().toStdString(),
            QFileInfo(show).canonicalFilePath().toStdString());
  EXPECT_FALSE(settingIn(settings, "SplitPos").isEmpty()) << settings.toStdString();
  // The redirection was for that run only: no interface keys are left behind.
  EXPECT_FALSE(settings.contains("ComPort=/dev/")) << settings.toStdString();
  EXPECT_TRUE(settingIn(settings, "DMXdevice").isEmpty()) << settings.toStdString();
  EXPECT_FALSE(QFile::exists(script.runFolder() + "/interface.ours"));
  const QByteArray recorded = readFile(show);
  ASSERT_GT(recorded.size(), cue_offset::Levels + 4);
  EXPECT_EQ(uint8_t(recorded[cue_offset::Levels + 4]), 94) << "channel 5 recorded into cue 1";

  // Between the runs: a new build delivers a changed program file and a changed soft patch, and the
  // operator has saved a show of their own.
  const QByteArray patch = readFile(script.runFolder() + "/bin/vqlighting.spch");
  {
    QFile help(script.program() + "/vqlightinghelp.html");
    ASSERT_TRUE(help.open(QIODevice::Append));
    help.write("<!-- newer -->\n");
  }
  {
    QFile delivered(script.program() + "/vqlighting.spch");
    ASSERT_TRUE(delivered.open(QIODevice::WriteOnly));
    delivered.write("-1\r\n");
  }
  {
    QFile own(script.runFolder() + "/bin/tonight.lcue");
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write(recorded);
  }

  // Second run: the last show, with the recorded cue and the window as the operator left them.
  ASSERT_TRUE(script.start(true));
  {
    Client client;
    ASSERT_TRUE(client.connect()) << script.output.toStdString();
    ASSERT_TRUE(ConsoleProcess::waitFor([&] { return dmxFrames(frames) >= 2; }))
        << script.output.toStdString();
    EXPECT_TRUE(script.output.contains("its last show")) << script.output.toStdString();
    EXPECT_EQ(consoleArguments(script).size(), 1) << consoleArguments(script).join(' ').toStdString();
    // Cue 1 plays channel 5 at its recorded level.
    ASSERT_TRUE(client.send("play 1\r\n", "done\r\n")) << client.received.toStdString();
    EXPECT_TRUE(ConsoleProcess::waitFor([&] { return lastLevel(frames, 5) == 94; })) << lastLevel(frames, 5);
    EXPECT_EQ(windowWidth(script, consoleWindow(script)), 1111);
    EXPECT_TRUE(readFile(settingsFile).contains("ComPort=/dev/"));
  }
  EXPECT_EQ(readFile(script.runFolder() + "/bin/vqlighting.spch"), patch);
  EXPECT_EQ(readFile(script.runFolder() + "/bin/tonight.lcue"), recorded);
  EXPECT_EQ(readFile(script.runFolder() + "/bin/vqlightinghelp.html"),
            readFile(script.program() + "/vqlightinghelp.html"));
  EXPECT_TRUE(script.interrupt(&left, true)) << "still running: " << left.toStdString();
  EXPECT_EQ(uint8_t(readFile(show)[cue_offset::Levels + 4]), 94);
}

TEST(RunScript, ASecondStartOnTheSameRunFolderLeavesTheFirstAlone) {
  Script script;
  ASSERT_TRUE(script.start());
  Client client;
  ASSERT_TRUE(client.connect()) << script.output.toStdString();
  const QString settingsFile = script.runFolder() + "/bin/vqlighting.ini";
  const QByteArray settings = readFile(settingsFile);

  const auto [code, said] = script.runAgain();
  EXPECT_EQ(code, 1) << said.toStdString();
  EXPECT_TRUE(said.contains("already runs")) << said.toStdString();
  EXPECT_EQ(readFile(settingsFile), settings);
  EXPECT_EQ(names(descendants(script.pid())), (QStringList{"Xvfb", "usbpro_sim", "vqlighting"}));

  // The first one still gets its settings back when it ends.
  EXPECT_TRUE(script.interrupt());
  EXPECT_FALSE(readFile(settingsFile).contains("ComPort=")) << readFile(settingsFile).toStdString();
}
