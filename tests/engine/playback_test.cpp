// The playback decisions without any window: GO, the end of a cue, the played mark and the level
// the output carries for a channel.

#include "console/engine/playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/scripted_operator.h"

namespace {

struct PlaybackTest : ::testing::Test {
  ConsoleState S;
  ScriptedOperator op;
  Playback playback{S, op};
  PlaybackTest() { op.otherwise = DialogResult::Ok; }

  void SetUp() override {
    S.MaxChannels = 16;
    S.LiveMode = true;
    S.InterfaceOpen = true;
    S.Cues.resize(4);
    S.Cues.CueFileRecords = S.Cues.CueCount = 4;
    S.Rows.CurrentCue = 2;
  }
};

}  // namespace

TEST_F(PlaybackTest, GoIsRefusedWithoutInterfaceOrCueAndAsksAboutUnrecordedChanges) {
  S.InterfaceOpen = false;
  EXPECT_EQ(playback.go(), Playback::Go::Refused);
  ASSERT_EQ(op.asked.size(), 1u);
  EXPECT_EQ(op.asked[0].title, "Communications Error");
  EXPECT_EQ(op.asked[0].text, "The DMX interface is not connected. Please restart the program.");
  EXPECT_EQ(op.asked[0].icon, DialogIcon::Warning);

  S.InterfaceOpen = true;
  S.Rows.CurrentCue = 0;
  EXPECT_EQ(playback.go(), Playback::Go::Refused);
  S.Rows.CurrentCue = 2;
  S.Unrecorded = true;
  EXPECT_EQ(playback.go(), Playback::Go::AskFirst);
  S.Unrecorded = false;
  S.AutoAdvance = false;
  EXPECT_EQ(playback.go(), Playback::Go::Start);
  EXPECT_EQ(op.asked.size(), 1u);
}

TEST_F(PlaybackTest, AdvanceThenPlayStepsOnFromTheCueThatJustRan) {
  struct Case {
    bool etc, ctrl;
    int running, expectedRow;
  } cases[] = {
      {false, false, 2, 2},  // auto advance alone reloads the selected cue
      {true, false, 2, 3},   // the cue that just ran: on to the next
      {true, true, 2, 2},    // Ctrl replays it
      {true, false, 1, 2},   // another cue ran: the selected one plays
  };
  for (const Case& c : cases) {
    S.AutoAdvance = true;
    S.ETCmode = c.etc;
    S.GoWithCtrl = c.ctrl;
    S.Rows.RunningCue = c.running;
    S.Rows.CurrentCue = 2;
    EXPECT_EQ(playback.go(), Playback::Go::SelectThenStart);
    EXPECT_EQ(S.Rows.CurrentCue, c.expectedRow) << c.etc << c.ctrl << c.running;
  }
  // On the last cue there is nothing to advance to.
  S.Rows.CurrentCue = 4;
  S.Rows.RunningCue = 4;
  EXPECT_EQ(playback.go(), Playback::Go::Start);
  EXPECT_EQ(S.Rows.CurrentCue, 4);
}

TEST_F(PlaybackTest, TheEndOfACueMarksItPlayedAndSaysWhatTheNextRowDoes) {
  using Next = Playback::Done::Next;
  struct Case {
    int current, follow;
    bool autoAdvance, etc;
    Next next;
  } cases[] = {
      {2, 0, false, false, Next::Select},         // selected, not played
      {2, 1, false, false, Next::Select},         // a follow cue waits for auto advance
      {2, 1, true, false, Next::SelectAndStart},  // and starts with it
      {2, 1, true, true, Next::SelectAndStart},
      {2, 0, true, true, Next::Nothing},   // "Advance then Play" selects nothing
      {4, 0, true, false, Next::Nothing},  // the last cue
  };
  for (const Case& c : cases) {
    S.Rows.RunningCue = 1;
    playback.setMark(1, CueMark::Played);
    S.Rows.CurrentCue = c.current;
    for (int r = 1; r <= 4; ++r) S.Cues.CueTable[CueColumn::StartMode][size_t(r)] = 0;
    if (c.current < 4) S.Cues.CueTable[CueColumn::StartMode][size_t(c.current + 1)] = c.follow;
    S.AutoAdvanceChosen = c.autoAdvance;
    S.ETCmode = c.etc;
    const Playback::Done done = playback.cueDone();
    EXPECT_EQ(done.next, c.next) << c.current << c.follow << c.autoAdvance << c.etc;
    EXPECT_EQ(done.nextRow, c.next == Next::Nothing ? 0 : c.current + 1);
    EXPECT_EQ(done.unmarked, 1);
    EXPECT_EQ(done.played, c.current);
    EXPECT_EQ(S.Rows.RunningCue, c.current);
    EXPECT_FALSE(playback.played(1));
    EXPECT_TRUE(playback.played(c.current));
  }
}

TEST_F(PlaybackTest, AFollowCueStartsWhenSelectedUnderAutoAdvanceUnlessPickedForEditing) {
  S.Cues.CueTable[CueColumn::StartMode][3] = 1;
  struct Case {
    int row;
    bool autoAdvance, byMouse, starts;
  } cases[] = {
      {3, true, false, true}, {3, false, false, false}, {3, true, true, false}, {2, true, false, false}};
  for (const Case& c : cases) {
    S.AutoAdvanceChosen = c.autoAdvance;
    S.CueListByMouse = c.byMouse;
    EXPECT_EQ(playback.startsWhenSelected(c.row), c.starts) << c.row << c.autoAdvance << c.byMouse;
    EXPECT_EQ(S.AutoAdvance, c.autoAdvance);
  }
}

TEST_F(PlaybackTest, MarksFollowTheCueAndReplayingThePlayedCueDoesNotAdvance) {
  playback.cueStarted(3);
  EXPECT_EQ(playback.mark(3), CueMark::Fading);
  S.Rows.CurrentCue = 3;
  playback.cueDone();
  EXPECT_EQ(playback.mark(3), CueMark::Played);
  S.AutoAdvance = true;
  playback.replayStarting(2);
  EXPECT_TRUE(S.AutoAdvance);
  playback.replayStarting(3);
  EXPECT_FALSE(S.AutoAdvance);
  playback.clearMarks();
  EXPECT_EQ(playback.mark(3), CueMark::Plain);
  EXPECT_EQ(playback.mark(99), CueMark::Plain);
}

TEST_F(PlaybackTest, TheOutputLevelIsReadFromTheChannelsFirstAddress) {
  for (int ch = 1; ch <= 16; ++ch) S.Patch.PatchTable.set(ch, "|" + QString::number(ch) + "|", 16);
  S.Patch.PatchTable.set(3, "|9|10|", 16);
  S.Patch.PatchTable.set(4, "||", 16);
  S.Patch.PatchTable.set(5, "|17|", 16);  // a submaster's pseudo-address only
  S.Patch.ChannelFixture[6] = 12;
  S.Patch.IntensityChannel[6] = 13;  // channel 14's edit
  S.RawChannels[7] = true;
  S.DmxOutBuffer[0] = 51;
  S.DmxOutBuffer[8] = 255;
  S.DmxOutBuffer[13] = 128;
  S.DmxOutBuffer[6] = 200;
  EXPECT_EQ(playback.outputLevel(1), 20);
  EXPECT_EQ(playback.outputLevel(2), 0);
  EXPECT_EQ(playback.outputLevel(3), 100);
  EXPECT_EQ(playback.outputLevel(4), -1);
  EXPECT_EQ(playback.outputLevel(5), -1);
  EXPECT_EQ(playback.outputLevel(6), 50) << "the fixture's intensity";
  EXPECT_EQ(playback.outputLevel(7), 200) << "raw";
  EXPECT_EQ(playback.outputLevel(0), -1);
  EXPECT_EQ(playback.outputLevel(17), -1);
  S.OneToOnePatch = true;
  EXPECT_EQ(playback.outputLevel(3), 0);
}

TEST(PlaybackQuestions, TheUnrecordedChangesQuestionKeepsItsTextsAndButtons) {
  const MessageSpec md = Playback::unrecordedChangesQuestion();
  EXPECT_EQ(md.title, "Unrecorded Changes");
  EXPECT_EQ(md.text,
            "You did not Record some changes to the\n\rprevious cue. Save to that cue [<b>Yes</b> or "
            "<b>No</b>]\n\ror <b>Save</b> as a New cue?");
  EXPECT_TRUE(md.richText);
  EXPECT_EQ(md.buttons, DialogButtons::Custom);
  ASSERT_EQ(md.customButtons.size(), 3u);
  EXPECT_EQ(md.customButtons[0], (std::pair<QString, DialogResult>{"&Yes", DialogResult::Yes}));
  EXPECT_EQ(md.customButtons[1], (std::pair<QString, DialogResult>{"&No", DialogResult::No}));
  EXPECT_EQ(md.customButtons[2], (std::pair<QString, DialogResult>{"&Save New", DialogResult::Ok}));
}
