// The soft patch window on the main window: its menu item and tool button, and what its edits do
// to the output.

#include <QAction>
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
  host.loadHints = [this] { Loadhints(); };
  host.exceptionHandler = [this](const QString& error) { MyExceptionHandler(error); };
  host.bumpSceneTable = [this] {
    std::array<int, 8> table{};
    for (size_t k = 0; k < table.size(); ++k) table[k] = S.BumpSceneTable[k];
    return table;
  };
  Patch = new TPatch(S, std::move(host), this);

  for (QAction* menu : menuBar()->actions()) {
    if (menu->text() != "&Options" || !menu->menu()) continue;
    auto* item = new QAction("Show Soft Patch", this);
    connect(item, &QAction::triggered, this, &Tform1::btnpatchClick);
    menu->menu()->insertAction(menlock, item);
  }
  if (auto* bar = findChild<QToolBar*>("ToolBar1")) {
    auto* b = new QToolButton(bar);
    b->setObjectName("btnpatch");
    b->setText("Patch");
    b->setToolTip("Display the Softpatch tool");
    bar->addWidget(b);
    connect(b, &QToolButton::clicked, this, &Tform1::btnpatchClick);
  }
}

void Tform1::btnpatchClick() {
  Patch->show();
  Patch->raise();
}
