// The start-up script on a machine without a display: scripts/run-console.sh, the part of run.sh
// after the packages and the build. With no interface configured it starts the widget simulator,
// points a copy of the program folder at it and records the frames in the run folder; with one
// configured it uses it. Ctrl+C (SIGINT to the script) ends everything it started.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <csignal>

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

  bool start() {
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
  // Ctrl+C: SIGINT to the script. True when the script and everything it started have ended.
  bool interrupt(QString* left = nullptr) {
    const std::vector<ProcInfo> started = descendants(pid());
    ::kill(pid(), SIGINT);
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
