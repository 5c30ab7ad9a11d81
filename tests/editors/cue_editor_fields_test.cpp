#include "console/editors/cue_editor_fields.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "console/engine/console_state.h"

namespace {

TEST(CueEditorFields, DecimalTexts) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"2.5", true, 2.5}, {"3", true, 3},   {".5", true, 0.5},   {"7.", true, 7},
      {"", true, 0},      {"  ", true, 0},  {"1.2.3", false, 0}, {".", false, 0},
      {"1,5", false, 0},  {"-1", false, 0}, {"1e3", false, 0},   {"٣", false, 0},
  };
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(parseEditorDecimal(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

TEST(CueEditorFields, DecimalPointWhateverTheLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  double v = 0;
  EXPECT_TRUE(parseEditorDecimal("2.5", v));
  EXPECT_DOUBLE_EQ(v, 2.5);
  EXPECT_EQ(secondsText(2.5), "2.5");
  QLocale::setDefault(saved);
}

TEST(CueEditorFields, RoundingToStoredUnits) {
  EXPECT_EQ(hundredthsFromNumber(1.15), 115);
  EXPECT_EQ(hundredthsFromNumber(2.5), 250);
  EXPECT_EQ(hundredthsFromNumber(7.5), 750);
  EXPECT_EQ(hundredthsFromNumber(9999.99), 999999);
  EXPECT_EQ(tenthsFromSeconds(2.5), 25);
  EXPECT_EQ(tenthsFromSeconds(0.25), 2) << "halves to even";
  EXPECT_EQ(tenthsFromSeconds(0.35), 4);
  EXPECT_EQ(secondsText(3.0), "3");
  EXPECT_EQ(secondsText(62.0 / 20.0), "3.1");
  EXPECT_EQ(secondsText(0), "0");
}

TEST(CueEditorFields, TimeCodes) {
  EXPECT_EQ(TCtoStr(93829), "1:2:33:4");
  EXPECT_EQ(TCtoStr(0), "0:0:0:0");
  EXPECT_EQ(TCtoStr(90000 + 2 * 1500 + 3 * 25 + 4), "1:2:3:4");
  struct Case {
    const char* text;
    bool ok;
    int frames;
  } cases[] = {
      {"1:2:33:4", true, 93829}, {"00:01:00:10", true, 1510}, {" 0: 1: 0:10", true, 1510},
      {"  :  :  :  ", false, 0}, {"1:2:3", false, 0},         {"1:2:3:4:5", false, 0},
  };
  for (const Case& c : cases) {
    int32_t frames = -1;
    EXPECT_EQ(timeCodeFrames(c.text, frames), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(frames, c.frames) << c.text;
    }
    if (c.ok) {
      EXPECT_EQ(TCtoStr(frames), TCtoStr(c.frames));
    }
  }
}

CueEditorFields basicFields() {
  CueEditorFields f;
  f.number = "7.5";
  f.description = "Intro";
  f.fade = "3";
  f.wait = "1.5";
  return f;
}

TEST(CueEditorFields, ConversionNamesTheFirstFieldThatIsNotANumber) {
  CueEditorFields f = basicFields();
  f.fade = "1..5";
  const CueEditorConversion c = convertCueEditorFields(f);
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.badField, "cuetime");
  EXPECT_EQ(c.badText, "1..5");
  f = basicFields();
  f.startMode = 2;
  f.timeCode = "  :  :  :  ";
  EXPECT_EQ(convertCueEditorFields(f).badField, "Timetime");
  f.startMode = 0;
  EXPECT_TRUE(convertCueEditorFields(f).ok) << "the time code counts only for a time-code start";
}

TEST(CueEditorFields, ConvertedValues) {
  CueEditorFields f = basicFields();
  f.advanceDelay = "9999";
  f.loopTarget = "2.5";
  f.loopCount = "3";
  CueEditorValues v = convertCueEditorFields(f).values;
  EXPECT_EQ(v.number, 750);
  EXPECT_EQ(v.fadeUp, 30);
  EXPECT_EQ(v.fadeDown, 30);
  EXPECT_EQ(v.upDelay, 15);
  EXPECT_EQ(v.downDelay, 15);
  EXPECT_EQ(v.advanceDelay, 32767) << "limited to the 16-bit field";
  EXPECT_EQ(v.loopTarget, 250);
  EXPECT_EQ(v.loopCount, 3);

  f.loopTarget = "0";
  EXPECT_EQ(convertCueEditorFields(f).values.loopCount, 0) << "a loop count only with a loop target";

  f.timingMode = 1;
  f.brighterFade = "2";
  f.brighterWait = "0.5";
  f.dimmerFade = "5.5";
  f.dimmerWait = "1";
  v = convertCueEditorFields(f).values;
  EXPECT_EQ(std::tie(v.fadeUp, v.upDelay, v.fadeDown, v.downDelay), std::make_tuple(20, 5, 55, 10));
  f.timingMode = 2;
  f.masterFade = "5";
  f.masterWait = "1";
  v = convertCueEditorFields(f).values;
  EXPECT_EQ(std::tie(v.fadeUp, v.upDelay, v.fadeDown, v.downDelay), std::make_tuple(50, 10, 50, 10));
}

TEST(CueEditorFields, LevelsAreLimitedAndRawChannelsTakeDmx) {
  ConsoleState S;
  S.MaxChannels = 5;
  S.RawChannels[2] = true;
  S.RawChannels[4] = true;
  const QString texts[] = {"", "50", "200", "150", "999", "-5"};
  const QByteArray levels = cueEditorLevels(S, [&texts](int ch) { return texts[ch]; });
  ASSERT_EQ(levels.size(), 5);
  EXPECT_EQ(uint8_t(levels[0]), 127);  // 50 % in double precision
  EXPECT_EQ(uint8_t(levels[1]), 200);  // raw
  EXPECT_EQ(uint8_t(levels[2]), 255);  // 150 % limited
  EXPECT_EQ(uint8_t(levels[3]), 255);  // raw 999 limited
  EXPECT_EQ(uint8_t(levels[4]), 0);
}

TEST(CueEditorFields, RecordKeepsWhatTheEditorDoesNotOwn) {
  CueRecord base;
  base.lock = 1;
  base.reserved = 0x1234;
  base.levels[20] = char(99);  // above the channel count
  base.setMessageTextString("/old");
  base.timeCode = 4321;
  base.raw = base.encode();
  base.raw[1230] = char(0x55);
  CueEditorFields f = basicFields();
  f.kind = kCueNormalDmx;
  f.textColour = 0x123456;
  CueEditorValues v = convertCueEditorFields(f).values;
  const CueRecord r = buildEditedCueRecord(base, f, v, QByteArray(16, char(7)), 16, false);
  EXPECT_EQ(r.lock, 1);
  EXPECT_EQ(r.reserved, 0x1234);
  EXPECT_EQ(uint8_t(r.levels[20]), 99);
  EXPECT_EQ(uint8_t(r.levels[15]), 7);
  EXPECT_EQ(r.messageTextString(), "/old");
  EXPECT_EQ(r.timeCode, 4321);
  EXPECT_EQ(uint8_t(r.encode()[1230]), 0x55);
  EXPECT_EQ(r.channelCountField, 161);
  EXPECT_EQ(r.formatMark, "X");
  EXPECT_EQ(r.textColour, 0x123456);
  EXPECT_EQ(r.descriptionText(), "Intro");
}

TEST(CueEditorFields, FollowLoopAndMessageCues) {
  CueEditorFields f = basicFields();
  f.startMode = 1;
  CueEditorValues v = convertCueEditorFields(f).values;
  CueRecord r = buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true);
  EXPECT_EQ(r.descriptionText(), "  Intro");
  EXPECT_EQ(r.startMode, 1);
  f.description = r.descriptionText();
  r = buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true);
  EXPECT_EQ(r.descriptionText(), "  Intro") << "two blanks, not four";
  EXPECT_EQ(r.channelCountField, 160);

  f = basicFields();
  f.loopTarget = "2";
  f.loopCount = "4";
  v = convertCueEditorFields(f).values;
  r = buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true);
  EXPECT_EQ(r.loopTarget, 200);
  EXPECT_EQ(r.startMode, 1) << "a loop target forces a follow start";
  EXPECT_EQ(r.loopCount, 4);

  f = basicFields();
  f.kind = kCueOscCommand;
  f.command = "/cue/7/go";
  f.address = "192.168.100.100.100";
  f.port = "5555";
  v = convertCueEditorFields(f).values;
  r = buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true);
  EXPECT_EQ(r.messageTextString(), "/cue/7/go");
  EXPECT_EQ(r.hostString(), "192.168.100.100") << "cut to 15 characters";
  EXPECT_EQ(r.port, 5555);

  f.kind = kCueFollowspotAlert;
  f.followSpotColour = 0x00FF00;
  f.textColour = 0x0000FF;
  EXPECT_EQ(buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true).textColour, 0x00FF00);

  f = basicFields();
  f.startMode = 2;
  f.timeCode = "1:2:33:4";
  v = convertCueEditorFields(f).values;
  r = buildEditedCueRecord(CueRecord{}, f, v, {}, 16, true);
  EXPECT_EQ(r.startMode, 2);
  EXPECT_EQ(r.timeCode, 93829);
}

}  // namespace
