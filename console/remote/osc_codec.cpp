#include "console/remote/osc_codec.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "console/remote/osc_pattern.h"

namespace {

void appendBigEndian32(OscBytes& out, std::uint32_t value) {
  out.push_back(std::uint8_t(value >> 24));
  out.push_back(std::uint8_t(value >> 16));
  out.push_back(std::uint8_t(value >> 8));
  out.push_back(std::uint8_t(value));
}

void append(OscBytes& out, const OscBytes& more) { out.insert(out.end(), more.begin(), more.end()); }

std::array<std::uint8_t, 4> hostBytes(std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes;
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

std::uint32_t fromHostBytes(const OscBytes& bytes) {
  std::uint8_t word[4] = {0, 0, 0, 0};
  if (!bytes.empty()) std::memcpy(word, bytes.data(), std::min<std::size_t>(bytes.size(), 4));
  std::uint32_t value;
  std::memcpy(&value, word, 4);
  return value;
}

std::optional<std::uint32_t> readBigEndian32(std::span<const std::uint8_t> bytes, std::size_t& offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return std::nullopt;
  const std::uint8_t* p = bytes.data() + offset;
  offset += 4;
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}

// Received addresses are taken as ASCII: a byte above 127 becomes "?".
std::string asciiText(const std::string& raw) {
  std::string text = raw;
  for (char& c : text)
    if (static_cast<unsigned char>(c) > 127) c = '?';
  return text;
}

// Skips `size` bytes of argument data; false when they run past the end.
bool skipData(std::span<const std::uint8_t> bytes, std::size_t& offset, std::size_t size) {
  if (offset > bytes.size() || bytes.size() - offset < size) return false;
  offset += size;
  return true;
}

// Reads (and, when the outputs are given, stores) the type tags and the arguments of a message
// whose type-tag string starts at offset. Only "i", "f" and "s" become arguments, and the stored
// type tags are theirs (so the message re-encodes to what it holds); the other types whose data OSC
// fixes are stepped over so that the arguments after them keep their values and tags, and a type of
// unknown size ends the reading (the arguments before it stay). Bytes after the last argument are
// not looked at. A message with nothing after its address has no arguments.
bool scanArguments(std::span<const std::uint8_t> bytes, std::size_t offset, std::string* typeTags,
                   std::vector<OscBytes>* arguments) {
  if (offset == bytes.size()) {
    if (typeTags) typeTags->assign(1, ',');
    return true;
  }
  const std::optional<std::string> tags = ReadOscString(bytes, offset);
  if (!tags || tags->empty() || (*tags)[0] != ',') return false;
  std::string kept(1, ',');
  bool known = true;
  for (std::size_t i = 1; i < tags->size() && known; ++i) {
    const char tag = (*tags)[i];
    switch (tag) {
      case 'i':
      case 'f': {
        const auto word = ReadOscWord(bytes, offset);
        if (!word) return false;
        if (arguments) arguments->emplace_back(word->begin(), word->end());
        kept.push_back(tag);
        break;
      }
      case 's': {
        const auto text = ReadOscString(bytes, offset);
        if (!text) return false;
        if (arguments) arguments->emplace_back(text->begin(), text->end());
        kept.push_back(tag);
        break;
      }
      case 'S':  // symbol: a padded string
        if (!ReadOscString(bytes, offset)) return false;
        break;
      case 'c':  // character
      case 'r':  // colour
      case 'm':  // MIDI message
        if (!skipData(bytes, offset, 4)) return false;
        break;
      case 'h':  // 64-bit integer
      case 't':  // time tag
      case 'd':  // double
        if (!skipData(bytes, offset, 8)) return false;
        break;
      case 'b': {  // blob: a size word, the bytes, padding to a multiple of 4
        const auto size = readBigEndian32(bytes, offset);
        if (!size || *size > 0x7FFFFFFFu) return false;
        if (!skipData(bytes, offset, (std::size_t(*size) + 3) & ~std::size_t(3))) return false;
        break;
      }
      case 'T':  // true, false, nil, infinitum and array brackets carry no data
      case 'F':
      case 'N':
      case 'I':
      case '[':
      case ']':
        break;
      default:
        // An argument of a type we cannot size would shift every later argument: they are dropped.
        known = false;
        break;
    }
  }
  if (typeTags) *typeTags = std::move(kept);
  return true;
}

bool parseInt32(const std::string& text, std::int32_t& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return false;
  }
  const auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

bool parseFloat(const std::string& text, char decimalSeparator, float& value) {
  std::string plain = text;
  for (char& c : plain) {
    if (c == decimalSeparator)
      c = '.';
    else if (c == '.')
      return false;  // not the decimal separator of this format
  }
  const char* first = plain.data();
  const char* last = plain.data() + plain.size();
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return false;
  }
  double number = 0;
  const auto [ptr, ec] = std::from_chars(first, last, number, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(number)) return false;
  if (std::fabs(number) > double(std::numeric_limits<float>::max())) return false;
  value = float(number);
  return true;
}

}  // namespace

// ---- Byte helpers ----------------------------------------------------------------------------

OscBytes PackOscInt(std::int32_t value) {
  OscBytes out;
  out.reserve(4);
  appendBigEndian32(out, std::uint32_t(value));
  return out;
}

OscBytes PackOscFloat(float value) {
  OscBytes out;
  out.reserve(4);
  appendBigEndian32(out, std::bit_cast<std::uint32_t>(value));
  return out;
}

OscBytes PackOscString(const std::string& text) {
  OscBytes out(text.begin(), text.end());
  out.resize((text.size() / 4 + 1) * 4, 0);
  return out;
}

std::optional<std::array<std::uint8_t, 4>> ReadOscWord(std::span<const std::uint8_t> bytes,
                                                       std::size_t& offset) {
  const auto value = readBigEndian32(bytes, offset);
  if (!value) return std::nullopt;
  return hostBytes(*value);
}

std::optional<std::int32_t> ReadOscInt(std::span<const std::uint8_t> bytes, std::size_t& offset) {
  const auto value = readBigEndian32(bytes, offset);
  if (!value) return std::nullopt;
  return std::int32_t(*value);
}

std::optional<std::string> ReadOscString(std::span<const std::uint8_t> bytes, std::size_t& offset) {
  if (offset >= bytes.size()) return std::nullopt;
  const std::uint8_t* begin = bytes.data() + offset;
  const void* nul = std::memchr(begin, 0, bytes.size() - offset);
  if (!nul) return std::nullopt;
  const std::size_t nulAt = std::size_t(static_cast<const std::uint8_t*>(nul) - bytes.data());
  const std::size_t next = (nulAt & ~std::size_t(3)) + 4;
  if (next > bytes.size()) return std::nullopt;
  for (std::size_t i = nulAt + 1; i < next; ++i)
    if (bytes[i] != 0) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(begin), nulAt - offset);
  offset = next;
  return text;
}

std::optional<std::uint64_t> ReadOscTimeTag(std::span<const std::uint8_t> bytes, std::size_t& offset) {
  std::size_t at = offset;
  const auto seconds = readBigEndian32(bytes, at);
  if (!seconds) return std::nullopt;
  const auto fraction = readBigEndian32(bytes, at);
  if (!fraction) return std::nullopt;
  offset = at;
  return (std::uint64_t(*seconds) << 32) | *fraction;
}

double OscTimeTagToSeconds(std::uint64_t timeTag) {
  return double(timeTag >> 32) + double(timeTag & 0xFFFFFFFFu) / 4294967296.0;
}

// ---- TOSCPacket --------------------------------------------------------------------------------

std::unique_ptr<TOSCPacket> TOSCPacket::Unpack(std::span<const std::uint8_t> datagram) {
  auto bytes = std::make_shared<const OscBytes>(datagram.begin(), datagram.end());
  return unpackElement(bytes, 0, bytes->size(), 0, 0);
}

std::unique_ptr<TOSCPacket> TOSCPacket::Unpack(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                               double timeTag) {
  return unpackElement(bytes, offset, end, timeTag, 0);
}

std::unique_ptr<TOSCPacket> TOSCPacket::unpackElement(const SharedBytes& bytes, std::size_t offset,
                                                      std::size_t end, double timeTag, int depth) {
  if (!bytes || end > bytes->size() || offset >= end) return nullptr;
  if ((*bytes)[offset] == '#') return TOSCBundle::unpackAt(bytes, offset, end, depth);
  return TOSCMessage::Unpack(bytes, offset, end, timeTag);
}

// ---- TOSCMessage -------------------------------------------------------------------------------

TOSCMessage::TOSCMessage(std::string address) : TOSCPacket(nullptr), FAddress(std::move(address)) {}

TOSCMessage::TOSCMessage(SharedBytes bytes, std::size_t end) : TOSCPacket(std::move(bytes)), end_(end) {}

std::unique_ptr<TOSCMessage> TOSCMessage::Unpack(const SharedBytes& bytes, std::size_t offset,
                                                 std::size_t end, double timeTag) {
  if (!bytes || end > bytes->size() || offset >= end) return nullptr;
  const std::span<const std::uint8_t> data(bytes->data(), end);
  std::size_t at = offset;
  const std::optional<std::string> address = ReadOscString(data, at);
  if (!address) return nullptr;
  if (!scanArguments(data, at, nullptr, nullptr)) return nullptr;
  std::unique_ptr<TOSCMessage> message(new TOSCMessage(bytes, end));
  message->FAddress = asciiText(*address);
  message->FTimeTag = timeTag;
  message->FTypeTagOffset = at;
  return message;
}

bool TOSCMessage::Decode() {
  if (FIsDecoded || !FBytes) return true;
  std::string typeTags;
  std::vector<OscBytes> arguments;
  if (!scanArguments(std::span<const std::uint8_t>(FBytes->data(), end_), FTypeTagOffset, &typeTags,
                     &arguments))
    return false;
  FTypeTags = std::move(typeTags);
  FArguments = std::move(arguments);
  FIsDecoded = true;
  return true;
}

void TOSCMessage::addArgument(char tag, OscBytes value) {
  FTypeTags.push_back(tag);
  FArguments.push_back(std::move(value));
}

void TOSCMessage::AddInteger(std::int32_t value) {
  const auto bytes = hostBytes(std::uint32_t(value));
  addArgument('i', OscBytes(bytes.begin(), bytes.end()));
}

void TOSCMessage::AddFloat(float value) {
  const auto bytes = hostBytes(std::bit_cast<std::uint32_t>(value));
  addArgument('f', OscBytes(bytes.begin(), bytes.end()));
}

void TOSCMessage::AddString(const std::string& value) {
  addArgument('s', OscBytes(value.begin(), value.end()));
}

int TOSCMessage::AddAsBytes(const std::string& typeTag, const std::string& value,
                            const OscFormatSettings& formatSettings) {
  if (typeTag == "f") {
    float number;
    if (!parseFloat(value, formatSettings.DecimalSeparator, number)) return 2;
    AddFloat(number);
    return 0;
  }
  if (typeTag == "i") {
    std::int32_t number;
    if (!parseInt32(value, number)) return 2;
    AddInteger(number);
    return 0;
  }
  if (typeTag == "s") {
    AddString(value);
    return 0;
  }
  return 1;
}

const OscBytes& TOSCMessage::GetArgument(std::size_t index) const {
  if (index >= FArguments.size()) throw std::out_of_range("OSC argument index out of range");
  return FArguments[index];
}

std::int32_t TOSCMessage::GetArgumentAsInt(std::size_t index) const {
  return std::int32_t(fromHostBytes(GetArgument(index)));
}

float TOSCMessage::GetArgumentAsFloat(std::size_t index) const {
  return std::bit_cast<float>(fromHostBytes(GetArgument(index)));
}

std::string TOSCMessage::GetTypeTag(std::size_t index) const {
  if (index + 1 >= FTypeTags.size()) return {};
  return std::string(1, FTypeTags[index + 1]);
}

TOSCMessage* TOSCMessage::MatchAddress(const std::string& address) {
  if (FMatched) return nullptr;
  if (!OscPatternMatch(FAddress, address)) return nullptr;
  FMatched = true;
  return this;
}

OscBytes TOSCMessage::ToOSCBytes() {
  Decode();
  OscBytes out = PackOscString(FAddress);
  append(out, PackOscString(FTypeTags));
  for (std::size_t i = 0; i < FArguments.size(); ++i) {
    const OscBytes& argument = FArguments[i];
    if (GetTypeTag(i) == "s")
      append(out, PackOscString(std::string(argument.begin(), argument.end())));
    else
      appendBigEndian32(out, fromHostBytes(argument));
  }
  return out;
}

// ---- TOSCBundle --------------------------------------------------------------------------------

std::unique_ptr<TOSCBundle> TOSCBundle::Unpack(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                               double /*timeTag*/) {
  return unpackAt(bytes, offset, end, 0);
}

std::unique_ptr<TOSCBundle> TOSCBundle::unpackAt(const SharedBytes& bytes, std::size_t offset,
                                                 std::size_t end, int depth) {
  if (!bytes || end > bytes->size() || offset >= end || depth >= kMaxBundleDepth) return nullptr;
  const std::span<const std::uint8_t> data(bytes->data(), end);
  std::size_t at = offset;
  // The "#bundle" text itself is not compared: a leading "#" is what makes a bundle.
  if (!ReadOscString(data, at)) return nullptr;
  const auto timeTag = ReadOscTimeTag(data, at);
  if (!timeTag) return nullptr;
  const double seconds = OscTimeTagToSeconds(*timeTag);
  std::unique_ptr<TOSCBundle> bundle(new TOSCBundle(bytes));
  while (at < end) {
    const auto size = ReadOscInt(data, at);
    if (!size || *size < 4 || *size % 4 != 0 || std::size_t(*size) > end - at) return nullptr;
    auto element = unpackElement(bytes, at, at + std::size_t(*size), seconds, depth + 1);
    if (!element) return nullptr;
    bundle->FPackets.push_back(std::move(element));
    at += std::size_t(*size);
  }
  return bundle;
}

void TOSCBundle::Add(std::unique_ptr<TOSCPacket> packet) {
  if (packet) FPackets.push_back(std::move(packet));
}

TOSCMessage* TOSCBundle::MatchAddress(const std::string& address) {
  for (const auto& packet : FPackets)
    if (TOSCMessage* message = packet->MatchAddress(address)) return message;
  return nullptr;
}

void TOSCBundle::Unmatch() {
  for (const auto& packet : FPackets) packet->Unmatch();
}

OscBytes TOSCBundle::ToOSCBytes() {
  OscBytes out = PackOscString("#bundle");
  appendBigEndian32(out, 0);
  appendBigEndian32(out, 1);  // "immediately"
  for (const auto& packet : FPackets) {
    const OscBytes element = packet->ToOSCBytes();
    appendBigEndian32(out, std::uint32_t(element.size()));
    append(out, element);
  }
  return out;
}
