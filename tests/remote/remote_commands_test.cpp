#include "console/remote/remote_commands.h"

#include <gtest/gtest.h>

#include "tests/remote/remote_test_support.h"
#include "tests/support/test_clock.h"

namespace {

class RecordingReplies : public RemoteReplies {
 public:
  QStringList sent;
  QStringList web;
  bool client = true;
  void senderror(const QString& reply) override { sent << reply; }
  bool remoteClientConnected() const override { return client; }
  void postWebReply(const QString& text) override { web << text; }
};

class RemoteCommandsTest : public ::testing::Test {
 protected:
  FakeRemoteHost host;
  FakeRemoteClock clock;
  RecordingReplies replies;
  RemoteCommands commands{host, clock, replies};
};

struct CommandCase {
  const char* message;
  const char* calls;    // host calls joined by "; "
  const char* replies;  // replies joined by "; "
};

// Cues in the fake: rows 1..6 hold 1, 2, 3, 3.33, 5, 12.5; channels 1..24, channel 3 raw.
const CommandCase kCommandTable[] = {
    {"GOTO 3", "selectCueRow 3; CueListClicked 0", ""},
    {"goto 3.333", "selectCueRow 4; CueListClicked 0", ""},
    {"goto 12.5\r\n", "selectCueRow 6; CueListClicked 0", ""},
    {"goto 99", "", ""},
    {"goto x", "", "errorProblem with Cue syntax."},
    {"goto", "", "errorProblem with Cue syntax."},
    {"play next", "btnPlayClick", ""},
    {"Play 5", "selectCueRow 5; setCurrentCue 5; CueListClicked 1; SendCue", ""},
    {"play 7", "SendCue", ""},
    {"play", "SendCue", ""},
    {"play\r\n", "SendCue", ""},
    {"play x", "", "errorProblem with Cue syntax."},
    {"playback", "", "errorProblem with Cue syntax."},
    {"stop", "btnstoploopClick", ""},
    {"stopping", "btnstoploopClick", ""},
    {"end", "keyend", ""},
    {"back", "GoBack", ""},
    {"record", "btnRecordClick", ""},
    {"reset", "mreset", ""},
    {"set 12@50", "setChannelEditText 12 50; sendDMX; setCurrentLevel 12", ""},
    {"set 12@ 050", "setChannelEditText 12 50; sendDMX; setCurrentLevel 12", ""},
    {"set 3@255", "setChannelEditText 3 255; sendDMX; setCurrentLevel 3", ""},
    {"set 12 @50", "", "errorProblem with Cue syntax."},
    {"set 12", "", "errorProblem with Cue syntax."},
    {"set 12@", "", "errorProblem with Cue syntax."},
    {"settings", "", "errorProblem with Cue syntax."},
    {"set 0@50", "", "errorProblem with Cue syntax."},
    {"set 25@50", "", "errorProblem with Cue syntax."},
    {"set 12@101", "", "errorProblem with Cue syntax."},
    {"set 12@-1", "", "errorProblem with Cue syntax."},
    {"set 3@256", "", "errorProblem with Cue syntax."},
    {"read 7", "", "read40"},
    {"read 0", "", "errorProblem with Cue syntax."},
    {"read 25", "", "errorProblem with Cue syntax."},
    {"read seven", "", "errorProblem with Cue syntax."},
    {"hello", "", "errorUnknown Lighting command: hello"},
    {"HELLO\r\n", "", "errorUnknown Lighting command: hello"},
    {"re", "", "errorUnknown Lighting command: re"},
};

TEST_F(RemoteCommandsTest, CommandTable) {
  host.rawChannels = {3};
  for (const auto& c : kCommandTable) {
    SCOPED_TRACE(c.message);
    host.calls.clear();
    host.edits = {{7, "40"}};
    replies.sent.clear();
    commands.ProcessMsg(QString::fromLatin1(c.message));
    EXPECT_EQ(host.calls.join("; "), QString(c.calls));
    EXPECT_EQ(replies.sent.join("; "), QString(c.replies));
  }
}

TEST_F(RemoteCommandsTest, SetStoresTheFadeLevelAndMarksRemoteEdits) {
  host.rawChannels = {3};
  EXPECT_FALSE(host.remoteEdited);
  commands.ProcessMsg("set 12@50");
  commands.ProcessMsg("set 3@200");
  EXPECT_TRUE(host.remoteEdited);
  EXPECT_FLOAT_EQ(host.currentLevels[12], float(50 * 2.55));  // unrounded DMX level
  EXPECT_FLOAT_EQ(host.currentLevels[3], 200.0f);             // a raw channel keeps the DMX value
  EXPECT_EQ(host.sendDmxCount, 2);
}

TEST_F(RemoteCommandsTest, RefusedSetTouchesNothing) {
  commands.ProcessMsg("set 99@50");
  commands.ProcessMsg("set 12@150");
  EXPECT_TRUE(host.edits.empty());
  EXPECT_TRUE(host.currentLevels.empty());
  EXPECT_EQ(host.sendDmxCount, 0);
  EXPECT_FALSE(host.remoteEdited);
}

TEST_F(RemoteCommandsTest, ReadFillsAnEmptyEntryAndGoesToTheWebRemote) {
  commands.ProcessMsg("read 9");
  EXPECT_EQ(host.calls, QStringList{"setChannelEditText 9 0"});
  EXPECT_EQ(replies.web, QStringList{"read0"});
  EXPECT_EQ(replies.sent, QStringList{"read0"});
  EXPECT_TRUE(host.toolLines.contains("Send: read0"));
}

TEST_F(RemoteCommandsTest, ReadAnswersWhatTheEntryShows) {
  // The entry's text is the answer, whatever it shows: a level set by "set", or one a selected cue
  // put there.
  commands.ProcessMsg("set 12@55");
  host.edits[7] = "70";
  commands.ProcessMsg("read 12");
  commands.ProcessMsg("read 7");
  EXPECT_EQ(replies.sent, (QStringList{"read55", "read70"}));
  EXPECT_EQ(replies.web, (QStringList{"read55", "read70"}));
}

TEST_F(RemoteCommandsTest, ReadWithoutRemoteClientSendsNothingButKeepsTheWebReply) {
  replies.client = false;
  host.edits[7] = "40";
  commands.ProcessMsg("read 7");
  EXPECT_TRUE(replies.sent.isEmpty());
  EXPECT_EQ(replies.web, QStringList{"read40"});
}

TEST_F(RemoteCommandsTest, EngineFailureAnswersSyntaxError) {
  host.throwOn = "GoBack";
  commands.ProcessMsg("back");
  EXPECT_EQ(replies.sent, QStringList{"errorProblem with Cue syntax."});
}

TEST_F(RemoteCommandsTest, RepliesAndLogLinesQuoteOnlyTheFirst80Characters) {
  const QString longer = "hello" + QString(3000, 'z');
  commands.ProcessMsg(longer);
  const QString first80 = longer.left(80);
  EXPECT_EQ(replies.sent, QStringList{"errorUnknown Lighting command: " + first80});
  EXPECT_EQ(host.toolLines, (QStringList{"In: " + first80, "Unknown command: " + first80}));
}

TEST_F(RemoteCommandsTest, TracesFollowTheLogLevel) {
  host.logLevel = 0;
  commands.ProcessMsg("stop");
  commands.ProcessMsg("hello");
  // Only the unknown-command line is written at every level.
  EXPECT_EQ(host.toolLines, QStringList{"Unknown command: hello"});
  host.logLevel = 1;
  host.toolLines.clear();
  commands.ProcessMsg("Stop");
  EXPECT_EQ(host.toolLines, QStringList{"In: Stop"});
}

// Follow-spot input on virtual time, with the later pieces queued as the dispatcher would take them.
class FollowSpotPiecesTest : public ::testing::Test {
 protected:
  FakeRemoteHost host;
  TestClock clock;
  RecordingReplies replies;
  RemoteCommands commands{host, clock, replies};
  std::vector<std::function<void()>> queued;
  int doneCount = 0;

  void SetUp() override {
    commands.setQueue([this](std::function<void()> step) { queued.push_back(std::move(step)); });
    commands.setPiecesDone([this] { ++doneCount; });
  }
  // Runs the steps queued so far, in order.
  void runQueued() {
    auto steps = std::move(queued);
    queued.clear();
    for (auto& step : steps) step();
  }
  // Moves the clock on and runs what fell due, until nothing more is due.
  void runAll() {
    for (int i = 0; i < 100000 && commands.piecesDue(); ++i) {
      clock.advance(RemoteCommands::kPieceSpacingMs);
      runQueued();
    }
  }
  static QString rs() { return QString(QChar(kRecordSeparator)); }
};

TEST_F(FollowSpotPiecesTest, EachPieceIsAQueuedCommandFiftyMillisecondsAfterTheLast) {
  commands.ParseMsg("goto 2" + rs() + "play" + rs());
  // The first piece runs at once; nothing waits inside the command.
  EXPECT_EQ(host.calls.join("; "), "selectCueRow 2; CueListClicked 0");
  EXPECT_TRUE(clock.waits.empty());
  EXPECT_TRUE(commands.piecesDue());

  clock.advance(49);
  EXPECT_TRUE(queued.empty());
  clock.advance(1);
  ASSERT_EQ(queued.size(), 1u);
  // Another connection's command queued meanwhile runs before the piece it was queued ahead of.
  host.calls.clear();
  queued.insert(queued.begin(), [this] { commands.ProcessMsg("read 1"); });
  runQueued();
  EXPECT_EQ(host.calls.join("; "), "setChannelEditText 1 0; SendCue");

  // After the last separator: another pause, then the empty remainder, which gets the
  // unknown-command reply.
  clock.advance(50);
  ASSERT_EQ(queued.size(), 1u);
  runQueued();
  EXPECT_FALSE(commands.piecesDue());
  EXPECT_EQ(doneCount, 1);
  EXPECT_EQ(replies.sent, (QStringList{"read0", "errorUnknown Lighting command: "}));
}

TEST_F(FollowSpotPiecesTest, APieceAfterALeadingSeparatorWaitsItsPause) {
  commands.ParseMsg(rs() + "stop");
  EXPECT_TRUE(host.calls.isEmpty());
  clock.advance(50);
  runQueued();
  EXPECT_EQ(host.calls, QStringList{"btnstoploopClick"});
  EXPECT_FALSE(commands.piecesDue());
}

TEST_F(FollowSpotPiecesTest, OneMessageGivesAtMostItsBoundOfPieces) {
  QString message;
  for (int i = 0; i < 4000; ++i) message += "stop" + rs();
  message += "end";
  host.logLevel = 0;
  commands.ParseMsg(message);
  runAll();
  EXPECT_EQ(host.calls.count("btnstoploopClick"), RemoteCommands::kMaxPiecesPerMessage);
  EXPECT_EQ(host.calls.count("keyend"), 0) << "the rest of the message is dropped";
  ASSERT_EQ(host.toolLines.size(), 1);
  EXPECT_TRUE(host.toolLines[0].startsWith("Follow-spot message cut after 64 commands: "));
  EXPECT_LE(host.toolLines[0].size(), 200);
  EXPECT_EQ(clock.now, RemoteCommands::kMaxPiecesPerMessage * RemoteCommands::kPieceSpacingMs);
}

TEST_F(FollowSpotPiecesTest, AMessageArrivingWhilePiecesAreDueRunsAfterThem) {
  commands.ParseMsg("goto 1" + rs() + "goto 2");
  commands.ParseMsg("goto 3");
  EXPECT_EQ(host.calls.join("; "), "selectCueRow 1; CueListClicked 0");
  runAll();
  EXPECT_EQ(host.calls.join("; "),
            "selectCueRow 1; CueListClicked 0; selectCueRow 2; CueListClicked 0; selectCueRow 3; "
            "CueListClicked 0");
  EXPECT_EQ(doneCount, 1);
  // A message without separators runs whole at once.
  host.calls.clear();
  commands.ParseMsg("end");
  EXPECT_EQ(host.calls, QStringList{"keyend"});
  EXPECT_FALSE(commands.piecesDue());
  EXPECT_EQ(doneCount, 2);
}

TEST(RemoteCommandParsing, CueNumberKeys) {
  const struct {
    const char* text;
    std::optional<int> key;
  } cases[] = {
      {"3", 300},
      {"12.5", 1250},
      {"3.333", 333},
      {"0.125", 12},  // 12.5 ties to even
      {"0.135", 14},
      {".5", 50},
      {"-1", -100},
      {"1e1", 1000},
      {"", std::nullopt},
      {"x", std::nullopt},
      {"1.2.3", std::nullopt},
      {"12,5", std::nullopt},
      {"1e", std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
      {"1e300", std::nullopt},
      {"3 ", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(cueNumberKey(c.text), c.key);
  }
}

TEST(RemoteCommandParsing, Integers) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"12", 12},          {"  12", 12},          {"+7", 7},
      {"-3", -3},          {"12 ", std::nullopt}, {"", std::nullopt},
      {" ", std::nullopt}, {"1x", std::nullopt},  {"99999999999", std::nullopt},
      {"-", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseCommandInteger(c.text), c.value);
  }
}

TEST(RemoteCommandParsing, CaseFoldingAndTrimming) {
  EXPECT_EQ(foldCommandCase(QString::fromUtf8("GoTo ÄB")), QString::fromUtf8("goto Äb"));
  EXPECT_EQ(trimControls(QString(" \t\x01 12.5\r\n")), "12.5");
}

}  // namespace
