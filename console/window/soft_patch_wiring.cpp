// The soft patch window on the main window: its menu item and tool button, and what its edits do
// to the output.

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/editors/soft_patch_window.h"
#include "console/window/main_window.h"

void Tform1::createSoftPatch() {
  SoftPatchHost host;
  host.patchContext = [this] { return patchContext(); };
  host.grid = [this]() -> PatchGrid& { return PatchGrid_; };
  host.outputChannels = [this](const std::vector<int>& channels) {
    // A newly patched address shows its channel's level at once.
    for (int channel : channels)
      if (channel >= 1 && channel <= int(ChannelEdits.size())) SetDmx(channel - 1);
    sendDMX();
  };
  host.focusCueList = [this] { cuelist->setFocus(); };
  host.refreshChannelHints = [this] { Loadhints(); };
  host.exceptionHandler = [this](const QString& error) { MyExceptionHandler(error); };
  host.bumpSceneTable = [this] { return bumpSceneKeys(); };
  Patch = new TPatch(S, std::move(host), this);
  // The grid reads like the cue list: its font and row height.
  Patch->patchgrid->setFont(cuelist->font());
  Patch->patchgrid->verticalHeader()->setDefaultSectionSize(cuelist->verticalHeader()->defaultSectionSize());

  connect(addMenuItem("&Options", "Show Soft Patch"), &QAction::triggered, this, &Tform1::btnpatchClick);
  connect(addToolButton("btnpatch", "Patch", "Display the Softpatch tool"), &QToolButton::clicked, this,
          &Tform1::btnpatchClick);
}

void Tform1::btnpatchClick() {
  Patch->show();
  Patch->raise();
}

std::array<int, 8> Tform1::bumpSceneKeys() const {
  std::array<int, 8> table{};
  for (size_t k = 0; k < table.size(); ++k) table[k] = S.BumpSceneTable[k];
  return table;
}
