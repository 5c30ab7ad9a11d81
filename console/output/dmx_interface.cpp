#include "console/output/dmx_interface.h"

#include "console/engine/console_state.h"
#include "console/output/d2xx_unit.h"
#include "console/output/dmx_output.h"
#include "console/output/ftdi_d2xx_driver.h"
#include "console/output/serial_widget_port.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"

DmxInterface::DmxInterface(ConsoleState& state, OutputHost& host, Operator& op, Parts parts)
    : S(state), op_(op) {
  port_ = parts.port ? std::move(parts.port) : std::make_unique<SerialWidgetPort>();
  d2xx_ = std::make_unique<D2XXUnit>(
      parts.driver ? std::move(parts.driver) : std::make_unique<FtdiD2xxDriver>(), op);
  link_ = std::make_unique<WidgetLink>(state, host, *port_, *d2xx_, op);
  output_ = std::make_unique<DmxOutput>(state, host, *link_);
  discovery_ = std::make_unique<InterfaceDiscovery>(
      state, host, *link_, op, parts.lister ? parts.lister : SerialPortLister(systemSerialPorts));
}

DmxInterface::~DmxInterface() = default;

void DmxInterface::setArtNet(ArtDmxSink* sink) { link_->setArtNet(sink); }

void DmxInterface::sendDMX() { output_->sendDMX(); }
void DmxInterface::sendDMXking(int universe) { output_->sendDMXking(universe); }
void DmxInterface::SendProDMX() { output_->SendProDMX(); }

bool DmxInterface::openAtStartup() {
  switch (S.InterfaceType) {
    case kInterfaceUsbPro:
    case kInterfaceDmxKing:
      discovery_->FindInterfaces();
      discovery_->OpenUSBPro();
      return false;
    case kInterfaceProMk2:
      discovery_->FindInterfaces();
      discovery_->OpenProMk2();
      return false;
    case kInterfaceEurolitePro:
      discovery_->FindInterfaces();
      discovery_->OpenUSBPro();
      output_->SendProDMX();
      return true;
    case kInterfaceArtNet:
      if (S.DmxConnection != 2)
        op_.ask("Interface Mismatch", "Art-Net device selected, but not its communication.",
                DialogIcon::Error, DialogButtons::Cancel);
      S.InterfaceOpen = true;
      return false;
    default:
      return false;
  }
}

void DmxInterface::CloseDMXInterface() { discovery_->CloseDMXInterface(); }

InterfaceDiscovery::PortItems DmxInterface::getPorts() const { return discovery_->getPorts(); }
