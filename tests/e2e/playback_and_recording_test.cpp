// Playing, recording and closing, driven from outside over TCP and OSC with the USB Pro widget
// simulator on the wire: what a user of the console sees.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <vector>

#include "console/engine/cue_record.h"
#include "tests/e2e/driven_console.h"

namespace {

CueRecord cue(int number, int kind, int fadeTenths, std::vector<std::pair<int, int>> levels) {
  CueRecord c;
  c.cueNumber = number;
  c.setDescriptionText("cue " + QString::number(number / 100));
  c.channelCountField = 640;  // 64 channels, side files following the program
  c.cueKind = kind;
  c.fadeUpTime = fadeTenths;
  c.fadeDownTime = fadeTenths;
  for (const auto& [channel, level] : levels) c.levels[channel - 1] = char(level);
  return c;
}

// Cue 1 dark; cue 2 a follow-spot alert bringing channel 1 up over 3 s; cue 3 channel 2 at once.
QByteArray show() {
  return cue(100, kCueNormalDmx, 0, {}).encode() + cue(200, kCueFollowspotAlert, 30, {{1, 255}}).encode() +
         cue(300, kCueNormalDmx, 0, {{2, 255}}).encode();
}

struct PlayingConsole : ::testing::Test, DrivenConsole {
  void start() {
    console.writeFile("show.lcue", show());
    startOn("show.lcue", 64);
  }
  // The levels address `address` took on the wire from frame `from` on, each change once.
  std::vector<int> levelChanges(std::size_t from, int address) {
    std::vector<int> changes;
    const auto& frames = widget.frames();
    for (std::size_t i = from; i < frames.size(); ++i) {
      if (frames[i].label != 6 || frames[i].payload.size() <= address) continue;
      const int level = uint8_t(frames[i].payload[address]);
      if (changes.empty() || changes.back() != level) changes.push_back(level);
    }
    return changes;
  }
};

}  // namespace

TEST_F(PlayingConsole, AFollowSpotCueSendsEveryStepOfItsShortFadeToTheWire) {
  start();
  send("goto 2\r\n");
  ConsoleProcess::settle(300);
  const std::size_t from = widget.frames().size();
  send("play\r\n");
  ASSERT_TRUE(waitForLevel(1, 21));
  ConsoleProcess::settle(300);
  // Steps of a 3 s fade, cut to the two-tick fade of a follow-spot cue: the last step before the
  // closing one (17) goes out too.
  std::vector<int> changes = levelChanges(from, 1);
  if (!changes.empty() && changes.front() == 0) changes.erase(changes.begin());
  EXPECT_EQ(changes, (std::vector<int>{4, 8, 13, 17, 21}));
  // No prompter program in the program folder: nothing is said about it.
  for (const QString& line : console.dialogs())
    EXPECT_FALSE(line.contains("prompt", Qt::CaseInsensitive)) << line.toStdString();
  EXPECT_TRUE(console.stop());
}

TEST_F(PlayingConsole, TypedRecordedAndClosedAsksNothing) {
  start();
  send("goto 1\r\n");
  send("set 5@25\r\n");
  ASSERT_TRUE(waitForLevel(5, 64));
  send("record\r\n");
  ConsoleProcess::settle(500);
  // Without a remote client the console would ask on screen about changes left unrecorded.
  client.disconnectFromHost();
  ConsoleProcess::settle(300);
  ASSERT_TRUE(console.stop());
  EXPECT_EQ(console.dialogCount("Unrecorded Changes"), 0) << console.dialogs().join('\n').toStdString();
  QFile file(console.path("show.lcue"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 3 * kCueRecordSize);
  EXPECT_EQ(uint8_t(bytes[cue_offset::Levels + 4]), 64) << "channel 5 recorded into cue 1";
  EXPECT_EQ(uint8_t(bytes[kCueRecordSize + cue_offset::Levels]), 255) << "cue 2 untouched";
}

TEST_F(PlayingConsole, OscCommandsCarryingOtherTypesStillPlay) {
  if (QStandardPaths::findExecutable("oscsend").isEmpty()) GTEST_SKIP() << "liblo-tools not installed";
  start();
  const auto oscsend = [&](const QStringList& message) {
    QProcess::execute("oscsend", QStringList{"127.0.0.1", QString::number(oscPort)} + message);
  };
  oscsend({"/vqlight", "sT", "play 3"});
  EXPECT_TRUE(waitForLevel(2, 255));
  oscsend({"/vqlight", "sh", "black", "5"});
  EXPECT_TRUE(waitForLevel(2, 0));
  oscsend({"/vqlight", "sdc", "play 3", "2.5", "x"});
  EXPECT_TRUE(waitForLevel(2, 255));
  oscsend({"/vqlight", "s", "black"});
  EXPECT_TRUE(waitForLevel(2, 0));
  oscsend({"/vqlight", "dsI", "2.5", "play 3"});  // the text is the first argument held
  EXPECT_TRUE(waitForLevel(2, 255));
  EXPECT_TRUE(console.stop());
}

TEST_F(PlayingConsole, TheFollowSpotPrompterOfTheProgramFolderIsStartedForAnAlert) {
  console.writeFile("PROMPT.exe", "#!/bin/sh\necho started >> \"$(dirname \"$0\")/prompter-started\"\n");
  QFile::setPermissions(console.path("PROMPT.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                        QFile::ReadUser | QFile::ExeUser);
  start();
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return QFileInfo::exists(console.path("prompter-started")); }));
  EXPECT_TRUE(console.stop());
}
