// Reading a show of 1000 cues into the cue tables, as every edit of the cue list does.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "console/engine/cue_reader.h"

namespace {

void BM_ReadCues1000(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("big.lcue");
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
      state.SkipWithError("cannot write the show");
      return;
    }
    for (int i = 0; i < 1000; ++i) {
      CueRecord c;
      c.cueNumber = (i + 1) * 100;
      c.setDescriptionText("Cue number " + QString::number(i + 1));
      c.fadeUpTime = 10 + i % 50;
      c.fadeDownTime = 20 + i % 30;
      c.timingMode = i % 3 == 0 ? 1 : 0;
      for (int ch = 0; ch < 256; ++ch) c.levels[ch] = char((i + ch) & 0xFF);
      f.write(c.encode());
    }
  }
  const QString saved = QDir::currentPath();
  CueFile file;
  CueTables tables;
  CuePlaybackRows rows;
  CueReadSettings settings;
  CueReadHost host;
  for (auto _ : state) {
    readCueFile(path, file, tables, rows, settings, host);
    benchmark::DoNotOptimize(tables.CueTable[CueColumn::FadeUpTicks].data());
  }
  QDir::setCurrent(saved);
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ReadCues1000)->Unit(benchmark::kMillisecond);

}  // namespace
