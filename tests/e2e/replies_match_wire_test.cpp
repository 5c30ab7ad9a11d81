// What the remote commands answer about levels and played cues, checked against what reaches the
// widget on the wire after every step: "done" comes once the cue is on the wire, and "read" answers
// what the channel's entry shows. After a cue ends the grid shows the next cue, selected but not
// played, while the wire still carries the cue that ran, so "read" reports the selected cue.

#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "console/engine/cue_record.h"
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
  // What "read" answers for each channel the cues use: the text of its entry.
  void expectReads(const char* step, const std::vector<int>& levels) {
    SCOPED_TRACE(step);
    ConsoleProcess::settle(300);
    const int channels[] = {1, 2, 3, 5};
    for (size_t i = 0; i < levels.size(); ++i)
      EXPECT_EQ(readLevel(channels[i]), levels[i]) << "channel " << channels[i];
  }
  std::vector<int> wire() {
    std::vector<int> levels;
    for (int a = 1; a <= 5; ++a) levels.push_back(wireLevel(a));
    return levels;
  }
};

}  // namespace

TEST_F(RepliesAndWire, DoneFollowsTheWireAndReadAnswersTheEntryThroughGotoPlaySetRecordAndPlayNext) {
  // goto selects cue 3 without playing it: its entry shows 100 while the wire carries nothing.
  send("goto 3\r\n");  // goto answers nothing
  expectReads("goto 3", {0, 0, 100, 0});
  EXPECT_EQ(wire(), (std::vector<int>{0, 0, 0, 0, 0}));

  send("goto 1\r\n");
  expectReads("goto 1", {100, 0, 0, 0});

  command("play", "done");
  ASSERT_TRUE(waitForLevel(1, 255));
  EXPECT_EQ(wire(), (std::vector<int>{255, 0, 0, 0, 0}));
  // Cue 2 is selected now: channel 5 shows its 20 while the wire has 0 there.
  expectReads("play", {0, 100, 0, 20});
  EXPECT_EQ(wire(), (std::vector<int>{255, 0, 0, 0, 0})) << "reading changes nothing on stage";

  // A level the grid already shows is still set on the wire.
  send("set 5@20\r\n");
  ASSERT_TRUE(waitForLevel(5, 51));
  expectReads("set 5@20", {0, 100, 0, 20});

  send("record\r\n");
  ConsoleProcess::settle(500);
  EXPECT_EQ(wire(), (std::vector<int>{255, 0, 0, 0, 51})) << "recording changes nothing on stage";

  // "done" means cue 2 is on the wire.
  command("play next", "done");
  ASSERT_TRUE(waitForLevel(2, 255));
  EXPECT_EQ(wire(), (std::vector<int>{0, 255, 0, 0, 51}));
  expectReads("play next", {0, 0, 100, 0});

  ASSERT_TRUE(console.stop());
  QFile file(console.path("show.lcue"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 3 * kCueRecordSize);
  const QByteArray cue2 = bytes.mid(kCueRecordSize + cue_offset::Levels, 5);
  EXPECT_EQ(cue2, QByteArray::fromHex("00ff000033")) << "cue 2 recorded as it was set";
}
