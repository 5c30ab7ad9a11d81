// The inspection tool on the main window: made at start-up, fed every trace line, shown from the
// Options menu and by the Art-Net interface items, and wired to the output link, the Art-Net link,
// the follow-spot server, the fixture map and the soft patch.

#include <QAction>
#include <QMenuBar>
#include <QTableWidget>
#include <stdexcept>

#include "console/editors/soft_patch_window.h"
#include "console/editors/tools_window.h"
#include "console/output/art_net_link.h"
#include "console/output/d2xx_unit.h"
#include "console/output/widget_link.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"

void Tform1::reloadFixtureMap() {
  fixture_tools::MapRecords records;
  if (!fixture_tools::readMapRecords(S.FixtureMapFile, records).ok()) return;
  S.Fixtures.FixtureStart = records[0];
  S.Fixtures.FixtureTypes = records[2];
  S.Fixtures.FixtureAttributes = records[3];
  for (int a = 1; a < patch::kTableSize; ++a) {
    const int16_t warmUp = records[1][size_t(a)];
    S.Fixtures.WarmUpLevels[size_t(a)] =
        warmUp < 0 || records[0][size_t(a)] == kMoverScrollerChannel ? int16_t(0) : warmUp;
  }
}

void Tform1::createInspectionTool() {
  InspectionHost host;
  host.deviceList = [this] { return DeviceList; };
  host.selectedDevice = [this] { return SelectedDevice; };
  host.clearLog = [this] { ToolLogLines.clear(); };
  host.processMemory = [] { return CurrentProcessMemory(); };
  host.focusCueList = [this] {
    if (cuelist) cuelist->setFocus();
  };
  host.sendFollowSpot = [this](const QByteArray& bytes) {
    return remote_ && remote_->sendToFollowSpot(bytes);
  };
  host.setReadingDmxIn = [this](bool on) {
    if (dmx_) dmx_->link().ReadingDmxIn = on;
  };
  host.sendWidgetCommand = [this](const QByteArray& packet) {
    if (dmx_) dmx_->link().SendWidgetCommand(packet);
  };
  host.hasD2xxDevice = [this] { return dmx_ && S.DmxConnection == 1 && S.InterfaceOpen; };
  host.resetD2xx = [this] {
    if (dmx_) dmx_->d2xx().ResetFTDevice();
  };
  host.ensureArtNet = [this] {
    try {
      TMArtnetDecoder& link = createArtNetDecoder();
      connect(&link, &TMArtnetDecoder::nodeAdded, tools, &Ttools::nodeAdded, Qt::UniqueConnection);
      return true;
    } catch (const std::exception& e) {
      MyExceptionHandler(QString::fromLocal8Bit(e.what()));
      return false;
    }
  };
  host.artPoll = [this] { return ArtNetDecoder && ArtNetDecoder->DoArtPoll(); };
  host.artPollReplied = [this] { return ArtNetDecoder && ArtNetDecoder->ArtPollReplied; };
  host.setArtPollReplied = [this](bool replied) {
    if (ArtNetDecoder) ArtNetDecoder->ArtPollReplied = replied;
  };
  host.artNodes = [this] { return ArtNetDecoder ? ArtNetDecoder->NetList : QStringList(); };
  host.clearArtNodes = [this] {
    if (ArtNetDecoder) ArtNetDecoder->NetList.clear();
  };
  host.closeMapFile = [this] { mapFile_.close(); };
  host.reloadFixtureMap = [this] { reloadFixtureMap(); };
  host.refreshChannelHints = [this] { Loadhints(); };
  host.patchContext = [this] { return patchContext(); };
  host.grid = [this]() -> PatchGrid& { return PatchGrid_; };
  host.savePatch = [this] {
    reloadFixtureMap();
    PatchContext ctx = patchContext();
    const PatchFileResult r =
        SavePatchfile(ctx, S.Patch, PatchGrid_, S.Fixtures.FixtureStart, bumpSceneKeys());
    if (Patch && Patch->model()) Patch->model()->reset();
    return r;
  };
  host.programFolder = [] { return programFolder(); };
  host.exceptionHandler = [this](const QString& error) { MyExceptionHandler(error); };
  host.waitPumped = [this](int ms) { waitPumped(ms); };
  tools = new Ttools(S, std::move(host), clock_, this);
  if (ArtNetDecoder)
    connect(ArtNetDecoder.get(), &TMArtnetDecoder::nodeAdded, tools, &Ttools::nodeAdded,
            Qt::UniqueConnection);

  showInspectionTool_ = [this] {
    // The Art-Net items let the operator pick the nodes before the console restarts.
    if (dialogsAnsweredWithoutWindows())
      tools->show();
    else
      tools->exec();
  };
  connect(addMenuItem("&Options", "Show Inspection tool"), &QAction::triggered, this,
          &Tform1::showInspectionTool);
}

void Tform1::showInspectionTool() {
  tools->show();
  tools->raise();
}
