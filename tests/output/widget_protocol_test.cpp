#include "console/output/widget_protocol.h"

#include <gtest/gtest.h>

#include "tests/output/output_fakes.h"

namespace {

std::span<const uint8_t> span(const QByteArray& b) {
  return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

TEST(WidgetFrame, FramesALabelAndPayload) {
  // 7E | label 10 | length 1, 0 | payload 00 | E7
  EXPECT_EQ(widgetFrame(10, hexBytes("00")), hexBytes("7E0A010000E7"));
  // The Pro Mk2 API key request.
  EXPECT_EQ(widgetFrame(13, hexBytes("3F61A29C")), hexBytes("7E0D04003F61A29CE7"));
  EXPECT_EQ(widgetFrame(3, QByteArray(300, '\0')).mid(0, 4), hexBytes("7E032C01"));
}

TEST(WidgetFrame, DmxFrameCarriesStartCodeAndSlots) {
  DmxFrame frame;
  frame.build(6, 3, [](std::span<uint8_t> out) {
    out[0] = 1;
    out[1] = 0x7E;
    out[2] = 0xE7;
  });
  // 7E | label 6 | length 4 (start code + 3 slots) | start code 0 | 01 7E E7 | E7
  EXPECT_EQ(toBytes(frame.frame()), hexBytes("7E0604000001"
                                             "7EE7"
                                             "E7"));
  EXPECT_EQ(toBytes(frame.packet()), hexBytes("0604000001"
                                              "7EE7"));
  EXPECT_EQ(toBytes(frame.dmxSlots()), hexBytes("017EE7"));
}

// A stream of replies as a widget sends them, with garbage between frames and DMX input whose
// levels include the start and end bytes.
QByteArray replyStream() {
  QByteArray dmxIn = hexBytes("0000");  // receive status, start code
  for (int i = 0; i < 40; ++i) dmxIn.append(char(i % 3 == 0 ? 0x7E : i % 3 == 1 ? 0xE7 : i));
  return widgetFrame(10, hexBytes("78563412")) + hexBytes("FF00") + widgetFrame(3, hexBytes("2C01090128")) +
         widgetFrame(5, dmxIn) + widgetFrame(9, QByteArray()) + widgetFrame(130, hexBytes("01"));
}

std::vector<QByteArray> expectedReplies() {
  std::vector<QByteArray> out;
  WidgetReplyReader reader([&](std::span<const uint8_t> r) { out.push_back(toBytes(r)); });
  const QByteArray s = replyStream();
  reader.feed(span(s));
  return out;
}

TEST(WidgetReplyReader, CutsWholeRepliesIncludingStartAndEndBytesInData) {
  const std::vector<QByteArray> replies = expectedReplies();
  ASSERT_EQ(replies.size(), 5u);
  EXPECT_EQ(replies[0], hexBytes("0A040078563412"));
  EXPECT_EQ(replies[1], hexBytes("0305002C01090128"));
  EXPECT_EQ(replies[2].size(), 3 + 42);  // label, length, status, start code, 40 levels
  EXPECT_EQ(uint8_t(replies[2][5]), 0x7E);
  EXPECT_EQ(uint8_t(replies[2][6]), 0xE7);
  EXPECT_EQ(replies[3], hexBytes("090000"));
  EXPECT_EQ(replies[4], hexBytes("82010001"));
}

TEST(WidgetReplyReader, GivesTheSameRepliesWhereverTheStreamIsSplit) {
  const QByteArray s = replyStream();
  const std::vector<QByteArray> whole = expectedReplies();
  for (qsizetype cut = 0; cut <= s.size(); ++cut) {
    std::vector<QByteArray> got;
    WidgetReplyReader reader([&](std::span<const uint8_t> r) { got.push_back(toBytes(r)); });
    reader.feed(span(s.left(cut)));
    reader.feed(span(s.mid(cut)));
    EXPECT_EQ(got, whole) << "split at " << cut;
  }
  std::vector<QByteArray> bytewise;
  WidgetReplyReader reader([&](std::span<const uint8_t> r) { bytewise.push_back(toBytes(r)); });
  for (char c : s) reader.feed(span(QByteArray(1, c)));
  EXPECT_EQ(bytewise, whole);
}

TEST(WidgetReplyReader, RejectsOversizedLengthsAndResynchronises) {
  std::vector<QByteArray> got;
  int oversized = 0;
  WidgetReplyReader reader([&](std::span<const uint8_t> r) { got.push_back(toBytes(r)); },
                           [&] { ++oversized; });
  // Length 598 makes a reply of 601 bytes: too long. Then a frame with a wrong end byte, then a good one.
  const QByteArray s = hexBytes("7E055602") + QByteArray(20, '\x11') +
                       hexBytes(
                           "7E0A0100"
                           "00"
                           "00") +
                       widgetFrame(10, hexBytes("01020304"));
  reader.feed(span(s));
  EXPECT_EQ(oversized, 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], hexBytes("0A040001020304"));

  // The longest reply accepted: 597 payload bytes.
  got.clear();
  reader.feed(span(widgetFrame(5, QByteArray(597, '\x01'))));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 600);
}

struct ReplyCase {
  const char* name;
  const char* reply;  // hex, label first
  int label;
  const char* serial;
  const char* low;
  const char* high;
  const char* trace;
  bool unknown;
};

class ReadWidgetReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReadWidgetReply, SetsStateAndTrace) {
  const ReplyCase& c = GetParam();
  WidgetReplyState state;
  state.WidgetSerial = "OLDOLDOL";
  state.FirmwareLow = "9";
  const QByteArray reply = hexBytes(c.reply);
  const WidgetReplyEffect effect = readWidgetReply(state, span(reply));
  EXPECT_EQ(state.WidgetLabel, c.label);
  EXPECT_EQ(state.WidgetSerial, QString(c.serial));
  EXPECT_EQ(state.FirmwareLow, QString(c.low));
  EXPECT_EQ(state.FirmwareHigh, QString(c.high));
  EXPECT_EQ(effect.trace, QString(c.trace));
  EXPECT_EQ(effect.unknownLabel, c.unknown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadWidgetReply,
    ::testing::Values(
        ReplyCase{"serial", "0A040078563412", 10, "12345678", "", "", "Serial number:  12345678", false},
        ReplyCase{"serialShort", "0A0300785634", -1, "", "", "", "", false},
        ReplyCase{"serialLengthSaysShort", "0A020078563412", -1, "", "", "", "", false},
        ReplyCase{"params", "0305002C01090128", 3, "OLDOLDOL", "44", "1", "Firmware: 1.44", false},
        ReplyCase{"mk2Params", "C105002C02090128", 193, "OLDOLDOL", "44", "2", "Firmware: 2.44", false},
        ReplyCase{"paramsOneByte", "0301002C", 3, "OLDOLDOL", "44", "", "Firmware: .44", false},
        ReplyCase{"tooShort", "0A0400", -1, "OLDOLDOL", "", "", "", false},
        ReplyCase{"dmxIn", "0503000000FF", 5, "OLDOLDOL", "", "", "DMX in: 05 03 00 00 00 FF ", false},
        ReplyCase{"state", "09010001", 9, "OLDOLDOL", "", "", "State: 09 01 00 01 ", false},
        ReplyCase{"ports", "82010002", 130, "OLDOLDOL", "", "", "Ports: 1 0", false},
        ReplyCase{"unknown", "07010000", 7, "OLDOLDOL", "", "", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadWidgetReplyLimits, OverSixHundredBytesIsTooLong) {
  WidgetReplyState state;
  const QByteArray reply = hexBytes("05") + QByteArray(600, '\0');
  readWidgetReply(state, span(reply));
  EXPECT_EQ(state.WidgetLabel, -3);
}

TEST(DmxInputLine, ShowsTheSlotsOfTheLabel5Frame) {
  // Noise, then 7E 05, length 5 (status, start code, 3 slots), the slots, E7.
  const QByteArray read = hexBytes("0102") + widgetFrame(5, hexBytes("0000"
                                                                     "0A7EE7"));
  EXPECT_EQ(dmxInputLine(span(read), 512), "DMX in: 0A 7E E7 ");
  EXPECT_EQ(dmxInputLine(span(read), 2), "DMX in: 0A 7E ");
  // Cut short, or announcing more than arrived: only what is there.
  EXPECT_EQ(dmxInputLine(span(read.left(9)), 512), "DMX in: 0A ");
  EXPECT_EQ(dmxInputLine(span(hexBytes("7E05")), 512), "DMX in: ");
  EXPECT_EQ(dmxInputLine(span(hexBytes("7E0A01000000E7")), 512), "DMX in: ");
}

TEST(HexDumpPacket, MatchesTheHelperUnitDump) {
  EXPECT_EQ(HexDumpPacket(span(hexBytes("007EFF"))), "00 7E FF ");
  const QString dump = HexDumpPacket(span(QByteArray(100, '\x01')));
  EXPECT_EQ(dump.count("* "), 2);
  EXPECT_TRUE(dump.endsWith("01 * "));
}

}  // namespace
