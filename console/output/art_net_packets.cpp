#include "console/output/art_net_packets.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr char kArtNetId[8] = {'A', 'r', 't', '-', 'N', 'e', 't', '\0'};
constexpr int kProtocolVersion = 14;
constexpr int kAddressOffset = 10;
constexpr int kLongNameOffset = 44;
constexpr int kLongNameSize = 64;

void writeHeader(uint8_t* packet, uint16_t opCode) {
  std::memcpy(packet, kArtNetId, sizeof kArtNetId);
  packet[8] = uint8_t(opCode & 0xFF);
  packet[9] = uint8_t(opCode >> 8);
  packet[10] = 0;
  packet[11] = kProtocolVersion;
}
}  // namespace

void CreateArtPoll(TMArtPollPacket& packet) {
  packet.fill(0);
  writeHeader(packet.data(), kOpPoll);
  packet[12] = 0;  // TalkToMe
  packet[13] = 0;  // Pad
}

void CreateArtDmx(TMArtDmxPacket& packet, int subnet, int universe, std::span<const uint8_t> data) {
  packet.fill(0);
  writeHeader(packet.data(), kOpDmx);
  packet[12] = 0;  // Sequence: not used
  packet[13] = 1;  // Physical
  packet[14] = uint8_t((subnet & 15) * 16 + (universe & 15));
  packet[15] = 0;  // Net
  packet[16] = uint8_t(kArtDmxSlots >> 8);
  packet[17] = uint8_t(kArtDmxSlots & 0xFF);
  std::memcpy(packet.data() + 18, data.data(), std::min<size_t>(data.size(), kArtDmxSlots));
}

bool isArtPoll(std::span<const uint8_t> packet) {
  return packet.size() >= 10 && (packet[8] | (packet[9] << 8)) == kOpPollReply;
}

std::optional<ArtPollReply> parseArtPollReply(std::span<const uint8_t> packet) {
  // The OpCode alone makes a reply: the ID is not read.
  if (packet.size() < size_t(kArtPollReplyReadSize) || !isArtPoll(packet)) return std::nullopt;
  ArtPollReply reply;
  const uint8_t* a = packet.data() + kAddressOffset;
  reply.address = QString("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
  const auto* name = reinterpret_cast<const char*>(packet.data() + kLongNameOffset);
  const auto length = qsizetype(std::find(name, name + kLongNameSize, '\0') - name);
  reply.longName = QString::fromLatin1(name, length);
  return reply;
}
