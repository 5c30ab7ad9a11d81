#include "console/engine/cue_record.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

void put32(QByteArray& b, int at, uint32_t v) {
  b[at] = char(v);
  b[at + 1] = char(v >> 8);
  b[at + 2] = char(v >> 16);
  b[at + 3] = char(v >> 24);
}
void put16(QByteArray& b, int at, uint16_t v) {
  b[at] = char(v);
  b[at + 1] = char(v >> 8);
}

// A record laid out by hand, field by field, with every byte that no field owns set to a marker
// value so that losing one shows.
QByteArray handBuiltRecord() {
  QByteArray b(1240, char(0xA5));
  put32(b, 0, 1250);  // cue 12.5
  b[4] = 5;           // description "Intro" + stale tail (0xA5)
  b.replace(5, 5, "Intro");
  for (int k = 0; k < 1024; ++k) b[53 + k] = char(k & 0xFF);  // levels
  put32(b, 1080, 0x00FF00);                                   // text colour
  put32(b, 1084, 25);                                         // fade up
  put32(b, 1088, 55);                                         // fade down
  put32(b, 1092, 10);                                         // up delay
  put32(b, 1096, 20);                                         // down delay
  put32(b, 1100, 1);                                          // start mode
  put32(b, 1104, 1);                                          // advance after
  put32(b, 1108, 1);                                          // timing mode split
  put32(b, 1112, 300);                                        // loop target
  put32(b, 1116, 4);                                          // loop count
  put32(b, 1120, 7);                                          // loop-file key
  put32(b, 1124, 3);                                          // OSC command
  put16(b, 1128, 2561);                                       // channel-count field
  put16(b, 1130, 0xBEEF);                                     // reserved
  put16(b, 1132, 1);                                          // lock
  b[1134] = 1;
  b[1135] = 'X';
  b[1136] = 9;
  b.replace(1137, 9, "/cue/7/go");
  b[1182] = 9;
  b.replace(1183, 9, "127.0.0.1");
  put32(b, 1200, 9000);    // port
  put16(b, 1204, 0xFFF6);  // advance delay -10
  put32(b, 1208, 93829);   // time code
  return b;
}

TEST(CueRecordTest, DecodesEveryFieldOfAHandBuiltRecord) {
  const CueRecord c = CueRecord::decode(handBuiltRecord());
  EXPECT_EQ(c.cueNumber, 1250);
  EXPECT_EQ(c.description, QByteArray("Intro"));
  ASSERT_EQ(c.levels.size(), 1024);
  EXPECT_EQ(uint8_t(c.levels[0]), 0);
  EXPECT_EQ(uint8_t(c.levels[255]), 255);
  EXPECT_EQ(uint8_t(c.levels[1023]), 255);
  EXPECT_EQ(c.textColour, 0x00FF00);
  EXPECT_EQ(c.fadeUpTime, 25);
  EXPECT_EQ(c.fadeDownTime, 55);
  EXPECT_EQ(c.upDelay, 10);
  EXPECT_EQ(c.downDelay, 20);
  EXPECT_EQ(c.startMode, 1);
  EXPECT_EQ(c.advanceAfter, 1);
  EXPECT_EQ(c.timingMode, 1);
  EXPECT_EQ(c.loopTarget, 300);
  EXPECT_EQ(c.loopCount, 4);
  EXPECT_EQ(c.loopFileKey, 7);
  EXPECT_EQ(c.cueKind, kCueOscCommand);
  EXPECT_EQ(c.channelCountField, 2561);
  EXPECT_EQ(uint16_t(c.reserved), 0xBEEF);
  EXPECT_EQ(c.lock, 1);
  EXPECT_EQ(c.formatMark, QByteArray("X"));
  EXPECT_EQ(c.messageTextString(), "/cue/7/go");
  EXPECT_EQ(c.hostString(), "127.0.0.1");
  EXPECT_EQ(c.port, 9000);
  EXPECT_EQ(c.advanceDelay, -10);
  EXPECT_EQ(c.timeCode, 93829);
}

TEST(CueRecordTest, DecodeThenEncodeIsByteIdentical) {
  EXPECT_EQ(CueRecord::decode(handBuiltRecord()).encode(), handBuiltRecord());
  // Also for arbitrary bytes, length bytes beyond the capacities included.
  QByteArray noise(1240, '\0');
  for (int round = 0; round < 20; ++round) {
    for (auto& ch : noise) ch = char(QRandomGenerator::global()->bounded(256));
    EXPECT_EQ(CueRecord::decode(noise).encode(), noise);
  }
}

TEST(CueRecordTest, RewritingFieldsKeepsTheBytesNoFieldOwns) {
  const QByteArray original = handBuiltRecord();
  CueRecord c = CueRecord::decode(original);
  c.cueNumber = 100;
  c.setDescriptionText("Hi");
  c.fadeUpTime = 30;
  c.setMessageTextString("/go");
  c.setHostString("10.0.0.1");
  c.timeCode = 0;
  const QByteArray b = c.encode();
  ASSERT_EQ(b.size(), 1240);

  QByteArray expected = original;
  put32(expected, 0, 100);
  expected[4] = 2;
  expected.replace(5, 2, "Hi");  // bytes 7.. of the old text stay
  put32(expected, 1084, 30);
  expected[1136] = 3;
  expected.replace(1137, 3, "/go");
  expected[1182] = 8;
  expected.replace(1183, 8, "10.0.0.1");
  put32(expected, 1208, 0);
  EXPECT_EQ(b, expected);
  EXPECT_EQ(b.mid(1077, 3), QByteArray(3, char(0xA5)));    // padding after the levels
  EXPECT_EQ(b.mid(1212, 28), QByteArray(28, char(0xA5)));  // unused block
}

TEST(CueRecordTest, ANewRecordIsZerosWithTheFormatMark) {
  CueRecord c;
  c.cueNumber = 500;
  c.setDescriptionText("Five");
  const QByteArray b = c.encode();
  ASSERT_EQ(b.size(), 1240);
  EXPECT_EQ(b.mid(0, 4), QByteArray("\xF4\x01\x00\x00", 4));
  EXPECT_EQ(b.mid(4, 5), QByteArray("\x04"
                                    "Five",
                                    5));
  EXPECT_EQ(b.mid(1134, 2), QByteArray("\x01X", 2));
  QByteArray rest = b;
  rest.replace(0, 9, QByteArray(9, '\0'));
  rest.replace(1134, 2, QByteArray(2, '\0'));
  EXPECT_EQ(rest, QByteArray(1240, '\0'));
}

TEST(CueRecordTest, TextsAreWindows1252AndCutToTheirFields) {
  CueRecord c;
  c.setDescriptionText(QString(60, 'd'));
  c.setMessageTextString(QString(50, 'm'));
  c.setHostString("192.168.100.200.1");
  c.setDescriptionText(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));  // é and the euro sign
  const QByteArray b = c.encode();
  EXPECT_EQ(b.mid(4, 7), QByteArray("\x06"
                                    "Caf\xE9 \x80",
                                    7));
  EXPECT_EQ(uint8_t(b[1136]), 45);
  EXPECT_EQ(uint8_t(b[1182]), 15);
  EXPECT_EQ(CueRecord::decode(b).descriptionText(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
}

TEST(OldCueRecordTest, ConvertsToTheNewLayout) {
  QByteArray old = handBuiltRecord().left(1152);
  old[1134] = 0;  // old files carry no format mark
  const OldCueRecord o = OldCueRecord::decode(old);
  EXPECT_EQ(o.encode(), old);
  const QByteArray b = convertOldCueRecord(o).encode();
  ASSERT_EQ(b.size(), 1240);
  // Copied: number, description (its characters only), levels, the twelve integers, the three
  // 16-bit fields.
  EXPECT_EQ(b.mid(0, 4), old.mid(0, 4));
  EXPECT_EQ(b.mid(4, 6), old.mid(4, 6));
  EXPECT_EQ(b.mid(10, 43), QByteArray(43, '\0'));
  EXPECT_EQ(b.mid(53, 1024), old.mid(53, 1024));
  EXPECT_EQ(b.mid(1077, 3), QByteArray(3, '\0'));
  EXPECT_EQ(b.mid(1080, 54), old.mid(1080, 54));
  EXPECT_EQ(b.mid(1134, 2), QByteArray("\x01X", 2));
  EXPECT_EQ(b.mid(1136), QByteArray(1240 - 1136, '\0'));
}

}  // namespace
