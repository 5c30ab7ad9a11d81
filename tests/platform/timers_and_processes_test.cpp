#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/clock.h"
#include "platform/processes.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"
#include "platform/timer_list.h"
#include "tests/support/test_clock.h"

TEST(TimerList, NamedEventsFireOnceAndCanBeRearmedOrCancelled) {
  TestClock clock;
  TimerList list(clock);
  int shown = 0, keyed = 0;
  list.addEvent("showok", 1500, [&] { ++shown; });
  list.addEvent("Keytimer", 1500, [&] { ++keyed; });
  list.arm("ShowOK");
  EXPECT_TRUE(list.isArmed("showok"));
  clock.advance(1499);
  EXPECT_EQ(shown, 0);
  clock.advance(1);
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(list.isArmed("showok"));
  clock.advance(5000);
  EXPECT_EQ(shown, 1) << "an event fires once";
  list.arm("keytimer", 5);
  list.cancel("keytimer");
  clock.advance(30);
  EXPECT_EQ(keyed, 0);
  list.arm("keytimer", 5);
  clock.advance(3);
  list.arm("keytimer");  // arming again restarts the interval
  clock.advance(4);
  EXPECT_EQ(keyed, 0);
  clock.advance(1);
  EXPECT_EQ(keyed, 1);
}

TEST(PumpedWait, RunsEventsWhileWaitingAndReturnsAtOnceWhenTerminating) {
  int ran = 0;
  QTimer::singleShot(5, [&] { ++ran; });
  systemClock().waitPumped(100);
  EXPECT_EQ(ran, 1);
  setApplicationTerminating(true);
  QElapsedTimer t;
  t.start();
  systemClock().waitPumped(5000);
  setApplicationTerminating(false);
  EXPECT_LT(t.elapsed(), 1000);
}

TEST(ProgramFolder, FindsFilesWithoutRegardToCase) {
  QTemporaryDir dir;
  QDir(dir.path()).mkpath("LCSV");
  QFile f(dir.filePath("LCSV/Add.lcsv"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QFile g(dir.filePath("VqLighting.spch"));
  ASSERT_TRUE(g.open(QIODevice::WriteOnly));
  g.close();
  EXPECT_EQ(findFileNoCase(dir.path(), "vqlighting.spch"), dir.filePath("VqLighting.spch"));
  EXPECT_EQ(findFileNoCase(dir.path(), "lcsv/add.lcsv"), dir.filePath("LCSV/Add.lcsv"));
  EXPECT_EQ(findFileNoCase(dir.path(), "new.fmap"), dir.filePath("new.fmap"));
}

TEST(WindowRegistry, FindsAndClosesAWindowByCaption) {
  int closes = 0;
  const QString caption = "Remote test window " + QString::number(QCoreApplication::applicationPid());
  EXPECT_FALSE(windowExists(caption));
  {
    WindowEndpoint endpoint(caption, [&] { ++closes; });
    ASSERT_TRUE(endpoint.listening());
    EXPECT_TRUE(windowExists(caption));
    EXPECT_TRUE(postCloseWindow(caption));
    for (int i = 0; i < 50 && closes == 0; ++i) systemClock().waitPumped(10);
    EXPECT_EQ(closes, 1);
  }
  EXPECT_FALSE(windowExists(caption));
  EXPECT_FALSE(postCloseWindow(caption));
}
