#include "console/editors/cue_list_editing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "tests/editors/editor_test_support.h"

namespace {

using namespace editor_test;

std::vector<CueRecord> wholeCues(int count) {
  std::vector<CueRecord> cues;
  for (int i = 1; i <= count; ++i) cues.push_back(levelCue(i * 100, "cue " + QString::number(i), i));
  return cues;
}

struct CueListFixture {
  FakeMainWindow main;
  DialogRecorder dialogs;
  TEditCue editor{main};
  CueListEditing editing{main, editor};

  explicit CueListFixture(const std::vector<CueRecord>& cues) : main(cues) {}
  explicit CueListFixture(int count) : CueListFixture(wholeCues(count)) {}

  QPoint cellCentre(int row) {
    QTableWidget* list = main.list.get();
    list->scrollToItem(list->item(row - 1, 0));
    return list->visualItemRect(list->item(row - 1, 0)).center();
  }
  void click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(main.list->viewport(), Qt::LeftButton, modifiers, cellCentre(row));
  }
};

// ---- Delete -----------------------------------------------------------------------------------------

TEST(CueListEditing, DeleteOneCue) {
  struct Case {
    int row;
    int running;
    std::vector<int> numbers;
    int selectedAfter;
    int runningAfter;
  } cases[] = {
      {4, 5, {100, 200, 300, 500}, 4, 4},  // second-to-last of five: the last stays intact
      {5, 2, {100, 200, 300, 400}, 4, 2},  // the last: the row above is selected
      {1, 1, {200, 300, 400, 500}, 1, 1},
  };
  for (const Case& c : cases) {
    CueListFixture f(5);
    f.main.select(c.row);
    f.main.S.Rows.RunningCue = c.running;
    f.dialogs.answer(DialogResult::Yes);
    f.editing.btnDeleteClick();
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    const MessageSpec& m = f.dialogs.shown[0];
    EXPECT_EQ(m.title, "Delete Cue");
    EXPECT_EQ(m.text, "Delete Cue Call " + QString::number(c.row) + "?");
    EXPECT_EQ(m.buttons, DialogButtons::YesNo);
    EXPECT_EQ(m.place, MessageSpec::Place::OffsetFromParent);
    EXPECT_EQ(m.position, QPoint(200, 100));
    EXPECT_EQ(numbersIn(f.main.path), c.numbers) << c.row;
    EXPECT_EQ(f.main.S.Rows.CurrentCue, c.selectedAfter) << c.row;
    EXPECT_EQ(f.main.S.Rows.RunningCue, c.runningAfter) << c.row;
    EXPECT_EQ(f.main.S.Cues.CueCount, 4);
  }
  CueListFixture f(5);
  const std::vector<CueRecord> cues = wholeCues(5);
  f.main.select(4);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnDeleteClick();
  EXPECT_EQ(readBytes(f.main.path).mid(3 * kCueRecordSize), cues[4].encode());
}

TEST(CueListEditing, DeleteKeepsTheListWhereItWas) {
  CueListFixture f(40);
  f.main.select(8);
  f.editing.setTopRow(5);
  ASSERT_EQ(f.editing.topRow(), 5);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnDeleteClick();
  EXPECT_EQ(f.main.S.Cues.CueCount, 39);
  EXPECT_EQ(f.editing.topRow(), 5);
}

TEST(CueListEditing, DeleteAnsweredNoChangesNothing) {
  CueListFixture f(3);
  f.main.select(2);
  const QByteArray before = readBytes(f.main.path);
  f.dialogs.answer(DialogResult::No);
  f.editing.btnDeleteClick();
  EXPECT_EQ(readBytes(f.main.path), before);
}

TEST(CueListEditing, DeletingTheLastCueLeavesNoRowBehind) {
  CueListFixture f(1);
  f.main.select(1);
  f.main.S.Rows.RunningCue = 1;
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnDeleteClick();
  EXPECT_EQ(f.main.S.Cues.CueCount, 0);
  EXPECT_EQ(f.main.S.Rows.CurrentCue, 0);
  EXPECT_EQ(f.main.S.Rows.RunningCue, 0);
  EXPECT_EQ(f.main.S.Rows.LastSelectedRow, 0);
  f.editing.btnRecordClick();
  EXPECT_TRUE(f.main.recorded.empty()) << "nothing to record into";
}

TEST(CueListEditing, DeleteARange) {
  CueListFixture f(5);
  f.main.select(5);
  f.main.S.Rows.RunningCue = 5;
  f.main.markRange(3, 5);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnDeleteClick();
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_EQ(f.dialogs.shown[0].title, "Deleting Multiple Cues");
  EXPECT_EQ(f.dialogs.shown[0].text, "Delete Cue Calls 3 thru 5?");
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200}));
  EXPECT_FALSE(f.main.CueRangeMarkedFlag);
  EXPECT_EQ(f.main.S.Rows.CurrentCue, 2);
  EXPECT_EQ(f.main.S.Rows.RunningCue, 0) << "the running cue was deleted";
}

TEST(CueListEditing, MovedLoopCuesAreReported) {
  std::vector<CueRecord> cues = wholeCues(4);
  cues[3].loopTarget = 200;
  CueListFixture f(cues);
  f.main.select(2);
  f.dialogs.answer(DialogResult::Yes);
  f.dialogs.answer(DialogResult::Cancel);
  f.editing.btnDeleteClick();
  ASSERT_EQ(f.dialogs.shown.size(), 2u);
  EXPECT_EQ(f.dialogs.shown[1].title, "Loop Cue Moved");
  EXPECT_EQ(f.dialogs.shown[1].text, "One or more Loop cues moved and will need reediting.");
  EXPECT_EQ(f.dialogs.shown[1].buttons, DialogButtons::Cancel);
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 300, 400})) << "the change stands";
}

// ---- Cut, copy, paste ------------------------------------------------------------------------------

TEST(CueListEditing, PastedCueFollowsTheRowItLandsAfter) {
  CueListFixture f(5);
  f.main.select(1);
  f.editing.btnCopyClick();
  f.main.select(4);
  f.main.S.AutoAdvance = true;
  f.editing.btnPasteClick();
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200, 300, 400, 500, 500}));
  EXPECT_EQ(recordIn(f.main.path, 4).descriptionText(), "cue 1");
  EXPECT_EQ(f.main.S.Rows.CurrentCue, 4);
  EXPECT_TRUE(f.main.S.AutoAdvance) << "auto advance is put back";
}

TEST(CueListEditing, PasteWithNothingCopiedDoesNothing) {
  CueListFixture f(3);
  f.main.select(2);
  const QByteArray before = readBytes(f.main.path);
  f.editing.btnPasteClick();
  EXPECT_EQ(readBytes(f.main.path), before);
}

TEST(CueListEditing, RangePasteKeepsOrderAndNumbers) {
  CueListFixture f(6);
  f.main.select(2);
  f.main.markRange(2, 3);
  f.editing.btnCopyClick();
  EXPECT_TRUE(f.editing.RangeCopied);
  f.main.CueRangeMarkedFlag = false;
  f.main.select(5);
  f.main.S.Rows.RunningCue = 6;
  f.editing.btnPasteClick();
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200, 300, 400, 500, 200, 300, 600}));
  EXPECT_FALSE(f.editing.RangeCopied);
  EXPECT_EQ(f.main.S.Rows.RunningCue, 8) << "the cue that ran is still the one marked";
}

TEST(CueListEditing, RangeCopyHoldsAtMostTwentyFourCues) {
  CueListFixture f(30);
  f.main.select(1);
  f.main.markRange(1, 30);
  f.editing.btnCopyClick();
  ASSERT_EQ(f.editing.CueRangeClipboard.size(), 24u);
  EXPECT_EQ(f.editing.CueRangeClipboard.back().cueNumber, 2400);
  f.main.CueRangeMarkedFlag = false;
  f.main.select(30);
  f.editing.btnPasteClick();
  EXPECT_EQ(f.main.S.Cues.CueCount, 54);
}

TEST(CueListEditing, CutWithAMarkedRangeCutsTheRange) {
  CueListFixture f(5);
  f.main.select(2);
  f.main.markRange(2, 3);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnCutClick();
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 400, 500}));
  f.main.select(1);
  f.editing.btnPasteClick();
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200, 300, 400, 500}));
}

TEST(CueListEditing, SingleCutForgetsACopiedRange) {
  CueListFixture f(5);
  f.main.select(2);
  f.main.markRange(2, 3);
  f.editing.btnCopyClick();
  f.main.CueRangeMarkedFlag = false;
  f.main.select(5);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnCutClick();
  EXPECT_FALSE(f.editing.RangeCopied);
  f.main.select(1);
  f.editing.btnPasteClick();
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200, 200, 300, 400}));
  EXPECT_EQ(recordIn(f.main.path, 1).descriptionText(), "cue 5");
}

// ---- Opening the editor ----------------------------------------------------------------------------

TEST(CueListEditing, InsertProposesTheNumberHalfwayBetween) {
  struct Case {
    int selected;
    bool after;
    const char* number;
    const char* caption;
  } cases[] = {
      {1, true, "1.5", "Inserting a New Cue"},
      {1, false, "0.5", "Inserting a New Cue"},
      {2, false, "1.5", "Inserting a New Cue"},
      {2, true, "12", "Add a New Cue"},  // after the last cue: add, Increment 10 whole cues on
  };
  for (const Case& c : cases) {
    CueListFixture f(2);
    f.main.select(c.selected);
    f.editor.cuedesc->setText("left over");
    if (c.after)
      f.editing.btnInsertAClick();
    else
      f.editing.btnInsertBClick();
    EXPECT_EQ(f.editor.cuenum->text(), c.number) << c.selected << c.after;
    EXPECT_EQ(f.editor.windowTitle(), c.caption);
    EXPECT_TRUE(f.editor.isVisible());
    EXPECT_EQ(f.editor.EditCueMode, TEditCue::NewCue);
    EXPECT_TRUE(f.editor.cuedesc->text().isEmpty());
    EXPECT_EQ(f.editor.loopcue->text(), "0");
    EXPECT_TRUE(f.editor.singlefade->isChecked());
    if (c.caption[0] == 'I') {
      EXPECT_EQ(f.editing.InsertAfter(), c.after ? 0 : 1);
    }
  }
}

TEST(CueListEditing, InsertWithoutASelectedCue) {
  CueListFixture f(2);
  f.dialogs.answer(DialogResult::Ok);
  f.editing.btnInsertBClick();
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_EQ(f.dialogs.shown[0].title, "Insert error");
  EXPECT_EQ(f.dialogs.shown[0].text, "No Cue cue line has been selected. Please selct one.");
  EXPECT_FALSE(f.editor.isVisible());
}

TEST(CueListEditing, InsertedCueIsWrittenWhereTheOpenerSaid) {
  CueListFixture f(3);
  f.main.select(2);
  f.editing.btnInsertBClick();
  f.editor.cuedesc->setText("between");
  ASSERT_TRUE(f.editor.editsaveClick());
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 150, 200, 300}));
}

TEST(CueListEditing, AddNeedsACueFile) {
  CueListFixture f(2);
  f.main.S.CueFileName = f.main.dir.filePath("gone.lcue");
  f.dialogs.answer(DialogResult::Ok);
  f.editing.btnAddClick();
  EXPECT_EQ(f.dialogs.count("Open Cue File error"), 1);
  EXPECT_FALSE(f.editor.isVisible());
}

TEST(CueListEditing, AddToAnEmptyShowStartsAtTheIncrement) {
  CueListFixture f(0);
  f.main.S.Increment = 5;
  f.main.S.Unrecorded = true;
  f.editing.btnAddClick();
  EXPECT_EQ(f.editor.cuenum->text(), "5");
  EXPECT_EQ(f.main.saveDirtyCalls, 1);
  EXPECT_FALSE(f.main.S.Unrecorded);
  EXPECT_FALSE(f.editor.savescene->isEnabled());
}

TEST(CueListEditing, SaveAsOffersTheNextNumber) {
  std::vector<CueRecord> cues = wholeCues(2);
  cues[1].cueNumber = 250;
  CueListFixture f(cues);
  f.main.select(1);
  f.editing.btnSaveAsClick();
  EXPECT_EQ(f.editor.windowTitle(), "Save Cue as ...");
  EXPECT_EQ(f.editor.EditCueMode, TEditCue::SaveSelectedAs);
  EXPECT_EQ(f.editor.cuenum->text(), "12.5");
  EXPECT_EQ(f.editor.cuenum->selectedText(), "12.5");
  EXPECT_EQ(f.editor.cuedesc->text(), "cue 1") << "filled from the selected cue";
}

// ---- Record and the scroller cue -------------------------------------------------------------------

TEST(CueListEditing, RecordIsRefusedWhileACueRuns) {
  CueListFixture f(2);
  f.main.select(2);
  f.main.fading = true;
  f.dialogs.answer(DialogResult::Cancel);
  f.editing.btnRecordClick();
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_EQ(f.dialogs.shown[0].title, "Cue running!");
  EXPECT_EQ(f.dialogs.shown[0].text, "Cannot record while a cue is running, sorry.");
  EXPECT_EQ(f.dialogs.shown[0].buttons, DialogButtons::Cancel);
  EXPECT_TRUE(f.main.recorded.empty());
  f.main.S.SubLoopActive = true;  // a submaster loop keeps the timer running
  f.editing.btnRecordClick();
  EXPECT_EQ(f.main.recorded.size(), 1u);
}

TEST(CueListEditing, RecordTakesTheSubmastersOutAndPutsThemBack) {
  CueListFixture f(2);
  f.main.select(2);
  f.main.submastersShown = true;
  f.main.faders = {10, 0, 30, 0, 0, 0, 0, 80};
  f.editing.btnRecordClick();
  ASSERT_EQ(f.main.recorded.size(), 1u);
  EXPECT_EQ(f.main.recorded[0], std::make_pair(2, true));
  EXPECT_EQ(f.main.faders, (std::array<int, 8>{10, 0, 30, 0, 0, 0, 0, 80}));
  ASSERT_EQ(f.main.faderWrites.size(), 16u);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(f.main.faderWrites[size_t(k)], std::make_pair(k, 0));
}

std::vector<CueRecord> scrollerShow(int secondNumber = 200) {
  std::vector<CueRecord> cues = {levelCue(100, "one"), levelCue(secondNumber, "two")};
  const int first[] = {100, 10, 20}, second[] = {200, 50, 60};
  for (int ch = 0; ch < 3; ++ch) {
    cues[0].levels[ch] = char(first[ch]);
    cues[1].levels[ch] = char(second[ch]);
  }
  cues[0].cueKind = kCueOscCommand;
  cues[0].setMessageTextString("/go");
  cues[0].port = 9000;
  cues[0].loopTarget = 100;
  cues[0].advanceAfter = 1;
  cues[0].advanceDelay = 30;
  cues[0].timeCode = 500;
  return cues;
}

void patchScrollers(ConsoleState& S) {
  S.Fixtures.FixtureStart[2] = kMoverScrollerChannel;  // a colour scroller
  S.Fixtures.FixtureStart[3] = kMoverScrollerChannel;  // a mover
  S.MoverChannels[3] = true;
  S.ScrollerChanged = true;
  S.Scrollprompt = true;
  S.FadeTime = 2;
}

TEST(CueListEditing, ScrollerCueGoesHalfwayBeforeTheRecordedCue) {
  CueListFixture f(scrollerShow());
  patchScrollers(f.main.S);
  f.main.select(2);
  f.dialogs.answer(DialogResult::Yes);
  f.editing.btnRecordClick();
  ASSERT_EQ(f.dialogs.count("Scroller Changes"), 1);
  EXPECT_EQ(f.dialogs.shown[0].text,
            "There are scroller changes too. Do you want\n\rto insert a cue here to change them beforehand?");
  EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 150, 200}));
  const CueRecord s = recordIn(f.main.path, 1);
  EXPECT_EQ(s.descriptionText(), "Scroller change");
  EXPECT_EQ(s.textColour, 0xFF0000);
  EXPECT_EQ(s.startMode, 1);
  EXPECT_EQ(s.timingMode, 0);
  EXPECT_EQ(s.fadeUpTime, 20);
  EXPECT_EQ(uint8_t(s.levels[0]), 100) << "intensities of the previous cue";
  EXPECT_EQ(uint8_t(s.levels[1]), 50) << "the scroller moves to its new position";
  EXPECT_EQ(uint8_t(s.levels[2]), 20) << "a mover is not a scroller";
  // A plain level cue.
  EXPECT_EQ(s.cueKind, kCueNormalDmx);
  EXPECT_TRUE(s.messageTextString().isEmpty());
  EXPECT_EQ(std::tie(s.port, s.loopTarget, s.loopCount, s.loopFileKey, s.advanceAfter, s.timeCode),
            std::make_tuple(0, 0, 0, 0, 0, 0));
  EXPECT_EQ(s.advanceDelay, 0);
  EXPECT_FALSE(f.main.S.ScrollerChanged);
}

TEST(CueListEditing, ScrollerCueCases) {
  {
    SCOPED_TRACE("at the first cue");
    CueListFixture f(scrollerShow());
    patchScrollers(f.main.S);
    f.main.select(1);
    f.dialogs.answer(DialogResult::Yes);
    f.dialogs.answer(DialogResult::Cancel);
    f.editing.btnRecordClick();
    EXPECT_EQ(f.dialogs.shown.back().text, "Sorry, you can't do that at the first cue.");
    EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200}));
    EXPECT_TRUE(f.main.S.ScrollerChanged);
  }
  {
    SCOPED_TRACE("no number fits");
    CueListFixture f(scrollerShow(101));
    patchScrollers(f.main.S);
    f.main.select(2);
    f.dialogs.answer(DialogResult::Yes);
    const QByteArray before = readBytes(f.main.path);
    f.editing.btnRecordClick();
    EXPECT_EQ(readBytes(f.main.path), before);
    EXPECT_TRUE(f.main.S.ScrollerChanged);
  }
  {
    SCOPED_TRACE("answered No");
    CueListFixture f(scrollerShow());
    patchScrollers(f.main.S);
    f.main.select(2);
    f.dialogs.answer(DialogResult::No);
    f.editing.btnRecordClick();
    EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200}));
    EXPECT_FALSE(f.main.S.ScrollerChanged);
  }
  {
    SCOPED_TRACE("without a record in the same call");
    CueListFixture f(scrollerShow());
    patchScrollers(f.main.S);
    f.main.select(2);
    f.editing.RecordedCue() = 2;
    f.editing.SaveScroller();
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_EQ(numbersIn(f.main.path), (std::vector<int>{100, 200}));
  }
  {
    SCOPED_TRACE("prompt off");
    CueListFixture f(scrollerShow());
    patchScrollers(f.main.S);
    f.main.S.Scrollprompt = false;
    f.main.select(2);
    f.editing.btnRecordClick();
    EXPECT_TRUE(f.dialogs.shown.empty());
  }
}

TEST(CueListEditing, RecordOrSaveQuestion) {
  struct Case {
    DialogResult answer;
    size_t records;
    bool editorShown;
  } cases[] = {{DialogResult::Yes, 1, false}, {DialogResult::Ok, 0, true}, {DialogResult::Cancel, 0, false}};
  for (const Case& c : cases) {
    CueListFixture f(2);
    f.main.select(1);
    f.main.S.Unrecorded = true;
    f.dialogs.answer(c.answer);
    f.editing.AddNew();
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    const MessageSpec& m = f.dialogs.shown[0];
    EXPECT_EQ(m.title, "Cue Record/Save request");
    ASSERT_EQ(m.customButtons.size(), 3u);
    EXPECT_EQ(m.customButtons[0].first, "Record");
    EXPECT_EQ(m.customButtons[1].first, "Save New");
    EXPECT_EQ(m.customButtons[2].first, "Cancel");
    EXPECT_EQ(f.main.recorded.size(), c.records);
    EXPECT_EQ(f.editor.isVisible(), c.editorShown);
    EXPECT_FALSE(f.main.S.Unrecorded);
  }
}

// ---- Mouse, wheel, keys ----------------------------------------------------------------------------

TEST(CueListEditing, ShiftRangesStopAtTwentyFourCues) {
  CueListFixture f(30);
  f.main.list->resize(300, 2000);
  f.main.select(3);
  f.click(26, Qt::ShiftModifier);
  EXPECT_TRUE(f.dialogs.shown.empty());
  EXPECT_EQ(f.main.RangeFirstRow, 3);
  EXPECT_EQ(f.main.RangeLastRow, 26);
  EXPECT_TRUE(f.main.CueRangeMarkedFlag);
  EXPECT_EQ(f.main.S.Rows.CurrentCue, 26);

  CueListFixture g(30);
  g.main.list->resize(300, 2000);
  g.main.select(3);
  g.dialogs.answer(DialogResult::Ok);
  g.click(27, Qt::ShiftModifier);
  ASSERT_EQ(g.dialogs.shown.size(), 1u);
  EXPECT_EQ(g.dialogs.shown[0].title, "Selected Cue Limit");
  EXPECT_EQ(g.dialogs.shown[0].text, "There is a 24 cue limit on selected cues. Please select fewer.");
  EXPECT_FALSE(g.main.CueRangeMarkedFlag);
  EXPECT_EQ(g.main.S.Rows.CurrentCue, 27) << "the row is still selected";
}

TEST(CueListEditing, PlainClickSelectsAndDoubleClickPlays) {
  CueListFixture f(5);
  f.click(3);
  EXPECT_EQ(f.main.S.Rows.CurrentCue, 3);
  EXPECT_FALSE(f.main.CueRangeMarkedFlag);
  f.main.playedRow = 3;
  f.main.S.AutoAdvance = true;
  QTest::mouseDClick(f.main.list->viewport(), Qt::LeftButton, Qt::NoModifier, f.cellCentre(3));
  EXPECT_EQ(f.main.sentCues, (std::vector<int>{3}));
  EXPECT_FALSE(f.main.S.AutoAdvance) << "replaying the cue that just ran does not advance";
}

TEST(CueListEditing, RightClickOpensTheEditorBlind) {
  CueListFixture f(3);
  f.main.select(2);
  f.main.S.LiveMode = true;
  f.main.S.ShowProgress = true;
  QTest::mouseClick(f.main.list->viewport(), Qt::RightButton, Qt::ControlModifier, f.cellCentre(2));
  EXPECT_TRUE(f.editor.isVisible());
  EXPECT_EQ(f.editor.windowTitle(), "Edit existing Cue");
  EXPECT_EQ(f.editor.EditCueMode, TEditCue::EditSelected);
  EXPECT_EQ(f.editor.cuenum->text(), "2");
  EXPECT_EQ(f.editor.cuedesc->text(), "cue 2");
  EXPECT_TRUE(f.editor.savescene->isEnabled());
  EXPECT_TRUE(f.main.S.CueListByMouse);
  EXPECT_FALSE(f.main.S.LiveMode);
  EXPECT_FALSE(f.main.S.ShowProgress);
  EXPECT_TRUE(f.main.S.GoWithCtrl);
  EXPECT_FALSE(f.main.S.GoWithShift);

  // A second right-click on another cue refills the open editor.
  QTest::mouseClick(f.main.list->viewport(), Qt::RightButton, Qt::NoModifier, f.cellCentre(3));
  EXPECT_EQ(f.editor.cuedesc->text(), "cue 3");
}

TEST(CueListEditing, LeavingTheEditorPutsLiveProgressBackAsItWas) {
  // Both ways of leaving, from either setting: the editor's own switch-off does not outlive it.
  for (const bool before : {false, true}) {
    for (const bool save : {false, true}) {
      SCOPED_TRACE(testing::Message() << "ShowProgress " << before << (save ? " save" : " exit"));
      CueListFixture f(3);
      f.main.select(2);
      f.main.S.ShowProgress = before;
      f.editing.cuelistMouseUp(Qt::RightButton, 2, Qt::NoModifier);
      f.editing.cuelistMouseUp(Qt::RightButton, 3, Qt::NoModifier);  // a second edit while open
      ASSERT_TRUE(f.editor.isVisible());
      EXPECT_FALSE(f.main.S.ShowProgress);
      if (save)
        EXPECT_TRUE(f.editor.editsaveClick());
      else
        f.editor.editexitClick();
      EXPECT_EQ(f.main.S.ShowProgress, before);
    }
  }
}

TEST(CueListEditing, RightClickWhileACueRunsOrLocked) {
  CueListFixture f(3);
  f.main.select(1);
  f.main.fading = true;
  f.main.S.FadeTotalTicks = 60;
  f.main.S.FadeTick = 10;
  f.dialogs.answer(DialogResult::Yes);
  f.editing.cuelistMouseUp(Qt::RightButton, 2, Qt::NoModifier);
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_EQ(f.dialogs.shown[0].title, "Cannot Edit while running.");
  EXPECT_EQ(f.dialogs.shown[0].text, "A cue is running! Should it be stopped so you can Edit?");
  EXPECT_EQ(f.main.S.FadeTick, 60);
  EXPECT_FALSE(f.editor.isVisible());

  f.main.fading = false;
  f.main.S.CueChangesAllowed = false;
  f.editing.cuelistMouseUp(Qt::RightButton, 2, Qt::NoModifier);
  EXPECT_FALSE(f.editor.isVisible()) << "a locked show is not edited from the list";
}

TEST(CueListEditing, WheelScrollsOnlyWithThePointerOverTheList) {
  CueListFixture f(30);
  auto wheel = [&f](int dy) {
    QWheelEvent e(QPointF(10, 10), f.main.list->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                  QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.main.list->viewport(), &e);
  };
  EXPECT_EQ(f.editing.topRow(), 1);
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(f.main.list.get(), &enter);
  EXPECT_TRUE(f.editing.MouseInCueList);
  wheel(-120);
  wheel(-120);
  EXPECT_EQ(f.editing.topRow(), 3);
  wheel(120);
  EXPECT_EQ(f.editing.topRow(), 2);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(f.main.list.get(), &leave);
  EXPECT_FALSE(f.editing.MouseInCueList);
}

TEST(CueListEditing, ArrowKeysAreLeftToTheMainWindowAndEndFinishesTheFade) {
  CueListFixture f(5);
  f.main.select(2);
  f.main.list->setFocus();
  QTest::keyClick(f.main.list.get(), Qt::Key_Down);
  QTest::keyClick(f.main.list.get(), Qt::Key_Down);
  EXPECT_EQ(f.main.list->currentRow(), 1);
  QTest::keyClick(f.main.list.get(), Qt::Key_End);
  EXPECT_EQ(f.main.keyends, 1);
}

TEST(CueListEditing, ScrollFollowsGoDownALongList) {
  CueListFixture f(40);
  f.main.select(15);
  f.main.list->scrollToTop();
  f.editing.Scroll();
  EXPECT_EQ(f.editing.topRow(), 2);
  EXPECT_EQ(f.editing.SavedTopRow, 2);
  f.main.select(5);
  f.editing.Scroll();
  EXPECT_EQ(f.editing.topRow(), 2) << "a selected row near the top does not scroll";
}

TEST(CueListEditing, BulkChangeWarnsAboutCuesOutOfOrder) {
  std::vector<CueRecord> cues = wholeCues(3);
  cues[2].cueNumber = 150;
  CueListFixture f(cues);
  f.dialogs.answer(DialogResult::Ok);
  f.editing.btnChannelClick();
  ASSERT_EQ(f.dialogs.shown.size(), 1u);
  EXPECT_EQ(f.dialogs.shown[0].title, "Cue sequence warning");
  EXPECT_EQ(f.dialogs.shown[0].text,
            "A cue or cues are out of ascending order.\n\rIt's before cue \"1 cue 3\", at line 3.\n\rThat "
            "can affect "
            "this task.");
  EXPECT_EQ(f.main.bulkChanges, 1);
}

}  // namespace
