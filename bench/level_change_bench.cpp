// A committed level change and the serial link under it: the cost of one level edit's setText up to
// the bytes written on the port (main window in this process, DMXking USBultra Pro on a simulated
// widget, 1024 channels), the frames per second the pseudo-terminal link carries, and what happens
// when frames are written faster than the link drains.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <memory>

#include "bench/bench_console.h"

namespace {

constexpr int kChannels = 1024;

struct StartedConsole {
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  bench::InProcessConsole console{widget.devicePath(), kChannels, bench::benchShow(2, kChannels)};
  bool ok = false;
  StartedConsole() {
    ok = console.ok() && console.start();
    // The start-up frames have arrived before anything is measured.
    widget.waitForDmxFrames(widget.dmxFrames() + 1000, 200);
  }
};

// One level edit's setText: the change handler commits it through the patch into the output buffer
// and sends both universes. Arguments: patch (0 the one-to-one patch the show created, 1 two
// addresses per channel, one at 50 %), live (1: frames written to the port, paced so every change
// writes into a drained pty; 0: blind, the level path without the sending).
void BM_levelEditCommit(benchmark::State& state) {
  StartedConsole c;
  if (!c.ok) {
    state.SkipWithError("the console did not start with its interface open");
    return;
  }
  ConsoleState& S = c.console.S();
  Tform1& form = c.console.form();
  if (state.range(0) == 1) bench::patchTwoAddresses(S);
  const bool live = state.range(1) == 1;
  S.LiveMode = live;
  const uint64_t framesPerChange = live ? 2 : 0;
  const uint64_t first = c.widget.dmxFrames();
  uint64_t expected = 0;
  int channel = 0, round = 0;
  for (auto _ : state) {
    LevelEdit* edit = form.ChannelEdits[size_t(channel)];
    const QString text = round % 2 ? QStringLiteral("50") : QStringLiteral("51");
    const int64_t t0 = bench::nowNs();
    edit->setText(text);
    const int64_t t1 = bench::nowNs();
    state.SetIterationTime(double(t1 - t0) * 1e-9);
    if (++channel == kChannels) {
      channel = 0;
      ++round;
    }
    expected += framesPerChange;
    if (live && !c.widget.waitForDmxFrames(first + expected)) {
      state.SkipWithError("the simulator stopped receiving frames");
      return;
    }
  }
  if (live && !S.InterfaceOpen) state.SkipWithError("the interface was lost");
  state.counters["frames_per_change"] = double(framesPerChange);
}
BENCHMARK(BM_levelEditCommit)
    ->ArgNames({"two_addresses", "live"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The level path alone: ChangedDmx() for the channel of the last change, blind, without the edit's
// setText and its text layout. Two addresses per channel.
void BM_ChangedDmxBlind(benchmark::State& state) {
  StartedConsole c;
  if (!c.ok) {
    state.SkipWithError("the console did not start with its interface open");
    return;
  }
  ConsoleState& S = c.console.S();
  Tform1& form = c.console.form();
  bench::patchTwoAddresses(S);
  S.LiveMode = false;
  int channel = 0;
  for (auto _ : state) {
    S.ChangedEdit = channel;
    form.ChangedDmx();
    if (++channel == kChannels) channel = 0;
  }
}
BENCHMARK(BM_ChangedDmxBlind)->Unit(benchmark::kNanosecond);

// For comparison with the above: the text of one level trace line ("DMX: " address "@" level), which
// the level path builds for every address it writes whether or not tracing is on.
void BM_levelTraceText(benchmark::State& state) {
  int d = 1;
  for (auto _ : state) {
    QString line = "DMX: " + QString::number(d) + "@" + QString::number(d & 0xFF);
    benchmark::DoNotOptimize(line.constData());
    if (++d > kChannels) d = 1;
  }
}
BENCHMARK(BM_levelTraceText)->Unit(benchmark::kNanosecond);

// What the pty link sustains: sendDMX (two 518-byte universe frames) as fast as the simulator takes
// them, with at most `window` calls' frames not yet received. frames_per_s counts universe frames.
void BM_linkFramesPerSecond(benchmark::State& state) {
  StartedConsole c;
  if (!c.ok) {
    state.SkipWithError("the console did not start with its interface open");
    return;
  }
  ConsoleState& S = c.console.S();
  Tform1& form = c.console.form();
  const uint64_t window = uint64_t(state.range(0)) * 2;
  const uint64_t first = c.widget.dmxFrames(), firstBytes = c.widget.dmxBytes();
  uint64_t sent = 0;
  const int64_t start = bench::nowNs();
  for (auto _ : state) {
    form.sendDMX();
    sent += 2;
    while (sent - (c.widget.dmxFrames() - first) > window - 2) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (!S.InterfaceOpen) break;
    }
    if (!S.InterfaceOpen) break;
  }
  c.widget.waitForDmxFrames(first + sent, 5000);
  const double seconds = double(bench::nowNs() - start) * 1e-9;
  if (!S.InterfaceOpen) state.SkipWithError("the interface was lost (write would block)");
  state.counters["frames_per_s"] = double(c.widget.dmxFrames() - first) / seconds;
  state.counters["MB_per_s"] = double(c.widget.dmxBytes() - firstBytes) / seconds / 1e6;
}
BENCHMARK(BM_linkFramesPerSecond)
    ->ArgName("window_calls")
    ->Arg(1)
    ->Arg(4)
    ->MinTime(3.0)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Baseline for the above: one 518-byte frame written with write(2) straight to the pty (no Qt, no
// framing), paced like the console's writes.
void BM_ptyWriteBaseline(benchmark::State& state) {
  bench::ThreadedWidget widget;
  const int fd = ::open(widget.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    state.SkipWithError("cannot open the pty");
    return;
  }
  QByteArray frame(518, '\0');
  frame[0] = char(0x7E);
  frame[1] = char(100);
  frame[2] = char(513 & 0xFF);
  frame[3] = char(513 >> 8);
  frame[517] = char(0xE7);
  const uint64_t first = widget.dmxFrames();
  uint64_t sent = 0;
  for (auto _ : state) {
    const int64_t t0 = bench::nowNs();
    const ssize_t n = ::write(fd, frame.constData(), size_t(frame.size()));
    const int64_t t1 = bench::nowNs();
    state.SetIterationTime(double(t1 - t0) * 1e-9);
    if (n != frame.size()) {
      state.SkipWithError("short write");
      break;
    }
    ++sent;
    if (!widget.waitForDmxFrames(first + sent)) {
      state.SkipWithError("the simulator stopped receiving frames");
      break;
    }
  }
  ::close(fd);
}
BENCHMARK(BM_ptyWriteBaseline)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Writing faster than the link drains: sendDMX back to back while the simulator reads on its own
// thread. The port reports a write that would block as an error, and the console then takes the
// interface as gone. calls_until_lost: sendDMX calls made before that (0 when it survived 20000).
void BM_sendDMXBackToBack(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto c = std::make_unique<StartedConsole>();
    if (!c->ok) {
      state.SkipWithError("the console did not start with its interface open");
      return;
    }
    ConsoleState& S = c->console.S();
    state.ResumeTiming();
    int calls = 0;
    while (S.InterfaceOpen && calls < 20000) {
      c->console.form().sendDMX();
      ++calls;
    }
    state.PauseTiming();
    state.counters["calls_until_lost"] = S.InterfaceOpen ? 0 : calls;
    state.counters["frames_received"] = double(c->widget.dmxFrames());
    c.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_sendDMXBackToBack)->Iterations(1)->Unit(benchmark::kMillisecond);

// A typed level applied to a selection: DoLevel writes the typed text into every selected edit,
// and every edit commits and sends at once, without returning to the event loop in between.
// Argument: channels selected. interface_lost: 1 when the burst of frames made the console drop the
// interface.
void BM_typedLevelToSelection(benchmark::State& state) {
  const int selected = int(state.range(0));
  int lost = 0, runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto c = std::make_unique<StartedConsole>();
    if (!c->ok) {
      state.SkipWithError("the console did not start with its interface open");
      return;
    }
    ConsoleState& S = c->console.S();
    for (int i = 0; i < selected; ++i) S.ChannelSelected[size_t(i)] = true;
    S.TypedText = "70";
    S.ChangedEdit = 0;
    state.ResumeTiming();
    c->console.form().DoLevel(0);
    state.PauseTiming();
    lost += S.InterfaceOpen ? 0 : 1;
    ++runs;
    c.reset();
    state.ResumeTiming();
  }
  state.counters["interface_lost_runs"] = lost;
  state.counters["runs"] = runs;
}
BENCHMARK(BM_typedLevelToSelection)->Arg(8)->Arg(32)->Arg(128)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
