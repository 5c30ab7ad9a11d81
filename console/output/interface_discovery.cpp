#include "console/output/interface_discovery.h"

#include <QEventLoop>
#include <QTimer>

#include "console/engine/console_state.h"
#include "console/output/d2xx_unit.h"
#include "console/output/output_host.h"
#include "console/output/widget_link.h"
#include "platform/operator.h"

namespace {
enum Connection { SerialPort = 0, Direct = 1 };

QByteArray bytes(std::initializer_list<uint8_t> list) {
  QByteArray out;
  for (uint8_t b : list) out.append(char(b));
  return out;
}

// Requests, as packets (label, length LSB, length MSB, payload).
const QByteArray kAskParams = bytes({UsbProLabel::GetParameters, 0x02, 0x00, 0x00, 0x00});
const QByteArray kAskMk2Params = bytes({UsbProLabel::Mk2Parameters, 0x02, 0x00, 0x00, 0x00});
const QByteArray kAskSerial = bytes({UsbProLabel::GetSerialNumber, 0x01, 0x00, 0x00});
const QByteArray kStartCodeOnly = bytes({UsbProLabel::SendDmx, 0x01, 0x00, 0x00});
const QByteArray kMk2Key =
    bytes({UsbProLabel::Mk2ApiKey, 0x04, 0x00, kMk2ApiKey[0], kMk2ApiKey[1], kMk2ApiKey[2], kMk2ApiKey[3]});
const QByteArray kMk2Ports = bytes({UsbProLabel::Mk2PortAssign, 0x02, 0x00, 0x01, 0x01});
}  // namespace

InterfaceDiscovery::InterfaceDiscovery(ConsoleState& state, OutputHost& host, WidgetLink& link, Operator& op,
                                       SerialPortLister lister)
    : S(state), host_(host), link_(link), op_(op), lister_(std::move(lister)) {}

void InterfaceDiscovery::trace(const QString& line) {
  if (S.LogLevel > 0) host_.toolLog(line);
}

InterfaceDiscovery::PortItems InterfaceDiscovery::getPorts() const {
  PortItems items;
  items.ports = lister_(S.InterfacePort);
  items.checked = int(items.ports.indexOf(S.InterfacePort));
  return items;
}

bool InterfaceDiscovery::waitForReply(int label, int timeoutMs) {
  if (!link_.serialOpen()) return false;
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  bool arrived = false;
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&link_, &WidgetLink::replyHandled, &loop, [&](int handled) {
    if (handled != label) return;
    arrived = true;
    loop.quit();
  });
  deadline.start(timeoutMs);
  loop.exec();
  return arrived;
}

void InterfaceDiscovery::AskWidgetParams() { link_.SendWidgetCommand(kAskParams); }

void InterfaceDiscovery::AskProAndMk2() {
  trace("Asking for Pro");
  link_.SendWidgetCommand(kAskParams);
  link_.pump();
  trace("Asking for Mk2");
  link_.SendWidgetCommand(kAskMk2Params);
  link_.pump();
}

bool InterfaceDiscovery::AskSerialNumber() {
  link_.replyState().WidgetLabel = 0;
  // A widget whose DMX input carries a signal streams received-DMX packets all the time, and they
  // can follow the serial-number reply in the same read: WidgetLabel then names the last of them.
  // Every reply is looked at as it is read, so the answer is not lost behind them.
  bool answered = false;
  const QMetaObject::Connection watch =
      QObject::connect(&link_, &WidgetLink::replyHandled, [&answered](int handled) {
        if (handled == UsbProLabel::GetSerialNumber) answered = true;
      });
  link_.SendWidgetCommand(kAskSerial);
  // The D2XX link has read the answer already; on the serial link it arrives as an event.
  if (S.DmxConnection == SerialPort)
    waitForReply(UsbProLabel::GetSerialNumber, replyTimeoutMs_);
  else
    link_.pump();
  QObject::disconnect(watch);
  return answered;
}

void InterfaceDiscovery::noInterface(const QString& title, const QString& text) {
  op_.ask(title, text, DialogIcon::Warning, DialogButtons::Ok);
  if (S.LiveMode) host_.btnLiveclicked();
  link_.pump();
}

void InterfaceDiscovery::FindInterfaces() {
  WidgetReplyState& reply = link_.replyState();
  if (S.DmxConnection == SerialPort) {
    reply.WidgetSerial.clear();
    // These types take their port from the settings and the port items, without a probe.
    if (S.InterfaceType == kInterfaceEurolitePro || S.InterfaceType == kInterfaceNone) return;
    if (!link_.openSerial(S.InterfacePort)) {
      ScanComPorts();
      return;
    }
    const bool found = AskSerialNumber();
    trace(S.InterfacePort + " says " + reply.WidgetSerial);
    link_.closeSerial();
    if (found) {
      host_.addDevice(S.InterfacePort + " - DMX Pro", true);
      return;
    }
    ScanComPorts();
    return;
  }
  if (S.DmxConnection != Direct) return;

  D2XXUnit& d2xx = link_.d2xx();
  bool ok = d2xx.GetFTDeviceCount() == 0 && d2xx.deviceCount() > 0;
  for (uint32_t i = 0; ok && i < d2xx.deviceCount(); ++i) {
    ok = d2xx.GetFTDeviceSerialNo(i) == 0;
    if (!ok) break;
    const QString serial = d2xx.listedText();
    S.InterfacePort = serial;
    ok = d2xx.GetFTDeviceDescription(i) == 0;
    if (!ok) break;
    const QString description = d2xx.listedText();
    host_.addDevice(serial + "-" + description, true);
    trace("D2XX: " + serial + "=" + description);
  }
  if (ok) return;
  S.InterfacePort.clear();
  noInterface("DMX Interface missing", "Could not find a valid DMX interface.\n\rSetting Blind mode.");
}

void InterfaceDiscovery::ScanComPorts() {
  const QString configured = S.InterfacePort;
  S.InterfacePort.clear();
  WidgetReplyState& reply = link_.replyState();
  const QStringList ports = lister_(configured).mid(0, 16);
  for (const QString& port : ports) {
    reply.WidgetSerial.clear();
    if (!link_.openSerial(port)) continue;  // a port that cannot be opened is skipped silently
    const bool pro = AskSerialNumber() && reply.WidgetSerial.size() == 8;
    link_.closeSerial();
    if (pro) {
      host_.addDevice(port + " - DMX Pro", true);
      S.InterfacePort = port;
    } else {
      host_.addDevice(port, false);
    }
  }
  if (S.InterfacePort.isEmpty())
    noInterface("Warning", "Could not find a valid DMX interface on any Com port.\n\rSetting Blind mode.");
}

bool InterfaceDiscovery::openDirect(bool withTrace) {
  D2XXUnit& d2xx = link_.d2xx();
  d2xx.setErrorReport(true);
  if (d2xx.Open_USB_Device_By_Serial_Number(S.InterfacePort) == 0) return true;
  op_.ask("USB Device", "Failed to open DMX interface Serial #: " + S.InterfacePort + " - Check Settings",
          DialogIcon::Error, DialogButtons::Ok);
  if (withTrace) trace("D2XX open fail: " + S.InterfacePort);
  return false;
}

void InterfaceDiscovery::OpenUSBPro() {
  if (S.InterfacePort.isEmpty()) return;
  if (S.DmxConnection == SerialPort) {
    if (!link_.serialOpen() && !link_.openSerial(S.InterfacePort)) {
      op_.ask("USB Device",
              "Failed to open DMX interface on Com port: " + S.InterfacePort + " - Check Settings",
              DialogIcon::Error, DialogButtons::Ok);
      trace("Serial open fail: " + S.InterfacePort);
      return;
    }
    S.ComPort = S.InterfacePort;
  } else if (S.DmxConnection == Direct) {
    if (!openDirect(true)) return;
    link_.d2xx().SetFTTimeouts(500, 500);
  }
  S.InterfaceOpen = true;
  if ((S.DmxConnection == SerialPort || S.DmxConnection == Direct) &&
      (S.InterfaceType == kInterfaceEurolitePro || S.InterfaceType == kInterfaceNone))
    return;  // no widget requests for these types
  link_.SendWidgetCommand(kStartCodeOnly);
  AskWidgetParams();
  const WidgetReplyState& reply = link_.replyState();
  trace("Output on USBDMX Pro port: " + S.InterfacePort + "  Firmware: " + reply.FirmwareHigh + "." +
        reply.FirmwareLow);
}

void InterfaceDiscovery::OpenProMk2() {
  if (S.InterfacePort.isEmpty()) return;
  if (S.DmxConnection == SerialPort) {
    if (!link_.serialOpen() && !link_.openSerial(S.InterfacePort)) {
      op_.ask("USB Device",
              "Failed to open DMX interface on Com port: " + S.InterfacePort + " - Check Settings",
              DialogIcon::Error, DialogButtons::Ok);
      return;
    }
    S.ComPort = S.InterfacePort;
  } else if (S.DmxConnection == Direct) {
    if (!openDirect(false)) return;
    link_.d2xx().ResetFTDevice();
    link_.d2xx().SetFTTimeouts(500, 500);
  }
  link_.SendWidgetCommand(kMk2Key);
  link_.pump();
  S.InterfaceOpen = true;
  link_.SendWidgetCommand(kMk2Ports);
  link_.pump();
  AskProAndMk2();
  const WidgetReplyState& reply = link_.replyState();
  trace("Output on Enttec Pro Mk2 port: " + S.InterfacePort + "  Firmware: " + reply.FirmwareHigh + "." +
        reply.FirmwareLow);
}

void InterfaceDiscovery::CloseDMXInterface() {
  if (!S.InterfaceOpen) return;
  if (S.DmxConnection == SerialPort)
    link_.closeSerial();
  else if (S.DmxConnection == Direct)
    link_.d2xx().CloseFTDevice();
}
