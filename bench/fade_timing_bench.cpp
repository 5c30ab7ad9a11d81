// How well the real fade timer keeps time: a main window in this process (shown, offscreen), 1024
// channels, DMXking USBultra Pro on a simulated widget, Interval 50 ms, and a cue with a 10.0 s fade
// (200 ticks; the fade ends on tick 202, 10.10 s nominal). Measured: the wall-clock time from
// btnPlayClick to the end of the cue (CueDone), and the intervals between fade ticks (min, max,
// mean, standard deviation), with the machine idle and with every core busy (one busy-loop process
// per core, started for the loaded runs and stopped after them).
//
// Usage: vq_bench_fade_timing [runs per condition] (default 1; each run takes about 10 s).

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/bench_console.h"

namespace {

struct Result {
  double playToDoneMs = -1;
  double playToFirstTickMs = -1;
  double playClickMs = -1;  // btnPlayClick's own time (LoadCue, SendCue, the timer armed)
  int ticks = 0;
  double minMs = 0, maxMs = 0, meanMs = 0, stddevMs = 0;
  int over60 = 0;  // intervals above 60 ms
  uint64_t frames = 0;
  bool interfaceOpen = false;
};

Result fadeOnce() {
  Result r;
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  const int channels = 1024;
  std::vector<CueRecord> cues = bench::benchShow(2, channels, 100);  // 10.0 s fades
  for (int ch = 0; ch < channels; ++ch) cues[0].levels[ch] = char(255);
  bench::InProcessConsole console(widget.devicePath(), channels, cues, "Interval=50");
  if (!console.ok() || !console.start(true)) {
    std::fprintf(stderr, "the console did not start with its show and interface\n");
    return r;
  }
  Tform1& form = console.form();
  ConsoleState& S = console.S();

  std::vector<int64_t> ticks;
  ticks.reserve(400);
  QObject::connect(form.FadeTimer, &ClockTimer::timeout, [&ticks] { ticks.push_back(bench::nowNs()); });
  // Let the start-up's own events settle, then play the first cue.
  const int64_t settle = bench::nowNs() + 500'000'000;
  while (bench::nowNs() < settle) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ticks.clear();
  // CueDone ends by sending "done" to the remote clients: the end of the cue.
  int64_t doneAt = 0;
  form.replySender_ = [&doneAt](const QString&) {
    if (!doneAt) doneAt = bench::nowNs();
  };
  S.Rows.CurrentCue = 1;
  const uint64_t framesBefore = widget.dmxFrames();
  const int64_t playAt = bench::nowNs();
  form.btnPlayClick();
  r.playClickMs = double(bench::nowNs() - playAt) / 1e6;
  const int64_t deadline = playAt + 30'000'000'000;
  while (!doneAt && bench::nowNs() < deadline)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  widget.waitForDmxFrames(framesBefore + 2 * ticks.size(), 1000);

  r.interfaceOpen = S.InterfaceOpen;
  r.frames = widget.dmxFrames() - framesBefore;
  if (doneAt) r.playToDoneMs = double(doneAt - playAt) / 1e6;
  r.ticks = int(ticks.size());
  if (!ticks.empty()) r.playToFirstTickMs = double(ticks.front() - playAt) / 1e6;
  std::vector<double> gaps;
  for (size_t i = 1; i < ticks.size(); ++i) gaps.push_back(double(ticks[i] - ticks[i - 1]) / 1e6);
  if (!gaps.empty()) {
    r.minMs = *std::min_element(gaps.begin(), gaps.end());
    r.maxMs = *std::max_element(gaps.begin(), gaps.end());
    double sum = 0;
    for (double g : gaps) sum += g;
    r.meanMs = sum / double(gaps.size());
    double var = 0;
    for (double g : gaps) var += (g - r.meanMs) * (g - r.meanMs);
    r.stddevMs = gaps.size() > 1 ? std::sqrt(var / double(gaps.size() - 1)) : 0;
    r.over60 = int(std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 60; }));
  }
  return r;
}

// One busy-loop child process per core; they only spin until they are killed.
std::vector<pid_t> startBusyLoops(int n) {
  std::vector<pid_t> pids;
  for (int i = 0; i < n; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      volatile unsigned long spin = 0;
      for (;;) spin = spin + 1;
    }
    if (pid > 0) pids.push_back(pid);
  }
  return pids;
}

void stopBusyLoops(const std::vector<pid_t>& pids) {
  for (pid_t pid : pids) ::kill(pid, SIGKILL);
  for (pid_t pid : pids) ::waitpid(pid, nullptr, 0);
}

void print(const char* condition, const Result& r) {
  std::printf(
      "%-16s play->done %8.1f ms (nominal 10100.0, %+6.1f)  btnPlayClick %5.1f ms  first tick %5.1f ms  "
      "ticks %3d  interval min "
      "%5.2f "
      "max %6.2f mean %5.2f stddev %5.2f ms  >60ms %d  frames %llu%s\n",
      condition, r.playToDoneMs, r.playToDoneMs - 10100.0, r.playClickMs, r.playToFirstTickMs, r.ticks,
      r.minMs, r.maxMs, r.meanMs, r.stddevMs, r.over60, static_cast<unsigned long long>(r.frames),
      r.interfaceOpen ? "" : "  INTERFACE LOST");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  const int cores = int(::sysconf(_SC_NPROCESSORS_ONLN));
  double load[3] = {0, 0, 0};
  if (::getloadavg(load, 3) > 0)
    std::printf("load average before: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
  for (int i = 0; i < runs; ++i) print("idle", fadeOnce());
  const std::vector<pid_t> busy = startBusyLoops(cores);
  std::printf("started %d busy-loop processes\n", int(busy.size()));
  for (int i = 0; i < runs; ++i) print("all cores busy", fadeOnce());
  stopBusyLoops(busy);
  std::printf("stopped them\n");
  return 0;
}
