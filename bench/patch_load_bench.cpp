#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "console/patch/soft_patch_file.h"

// Loading a 1024-channel show's patch: every channel drives three addresses, one of them
// proportional, and carries a description.
static void BM_Loadgrid1024(benchmark::State& state) {
  QTemporaryDir dir;
  QString patchFile = dir.filePath("show.spch");
  QString mapFile = dir.filePath("show.fmap");
  QByteArray text = "-1\r\n";
  for (int k = 1; k <= 1024; ++k) {
    const int a = (k * 7) % 1024 + 1;
    text += QByteArray::number(k) + "," + QByteArray::number(k) + " " + QByteArray::number(a) + "/50 " +
            QByteArray::number(1025 - k) + ",Unit " + QByteArray::number(k) + " front wash,\r\n";
  }
  QFile out(patchFile);
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size()) {
    state.SkipWithError("cannot write the patch file");
    return;
  }
  out.close();
  if (!CreatenewFile(mapFile, 0).ok()) {
    state.SkipWithError("cannot write the fixture map");
    return;
  }

  PatchContext ctx(patchFile, mapFile);
  ctx.MaxChannels = 1024;
  PatchTables tables;
  PatchGrid grid;
  for (auto _ : state) {
    PatchFileResult r = Loadgrid(ctx, tables, grid);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(tables.PatchTable.addresses(1024).size());
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_Loadgrid1024)->Unit(benchmark::kMicrosecond);
