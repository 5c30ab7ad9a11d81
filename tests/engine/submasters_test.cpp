// The submaster strips without any window: faders, value boxes, Record, the strip setup, the
// submaster file and the rep plot. A small stand-in for the window and the channel grid fills the
// hooks and traces what the strips ask of them.

#include "console/engine/submasters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <optional>
#include <vector>

#include "console/engine/cue_submaster_file.h"
#include "tests/support/scripted_operator.h"

namespace {

struct SubmasterStrips : ::testing::Test {
  QTemporaryDir dir;
  ConsoleState S;
  ScriptedOperator op;
  std::unique_ptr<Submasters> subs;
  // The channel grid.
  std::map<int, QString> edits;
  std::map<int, bool> marks;
  std::map<int, int> colours;
  int sends = 0;
  // The window.
  QStringList trace;
  std::map<int, int> faders;
  std::map<int, QString> values;
  bool midi = false;
  QStringList errors;
  QString patch;
  // The setup dialog: what Save writes, or nothing (cancelled).
  std::optional<SubmasterStripFields> setupAnswer;

  void SetUp() override {
    S.MaxChannels = 4;
    S.CueFileName = dir.filePath("show.lcue");
    for (int ch = 1; ch <= 1024; ++ch) S.Patch.PatchPercent[ch] = 100;
    for (int ch = 1; ch <= S.MaxChannels; ++ch)
      S.Patch.PatchTable.set(ch, QString("|%1|").arg(ch), S.MaxChannels);
    Submasters::Hooks h;
    h.send = [this] { ++sends; };
    h.levelEditText = [this](int ch) { return edits[ch]; };
    h.showLevelText = [this](int ch, const QString& text) { edits[ch] = text; };
    h.channelMarked = [this](int ch, bool visible) { marks[ch] = visible; };
    h.levelEditColour = [this](int ch, int bgr) { colours[ch] = bgr; };
    h.focusCueList = [this] { trace << "focus cue list"; };
    h.programFolder = [this] { return dir.path(); };
    h.midiActive = [this] { return midi; };
    h.reloadPatch = [this](const QString& path) { patch = path; };
    h.fileError = [this](const QString& message) { errors << message; };
    h.loadLoopFile = [this](int strip, const QString& path) {
      trace << QString("load loop %1 %2").arg(strip).arg(path);
    };
    h.startLoop = [this](int strip, double scale) {
      trace << QString("start loop %1 at %2").arg(strip).arg(scale);
    };
    h.setLoopScale = [this](double scale) { trace << QString("loop at %1").arg(scale); };
    h.loopStopped = [this] { trace << "loop stopped"; };
    h.faderMoved = [this](int strip, int value) { faders[strip] = value; };
    h.markerShown = [this](int strip, bool visible) {
      trace << QString("marker %1 %2").arg(strip).arg(visible ? "shown" : "hidden");
    };
    h.valueShown = [this](int strip, const QString& text) { values[strip] = text; };
    h.focusValue = [this](int strip) { trace << QString("focus value %1").arg(strip); };
    h.stripChanged = [this](int strip) {
      trace << QString("strip %1 %2").arg(strip).arg(subs->strip(strip).title);
    };
    h.titleChanged = [this](int strip) {
      trace << QString("title %1 %2").arg(strip).arg(subs->strip(strip).title);
    };
    h.useRepShown = [this](bool ticked) { trace << QString("use rep %1").arg(ticked); };
    h.setupStrip = [this](int strip, bool besideTitle) {
      trace << QString("setup %1%2").arg(strip).arg(besideTitle ? " beside title" : "");
      return setupAnswer && subs->saveStripSetup(strip, *setupAnswer);
    };
    subs = std::make_unique<Submasters>(S, op, std::move(h));
  }

  QString subsFile() const { return dir.filePath("show.subs"); }
  static void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  static QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void load(const QByteArray& text) {
    write(subsFile(), text);
    subs->LoadSubs(subsFile());
    trace.clear();
  }
};

}  // namespace

TEST_F(SubmasterStrips, AFaderMoveMixesSendsAndIsPainted) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,0,128,\r\n");
  subs->setFader(0, 50);  // as MIDI moves it
  EXPECT_EQ(S.DmxOutBuffer[0], 127);
  EXPECT_EQ(S.DmxOutBuffer[2], 64);
  EXPECT_EQ(S.SubSliders[0], 50);
  EXPECT_TRUE(S.SubMoved);
  EXPECT_GE(sends, 1);
  EXPECT_EQ(edits[1], "50");
  EXPECT_TRUE(marks[1]);
  EXPECT_EQ(faders[0], 50);
  EXPECT_EQ(values[0], "50");
  EXPECT_TRUE(subs->markerVisible(0));
  EXPECT_EQ(trace, QStringList{"marker 0 shown"});
  EXPECT_TRUE(op.asked.empty());

  // The operator drags it down and lets go: the window already shows the fader where it is.
  faders.clear();
  subs->faderChanged(0, 0);
  subs->SubDone(0);
  EXPECT_TRUE(faders.empty());
  EXPECT_EQ(S.DmxOutBuffer[0], 0);
  EXPECT_FALSE(subs->markerVisible(0));
  EXPECT_EQ(S.SubChannelLevels[1], 0);
  EXPECT_EQ(trace.last(), "focus cue list");

  // A fader set where it already stands applies nothing again.
  const int before = sends;
  subs->setFader(0, 0);
  EXPECT_EQ(sends, before);
}

TEST_F(SubmasterStrips, FadersFollowWhatAnotherWriterSet) {
  load("[Submasters]\r\nsubtitle2=Wash\r\n[SubmasterLevels]\r\nSublevels2=200,\r\n");
  S.SubSliders[2] = 100;  // the level path moved it through a submaster address
  subs->syncFaders();
  EXPECT_EQ(subs->fader(2), 100);
  EXPECT_EQ(faders[2], 100);
  EXPECT_EQ(S.DmxOutBuffer[0], 200);
}

TEST_F(SubmasterStrips, RecordWritesTheStripAndAFreeStripIsSetUpFirst) {
  load("[Submasters]\r\nsubtitle3=Rec\r\n");
  S.ChannelSelected[0] = true;
  S.ChannelSelected[3] = true;
  edits = {{1, "50"}, {2, "30"}, {3, "0"}, {4, "100"}};
  subs->recordsub(3);
  EXPECT_EQ(read(subsFile()),
            "[Submasters]\r\nsubtitle3=Rec\r\n\r\n[SubmasterLevels]\r\nSublevels3=127,0,0,255,\r\n");
  EXPECT_TRUE(subs->mixer().SubMembers[1][3]);
  EXPECT_TRUE(subs->mixer().SubMembers[4][3]);
  EXPECT_FALSE(subs->state().SubRecording);
  EXPECT_EQ(trace, QStringList{"focus cue list"});

  // A free strip: its setup comes first, and its Save records the levels too.
  trace.clear();
  S.ChannelSelected.fill(false);
  S.ChannelSelected[1] = true;
  edits = {{2, "100"}};
  SubmasterStripFields f;
  f.title = "New";
  f.hint = " front ";
  setupAnswer = f;
  subs->recordsub(5);
  EXPECT_TRUE(trace.contains("setup 5 beside title"));
  EXPECT_TRUE(trace.contains("title 5 New"));
  EXPECT_TRUE(trace.contains("strip 5 New"));  // the strips are read again
  EXPECT_EQ(subs->strip(5).hint, "front");
  const SubmasterFileSetup setup = readSubmasterFileSetup(subsFile(), 4, 0);
  EXPECT_EQ(setup.strips[5].title, "New");
  EXPECT_EQ(setup.strips[5].levels, "0,255,0,0,");

  // "UNUSED" frees it again.
  subs->setCurrentSub(5);
  EXPECT_EQ(subs->stripSetup(5).title, "New");
  f.title = "UNUSED";
  ASSERT_TRUE(subs->saveStripSetup(5, f));
  EXPECT_TRUE(subs->strip(5).isFree());
  EXPECT_TRUE(readSubmasterFileSetup(subsFile(), 4, 0).strips[5].levels.isEmpty());
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SubmasterStrips, AWriteThatFailsIsReported) {
  S.CueFileName = dir.filePath("gone/show.lcue");
  subs->mixer().strips[0].title = "Wash";
  S.ChannelSelected[0] = true;
  edits = {{1, "100"}};
  EXPECT_FALSE(subs->SaveSub(0));
  EXPECT_EQ(errors.size(), 1);
}

TEST_F(SubmasterStrips, TheRepPlotCopiesTheShowsStripsAndLoadsItsPatch) {
  S.FileSource = false;  // a show of its own, with its own patch
  write(subsFile(), "[Submasters]\r\nsubtitle1=Wash\r\n[SubmasterLevels]\r\nSublevels1=255,\r\n");
  subs->userepClick(true);
  EXPECT_TRUE(S.UseRepPlot);
  EXPECT_EQ(read(dir.filePath("rep_plot.subs")), read(subsFile())) << "copied from the show";
  EXPECT_EQ(subs->strip(1).title, "Wash");
  EXPECT_EQ(patch, dir.filePath("rep_plot.spch"));
  EXPECT_EQ(subs->SubmasterFileName(), dir.filePath("rep_plot.subs"));

  // The question on "Use Rep Plot": Yes copies the show's strips over the rep plot's.
  write(subsFile(), "[Submasters]\r\nsubtitle1=Other\r\n");
  op.answers = {DialogResult::No};
  subs->userepRightClick();
  ASSERT_EQ(op.asked.size(), 1u);
  EXPECT_EQ(op.asked[0].title, "Save Rep plot settings");
  EXPECT_EQ(op.asked[0].text,
            "Do you want to save the current\n\rsettings as the new Rep plot for submasters?");
  EXPECT_EQ(op.asked[0].icon, DialogIcon::Warning);
  EXPECT_EQ(op.asked[0].buttons, DialogButtons::YesNo);
  EXPECT_EQ(subs->strip(1).title, "Wash");
  op.answers = {DialogResult::Yes};
  subs->userepRightClick();
  EXPECT_EQ(subs->strip(1).title, "Other");

  // Showing the window leaves the rep plot: the box is unticked and the show's patch comes back.
  trace.clear();
  subs->shown();
  EXPECT_TRUE(trace.contains("use rep 0"));
  EXPECT_FALSE(S.UseRepPlot);
  EXPECT_FALSE(subs->state().UseRep);
  EXPECT_EQ(patch, dir.filePath("show.spch"));
}

TEST_F(SubmasterStrips, MasterzeroPutsEveryFaderToZeroAndClearsTheLoopFlags) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,\r\n");
  subs->setFader(0, 80);
  S.SubFlags[2] = true;
  subs->masterzero();
  EXPECT_EQ(subs->fader(0), 0);
  EXPECT_EQ(faders[0], 0);
  EXPECT_EQ(S.DmxOutBuffer[0], 0);
  EXPECT_FALSE(S.SubFlags[2]);
}

TEST_F(SubmasterStrips, UnderAMidiDeviceTheScreenIsRefused) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n");
  midi = true;
  subs->Editval(0, "40");
  ASSERT_EQ(op.asked.size(), 1u);
  EXPECT_EQ(op.asked[0].title, "Midi device active");
  EXPECT_EQ(op.asked[0].text, "Please use your attached Midi surface instead\n\rof the screen.");
  EXPECT_EQ(op.asked[0].icon, DialogIcon::Error);
  EXPECT_EQ(op.asked[0].buttons, DialogButtons::Cancel);
  EXPECT_EQ(subs->fader(0), 0);
  EXPECT_TRUE(subs->faderPressed(0, false)) << "the press goes no further";
  EXPECT_EQ(op.asked.size(), 2u);
  // MIDI itself still moves the fader.
  subs->setFader(0, 30);
  EXPECT_EQ(subs->fader(0), 30);
}

TEST_F(SubmasterStrips, ValueBoxKeysAndTheRightClickFlip) {
  load("[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,\r\n");
  struct Case {
    int start, key, expected;
  };
  for (const Case& c : {Case{37, Qt::Key_End, 0}, Case{37, Qt::Key_Home, 100}, Case{37, Qt::Key_Up, 38},
                        Case{37, Qt::Key_PageDown, 27}, Case{95, Qt::Key_PageUp, 100}}) {
    subs->Editval(0, QString::number(c.start));
    ASSERT_EQ(subs->fader(0), c.start);
    EXPECT_TRUE(subs->smKeyDown(0, c.key));
    EXPECT_EQ(subs->fader(0), c.expected) << c.start << " key " << c.key;
    EXPECT_EQ(values[0], QString::number(c.expected));
  }
  EXPECT_FALSE(subs->smKeyDown(0, Qt::Key_Left));

  // A right click on a fader picks the current strip's value and flips its fader.
  subs->setFader(0, 0);
  trace.clear();
  EXPECT_TRUE(subs->faderPressed(4, true));
  EXPECT_EQ(subs->fader(0), 100);
  EXPECT_TRUE(trace.contains("focus value 0"));
  EXPECT_TRUE(subs->markerVisible(0));
  EXPECT_EQ(S.DmxOutBuffer[0], 255);
}

TEST_F(SubmasterStrips, ALoopStripPlaysItsFileScaledByItsFader) {
  load("[Submasters]\r\nsubtitle1=Chase\r\nSubfile1=/shows/chase.lcue\r\n");
  EXPECT_TRUE(subs->showNeedsWindow(readSubmasterFileSetup(subsFile(), 4, 0)));
  subs->setFader(1, 50);
  EXPECT_EQ(trace, (QStringList{"marker 1 shown", "load loop 1 /shows/chase.lcue", "start loop 1 at 0.5"}));
  EXPECT_TRUE(S.SubLoopActive);

  // While the file is read, the fader only stores its value.
  trace.clear();
  subs->setSubLoopLoaded(true);
  subs->setFader(1, 70);
  EXPECT_EQ(S.SubSliders[1], 70);
  EXPECT_TRUE(trace.isEmpty());
  subs->setSubLoopLoaded(false);

  subs->setFader(1, 80);
  EXPECT_EQ(trace, (QStringList{"marker 1 shown", "loop at 0.8"}));
  trace.clear();
  subs->setFader(1, 0);
  EXPECT_EQ(trace, (QStringList{"marker 1 hidden", "loop stopped"}));
  EXPECT_FALSE(S.SubLoopActive);
}
