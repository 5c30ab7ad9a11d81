// What the remote commands answer about levels and played cues, checked against what reaches the
// widget on the wire after every step: after a cue ends the grid shows the next cue, selected but
// not played, while the wire still carries the cue that ran.

#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "console/engine/cue_record.h"
#include "console/engine/level_math.h"
#include "tests/e2e/driven_console.h"

namespace {

CueRecord cue(int number, std::vector<std::pair<int, int>> levels) {
  CueRecord c;
  c.cueNumber = number;
  c.setDescriptionText("cue " + QString::number(number / 100));
  c.channelCountField = 640;  // 64 channels, side files following the program
  c.cueKind = kCueNormalDmx;
  for (const auto& [channel, level] : levels) c.levels[channel - 1] = char(level);
  return c;
}

struct RepliesAndWire : ::testing::Test, DrivenConsole {
  void SetUp() override {
    console.writeFile("show.lcue", cue(100, {{1, 255}}).encode() + cue(200, {{2, 255}, {5, 51}}).encode() +
                                       cue(300, {{3, 255}}).encode());
    startOn("show.lcue", 64);
  }
  // Sends a command and waits for `reply` as the next answer.
  void command(const QByteArray& text, const QByteArray& reply) {
    received.clear();
    send(text + "\r\n");
    ASSERT_TRUE(waitForReply(reply + "\r\n")) << text.constData() << " got " << received.constData();
  }
  int readLevel(int channel) {
    received.clear();
    send("read " + QByteArray::number(channel) + "\r\n");
    if (!ConsoleProcess::waitFor([&] {
          received += client.readAll();
          return received.startsWith("read") && received.endsWith("\r\n");
        }))
      return -1;
    return received.mid(4, received.size() - 6).toInt();
  }
  // Every channel the cues use: the level "read" answers is the level the wire carries.
  void expectRepliesMatchWire(const char* step) {
    SCOPED_TRACE(step);
    ConsoleProcess::settle(300);
    for (int channel : {1, 2, 3, 5})
      EXPECT_EQ(readLevel(channel), dmxToPercent(wireLevel(channel))) << "channel " << channel;
  }
  std::vector<int> wire() {
    std::vector<int> levels;
    for (int a = 1; a <= 5; ++a) levels.push_back(wireLevel(a));
    return levels;
  }
};

}  // namespace

TEST_F(RepliesAndWire, EveryReplyAgreesWithTheWireThroughPlayReadSetRecordAndPlayNext) {
  send("goto 1\r\n");  // goto answers nothing
  expectRepliesMatchWire("goto 1");

  command("play", "done");
  ASSERT_TRUE(waitForLevel(1, 255));
  EXPECT_EQ(wire(), (std::vector<int>{255, 0, 0, 0, 0}));
  expectRepliesMatchWire("play");

  // Cue 2 is selected now and shows 20 on channel 5; the wire has 0 there.
  EXPECT_EQ(readLevel(5), 0);

  // A level the grid already shows is still set on the wire.
  send("set 5@20\r\n");
  ASSERT_TRUE(waitForLevel(5, 51));
  expectRepliesMatchWire("set 5@20");

  send("record\r\n");
  ConsoleProcess::settle(500);
  EXPECT_EQ(wire(), (std::vector<int>{255, 0, 0, 0, 51})) << "recording changes nothing on stage";
  expectRepliesMatchWire("record");

  // "done" means cue 2 is on the wire.
  command("play next", "done");
  ASSERT_TRUE(waitForLevel(2, 255));
  EXPECT_EQ(wire(), (std::vector<int>{0, 255, 0, 0, 51}));
  expectRepliesMatchWire("play next");

  ASSERT_TRUE(console.stop());
  QFile file(console.path("show.lcue"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 3 * kCueRecordSize);
  const QByteArray cue2 = bytes.mid(kCueRecordSize + cue_offset::Levels, 5);
  EXPECT_EQ(cue2, QByteArray::fromHex("00ff000033")) << "cue 2 recorded as it was set";
}
