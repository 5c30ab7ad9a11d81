#pragma once

// The link layer of the USB widgets: writes DMX frames and requests on the current connection
// (virtual serial port or D2XX), hands Art-Net universes to the Art-Net sink, cuts the widget's
// replies out of the incoming bytes and reads them, and handles an interface that goes away.
//
// A write that fails is the lost interface, warned about once for the whole run. A serial port that
// fails is closed and InterfaceOpen is cleared, so nothing more is sent. A D2XX device or an Art-Net
// link stays open: every later write is attempted again, so a node that answers again or a network
// that comes back carries the output on, and a node that stays unreachable never silences the other
// universe. The state is changed before the warning is shown, so nothing that runs while it is up
// warns again.

#include <QByteArray>
#include <QObject>
#include <functional>
#include <span>

#include "console/output/widget_protocol.h"

struct ConsoleState;
class ArtDmxSink;
class D2XXUnit;
class Operator;
class OutputHost;
class WidgetPort;

class WidgetLink : public QObject {
  Q_OBJECT
 public:
  WidgetLink(ConsoleState& state, OutputHost& host, WidgetPort& serial, D2XXUnit& d2xx, Operator& op,
             QObject* parent = nullptr);

  void setArtNet(ArtDmxSink* sink) { artNet_ = sink; }
  // How window messages are pumped where the link lets them run (default: pumpEvents()).
  void setPump(std::function<void()> pump) { pump_ = std::move(pump); }

  // Writes one DMX frame on the serial or D2XX connection. True when it was written. On the Art-Net
  // connection a widget frame is not sent (it is no Art-Net data).
  bool SendWidgetPacket(const DmxFrame& frame);
  // Sends one universe (512 slots) as ArtDmx to `node`, subnet 0. True when it was sent.
  bool sendArtUniverse(int universe, const QString& node, std::span<const uint8_t> universeSlots);
  // Writes one request (label, length bytes, payload; the framing is added here). On the D2XX link
  // the answer is read at once (up to the read timeout) and dispatched.
  void SendWidgetCommand(QByteArrayView packet);

  // A reply cut from the serial stream (label first, no start or end byte): traced, then read.
  void ComDataPacket1Packet(std::span<const uint8_t> packet);
  // Reads one reply into the reply state; unknown labels show the "Communications Error" box.
  void USBresponse(std::span<const uint8_t> reply);
  // Shows the DMX slots of raw bytes read from the widget in the inspection tool.
  void ParseDMXIn(std::span<const uint8_t> bytes);

  // The serial port: opened and closed by discovery and opening; replies arrive through it.
  bool openSerial(const QString& name);
  void closeSerial();
  bool serialOpen() const;

  // WidgetLabel, WidgetSerial, FirmwareLow, FirmwareHigh of the last reply.
  WidgetReplyState& replyState() { return reply_; }
  const WidgetReplyState& replyState() const { return reply_; }
  // The inspection tool is reading DMX input: D2XX replies go to ParseDMXIn.
  bool ReadingDmxIn = false;

  D2XXUnit& d2xx() { return d2xx_; }
  void pump() {
    if (pump_) pump_();
  }

 signals:
  // A reply has been read; `label` is the resulting WidgetLabel.
  void replyHandled(int label);

 private:
  void receive(std::span<const uint8_t> bytes);
  // A failed write: the serial port is closed (InterfaceOpen cleared); the first loss of the run stops
  // fading and warns with `text`, later ones stay silent.
  void lostInterface(const QString& text);
  void trace(const QString& line);
  bool logFile() const;

  ConsoleState& S;
  OutputHost& host_;
  WidgetPort& serial_;
  D2XXUnit& d2xx_;
  Operator& op_;
  ArtDmxSink* artNet_ = nullptr;
  std::function<void()> pump_;
  WidgetReplyState reply_;
  WidgetReplyReader serialReader_;
  QByteArray pendingInput_;  // bytes that arrived while a reply was being handled
  bool receiving_ = false;
  bool commsErrorShown_ = false;  // a "Communications Error" box for an unknown reply is open
  int lastUnknownLabel_ = -1;     // the unknown label of the last reply, -1 after a known one
};

// The texts of the lost-interface warning.
namespace LostInterface {
extern const char* const SerialData;  // a DMX frame could not be written to the serial port
extern const char* const SerialLink;  // a request could not be written to the serial port
extern const char* const UsbDirect;   // a DMX frame could not be written to the D2XX device
extern const char* const ArtNet;      // a universe could not be sent to the Art-Net sink
}  // namespace LostInterface
