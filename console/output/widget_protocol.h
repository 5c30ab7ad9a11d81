#pragma once

// The serial protocol of the USB Pro class DMX widgets. Every message, in either direction, is one
// frame: 0x7E, a label, the payload length as 16 bits least significant byte first, the payload,
// 0xE7. This file holds the pure part: building frames, cutting a byte stream into replies and
// reading what a reply says. Nothing here touches a port.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// Labels spoken with the widget.
namespace UsbProLabel {
inline constexpr uint8_t GetParameters = 3;       // parameters request and reply
inline constexpr uint8_t ReceivedDmx = 5;         // DMX input from the widget
inline constexpr uint8_t SendDmx = 6;             // DMX output, first universe
inline constexpr uint8_t ReceiveDmxRequest = 8;   // ask the widget to read DMX input
inline constexpr uint8_t ReceiveState = 9;        // widget state report
inline constexpr uint8_t GetSerialNumber = 10;    // serial number request and reply
inline constexpr uint8_t Mk2ApiKey = 13;          // Pro Mk2 API key, sent first on open
inline constexpr uint8_t DmxKingUniverse1 = 100;  // DMXking output, addresses 1-512
inline constexpr uint8_t DmxKingUniverse2 = 101;  // DMXking output, addresses 513-1024
inline constexpr uint8_t PortsReport = 130;       // port report
inline constexpr uint8_t Mk2Parameters = 193;     // Pro Mk2 parameters request and reply
inline constexpr uint8_t Mk2PortAssign = 203;     // Pro Mk2 port assignment
inline constexpr uint8_t Mk2SendDmxPort2 = 230;   // DMX output on the Pro Mk2's second port
}  // namespace UsbProLabel

inline constexpr uint8_t kFrameStart = 0x7E;
inline constexpr uint8_t kFrameEnd = 0xE7;
// A DMX frame carries the start code and at most 512 slots.
inline constexpr int kUniverseSlots = 512;
// A reply, counted from its label to its last payload byte, is at most this long.
inline constexpr int kMaxReplyLength = 600;
// The widest frame sent: start byte, label, two length bytes, start code, 512 slots, end byte.
inline constexpr int kMaxDmxFrameBytes = 4 + 1 + kUniverseSlots + 1;
// The Pro Mk2's API key.
inline constexpr std::array<uint8_t, 4> kMk2ApiKey{0x3F, 0x61, 0xA2, 0x9C};

// A packet is label, length LSB, length MSB and payload; a frame is the packet between 0x7E and 0xE7.
QByteArray widgetPacket(uint8_t label, QByteArrayView payload);
QByteArray frameWidgetPacket(QByteArrayView packet);
inline QByteArray widgetFrame(uint8_t label, QByteArrayView payload) {
  return frameWidgetPacket(widgetPacket(label, payload));
}

// One DMX frame built in place, so sending needs no allocation: 0x7E, label, length, start code 0,
// the slots, 0xE7.
class DmxFrame {
 public:
  // Builds the frame around `slotCount` slots written by `fill` into the span it is given.
  template <typename Fill>
  void build(uint8_t label, int slotCount, Fill&& fill) {
    const int payload = slotCount + 1;
    bytes_[0] = kFrameStart;
    bytes_[1] = label;
    bytes_[2] = uint8_t(payload & 0xFF);
    bytes_[3] = uint8_t(payload >> 8);
    bytes_[4] = 0;  // start code
    fill(std::span<uint8_t>(bytes_.data() + 5, size_t(slotCount)));
    bytes_[size_t(5 + slotCount)] = kFrameEnd;
    size_ = size_t(6 + slotCount);
  }
  std::span<const uint8_t> frame() const { return {bytes_.data(), size_}; }
  // Label to last slot: what the log file shows of a frame.
  std::span<const uint8_t> packet() const { return {bytes_.data() + 1, size_ - 2}; }
  std::span<const uint8_t> dmxSlots() const { return {bytes_.data() + 5, size_ - 6}; }
  uint8_t lengthLsb() const { return bytes_[2]; }
  uint8_t lengthMsb() const { return bytes_[3]; }

 private:
  std::array<uint8_t, kMaxDmxFrameBytes> bytes_{};
  size_t size_ = 0;
};

// Cuts the byte stream from a widget into replies. Length-driven: a frame's end is found from its
// length field, so payload bytes equal to 0x7E or 0xE7 (DMX input levels of 126 and 231) arrive whole.
// It resumes mid-frame across calls, drops a frame whose length would exceed kMaxReplyLength without
// buffering it, and drops a frame whose end byte is not 0xE7. Bytes between frames are skipped.
class WidgetReplyReader {
 public:
  // `reply` runs for each whole frame with the frame minus its start and end bytes (label first).
  // `oversized` runs when a frame announces a length that is too long.
  explicit WidgetReplyReader(std::function<void(std::span<const uint8_t> reply)> reply = {},
                             std::function<void()> oversized = {});
  void setReplyHandler(std::function<void(std::span<const uint8_t>)> reply) { reply_ = std::move(reply); }
  void setOversizedHandler(std::function<void()> oversized) { oversized_ = std::move(oversized); }
  void feed(std::span<const uint8_t> bytes);
  // Forgets a frame in progress (a port was opened or closed).
  void reset();

 private:
  enum class State { Start, Label, LengthLsb, LengthMsb, Payload, End };
  std::function<void(std::span<const uint8_t>)> reply_;
  std::function<void()> oversized_;
  State state_ = State::Start;
  int expected_ = 0;  // payload bytes announced
  int have_ = 0;      // bytes of the reply held (label, length, payload)
  std::array<uint8_t, kMaxReplyLength> buffer_{};
};

// What the last reply said, as the link keeps it.
struct WidgetReplyState {
  // Outcome of the last reply: 0 while one is parsed, -1 too short, -3 too long, else its label.
  int WidgetLabel = 0;
  QString WidgetSerial;  // serial number of the last label-10 reply, 8 upper-case hex digits
  QString FirmwareLow;
  QString FirmwareHigh;
};

// What the link does with one reply besides updating the state.
struct WidgetReplyEffect {
  QString trace;              // a line for the inspection tool's log, empty for none
  bool unknownLabel = false;  // the "Communications Error" box is due
};

// Reads one reply (label first, no start or end byte) into `state`. Short or malformed replies are
// bounds-checked: payload bytes are taken from what is present, never past the reply's end.
WidgetReplyEffect readWidgetReply(WidgetReplyState& state, std::span<const uint8_t> reply);

// The DMX slots of a label-5 frame found in raw bytes read from the widget (start byte included),
// as the inspection tool shows them: "DMX in: " + hex dump of up to `maxChannels` slots.
QString dmxInputLine(std::span<const uint8_t> bytes, int maxChannels);

// The helper unit's hex dump of a byte span ("7E 06 ... ", "* " after every 50th byte).
QString HexDumpPacket(std::span<const uint8_t> bytes);
