// The console on a real X display (Xvfb), driven by xdotool as an operator's keyboard and mouse, with
// and without a window manager: held keys, the clock's menu and the first key after start-up, read
// on the wire of the USB Pro widget simulator.

#include <gtest/gtest.h>

#include <QFile>

#include "tests/e2e/driven_console.h"
#include "tests/e2e/x_display.h"

namespace {

struct KeysOnX : ::testing::TestWithParam<bool> {
  XDisplay x;
  DrivenConsole d;
  QString window;

  void SetUp() override {
    const bool withWindowManager = GetParam();
    const QString missing = XDisplay::missingPrograms(withWindowManager);
    ASSERT_TRUE(missing.isEmpty()) << "not installed: " << missing.toStdString();
    ASSERT_TRUE(x.start(withWindowManager));
    // Address 10 is tagged for F5 in the soft patch beside the program.
    QByteArray patch = "-1\r\n";
    for (int k = 1; k <= 1024; ++k)
      patch += QString("%1,%1,%2,\r\n").arg(k).arg(k == 10 ? "Wash NBUMP5" : "").toLatin1();
    d.console.writeFile("vqlighting.spch", patch);
    d.console.setEnvironment("QT_QPA_PLATFORM", "xcb");
    d.console.setEnvironment("DISPLAY", x.name());
    d.startOn("demo.lcue", 256);
    ASSERT_TRUE(ConsoleProcess::waitFor([&] {
      for (const QString& w : x.windowsOf(d.console.process().processId()))
        if (x.xdotool({"getwindowname", w}).contains("Lighting")) window = w;
      return !window.isEmpty();
    }));
    ConsoleProcess::settle(500);
  }
  void TearDown() override { EXPECT_TRUE(d.console.stop()); }

  // The levels address `address` took on the wire since frame `from`, each change once.
  QList<int> changes(size_t from, int address) {
    QList<int> levels;
    const auto& frames = d.widget.frames();
    for (size_t i = from; i < frames.size(); ++i) {
      if (frames[i].label != 6 || frames[i].payload.size() <= address) continue;
      const int level = uint8_t(frames[i].payload[address]);
      if (levels.isEmpty() || levels.back() != level) levels << level;
    }
    return levels;
  }

  // Right-clicks down the right end of the window's header until a menu of several items opens
  // (the clock stands there; a press elsewhere may open the tool bar's one-line menu, which is
  // closed again). Returns the menu's window, or empty.
  QString openClockMenu() {
    const QRect frame = x.geometry(window);
    const qint64 pid = d.console.process().processId();
    for (int y = 20; y < 160; y += 4) {
      const QStringList before = x.windowsOf(pid);
      x.xdotool({"mousemove", "--window", window, QString::number(frame.width() - 50), QString::number(y),
                 "click", "3"});
      ConsoleProcess::settle(150);
      for (const QString& w : x.windowsOf(pid)) {
        if (before.contains(w)) continue;
        if (x.geometry(w).height() > 4 * 18) return w;
        x.xdotool({"key", "Escape"});
        ConsoleProcess::settle(100);
      }
    }
    return {};
  }
};

}  // namespace

TEST_P(KeysOnX, AHeldBumpKeyStaysUpUntilItIsLetGoAndReturnsOnce) {
  d.send("set 10@40\r\n");
  ASSERT_TRUE(d.waitForLevel(10, 102));
  x.xdotool({"windowfocus", "--sync", window});
  const size_t from = d.widget.frames().size();
  // Held well past the X server's auto-repeat delay: its repeats arrive as release/press pairs.
  QProcess hold;
  x.xdotoolAsync(hold, {"keydown", "F5", "sleep", "2", "keyup", "F5"});
  ASSERT_TRUE(ConsoleProcess::waitFor([&] { return hold.state() == QProcess::NotRunning; }, 15000));
  ConsoleProcess::settle(1500);  // anything the console still had queued arrives meanwhile
  EXPECT_EQ(changes(from, 10), (QList<int>{255, 102}));
}

TEST_P(KeysOnX, TheClockOpensItsTimerMenuOnTheRightButton) {
  const QString menu = openClockMenu();
  ASSERT_FALSE(menu.isEmpty()) << "no timer menu opened on the clock";
  // "Start Timer", the second item: the menu closes and the console goes on answering.
  x.xdotool({"key", "Down", "Down", "Return"});
  EXPECT_TRUE(ConsoleProcess::waitFor(
      [&] { return !x.windowsOf(d.console.process().processId()).contains(menu); }, 5000));
  d.send("set 3@100\r\n");
  EXPECT_TRUE(d.waitForLevel(3, 255));
}

TEST_P(KeysOnX, TheFirstKeyAfterStartUpCounts) {
  d.send("set 10@40\r\n");
  ASSERT_TRUE(d.waitForLevel(10, 102));
  // No focusing by the test: the console has the keyboard once it is on screen.
  x.xdotool({"key", "F5"});
  ConsoleProcess::settle(1000);
  bool bumped = false;
  for (const auto& f : d.widget.frames())
    bumped |= f.label == 6 && f.payload.size() > 10 && uint8_t(f.payload[10]) == 255;
  EXPECT_TRUE(bumped) << "the first key press did not reach the console";
  EXPECT_EQ(d.wireLevel(10), 102);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, KeysOnX, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "openbox" : "none"; });
