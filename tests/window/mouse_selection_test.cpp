// Selecting channels with the mouse on the painted cells (clicks with Ctrl and Shift, a drag, the
// double click that locks, the right button's patch report), the wheel on the selected levels, and
// the dimmer check on the wire.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <tuple>

#include "console/editors/fixtures_window.h"
#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "console/window/main_window.h"
#include "platform/program_folder.h"
#include "tests/support/fixture_show_files.h"
#include "tests/window/console_window_fixture.h"

namespace {

QWidget* pageOf(Tform1& form, int i) { return form.dimpages->widget(form.pageOfChannel(i)); }

// A spot on channel index i's number.
QPoint numberSpot(Tform1& form, int i) {
  return ChannelGrid::labelRect().translated(form.ChannelPanels[size_t(i)]->pos()).center();
}

void send(Tform1& form, QEvent::Type type, int i, Qt::MouseButton button, Qt::KeyboardModifiers mods = {},
          QPoint at = {}) {
  QWidget* page = pageOf(form, i);
  const QPoint pos = at.isNull() ? numberSpot(form, i) : at;
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent e(type, pos, page->mapToGlobal(pos), button, held, mods);
  QApplication::sendEvent(page, &e);
}

// A click as the window system delivers it: press, release.
void click(Tform1& form, int i, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton) {
  send(form, QEvent::MouseButtonPress, i, button, mods);
  send(form, QEvent::MouseButtonRelease, i, button, mods);
}

std::vector<int> selected(Tform1& form) {
  std::vector<int> out;
  for (int i = 0; i < int(form.ChannelMarks.size()); ++i) {
    EXPECT_EQ(form.ChannelMarks[size_t(i)]->isVisible(), form.state().ChannelSelected[size_t(i)]) << i;
    if (form.state().ChannelSelected[size_t(i)]) out.push_back(i);
  }
  return out;
}

std::vector<int> range(int from, int to) {
  std::vector<int> out;
  for (int i = from; i <= to; ++i) out.push_back(i);
  return out;
}

void wheel(Tform1& form, int i, int delta) {
  QWidget* page = pageOf(form, i);
  const QPoint pos = numberSpot(form, i);
  QWheelEvent e(pos, page->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(page, &e);
}

}  // namespace

TEST(MouseSelection, ClicksWithCtrlAndShiftSelectInBothDirections) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;

  click(f, 2);
  EXPECT_EQ(selected(f), std::vector<int>{2});
  click(f, 4, Qt::ControlModifier);
  EXPECT_EQ(selected(f), (std::vector<int>{2, 4}));
  click(f, 2, Qt::ControlModifier);  // Ctrl on a selected channel takes only it out
  EXPECT_EQ(selected(f), std::vector<int>{4});

  // Shift ranges from the channel last clicked, downwards and upwards.
  click(f, 9);
  click(f, 3, Qt::ShiftModifier);
  EXPECT_EQ(selected(f), range(3, 9));
  click(f, 3);
  click(f, 7, Qt::ShiftModifier);
  EXPECT_EQ(selected(f), range(3, 7));

  // A press on the window's background clears the selection.
  QMouseEvent bg(QEvent::MouseButtonPress, QPointF(1, 1), f.mapToGlobal(QPoint(1, 1)), Qt::LeftButton,
                 Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f, &bg);
  EXPECT_TRUE(selected(f).empty());

  // A locked show keeps its selection, but the click still moves the focus.
  click(f, 5);
  f.state().CueChangesAllowed = false;
  click(f, 11);
  EXPECT_EQ(selected(f), std::vector<int>{5});
  EXPECT_EQ(f.levelEditor()->parentWidget(), pageOf(f, 11));
  f.state().CueChangesAllowed = true;
}

TEST(MouseSelection, ADragFillsTheCellsItSkippedAndADoubleClickLocks) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  w.dialogs.shown.clear();
  Tform1& f = *w.form;

  // Channel 5 pressed, the pointer jumps to channel 9, released there.
  send(f, QEvent::MouseButtonPress, 4, Qt::LeftButton);
  send(f, QEvent::MouseMove, 4, Qt::NoButton, {}, numberSpot(f, 8));
  {
    QWidget* page = pageOf(f, 8);
    QMouseEvent move(QEvent::MouseMove, numberSpot(f, 8), page->mapToGlobal(numberSpot(f, 8)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page, &move);
  }
  send(f, QEvent::MouseButtonRelease, 8, Qt::LeftButton, {}, numberSpot(f, 8));
  EXPECT_EQ(selected(f), range(4, 8));
  EXPECT_FALSE(f.Mouse.DragSelecting);

  // Press, release, double click, release: selected and locked, nothing asked.
  send(f, QEvent::MouseButtonPress, 12, Qt::LeftButton);
  send(f, QEvent::MouseButtonRelease, 12, Qt::LeftButton);
  send(f, QEvent::MouseButtonDblClick, 12, Qt::LeftButton);
  send(f, QEvent::MouseButtonRelease, 12, Qt::LeftButton);
  EXPECT_EQ(selected(f), std::vector<int>{12});
  EXPECT_TRUE(f.state().ChannelLocked[12]);
  EXPECT_EQ(f.ChannelMarks[12]->text(), kLockMarkText);
  EXPECT_TRUE(w.dialogs.shown.empty());
  // The next plain click clears the lock with the selection.
  click(f, 14);
  EXPECT_FALSE(f.state().ChannelLocked[12]);
  EXPECT_EQ(f.ChannelMarks[14]->text(), kSelectionMarkText);
}

TEST(MouseSelection, TheRightButtonTellsHowAChannelIsPatched) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 64);
  w.start({}, 64);
  w.dialogs.shown.clear();
  Tform1& f = *w.form;
  f.state().Patch.PatchTable.set(12, "||", 64);
  f.state().Patch.PatchTable.set(13, "||", 64);
  f.state().Patch.PatchTable.set(40, "|40|12|", 64);
  for (int k = 0; k < 2; ++k) w.dialogs.answer(DialogResult::Ok);

  click(f, 11, {}, Qt::RightButton);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].title, "Channel is softpatched");
  EXPECT_EQ(w.dialogs.shown[0].text, "12 is softpatched to 40.\n\rPlease click there instead.");
  click(f, 12, {}, Qt::RightButton);
  ASSERT_EQ(w.dialogs.shown.size(), 2u);
  EXPECT_EQ(w.dialogs.shown[1].title, "Channel is unpatched");
  EXPECT_EQ(w.dialogs.shown[1].text, "13 is an unpatched channel.");

  // A patched channel without a fixture: nothing to report.
  click(f, 20, {}, Qt::RightButton);
  EXPECT_EQ(w.dialogs.shown.size(), 2u);

  // A locked show: a left click is no question about the patch, whatever was pressed before.
  f.state().CueChangesAllowed = false;
  click(f, 11);
  click(f, 12);
  EXPECT_EQ(w.dialogs.shown.size(), 2u);
  f.state().CueChangesAllowed = true;
}

TEST(MouseSelection, TheWheelStepsTheSelectedLevels) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;
  f.clearSelection();

  struct Case {
    const char* start;
    bool raw;
    int step;
    int delta;
    const char* expected;
    bool keep = false;  // the edit keeps what the case before left
  };
  const Case cases[] = {
      {"", false, 5, 120, "1"},       // an empty edit starts at 1, not the step
      {"99", false, 5, 120, "100"},   // percent stops at 100
      {"250", true, 10, 120, "255"},  // raw stops at 255
      {"3", false, 5, -120, "0"},     // never below 0
      {"", false, 5, -120, "0"},        {"40", false, 5, 60, "40"},  // half a notch is not yet a step ...
      {"40", false, 5, 60, "45", true},                              // ... the second half makes one
  };
  for (const Case& c : cases) {
    f.state().RawChannels[4] = c.raw;
    f.state().Wheel = c.step;
    if (!c.keep) f.setEditTextQuietly(3, c.start);
    f.selectChannel(3);
    wheel(f, 3, c.delta);
    EXPECT_EQ(f.ChannelEdits[3]->text(), c.expected) << c.start << " " << c.delta;
  }
  // The level reaches the wire through the patch (channel 4 drives address 4).
  f.state().RawChannels[4] = false;
  f.setEditTextQuietly(3, "49");
  f.state().Wheel = 1;
  wheel(f, 3, 120);
  EXPECT_EQ(uint8_t(w.lastLevels().at(3)), 127);  // 50 % as the level path puts it on the wire
  EXPECT_TRUE(f.state().Unrecorded);
}

TEST(MouseSelection, OneToOnePatchModeFollowsItsMenuItem) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 16);
  w.start({}, 16);
  ASSERT_NE(w.form->Mpatch, nullptr);
  EXPECT_EQ(w.form->Mpatch->text(), "1 to 1 patch mode");
  w.form->Mpatch->trigger();
  EXPECT_TRUE(w.form->state().OneToOnePatch);
  w.form->Mpatch->trigger();
  EXPECT_FALSE(w.form->state().OneToOnePatch);
}

namespace {

// The levels address n (1-based) took in the frames since frame `from`, repeats of a level dropped.
std::vector<int> levelsOf(ConsoleWindow& w, size_t from, int n) {
  std::vector<int> out;
  const auto& frames = w.widget.frames();
  for (size_t k = from; k < frames.size(); ++k) {
    if ((frames[k].label != 6 && frames[k].label != 100) || frames[k].payload.size() <= n) continue;
    const int v = uint8_t(frames[k].payload.at(n));
    if (out.empty() || out.back() != v) out.push_back(v);
  }
  return out;
}

std::vector<int> rampUpAndDown() {
  std::vector<int> out{0};
  for (int v = 2; v <= 254; v += 2) out.push_back(v);
  for (int v = 255; v >= 1; v -= 2) out.push_back(v);
  out.push_back(0);
  return out;
}

}  // namespace

TEST(DimmerCheck, EachAddressRampsUpAndDownInTurnAndTheCheckCompletes) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 3);
  w.start({}, 3);
  w.settle();
  w.dialogs.shown.clear();
  for (int k = 0; k < 2; ++k) w.dialogs.answer(DialogResult::Ok);
  const size_t from = w.widget.frames().size();
  w.form->men1secClick();
  w.settle();
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(levelsOf(w, from, n), rampUpAndDown()) << n;
  ASSERT_EQ(w.dialogs.shown.size(), 2u);
  EXPECT_EQ(w.dialogs.shown[0].title, "Dimmer Check");
  EXPECT_EQ(w.dialogs.shown[0].text, "Starting Dimmer check. Press Esc to Stop.");
  EXPECT_EQ(w.dialogs.shown[1].text, "Dimmer check has completed.");
  EXPECT_FALSE(w.form->state().DimmerCheckRunning);
  EXPECT_TRUE(w.form->state().ChannelSelected[0] == false && w.form->state().ChannelSelected[2] == false);
}

TEST(DimmerCheck, EscEndsTheCheckAfterTheAddressUnderTestComesDown) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 3);
  w.start({}, 3);
  w.settle();
  w.dialogs.shown.clear();
  for (int k = 0; k < 2; ++k) w.dialogs.answer(DialogResult::Ok);
  const size_t from = w.widget.frames().size();
  bool sent = false;
  // Looks every 5 ms of the check's own time for the second address under test.
  ClockTimer esc(w.clock);
  QObject::connect(&esc, &ClockTimer::timeout, [&] {
    if (sent || w.form->DimCheckChannel != 2 || !w.form->state().ChannelSelected[1]) return;
    sent = true;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    w.form->FormKeyDown(key);
    // A second start while the first still runs is refused.
    w.form->men1secClick();
  });
  esc.start(5);
  w.form->men1secClick();
  esc.stop();
  w.settle();
  ASSERT_TRUE(sent);
  EXPECT_EQ(levelsOf(w, from, 1), rampUpAndDown());
  const std::vector<int> second = levelsOf(w, from, 2);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.back(), 0);
  EXPECT_NE(std::find(second.begin(), second.end(), 1), second.end());  // it came all the way down
  for (int v : levelsOf(w, from, 3)) EXPECT_EQ(v, 0);
  EXPECT_EQ(w.dialogs.count("Dimmer Check"), 2);
  EXPECT_EQ(w.form->DimCheckChannel, 3);
}

TEST(DimmerCheck, ManualAdvanceStepsWithSpaceAndStopsWithEsc) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 3);
  w.start({}, 3);
  w.settle();
  w.dialogs.shown.clear();
  for (int k = 0; k < 2; ++k) w.dialogs.answer(DialogResult::Ok);
  w.form->menManClick();
  EXPECT_TRUE(w.form->DimCheckManual);
  EXPECT_EQ(w.form->DimCheckChannel, 1);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  w.form->FormKeyDown(space);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
  w.form->FormKeyUp(release);
  EXPECT_EQ(w.form->DimCheckChannel, 2);
  EXPECT_TRUE(w.form->state().ChannelSelected[1]);
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  w.form->FormKeyDown(esc);
  EXPECT_FALSE(w.form->DimCheckManual);
  EXPECT_FALSE(w.form->state().DimmerCheckRunning);
  EXPECT_EQ(w.dialogs.count("Dimmer Check"), 2);
  EXPECT_EQ(w.form->DimCheckChannel, 3);
}

TEST(PatchHints, MapTagsAndHintsAreLoaded) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();
  w.dialogs.shown.clear();

  // A map of three records: address 5 raw (record 1 below 0), a fixture of type 3 at 17 and one of
  // a type the library no longer has at 20 and 21.
  FixtureMap::Table starts{}, warm{}, types{};
  warm[5] = -1;
  warm[6] = 12;
  starts[17] = 17;
  types[17] = 3;
  starts[20] = starts[21] = 20;
  types[20] = types[21] = 99;
  QFile map(S.FixtureMapFile);
  ASSERT_TRUE(map.open(QIODevice::WriteOnly | QIODevice::Truncate));
  map.write(encodeMapRecord(starts) + encodeMapRecord(warm) + encodeMapRecord(types));
  map.close();
  FixtureTypeRecord par;
  par.name = "Par LED";
  par.id = 3;
  S.FixtureLibraryFile = w.path("show.lfix");  // not the shared one of the program folder
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {par}).ok());

  auto describe = [&](int ch, const QString& text) { f.patchGrid().rowForChannel(ch)->description = text; };
  describe(3, "Wash TBUMP6(2.5) nbump5");
  describe(7, "spare");
  describe(9, "front TBUMP5");
  S.Patch.PatchTable.set(7, "||", 32);
  S.Patch.PatchTable.set(10, "||", 32);
  S.Patch.ChannelFixture[10] = 17;

  // Each load: the syntax message, the missing channel table of type 3 at address 17, the missing type.
  for (int k = 0; k < 6; ++k) w.dialogs.answer(DialogResult::Ok);
  f.Loadhints();
  EXPECT_EQ(QFileInfo(S.FixtureMapFile).size(), 4 * kFixtureMapRecordSize);
  EXPECT_TRUE(S.BumpMembers[16 + 1][3]);  // timed, F6
  EXPECT_TRUE(S.BumpMembers[0][3]);       // normal, F5
  EXPECT_FALSE(S.BumpMembers[0][4]);
  EXPECT_EQ(S.BumpTimerIntervals[1], 2500);
  EXPECT_EQ(S.BumpTimerIntervals[0], 0);
  EXPECT_EQ(f.ChannelEdits[2]->toolTip(), "Wash TBUMP6(2.5) nbump5");
  EXPECT_EQ(f.ChannelPanels[2]->toolTip(), "Wash TBUMP6(2.5) nbump5");
  EXPECT_EQ(f.ChannelEdits[6]->toolTip(), "Patched spare");
  EXPECT_EQ(f.ChannelEdits[9]->toolTip(), "Par LED at 17");
  EXPECT_TRUE(S.RawChannels[5]);
  EXPECT_FALSE(S.RawChannels[6]);
  EXPECT_EQ(S.Fixtures.WarmUpLevels[6], 12);
  EXPECT_EQ(S.Fixtures.WarmUpLevels[5], 0);
  // One syntax message for the one address of "front TBUMP5", one list message for the two
  // channels of the missing type.
  EXPECT_EQ(w.dialogs.count("Softpatch syntax problem"), 1);
  EXPECT_EQ(w.dialogs.count("Fixture list problem "), 1);
  EXPECT_EQ(w.dialogs.count("Fixture file problem"), 1);
  for (const MessageSpec& m : w.dialogs.shown)
    if (m.title == "Fixture list problem ") {
      EXPECT_EQ(m.text, "Fixture number 99, used before, is now missing for Channel 20.");
    }

  // A channel whose first address has attribute 1 is direct: its number turns red.
  FixtureMap::Table attributes{};
  attributes[8] = 1;
  {
    QFile grown(S.FixtureMapFile);
    ASSERT_TRUE(grown.open(QIODevice::ReadWrite));
    grown.seek(3 * kFixtureMapRecordSize);
    grown.write(encodeMapRecord(attributes));
  }
  // Tags removed from a description are forgotten at the next load.
  describe(3, "Wash");
  f.Loadhints();
  EXPECT_TRUE(S.DirectChannels[7]);
  EXPECT_EQ(f.ChannelLabels[7]->fontColor(), 0x0000FF);
  EXPECT_FALSE(S.DirectChannels[6]);
  EXPECT_EQ(f.ChannelLabels[6]->fontColor(), -1);
  EXPECT_FALSE(S.BumpMembers[16 + 1][3]);
  EXPECT_FALSE(S.BumpMembers[0][3]);
}

TEST(FixtureColours, ACodeGivesTheSelectedFixturesTheirColours) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();
  w.dialogs.shown.clear();

  // Files of the program folder this test owns, removed afterwards.
  ProgramFolderFiles owned;
  const QString designer = "zzColourTestDesigner";
  const QString gels = owned.own(designer + ".gels");
  const QString rgba = owned.own("lcsv/zzColourTestRGBA.lcsv");
  const QString rgb = owned.own("lcsv/zzColourTestRGB.lcsv");
  {
    QFile g(gels);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("[B1]\n5=10|20|30|40|50|60|70|80\n6=11|21|31|41|51|61|71|81\n");
  }
  ASSERT_TRUE(writeChannelTable(rgba, FixtureChannelTable::blank()).ok());
  ASSERT_TRUE(writeChannelTable(rgb, FixtureChannelTable::blank()).ok());
  S.UserName = designer;

  // A four-colour fixture of type 5 at address 10, a three-colour one of type 6 at 20.
  FixtureMap::Table starts{}, warm{}, types{}, attributes{};
  for (int a = 10; a <= 13; ++a) starts[a] = 10, types[a] = 5;
  for (int a = 20; a <= 22; ++a) starts[a] = 20, types[a] = 6;
  ASSERT_TRUE(writeFixtureMapFile(S.FixtureMapFile, starts, warm, types, attributes));
  FixtureTypeRecord four;
  four.name = "zzColourTestRGBA";
  four.id = 5;
  four.red = 1, four.green = 2, four.blue = 3, four.amber = 4;  // no white or lime
  FixtureTypeRecord three;
  three.name = "zzColourTestRGB";
  three.id = 6;
  three.red = 1, three.green = 2, three.blue = 3;
  S.FixtureLibraryFile = w.path("show.lfix");  // not the shared one of the program folder
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {four, three}).ok());
  S.Patch.ChannelFixture[1] = 10;
  S.Patch.ChannelFixture[2] = 20;

  f.clearSelection();
  f.selectChannel(0);
  f.selectChannel(1);
  f.selectChannel(4);  // a plain dimmer: skipped
  f.setEditTextQuietly(8, "99");
  f.loadcolors(0, "b1");
  EXPECT_TRUE(w.dialogs.shown.empty());
  EXPECT_EQ(f.ChannelEdits[8]->text(), "99");  // nothing before the fixture's first channel
  for (auto [index, text] :
       {std::pair{9, "10"}, {10, "20"}, {11, "30"}, {12, "40"}, {19, "61"}, {20, "71"}, {21, "81"}})
    EXPECT_EQ(f.ChannelEdits[size_t(index)]->text(), text) << index;
  EXPECT_EQ(uint8_t(w.lastLevels().at(10)), 51);  // channel 11 at 20 % on its own address

  // A code no file holds: reported, nothing changes.
  w.dialogs.answer(DialogResult::Ok);
  f.loadcolors(0, "b7");
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].title, "Gel file problem");
  EXPECT_EQ(w.dialogs.shown[0].text, "There is no record for Gel B7.");
  EXPECT_EQ(f.ChannelEdits[9]->text(), "10");
}

TEST(MouseSelection, TheRightButtonOnAFixtureChannelOpensTheFixturesWindowForIt) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();

  FixtureMap::Table starts{}, warm{}, types{}, attributes{};
  for (int a = 17; a <= 20; ++a) starts[a] = 17, types[a] = 3;
  for (int a = 21; a <= 24; ++a) starts[a] = 21, types[a] = 3;
  ASSERT_TRUE(writeFixtureMapFile(S.FixtureMapFile, starts, warm, types, attributes));
  FixtureTypeRecord par;
  par.name = "Par LED";
  par.id = 3;
  S.FixtureLibraryFile = w.path("show.lfix");  // not the shared one of the program folder
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {par}).ok());
  S.Fixtures.FixtureStart = starts;
  S.Fixtures.FixtureTypes = types;
  S.Patch.PatchTable.set(10, "||", 32);
  S.Patch.PatchTable.set(11, "||", 32);
  S.Patch.ChannelFixture[10] = 17;
  S.Patch.ChannelFixture[11] = 21;

  Tfixtures& window = f.fixturesWindow();
  window.reloadLibrary();
  QStringList entries;
  int shown = 0;
  window.execDialog = [&](QDialog&) {
    ++shown;
    for (int k = 0; k < window.fixgroup->count(); ++k)
      entries << window.fixgroup->item(k)->text() +
                     (window.fixgroup->item(k)->checkState() == Qt::Checked ? "+" : "-");
    return 0;
  };
  f.clearSelection();
  f.selectChannel(10);
  w.dialogs.answer(DialogResult::Ok);  // the fixtures window finds no channel table for the type
  click(f, 9, {}, Qt::RightButton);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(window.SelectedFixtureType, 3);
  EXPECT_TRUE(window.FixtureFromChannel);
  EXPECT_EQ(entries, (QStringList{"17+", "21+", "10 (17)-", "11 (21)-"}));
  EXPECT_TRUE(window.fixgroup->toolTip().endsWith(",17,21"));
}

TEST(PatchHints, AFixtureChannelIsNamedByItsTypeAndFunction) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})}, 32);
  w.start({}, 32);
  Tform1& f = *w.form;
  ConsoleState& S = f.state();
  w.dialogs.shown.clear();

  ProgramFolderFiles owned;
  const QString table = owned.own("lcsv/zzHintTestMover.lcsv");
  FixtureChannelTable t = FixtureChannelTable::blank();
  t.setChannel(1, "0-255", "Pan");
  t.setChannel(2, "0-255", "Tilt");
  t.setChannel(3, "0-100", "Dimmer");
  ASSERT_TRUE(writeChannelTable(table, t).ok());
  FixtureTypeRecord mover;
  mover.name = "zzHintTestMover";
  mover.id = 8;
  S.FixtureLibraryFile = w.path("show.lfix");  // not the shared one of the program folder
  ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {mover}).ok());

  FixtureMap::Table starts{}, warm{}, types{}, attributes{};
  for (int a = 4; a <= 6; ++a) starts[a] = 4, types[a] = 8, warm[a] = -1;
  ASSERT_TRUE(writeFixtureMapFile(S.FixtureMapFile, starts, warm, types, attributes));
  f.patchGrid().rowForChannel(4)->description = "Mover SR";

  f.Loadhints();
  EXPECT_TRUE(w.dialogs.shown.empty());
  for (auto [ch, function, moving] :
       {std::tuple{4, "Pan", true}, std::tuple{5, "Tilt", true}, std::tuple{6, "Dimmer", false}}) {
    EXPECT_EQ(f.ChannelPanels[size_t(ch - 1)]->toolTip(), QString("zzHintTestMover ") + function) << ch;
    EXPECT_EQ(S.MoverChannels[size_t(ch - 1)], moving) << ch;
    EXPECT_TRUE(S.RawChannels[size_t(ch)]) << ch;  // fixture channels are typed as raw DMX
  }
  EXPECT_EQ(f.ChannelEdits[3]->toolTip(), " Mover SR");
  EXPECT_EQ(f.ChannelEdits[4]->toolTip(), " ");  // the description of the soft patch line of address 5
}
