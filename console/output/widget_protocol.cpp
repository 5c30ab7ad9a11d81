#include "console/output/widget_protocol.h"

#include <algorithm>

#include "console/engine/tavro_utils.h"

QByteArray widgetPacket(uint8_t label, QByteArrayView payload) {
  QByteArray packet;
  packet.reserve(3 + payload.size());
  packet.append(char(label));
  packet.append(char(payload.size() & 0xFF));
  packet.append(char((payload.size() >> 8) & 0xFF));
  packet.append(payload);
  return packet;
}

QByteArray frameWidgetPacket(QByteArrayView packet) {
  QByteArray frame;
  frame.reserve(packet.size() + 2);
  frame.append(char(kFrameStart));
  frame.append(packet);
  frame.append(char(kFrameEnd));
  return frame;
}

WidgetReplyReader::WidgetReplyReader(std::function<void(std::span<const uint8_t>)> reply,
                                     std::function<void()> oversized)
    : reply_(std::move(reply)), oversized_(std::move(oversized)) {}

void WidgetReplyReader::reset() {
  state_ = State::Start;
  expected_ = 0;
  have_ = 0;
}

void WidgetReplyReader::feed(std::span<const uint8_t> bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t b = bytes[i];
    switch (state_) {
      case State::Start:
        if (b == kFrameStart) {
          have_ = 0;
          state_ = State::Label;
        }
        ++i;
        break;
      case State::Label:
        buffer_[0] = b;
        have_ = 1;
        state_ = State::LengthLsb;
        ++i;
        break;
      case State::LengthLsb:
        buffer_[1] = b;
        have_ = 2;
        state_ = State::LengthMsb;
        ++i;
        break;
      case State::LengthMsb:
        buffer_[2] = b;
        have_ = 3;
        expected_ = buffer_[1] | (int(b) << 8);
        ++i;
        if (3 + expected_ > kMaxReplyLength) {
          // Not buffered: the length itself is taken as noise and the search starts again.
          state_ = State::Start;
          if (oversized_) oversized_();
        } else {
          state_ = expected_ == 0 ? State::End : State::Payload;
        }
        break;
      case State::Payload: {
        // Copy as much of the payload as this chunk holds in one go.
        const int want = 3 + expected_ - have_;
        const int take = int(std::min<size_t>(size_t(want), bytes.size() - i));
        std::copy_n(bytes.begin() + ptrdiff_t(i), take, buffer_.begin() + have_);
        have_ += take;
        i += size_t(take);
        if (have_ == 3 + expected_) state_ = State::End;
        break;
      }
      case State::End:
        state_ = State::Start;
        if (b == kFrameEnd) {
          ++i;
          if (reply_) reply_(std::span<const uint8_t>(buffer_.data(), size_t(have_)));
        }
        // A wrong end byte drops the frame; the byte is looked at again as a possible start.
        break;
    }
  }
}

namespace {
QString hex2(uint8_t b) { return QString::asprintf("%02X", b); }
}  // namespace

WidgetReplyEffect readWidgetReply(WidgetReplyState& state, std::span<const uint8_t> reply) {
  WidgetReplyEffect effect;
  state.FirmwareLow.clear();
  state.FirmwareHigh.clear();
  state.WidgetLabel = 0;
  if (reply.size() < 4) {
    state.WidgetLabel = -1;
    return effect;
  }
  if (reply.size() > size_t(kMaxReplyLength)) {
    state.WidgetLabel = -3;
    return effect;
  }
  const int label = reply[0];
  state.WidgetLabel = label;
  // The payload is what the length announces, cut to what actually arrived.
  const size_t announced = size_t(reply[1] | (reply[2] << 8));
  const std::span<const uint8_t> payload = reply.subspan(3, std::min(announced, reply.size() - 3));
  switch (label) {
    case UsbProLabel::GetParameters:
    case UsbProLabel::Mk2Parameters:
      if (payload.size() >= 1) state.FirmwareLow = QString::number(payload[0]);
      if (payload.size() >= 2) state.FirmwareHigh = QString::number(payload[1]);
      effect.trace = "Firmware: " + state.FirmwareHigh.trimmed() + "." + state.FirmwareLow.trimmed();
      break;
    case UsbProLabel::ReceivedDmx:
      effect.trace = "DMX in: " + HexDumpPacket(reply);
      break;
    case UsbProLabel::ReceiveState:
      effect.trace = "State: " + HexDumpPacket(reply);
      break;
    case UsbProLabel::GetSerialNumber:
      if (payload.size() >= 4) {
        // The widget sends the number least significant byte first.
        state.WidgetSerial = hex2(payload[3]) + hex2(payload[2]) + hex2(payload[1]) + hex2(payload[0]);
        effect.trace = "Serial number:  " + state.WidgetSerial;
      } else {
        state.WidgetLabel = -1;
        state.WidgetSerial.clear();
      }
      break;
    case UsbProLabel::PortsReport:
      effect.trace = "Ports: " + QString::number(reply[1]) + " " + QString::number(reply[2]);
      break;
    default:
      effect.unknownLabel = true;
      break;
  }
  return effect;
}

QString dmxInputLine(std::span<const uint8_t> bytes, int maxChannels) {
  std::span<const uint8_t> data;
  for (size_t p = 0; p + 1 < bytes.size(); ++p) {
    if (bytes[p] != kFrameStart || bytes[p + 1] != UsbProLabel::ReceivedDmx) continue;
    // After start byte, label, two length bytes, the receive-status byte and the start code.
    const size_t first = p + 6;
    if (first >= bytes.size() || p + 3 >= bytes.size()) break;
    const int announced = bytes[p + 2] | (bytes[p + 3] << 8);
    const size_t count = size_t(std::max(0, std::min(announced - 2, maxChannels)));
    data = bytes.subspan(first, std::min(count, bytes.size() - first));
    break;
  }
  return "DMX in: " + HexDumpPacket(data);
}

QString HexDumpPacket(std::span<const uint8_t> bytes) {
  return QString::fromLatin1(
      HexDump(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
}
