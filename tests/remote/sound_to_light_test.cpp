// Sound-to-light levels received as a console's channel addresses.

#include "console/remote/sound_to_light.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "console/remote/osc_input.h"
#include "tests/remote/osc_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

OscBytes level(int band, float value) { return oscFloat("/eos/user/0/chan/" + std::to_string(band), value); }

class SoundToLightTest : public ::testing::Test {
 protected:
  SoundToLightTest() {
    input.bands().setBand(2, "|5|6|");
    input.bands().setMinimum(2, 20);
  }
  FakeOscHost host;
  OscInput input{host, testOperator()};
};

TEST_F(SoundToLightTest, BandLevelReachesItsChannelsAddresses) {
  input.handleDatagram(bytesOf(level(2, 128.0f)));
  EXPECT_EQ(host.output[5], 128);
  EXPECT_EQ(host.output[6], 128);
  EXPECT_EQ(host.currentLevels[5], 128.0f);
  EXPECT_EQ(host.output[4], -1);
  EXPECT_EQ(host.sendDmxCount, 1);

  input.handleDatagram(bytesOf(level(2, 7.0f)));  // below the band's minimum
  EXPECT_EQ(host.output[5], 20);
  EXPECT_EQ(host.output[6], 20);
  EXPECT_EQ(host.sendDmxCount, 2);
}

// A channel patched to several addresses with proportional levels: every address gets the band's
// level unscaled, and a submaster pseudo-address in the list is left alone.
TEST_F(SoundToLightTest, ProportionalPatchGetsTheLevelUnscaled) {
  input.bands().setBand(1, "|3|");
  host.setPatch(3, "|3|9|27|");  // 27 = channel count + 3: submaster 3
  input.handleDatagram(bytesOf(level(1, 200.0f)));
  EXPECT_EQ(host.output[3], 200);
  EXPECT_EQ(host.output[9], 200);
  EXPECT_EQ(host.output[27], -1);
}

TEST_F(SoundToLightTest, EmptyBandSendsNothing) {
  input.handleDatagram(bytesOf(level(1, 128.0f)));
  input.bands().setBand(3, "");
  input.handleDatagram(bytesOf(level(3, 128.0f)));
  EXPECT_EQ(host.sendDmxCount, 0);
}

TEST_F(SoundToLightTest, OnlyAFloatSetsALevel) {
  input.handleDatagram(bytesOf(oscInt("/eos/user/0/chan/2", 128)));
  input.handleDatagram(bytesOf(oscString("/eos/user/0/chan/2", "128")));
  input.handleDatagram(bytesOf(oscMessage("/eos/user/0/chan/2")));
  EXPECT_EQ(host.output[5], -1);
  EXPECT_EQ(host.sendDmxCount, 0);
  EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(SoundToLightTest, BandsOutsideOneToFourAreIgnored) {
  for (int b = 1; b <= 4; ++b) input.bands().setBand(b, "|1|");
  for (const std::string band : {"0", "5", "x", "123", "-1"})
    input.handleDatagram(bytesOf(oscFloat("/eos/user/0/chan/" + band, 100.0f)));
  EXPECT_EQ(host.sendDmxCount, 0);
  EXPECT_EQ(host.output[1], -1);
}

struct LevelCase {
  float received;
  int minimum;
  int expected;  // -1: dropped
};

class SoundToLightLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SoundToLightLevels, AreRoundedAndLimited) {
  const LevelCase& c = GetParam();
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.bands().setBand(4, "|8|");
  input.bands().setMinimum(4, c.minimum);
  input.handleDatagram(bytesOf(level(4, c.received)));
  EXPECT_EQ(host.output[8], c.expected);
  EXPECT_EQ(host.sendDmxCount, c.expected < 0 ? 0 : 1);
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Levels, SoundToLightLevels,
                         ::testing::Values(LevelCase{128.0f, 0, 128}, LevelCase{127.5f, 0, 128},
                                           LevelCase{126.5f, 0, 126}, LevelCase{0.49f, 0, 0},
                                           LevelCase{255.4f, 0, 255}, LevelCase{300.0f, 0, 255},
                                           LevelCase{1e30f, 0, 255}, LevelCase{-5.0f, 0, 0},
                                           LevelCase{-5.0f, -30, 0}, LevelCase{10.0f, 400, 255},
                                           LevelCase{std::nanf(""), 0, -1}, LevelCase{kInf, 0, -1},
                                           LevelCase{-kInf, 50, -1}));

TEST(SoundToLightBands, EmptyAndNonNumericEntriesAreSkipped) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;  // no dialog expected
  input.bands().setBand(1, "|5||x| 6 |7a|+8|");
  input.handleDatagram(bytesOf(level(1, 90.0f)));
  for (int a : {5, 6, 8}) EXPECT_EQ(host.output[a], 90) << a;
  EXPECT_EQ(host.output[7], -1);
}

TEST(SoundToLightBands, ChannelOutsideTheCountIsReportedAndTheRestSet) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Cancel);
  dialogs.answer(DialogResult::Cancel);
  dialogs.answer(DialogResult::Cancel);
  input.bands().setBand(3, "|2|25|0|4|99999999999999999999|");
  input.handleDatagram(bytesOf(level(3, 60.0f)));

  EXPECT_EQ(host.output[2], 60);
  EXPECT_EQ(host.output[4], 60);
  EXPECT_EQ(host.output[25], -1);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].title, "S2L channel error");
  EXPECT_EQ(dialogs.shown[0].text, "Channel 25 is greater than the number of channels.");
  EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Cancel);
  EXPECT_EQ(dialogs.shown[1].text, "Channel 0 is greater than the number of channels.");
  EXPECT_EQ(dialogs.shown[2].text, "Channel 99999999999999999999 is greater than the number of channels.");
  EXPECT_EQ(host.sendDmxCount, 1);
}

// Levels keep flowing while the channel error is open; the same error meanwhile goes to the log.
TEST(SoundToLightBands, OneChannelErrorDialogAtATime) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.bands().setBand(1, "|30|1|");
  DialogRecorder dialogs;
  int shown = 0;
  setDialogHandler([&](const MessageSpec& spec) {
    ++shown;
    EXPECT_EQ(spec.title, "S2L channel error");
    input.handleDatagram(bytesOf(level(1, 77.0f)));
    EXPECT_EQ(host.output[1], 77) << "handled while the dialog is open";
    return DialogResult::Cancel;
  });
  input.handleDatagram(bytesOf(level(1, 50.0f)));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host.logLines,
            QStringList{"S2L channel error: Channel 30 is greater than the number of channels."});
  EXPECT_EQ(host.output[1], 50);  // the first message finishes after the second
  EXPECT_EQ(host.sendDmxCount, 2);
}

TEST(SoundToLightBands, EosDatagramsAreMatchedByPatternToo) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.bands().setBand(2, "|3|");
  input.handleDatagram(bytesOf(oscFloat("/eos/*/2", 33.0f)));  // band text "" after no prefix: no level
  EXPECT_EQ(host.output[3], -1);
  input.handleDatagram(bytesOf(oscBundle({level(2, 44.0f)})));  // not "/eos" at the start
  EXPECT_EQ(host.output[3], -1);
  input.handleDatagram(bytesOf(level(2, 55.0f)));
  EXPECT_EQ(host.output[3], 55);
}

TEST(SoundToLightFile, ReadsBandsAndMinimums) {
  QTemporaryDir dir;
  const QString path = dir.filePath(kS2LBandFileName);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[1]\r\nDMX=|3|5|7|\r\nMin=12\r\n[2]\r\nMin=x\r\n[4]\r\nDMX=||\r\nMin=-40000\r\n");
  file.close();

  SoundToLight bands;
  bands.readBandFile(path);
  EXPECT_EQ(bands.S2LBands(1), "|3|5|7|");
  EXPECT_EQ(bands.S2LMinimum(1), 12);
  EXPECT_EQ(bands.S2LBands(2), "||");
  EXPECT_EQ(bands.S2LMinimum(2), 0);
  EXPECT_EQ(bands.S2LBands(3), "||");
  EXPECT_EQ(bands.S2LMinimum(4), -32768);

  bands.setBand(1, "|9|");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[1]\r\nDMX=|4|\r\nMin=99\r\n");
  file.close();
  bands.readMinimums(path);
  EXPECT_EQ(bands.S2LBands(1), "|9|");
  EXPECT_EQ(bands.S2LMinimum(1), 99);
  EXPECT_EQ(bands.S2LMinimum(4), 0);

  SoundToLight missing;
  missing.readBandFile(dir.filePath("none.ini"));
  for (int b = 1; b <= 4; ++b) EXPECT_EQ(missing.S2LBands(b), "||");
}

}  // namespace
