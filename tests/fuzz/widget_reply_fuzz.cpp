// The widget's reply stream: framing by the reader, then each reply read into the link's state.
#include <cstddef>
#include <cstdint>
#include <span>

#include "console/output/widget_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte says where the stream is split between two reads.
  const size_t split = size > 1 ? data[0] % size : 0;
  std::span<const uint8_t> stream(data + 1, size - 1);
  WidgetReplyState state;
  WidgetReplyReader reader([&](std::span<const uint8_t> reply) { readWidgetReply(state, reply); });
  reader.feed(stream.first(std::min(split, stream.size())));
  reader.feed(stream.subspan(std::min(split, stream.size())));
  // A reply given directly, as the D2XX path hands them over.
  readWidgetReply(state, stream);
  return 0;
}
