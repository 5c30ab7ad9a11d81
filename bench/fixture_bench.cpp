// Fixtures: the live colour mix of a checked group (bytes for 16 five-colour fixtures), and one
// install-and-remove cycle of a fixture in a 512-channel show (map records, patch save and reload).

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "console/patch/fixture_colour_mix.h"
#include "console/patch/fixture_install.h"
#include "platform/message_dialog.h"

static void BM_MixSixteenFixtures(benchmark::State& state) {
  SelectedTypeLayout l;
  l.IntensityOffset = 1;
  l.RedOffset = 2;
  l.GreenOffset = 3;
  l.BlueOffset = 4;
  l.AmberOffset = 5;
  l.WhiteOffset = 6;
  const FixtureMix mix{"70", "255", "128", "12", "40", "200"};
  for (auto _ : state) {
    size_t bytes = 0;
    for (int i = 0; i < 16; ++i) bytes += setcolors(l, mix, 1 + i * 6, 1024).size();
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_MixSixteenFixtures);

static void BM_InstallAndRemove(benchmark::State& state) {
  QTemporaryDir dir;
  QString patchFile = dir.filePath("show.spch"), mapFile = dir.filePath("show.fmap");
  PatchContext ctx(patchFile, mapFile);
  ctx.MaxChannels = 512;
  ctx.waitPumped = [](int) {};
  ctx.pumpEvents = [] {};
  PatchTables tables;
  PatchGrid grid;
  FixtureMap map;
  CreatenewFile(mapFile, 0);
  CreatenewP(ctx, tables, &grid);
  Loadgrid(ctx, tables, grid);
  FixtureTypeRecord type;
  type.id = 1;
  type.channelCount = 5;
  type.intensity = 1;
  type.red = 2;
  type.green = 3;
  type.blue = 4;
  type.amber = 5;
  FixtureChannelTable table = FixtureChannelTable::blank();
  setDialogHandler([](const MessageSpec&) { return DialogResult::Ok; });
  FixtureInstallContext ic{ctx, tables, grid, map};
  for (auto _ : state) {
    Newfixture(ic, 101, type, table, "", {type});
    DelAddress(ic, 101);
  }
  setDialogHandler({});
}
BENCHMARK(BM_InstallAndRemove)->Unit(benchmark::kMillisecond);
