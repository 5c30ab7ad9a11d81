#include "console/editors/submaster_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "console/engine/submaster_file.h"
#include "tests/support/dialog_recorder.h"

namespace {
// The main window as the submaster window sees it: a show path in a temporary folder, level edits as
// texts, marks and sends counted.
class FakeHost : public SubmasterHost {
 public:
  FakeHost() {
    S.MaxChannels = 4;
    S.CueFileName = dir.filePath("show.lcue");
    for (int ch = 1; ch <= 1024; ++ch) S.Patch.PatchPercent[ch] = 100;
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
  }
  ConsoleState& state() override { return S; }
  QString levelEditText(int ch) override { return edits[ch]; }
  void showLevelText(int ch, const QString& text) override { edits[ch] = text; }
  void setSubmasterMark(int ch, bool visible) override { marks[ch] = visible; }
  void sendDMX() override { ++sends; }
  QString programFolder() override { return dir.path(); }
  void fileError(const QString& message) override { errors << message; }
  bool midiActive() override { return midi; }

  QTemporaryDir dir;
  ConsoleState S;
  std::map<int, QString> edits;
  std::map<int, bool> marks;
  int sends = 0;
  bool midi = false;
  QStringList errors;
};

struct SubWindow : ::testing::Test {
  FakeHost host;
  DialogRecorder dialogs;
  std::unique_ptr<TForm3> subs;
  void SetUp() override { subs = std::make_unique<TForm3>(host, nullptr, testOperator()); }
  QString subsFile() const { return host.dir.filePath("show.subs"); }
  QByteArray fileBytes() const {
    QFile f(subsFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void load(const QByteArray& text) {
    QFile f(subsFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    subs->LoadSubs(subsFile());
  }
};
}  // namespace

TEST_F(SubWindow, StripsShowTheirTitlesAndAddresses) {
  load(
      "[Submasters]\r\nsubtitle0=Wash\r\nsubcue0=front\r\nsubtitle1=Chase\r\nSubfile1=/x.lcue\r\n"
      "[SubmasterLevels]\r\nSublevels0=255,0,128,\r\n");
  EXPECT_EQ(subs->SubTitles[0]->text(), "Wash");
  EXPECT_EQ(subs->SubTitles[0]->toolTip(), "front");
  EXPECT_EQ(subs->SubTitles[2]->text(), "Unused");
  EXPECT_FALSE(subs->SubButtons[1]->isEnabled());  // a loop strip records nothing
  EXPECT_TRUE(subs->SubButtons[0]->isEnabled());
  EXPECT_EQ(subs->SubNumberLabels[0]->text(), "5");
  EXPECT_EQ(subs->SubNumberLabels[7]->text(), "12");
  EXPECT_TRUE(subs->mixer().SubMembers[1][0]);
  EXPECT_TRUE(subs->mixer().SubMembers[3][0]);
}

TEST_F(SubWindow, FaderDrivesTheOutputAndTheEditsWithoutDialogs) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,0,128,\r\n");
  subs->setFader(0, 50);                   // what MIDI calls
  EXPECT_EQ(host.S.DmxOutBuffer[0], 127);  // 50 x 2.55 is just below 127.5
  EXPECT_EQ(host.S.DmxOutBuffer[2], 64);
  EXPECT_EQ(host.edits[1], "50");
  EXPECT_TRUE(host.marks[1]);
  EXPECT_TRUE(subs->markerVisible(0));
  EXPECT_EQ(subs->SubValueEdits[0]->text(), "50");
  EXPECT_GE(host.sends, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  subs->setFader(0, 0);
  subs->SubDone(0);
  EXPECT_FALSE(subs->markerVisible(0));
  EXPECT_EQ(host.S.SubChannelLevels[1], 0);
}

TEST_F(SubWindow, FadersFollowTheEngineState) {
  load("[Submasters]\r\nsubtitle2=Wash\r\n[SubmasterLevels]\r\nSublevels2=200,\r\n");
  host.S.SubSliders[2] = 100;  // the level path moved it through a submaster address
  subs->syncFaders();
  EXPECT_EQ(subs->fader(2), 100);
  EXPECT_EQ(host.S.DmxOutBuffer[0], 200);
}

TEST_F(SubWindow, RecordIntoAStripInUseWritesItsLevels) {
  load("[Submasters]\r\nsubtitle3=Rec\r\n");
  host.S.ChannelSelected[0] = true;
  host.S.ChannelSelected[3] = true;
  host.edits = {{1, "50"}, {2, "30"}, {3, "0"}, {4, "100"}};
  subs->recordsub(3);
  EXPECT_EQ(fileBytes(),
            "[Submasters]\r\nsubtitle3=Rec\r\n\r\n[SubmasterLevels]\r\nSublevels3=127,0,0,255,\r\n");
  EXPECT_TRUE(subs->mixer().SubMembers[1][3]);
  EXPECT_TRUE(subs->mixer().SubMembers[4][3]);
  EXPECT_FALSE(subs->engine().state().SubRecording);
}

TEST_F(SubWindow, RecordIntoAFreeStripOpensTheSetupAndRecordsOnSave) {
  host.S.ChannelSelected[1] = true;
  host.edits = {{2, "100"}};
  subs->runSetupDialog = [this] {
    subs->setupDialog().FormShow();
    subs->setupDialog().subdesc->setText("New");
    return subs->setupDialog().btnSaveClick();
  };
  subs->recordsub(5);
  EXPECT_EQ(subs->title(5), "New");
  const SubmasterFileSetup setup = readSubmasterFileSetup(subsFile(), 4, 0);
  EXPECT_EQ(setup.strips[5].title, "New");
  EXPECT_EQ(setup.strips[5].levels, "0,255,0,0,");
}

TEST_F(SubWindow, SetupWithUnusedInCapitalsFreesTheStrip) {
  load("[Submasters]\r\nsubtitle1=Wash\r\nsubcue1=hint\r\n[SubmasterLevels]\r\nSublevels1=255,\r\n");
  subs->engine().setCurrentSub(1);
  Tsmedit& d = subs->setupDialog();
  d.FormShow();
  EXPECT_EQ(d.subdesc->text(), "Wash");
  EXPECT_EQ(d.subcue->text(), "hint");
  d.subdesc->setText("UNUSED");
  ASSERT_TRUE(d.btnSaveClick());
  EXPECT_EQ(subs->title(1), "Unused");
  EXPECT_FALSE(subs->mixer().SubMembers[1][1]);
  const SubmasterFileSetup setup = readSubmasterFileSetup(subsFile(), 4, 0);
  EXPECT_EQ(setup.strips[1].title, "Unused");
  EXPECT_TRUE(setup.strips[1].levels.isEmpty());
}

TEST_F(SubWindow, ValueBoxKeys) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,\r\n");
  struct Case {
    int start, key, expected;
  };
  for (const Case& c : {Case{37, Qt::Key_End, 0}, Case{37, Qt::Key_Home, 100}, Case{37, Qt::Key_Up, 38},
                        Case{37, Qt::Key_PageDown, 27}, Case{95, Qt::Key_PageUp, 100}}) {
    subs->setFader(0, c.start);
    subs->SubValueEdits[0]->setText(QString::number(c.start));
    QTest::keyClick(subs->SubValueEdits[0], Qt::Key(c.key));
    EXPECT_EQ(subs->fader(0), c.expected) << c.start << " key " << c.key;
    EXPECT_EQ(subs->SubValueEdits[0]->text(), QString::number(c.expected));
  }
}

TEST_F(SubWindow, TypedValueWithAMidiDeviceIsRefused) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n");
  host.midi = true;
  dialogs.answer(DialogResult::Cancel);
  subs->SubValueEdits[0]->setText("40");
  EXPECT_EQ(dialogs.count("Midi device active"), 1);
  EXPECT_EQ(subs->fader(0), 0);
}

TEST_F(SubWindow, MasterzeroPutsEveryFaderToZeroAndClearsTheLoopFlags) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,\r\n");
  subs->setFader(0, 80);
  host.S.SubFlags[2] = true;
  subs->masterzero();
  EXPECT_EQ(subs->fader(0), 0);
  EXPECT_FALSE(host.S.SubFlags[2]);
}

TEST_F(SubWindow, AWriteThatFailsIsReportedAndChangesNothing) {
  // The submaster file's folder is gone: the record cannot be written.
  host.S.CueFileName = host.dir.filePath("gone/show.lcue");
  load("");
  subs->mixer().strips[0].title = "Wash";
  host.S.ChannelSelected[0] = true;
  host.edits = {{1, "100"}};
  EXPECT_FALSE(subs->SaveSub(0));
  EXPECT_EQ(host.errors.size(), 1);
}

TEST_F(SubWindow, SetsubMarksTheMembersAboveTheirWarmUpLevel) {
  load("[Submasters]\r\nsubtitle2=Wash\r\n[SubmasterLevels]\r\nSublevels2=200,3,0,90,\r\n");
  host.S.Fixtures.WarmUpLevels[2] = 5;
  subs->Setsub(2);
  EXPECT_TRUE(host.marks[1]);
  EXPECT_FALSE(host.marks[2]);  // 3 is not above its warm-up level of 5
  EXPECT_FALSE(host.marks[3]);
  EXPECT_TRUE(host.marks[4]);
  EXPECT_TRUE(host.S.ChannelSelected[0]);
  EXPECT_FLOAT_EQ(subs->mixer().SubFactors[1], 2.0f);
}
