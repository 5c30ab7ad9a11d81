#pragma once

// Networks of a whole-program test's own: two network namespaces joined by a veth pair, so that a
// console can send Art-Net (broadcasts included) to a node without touching the machine's network.
// Making them needs root; a test skips where they cannot be made.

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <csignal>

namespace e2e {

struct CommandResult {
  int code = -1;
  QString out;
};

inline CommandResult run(const QString& program, const QStringList& args, int timeoutMs = 20000) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  CommandResult r;
  if (!p.waitForStarted(5000)) return r;
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(2000);
    return r;
  }
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAll());
  return r;
}

inline CommandResult runIn(const QStringList& where, const QStringList& command, int timeoutMs = 20000) {
  return run(where.first(), where.mid(1) + command, timeoutMs);
}

// Two namespaces of this test: the console's (10.77.0.1) and the node's (10.77.0.2), one veth pair
// (vqc0 - vqn0) between them, each address with its broadcast address so that directed broadcasts
// work. Neither has a default route: any other address is unreachable from both.
class TestNetwork {
 public:
  explicit TestNetwork(const QString& tag = "")
      : console_("vqc" + tag + QString::number(getpid())), node_("vqn" + tag + QString::number(getpid())) {}
  ~TestNetwork() { tearDown(); }

  // False with the reason when this machine does not allow it.
  bool setUp(QString& why) {
    if (geteuid() != 0) {
      why = "network namespaces need root";
      return false;
    }
    const QStringList steps[] = {
        {"netns", "add", console_},
        {"netns", "add", node_},
        {"-n", console_, "link", "add", "vqc0", "type", "veth", "peer", "name", "vqn0", "netns", node_},
        {"-n", console_, "addr", "add", "10.77.0.1/24", "brd", "+", "dev", "vqc0"},
        {"-n", node_, "addr", "add", "10.77.0.2/24", "brd", "+", "dev", "vqn0"},
        {"-n", console_, "link", "set", "lo", "up"},
        {"-n", node_, "link", "set", "lo", "up"},
        {"-n", console_, "link", "set", "vqc0", "up"},
        {"-n", node_, "link", "set", "vqn0", "up"},
    };
    for (const QStringList& step : steps) {
      const CommandResult r = run("ip", step);
      if (r.code != 0) {
        why = "ip " + step.join(' ') + ": " + r.out.trimmed();
        return false;
      }
      made_ = true;
    }
    return true;
  }
  // Ends every process left in the two namespaces (all of them started by this test), then removes them.
  void tearDown() {
    if (!made_) return;
    for (const QString& ns : {console_, node_}) {
      const CommandResult pids = run("ip", {"netns", "pids", ns});
      for (const QString& pid : pids.out.split('\n', Qt::SkipEmptyParts)) ::kill(pid.toInt(), SIGTERM);
    }
    QThread::msleep(300);
    for (const QString& ns : {console_, node_}) {
      const CommandResult pids = run("ip", {"netns", "pids", ns});
      for (const QString& pid : pids.out.split('\n', Qt::SkipEmptyParts)) ::kill(pid.toInt(), SIGKILL);
      run("ip", {"netns", "del", ns});
    }
    made_ = false;
  }
  // The console's end of the pair up or down (its route to the node comes and goes with it).
  bool setConsoleLink(bool up) {
    return run("ip", {"-n", console_, "link", "set", "vqc0", up ? "up" : "down"}).code == 0;
  }
  QStringList inConsole() const { return {"ip", "netns", "exec", console_}; }
  QStringList inNode() const { return {"ip", "netns", "exec", node_}; }
  QString consoleNamespace() const { return console_; }
  QString nodeNamespace() const { return node_; }

  // Runs `make` with this thread in namespace `ns`: the sockets it creates (a bind, a connect) stay
  // in that namespace after the thread has come back to its own. False when it cannot enter.
  template <class Make>
  static bool inNamespace(const QString& ns, Make&& make) {
    const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(("/run/netns/" + ns).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    const bool entered = own >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (entered) {
      make();
      ::setns(own, CLONE_NEWNET);
    }
    if (target >= 0) ::close(target);
    if (own >= 0) ::close(own);
    return entered;
  }

 private:
  QString console_, node_;
  bool made_ = false;
};

}  // namespace e2e
