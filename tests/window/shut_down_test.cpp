#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <cerrno>

#include "console/editors/cue_editor.h"
#include "console/output/widget_link.h"
#include "platform/atomic_file.h"
#include "tests/window/console_window_fixture.h"

namespace {
QStringList logSteps(const QString& folder) {
  QFile f(folder + "/LogFile.txt");
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList steps;
  for (const QString& line : QString::fromLocal8Bit(f.readAll()).split("\r\n", Qt::SkipEmptyParts))
    steps << line.section(" - ", 1);
  return steps;
}
}  // namespace

TEST(ShutDown, StepsRunInOrderOnceAndTheRigIsLeftAtWarmUp) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}, {2, 255}, {4, 255}})});
  w.start("Logging=-1");
  w.S.Patch.PatchTable.set(1, "|3|20|", w.S.MaxChannels);  // 20 lies beyond the 16 channels
  w.S.Patch.PatchPercent[3] = 50;
  w.S.Fixtures.WarmUpLevels[3] = 40;
  w.S.RawChannels[4] = true;
  w.form->ChannelEdits[0]->setText("100");
  w.form->ChannelEdits[1]->setText("100");
  w.form->ChannelEdits[3]->setText("200");
  w.S.Unrecorded = false;
  w.form->close();
  w.form->close();  // a second close runs none of the work again

  const QByteArray levels = w.lastLevels();
  EXPECT_EQ(uint8_t(levels.at(2)), 40) << "address 3 at its warm-up level";
  EXPECT_EQ(uint8_t(levels.at(1)), 0);
  EXPECT_EQ(uint8_t(levels.at(3)), 200) << "a raw channel keeps its level";
  EXPECT_FALSE(w.form->dmx()->link().serialOpen());
  EXPECT_EQ(logSteps(w.dir.path()).filter(QRegularExpression("^(begin|end|finished|Recent|ini)")),
            (QStringList{"begin CloseQuery", "end CloseQuery", "begin Close", "finished backup",
                         "finished blackout", "finished Closepro", "finished Network", "Recent files saved",
                         "ini updated", "begin CloseQuery", "end CloseQuery", "begin Close"}));
}

TEST(ShutDown, BackupIsMadeAndSettingsAreWrittenBackKeepingOtherLines) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start("Unknown=keep me\nIncrement=5");
  w.form->close();
  const QStringList backups = QDir(w.dir.path()).entryList({"show????????????.lcue"});
  EXPECT_EQ(backups.size(), 1);
  QFile ini(w.path("vqlighting.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  EXPECT_TRUE(text.contains("Unknown=keep me"));
  EXPECT_TRUE(text.contains("Increment=5"));
  EXPECT_TRUE(text.contains("Last=" + w.path("show.lcue")));
  EXPECT_TRUE(text.contains("DMXdevice=4"));
  EXPECT_TRUE(text.contains("ComPort=" + w.widget.devicePath())) << "the port the link used";
}

TEST(ShutDown, EmptyCueFileIsRemovedAndAShowWithCuesKept) {
  {
    ConsoleWindow w;
    w.writeShow({});
    w.start();
    w.form->close();
    EXPECT_FALSE(QFile::exists(w.path("show.lcue")));
  }
  {
    ConsoleWindow w;
    w.writeShow({ConsoleWindow::cue(100, {})});
    w.start();
    w.S.Cues.CueCount = 0;  // the tables say nothing, the file holds a cue
    w.form->close();
    EXPECT_TRUE(QFile::exists(w.path("show.lcue")));
  }
}

TEST(ShutDown, SettingsThatCannotBeWrittenAreKeptAndTheOperatorIsTold) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  w.start("Unknown=keep me");
  const QString ini = w.path("vqlighting.ini");
  QFile before(ini);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray good = before.readAll();
  before.close();
  // The disk is full: nothing more can be written.
  setAtomicFileFaults({[](int, const char*, unsigned long) -> long { return errno = ENOSPC, -1; }, {}});
  w.S.Increment = 7;                // a change to save
  w.dialogs.answerDefaults = true;  // the dialogs are checked below
  w.form->close();
  setAtomicFileFaults({});
  QFile after(ini);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), good);
  EXPECT_FALSE(QFile::exists(ini + ".new"));
  ASSERT_EQ(w.dialogs.count("Settings"), 1);
  for (const MessageSpec& m : w.dialogs.shown)
    if (m.title == "Settings") {
      EXPECT_EQ(m.text, "The settings file " + ini + " could not be written.\nCannot write \"" + ini +
                            ".new\": No space left on device");
    }
  EXPECT_EQ(w.dialogs.count("Backup Error"), 1) << "the closing backup could not be made either";
}

TEST(ShutDown, ADamagedCueFileIsToldOnceAndNeverDeleted) {
  ConsoleWindow w;
  w.writeShow({});
  const QByteArray torn(1000, '\x07');  // part of one cue, no whole record
  {
    QFile f(w.path("show.lcue"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(torn);
  }
  w.dialogs.answerDefaults = true;
  w.start();
  w.form->close();
  EXPECT_EQ(w.dialogs.count("Loading Cue File error"), 1);
  QFile f(w.path("show.lcue"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), torn);
}

TEST(ShutDown, UnrecordedChangesAreOfferedAndRecordedOnYes) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->ChannelEdits[0]->setText("100");
  ASSERT_TRUE(w.S.Unrecorded);
  w.dialogs.answerDefaults = false;
  w.dialogs.answer(DialogResult::Yes);
  w.form->close();
  EXPECT_EQ(w.dialogs.count("Unrecorded Changes"), 1);
  const QByteArray show = cue_test::readBytes(w.path("show.lcue"));
  EXPECT_EQ(uint8_t(show.at(53)), 255) << "channel 1 recorded into the first cue";
}

// A signal answers the offer by default: the cue editor the operator has open is left as it is and
// the close runs to its end.
TEST(ShutDown, AnOpenCueEditorDoesNotHoldUpTheClose) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {}), ConsoleWindow::cue(200, {})});
  w.start("Logging=-1");
  w.form->selectRow(2);
  w.form->LoadCue();
  w.form->cueEditor().openAs(CueEditorMode::EditSelected, "2");
  ASSERT_TRUE(w.form->cueEditor().isVisible());
  w.form->ChannelEdits[0]->setText("100");
  ASSERT_TRUE(w.S.Unrecorded);
  w.dialogs.answerDefaults = true;
  w.form->close();
  EXPECT_EQ(w.dialogs.count("Unrecorded Changes"), 1);
  EXPECT_TRUE(logSteps(w.dir.path()).contains("ini updated"));
}

TEST(LostInterface, UnpluggedWidgetIsReportedOnceAndTheFadeStops) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {{1, 255}}, 100), ConsoleWindow::cue(200, {})});
  w.start();
  w.form->selectRow(1);
  w.form->LoadCue();
  w.form->btnPlayClick();
  w.tick(3);
  w.dialogs.answer(DialogResult::Ok);  // the one warning of the lost interface
  w.widget.unplug();
  for (int i = 0; i < 20; ++i) {
    w.settle();
    w.tick();
    w.form->ChannelEdits[5]->setText(QString::number(i));
  }
  int warnings = 0;
  for (const MessageSpec& m : w.dialogs.shown) warnings += m.text.startsWith("What happened?");
  EXPECT_EQ(warnings, 1);
  EXPECT_FALSE(w.form->FadeTimer->isActive());
  EXPECT_FALSE(w.S.InterfaceOpen);
}
