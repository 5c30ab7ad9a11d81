// One fade tick at 1024 channels, every channel patched to two addresses (one of them at 50 %) and
// every channel fading: the step arithmetic alone over the engine state, and the main window's
// whole fade-timer handler with the DMXking interface open on a simulated widget, whose two
// universe frames really cross the pseudo-terminal.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "bench/bench_console.h"
#include "console/engine/fade_engine.h"

namespace {

void BM_setValues(benchmark::State& state) {
  auto S = std::make_unique<ConsoleState>();
  S->MaxChannels = int(state.range(0));
  S->MaxChannelIndex = S->MaxChannels - 1;
  bench::patchTwoAddresses(*S);
  bench::armSlowFadeOfAllChannels(*S);
  for (auto _ : state) {
    fade::setValues(*S);
    benchmark::DoNotOptimize(S->DmxOutBuffer.data());
  }
  state.SetItemsProcessed(state.iterations() * S->MaxChannels);  // channels stepped
}
BENCHMARK(BM_setValues)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

// The whole handler: steps, then sendDMX frames both universes and writes them to the port.
// Paced: after every tick the simulator receives both frames before the next tick (what a real
// widget does between ticks 50 ms apart), so each tick writes into an empty pty. Only the
// handler's own time is counted (manual time).
// Argument: 0 the whole handler, live; 1 the handler in blind mode (the steps without the sending);
// 2 sendDMX alone (the two frames built and written).
void BM_fadeTimerTimer(benchmark::State& state) {
  const int channels = 1024;
  const int variant = int(state.range(0));
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  bench::InProcessConsole console(widget.devicePath(), channels, bench::benchShow(2, channels));
  if (!console.ok() || !console.start()) {
    state.SkipWithError("the console did not start with its interface open");
    return;
  }
  ConsoleState& S = console.S();
  bench::patchTwoAddresses(S);
  bench::armSlowFadeOfAllChannels(S);
  Tform1& form = console.form();
  if (variant == 1) S.LiveMode = false;
  const uint64_t framesPerTick = variant == 1 ? 0 : S.MaxChannels > 512 ? 2 : 1;
  widget.waitForDmxFrames(widget.dmxFrames() + 1000, 200);  // start-up frames have arrived
  const uint64_t firstFrame = widget.dmxFrames(), firstByte = widget.dmxBytes();
  uint64_t expected = 0;
  for (auto _ : state) {
    const int64_t t0 = bench::nowNs();
    if (variant == 2)
      form.sendDMX();
    else
      form.fadeTimerTimer();
    const int64_t t1 = bench::nowNs();
    state.SetIterationTime(double(t1 - t0) * 1e-9);
    expected += framesPerTick;
    if (!widget.waitForDmxFrames(firstFrame + expected)) {
      state.SkipWithError("the simulator stopped receiving frames");
      return;
    }
  }
  if (!S.InterfaceOpen) state.SkipWithError("the interface was lost");
  state.counters["frames_per_call"] = double(framesPerTick);
  state.counters["bytes_per_call"] = double(widget.dmxBytes() - firstByte) / double(state.iterations());
}
BENCHMARK(BM_fadeTimerTimer)
    ->ArgName("live0_blind1_send2")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
