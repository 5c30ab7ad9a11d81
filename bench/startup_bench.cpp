// Start-up of the real vqlighting program, timed from outside: the program is started in a
// temporary program folder (a copy of the build's program folder) with its own settings file and
// show, on the offscreen platform, with a USB Pro widget simulator on a pseudo-terminal as its
// DMXking USBultra Pro. Measured from the start of the process:
//   - "first activation": the first activation's black-out has reached the simulator (the first
//     black-out's frames: one per universe), and the resident memory at that moment (VmRSS);
//     and, of that time, the part from the first frame the simulator received (the probe of the
//     port) to that black-out: the console's own steps after it found the interface, which a busy
//     machine's slow process start-up weighs on less;
//   - "show opened": the opening's black-out (the second black-out) has reached the simulator;
//   - "Connected": the remote command server on 127.0.0.1:5200 has greeted a client;
//   - the resident memory one second later (VmRSS, and PSS from smaps_rollup);
//   - the CPU the program uses at rest over the next N seconds (no fade running, the clock ticking),
//     from the run times of all its threads (/proc/<pid>/task/*/schedstat, nanoseconds);
//   - the time the program takes to end on SIGTERM.
//
// Usage: vq_bench_startup [--runs N] [--idle SECONDS] [--program FOLDER]...
//        vq_bench_startup --write-show PATH (writes the 1024-channel show of 500 cues and ends)
//   --runs: runs per show and program (default 7); a lone number is taken as --runs.
//   --idle: seconds of rest measured after start-up (default 0: not measured; 30 for the figure).
//   --program: a program folder holding vqlighting and its delivered files (default: this build's).
//     Several folders are run interleaved (A B A B ...), so a busy machine weighs on them alike:
//     the way to compare two builds.
// As root the program runs in a network namespace of its own (only its loopback), with a temporary
// folder of its own for the single-instance lock, so a console started by someone else on the
// machine cannot take its ports or its lock.

#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <tuple>
#include <vector>

#include "bench/bench_console.h"

namespace {

constexpr int kTimeoutMs = 60000;

// A network namespace with only an up loopback. False when this process may not make one.
bool isolateNetwork() {
  if (::unshare(CLONE_NEWNET) != 0) return false;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq ifr{};
  std::snprintf(ifr.ifr_name, IFNAMSIZ, "lo");
  bool ok = ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
  ifr.ifr_flags |= IFF_UP;
  ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
  ::close(fd);
  return ok;
}

void copyTree(const QString& from, const QString& to) {
  QDir src(from);
  QDir().mkpath(to);
  for (const QString& name : src.entryList(QDir::Files)) QFile::copy(src.filePath(name), to + "/" + name);
  for (const QString& sub : src.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    copyTree(src.filePath(sub), to + "/" + sub);
}

// A field of /proc/<pid>/status in kB ("VmRSS", "VmHWM"), -1 when it cannot be read.
long statusKb(qint64 pid, const char* field) {
  FILE* f = std::fopen(QString("/proc/%1/status").arg(pid).toLocal8Bit().constData(), "r");
  if (!f) return -1;
  char line[256];
  long value = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
      value = std::atol(line + n + 1);
      break;
    }
  std::fclose(f);
  return value;
}

// The CPU time all threads of a process have run, in nanoseconds; -1 when it cannot be read.
int64_t cpuNs(qint64 pid) {
  int64_t total = 0;
  bool any = false;
  QDirIterator tasks(QString("/proc/%1/task").arg(pid), QDir::Dirs | QDir::NoDotAndDotDot);
  while (tasks.hasNext()) {
    QFile f(tasks.next() + "/schedstat");
    if (!f.open(QIODevice::ReadOnly)) continue;
    total += f.readLine().split(' ').value(0).toLongLong();
    any = true;
  }
  return any ? total : -1;
}

// The proportional set size in kB (shared pages counted by share), -1 when it cannot be read.
long pssKb(qint64 pid) {
  QFile f(QString("/proc/%1/smaps_rollup").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("Pss:")) return line.mid(4).trimmed().split(' ').value(0).toLong();
  return -1;
}

// A frame of levels: the DMXking universe frames, or a USB Pro DMX frame with slots (discovery sends
// a USB Pro frame of the start code alone, which is not a black-out).
bool levelFrame(const WidgetSimulator::Frame& frame) {
  return frame.label == 100 || frame.label == 101 || (frame.label == 6 && frame.payload.size() > 1);
}

struct Run {
  double firstActivationMs = -1;  // first black-out complete
  double probeToFirstMs = -1;     // from the first frame the widget received (the port's probe) to then
  double showOpenedMs = -1;       // second black-out complete
  double connectedMs = -1;        // "Connected" received
  double rssAtActivationMb = -1;
  double hwmAtActivationMb = -1;
  double rssSettledMb = -1;
  double pssSettledMb = -1;
  double idleCpuPercent = -1;  // of one core
  double exitMs = -1;
  QStringList dialogs;
  QStringList frames;  // label and time of the first frames, for the first run's report
};

struct Config {
  QString name;
  int channels;
  QString settings;  // [Settings] lines besides ComPort
  QString showFile;  // in the program folder; written unless it is the delivered demo show
  int cues;          // 0: the delivered demo show
};

void pumpFor(int64_t ns) {
  const int64_t until = bench::nowNs() + ns;
  while (bench::nowNs() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(10);
  }
}

Run startOnce(const Config& config, const QString& program, int idleSeconds, const QString& lockDir) {
  Run run;
  QTemporaryDir folder;
  copyTree(program, folder.path());
  if (config.cues > 0) {
    std::vector<CueRecord> cues;
    for (int i = 0; i < config.cues; ++i)
      // Written with the side files following the program (the channel count field without + 1).
      cues.push_back(bench::benchCue(i, config.channels, 30, config.channels * 10));
    bench::writeShow(folder.filePath(config.showFile), cues);
  }

  const int perBlackout = config.channels > 512 ? 2 : 1;
  std::mutex mutex;
  std::vector<std::tuple<int, int64_t, bool>> frames;  // label, time, frame of levels
  std::atomic<qint64> pid{0};
  std::atomic<long> rssKb{-1}, hwmKb{-1};
  int dmxSeen = 0;
  bench::ThreadedWidget widget([&](const WidgetSimulator::Frame& frame, int64_t t) {
    std::lock_guard lock(mutex);
    frames.emplace_back(frame.label, t, levelFrame(frame));
    if (levelFrame(frame) && ++dmxSeen == perBlackout) {
      // The first activation's black-out is complete: the resident memory now.
      rssKb = statusKb(pid, "VmRSS");
      hwmKb = statusKb(pid, "VmHWM");
    }
  });

  QFile ini(folder.filePath("vqlighting.ini"));
  ini.open(QIODevice::WriteOnly);
  ini.write(QString("[Settings]\nComPort=%1\n%2\n[CueFile]\nLast=%3\n")
                .arg(widget.devicePath(), config.settings, config.showFile)
                .toUtf8());
  ini.close();

  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("VQ_DIALOG_LOG", folder.filePath("dialogs.log"));
  env.insert("TMPDIR", lockDir);
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(folder.path());
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

  QTcpSocket client;
  QByteArray greeting;
  const int64_t t0 = bench::nowNs();
  process.start(folder.filePath("vqlighting"), {});
  if (!process.waitForStarted(5000)) return run;
  pid = process.processId();
  auto ms = [t0](int64_t t) { return double(t - t0) / 1e6; };

  const int64_t deadline = t0 + int64_t(kTimeoutMs) * 1000000;
  int64_t connectedAt = 0;
  while (bench::nowNs() < deadline && process.state() == QProcess::Running) {
    if (!connectedAt) {
      if (client.state() == QAbstractSocket::UnconnectedState) client.connectToHost("127.0.0.1", 5200);
      client.waitForReadyRead(2);
      greeting += client.readAll();
      if (greeting.contains("Connected\r\n")) connectedAt = bench::nowNs();
      if (client.state() == QAbstractSocket::UnconnectedState ||
          client.error() == QAbstractSocket::ConnectionRefusedError)
        client.abort();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    int dmx;
    {
      std::lock_guard lock(mutex);
      dmx = dmxSeen;
    }
    if (connectedAt && dmx >= 2 * perBlackout) break;
    QThread::usleep(500);
  }
  {
    std::lock_guard lock(mutex);
    int dmx = 0;
    for (const auto& [label, t, levels] : frames) {
      if (run.frames.size() < 12) run.frames << QString("label %1 at %2 ms").arg(label).arg(ms(t), 0, 'f', 1);
      if (!levels) continue;
      ++dmx;
      if (dmx == perBlackout) {
        run.firstActivationMs = ms(t);
        run.probeToFirstMs = ms(t) - ms(std::get<1>(frames.front()));
      }
      if (dmx == 2 * perBlackout) run.showOpenedMs = ms(t);
    }
  }
  if (connectedAt) run.connectedMs = ms(connectedAt);
  run.rssAtActivationMb = rssKb > 0 ? double(rssKb) / 1024.0 : -1;
  run.hwmAtActivationMb = hwmKb > 0 ? double(hwmKb) / 1024.0 : -1;
  client.abort();

  // Settled: a second later, with the event loop of the program idle.
  pumpFor(1000000000);
  const long settled = statusKb(process.processId(), "VmRSS");
  run.rssSettledMb = settled > 0 ? double(settled) / 1024.0 : -1;
  const long pss = pssKb(process.processId());
  run.pssSettledMb = pss > 0 ? double(pss) / 1024.0 : -1;
  if (idleSeconds > 0) {
    const int64_t cpu0 = cpuNs(process.processId()), wall0 = bench::nowNs();
    pumpFor(int64_t(idleSeconds) * 1000000000);
    const int64_t cpu1 = cpuNs(process.processId()), wall1 = bench::nowNs();
    if (cpu0 >= 0 && cpu1 >= 0) run.idleCpuPercent = 100.0 * double(cpu1 - cpu0) / double(wall1 - wall0);
  }

  const int64_t stopAt = bench::nowNs();
  ::kill(pid_t(process.processId()), SIGTERM);
  if (process.waitForFinished(30000)) run.exitMs = double(bench::nowNs() - stopAt) / 1e6;
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(3000);
  }
  QFile log(folder.filePath("dialogs.log"));
  if (log.open(QIODevice::ReadOnly))
    run.dialogs = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
  return run;
}

struct Stats {
  double median = 0, min = 0, max = 0, stddev = 0;
  int n = 0;
};

Stats stats(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
  Stats s;
  s.n = int(v.size());
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  s.min = v.front();
  s.max = v.back();
  double mean = 0;
  for (double x : v) mean += x;
  mean /= double(v.size());
  double var = 0;
  for (double x : v) var += (x - mean) * (x - mean);
  s.stddev = v.size() > 1 ? std::sqrt(var / double(v.size() - 1)) : 0;
  return s;
}

void printRow(const char* what, const char* unit, const std::vector<double>& values) {
  const Stats s = stats(values);
  const int digits = std::strcmp(unit, "%") == 0 ? 3 : 1;  // idle CPU is a fraction of a percent
  std::printf("  %-34s %9.*f %9.*f %9.*f %9.*f  %-3s (n=%d)\n", what, digits, s.median, digits, s.min, digits,
              s.max, digits, s.stddev, unit, s.n);
}

}  // namespace

int main(int argc, char** argv) {
  const bool isolated = isolateNetwork();  // before any thread exists
  QCoreApplication app(argc, argv);
  int runs = 7, idleSeconds = 0;
  QStringList programs;
  const QStringList args = app.arguments().mid(1);
  for (int i = 0; i < args.size(); ++i) {
    const QString value = args.value(i + 1);
    if (args[i] == "--runs") {
      runs = std::max(1, value.toInt()), ++i;
    } else if (args[i] == "--idle") {
      idleSeconds = std::max(0, value.toInt()), ++i;
    } else if (args[i] == "--program") {
      programs << QDir(value).absolutePath(), ++i;
    } else if (args[i] == "--write-show") {
      // Only writes the 1024-channel show of 500 cues to the path given (for bench/compare_peer.sh).
      std::vector<CueRecord> cues;
      for (int c = 0; c < 500; ++c) cues.push_back(bench::benchCue(c, 1024, 30, 1024 * 10));
      bench::writeShow(value, cues);
      return 0;
    } else if (args[i].toInt() > 0) {
      runs = args[i].toInt();
    } else {
      std::fprintf(stderr, "usage: vq_bench_startup [--runs N] [--idle SECONDS] [--program FOLDER]...\n");
      return 2;
    }
  }
  if (programs.isEmpty()) programs << VQ_BIN_DIR;
  QTemporaryDir lockDir;

  std::printf("vqlighting start-up, %d runs per show and program, interleaved; %s\n", runs,
              isolated ? "own network namespace (loopback only) and own single-instance lock"
                       : "shared network namespace (not root?): port 5200 may belong to another console");
  const std::vector<Config> configs = {
      {"1024 channels, 500-cue show", 1024, "MaxChannels=1024\nDMXdevice=4", "bench1024.lcue", 500},
      {"256 channels, delivered demo show", 256, "MaxChannels=256\nDMXdevice=4", "demo.lcue", 0},
  };
  for (const Config& config : configs) {
    struct Figures {
      std::vector<double> first, probe, opened, connected, rss, hwm, settled, pss, idle, exitMs;
      Run sample;
    };
    std::vector<Figures> figures(size_t(programs.size()));
    for (int i = 0; i < runs; ++i)
      for (int p = 0; p < programs.size(); ++p) {
        const Run r = startOnce(config, programs[p], idleSeconds, lockDir.path());
        Figures& f = figures[size_t(p)];
        if (i == 0) f.sample = r;
        f.first.push_back(r.firstActivationMs);
        f.probe.push_back(r.probeToFirstMs);
        f.opened.push_back(r.showOpenedMs);
        f.connected.push_back(r.connectedMs);
        f.rss.push_back(r.rssAtActivationMb);
        f.hwm.push_back(r.hwmAtActivationMb);
        f.settled.push_back(r.rssSettledMb);
        f.pss.push_back(r.pssSettledMb);
        f.idle.push_back(r.idleCpuPercent);
        f.exitMs.push_back(r.exitMs);
      }
    for (int p = 0; p < programs.size(); ++p) {
      const Figures& f = figures[size_t(p)];
      std::printf("\n%s, %s\n  %-34s %9s %9s %9s %9s\n", qPrintable(config.name), qPrintable(programs[p]), "",
                  "median", "min", "max", "stddev");
      printRow("first activation (1st black-out)", "ms", f.first);
      printRow("  of which: port probe -> black-out", "ms", f.probe);
      printRow("show opened (2nd black-out)", "ms", f.opened);
      printRow("\"Connected\" on 127.0.0.1:5200", "ms", f.connected);
      printRow("VmRSS at first activation", "MiB", f.rss);
      printRow("VmHWM at first activation", "MiB", f.hwm);
      printRow("VmRSS 1 s later", "MiB", f.settled);
      printRow("PSS 1 s later", "MiB", f.pss);
      if (idleSeconds > 0) {
        const std::string what = "idle CPU over " + std::to_string(idleSeconds) + " s";
        printRow(what.c_str(), "%", f.idle);
      }
      printRow("exit after SIGTERM", "ms", f.exitMs);
      std::printf("  first run's frames: %s\n", qPrintable(f.sample.frames.join("; ")));
      std::printf("  first run's dialogs: %s\n",
                  f.sample.dialogs.isEmpty() ? "none"
                                             : qPrintable(f.sample.dialogs.join(" | ").replace('\t', " / ")));
    }
  }
  return 0;
}
