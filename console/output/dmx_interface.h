#pragma once

// The DMX output side as the main window sees it. One object owns the serial port, the D2XX unit,
// the widget link, the output dispatch and discovery; the main window keeps one, created after the
// engine state and before start-up's second stage.
//
//   DmxInterface dmx(state, host, op);       // host: the main window's OutputHost; op: its Operator
//   dmx.setArtNet(&artNetLink);              // when the Art-Net link exists
//   ...start-up, second stage:
//   if (state.InterfaceType == kInterfaceEurolitePro) fillPortItems(dmx.getPorts());
//   if (dmx.openAtStartup()) btnBlackClick();
//   ...every change of DmxOutBuffer:  dmx.sendDMX();
//   ...shut-down:                     dmx.CloseDMXInterface();
//
// The inspection tool reaches the link for DMX input (link().ReadingDmxIn, link().SendWidgetCommand,
// d2xx().ResetFTDevice()).

#include <memory>

#include "console/output/d2xx_driver.h"
#include "console/output/interface_discovery.h"
#include "console/output/serial_port_list.h"

struct ConsoleState;
class ArtDmxSink;
class D2XXUnit;
class DmxOutput;
class Operator;
class OutputHost;
class WidgetLink;
class WidgetPort;

class DmxInterface {
 public:
  // What a test puts in place of the real port, driver and port list; empty members get the real ones.
  struct Parts {
    std::unique_ptr<WidgetPort> port;
    std::unique_ptr<D2xxDriver> driver;
    SerialPortLister lister;
  };

  // Every question or warning of the output side goes to `op`.
  DmxInterface(ConsoleState& state, OutputHost& host, Operator& op, Parts parts = {});
  ~DmxInterface();

  void setArtNet(ArtDmxSink* sink);

  void sendDMX();
  void sendDMXking(int universe);
  void SendProDMX();

  // Finds and opens the interface of InterfaceType as start-up does: 0 and 2 discovery and the Pro
  // open, 3 discovery and the Pro Mk2 open, 5 discovery, the Pro open and one frame, 6 marks the
  // output open (with the "Interface Mismatch" box when the connection is not Art-Net); 1, 4 and 7
  // open nothing. True when the caller must black out now (type 5).
  bool openAtStartup();
  void CloseDMXInterface();
  InterfaceDiscovery::PortItems getPorts() const;

  WidgetLink& link() { return *link_; }
  DmxOutput& output() { return *output_; }
  InterfaceDiscovery& discovery() { return *discovery_; }
  D2XXUnit& d2xx() { return *d2xx_; }
  WidgetPort& serialPort() { return *port_; }

 private:
  ConsoleState& S;
  Operator& op_;
  std::unique_ptr<WidgetPort> port_;
  std::unique_ptr<D2XXUnit> d2xx_;
  std::unique_ptr<WidgetLink> link_;
  std::unique_ptr<DmxOutput> output_;
  std::unique_ptr<InterfaceDiscovery> discovery_;
};
