// A submaster strip that plays a loop cue file, read frame by frame on the widget simulator's wire.

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <set>
#include <vector>

#include "console/engine/cue_record.h"
#include "tests/e2e/driven_console.h"

namespace {

constexpr int kChannels = 64;
constexpr int kFaderChannel = 60;  // patched to the second submaster's address: its level is the fader

CueRecord cue(int number, std::vector<std::pair<int, int>> levels) {
  CueRecord c;
  c.cueNumber = number;
  c.setDescriptionText("cue " + QString::number(number / 100));
  c.channelCountField = kChannels * 10;  // side files following the program
  for (const auto& [channel, level] : levels) c.levels[channel - 1] = char(level);
  return c;
}

// The console's patch: one to one, but channel 60 drives the second submaster's fader.
QByteArray patchFile() {
  QByteArray out = "-1\r\n";
  for (int k = 1; k <= 1024; ++k) {
    const int address = k == kFaderChannel ? kChannels + 2 : k;
    out += QByteArray::number(k) + (k > 512 ? "(" + QByteArray::number(k - 512) + ")" : "") + "," +
           QByteArray::number(address) + ",\r\n";
  }
  return out;
}

// The demo show's cues as loop steps: per step its levels of channels 1-24 (in groups of four that
// always hold equal levels).
std::vector<std::vector<int>> loopStepLevels(const QByteArray& file) {
  std::vector<std::vector<int>> steps;
  for (qsizetype at = 0; at + kCueRecordSize <= file.size(); at += kCueRecordSize) {
    const CueRecord c = CueRecord::decode(file.mid(at, kCueRecordSize));
    std::vector<int> levels(25, 0);
    for (int ch = 1; ch <= 24; ++ch) levels[size_t(ch)] = uint8_t(c.levels[ch - 1]);
    steps.push_back(levels);
  }
  return steps;
}

struct LoopStrip : ::testing::Test, DrivenConsole {
  // The levels of channels 1-24 in every frame sent once the loop started.
  std::vector<std::vector<int>> framesFrom(std::size_t first) {
    std::vector<std::vector<int>> out;
    const auto& frames = widget.frames();
    for (std::size_t i = first; i < frames.size(); ++i) {
      if (frames[i].label != 6 || frames[i].payload.size() <= 24) continue;
      std::vector<int> levels(25, 0);
      for (int ch = 1; ch <= 24; ++ch) levels[size_t(ch)] = uint8_t(frames[i].payload[ch]);
      out.push_back(levels);
    }
    return out;
  }
};

}  // namespace

TEST_F(LoopStrip, TheDemoShowAsLoopFilePlaysEveryStepSmoothlyOnceAndHoldsItsLastStep) {
  QFile demo(console.path("demo.lcue"));
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly)) << "the demo show is built into the program folder";
  const std::vector<std::vector<int>> steps = loopStepLevels(demo.readAll());
  ASSERT_GE(steps.size(), 2u);
  console.writeFile("show.lcue", cue(100, {}).encode() + cue(200, {{kFaderChannel, 255}}).encode());
  console.writeFile(
      "show.subs",
      ("[Submasters]\r\nsubtitle1=Loop\r\nSubfile1=" + console.path("demo.lcue") + "\r\n").toUtf8());
  console.writeFile("vqlighting.spch", patchFile());
  startOn("show.lcue", kChannels);
  if (HasFatalFailure()) return;

  const std::size_t first = widget.frames().size();
  // Cue 2 raises the fader to 100 at once: the loop starts.
  send("goto 2\r\n");
  send("play\r\n");
  // The last step (the demo's black-out) is reached once everything has been lit and gone dark.
  bool lit = false;
  ASSERT_TRUE(ConsoleProcess::waitFor(
      [&] {
        const int level = wireLevel(1);
        lit = lit || level > 0;
        if (!lit) return false;
        for (int ch = 1; ch <= 24; ++ch)
          if (wireLevel(ch) != steps.back()[size_t(ch)]) return false;
        return true;
      },
      90000));
  ConsoleProcess::settle(1500);
  const std::vector<std::vector<int>> frames = framesFrom(first);
  ASSERT_FALSE(frames.empty());

  // Channels holding equal levels in every step are equal in every frame.
  for (const std::vector<int>& f : frames)
    for (int group = 1; group <= 24; group += 4)
      for (int ch = group + 1; ch < group + 4; ++ch)
        ASSERT_EQ(f[size_t(ch)], f[size_t(group)]) << "channel " << ch;

  // Every fade of a step runs one way: a channel turns only at a level one of the steps gives it.
  for (int ch = 1; ch <= 24; ch += 4) {
    std::set<int> targets = {0};
    for (const auto& s : steps) targets.insert(s[size_t(ch)]);
    std::vector<int> levels;
    for (const std::vector<int>& f : frames)
      if (levels.empty() || levels.back() != f[size_t(ch)]) levels.push_back(f[size_t(ch)]);
    for (std::size_t i = 1; i + 1 < levels.size(); ++i) {
      const bool turns = (levels[i] - levels[i - 1]) * (levels[i + 1] - levels[i]) < 0;
      if (turns) EXPECT_TRUE(targets.count(levels[i])) << "channel " << ch << " turns at " << levels[i];
    }
    // Each step's level was reached on the way.
    for (const auto& s : steps)
      EXPECT_NE(std::find(levels.begin(), levels.end(), s[size_t(ch)]), levels.end())
          << "channel " << ch << " never at " << s[size_t(ch)];
  }

  // The file has no loop-back step: it plays once and the last step's levels stay.
  for (int ch = 1; ch <= 24; ++ch) EXPECT_EQ(wireLevel(ch), steps.back()[size_t(ch)]) << ch;
  EXPECT_TRUE(console.dialogs().filter("Cue File").isEmpty()) << console.dialogs().join('\n').toStdString();
  EXPECT_TRUE(console.stop());
}
