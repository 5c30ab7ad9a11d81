#pragma once

// Finding, opening and closing the USB widget at start-up and shut-down.
//
// On the serial link the configured port is probed with a serial-number request; when it stays
// silent the first sixteen ports of the port list are probed in order and the last one that answers
// wins. A probe waits for the serial-number reply at most replyTimeoutMs (200 ms), letting events
// run. On the D2XX link the FTDI device list is read and its last device is the one opened.

#include <QString>
#include <QStringList>

#include "console/output/serial_port_list.h"

struct ConsoleState;
class Operator;
class OutputHost;
class WidgetLink;

class InterfaceDiscovery {
 public:
  // What the operator must know (no interface found, one that cannot be opened) is told to `op`.
  InterfaceDiscovery(ConsoleState& state, OutputHost& host, WidgetLink& link, Operator& op,
                     SerialPortLister lister = systemSerialPorts);

  // The port items under "Virtual USB Serial Port": the port names in list order and the index of
  // the one equal to InterfacePort (-1 when none).
  struct PortItems {
    QStringList ports;
    int checked = -1;
  };
  PortItems getPorts() const;

  void FindInterfaces();
  void ScanComPorts();
  void OpenUSBPro();
  void OpenProMk2();
  void CloseDMXInterface();

  void AskWidgetParams();
  void AskProAndMk2();
  // True when a serial-number reply (label 10) was read, whatever replies came after it.
  bool AskSerialNumber();

  void setReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }

 private:
  void trace(const QString& line);
  // Waits until a reply with `label` has been read or the time is up, letting events run.
  bool waitForReply(int label, int timeoutMs);
  void noInterface(const QString& title, const QString& text);
  bool openDirect(bool withTrace);

  ConsoleState& S;
  OutputHost& host_;
  WidgetLink& link_;
  Operator& op_;
  SerialPortLister lister_;
  int replyTimeoutMs_ = 200;
};
