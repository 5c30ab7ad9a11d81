#pragma once

// The Art-Net packets the console speaks (protocol version 14): ArtPoll and ArtDmx are built,
// ArtPollReply is read. Pure functions over bytes; nothing here touches a socket.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr quint16 kArtNetPort = 6454;
inline constexpr uint16_t kOpPoll = 0x2000;
inline constexpr uint16_t kOpPollReply = 0x2100;
inline constexpr uint16_t kOpDmx = 0x5000;
inline constexpr int kArtPollSize = 14;
inline constexpr int kArtDmxSize = 530;
inline constexpr int kArtDmxSlots = 512;
// An ArtPollReply is read up to the end of its long name.
inline constexpr int kArtPollReplyReadSize = 108;

using TMArtPollPacket = std::array<uint8_t, kArtPollSize>;
using TMArtDmxPacket = std::array<uint8_t, kArtDmxSize>;

// "Art-Net", a zero byte, OpCode 0x2000, protocol version 0/14, TalkToMe 0, Pad 0.
void CreateArtPoll(TMArtPollPacket& packet);
// "Art-Net", a zero byte, OpCode 0x5000, protocol version 0/14, Sequence 0, Physical 1, SubUni from
// the low four bits of subnet and universe, Net 0, Length 512 (big-endian), then 512 slots: the
// first 512 bytes of `data`, zeros past its end.
void CreateArtDmx(TMArtDmxPacket& packet, int subnet, int universe, std::span<const uint8_t> data);

// The OpCode (bytes 8-9, little-endian) is that of an ArtPollReply. Shorter datagrams are not.
bool isArtPoll(std::span<const uint8_t> packet);

// What the console reads from an ArtPollReply.
struct ArtPollReply {
  QString address;   // the node's IPv4 address, dotted decimal
  QString longName;  // up to the first zero byte, at most 64 characters
};
// An ArtPollReply that starts with the Art-Net ID and holds every field read; anything else
// (shorter, another OpCode, another ID) gives nothing.
std::optional<ArtPollReply> parseArtPollReply(std::span<const uint8_t> packet);
