// Cue list editing and the cue editor on the real main window, a show opened from a temporary folder.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "console/editors/cue_editor.h"
#include "console/editors/cue_list_editing.h"
#include "console/window/main_window.h"
#include "platform/timer_list.h"
#include "tests/editors/editor_test_support.h"
#include "tests/support/test_clock.h"

namespace {

using namespace editor_test;

struct OpenShow {
  QTemporaryDir dir;
  // The window moves into the show's folder: the folder the test started in is restored before
  // the show's folder goes.
  cue_test::CurrentDirGuard cwd;
  QString path;
  ConsoleState state;
  DialogRecorder dialogs;
  TestClock clock;
  std::unique_ptr<Tform1> form;
  TEditCue* editor = nullptr;
  CueListEditing* editing = nullptr;

  explicit OpenShow(const std::vector<CueRecord>& cues) {
    dialogs.answerDefaults = true;
    path = dir.filePath("show.lcue");
    writeCueFile(path, cues);
    state.MainIniFile = dir.filePath("vqlighting.ini");
    cue_test::writeText(
        state.MainIniFile,
        "[Settings]\nMaxChannels=16\nFileSource=0\nDMXdevice=7\nOSCListen=0\nFSPort=0\n[CueFile]\nLast=" +
            path + "\n");
    state.ArtNetPort = 0;  // the fixed Art-Net port belongs to the whole-program tests
    form = std::make_unique<Tform1>(state, QStringList{"vqlighting"}, nullptr, nullptr, &clock);
    form->OpenCueFile();
    form->FormActivate();  // the first activation creates the show's missing side files
    editor = &form->cueEditor();
    editing = &form->cueListEditing();
    dialogs.shown.clear();
    dialogs.answerDefaults = false;
  }
  void select(int row) {
    form->selectRow(row);
    form->CueListClicked(0);
  }
};

std::vector<CueRecord> threeCues() {
  std::vector<CueRecord> cues;
  for (int i = 1; i <= 3; ++i) {
    CueRecord c = levelCue(i * 100, "cue " + QString::number(i));
    c.channelCountField = 161;
    cues.push_back(c);
  }
  return cues;
}

TEST(MainWindowWiring, RecordedLevels) {
  OpenShow show(threeCues());
  ASSERT_EQ(show.state.Cues.CueCount, 3);
  ConsoleState& S = show.state;
  S.Patch.PatchTable.set(4, "||", S.MaxChannels);  // channel 4 drives nothing and names no fixture
  S.RawChannels[5] = true;
  S.Fixtures.WarmUpLevels[6] = 30;
  show.select(2);
  const QString texts[] = {"", "50", "", "", "70", "200", "0", "999", "-4"};  // by channel
  for (int ch = 1; ch <= 8; ++ch) show.form->setEditTextQuietly(ch - 1, texts[ch]);
  show.editing->btnRecordClick();

  const CueRecord r = recordIn(show.path, 1);
  EXPECT_EQ(uint8_t(r.levels[0]), 127);  // 50 %
  EXPECT_EQ(uint8_t(r.levels[1]), 0);
  EXPECT_EQ(uint8_t(r.levels[3]), 0) << "an unpatched channel is recorded as 0";
  EXPECT_EQ(show.form->ChannelEdits[3]->text(), "0");
  EXPECT_EQ(uint8_t(r.levels[4]), 200) << "a raw channel is recorded as typed";
  EXPECT_EQ(uint8_t(r.levels[5]), 30) << "at least the warm-up level";
  EXPECT_EQ(uint8_t(r.levels[6]), 255) << "limited to 255";
  EXPECT_EQ(uint8_t(r.levels[7]), 0) << "limited to 0";
  EXPECT_EQ(S.Cues.CueTexts[CueTextColumn::Levels][2], r.levels);
  EXPECT_EQ(numbersIn(show.path), (std::vector<int>{100, 200, 300}));
}

TEST(MainWindowWiring, RecordKeepsTheLevelsAboveTheChannelCountAndClearsUnrecorded) {
  std::vector<CueRecord> cues = threeCues();
  cues[1].levels[299] = char(77);   // channel 300 of a larger show
  cues[1].levels[1023] = char(99);  // channel 1024
  OpenShow show(cues);
  ConsoleState& S = show.state;
  ASSERT_EQ(S.MaxChannels, 16);
  show.select(2);
  show.form->setEditTextQuietly(0, "50");
  S.Unrecorded = true;  // as a typed level leaves it
  show.editing->btnRecordClick();

  const CueRecord r = recordIn(show.path, 1);
  EXPECT_EQ(uint8_t(r.levels[0]), 127);
  EXPECT_EQ(uint8_t(r.levels[299]), 77);
  EXPECT_EQ(uint8_t(r.levels[1023]), 99);
  EXPECT_EQ(r.levels.size(), 1024);
  EXPECT_EQ(S.Cues.CueTexts[CueTextColumn::Levels][2], r.levels);
  EXPECT_FALSE(S.Unrecorded) << "recorded changes are not offered again";
}

TEST(MainWindowWiring, EditorSavesTheGridAndTheListFollows) {
  OpenShow show(threeCues());
  show.select(3);
  show.form->setEditTextQuietly(0, "100");
  show.editing->btnInsertBClick();
  ASSERT_TRUE(show.editor->isVisible());
  EXPECT_EQ(show.editor->cuenum->text(), "2.5");
  show.editor->cuedesc->setText("inserted");
  ASSERT_TRUE(show.editor->editsaveClick());
  EXPECT_EQ(numbersIn(show.path), (std::vector<int>{100, 200, 250, 300}));
  EXPECT_EQ(uint8_t(recordIn(show.path, 2).levels[0]), 255);
  EXPECT_EQ(show.form->cuelist->rowCount(), 4);
  EXPECT_EQ(show.form->cuelist->item(2, 1)->text(), "inserted");
  EXPECT_EQ(show.state.Rows.CurrentCue, 3);

  show.dialogs.answer(DialogResult::Yes);
  show.editing->btnDeleteClick();
  EXPECT_EQ(numbersIn(show.path), (std::vector<int>{100, 200, 300}));
  EXPECT_EQ(show.form->cuelist->rowCount(), 3);
  EXPECT_EQ(show.state.Rows.CurrentCue, 3);
}

}  // namespace
