#include "console/editors/cue_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "console/editors/loop_file_list.h"
#include "tests/editors/editor_test_support.h"

namespace {

using namespace editor_test;

std::vector<CueRecord> cuesNumbered(std::initializer_list<int> numbers) {
  std::vector<CueRecord> cues;
  for (int n : numbers) cues.push_back(levelCue(n, "cue " + QString::number(n), 10));
  return cues;
}

struct Editor {
  FakeMainWindow main;
  DialogRecorder dialogs;
  TEditCue edit{main};

  explicit Editor(std::initializer_list<int> numbers) : main(cuesNumbered(numbers)) {}

  // Opens the dialog the way the main window's openers do; "Edit Light Cue" is the caption of a
  // dialog that was never opened before (it edits the selected cue).
  void open(const QString& caption, int mode) {
    edit.hide();
    if (caption == "Edit Light Cue") {
      edit.EditCueMode = mode;
      edit.show();
      return;
    }
    const CueEditorMode editorMode = caption.startsWith("Add")      ? CueEditorMode::Add
                                     : caption.startsWith("Save")   ? CueEditorMode::SaveAs
                                     : caption.startsWith("Insert") ? CueEditorMode::Insert
                                                                    : CueEditorMode::EditSelected;
    edit.openAs(editorMode, QString());
    ASSERT_EQ(edit.windowTitle(), caption);
    ASSERT_EQ(edit.EditCueMode, mode);
    ASSERT_EQ(main.S.EditorMode, editorMode);
  }
  void typeNew(const QString& number, const QString& description) {
    edit.cuenum->setText(number);
    edit.cuedesc->setText(description);
  }
};

TEST(CueEditor, EachCaptionWritesAtItsPlace) {
  struct Case {
    const char* caption;
    int mode;
    int selected;
    QString number;
    std::vector<int> numbers;
    int written;  // index of the new record
  } cases[] = {
      {"Edit existing Cue", TEditCue::EditSelected, 2, "2.2", {100, 220, 300}, 1},
      {"Edit Light Cue", TEditCue::EditSelected, 3, "3", {100, 200, 300}, 2},
      {"Add a New Cue", TEditCue::NewCue, 1, "4", {100, 200, 300, 400}, 3},
      {"Save Cue as ...", TEditCue::SaveSelectedAs, 1, "1.5", {100, 150, 200, 300}, 1},
      {"Save Cue as ...", TEditCue::SaveSelectedAs, 1, "0.5", {50, 100, 200, 300}, 0},
      {"Save Cue as ...", TEditCue::SaveSelectedAs, 1, "25", {100, 200, 300, 2500}, 3},
  };
  for (const Case& c : cases) {
    Editor e{100, 200, 300};
    e.main.select(c.selected);
    e.main.edits[1] = "50";
    e.open(c.caption, c.mode);
    e.typeNew(c.number, "written");
    ASSERT_TRUE(e.edit.editsaveClick()) << c.caption;
    EXPECT_EQ(numbersIn(e.main.path), c.numbers) << c.caption << " " << c.number.toStdString();
    const CueRecord r = recordIn(e.main.path, c.written);
    EXPECT_EQ(r.descriptionText(), "written") << c.caption;
    EXPECT_EQ(uint8_t(r.levels[0]), 127) << "the grid's levels are the cue's levels";
    EXPECT_EQ(e.main.S.Cues.CueCount, int(c.numbers.size())) << "tables read again";
    EXPECT_EQ(e.main.S.Rows.CurrentCue, c.written + 1) << "the saved cue is selected";
    EXPECT_FALSE(e.edit.isVisible());
    EXPECT_EQ(e.main.backups, 1);
    EXPECT_TRUE(e.edit.windowTitle().startsWith("Edit")) << "a second Save overwrites the cue just written";
  }
}

// The operator (or a command) selects and plays other cues while the dialog is open: Save still
// writes where the dialog was opened, and every other record keeps its bytes.
TEST(CueEditor, SaveWritesWhereTheDialogWasOpenedWhateverIsSelectedByThen) {
  struct Case {
    const char* caption;
    int mode;
    int insertAfter;
    QString number;
    int written;  // index of the record written
    std::vector<int> numbers;
  } cases[] = {
      {"Edit existing Cue", TEditCue::EditSelected, 0, "2", 1, {100, 200, 300, 400, 500}},
      {"Inserting a New Cue", TEditCue::NewCue, 0, "2.5", 2, {100, 200, 250, 300, 400, 500}},
      {"Inserting a New Cue", TEditCue::NewCue, 1, "1.5", 1, {100, 150, 200, 300, 400, 500}},
      {"Add a New Cue", TEditCue::NewCue, 0, "6", 5, {100, 200, 300, 400, 500, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    Editor e{100, 200, 300, 400, 500};
    e.main.select(2);
    e.edit.InsertAfter = c.insertAfter;
    e.open(c.caption, c.mode);
    const QByteArray fifth = readBytes(e.main.path).mid(4 * kCueRecordSize, kCueRecordSize);
    e.main.select(5);
    e.typeNew(c.number, "saved");
    ASSERT_TRUE(e.edit.editsaveClick());
    EXPECT_EQ(numbersIn(e.main.path), c.numbers);
    EXPECT_EQ(recordIn(e.main.path, c.written).descriptionText(), "saved");
    const int fifthNow = c.written <= 4 && c.mode == TEditCue::NewCue ? 5 : 4;
    EXPECT_EQ(readBytes(e.main.path).mid(fifthNow * kCueRecordSize, kCueRecordSize), fifth)
        << "the cue selected meanwhile is untouched";
    EXPECT_EQ(e.main.S.Rows.CurrentCue, c.written + 1) << "the saved cue is selected";
    // A second Save writes the same cue again, wherever the selection went.
    e.main.select(1);
    e.edit.cuedesc->setText("again");
    ASSERT_TRUE(e.edit.editsaveClick());
    EXPECT_EQ(recordIn(e.main.path, c.written).descriptionText(), "again");
    EXPECT_EQ(numbersIn(e.main.path), c.numbers);
  }
}

TEST(CueEditor, AnEditedCueIsFoundByItsNumberAndNothingIsWrittenOnceItHasGone) {
  {
    Editor e{100, 200, 300};
    e.main.select(3);
    e.open("Edit existing Cue", TEditCue::EditSelected);
    // The first cue goes away meanwhile: cue 3 is now on row 2.
    e.main.file.close();
    writeCueFile(e.main.path, cuesNumbered({200, 300}));
    ASSERT_TRUE(e.main.file.open(e.main.path));
    e.main.ReadCues();
    e.main.select(1);
    e.edit.cuedesc->setText("found");
    ASSERT_TRUE(e.edit.editsaveClick());
    EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{200, 300}));
    EXPECT_EQ(recordIn(e.main.path, 1).descriptionText(), "found");
    EXPECT_EQ(recordIn(e.main.path, 0).descriptionText(), "cue 200");
  }
  {
    Editor e{100, 200, 300};
    e.main.select(2);
    e.open("Edit existing Cue", TEditCue::EditSelected);
    e.main.file.close();
    writeCueFile(e.main.path, cuesNumbered({100, 300}));
    ASSERT_TRUE(e.main.file.open(e.main.path));
    e.main.ReadCues();
    const QByteArray before = readBytes(e.main.path);
    e.edit.cuedesc->setText("lost");
    EXPECT_FALSE(e.edit.editsaveClick());
    EXPECT_EQ(readBytes(e.main.path), before) << "no other cue takes its place";
  }
}

TEST(CueEditor, ChoosingNormalDmxClearsTheFileKeyOfTheCueBeingEdited) {
  std::vector<CueRecord> cues = cuesNumbered({100, 200, 300});
  cues[1].loopFileKey = 4;
  cues[2].loopFileKey = 5;
  FakeMainWindow main(cues);
  TEditCue edit(main);
  main.select(2);
  edit.openAs(CueEditorMode::EditSelected, QString());
  main.select(3);
  edit.CueTypeCloseUp(kCueNormalDmx);
  EXPECT_EQ(main.S.Cues.CueTable[CueColumn::LoopFileKey][2], 0);
  EXPECT_EQ(main.S.Cues.CueTable[CueColumn::LoopFileKey][3], 5);
}

TEST(CueEditor, SaveAsComparesTheTypedNumberInHundredths) {
  Editor e{100, 115, 200};
  e.main.select(1);
  e.open("Save Cue as ...", TEditCue::SaveSelectedAs);
  e.typeNew("1.15", "again");
  e.dialogs.answer(DialogResult::No);
  const QByteArray before = readBytes(e.main.path);
  EXPECT_FALSE(e.edit.editsaveClick());
  ASSERT_EQ(e.dialogs.shown.size(), 1u);
  EXPECT_EQ(e.dialogs.shown[0].title, "Same Cue Call number");
  EXPECT_EQ(e.dialogs.shown[0].text, "Cue Call number 1.15 already exists.\n\rDo you want to overwrite it?");
  EXPECT_EQ(readBytes(e.main.path), before) << "No leaves the file untouched";

  e.open("Save Cue as ...", TEditCue::SaveSelectedAs);
  e.typeNew("1.15", "again");
  e.dialogs.answer(DialogResult::Yes);
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{100, 115, 200}));
  EXPECT_EQ(recordIn(e.main.path, 1).descriptionText(), "again");
}

TEST(CueEditor, SaveAsIntoAnEmptyFileAppends) {
  Editor e{};
  e.open("Save Cue as ...", TEditCue::SaveSelectedAs);
  e.typeNew("1", "first");
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{100}));
}

TEST(CueEditor, InsertBeforeAndAfterMoveTheRunningCue) {
  struct Case {
    int insertAfter;
    int running;
    int writtenAt;
    int runningAfter;
  } cases[] = {
      {1, 3, 2, 4},
      {1, 2, 2, 2},
      {0, 3, 3, 3},
      {0, 4, 3, 5},
  };
  for (const Case& c : cases) {
    Editor e{100, 200, 300, 400};
    e.main.select(3);
    e.main.S.Rows.RunningCue = c.running;
    e.edit.InsertAfter = c.insertAfter;
    e.open("Inserting a New Cue", TEditCue::NewCue);
    e.typeNew(c.insertAfter ? "2.5" : "3.5", "inserted");
    ASSERT_TRUE(e.edit.editsaveClick());
    EXPECT_EQ(recordIn(e.main.path, c.writtenAt).descriptionText(), "inserted") << c.insertAfter;
    EXPECT_EQ(e.main.S.Rows.RunningCue, c.runningAfter) << c.insertAfter << " running " << c.running;
    EXPECT_EQ(e.main.S.Cues.CueCount, 5);
  }
}

TEST(CueEditor, InsertWithPendingScrollerChangesGoesBeforeTheRecordedCue) {
  Editor e{100, 200, 300, 400};
  e.main.select(1);
  e.main.S.ScrollerChanged = true;
  e.edit.RecordedCue = 3;
  e.open("Inserting a New Cue", TEditCue::NewCue);
  e.typeNew("2.5", "scrollers");
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(recordIn(e.main.path, 2).descriptionText(), "scrollers");
  EXPECT_FALSE(e.main.S.ScrollerChanged);
}

TEST(CueEditor, EditingTheFirstCueOfALockedShowKeepsTheLock) {
  std::vector<CueRecord> cues = cuesNumbered({100, 200});
  cues[0].lock = 1;
  FakeMainWindow main(cues);
  TEditCue edit(main);
  main.select(1);
  edit.openAs(CueEditorMode::EditSelected, QString());
  edit.cuedesc->setText("renamed");
  ASSERT_TRUE(edit.editsaveClick());
  EXPECT_EQ(recordIn(main.path, 0).lock, 1);
  EXPECT_EQ(recordIn(main.path, 0).descriptionText(), "renamed");
}

TEST(CueEditor, RefusedSavesKeepTheDialogAndTheFile) {
  struct Case {
    const char* what;
    std::function<void(TEditCue&)> type;
    const char* title;
    const char* text;
  } cases[] = {
      {"no description", [](TEditCue& d) { d.cuedesc->clear(); }, "Could not Save",
       "You need both a Cue Call and a Description."},
      {"osc without slash",
       [](TEditCue& d) {
         d.CueType->setCurrentIndex(kCueOscCommand);
         d.osccmd->setText("cue/1");
         d.oscaddr->setText("127.0.0.1");
         d.oscportnum->setText("9000");
       },
       "Check Command syntax", "OSC commands must start with a \"/\"."},
      {"companion command",
       [](TEditCue& d) {
         d.CueType->setCurrentIndex(kCueCompanionMessage);
         d.osccmd->setText("stop 3");
       },
       "Check Command syntax", "The only command is \"play #\"."},
      {"two decimal points", [](TEditCue& d) { d.cuetime->setText("1.2.3"); }, "Could not Save",
       "\"1.2.3\" is not a number."},
      {"empty time code", [](TEditCue& d) { d.Timepick->setChecked(true); }, "Could not Save",
       "\"  :  :  :  \" is not a number."},
  };
  for (const Case& c : cases) {
    Editor e{100, 200};
    e.main.select(1);
    e.open("Add a New Cue", TEditCue::NewCue);
    e.typeNew("3", "typed");
    c.type(e.edit);
    const CueEditorFields typed = e.edit.fields();
    const QByteArray before = readBytes(e.main.path);
    e.dialogs.answer(DialogResult::Retry);
    EXPECT_FALSE(e.edit.editsaveClick()) << c.what;
    ASSERT_EQ(e.dialogs.shown.size(), 1u) << c.what;
    EXPECT_EQ(e.dialogs.shown[0].title, c.title) << c.what;
    EXPECT_EQ(e.dialogs.shown[0].text, c.text) << c.what;
    EXPECT_EQ(e.dialogs.shown[0].buttons, DialogButtons::Retry) << c.what;
    EXPECT_EQ(readBytes(e.main.path), before) << c.what;
    EXPECT_TRUE(e.edit.isVisible()) << c.what;
    EXPECT_EQ(e.edit.fields().command, typed.command) << c.what;
    EXPECT_EQ(e.edit.fields().fade, typed.fade) << c.what;
    EXPECT_EQ(e.edit.windowTitle(), "Add a New Cue") << c.what;
  }
}

TEST(CueEditor, RefusedOscCommandStillRemembersAddressAndPort) {
  Editor e{100};
  e.main.select(1);
  e.open("Add a New Cue", TEditCue::NewCue);
  EXPECT_EQ(e.edit.oscaddr->text(), "127.0.0.1") << "a new cue offers the last address";
  EXPECT_EQ(e.edit.oscportnum->text(), "5555");
  e.typeNew("2", "osc");
  e.edit.CueType->setCurrentIndex(kCueOscCommand);
  e.edit.osccmd->setText("go");
  e.edit.oscaddr->setText("127.0.0.2");
  e.edit.oscportnum->setText("9000");
  e.dialogs.answer(DialogResult::Retry);
  EXPECT_FALSE(e.edit.editsaveClick());
  EXPECT_EQ(e.main.S.OSCHost, "127.0.0.2");
  EXPECT_EQ(e.main.S.OSCSend, "9000");
  e.edit.osccmd->setText("/go/1");
  ASSERT_TRUE(e.edit.editsaveClick());
  const CueRecord r = recordIn(e.main.path, 1);
  EXPECT_EQ(r.cueKind, kCueOscCommand);
  EXPECT_EQ(r.messageTextString(), "/go/1");
  EXPECT_EQ(r.hostString(), "127.0.0.2");
  EXPECT_EQ(r.port, 9000);
}

TEST(CueEditor, FillsFromTheSelectedCue) {
  std::vector<CueRecord> cues = cuesNumbered({100, 250});
  CueRecord& c = cues[1];
  c.setDescriptionText("  Follow me");
  c.timingMode = 1;
  c.fadeUpTime = 30;
  c.fadeDownTime = 55;
  c.upDelay = 10;
  c.downDelay = 5;
  c.startMode = 2;
  c.timeCode = 93829;
  c.advanceAfter = 1;
  c.advanceDelay = 25;
  c.loopTarget = 150;
  c.loopCount = 3;
  c.cueKind = kCueOscCommand;
  c.setMessageTextString("/cue/7/go");
  c.setHostString("127.0.0.9");
  c.port = 7000;
  c.textColour = 0x0000FF;
  FakeMainWindow main(cues);
  TEditCue edit(main);
  main.select(2);
  edit.openAs(CueEditorMode::EditSelected, QString());
  EXPECT_EQ(edit.cuenum->text(), "2.5");
  EXPECT_EQ(edit.cuedesc->text(), "  Follow me");
  EXPECT_TRUE(edit.splitfade->isChecked());
  EXPECT_FALSE(edit.singlefade->isChecked());
  EXPECT_EQ(edit.sbfadetime->text(), "3");
  EXPECT_EQ(edit.sdfadetime->text(), "5.5");
  EXPECT_EQ(edit.sbwaittime->text(), "1");
  EXPECT_EQ(edit.sdwaittime->text(), "0.5");
  EXPECT_TRUE(edit.cuetime->text().isEmpty() || edit.cuetime->text() == "0");
  EXPECT_TRUE(edit.Timepick->isChecked());
  EXPECT_TRUE(edit.Timetime->isEnabled());
  EXPECT_EQ(edit.Timetime->text(), "1:2:33:4");
  EXPECT_TRUE(edit.endwait->isChecked());
  EXPECT_EQ(edit.advdelay->text(), "2.5");
  EXPECT_EQ(edit.loopcue->text(), "1.5");
  EXPECT_EQ(edit.loopcnt->text(), "3");
  EXPECT_EQ(edit.CueType->currentIndex(), kCueOscCommand);
  EXPECT_EQ(edit.osccmd->text(), "/cue/7/go");
  EXPECT_EQ(edit.oscaddr->text(), "127.0.0.9");
  EXPECT_EQ(edit.oscportnum->text(), "7000");
  EXPECT_TRUE(edit.oscsettings->isVisible());
  EXPECT_EQ(edit.CueColour, 0x0000FF);
  EXPECT_FALSE(edit.CueEdited);

  // Saved again unchanged, the cue keeps its values (the loop target keeps its hundredths).
  ASSERT_TRUE(edit.editsaveClick());
  const CueRecord r = recordIn(main.path, 1);
  EXPECT_EQ(r.loopTarget, 150);
  EXPECT_EQ(r.loopCount, 3);
  EXPECT_EQ(std::tie(r.fadeUpTime, r.fadeDownTime, r.upDelay, r.downDelay), std::make_tuple(30, 55, 10, 5));
  EXPECT_EQ(r.startMode, 1) << "a loop target forces a follow start";
  EXPECT_EQ(r.timeCode, 93829);
  EXPECT_EQ(r.advanceDelay, 25);
  EXPECT_EQ(r.textColour, 0x0000FF);
}

TEST(CueEditor, LaysOutWithoutCutCaptionsOrEmptyBands) {
  std::vector<CueRecord> cues = cuesNumbered({100, 200, 300});
  cues[1].cueKind = kCueOscCommand;
  cues[1].startMode = 1;
  cues[2].cueKind = kCueCompanionMessage;
  cues[2].startMode = 2;
  FakeMainWindow main(cues);
  TEditCue edit(main);
  edit.setWindowTitle("Edit existing Cue");
  edit.EditCueMode = TEditCue::EditSelected;
  QRadioButton* const modes[] = {edit.playpick, edit.autoplay, edit.Timepick};
  for (int row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    main.select(row);
    edit.hide();
    edit.show();
    // The start-mode buttons show the cue's mode.
    for (int m = 0; m < 3; ++m) EXPECT_EQ(modes[m]->isChecked(), m == row - 1) << m;
    int lowest = 0;
    for (QWidget* w : edit.findChildren<QWidget*>()) {
      if (!w->isVisibleTo(&edit)) continue;
      const QRect r(w->mapTo(&edit, QPoint(0, 0)), w->size());
      lowest = std::max(lowest, r.bottom());
      if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
        const QString text = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                                      : qobject_cast<QAbstractButton*>(w)->text();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << text.toStdString();
        EXPECT_LE(r.right(), edit.width()) << text.toStdString();
      }
    }
    int left, top, right, bottom;
    edit.layout()->getContentsMargins(&left, &top, &right, &bottom);
    EXPECT_GE(lowest, edit.height() - bottom - 2 * edit.layout()->spacing() - 2)
        << "no empty band at the foot";
  }
}

TEST(CueEditor, NewCueStartsFromTheDefaults) {
  Editor e{100};
  e.main.S.FadeTime = 4;
  e.edit.cuedesc->setText("left over");
  e.edit.EditLoopKey = 5;
  e.main.followSpotCue = true;
  e.open("Add a New Cue", TEditCue::NewCue);
  EXPECT_TRUE(e.edit.cuedesc->text().isEmpty());
  EXPECT_EQ(e.edit.cuetime->text(), "4");
  EXPECT_EQ(e.edit.EditLoopKey, 0);
  EXPECT_FALSE(e.main.followSpotCue);
  EXPECT_EQ(e.edit.FollowSpotColor, 0x00FF00);
  EXPECT_EQ(e.edit.CueType->currentIndex(), kCueNormalDmx);
  EXPECT_TRUE(e.edit.playpick->isChecked());
  EXPECT_FALSE(e.edit.Timetime->isEnabled());
  EXPECT_FALSE(e.edit.oscsettings->isVisible());
}

TEST(CueEditor, TimeCodeStartArmsTheTrigger) {
  Editor e{100};
  e.open("Add a New Cue", TEditCue::NewCue);
  e.typeNew("2", "at time");
  e.edit.Timepick->setChecked(true);
  e.edit.Timetime->setText("00:01:00:10");
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(recordIn(e.main.path, 1).timeCode, 1510);
  EXPECT_EQ(recordIn(e.main.path, 1).startMode, 2);
  EXPECT_EQ(e.main.timecodeGo, 1510);
}

TEST(CueEditor, LoopFileKeysInTheLoopList) {
  Editor e{100, 200};
  e.main.select(2);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  QString offered = "unset";
  e.edit.chooseLoopFile = [&offered](const QString& initial) {
    offered = initial;
    return QString("/shows/chase.lcue");
  };
  e.edit.CueType->setCurrentIndex(kCueIsAFile);
  e.edit.CueTypeCloseUp(kCueIsAFile);
  EXPECT_TRUE(offered.isEmpty());
  EXPECT_EQ(e.edit.EditLoopKey, 1);
  EXPECT_EQ(e.edit.LoopFileName, "/shows/chase.lcue");
  LoopFileList list(e.main.path);
  EXPECT_EQ(list.fileOf(1), "/shows/chase.lcue");
  EXPECT_EQ(list.fileOf(0), "");
  EXPECT_TRUE(e.edit.CueEdited);
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(recordIn(e.main.path, 1).loopFileKey, 1);
  EXPECT_EQ(recordIn(e.main.path, 1).cueKind, kCueIsAFile);

  // Choosing again offers the stored file; another extension removes it.
  e.open("Edit existing Cue", TEditCue::EditSelected);
  EXPECT_EQ(e.edit.EditLoopKey, 1);
  e.edit.chooseLoopFile = [&offered](const QString& initial) {
    offered = initial;
    return QString("/shows/notes.txt");
  };
  e.dialogs.answer(DialogResult::Ok);
  e.edit.CueTypeCloseUp(kCueIsAFile);
  EXPECT_EQ(offered, "/shows/chase.lcue");
  ASSERT_EQ(e.dialogs.shown.size(), 1u);
  EXPECT_EQ(e.dialogs.shown[0].title, "Cue File removed");
  EXPECT_EQ(e.dialogs.shown[0].text, "Cue is no longer a File.");
  EXPECT_EQ(e.edit.EditLoopKey, 0);
  EXPECT_EQ(e.edit.CueType->currentIndex(), kCueNormalDmx);
  EXPECT_EQ(list.fileOf(1), "");
}

TEST(CueEditor, CancelledLoopFileChoiceChangesNothing) {
  Editor e{100};
  e.main.select(1);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.chooseLoopFile = [](const QString&) { return QString(); };
  e.edit.CueType->setCurrentIndex(kCueIsAFile);
  e.edit.CueTypeCloseUp(kCueIsAFile);
  EXPECT_EQ(e.edit.CueType->currentIndex(), kCueIsAFile);
  EXPECT_EQ(e.edit.EditLoopKey, 0);
  EXPECT_FALSE(LoopFileList(e.main.path).exists());
}

TEST(CueEditor, TheTwentyFirstLoopFileIsRefused) {
  Editor e{100};
  LoopFileList list(e.main.path);
  for (int key = 1; key <= 20; ++key) list.setFile(key, QString("/shows/l%1.lcue").arg(key));
  const QByteArray before = readBytes(list.path());
  e.main.select(1);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.chooseLoopFile = [](const QString&) { return QString("/shows/one-more.lcue"); };
  e.edit.CueType->setCurrentIndex(kCueIsAFile);
  e.dialogs.answer(DialogResult::Ok);
  e.edit.CueTypeCloseUp(kCueIsAFile);
  ASSERT_EQ(e.dialogs.shown.size(), 1u);
  EXPECT_EQ(e.dialogs.shown[0].title, "Too many Cue Files");
  EXPECT_EQ(e.edit.EditLoopKey, 0);
  EXPECT_EQ(e.edit.CueType->currentIndex(), kCueNormalDmx);
  EXPECT_EQ(readBytes(list.path()), before) << "nothing lands under key 0";
}

TEST(CueEditor, NormalDmxEndsAFileCue) {
  std::vector<CueRecord> cues = cuesNumbered({100});
  cues[0].cueKind = kCueIsAFile;
  cues[0].loopFileKey = 2;
  FakeMainWindow main(cues);
  TEditCue edit(main);
  main.select(1);
  edit.openAs(CueEditorMode::EditSelected, QString());
  EXPECT_EQ(edit.EditLoopKey, 2);
  edit.CueType->setCurrentIndex(kCueNormalDmx);
  edit.CueTypeCloseUp(kCueNormalDmx);
  EXPECT_EQ(main.S.Cues.CueTable[CueColumn::LoopFileKey][1], 0);
  ASSERT_TRUE(edit.editsaveClick());
  EXPECT_EQ(recordIn(main.path, 0).loopFileKey, 0);
}

TEST(CueEditor, FollowSpotAlertStartsThePrompterAndTakesItsColour) {
  Editor e{100};
  e.open("Add a New Cue", TEditCue::NewCue);
  e.typeNew("2", "spot");
  e.edit.CueType->setCurrentIndex(kCueFollowspotAlert);
  e.edit.CueTypeCloseUp(kCueFollowspotAlert);
  EXPECT_TRUE(e.main.followSpotCue);
  EXPECT_EQ(e.main.prompterStarts, 1);
  EXPECT_TRUE(e.edit.CueEdited);
  e.edit.chooseColour = [](int) { return std::optional<int>(0x00FFFF); };
  e.edit.CueColorClick();
  EXPECT_EQ(e.edit.FollowSpotColor, 0x00FFFF);
  ASSERT_TRUE(e.edit.editsaveClick());
  EXPECT_EQ(recordIn(e.main.path, 1).textColour, 0x00FFFF);
  EXPECT_EQ(recordIn(e.main.path, 1).cueKind, kCueFollowspotAlert);
}

TEST(CueEditor, AColourLikeTheBackgroundIsRefused) {
  Editor e{100};
  e.open("Add a New Cue", TEditCue::NewCue);
  const QColor base = e.edit.cuedesc->palette().color(QPalette::Base);
  e.edit.chooseColour = [&base](int) {
    return std::optional<int>(base.red() | base.green() << 8 | base.blue() << 16);
  };
  e.dialogs.answer(DialogResult::Retry);
  e.edit.CueColorClick();
  ASSERT_EQ(e.dialogs.count("Invisible Setting"), 1);
  EXPECT_EQ(e.edit.CueColour, 0);
  EXPECT_FALSE(e.edit.CueEdited);
}

TEST(CueEditor, FadeKindBoxesActAsOneChoice) {
  Editor e{100};
  e.open("Add a New Cue", TEditCue::NewCue);
  QTest::mouseClick(e.edit.splitfade, Qt::LeftButton);
  EXPECT_TRUE(e.edit.splitfade->isChecked());
  EXPECT_FALSE(e.edit.singlefade->isChecked());
  QTest::mouseClick(e.edit.masterfade, Qt::LeftButton);
  EXPECT_TRUE(e.edit.masterfade->isChecked());
  EXPECT_FALSE(e.edit.splitfade->isChecked());
  QTest::mouseClick(e.edit.masterfade, Qt::LeftButton);
  EXPECT_TRUE(e.edit.masterfade->isChecked()) << "clicking the checked box keeps it checked";
  e.edit.loopcue->setText("2");
  EXPECT_EQ(e.edit.cuetime->text(), "0") << "a loop cue does not dim";
}

TEST(CueEditor, KeysTheFieldsTakeAndEnterSaves) {
  Editor e{100};
  e.open("Add a New Cue", TEditCue::NewCue);
  e.edit.cuetime->clear();
  QTest::keyClicks(e.edit.cuetime, "1a.5,x");
  EXPECT_EQ(e.edit.cuetime->text(), "1.5");
  QTest::keyClick(e.edit.cuetime, Qt::Key_Backspace);
  EXPECT_EQ(e.edit.cuetime->text(), "1.");
  e.edit.loopcnt->clear();
  QTest::keyClicks(e.edit.loopcnt, "4.2");
  EXPECT_EQ(e.edit.loopcnt->text(), "42");
  e.edit.cuenum->clear();
  QTest::keyClicks(e.edit.cuenum, "7z");
  EXPECT_EQ(e.edit.cuenum->text(), "7");
  QTest::keyClicks(e.edit.cuedesc, "Any text 1.5");
  EXPECT_EQ(e.edit.cuedesc->text(), "Any text 1.5");
  QTest::keyClick(e.edit.cuedesc, Qt::Key_Return);
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{100, 700}));
  EXPECT_EQ(recordIn(e.main.path, 1).fadeUpTime, 10);
}

TEST(CueEditor, MovingACueSwapsItWithItsNeighbour) {
  Editor e{100, 200, 300};
  e.main.select(2);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.Movecueup();
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{200, 100, 300}));
  EXPECT_EQ(e.main.S.Rows.CurrentCue, 1);
  EXPECT_FALSE(e.edit.editsave->isEnabled());
  e.edit.Movecueup();
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{200, 100, 300})) << "the first cue cannot go up";
  e.main.select(3);
  e.edit.Movecuedown();
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{200, 100, 300})) << "nor the last down";
  EXPECT_FALSE(e.edit.editsave->isEnabled());

  // An edited cue is saved before it moves.
  e.main.select(3);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.cuedesc->setText("moved");
  EXPECT_TRUE(e.edit.CueEdited);
  e.edit.Movecueup();
  EXPECT_EQ(recordIn(e.main.path, 1).descriptionText(), "moved");
  EXPECT_EQ(e.main.S.Rows.CurrentCue, 2);
}

TEST(CueEditor, AClickDuringAMoveMovesTheCueOnePlaceFurther) {
  Editor e{100, 200, 300};
  e.main.select(3);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.main.duringNextWait = [&] { e.edit.Movecueup(); };
  e.edit.Movecueup();
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{300, 100, 200}));
  EXPECT_EQ(e.main.S.Rows.CurrentCue, 1);

  // The same with an edited cue, whose save comes first and waits too.
  e.main.select(1);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.cuedesc->setText("moved");
  e.main.duringNextWait = [&] { e.edit.Movecuedown(); };
  e.edit.Movecuedown();
  EXPECT_EQ(numbersIn(e.main.path), (std::vector<int>{100, 200, 300}));
  EXPECT_EQ(recordIn(e.main.path, 2).descriptionText(), "moved");
  EXPECT_EQ(e.main.S.Rows.CurrentCue, 3);
}

TEST(CueEditor, ExitingOnADamagedCueFileKeepsIt) {
  Editor e{};
  e.main.file.close();
  const QByteArray torn(700, '\x05');  // part of a cue, no whole record
  cue_test::writeBytes(e.main.path, torn);
  ASSERT_TRUE(e.main.file.open(e.main.path));
  e.open("Add a New Cue", TEditCue::NewCue);
  e.dialogs.answer(DialogResult::No);
  e.edit.editexitClick();
  EXPECT_EQ(e.dialogs.count("Empty Cue list"), 1);
  EXPECT_EQ(readBytes(e.main.path), torn);
}

TEST(CueEditor, ExitQuestions) {
  {
    Editor e{};
    e.open("Add a New Cue", TEditCue::NewCue);
    e.dialogs.answer(DialogResult::Yes);
    e.edit.editexitClick();
    EXPECT_EQ(e.dialogs.count("Empty Cue list"), 1);
    EXPECT_TRUE(e.edit.isVisible());
    EXPECT_TRUE(QFile::exists(e.main.path));
    e.dialogs.answer(DialogResult::No);
    e.edit.editexitClick();
    EXPECT_FALSE(e.edit.isVisible());
    EXPECT_FALSE(QFile::exists(e.main.path)) << "an empty cue file is not kept";
  }
  {
    Editor e{100};
    e.main.select(1);
    e.open("Edit existing Cue", TEditCue::EditSelected);
    e.edit.cuedesc->setText("changed");
    e.main.S.CueListByMouse = true;
    e.main.recordPending = true;
    e.dialogs.answer(DialogResult::Yes);
    e.edit.editexitClick();
    ASSERT_EQ(e.dialogs.count("Cue content change"), 1);
    EXPECT_EQ(e.dialogs.shown[0].place, MessageSpec::Place::OffsetFromParent);
    EXPECT_EQ(e.dialogs.shown[0].position, QPoint(40, 200));
    EXPECT_EQ(recordIn(e.main.path, 0).descriptionText(), "changed");
    EXPECT_FALSE(e.edit.isVisible());
    EXPECT_FALSE(e.main.S.CueListByMouse);
    EXPECT_FALSE(e.main.recordPending);
  }
}

TEST(CueEditor, SceneButtons) {
  Editor e{100};
  e.main.select(1);
  e.open("Edit existing Cue", TEditCue::EditSelected);
  e.edit.savesceneClick();
  ASSERT_EQ(e.main.sceneRequests.size(), 1u);
  EXPECT_EQ(e.main.sceneRequests[0].buttonCaption, "Save");
  EXPECT_EQ(e.main.sceneRequests[0].name, "cue 100");
  EXPECT_EQ(e.edit.EditCueMode, TEditCue::KeepFields);

  // An empty scene file offers another show's scenes.
  QTemporaryDir other;
  const QString scenes = other.filePath("other.scne");
  cue_test::writeBytes(scenes, QByteArray(1110, 'x'));
  cue_test::writeBytes(e.main.S.SceneFile, QByteArray());
  e.edit.chooseSceneFile = [&scenes] { return scenes; };
  e.dialogs.answer(DialogResult::Yes);
  e.edit.loadsceneClick();
  EXPECT_EQ(e.dialogs.count("Scene file is Empty"), 1);
  EXPECT_EQ(readBytes(e.main.S.SceneFile).size(), 1110);
  ASSERT_EQ(e.main.sceneRequests.size(), 2u);
  EXPECT_EQ(e.main.sceneRequests[1].buttonCaption, "Overwrite");
  EXPECT_EQ(e.main.sceneRequests[1].promptLabel, "Load:");
}

}  // namespace
