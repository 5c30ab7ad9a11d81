// Loading a soft patch file (`Loadgrid`) from whatever bytes it holds: the bytes go straight to the
// loader (no file is written per input), and the grid they give is saved back to bytes.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "console/patch/soft_patch_file.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static QTemporaryDir dir;
  static const bool ready = [] {
    setDialogHandler([](const MessageSpec& spec) { return defaultAnswer(spec); });
    return dir.isValid();
  }();
  if (!ready || size == 0) return 0;
  static QString patchName = dir.filePath("show.spch");
  static QString mapName = dir.filePath("show.fmap");
  PatchContext ctx(patchName, mapName);
  ctx.CueFileName = dir.filePath("show.lcue");
  ctx.programFolder = dir.path();
  ctx.operatorToAsk = std::make_shared<DialogOperator>();
  // Mostly small rigs (each line costs the same), now and then the largest.
  ctx.MaxChannels = data[0] == 255 ? 1024 : 1 + data[0] % 48;
  ctx.UseRepPlot = data[0] & 1;
  ctx.ledintens = [](int start) { return start % 7 == 0 ? -1 : start % 512; };
  ctx.waitPumped = [](int) {};
  ctx.pumpEvents = [] {};
  static PatchTables tables;
  static PatchGrid grid;
  loadPatchBytes(ctx, tables, grid,
                 QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
  patchFileBytes(grid);
  return 0;
}
