#pragma once

// Open Sound Control 1.0 packets: messages and bundles, big-endian 32-bit words, strings padded
// to 4 bytes. Only the argument types "i" (32-bit integer), "f" (32-bit float) and "s" (string)
// are supported.
//
// Received datagrams come from the network, so the decoder trusts nothing in them: every string,
// word and bundle element is read only inside the bytes of the element that holds it, and a
// datagram that is not a well-formed packet (truncated, wrong element size, string without its
// NUL, non-zero padding, unsupported type tag, bytes left over) is rejected as a whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

using OscBytes = std::vector<std::uint8_t>;

// ---- Byte helpers ----------------------------------------------------------------------------

// 4 bytes, most significant first.
OscBytes PackOscInt(std::int32_t value);
// The float's IEEE single-precision bit pattern, most significant byte first.
OscBytes PackOscFloat(float value);
// The text's UTF-8 bytes followed by 1 to 4 NUL bytes, so that the length is a multiple of 4.
OscBytes PackOscString(const std::string& text);

// The readers take the data bounded to the element being read (offsets count from the start of
// the datagram). On success they advance `offset`; on failure they leave it as it was.

// The 4 bytes at offset in host order (the order a std::int32_t or float is read from).
std::optional<std::array<std::uint8_t, 4>> ReadOscWord(std::span<const std::uint8_t> bytes,
                                                       std::size_t& offset);
// A signed 32-bit big-endian integer.
std::optional<std::int32_t> ReadOscInt(std::span<const std::uint8_t> bytes, std::size_t& offset);
// The bytes from offset up to (not including) the next NUL; offset moves past the padding. Fails
// when the NUL or the padding is not inside the data, or a padding byte is not NUL.
std::optional<std::string> ReadOscString(std::span<const std::uint8_t> bytes, std::size_t& offset);
// A bundle time tag: seconds since 1900 in the high 32 bits, fraction in units of 2^-32 s in the low.
std::optional<std::uint64_t> ReadOscTimeTag(std::span<const std::uint8_t> bytes, std::size_t& offset);
// The time tag in seconds.
double OscTimeTagToSeconds(std::uint64_t timeTag);

// ---- Packets -----------------------------------------------------------------------------------

class TOSCMessage;

// Number formats for AddAsBytes.
struct OscFormatSettings {
  char DecimalSeparator = '.';
};

class TOSCPacket {
 public:
  // The received datagram, shared by every element unpacked from it.
  using SharedBytes = std::shared_ptr<const OscBytes>;

  virtual ~TOSCPacket() = default;
  TOSCPacket(const TOSCPacket&) = delete;
  TOSCPacket& operator=(const TOSCPacket&) = delete;

  // Unpacks a whole datagram: a bundle when its first byte is "#", otherwise a message. Returns
  // nullptr when the datagram is not a well-formed packet.
  static std::unique_ptr<TOSCPacket> Unpack(std::span<const std::uint8_t> datagram);
  // Unpacks the element that starts at offset and ends at end (exclusive) of bytes.
  static std::unique_ptr<TOSCPacket> Unpack(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                            double timeTag);

  // The first message (in order) whose address pattern matches the address and that has not been
  // returned before (until Unmatch); nullptr when there is none.
  virtual TOSCMessage* MatchAddress(const std::string& address) = 0;
  // The packet's OSC bytes, canonically encoded.
  virtual OscBytes ToOSCBytes() = 0;
  // Clears the matched marks.
  virtual void Unmatch() = 0;

  // A datagram with bundles nested more than this many levels deep is rejected, so it cannot drive
  // the decoder (or the recursive walks over a packet) arbitrarily deep.
  static constexpr int kMaxBundleDepth = 32;

 protected:
  explicit TOSCPacket(SharedBytes bytes) : FBytes(std::move(bytes)) {}
  static std::unique_ptr<TOSCPacket> unpackElement(const SharedBytes& bytes, std::size_t offset,
                                                   std::size_t end, double timeTag, int depth);

  SharedBytes FBytes;  // empty for a packet built in memory
};

class TOSCMessage : public TOSCPacket {
 public:
  // A new, empty message to be filled.
  explicit TOSCMessage(std::string address);

  // Reads the address of the message at [offset, end) and checks that its type tags and arguments
  // are well-formed; the arguments themselves are read by Decode. nullptr when malformed.
  static std::unique_ptr<TOSCMessage> Unpack(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                             double timeTag);

  void AddInteger(std::int32_t value);
  void AddFloat(float value);
  void AddString(const std::string& value);
  // Converts the text by the tag ("f" a float in the given number format, "i" a decimal integer,
  // "s" the text as it is) and adds it: 0 on success, 1 for any other tag, 2 when the text does not
  // convert; nothing is added unless the result is 0.
  int AddAsBytes(const std::string& typeTag, const std::string& value,
                 const OscFormatSettings& formatSettings);

  // Reads the type tags and arguments of a received message (once). A message built in memory
  // already holds its arguments. False only if the bytes do not decode.
  bool Decode();

  const std::string& Address() const { return FAddress; }
  bool IsDecoded() const { return FIsDecoded; }
  bool Matched() const { return FMatched; }
  double TimeTag() const { return FTimeTag; }
  std::size_t TypeTagOffset() const { return FTypeTagOffset; }

  // Argument bytes: "i" and "f" arguments hold their 4 bytes in host order, "s" arguments the
  // string's bytes without NUL and padding. An index at or past the count throws std::out_of_range.
  const OscBytes& GetArgument(std::size_t index) const;
  // The argument's first four bytes read as an integer or float (missing bytes read as 0).
  std::int32_t GetArgumentAsInt(std::size_t index) const;
  float GetArgumentAsFloat(std::size_t index) const;
  std::size_t GetArgumentCount() const { return FArguments.size(); }
  // The type-tag letter of argument index ("i", "f" or "s"); empty past the last tag.
  std::string GetTypeTag(std::size_t index) const;
  // The type-tag string including its leading ",".
  const std::string& TypeTags() const { return FTypeTags; }

  TOSCMessage* MatchAddress(const std::string& address) override;
  OscBytes ToOSCBytes() override;
  void Unmatch() override { FMatched = false; }

 private:
  TOSCMessage(SharedBytes bytes, std::size_t end);
  void addArgument(char tag, OscBytes value);

  std::string FAddress;
  std::vector<OscBytes> FArguments;
  bool FIsDecoded = false;
  bool FMatched = false;
  double FTimeTag = 0;
  std::size_t FTypeTagOffset = 0;
  std::string FTypeTags = ",";
  std::size_t end_ = 0;  // end (exclusive) of this message's bytes in FBytes
};

class TOSCBundle : public TOSCPacket {
 public:
  // A new, empty bundle (time tag "immediately" when encoded).
  TOSCBundle() : TOSCPacket(nullptr) {}

  // Unpacks the bundle at [offset, end) with all its elements; nullptr when malformed.
  static std::unique_ptr<TOSCBundle> Unpack(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                            double timeTag);

  // Appends a packet; the bundle owns it.
  void Add(std::unique_ptr<TOSCPacket> packet);
  std::size_t PacketCount() const { return FPackets.size(); }
  TOSCPacket* Packet(std::size_t index) const { return FPackets.at(index).get(); }

  TOSCMessage* MatchAddress(const std::string& address) override;
  OscBytes ToOSCBytes() override;
  void Unmatch() override;

 private:
  friend class TOSCPacket;
  explicit TOSCBundle(SharedBytes bytes) : TOSCPacket(std::move(bytes)) {}
  static std::unique_ptr<TOSCBundle> unpackAt(const SharedBytes& bytes, std::size_t offset, std::size_t end,
                                              int depth);

  std::vector<std::unique_ptr<TOSCPacket>> FPackets;
};
