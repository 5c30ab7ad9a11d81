// The spreadsheet window on a 1024-channel show of 500 cues (513,000 level cells): taking the cue
// tables into the sheet, the window's activation with the table painted, and the two exports.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include "console/editors/spreadsheet_tables.h"
#include "console/editors/spreadsheet_window.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_record.h"

namespace {

constexpr int kChannels = 1024, kCues = 500;

ConsoleState& show() {
  static ConsoleState S = [] {
    ConsoleState s;
    s.MaxChannels = kChannels;
    s.Cues.resize(kCues);
    s.Cues.CueCount = kCues;
    for (int r = 1; r <= kCues; ++r) {
      s.Cues.CueListRows[size_t(r)].number = QString::number(r);
      s.Cues.CueListRows[size_t(r)].description = "Cue " + QString::number(r);
      QByteArray levels(kCueLevelCount, '\0');
      for (int c = 0; c < kCueLevelCount; ++c) levels[c] = char((r * 7 + c * 13) % 256);
      s.Cues.CueTexts[CueTextColumn::Levels][size_t(r)] = levels;
    }
    for (int c = 1; c <= kChannels; c += 4) s.RawChannels[size_t(c)] = true;
    return s;
  }();
  return S;
}

void BM_CueSheetRebuild(benchmark::State& state) {
  CueSheetModel m;
  for (auto _ : state) {
    m.rebuild(show());
    benchmark::DoNotOptimize(m.rowCount());
  }
  state.counters["cells"] = double(m.rowCount()) * m.columnCount();
}
BENCHMARK(BM_CueSheetRebuild)->Unit(benchmark::kMillisecond);

// Activation of the shown window: the sheet rebuilt and the visible part of the table painted.
void BM_SpreadsheetActivateAndPaint(benchmark::State& state) {
  SpreadsheetHost host;
  host.state = []() -> ConsoleState& { return show(); };
  QTemporaryDir dir;
  host.settingsFile = [&dir] { return dir.filePath("bench.ini"); };
  TSpreadsheet w(std::move(host));
  w.SpreadWidth = 1200;
  w.SpreadHeight = 800;
  w.show();
  QApplication::processEvents();
  for (auto _ : state) {
    w.FormActivate();
    benchmark::DoNotOptimize(w.spread->viewport()->grab());
  }
}
BENCHMARK(BM_SpreadsheetActivateAndPaint)->Unit(benchmark::kMillisecond);

// The first showing of the window, from creation to the painted table.
void BM_SpreadsheetOpen(benchmark::State& state) {
  QTemporaryDir dir;
  for (auto _ : state) {
    SpreadsheetHost host;
    host.state = []() -> ConsoleState& { return show(); };
    host.settingsFile = [&dir] { return dir.filePath("bench.ini"); };
    TSpreadsheet w(std::move(host));
    w.SpreadWidth = 1200;
    w.SpreadHeight = 800;
    w.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(w.grab());
  }
}
BENCHMARK(BM_SpreadsheetOpen)->Unit(benchmark::kMillisecond);

void BM_CueSheetCsv(benchmark::State& state) {
  CueSheetModel m;
  m.rebuild(show());
  qint64 bytes = 0;
  for (auto _ : state) bytes = sheetCsv(m).size();
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_CueSheetCsv)->Unit(benchmark::kMillisecond);

void BM_CueSheetWorkbook(benchmark::State& state) {
  CueSheetModel m;
  m.rebuild(show());
  QTemporaryDir dir;
  const QString path = dir.filePath("cues.xlsx");
  for (auto _ : state)
    if (!writeSheetWorkbook(m, path)) state.SkipWithError("the workbook was not written");
  state.counters["bytes"] = double(QFile(path).size());
}
BENCHMARK(BM_CueSheetWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
