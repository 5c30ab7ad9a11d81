// Compares the codec with an independent OSC implementation: liblo's oscsend writes the message it
// would send to standard output when given "-" as its destination.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "console/remote/osc_codec.h"

namespace {

QString oscsendPath() { return QStandardPaths::findExecutable("oscsend"); }

// The bytes oscsend produces for the message.
OscBytes oscsend(const std::string& address, const std::string& types,
                 const std::vector<std::string>& values) {
  QStringList arguments{"-", QString::fromStdString(address), QString::fromStdString(types)};
  for (const std::string& value : values) arguments << QString::fromStdString(value);
  QProcess process;
  process.start(oscsendPath(), arguments);
  if (!process.waitForFinished(10000) || process.exitCode() != 0) {
    ADD_FAILURE() << "oscsend failed: " << process.readAllStandardError().toStdString();
    return {};
  }
  const QByteArray out = process.readAllStandardOutput();
  return OscBytes(out.begin(), out.end());
}

struct CrossCase {
  std::string address;
  std::string types;
  std::vector<std::string> values;
};

void PrintTo(const CrossCase& c, std::ostream* os) {
  *os << c.address << " " << c.types;
  for (const std::string& value : c.values) *os << " '" << value << "'";
}

const CrossCase kCases[] = {
    {"/vqlight", "s", {"play 3"}},
    {"/vqlight/play", "s", {"goto 3.5"}},
    {"/eos/user/0/chan/2", "f", {"128.0"}},
    {"/TC/time", "s", {"00:01:00:10"}},
    {"/a/b", "ifs", {"1", "3.5", "hello"}},
    {"/x", "ii", {"-2147483648", "2147483647"}},
    {"/y", "ff", {"-0.1", "1e-30"}},
    {"/abc", "ssss", {"", "abc", "abcd", "abcde"}},
    {"/n", "", {}},
};

class OscCrossCheckTest : public testing::TestWithParam<CrossCase> {
 protected:
  void SetUp() override {
    if (oscsendPath().isEmpty()) GTEST_SKIP() << "oscsend (liblo-tools) is not installed";
  }
};

// The codec's message built from the same values.
std::unique_ptr<TOSCMessage> build(const CrossCase& c) {
  auto message = std::make_unique<TOSCMessage>(c.address);
  for (std::size_t i = 0; i < c.types.size(); ++i)
    EXPECT_EQ(message->AddAsBytes(std::string(1, c.types[i]), c.values[i], OscFormatSettings{'.'}), 0);
  return message;
}

TEST_P(OscCrossCheckTest, EncodesAsOscsendDoes) {
  const CrossCase& c = GetParam();
  EXPECT_EQ(build(c)->ToOSCBytes(), oscsend(c.address, c.types, c.values));
}

TEST_P(OscCrossCheckTest, DecodesWhatOscsendSends) {
  const CrossCase& c = GetParam();
  const OscBytes sent = oscsend(c.address, c.types, c.values);
  auto packet = TOSCPacket::Unpack(sent);
  auto* message = dynamic_cast<TOSCMessage*>(packet.get());
  ASSERT_NE(message, nullptr);
  ASSERT_TRUE(message->Decode());
  EXPECT_EQ(message->Address(), c.address);
  EXPECT_EQ(message->TypeTags(), "," + c.types);
  const auto expected = build(c);
  ASSERT_EQ(message->GetArgumentCount(), expected->GetArgumentCount());
  for (std::size_t i = 0; i < expected->GetArgumentCount(); ++i)
    EXPECT_EQ(message->GetArgument(i), expected->GetArgument(i)) << "argument " << i;
  EXPECT_EQ(message->ToOSCBytes(), sent);
}

INSTANTIATE_TEST_SUITE_P(Oscsend, OscCrossCheckTest, testing::ValuesIn(kCases));

TEST(OscCrossCheckBundleTest, CueBundleWrapsOscsendsMessage) {
  if (oscsendPath().isEmpty()) GTEST_SKIP() << "oscsend (liblo-tools) is not installed";
  const OscBytes message = oscsend("/vqlight", "s", {"play 3"});
  ASSERT_EQ(message.size(), 24u);
  OscBytes expected = {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 24};
  expected.insert(expected.end(), message.begin(), message.end());

  TOSCBundle bundle;
  auto built = std::make_unique<TOSCMessage>("/vqlight");
  built->AddString("play 3");
  bundle.Add(std::move(built));
  EXPECT_EQ(bundle.ToOSCBytes(), expected);
}

TEST(OscCrossCheckBundleTest, SkipsOscsendsOtherTypesOverTheirData) {
  if (oscsendPath().isEmpty()) GTEST_SKIP() << "oscsend (liblo-tools) is not installed";
  // Types the console does not use are stepped over; the "i", "f" and "s" arguments around them
  // keep their values, in order.
  const struct {
    const char* types;
    std::vector<std::string> values;
    std::vector<std::string> strings;  // the "s" arguments expected, in order
    std::vector<std::int32_t> ints;    // the "i" arguments expected (the others are "f" 2.5)
  } cases[] = {
      {"sT", {"play 2"}, {"play 2"}, {}},
      {"sF", {"play 2"}, {"play 2"}, {}},
      {"sN", {"play 2"}, {"play 2"}, {}},
      {"sI", {"play 2"}, {"play 2"}, {}},
      {"Ts", {"play 2"}, {"play 2"}, {}},
      {"sh", {"play 2", "5"}, {"play 2"}, {}},
      {"hs", {"5", "play 2"}, {"play 2"}, {}},
      {"dsi", {"1.5", "play 2", "7"}, {"play 2"}, {7}},
      {"csm", {"x", "play 2", "1"}, {"play 2"}, {}},
      {"iTf", {"1", "2.5"}, {}, {1}},
      {"Sis", {"sym", "3", "go"}, {"go"}, {3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.types);
    const OscBytes sent = oscsend("/vqlight", c.types, c.values);
    ASSERT_FALSE(sent.empty());
    auto packet = TOSCPacket::Unpack(sent);
    auto* message = dynamic_cast<TOSCMessage*>(packet.get());
    ASSERT_NE(message, nullptr);
    ASSERT_TRUE(message->Decode());
    std::vector<std::string> strings;
    std::vector<std::int32_t> ints;
    std::size_t floats = 0;
    for (std::size_t i = 0; i < message->GetArgumentCount(); ++i) {
      const OscBytes& a = message->GetArgument(i);
      const char tag = [&] {
        // The argument's own type: the i-th of the "i", "f" and "s" tags.
        std::size_t n = 0;
        for (char t : std::string(c.types))
          if ((t == 'i' || t == 'f' || t == 's') && n++ == i) return t;
        return '?';
      }();
      if (tag == 's')
        strings.emplace_back(a.begin(), a.end());
      else if (tag == 'i')
        ints.push_back(message->GetArgumentAsInt(i));
      else if (tag == 'f' && message->GetArgumentAsFloat(i) == 2.5f)
        ++floats;
    }
    EXPECT_EQ(strings, c.strings);
    EXPECT_EQ(ints, c.ints);
    EXPECT_EQ(strings.size() + ints.size() + floats, message->GetArgumentCount());
    // The type tags kept are those of the arguments held, so the message re-encodes consistently.
    std::string kept = ",";
    for (char t : std::string(c.types))
      if (t == 'i' || t == 'f' || t == 's') kept.push_back(t);
    EXPECT_EQ(message->TypeTags(), kept);
    EXPECT_NE(TOSCPacket::Unpack(message->ToOSCBytes()), nullptr);
  }
}

}  // namespace
