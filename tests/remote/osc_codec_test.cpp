#include "console/remote/osc_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

using namespace std::string_literals;

namespace {

OscBytes B(const std::string& raw) { return OscBytes(raw.begin(), raw.end()); }

std::string text(const OscBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string be32(std::uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// The 24-byte message "/vqlight" with the one string argument "play 3".
const std::string kPlay3 =
    "/vqlight\0\0\0\0"s  // address, 8 characters + 4 NULs
    ",s\0\0"s            // type tags
    "play 3\0\0"s;       // argument, 6 characters + 2 NULs

std::string bundleHeader(std::uint32_t seconds = 0, std::uint32_t fraction = 1) {
  return "#bundle\0"s + be32(seconds) + be32(fraction);
}

std::string element(const std::string& bytes) { return be32(std::uint32_t(bytes.size())) + bytes; }

TOSCMessage* asMessage(const std::unique_ptr<TOSCPacket>& packet) {
  return dynamic_cast<TOSCMessage*>(packet.get());
}

}  // namespace

TEST(OscBytesTest, PacksNumbersBigEndianAndPadsStrings) {
  EXPECT_EQ(PackOscString("abc"), B("abc\0"s));
  EXPECT_EQ(PackOscString("abcd"), B("abcd\0\0\0\0"s));
  EXPECT_EQ(PackOscString(""), B("\0\0\0\0"s));
  EXPECT_EQ(PackOscString("caf\xC3\xA9"), B("caf\xC3\xA9\0\0\0"s));  // UTF-8 bytes are counted
  EXPECT_EQ(PackOscInt(1), B("\0\0\0\x01"s));
  EXPECT_EQ(PackOscInt(-2), B("\xFF\xFF\xFF\xFE"s));
  EXPECT_EQ(PackOscFloat(1.0f), B("\x3F\x80\0\0"s));
  EXPECT_EQ(PackOscFloat(-0.5f), B("\xBF\0\0\0"s));
}

TEST(OscBytesTest, ReadersStayInsideTheirDataAndKeepTheOffsetOnFailure) {
  const OscBytes data = B("ab\0\0\0\0\0\x07xyz"s);
  std::size_t offset = 0;
  EXPECT_EQ(ReadOscString(data, offset), "ab");
  EXPECT_EQ(offset, 4u);
  EXPECT_EQ(ReadOscInt(data, offset), 7);
  EXPECT_EQ(offset, 8u);
  EXPECT_FALSE(ReadOscString(data, offset));  // "xyz" has no NUL
  EXPECT_FALSE(ReadOscInt(data, offset));     // 3 bytes left
  EXPECT_EQ(offset, 8u);

  // Bounded to the first 3 bytes the string has no room for its padding.
  offset = 0;
  EXPECT_FALSE(ReadOscString(std::span(data).first(3), offset));
  EXPECT_EQ(offset, 0u);
}

TEST(OscBytesTest, TimeTagsUseAllSixtyFourBits) {
  // Seconds past 2^31 (every time tag after 1968) and a half-second fraction.
  const OscBytes data = B(be32(0x83AA7E80u) + be32(0x80000000u));
  std::size_t offset = 0;
  const auto tag = ReadOscTimeTag(data, offset);
  ASSERT_TRUE(tag);
  EXPECT_EQ(*tag, 0x83AA7E8080000000ull);
  EXPECT_EQ(offset, 8u);
  EXPECT_DOUBLE_EQ(OscTimeTagToSeconds(*tag), 2208988800.5);
  EXPECT_DOUBLE_EQ(OscTimeTagToSeconds(0xFFFFFFFF00000000ull), 4294967295.0);
  EXPECT_DOUBLE_EQ(OscTimeTagToSeconds(1), 1.0 / 4294967296.0);
}

TEST(OscMessageTest, EncodesTheCueMessageIn24Bytes) {
  TOSCMessage message("/vqlight");
  message.AddString("play 3");
  const OscBytes bytes = message.ToOSCBytes();
  EXPECT_EQ(bytes.size(), 24u);
  EXPECT_EQ(bytes, B(kPlay3));
}

TEST(OscBundleTest, EncodesTheCueBundleIn44Bytes) {
  TOSCBundle bundle;
  auto message = std::make_unique<TOSCMessage>("/vqlight");
  message->AddString("play 3");
  bundle.Add(std::move(message));
  const OscBytes bytes = bundle.ToOSCBytes();
  EXPECT_EQ(bytes.size(), 44u);
  EXPECT_EQ(bytes, B("#bundle\0"s           // bundle string
                     "\0\0\0\0\0\0\0\x01"s  // time tag "immediately"
                     "\0\0\0\x18"s +
                     kPlay3));  // element length 24, then the message
}

TEST(OscMessageTest, UnpacksTheAddressAndDecodesArgumentsOnDemand) {
  auto packet = TOSCPacket::Unpack(B(kPlay3));
  TOSCMessage* message = asMessage(packet);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->Address(), "/vqlight");
  EXPECT_EQ(message->TypeTagOffset(), 12u);
  EXPECT_DOUBLE_EQ(message->TimeTag(), 0.0);
  EXPECT_FALSE(message->IsDecoded());
  EXPECT_EQ(message->GetArgumentCount(), 0u);

  ASSERT_TRUE(message->Decode());
  EXPECT_TRUE(message->IsDecoded());
  EXPECT_EQ(message->TypeTags(), ",s");
  ASSERT_EQ(message->GetArgumentCount(), 1u);
  EXPECT_EQ(message->GetTypeTag(0), "s");
  EXPECT_EQ(text(message->GetArgument(0)), "play 3");  // without NUL and padding
}

TEST(OscMessageTest, DecodesIntegerFloatAndStringArguments) {
  const std::string raw =
      "/a/b\0\0\0\0"s
      ",ifs\0\0\0\0"s +
      be32(0xFFFFFF85u) /* -123 */ + be32(0x40490FDBu) /* 3.14159274f */ + "hello\0\0\0"s;
  auto packet = TOSCPacket::Unpack(B(raw));
  TOSCMessage* message = asMessage(packet);
  ASSERT_NE(message, nullptr);
  ASSERT_TRUE(message->Decode());
  ASSERT_EQ(message->GetArgumentCount(), 3u);
  EXPECT_EQ(message->GetTypeTag(0), "i");
  EXPECT_EQ(message->GetTypeTag(1), "f");
  EXPECT_EQ(message->GetTypeTag(2), "s");
  EXPECT_EQ(message->GetTypeTag(3), "");
  EXPECT_EQ(message->GetArgumentAsInt(0), -123);
  EXPECT_FLOAT_EQ(message->GetArgumentAsFloat(1), 3.14159274f);
  EXPECT_EQ(text(message->GetArgument(2)), "hello");
  EXPECT_THROW(message->GetArgument(3), std::out_of_range);
  EXPECT_THROW(message->GetArgumentAsInt(3), std::out_of_range);
  EXPECT_THROW(message->GetArgumentAsFloat(3), std::out_of_range);
}

TEST(OscMessageTest, MessageWithoutTypeTagsHasNoArguments) {
  auto packet = TOSCPacket::Unpack(B("/vqlight\0\0\0\0"s));
  TOSCMessage* message = asMessage(packet);
  ASSERT_NE(message, nullptr);
  ASSERT_TRUE(message->Decode());
  EXPECT_EQ(message->GetArgumentCount(), 0u);
  EXPECT_EQ(message->GetTypeTag(0), "");
  EXPECT_EQ(message->ToOSCBytes(), B("/vqlight\0\0\0\0,\0\0\0"s));
}

TEST(OscMessageTest, AddressBytesAbove127BecomeQuestionMarks) {
  auto packet = TOSCPacket::Unpack(B("/caf\xC3\xA9\0\0,\0\0\0"s));
  TOSCMessage* message = asMessage(packet);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->Address(), "/caf??");
}

TEST(OscMessageTest, ArgumentsBuiltInMemoryReadBackAndShortOnesDoNotOverread) {
  TOSCMessage message("/x");
  message.AddInteger(-7);
  message.AddFloat(0.25f);
  message.AddString("ab");
  message.AddString("");
  EXPECT_EQ(message.TypeTags(), ",ifss");
  EXPECT_EQ(message.GetArgumentAsInt(0), -7);
  EXPECT_FLOAT_EQ(message.GetArgumentAsFloat(1), 0.25f);
  // A two-byte argument is read with its missing bytes as zero.
  std::int32_t expected = 0;
  std::memcpy(&expected, "ab", 2);
  EXPECT_EQ(message.GetArgumentAsInt(2), expected);
  EXPECT_EQ(message.GetArgumentAsInt(3), 0);
  // Nothing to decode in a message built in memory.
  EXPECT_TRUE(message.Decode());
  EXPECT_EQ(message.GetArgumentCount(), 4u);
}

TEST(OscMessageTest, AddAsBytesConvertsByTypeTag) {
  struct Case {
    const char* tag;
    const char* value;
    char separator;
    int result;
    const char* bytes;  // what the argument encodes to when added
  };
  const Case cases[] = {
      {"i", "42", '.', 0, "\0\0\0\x2A"},    {"i", "-1", '.', 0, "\xFF\xFF\xFF\xFF"},
      {"i", "+5", '.', 0, "\0\0\0\x05"},    {"i", "4x", '.', 2, nullptr},
      {"i", "", '.', 2, nullptr},           {"i", "2147483648", '.', 2, nullptr},
      {"i", "1.5", '.', 2, nullptr},        {"f", "1.5", '.', 0, "\x3F\xC0\0\0"},
      {"f", "1,5", ',', 0, "\x3F\xC0\0\0"}, {"f", "1.5", ',', 2, nullptr},
      {"f", "-2", '.', 0, "\xC0\0\0\0"},    {"f", "abc", '.', 2, nullptr},
      {"f", "1e39", '.', 2, nullptr},       {"s", "play 3", '.', 0, "play 3\0\0"},
      {"b", "1", '.', 1, nullptr},          {"", "1", '.', 1, nullptr},
      {"if", "1", '.', 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + c.value);
    TOSCMessage message("/x");
    EXPECT_EQ(message.AddAsBytes(c.tag, c.value, OscFormatSettings{c.separator}), c.result);
    if (c.result != 0) {
      EXPECT_EQ(message.GetArgumentCount(), 0u);
      EXPECT_EQ(message.TypeTags(), ",");
      continue;
    }
    ASSERT_EQ(message.GetArgumentCount(), 1u);
    const OscBytes encoded = message.ToOSCBytes();
    const std::size_t argumentAt = 8;  // "/x" padded, then "," + tag padded
    EXPECT_EQ(OscBytes(encoded.begin() + argumentAt, encoded.end()),
              B(std::string(c.bytes, c.tag[0] == 's' ? 8 : 4)));
  }
}

TEST(OscBundleTest, UnpacksElementsWithTheirTimeTagAndNestedBundles) {
  const std::string first = "/one\0\0\0\0,i\0\0"s + be32(1);
  const std::string second = "/two\0\0\0\0,\0\0\0"s;
  const std::string inner = bundleHeader(0x83AA7E80u, 0) + element("/three\0\0,\0\0\0"s);
  const std::string raw =
      bundleHeader(0x83AA7E80u, 0x80000000u) + element(first) + element(inner) + element(second);
  auto packet = TOSCPacket::Unpack(B(raw));
  auto* bundle = dynamic_cast<TOSCBundle*>(packet.get());
  ASSERT_NE(bundle, nullptr);
  ASSERT_EQ(bundle->PacketCount(), 3u);

  auto* one = dynamic_cast<TOSCMessage*>(bundle->Packet(0));
  auto* nested = dynamic_cast<TOSCBundle*>(bundle->Packet(1));
  auto* two = dynamic_cast<TOSCMessage*>(bundle->Packet(2));
  ASSERT_TRUE(one && nested && two);
  EXPECT_EQ(one->Address(), "/one");
  EXPECT_DOUBLE_EQ(one->TimeTag(), 2208988800.5);
  ASSERT_TRUE(one->Decode());
  EXPECT_EQ(one->GetArgumentAsInt(0), 1);
  EXPECT_EQ(two->Address(), "/two");
  ASSERT_EQ(nested->PacketCount(), 1u);
  auto* three = dynamic_cast<TOSCMessage*>(nested->Packet(0));
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->Address(), "/three");
  EXPECT_DOUBLE_EQ(three->TimeTag(), 2208988800.0);

  // Re-encoded canonically, with the time tag "immediately".
  const std::string immediate = bundleHeader();
  EXPECT_EQ(packet->ToOSCBytes(), B(immediate + element(first) +
                                    element(immediate + element("/three\0\0,\0\0\0"s)) + element(second)));
}

TEST(OscBundleTest, AnyDatagramStartingWithHashIsABundle) {
  auto packet = TOSCPacket::Unpack(B("#\0\0\0"s + be32(0) + be32(1) + element(kPlay3)));
  auto* bundle = dynamic_cast<TOSCBundle*>(packet.get());
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(bundle->PacketCount(), 1u);
  // An empty bundle is well-formed too.
  EXPECT_NE(dynamic_cast<TOSCBundle*>(TOSCPacket::Unpack(B(bundleHeader())).get()), nullptr);
  // "#" in an address position makes a bundle, which then is malformed.
  EXPECT_EQ(TOSCPacket::Unpack(B("#abc\0\0\0\0,\0\0\0"s)), nullptr);
}

TEST(OscDecodeTest, RejectsMalformedDatagrams) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string okMessage = "/a\0\0,i\0\0"s + be32(5);
  const Case cases[] = {
      {"empty datagram", ""},
      {"address without NUL", "/abc"},
      {"address padding cut off", "/a\0"s},
      {"non-zero padding", "/a\0x,\0\0\0"s},
      {"type tags without NUL", "/a\0\0,iii"s},
      {"type tags without comma", "/a\0\0i\0\0\0"s + be32(5)},
      {"integer cut short", "/a\0\0,i\0\0\0\0"s},
      {"float missing", "/a\0\0,if\0"s + be32(5)},
      {"string argument without NUL", "/a\0\0,s\0\0abcd"s},
      {"string padding non-zero", "/a\0\0,s\0\0ab\0z"s},
      {"bundle without time tag", "#bundle\0"s},
      {"bundle time tag cut short", "#bundle\0\0\0\0\0"s},
      {"bundle string without NUL", "#bundle!"s},
      {"element size cut short", bundleHeader() + "\0\0"s},
      {"element size 0", bundleHeader() + be32(0)},
      {"element size negative", bundleHeader() + be32(0xFFFFFFF8u) + okMessage},
      {"element size below 4", bundleHeader() + be32(3) + "/a\0"s},
      {"element size not a multiple of 4", bundleHeader() + be32(9) + okMessage + "\0\0\0"s},
      {"element past the end", bundleHeader() + be32(16) + okMessage.substr(0, 8)},
      {"element shorter than its message", bundleHeader() + be32(8) + okMessage},
      // The address's NUL lies in the next element: each element is read inside its own size.
      {"string crossing the element end", bundleHeader() + be32(4) + "/abc"s + element("\0\0\0\0,\0\0\0"s)},
      {"malformed element", bundleHeader() + element(okMessage) + element("/b\0\0,i\0\0"s)},
      {"malformed nested element", bundleHeader() + element(bundleHeader() + element("/b\0\0,i\0\0"s))},
      {"blob size cut short", "/a\0\0,b\0\0\0\0"s},
      {"blob past the end", "/a\0\0,b\0\0"s + be32(5) + "abcd"s},
      {"blob padding missing", "/a\0\0,b\0\0"s + be32(5) + "abcde"s},
      {"blob size negative", "/a\0\0,b\0\0"s + be32(0xFFFFFFFCu) + "abcd"s},
      {"double cut short", "/a\0\0,d\0\0"s + be32(0)},
      {"64-bit integer missing", "/a\0\0,sh\0"s + "ab\0\0"s},
      {"symbol without NUL", "/a\0\0,S\0\0abcd"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TOSCPacket::Unpack(B(c.bytes)), nullptr);
  }
  // The well-formed message and bundle the table starts from decode.
  EXPECT_NE(TOSCPacket::Unpack(B(okMessage)), nullptr);
  EXPECT_NE(TOSCPacket::Unpack(B(bundleHeader() + element(okMessage))), nullptr);
}

TEST(OscDecodeTest, OtherTypesAreSteppedOverAndTrailingBytesIgnored) {
  // Golden datagrams, each with its "s", "i" and "f" arguments as decoded (the others are stepped
  // over by the size OSC fixes for them; a type of unknown size ends the reading).
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<OscBytes> arguments;
  };
  const OscBytes play2 = B("play 2");
  const OscBytes five = {5, 0, 0, 0};  // an integer argument, stored in host order
  const std::string p2 = "play 2\0\0"s;
  const Case cases[] = {
      {",sT", "/vqlight\0\0\0\0,sT\0"s + p2, {play2}},
      {",sb with a blob", "/a\0\0,sbi\0\0\0\0"s + p2 + be32(5) + "abcde\0\0\0"s + be32(5), {play2, five}},
      {",b empty blob", "/a\0\0,bs\0"s + be32(0) + p2, {play2}},
      {",sh", "/a\0\0,sh\0"s + p2 + be32(0) + be32(5), {play2}},
      {",ts time tag", "/a\0\0,ts\0"s + be32(1) + be32(2) + p2, {play2}},
      {",rs colour", "/a\0\0,rs\0"s + be32(0xFF0000FFu) + p2, {play2}},
      {",s with trailing bytes", "/a\0\0,s\0\0"s + p2 + be32(7) + "xyz"s, {play2}},
      {",ixi unknown type ends the reading", "/a\0\0,ixi\0\0\0\0"s + be32(5) + "????"s, {five}},
      {",ibf blob between",
       "/a\0\0,ibf\0\0\0\0"s + be32(5) + be32(4) + "abcd"s + be32(0x40200000u),
       {five, {0, 0, 0x20, 0x40}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto packet = TOSCPacket::Unpack(B(c.bytes));
    auto* message = dynamic_cast<TOSCMessage*>(packet.get());
    ASSERT_NE(message, nullptr);
    ASSERT_TRUE(message->Decode());
    ASSERT_EQ(message->GetArgumentCount(), c.arguments.size());
    for (std::size_t i = 0; i < c.arguments.size(); ++i)
      EXPECT_EQ(message->GetArgument(i), c.arguments[i]) << i;
    EXPECT_EQ(message->TypeTags().size(), c.arguments.size() + 1) << "the tags of the arguments held";
    EXPECT_NE(TOSCPacket::Unpack(message->ToOSCBytes()), nullptr) << "re-encodes to what it holds";
  }
}

TEST(OscDecodeTest, LimitsBundleNesting) {
  auto nest = [](int levels) {
    std::string bytes = kPlay3;
    for (int i = 0; i < levels; ++i) bytes = bundleHeader() + element(bytes);
    return B(bytes);
  };
  EXPECT_NE(TOSCPacket::Unpack(nest(TOSCPacket::kMaxBundleDepth)), nullptr);
  EXPECT_EQ(TOSCPacket::Unpack(nest(TOSCPacket::kMaxBundleDepth + 1)), nullptr);
}

TEST(OscDecodeTest, WellFormedDatagramsReencodeToTheSameBytes) {
  const std::string datagrams[] = {
      kPlay3,
      "/\0\0\0,\0\0\0"s,
      "\0\0\0\0,\0\0\0"s,
      "/eos/user/0/chan/2\0\0,f\0\0"s + be32(0x43000000u),
      "/abc\0\0\0\0"s
      ",sssss\0\0"s
      "\0\0\0\0"s
      "a\0\0\0"s
      "ab\0\0"s
      "abc\0"s
      "abcd\0\0\0\0"s,
      "/n\0\0,iiff\0\0\0"s + be32(0x80000000u) + be32(0x7FFFFFFFu) + be32(0x7FC00000u) + be32(0xFF800000u),
      bundleHeader() + element(kPlay3) + element(bundleHeader()) + element("/x\0\0,s\0\0\0\0\0\0"s),
  };
  for (const std::string& raw : datagrams) {
    SCOPED_TRACE(testing::PrintToString(raw));
    auto packet = TOSCPacket::Unpack(B(raw));
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->ToOSCBytes(), B(raw));
  }
}

TEST(OscMessageTest, BuiltMessagesSurviveEncodeAndDecode) {
  TOSCMessage built("/r\xC3\xA9sum\xC3\xA9");
  built.AddInteger(INT32_MIN);
  built.AddFloat(-1e-38f);
  for (const char* s : {"", "a", "ab", "abc", "abcd", "abcde", "\xE2\x82\xAC"}) built.AddString(s);
  const OscBytes bytes = built.ToOSCBytes();
  EXPECT_EQ(bytes.size() % 4, 0u);

  auto packet = TOSCPacket::Unpack(bytes);
  TOSCMessage* message = asMessage(packet);
  ASSERT_NE(message, nullptr);
  ASSERT_TRUE(message->Decode());
  EXPECT_EQ(message->TypeTags(), built.TypeTags());
  ASSERT_EQ(message->GetArgumentCount(), built.GetArgumentCount());
  for (std::size_t i = 0; i < built.GetArgumentCount(); ++i)
    EXPECT_EQ(message->GetArgument(i), built.GetArgument(i));
  EXPECT_EQ(message->GetArgumentAsInt(0), INT32_MIN);
  EXPECT_EQ(message->GetArgumentAsFloat(1), -1e-38f);
}

TEST(OscMatchTest, AMessageMatchesOnceUntilUnmatched) {
  auto packet = TOSCPacket::Unpack(B(kPlay3));
  ASSERT_NE(packet, nullptr);
  EXPECT_EQ(packet->MatchAddress("/vqlight/play"), nullptr);
  TOSCMessage* first = packet->MatchAddress("/vqlight");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Matched());
  EXPECT_EQ(packet->MatchAddress("/vqlight"), nullptr);
  packet->Unmatch();
  EXPECT_FALSE(first->Matched());
  EXPECT_EQ(packet->MatchAddress("/vqlight"), first);
}

TEST(OscMatchTest, ABundleYieldsEachMatchingMessageInTurn) {
  const std::string a = "/TC/t*\0\0,\0\0\0"s;
  const std::string b = "/TC/time\0\0\0\0,\0\0\0"s;
  auto packet = TOSCPacket::Unpack(
      B(bundleHeader() + element("/other\0\0,\0\0\0"s) + element(a) + element(bundleHeader() + element(b))));
  ASSERT_NE(packet, nullptr);
  TOSCMessage* first = packet->MatchAddress("/TC/time");
  TOSCMessage* second = packet->MatchAddress("/TC/time");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->Address(), "/TC/t*");
  EXPECT_EQ(second->Address(), "/TC/time");
  EXPECT_EQ(packet->MatchAddress("/TC/time"), nullptr);
  packet->Unmatch();
  EXPECT_EQ(packet->MatchAddress("/TC/time"), first);
}
