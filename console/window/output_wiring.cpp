// The main window's side of DMX output: the output host the interface code reports to, sending,
// opening the interface at start-up and the interface and connection menus.

#include <QActionGroup>
#include <QMenu>
#include <QTimer>

#include "console/engine/tavro_utils.h"
#include "console/output/art_net_link.h"
#include "console/output/dmx_interface.h"
#include "console/output/interface_selection.h"
#include "console/output/output_host.h"
#include "console/output/widget_port.h"
#include "console/window/main_window.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"

class Tform1::OutputHostAdapter : public OutputHost {
 public:
  explicit OutputHostAdapter(Tform1& form) : f(form) {}
  bool fadeTimerActive() const override { return f.FadeTimer->isActive(); }
  void stopFadeTimer() override { f.FadeTimer->stop(); }
  void btnLiveclicked() override { f.btnLiveclicked(); }
  void toolLog(const QString& line) override { f.toolLog(line); }
  void writeLog(const QString& line) override { WriteLog(line); }
  void addDevice(const QString& entry, bool select) override {
    f.DeviceList.append(entry);
    if (select) f.SelectedDevice = int(f.DeviceList.size()) - 1;
  }

 private:
  Tform1& f;
};

void Tform1::createOutput() {
  outputHost_ = std::make_unique<OutputHostAdapter>(*this);
  dmx_ = std::make_unique<DmxInterface>(S, *outputHost_, operator_);
}

TMArtnetDecoder& Tform1::createArtNetDecoder() {
  if (!ArtNetDecoder) {
    ArtNetDecoder =
        std::make_unique<TMArtnetDecoder>([this](const QString& line) { toolLog(line); }, S.ArtNetPort);
    if (dmx_) dmx_->setArtNet(ArtNetDecoder.get());
  }
  return *ArtNetDecoder;
}

void Tform1::createArtNetAtStartup() {
  try {
    createArtNetDecoder();
  } catch (const std::exception&) {
    // Start-up goes on without Art-Net; the inspection tool's poll tries again.
    showMessage("ArtNet connection problem", "An ArtNet connection is already in use.", DialogIcon::Error,
                DialogButtons::Ok);
  }
}

void Tform1::freeArtNetDecoder() {
  if (dmx_) dmx_->setArtNet(nullptr);
  ArtNetDecoder.reset();
}

void Tform1::sendDMX() {
  if (dmx_) dmx_->sendDMX();
}

void Tform1::openInterfaceAtStartup() {
  if (!dmx_) return;
  if (S.InterfaceType == kInterfaceEurolitePro) {
    // One radio item per serial port under "Virtual USB Serial Port".
    const InterfaceDiscovery::PortItems items = dmx_->getPorts();
    QMenu* ports = SelectConnectiontype1;
    auto* group = new QActionGroup(ports);
    for (int i = 0; i < items.ports.size(); ++i) {
      QAction* a = ports->addAction(items.ports[i]);
      a->setCheckable(true);
      a->setChecked(i == items.checked);
      group->addAction(a);
      const QString port = items.ports[i];
      connect(a, &QAction::triggered, this, [this, port] { PortClick(port); });
    }
  }
  if (dmx_->openAtStartup()) btnBlackClick();
}

void Tform1::applyMenuChange(const InterfaceChange& change) {
  if (change.showInspectionTool && showInspectionTool_) showInspectionTool_();
  applyInterfaceChange(change, S);
  IniFile ini(S.MainIniFile);
  writeInterfaceSettings(change, ini);
  ini.saveIfModified();
  announceRestart(operator_);
  close();
}

void Tform1::interfaceItemClicked(int index) { applyMenuChange(chooseInterfaceItem(index, S)); }

void Tform1::connectionItemClicked(int index) { applyMenuChange(chooseConnectionItem(index, S)); }

void Tform1::PortClick(const QString& port) { applyMenuChange(choosePortItem(port, S)); }
