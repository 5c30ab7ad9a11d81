#include "console/editors/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

// A screen of 1280 x 800 with the frame of a window manager (a title bar of 24, borders of 1).
namespace {
const QRect kScreen(0, 0, 1280, 800);
const QMargins kFrame(1, 24, 1, 1);
}  // namespace

TEST(WindowPlacement, FittedInsideTheScreenWithTheFrameCounted) {
  struct Case {
    const char* what;
    QRect client;
    QRect keepClear;
    bool resizable;
    QRect fitted;
  } cases[] = {
      {"inside: stays", {100, 200, 400, 300}, {}, true, {100, 200, 400, 300}},
      {"at 0,0: the title bar comes on screen", {0, 0, 404, 489}, {}, true, {1, 24, 404, 489}},
      {"stored above the screen (spreadTop=-40)", {10, -40, 600, 400}, {}, true, {10, 24, 600, 400}},
      {"beyond the right and bottom edges", {1200, 700, 300, 200}, {}, true, {979, 599, 300, 200}},
      {"taller than the screen: shortened", {0, 0, 1280, 1000}, {}, true, {1, 24, 1278, 775}},
      {"taller and fixed: its top stays on screen", {100, 50, 174, 900}, {}, false, {100, 24, 174, 900}},
      // The main window's menus run from 1,46 to 300,68: a window over them moves beside them.
      {"over the menus: just below them", {10, 40, 300, 200}, {1, 46, 300, 23}, true, {10, 93, 300, 200}},
      {"over the menus, no room below: beside them",
       {100, 30, 174, 740},
       {1, 46, 300, 23},
       false,
       {302, 30, 174, 740}},
      {"clear of the menus: stays", {600, 30, 174, 740}, {1, 46, 300, 23}, false, {600, 30, 174, 740}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fitClientRect(c.client, kFrame, kScreen, c.keepClear, c.resizable), c.fitted) << c.what;
}

TEST(WindowPlacement, ANegativeOrEmptyScreenLeavesThePlaceAsItIs) {
  EXPECT_EQ(fitClientRect({-50, -50, 100, 100}, kFrame, QRect(), QRect(), true), QRect(-50, -50, 100, 100));
}

// A place taken from a placed window puts it back at the same spot: no creeping at each reopening.
TEST(WindowPlacement, APlaceTakenBackReopensAtTheSameSpot) {
  QWidget w(nullptr, Qt::Tool);
  w.resize(174, 300);
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  QRect place(available.right() - 400, available.top() + 143, 174, 300);
  for (int reopening = 0; reopening < 4; ++reopening) {
    placeWindow(w, place, nullptr);
    w.show();
    const QRect taken = clientRect(w);
    w.hide();
    EXPECT_EQ(taken, place) << "reopening " << reopening;
    place = taken;
  }
}

// The menus of a main window on the screen: from its bar's first menu to its last.
TEST(WindowPlacement, TheMenusAreThoseOfTheMainWindowsBar) {
  QMainWindow main;
  main.setCentralWidget(new QLabel("grid"));
  main.menuBar()->addMenu("&File");
  main.menuBar()->addMenu("&Help");
  EXPECT_TRUE(menusOnScreen(&main).isEmpty()) << "not on screen";
  main.show();
  const QRect menus = menusOnScreen(&main);
  ASSERT_FALSE(menus.isEmpty());
  EXPECT_EQ(menus.topLeft(), main.menuBar()->mapToGlobal(
                                 main.menuBar()->actionGeometry(main.menuBar()->actions()[0]).topLeft()));
  EXPECT_LE(menus.height(), main.menuBar()->height());
  EXPECT_TRUE(menusOnScreen(nullptr).isEmpty());
}
