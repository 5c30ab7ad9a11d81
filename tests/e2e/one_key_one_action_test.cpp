// One key press, one action, on a real X display (Xvfb, with and without a window manager), as an
// operator presses the keys with xdotool: F2, F3 and F4 with the keyboard focus in a level edit, on
// the grid's page, in the cue list and in a tool window, read on the wire of the USB Pro widget
// simulator and in the remote's replies. Then typed levels at an operator's pace, frame by frame.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPoint>

#include "console/engine/cue_record.h"
#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"
#include "tests/e2e/driven_console.h"
#include "tests/e2e/x_display.h"
#include "tests/support/fixture_show_files.h"

namespace {

CueRecord cue(int number, int fadeTenths, std::vector<std::pair<int, int>> levels) {
  CueRecord c;
  c.cueNumber = number;
  c.setDescriptionText("cue " + QString::number(number / 100));
  c.channelCountField = 640;  // 64 channels, side files following the program
  c.cueKind = kCueNormalDmx;
  c.fadeUpTime = c.fadeDownTime = fadeTenths;
  for (const auto& [channel, level] : levels) c.levels[channel - 1] = char(level);
  return c;
}

struct OneKeyOneAction : ::testing::TestWithParam<bool> {
  XDisplay x;
  DrivenConsole d;
  QString window;
  // The grid as found on screen: the number spot of channel `known`, and cells per row.
  QPoint knownSpot;
  int known = 0, perRow = 0;

  void SetUp() override {
    const bool withWindowManager = GetParam();
    const QString missing = XDisplay::missingPrograms(withWindowManager);
    ASSERT_TRUE(missing.isEmpty()) << "not installed: " << missing.toStdString();
    ASSERT_TRUE(x.start(withWindowManager));
    d.console.writeFile("show.lcue", cue(100, 0, {{1, 255}}).encode() + cue(200, 60, {{2, 255}}).encode() +
                                         cue(300, 40, {{3, 255}}).encode() +
                                         cue(400, 50, {{4, 255}}).encode() +
                                         cue(500, 50, {{9, 255}}).encode());
    writeFixtureFiles();
    d.console.setEnvironment("QT_QPA_PLATFORM", "xcb");
    d.console.setEnvironment("DISPLAY", x.name());
    d.startOn("show.lcue", 64);
    ASSERT_TRUE(ConsoleProcess::waitFor([&] {
      for (const QString& w : x.windowsOf(d.console.process().processId()))
        if (x.xdotool({"getwindowname", w}).contains("Lighting")) window = w;
      return !window.isEmpty();
    }));
    ConsoleProcess::settle(500);
    x.xdotool({"windowfocus", "--sync", window});
    ASSERT_TRUE(findGrid()) << "no channel cell answered a click";
  }
  void TearDown() override { EXPECT_TRUE(d.console.stop()); }

  // An RGBI fixture at address 20 (red, green, blue, intensity), named by channel 30.
  void writeFixtureFiles() {
    const QString folder = d.console.folder();
    QDir(folder).mkpath("lcsv");
    ASSERT_TRUE(writeChannelTable(folder + "/lcsv/zzKeysRGBI.lcsv", FixtureChannelTable::blank()).ok());
    FixtureTypeRecord rgbi;
    rgbi.name = "zzKeysRGBI";
    rgbi.id = 7;
    rgbi.channelCount = 4;
    rgbi.red = 1, rgbi.green = 2, rgbi.blue = 3, rgbi.intensity = 4;
    ASSERT_TRUE(writeFixtureLibrary(folder + "/vqlighting.lfix", {rgbi}).ok());
    FixtureMap::Table starts{}, warm{}, types{}, roles{};
    for (int k = 0; k < 4; ++k) {
      starts[size_t(20 + k)] = 20;
      types[size_t(20 + k)] = 7;
      warm[size_t(20 + k)] = k < 3 ? -1 : 0;
      roles[size_t(20 + k)] = k < 3 ? int16_t(k + 1) : int16_t(99);
    }
    ASSERT_TRUE(writeFixtureMapFile(folder + "/vqlighting.fmap", starts, warm, types, roles));
    QByteArray patch = "-1\r\n";
    for (int k = 1; k <= 64; ++k)
      patch += (k == 30 ? QString("30,,RGBI,20\r\n") : QString("%1,%1,,\r\n").arg(k)).toLatin1();
    d.console.writeFile("vqlighting.spch", patch);
  }

  void click(QPoint at) {
    x.xdotool(
        {"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click", "1"});
    ConsoleProcess::settle(150);
  }
  void key(const QString& name) {
    x.xdotool({"key", "--delay", "80", name});
    ConsoleProcess::settle(150);
  }
  // The channel a click at `at` selects: Home puts the selected channels at full; Esc blacks out again.
  int channelAt(QPoint at) {
    click(at);
    key("Home");
    int found = 0;
    ConsoleProcess::waitFor(
        [&] {
          for (int a = 1; a <= 64 && !found; ++a)
            if (d.wireLevel(a) == 255) found = a;
          return found != 0;
        },
        1000);
    key("Escape");
    return found;
  }
  // Clicks down the grid's side until a click selects a channel, then one row below it.
  bool findGrid() {
    for (int y = 90; y < 320 && !known; y += 14) {
      knownSpot = QPoint(520, y);
      known = channelAt(knownSpot);
    }
    if (!known) return false;
    const int below = channelAt(knownSpot + QPoint(0, 58));
    perRow = below - known;
    return perRow > 0;
  }
  // The number spot and the level edit of a channel, 60 by 58 pixels a cell.
  QPoint numberSpot(int channel) const {
    const int dx = (channel - 1) % perRow - (known - 1) % perRow;
    const int dy = (channel - 1) / perRow - (known - 1) / perRow;
    return knownSpot + QPoint(dx * 60, dy * 58);
  }
  QPoint editSpot(int channel) const { return numberSpot(channel) + QPoint(10, 22); }

  int frames() { return int(d.widget.frames().size()); }
  // "done" replies since the last clear.
  int dones() {
    d.received += d.client.readAll();
    return int(d.received.count("done\r\n"));
  }
  // Forgets the replies so far, also those of earlier commands still on their way.
  void clearReplies() {
    ConsoleProcess::settle(300);
    d.client.readAll();
    d.received.clear();
  }
  // The levels address `address` took on the wire since frame `from`, each change once.
  QList<int> changes(size_t from, int address) {
    QList<int> levels;
    const auto& all = d.widget.frames();
    for (size_t i = from; i < all.size(); ++i) {
      if (all[i].label != 6 || all[i].payload.size() <= address) continue;
      const int level = uint8_t(all[i].payload[address]);
      if (levels.isEmpty() || levels.back() != level) levels << level;
    }
    return levels;
  }

  // F4 from live switches to blind once: nothing goes out, and a level set meanwhile waits for F4
  // again, which returns to live once.
  void expectF4ActsOnce(const char* where) {
    SCOPED_TRACE(where);
    const int before = frames();
    key("F4");
    ConsoleProcess::settle(500);
    EXPECT_EQ(frames(), before) << "going blind sends nothing; a frame means live came back";
    d.send("set 5@100\r\n");
    ConsoleProcess::settle(500);
    EXPECT_NE(d.wireLevel(5), 255) << "the console is not blind";
    key("F4");
    EXPECT_TRUE(d.waitForLevel(5, 255)) << "the second F4 did not return to live";
    d.send("set 5@0\r\n");
    EXPECT_TRUE(d.waitForLevel(5, 0));
  }
  // F3 switches auto advance once: the screen's levels go out and the cue ends as often as one
  // click on the tool button "Auto" makes it end (`clicks`), and no more.
  void expectF3ActsOnce(const char* where, int clicks) {
    SCOPED_TRACE(where);
    clearReplies();
    key("F3");
    ConsoleProcess::settle(1500);
    EXPECT_EQ(dones(), clicks) << d.received.toStdString();
    clearReplies();
    key("F3");  // and off again
    ConsoleProcess::settle(1500);
    EXPECT_LE(dones(), clicks) << d.received.toStdString();
  }
  // The "done" replies one click on the tool button "Auto" gives (it switches auto advance on; a
  // second click switches it off again).
  int autoButtonClick() {
    clearReplies();
    click({81, 68});
    ConsoleProcess::settle(1500);
    const int n = dones();
    click({81, 68});
    ConsoleProcess::settle(1500);
    return n;
  }
};

}  // namespace

TEST_P(OneKeyOneAction, F3AndF4ActOnceWhereverTheFocusIs) {
  d.send("goto 1\r\nplay\r\n");
  ASSERT_TRUE(d.waitForReply("done"));
  const int clicks = autoButtonClick();
  ASSERT_GE(clicks, 1) << "the tool button \"Auto\" was not found";

  click(editSpot(12));
  expectF4ActsOnce("a level edit");
  click(editSpot(12));
  expectF3ActsOnce("a level edit", clicks);

  click(numberSpot(12) + QPoint(-12, 40));  // between the cells, on the page
  expectF4ActsOnce("the grid's page");
  expectF3ActsOnce("the grid's page", clicks);

  click({230, 169});  // the cue list's second row
  expectF4ActsOnce("the cue list");
  expectF3ActsOnce("the cue list", clicks);

  // The magic sheet, a tool window, with the keyboard.
  key("m");
  QString sheet;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    for (const QString& w : x.windowsOf(d.console.process().processId()))
      if (x.xdotool({"getwindowname", w}) == "Magic Sheet") sheet = w;
    return !sheet.isEmpty();
  }));
  x.xdotool({"windowactivate", "--sync", sheet});
  x.xdotool({"windowfocus", "--sync", sheet});
  ConsoleProcess::settle(300);
  expectF4ActsOnce("a tool window");
  expectF3ActsOnce("a tool window", clicks);
}

TEST_P(OneKeyOneAction, F2OpensTheKeypadOnceFromALevelEdit) {
  click(editSpot(12));
  key("F2");
  int keypads = 0;
  ConsoleProcess::waitFor([&] {
    keypads = 0;
    for (const QString& w : x.windowsOf(d.console.process().processId()))
      keypads += x.xdotool({"getwindowname", w}) == "Keyboard Entry";
    return keypads > 0;
  });
  EXPECT_EQ(keypads, 1);
  // The keys after it still act as keys: a level typed into channel 12 lands.
  click(editSpot(12));
  const size_t from = d.widget.frames().size();
  key("4");
  key("0");
  EXPECT_TRUE(d.waitForLevel(12, 102));
  EXPECT_EQ(changes(from, 12), (QList<int>{102}));
}

// Levels typed at an operator's pace into two channels within the commit pause: each channel takes
// its own level, once; no frame carries a level that was not typed.
TEST_P(OneKeyOneAction, TypedLevelsLandEachOnItsOwnChannelFrameByFrame) {
  struct Case {
    int first, second;
    const char *firstKeys, *secondKeys;
    int firstLevel, secondLevel;
  };
  for (const Case& c : {Case{10, 11, "30", "5", 76, 13}, Case{1, 3, "20", "0", 51, 0}}) {
    SCOPED_TRACE(QString("%1 into %2, %3 into %4")
                     .arg(c.firstKeys)
                     .arg(c.first)
                     .arg(c.secondKeys)
                     .arg(c.second)
                     .toStdString());
    key("Escape");
    ConsoleProcess::settle(300);
    const size_t from = d.widget.frames().size();
    click(editSpot(c.first));
    x.xdotool({"type", "--delay", "80", c.firstKeys});
    click(editSpot(c.second));
    x.xdotool({"type", "--delay", "80", c.secondKeys});
    ConsoleProcess::settle(2500);  // past the commit pause
    EXPECT_EQ(d.wireLevel(c.first), c.firstLevel);
    EXPECT_EQ(d.wireLevel(c.second), c.secondLevel);
    for (int level : changes(from, c.first)) EXPECT_TRUE(level == 0 || level == c.firstLevel) << level;
    for (int level : changes(from, c.second)) EXPECT_TRUE(level == 0 || level == c.secondLevel) << level;
  }
}

// A level and a gel code typed into the channel that names an RGBI fixture, with Shift pressed as
// an operator types a capital letter: the gel goes to the colour addresses and the level to the
// intensity, which never carries any other level on the wire.
TEST_P(OneKeyOneAction, ShiftInATypedColourCodeKeepsTheLevelAndTheGel) {
  struct Case {
    QStringList keys;
    int intensity;
  };
  for (const Case& c :
       {Case{{"5", "0", "r", "2", "7"}, 127}, Case{{"5", "0", "shift+r", "2", "7"}, 127},
        Case{{"3", "0", "Shift_L", "r", "2", "7"}, 76}, Case{{"4", "0", "r", "2", "7", "Shift_L"}, 102}}) {
    SCOPED_TRACE(c.keys.join(' ').toStdString());
    key("Escape");
    ConsoleProcess::settle(300);
    const size_t from = d.widget.frames().size();
    click(editSpot(30));
    x.xdotool(QStringList{"key", "--delay", "80"} + c.keys);
    ConsoleProcess::settle(2500);  // past the commit pause
    EXPECT_EQ(d.wireLevel(20), 190) << "the gel's red";
    EXPECT_EQ(d.wireLevel(22), 10) << "the gel's blue";
    EXPECT_EQ(d.wireLevel(23), c.intensity) << "the typed level";
    for (int level : changes(from, 23)) EXPECT_TRUE(level == 0 || level == c.intensity) << level;
  }
}

// The cue editor, opened with the right button on cue 2 as an operator does, while commands arrive
// over TCP: nothing runs and nothing is written while it is open; Save writes cue 2 and no other,
// and then the commands run in the order they came.
TEST_P(OneKeyOneAction, TheCueEditorSavesTheCueItWasOpenedOnWhileRemoteCommandsWait) {
  const QString show = d.console.path("show.lcue");
  auto bytes = [&] {
    QFile f(show);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const QByteArray before = bytes();
  ASSERT_EQ(before.size(), 5 * kCueRecordSize);

  x.xdotool({"mousemove", "--window", window, "230", "169", "click", "3"});  // cue 2's row
  QString editor;
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    for (const QString& w : x.windowsOf(d.console.process().processId()))
      if (x.xdotool({"getwindowname", w}) == "Edit existing Cue") editor = w;
    return !editor.isEmpty();
  })) << "the cue editor did not open";

  clearReplies();
  d.send("goto 5\r\nset 7@33\r\nrecord\r\nread 7\r\n");
  ConsoleProcess::settle(1500);
  d.received += d.client.readAll();
  EXPECT_TRUE(d.received.isEmpty()) << "a command ran under the open editor: " << d.received.toStdString();
  EXPECT_EQ(bytes(), before) << "the show changed under the open editor";

  x.xdotool({"windowactivate", "--sync", editor});
  x.xdotool({"windowfocus", "--sync", editor});
  key("Return");  // Save
  ASSERT_TRUE(d.waitForReply("read33\r\n")) << d.received.toStdString();

  const QByteArray after = bytes();
  ASSERT_EQ(after.size(), 5 * kCueRecordSize);
  const CueRecord two = CueRecord::decode(after.mid(1 * kCueRecordSize, kCueRecordSize));
  const CueRecord five = CueRecord::decode(after.mid(4 * kCueRecordSize, kCueRecordSize));
  EXPECT_EQ(two.cueNumber, 200);
  EXPECT_EQ(uint8_t(two.levels[1]), 255) << "cue 2 keeps its own levels";
  EXPECT_EQ(uint8_t(two.levels[6]), 0) << "the remote's level did not reach cue 2";
  EXPECT_EQ(five.cueNumber, 500) << "cue 5 was saved over";
  EXPECT_EQ(uint8_t(five.levels[6]), 84) << "the held record went to cue 5, after the editor";
}

INSTANTIATE_TEST_SUITE_P(WindowManager, OneKeyOneAction, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "openbox" : "none"; });
