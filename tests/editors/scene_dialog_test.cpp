#include "console/editors/scene_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <map>

#include "console/engine/console_state.h"
#include "console/engine/scene_file.h"
#include "tests/support/dialog_recorder.h"

namespace {
class FakeHost : public SceneHost {
 public:
  FakeHost() {
    S.MaxChannels = 8;
    S.CueFileName = dir.filePath("show.lcue");
    S.SceneFile = dir.filePath("show.scne");
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
  }
  ConsoleState& state() override { return S; }
  QString levelEditText(int ch) override { return edits[ch]; }
  void setLevelEditText(int ch, const QString& text) override {
    edits[ch] = text;
    committed += S.UpdatingEdits ? 0 : 1;
  }
  void setLevelEditColour(int ch, int bgr) override { colours[ch] = bgr; }
  QString programPath() override { return dir.filePath("vqlighting"); }
  void fileError(const QString& message) override { errors << message; }

  QTemporaryDir dir;
  ConsoleState S;
  std::map<int, QString> edits;
  std::map<int, int> colours;
  int committed = 0;
  QStringList errors;
};

struct SceneDialog : ::testing::Test {
  FakeHost host;
  DialogRecorder dialogs;
  std::unique_ptr<TForm7> d;
  void SetUp() override {
    ASSERT_TRUE(writeSceneFile(
        host.S.SceneFile,
        {makeScene("first", {}, -1), makeScene("second", {0, 0, 80}, -1), makeScene("third", {10}, 2)}));
    d = std::make_unique<TForm7>(host);
    d->Readlist();
  }
  std::vector<SceneRecord> scenes() { return *readSceneFile(host.S.SceneFile); }
  void loadMode() {
    d->textbox->setText("Load:");
    d->loadsave->setText("Load");
  }
};
}  // namespace

TEST_F(SceneDialog, ListShowsTheScenesAndFillsTheKeyTable) {
  EXPECT_EQ(d->scenelist->rowCount(), 3);
  EXPECT_EQ(d->scenelist->item(1, 0)->text(), "second");
  EXPECT_EQ(d->scenelist->item(2, 1)->text(), "2");
  EXPECT_TRUE(d->scenelist->isColumnHidden(1));
  EXPECT_EQ(d->windowTitle(), "Scenes from show.scne");
  EXPECT_EQ(host.S.BumpSceneTable[2], 2);
  EXPECT_EQ(d->SceneCount, 3);
}

TEST_F(SceneDialog, SaveAppendsTheLevelEditsAsARecord) {
  d->textbox->setText("Name:");
  host.edits = {{1, "100"}, {2, "50"}};
  d->sceneadd->setText("Front");
  d->bumpFkey->setCurrentIndex(0);
  d->loadsaveClick();
  const auto all = scenes();
  ASSERT_EQ(all.size(), 4u);
  const QByteArray b = all[3].encode();
  EXPECT_EQ(uint8_t(b[61]), 100);
  EXPECT_EQ(uint8_t(b[62]), 50);
  EXPECT_EQ(all[3].bumpKey(), -1);
  EXPECT_EQ(all[3].name(), "Front");
  EXPECT_EQ(d->scenelist->rowCount(), 4);
}

TEST_F(SceneDialog, AddFillsOnlyChannelsAtZeroAndColoursTheOthers) {
  loadMode();
  d->scenelist->setCurrentCell(1, 0);
  d->scenelistClick(2);
  EXPECT_EQ(d->sceneadd->text(), "second");
  host.edits[3] = "55";
  d->loadaddClick();
  EXPECT_EQ(host.edits[3], "80");
  EXPECT_EQ(host.colours[3], 0xFFFF00);
  EXPECT_EQ(host.edits[1], "0");
  EXPECT_EQ(host.committed, 0);  // shown, not committed
  EXPECT_TRUE(host.S.Unrecorded);

  host.S.CueLevels[2] = char(20);
  host.edits[3] = "55";
  d->scenelistClick(2);
  d->loadaddClick();
  EXPECT_EQ(host.edits[3], "55");  // the channel is not at zero: kept
  EXPECT_EQ(host.colours[3], 0xFFFF00);
}

TEST_F(SceneDialog, OverwriteLoadsEveryChannel) {
  loadMode();
  host.S.CueLevels[2] = char(90);
  d->scenelist->setCurrentCell(1, 0);
  d->scenelistClick(2);
  d->loadsaveClick();
  EXPECT_EQ(host.edits[3], "80");
  EXPECT_EQ(host.colours[3], 0x00FFFF);  // the cue's byte is higher
}

TEST_F(SceneDialog, DeletingTheSecondOfThreeKeepsTheOthersAndTheirKeys) {
  loadMode();
  d->show();
  d->scenelistClick(2);
  d->sceneadd->setText("");
  EXPECT_EQ(d->loadsave->text(), "Delete");
  dialogs.answer(DialogResult::Yes);
  d->loadsaveClick();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Delete Scene");
  EXPECT_EQ(dialogs.shown[0].text, "Delete Scene \"second\"?");
  const auto all = scenes();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name(), "first");
  EXPECT_EQ(all[1].name(), "third");
  EXPECT_EQ(host.S.BumpSceneTable[2], 1);  // F7's scene moved down
  EXPECT_EQ(d->scenelist->rowCount(), 2);
  d->hide();
}

TEST_F(SceneDialog, KeyHeldByAnotherSceneIsRefused) {
  d->scenelistClick(2);
  d->bumpFkey->setCurrentIndex(3);  // F7, held by the third scene
  dialogs.answer(DialogResult::Ok);
  d->bumpFkeyCloseUp();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "F key conflict");
  EXPECT_EQ(dialogs.shown[0].text, "Key F7 is already in use for scene 2.");
  EXPECT_EQ(d->bumpFkey->currentIndex(), 0);
}

TEST_F(SceneDialog, KeyTaggedOnAChannelIsRefused) {
  host.S.BumpMembers[8 + 1][5] = true;  // FBUMP6 on address 5
  d->scenelistClick(2);
  d->bumpFkey->setCurrentIndex(2);
  dialogs.answer(DialogResult::Ok);
  d->bumpFkeyCloseUp();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Key F6 is already in use for channel 5.");
}

TEST_F(SceneDialog, ExitWritesAChangedKeyBackAndMovesItInTheTable) {
  d->scenelistClick(3);
  d->bumpFkey->setCurrentIndex(5);  // F9
  d->bumpFkeyCloseUp();
  EXPECT_TRUE(d->BumpKeyChanged);
  d->exitClick();
  EXPECT_EQ(scenes()[2].bumpKey(), 4);
  EXPECT_EQ(host.S.BumpSceneTable[4], 2);
  EXPECT_EQ(host.S.BumpSceneTable[2], 0);  // F7 no longer plays it
  EXPECT_EQ(d->scenelist->item(2, 1)->text(), "4");
}

TEST_F(SceneDialog, ChangeSceneCopiesAnotherFileButKeepsItsOwn) {
  const QString other = host.dir.filePath("other.scne");
  ASSERT_TRUE(writeSceneFile(other, {makeScene("x", {}, -1)}));
  d->chooseSceneFile = [&] { return other; };
  d->ChangeScene();
  EXPECT_EQ(d->scenelist->rowCount(), 1);
  d->chooseSceneFile = [&] { return host.S.SceneFile; };  // the file itself
  d->ChangeScene();
  EXPECT_EQ(scenes().size(), 1u);
}

TEST_F(SceneDialog, MissingSceneFileShowsNoScenes) {
  host.S.SceneFile = host.dir.filePath("none.scne");
  d->Readlist();
  EXPECT_EQ(d->scenelist->rowCount(), 0);
}
