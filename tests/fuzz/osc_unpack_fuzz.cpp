// Feeds arbitrary datagrams to the OSC decoder. A datagram is either rejected or decodes into a
// packet whose canonical encoding decodes again to the same encoding; a plain message keeps its
// address bytes (bytes above 127 read as "?"), and one that holds only "i", "f" and "s" arguments
// and nothing after them re-encodes to exactly the bytes it came from.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "console/remote/osc_codec.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void walk(TOSCPacket* packet) {
  if (auto* bundle = dynamic_cast<TOSCBundle*>(packet)) {
    for (std::size_t i = 0; i < bundle->PacketCount(); ++i) walk(bundle->Packet(i));
    return;
  }
  auto* message = dynamic_cast<TOSCMessage*>(packet);
  check(message != nullptr);
  check(message->Decode());
  check(message->TypeTags().size() == message->GetArgumentCount() + 1);
  for (std::size_t i = 0; i < message->GetArgumentCount(); ++i) {
    const std::string tag = message->GetTypeTag(i);
    const OscBytes& argument = message->GetArgument(i);
    if (tag == "i" || tag == "f") check(argument.size() == 4);
    volatile std::int32_t asInt = message->GetArgumentAsInt(i);
    volatile float asFloat = message->GetArgumentAsFloat(i);
    (void)asInt;
    (void)asFloat;
  }
  check(message->GetTypeTag(message->GetArgumentCount()).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> datagram(data, size);
  auto packet = TOSCPacket::Unpack(datagram);
  if (!packet) return 0;

  // Each message matches at most once until Unmatch.
  for (const char* address : {"/eos/user/0/chan/1", "/TC/time", "/vqlight", "/vqlight/play"}) {
    int matches = 0;
    while (TOSCMessage* message = packet->MatchAddress(address)) {
      check(message->Matched());
      check(++matches <= int(size / 4));
    }
    packet->Unmatch();
  }

  walk(packet.get());
  const OscBytes once = packet->ToOSCBytes();
  check(once.size() % 4 == 0);
  auto again = TOSCPacket::Unpack(once);
  check(again != nullptr);
  check(again->ToOSCBytes() == once);

  if (auto* message = dynamic_cast<TOSCMessage*>(packet.get())) {
    for (std::size_t i = 0; i < message->TypeTagOffset(); ++i)
      check(once[i] == data[i] || (data[i] > 127 && once[i] == '?'));
    if (message->TypeTagOffset() == size) {
      // A message without type tags gains the "," string when re-encoded.
      check(once.size() == size + 4);
    } else {
      // The type tags as sent; when they are the ones kept and nothing follows the arguments, the
      // bytes come back unchanged.
      std::size_t end = message->TypeTagOffset();
      while (end < size && data[end] != 0) ++end;
      const std::string sent(reinterpret_cast<const char*>(data) + message->TypeTagOffset(),
                             end - message->TypeTagOffset());
      check(once.size() <= size);
      if (sent == message->TypeTags() && once.size() == size)
        for (std::size_t i = message->TypeTagOffset(); i < size; ++i) check(once[i] == data[i]);
    }
  }
  return 0;
}
