// Compares the codec with an independent OSC implementation: liblo's oscsend writes the message it
// would send to standard output when given "-" as its destination.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
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

TEST(OscCrossCheckBundleTest, RejectsOscsendsUnsupportedTypes) {
  if (oscsendPath().isEmpty()) GTEST_SKIP() << "oscsend (liblo-tools) is not installed";
  const struct {
    const char* types;
    std::vector<std::string> values;
  } cases[] = {{"ih", {"1", "2"}}, {"d", {"1.5"}}, {"iTf", {"1", "2.5"}}, {"S", {"sym"}}, {"c", {"x"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.types);
    const OscBytes sent = oscsend("/a", c.types, c.values);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(TOSCPacket::Unpack(sent), nullptr);
  }
}

}  // namespace
