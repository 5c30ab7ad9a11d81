// Reading a 1000-cue show on the main window: Tform1::ReadCues() reads the cue file into the cue
// tables and rebuilds the cue list (4000 items), colours it and runs the activation handling, as
// every edit of the cue list does. Unshown (as the window tests run it) and shown (as the program
// runs it: the list's events are handled while the reader lets messages run).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>

#include "bench/bench_console.h"

namespace {

// Arguments: channels (the show's and the console's channel count), shown (0 or 1).
void BM_TformReadCues1000(benchmark::State& state) {
  const int channels = int(state.range(0));
  bench::QuietDialogs dialogs;
  bench::ThreadedWidget widget;
  bench::InProcessConsole console(widget.devicePath(), channels, bench::benchShow(1000, channels));
  if (!console.ok() || !console.start(state.range(1) == 1)) {
    state.SkipWithError("the console did not start with its show and interface");
    return;
  }
  Tform1& form = console.form();
  for (auto _ : state) {
    if (!form.ReadCues()) {
      state.SkipWithError("ReadCues did not load the show");
      break;
    }
  }
  state.counters["cue_rows"] = form.cuelist->rowCount();
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_TformReadCues1000)
    ->ArgNames({"channels", "shown"})
    ->Args({256, 0})
    ->Args({1024, 0})
    ->Args({1024, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
