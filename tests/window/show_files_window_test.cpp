#include <gtest/gtest.h>

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMenu>
#include <QTableWidget>

#include "console/editors/scene_dialog.h"
#include "console/engine/scene_file.h"
#include "console/engine/show_files.h"
#include "platform/file_dialog.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"
#include "tests/window/console_window_fixture.h"

namespace {

// Answers every file chooser from a queue and records what was asked.
struct FileChooser {
  std::deque<QString> answers;
  std::vector<FileDialogSpec> asked;
  FileChooser() {
    setFileDialogHandler([this](const FileDialogSpec& spec) {
      asked.push_back(spec);
      if (answers.empty()) return QString();
      const QString a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~FileChooser() { setFileDialogHandler({}); }
};

}  // namespace

TEST(ShowFilesWindow, ARecentShowOpensAndItsCuePlaysOnTheWire) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 0)});
  const QString other = w.path("other.lcue");
  CueRecord c = ConsoleWindow::cue(700, {{2, 200}}, 0);
  c.channelCountField = 16 * 10 + 1;
  cue_test::writeCueFile(other, {c});
  w.startWithNewSideFiles();
  for (int i = 0; i < 3; ++i) w.dialogs.answer(DialogResult::No);  // the other show's new side files
  w.form->MostRecentFiles1MenuClick(other);
  EXPECT_EQ(w.S.CueFileName, other);
  EXPECT_EQ(w.S.MostRecentFiles1.files().front(), other);
  EXPECT_EQ(w.form->RecentMenu->actions().size(), 1);
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  w.tick(3);
  EXPECT_EQ(uint8_t(w.lastLevels().at(1)), 200);
  EXPECT_EQ(uint8_t(w.lastLevels().at(0)), 0);
  // Kept in the settings file at once.
  RecentShows saved;
  saved.read(IniFile(w.S.MainIniFile));
  EXPECT_EQ(saved.files(), QStringList{other});

  w.dialogs.answer(DialogResult::Cancel);
  w.form->MostRecentFiles1MenuClick(w.path("gone.lcue"));
  EXPECT_EQ(w.dialogs.count("Could not Open"), 1);
  EXPECT_EQ(w.S.CueFileName, other);
}

TEST(ShowFilesWindow, ADeclinedShowLeavesThePreviousShowOpen) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 0), ConsoleWindow::cue(200, {})});
  w.startWithNewSideFiles();
  const QString show = w.S.CueFileName;
  const QString declined = w.path("declined.lcue");
  CueRecord c = ConsoleWindow::cue(700, {});
  c.channelCountField = 2560;  // written with FileSource on; this console runs with it off
  cue_test::writeCueFile(declined, {c});
  const QByteArray before = cue_test::readBytes(declined);
  w.dialogs.answer(DialogResult::No);
  FileChooser files;
  files.answers.push_back(declined);
  w.form->btnLoadClick();
  EXPECT_EQ(w.dialogs.count("Settings mismatch"), 1);
  EXPECT_EQ(w.S.CueFileName, show);
  EXPECT_EQ(w.form->cueFile().path(), show);
  EXPECT_EQ(w.form->cuelist->rowCount(), 2);
  EXPECT_EQ(IniFile(w.S.MainIniFile).readString("CueFile", "Last", ""), show);
  EXPECT_EQ(cue_test::readBytes(declined), before);
  EXPECT_EQ(files.asked.at(0).title, "Select Cue file");
}

TEST(ShowFilesWindow, BackupRefusesTheShowItselfAndCopiesTheSet) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  FileChooser files;
  files.answers.push_back(w.path("show"));
  w.dialogs.answer(DialogResult::Retry);
  w.form->btnSaveClick();
  EXPECT_EQ(w.dialogs.count("File Name Error"), 1);
  QDir(w.dir.path()).mkpath("backup");
  files.answers.push_back(w.path("backup/Show2"));
  w.form->btnSaveClick();
  EXPECT_EQ(cue_test::readBytes(w.path("backup/Show2.lcue")), cue_test::readBytes(w.S.CueFileName));
  EXPECT_EQ(cue_test::readBytes(w.path("backup/Show2.spch")), cue_test::readBytes(w.path("show.spch")));
  EXPECT_TRUE(w.form->cueFile().isOpen());
  EXPECT_EQ(w.form->cueFile().path(), w.S.CueFileName);
}

TEST(ShowFilesWindow, NewShowStartsEmptyAndRefusesAnExistingFile) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.startWithNewSideFiles();
  FileChooser files;
  w.dialogs.answer(DialogResult::No);  // no new directory
  w.dialogs.answer(DialogResult::Ok);  // the file exists
  files.answers.push_back(w.path("show.lcue"));
  w.form->btnNewClick();
  EXPECT_EQ(w.dialogs.count("Cue file exists"), 1);
  EXPECT_EQ(files.asked.back().title, "Select Directory and Enter the new File name");

  w.S.Rows.CurrentCue = 1;
  w.dialogs.answer(DialogResult::No);                              // no new directory
  for (int i = 0; i < 3; ++i) w.dialogs.answer(DialogResult::No);  // the new show's side files: new ones
  files.answers.push_back(w.path("fresh"));
  w.form->btnNewClick();
  EXPECT_EQ(w.S.CueFileName, w.path("fresh.lcue"));
  EXPECT_TRUE(QFile::exists(w.path("fresh.lcue")));
  EXPECT_EQ(w.S.Rows.CurrentCue, 0);
  EXPECT_EQ(w.S.MostRecentFiles1.files().front(), w.path("fresh.lcue"));
}

TEST(ShowFilesWindow, NewShowReadsItsOwnSceneList) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  // The open show's scenes: the second one plays on F5.
  ASSERT_TRUE(
      writeSceneFile(w.path("show.scne"), {makeScene("Wash", {10, 20}, -1), makeScene("Special", {255}, 0)}));
  w.startWithNewSideFiles();
  ASSERT_EQ(w.form->scenes().SceneCount, 2);
  ASSERT_EQ(w.S.BumpSceneTable[0], 1);

  // A new show with side files of its own: it has no scenes, and F5 plays none of the old show's.
  FileChooser files;
  w.dialogs.answer(DialogResult::No);                              // no new directory
  for (int i = 0; i < 3; ++i) w.dialogs.answer(DialogResult::No);  // the new show's side files: new ones
  files.answers.push_back(w.path("fresh"));
  w.form->btnNewClick();
  ASSERT_EQ(w.S.CueFileName, w.path("fresh.lcue"));
  EXPECT_EQ(w.form->scenes().SceneCount, 0);
  EXPECT_EQ(w.form->scenes().scenelist->rowCount(), 0);
  EXPECT_EQ(w.S.BumpSceneTable, (std::array<int16_t, 8>{}));
}

// Every mark in the cue list's icon column has a glyph in a font the console has: none shows as an
// empty box.
TEST(ShowFilesWindow, CueListMarksHaveGlyphsInTheInstalledFonts) {
  struct Mark {
    int startMode, advanceAfter, loopTarget, kind;
  };
  const Mark marks[] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 100, 0}, {0, 0, 0, 2},
                        {0, 0, 0, 1}, {0, 0, 0, 3}, {2, 0, 0, 0}};
  std::vector<CueRecord> cues;
  for (const Mark& m : marks) {
    CueRecord c = ConsoleWindow::cue(100 * int(cues.size() + 1), {});
    c.startMode = m.startMode;
    c.advanceAfter = m.advanceAfter;
    c.loopTarget = m.loopTarget;
    c.cueKind = m.kind;
    cues.push_back(c);
  }
  ConsoleWindow w;
  w.writeShow(cues);
  w.startWithNewSideFiles();
  const QStringList families = QFontDatabase::families();
  ASSERT_EQ(w.form->cuelist->rowCount(), int(std::size(marks)));
  for (int r = 0; r < w.form->cuelist->rowCount(); ++r) {
    const QString mark = w.form->cuelist->item(r, 3)->text();
    EXPECT_FALSE(mark.isEmpty()) << "row " << r;
    for (const uint code : mark.toUcs4()) {
      const bool drawn = std::any_of(families.begin(), families.end(), [code](const QString& family) {
        return QFontMetrics(QFont(family)).inFontUcs4(code);
      });
      EXPECT_TRUE(drawn) << "row " << r << ": U+" << QString::number(code, 16).toUpper().toStdString();
    }
  }
}
