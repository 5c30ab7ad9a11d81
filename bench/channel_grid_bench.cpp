// Building the channel grid: constructing the main window (FormCreate builds one cell per channel
// with LoadLights and lays them out on the pages), and Redraw(), the relayout after a resize or a cue
// list width change, on an unshown and a shown window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "bench/bench_console.h"

namespace {

// Tform1's constructor for `channels` channels (menus, window, output, settings, grid, remote). The
// window's destruction is not counted.
void BM_TformConstruct(benchmark::State& state) {
  const int channels = int(state.range(0));
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  bench::InProcessConsole console(widget.devicePath(), channels, bench::benchShow(2, channels));
  for (auto _ : state) {
    console.construct();
    state.PauseTiming();
    if (int(console.form().ChannelEdits.size()) != channels) state.SkipWithError("the grid is not complete");
    console.destroy();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["cells"] = channels;
}
BENCHMARK(BM_TformConstruct)->ArgName("channels")->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// Redraw() of a started window. Arguments: channels, shown (0 or 1).
void BM_Redraw(benchmark::State& state) {
  const int channels = int(state.range(0));
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  bench::InProcessConsole console(widget.devicePath(), channels, bench::benchShow(2, channels));
  if (!console.start(state.range(1) == 1)) {
    state.SkipWithError("the console did not start with its show and interface");
    return;
  }
  Tform1& form = console.form();
  for (auto _ : state) {
    form.Redraw();
    // The relayout's own events (moves, shows, the tab bar) are part of it.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  state.counters["pages"] = double(form.pageCaptions().size());
}
BENCHMARK(BM_Redraw)
    ->ArgNames({"channels", "shown"})
    ->Args({256, 0})
    ->Args({1024, 0})
    ->Args({1024, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
