#include "console/output/widget_link.h"

#include <QPointer>
#include <algorithm>
#include <cstring>
#include <utility>

#include "console/engine/console_state.h"
#include "console/output/art_dmx_sink.h"
#include "console/output/d2xx_unit.h"
#include "console/output/output_host.h"
#include "console/output/widget_port.h"
#include "platform/operator.h"
#include "platform/pumped_wait.h"

namespace LostInterface {
// The line break is a line feed followed by a carriage return, in that order.
const char* const SerialData =
    "What happened? The connection to the DMX interface went away!\n\rPlease check it and restart the "
    "program.";
const char* const SerialLink =
    "What happened? The link to the DMX interface went away!\n\rPlease check it and restart the program.";
const char* const UsbDirect =
    "What happened? The connection to the USB DMX interface went away!\n\rPlease check it and restart the "
    "program.";
const char* const ArtNet =
    "What happened? The connection to the Art-Net interface went away!\n\rPlease check it and restart the "
    "program.";
}  // namespace LostInterface

namespace {
enum Connection { SerialPort = 0, Direct = 1, ArtNetConnection = 2 };
}

WidgetLink::WidgetLink(ConsoleState& state, OutputHost& host, WidgetPort& serial, D2XXUnit& d2xx,
                       Operator& op, QObject* parent)
    : QObject(parent), S(state), host_(host), serial_(serial), d2xx_(d2xx), op_(op), pump_([] {
        pumpEvents();
      }) {
  serialReader_.setReplyHandler([this](std::span<const uint8_t> reply) { ComDataPacket1Packet(reply); });
  serialReader_.setOversizedHandler([this] {
    reply_.FirmwareLow.clear();
    reply_.FirmwareHigh.clear();
    reply_.WidgetLabel = -3;
  });
  serial_.setReceiver([this](std::span<const uint8_t> bytes) { receive(bytes); });
}

void WidgetLink::trace(const QString& line) {
  if (S.LogLevel > 0) host_.toolLog(line);
}

bool WidgetLink::logFile() const { return S.LogLevel > 1; }

bool WidgetLink::openSerial(const QString& name) {
  serialReader_.reset();
  pendingInput_.clear();
  return serial_.open(name);
}

void WidgetLink::closeSerial() {
  serial_.close();
  serialReader_.reset();
}

bool WidgetLink::serialOpen() const { return serial_.isOpen(); }

void WidgetLink::lostInterface(const QString& text) {
  const bool first = S.WarnLostInterface;
  S.WarnLostInterface = false;
  if (S.DmxConnection == SerialPort) {
    host_.stopFadeTimer();
    S.InterfaceOpen = false;
    closeSerial();
  } else if (first) {
    // Stopped once: with one node out of reach every frame fails, and stopping each time would hold
    // every later fade at its first step on the universes that still arrive.
    host_.stopFadeTimer();
  }
  if (first) op_.ask("Error", text, DialogIcon::Error, DialogButtons::Ok);
}

bool WidgetLink::SendWidgetPacket(const DmxFrame& frame) {
  const std::span<const uint8_t> bytes = frame.frame();
  switch (S.DmxConnection) {
    case SerialPort:
      if (serial_.write(bytes)) return true;
      lostInterface(LostInterface::SerialData);
      return false;
    case Direct:
      if (d2xx_.writeDmxFrame(bytes.data(), uint32_t(bytes.size())) == 0) return true;
      lostInterface(LostInterface::UsbDirect);
      return false;
    default:
      return false;
  }
}

bool WidgetLink::sendArtUniverse(int universe, const QString& node, std::span<const uint8_t> universeSlots) {
  if (artNet_ && artNet_->SendArtDMX(node, 0, universe & 0xFF, universeSlots)) return true;
  lostInterface(LostInterface::ArtNet);
  return false;
}

void WidgetLink::SendWidgetCommand(QByteArrayView packet) {
  const QByteArray frame = frameWidgetPacket(packet);
  const auto* bytes = reinterpret_cast<const uint8_t*>(frame.constData());
  const std::span<const uint8_t> span(bytes, size_t(frame.size()));
  if (S.DmxConnection == SerialPort) {
    // A request that cannot be written: the same single warning as a DMX frame.
    if (!serial_.write(span)) lostInterface(LostInterface::SerialLink);
    return;
  }
  if (S.DmxConnection != Direct) return;
  if (d2xx_.GetFTQueueStatus() != 0) return;
  const auto count = uint32_t(std::min<size_t>(span.size(), d2xx_.writeBuffer().size()));
  std::memcpy(d2xx_.writeBuffer().data(), bytes, count);
  const uint32_t written = d2xx_.WriteFTBuffer(count);
  trace("Wrote " + HexDumpPacket(span) + "for " + QString::number(written));
  pump();
  const uint32_t got = d2xx_.ReadFTBuffer(uint32_t(d2xx_.readBuffer().size()));
  if (got == 0) return;
  // A copy: handling the reply can pump messages, and another request would reuse the read buffer.
  const QByteArray answer(reinterpret_cast<const char*>(d2xx_.readBuffer().data()), qsizetype(got));
  const std::span<const uint8_t> reply(reinterpret_cast<const uint8_t*>(answer.constData()), size_t(got));
  if (ReadingDmxIn) {
    ParseDMXIn(reply);
  } else {
    trace("Got " + HexDumpPacket(reply));
    WidgetReplyReader reader([this](std::span<const uint8_t> r) { USBresponse(r); },
                             [this] { reply_.WidgetLabel = -3; });
    reader.feed(reply);
  }
  pump();
}

void WidgetLink::receive(std::span<const uint8_t> bytes) {
  pendingInput_.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  // Handling a reply can show a dialog, whose event loop delivers more bytes: those wait here
  // until the reply in hand is done, so the reader is never fed from inside itself.
  if (receiving_) return;
  receiving_ = true;
  while (!pendingInput_.isEmpty()) {
    const QByteArray chunk = std::exchange(pendingInput_, QByteArray());
    serialReader_.feed(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(chunk.constData()), size_t(chunk.size())));
  }
  receiving_ = false;
}

void WidgetLink::ComDataPacket1Packet(std::span<const uint8_t> packet) {
  if (S.LogLevel > 0) trace("Rcvd: " + HexDumpPacket(packet));
  if (logFile()) host_.writeLog("Rcvd[" + QString::number(packet.size()) + "] " + HexDumpPacket(packet));
  USBresponse(packet);
}

void WidgetLink::USBresponse(std::span<const uint8_t> reply) {
  const WidgetReplyEffect effect = readWidgetReply(reply_, reply);
  if (!effect.trace.isEmpty()) trace(effect.trace);
  if (!effect.unknownLabel) lastUnknownLabel_ = -1;
  if (effect.unknownLabel) {
    const QString text = "Unknown Response: " + QString::number(reply_.WidgetLabel);
    // The box waits for the operator while replies keep arriving: one box at a time, and a widget
    // repeating the same unknown reply gets one box for the run; the rest are only logged.
    const bool repeat = int(reply_.WidgetLabel) == lastUnknownLabel_;
    lastUnknownLabel_ = int(reply_.WidgetLabel);
    if (commsErrorShown_ || repeat) {
      host_.writeLog("Communications Error: " + text);
    } else {
      commsErrorShown_ = true;
      QPointer<WidgetLink> self(this);
      op_.ask("Communications Error", text, DialogIcon::Error, DialogButtons::Ok);
      if (!self) return;
      commsErrorShown_ = false;
    }
  }
  emit replyHandled(reply_.WidgetLabel);
}

void WidgetLink::ParseDMXIn(std::span<const uint8_t> bytes) {
  host_.toolLog(dmxInputLine(bytes, S.MaxChannels));
}
