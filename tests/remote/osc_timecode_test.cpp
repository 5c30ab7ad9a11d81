// Time code: the text form, the trigger, and "/TC/time" datagrams.

#include "console/remote/osc_timecode.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "console/remote/osc_input.h"
#include "tests/remote/osc_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

struct TimecodeCase {
  const char* text;
  std::optional<qint64> frames;
};

class TimecodeText : public ::testing::TestWithParam<TimecodeCase> {};

TEST_P(TimecodeText, ConvertsToFrames) {
  EXPECT_EQ(parseTimecode(QString::fromUtf8(GetParam().text)), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimecodeText,
    ::testing::Values(TimecodeCase{"00:01:00:10", 1510}, TimecodeCase{"01:00:00:00", 90000},
                      TimecodeCase{"00:00:01:00", 25}, TimecodeCase{"0:0:0:0", 0},
                      TimecodeCase{" 1: 2: 3: 4 ", 90000 + 3000 + 75 + 4},
                      TimecodeCase{"-1:00:00:00", -90000}, TimecodeCase{"00:00:00:99", 99},
                      // The largest fields overflow 32 bits once multiplied.
                      TimecodeCase{"32767:32767:32767:32767",
                                   32767LL * 90000 + 32767LL * 1500 + 32767LL * 25 + 32767},
                      TimecodeCase{"-32768:00:00:00", -32768LL * 90000},
                      // Not a time code.
                      TimecodeCase{"", std::nullopt}, TimecodeCase{"  :  :  :  ", std::nullopt},
                      TimecodeCase{"00:01:00", std::nullopt}, TimecodeCase{"00:01:00:10:5", std::nullopt},
                      TimecodeCase{"00:01:00:x", std::nullopt}, TimecodeCase{"1.5:00:00:00", std::nullopt},
                      TimecodeCase{"32768:00:00:00", std::nullopt},
                      TimecodeCase{"00:00:00:-", std::nullopt}));

TEST(TimecodeTrigger, ArmingFollowsTheSelectedCue) {
  OscTimecode trigger;
  EXPECT_FALSE(trigger.TimecodeArmed());
  trigger.cueSelected(OscTimecode::kTimecodeStartMode, 1510);
  EXPECT_TRUE(trigger.TimecodeArmed());
  EXPECT_EQ(trigger.TimecodeGo(), 1510);
  trigger.cueSelected(0, 99);  // a cue started by the GO key
  EXPECT_FALSE(trigger.TimecodeArmed());
  trigger.setTimecodeGo(42);  // the cue editor's save does not arm
  EXPECT_FALSE(trigger.TimecodeArmed());
  EXPECT_EQ(trigger.TimecodeGo(), 42);
}

OscBytes timecode(const std::string& text) { return oscString("/TC/time", text); }

// GO re-selects the cue it starts; starting it disarms, so the running time code fires only once.
TEST(TimecodeDatagrams, FiresOnceThroughGoReselectingTheCue) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().cueSelected(OscTimecode::kTimecodeStartMode, 1510);
  host.onCall = [&](const QString& what) {
    if (what != "btnPlayClick") return;
    input.timecode().cueSelected(OscTimecode::kTimecodeStartMode, 1510);  // LoadCue
    input.timecode().cueStarted();                                        // SendCue
  };
  for (const char* tc : {"00:01:00:10", "00:01:00:11", "00:01:00:12"})
    input.handleDatagram(bytesOf(timecode(tc)));
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
}

TEST(TimecodeDatagrams, NotArmedDoesNothing) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().setTimecodeGo(0);
  input.handleDatagram(bytesOf(timecode("00:01:00:10")));
  EXPECT_TRUE(host.calls.isEmpty());
}

TEST(TimecodeDatagrams, ArmedFiresGoOnceWhenDue) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().arm(1510);

  input.handleDatagram(bytesOf(timecode("00:01:00:09")));  // one frame early
  EXPECT_TRUE(host.calls.isEmpty());
  EXPECT_TRUE(input.timecode().TimecodeArmed());

  input.handleDatagram(bytesOf(timecode("00:01:00:10")));
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
  EXPECT_FALSE(input.timecode().TimecodeArmed());

  input.handleDatagram(bytesOf(timecode("00:01:00:11")));
  input.handleDatagram(bytesOf(timecode("00:02:00:00")));
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
}

TEST(TimecodeDatagrams, LateTimecodeFiresAtOnce) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().arm(1510);
  input.handleDatagram(bytesOf(oscBundle({timecode("10:00:00:00")})));
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
}

TEST(TimecodeDatagrams, OnlyATextTimecodeCounts) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().arm(0);
  input.handleDatagram(bytesOf(oscInt("/TC/time", 999999)));
  input.handleDatagram(bytesOf(oscFloat("/TC/time", 1e9f)));
  input.handleDatagram(bytesOf(oscMessage("/TC/time")));
  input.handleDatagram(bytesOf(timecode("soon")));
  EXPECT_TRUE(host.calls.isEmpty());
  EXPECT_TRUE(input.timecode().TimecodeArmed());
  input.handleDatagram(bytesOf(oscString("/TC/tim?", "00:00:00:00")));  // a pattern matches too
  EXPECT_EQ(host.calls, QStringList{"btnPlayClick"});
}

// The GO of the time code waits for a command that is still running, like any command.
TEST(TimecodeDatagrams, GoWaitsForARunningCommand) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.timecode().arm(25);
  const OscBytes tc = timecode("00:00:01:00");
  host.onCall = [&](const QString& what) {
    if (what == "keyend") {
      input.handleDatagram(bytesOf(tc));
      host.calls << "keyend returns";
    }
  };
  input.ParseOSCmsg("end");
  EXPECT_EQ(host.calls, (QStringList{"keyend", "keyend returns", "btnPlayClick"}));
  EXPECT_FALSE(input.timecode().TimecodeArmed());
}

}  // namespace
