// The console against an independent Art-Net node: OLA's olad with its Art-Net plugin. The console
// and the node each run in a network namespace of the test's own, joined by a veth pair, so the
// console's broadcasts go out on that pair only and never on the machine's network.
//
// Needs root (namespaces) and the Debian package "ola" (scripts/install-deps.sh); skipped otherwise.
// olad refuses to run as root: it runs as its own user "olad".

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <map>

#include "console/output/art_net_link.h"
#include "tests/e2e/console_process.h"
#include "tests/e2e/test_network.h"
#include "tests/engine/cue_test_util.h"

namespace {

using e2e::CommandResult;
using e2e::run;
using e2e::runIn;
using e2e::TestNetwork;

const char* const kNodeName = "Interop Node";
const char* const kChildNamespaceVariable = "VQ_INTEROP_NETNS";

// olad in the node's namespace with only its Art-Net plugin, named kNodeName.
class Olad {
 public:
  bool start(const TestNetwork& net, QString& why) {
    if (!config_.isValid()) return false;
    const QString plugins[] = {"dmx4linux",  "dummy",    "e131",    "espnet",   "ftdidmx", "gpio",
                               "karate",     "kinet",    "milinst", "nanoleaf", "opendmx", "openpixelcontrol",
                               "osc",        "pathport", "renard",  "sandnet",  "shownet", "spi",
                               "stageprofi", "uartdmx",  "usbdmx",  "usbserial"};
    for (const QString& p : plugins) write("ola-" + p + ".conf", "enabled = false\n");
    write("ola-artnet.conf", QString("enabled = true\nip = 10.77.0.2\nlong_name = %1\nshort_name = Interop\n"
                                     "net = 0\nsubnet = 0\nuse_limited_broadcast = false\n")
                                 .arg(kNodeName));
    if (run("chown", {"-R", "olad", config_.path()}).code != 0) {
      why = "no user olad";
      return false;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    const QStringList command =
        net.inNode() +
        QStringList{"runuser", "-u", "olad", "--", "olad", "-c", config_.path(), "--no-http", "-l", "1"};
    process_.start(command.first(), command.mid(1));
    if (!process_.waitForStarted(5000)) {
      why = "olad did not start";
      return false;
    }
    // Ready once its Art-Net device exists; then ports 0 and 1 take Art-Net universes 0 and 1.
    QString device;
    for (int i = 0; i < 100 && device.isEmpty(); ++i) {
      const CommandResult info = runIn(net.inNode(), {"ola_dev_info"});
      const QRegularExpressionMatch m = QRegularExpression("Device (\\d+): ArtNet").match(info.out);
      if (m.hasMatch())
        device = m.captured(1);
      else
        QThread::msleep(100);
    }
    if (device.isEmpty()) {
      why = "olad has no Art-Net device";
      return false;
    }
    for (const QString port : {"0", "1"})
      if (runIn(net.inNode(), {"ola_patch", "-d", device, "-p", port, "-i", "-u", port}).code != 0) {
        why = "ola_patch failed";
        return false;
      }
    return true;
  }
  QString path(const QString& name) const { return config_.filePath(name); }
  ~Olad() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
  }

 private:
  void write(const QString& name, const QString& text) { cue_test::writeText(config_.filePath(name), text); }
  QTemporaryDir config_;
  QProcess process_;
};

// The newest levels of each universe in an ola_recorder show file: "OLA Show", then lines of a
// universe and its comma-separated levels, each followed by a line with the delay.
std::map<int, QList<int>> newestLevels(const QString& file) {
  std::map<int, QList<int>> out;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() != 2) continue;
    QList<int> levels;
    for (const QByteArray& v : parts[1].split(',')) levels.append(v.toInt());
    out[parts[0].toInt()] = levels;
  }
  return out;
}

// "net:[inode]" of a namespace link, empty when it cannot be read.
std::string networkNamespace(const char* link) {
  char target[64] = {};
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, size_t(n)) : std::string();
}

bool haveTools(QString& why) {
  if (geteuid() != 0) {
    why = "network namespaces need root";
    return false;
  }
  for (const char* tool : {"ip", "olad", "ola_patch", "ola_recorder", "ola_dev_info", "runuser", "bash"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) {
      why = QString("%1 is not installed (scripts/install-deps.sh installs it)").arg(tool);
      return false;
    }
  return true;
}

}  // namespace

TEST(ArtNetInterop, OladReceivesBothUniversesAndItsReplyReachesTheNodeList) {
  QString why;
  if (!haveTools(why)) GTEST_SKIP() << why.toStdString();
  TestNetwork net;
  if (!net.setUp(why)) GTEST_SKIP() << "no test network here: " << why.toStdString();
  Olad olad;
  ASSERT_TRUE(olad.start(net, why)) << why.toStdString();

  // The console: Art-Net, two universes to the default destination "255.255.255.255", which in its
  // namespace is the veth pair's broadcast address. One cue with levels in both universes.
  ConsoleProcess console;
  CueRecord cue = cue_test::cue(100, "Both universes");
  cue.channelCountField = 1024 * 10 + 1;
  cue.levels[0] = char(255);    // channel 1, address 1: universe 0
  cue.levels[99] = char(128);   // channel 100
  cue.levels[599] = char(200);  // channel 600, address 600: universe 1, slot 88
  cue_test::writeCueFile(console.path("show.lcue"), {cue});
  console.writeSettings(
      "[Settings]\nMaxChannels=1024\nDMXdevice=7\nConnection=2\nFileSource=0\nOSCListen=0\n[CueFile]\nLast=" +
      console.path("show.lcue") + "\n");
  // Its own temporary folder: the single-instance lock and the pipe of consoles elsewhere on this
  // machine are none of its business.
  QDir().mkpath(console.path("tmp"));
  console.setLauncher(net.inConsole() + QStringList{"env", "TMPDIR=" + console.path("tmp")});
  ASSERT_TRUE(console.start());

  // Record what olad receives while the console plays the cue (commands over the console's own
  // loopback, inside its namespace).
  const QString record = olad.path("received.show");
  QProcess recorder;
  const QStringList rec = net.inNode() + QStringList{"ola_recorder", "-r", record, "-u", "0,1"};
  recorder.start(rec.first(), rec.mid(1));
  ASSERT_TRUE(recorder.waitForStarted(5000));
  const CommandResult play =
      runIn(net.inConsole(),
            {"bash", "-c",
             "for i in $(seq 50); do exec 3<>/dev/tcp/127.0.0.1/5200 && break; sleep 0.2; done; "
             "sleep 2; printf 'goto 1\\r\\nplay\\r\\n' >&3; sleep 1"},
            30000);
  EXPECT_EQ(play.code, 0) << play.out.toStdString() << console.dialogs().join('\n').toStdString();
  // The recorder writes what it has when it is told to end.
  ::kill(pid_t(recorder.processId()), SIGTERM);
  ASSERT_TRUE(recorder.waitForFinished(20000));

  const std::map<int, QList<int>> levels = newestLevels(record);
  ASSERT_TRUE(levels.count(0) && levels.count(1)) << QFileInfo(record).size();
  ASSERT_EQ(levels.at(0).size(), 512);
  ASSERT_EQ(levels.at(1).size(), 512);
  EXPECT_EQ(levels.at(0)[0], 255);
  EXPECT_EQ(levels.at(0)[99], 128);
  EXPECT_EQ(levels.at(0)[1], 0);
  EXPECT_EQ(levels.at(1)[87], 200);
  EXPECT_EQ(levels.at(1)[88], 0);
  EXPECT_TRUE(console.stop());
  for (const QString& d : console.dialogs()) {
    EXPECT_FALSE(d.contains("What happened?")) << d.toStdString();
    EXPECT_FALSE(d.startsWith("ArtNet connection problem")) << d.toStdString();
  }

  // The link polls from the console's namespace (the port is free again now that the console has
  // ended) and olad's reply lands in the node list.
  const QStringList child =
      net.inConsole() + QStringList{"env", QString(kChildNamespaceVariable) + "=" + net.consoleNamespace(),
                                    QCoreApplication::applicationFilePath(),
                                    "--gtest_filter=ArtNetInterop.PollInsideTheTestNamespace"};
  const CommandResult poll = run(child.first(), child.mid(1), 60000);
  EXPECT_EQ(poll.code, 0) << poll.out.toStdString();
  EXPECT_TRUE(poll.out.contains("[  PASSED  ] 1 test")) << poll.out.toStdString();
}

// Runs only as the child of the test above, inside the console's test namespace.
TEST(ArtNetInterop, PollInsideTheTestNamespace) {
  if (qEnvironmentVariable(kChildNamespaceVariable).isEmpty()) GTEST_SKIP() << "run by the interop test";
  // Broadcasts are allowed here only because this is not the machine's own namespace.
  const std::string own = networkNamespace("/proc/self/ns/net");
  ASSERT_FALSE(own.empty());
  ASSERT_NE(own, networkNamespace("/proc/1/ns/net"));
  setBroadcastSource(systemBroadcastAddresses);
  QStringList log;
  TMArtnetDecoder link([&](const QString& line) { log << line; });
  ASSERT_TRUE(link.DoArtPoll());
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return link.ArtPollReplied; }, 5000));
  EXPECT_EQ(link.NetList, QStringList{"10.77.0.2"});
  EXPECT_EQ(link.ArtPollAddress, "10.77.0.2");
  EXPECT_TRUE(log.contains(kNodeName));
  EXPECT_TRUE(log.contains("> 10.77.0.2"));
  setBroadcastSource([] { return QList<QHostAddress>{}; });
}
