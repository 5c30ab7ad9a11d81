#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/console_process.h"

TEST(ConsoleStartup, StartsAndStopsCleanlyOnAnEmptySettingsFile) {
  ConsoleProcess console;
  console.writeSettings("");
  ASSERT_TRUE(console.start());
  ConsoleProcess::settle(1500);
  ASSERT_TRUE(console.running());
  ASSERT_TRUE(console.stop());
  EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(console.exitCode(), 0);
}

TEST(ConsoleStartup, SecondInstanceEndsAtOnceWithoutWindowOrDialog) {
  ConsoleProcess first;
  first.writeSettings("");
  ASSERT_TRUE(first.start());
  ConsoleProcess::settle(1000);
  ASSERT_TRUE(first.running());

  ConsoleProcess second;
  second.writeSettings("[Settings]\nLogging=1\n");  // would show a dialog if it got that far
  second.process().setProcessChannelMode(QProcess::SeparateChannels);  // its standard error is read here
  ASSERT_TRUE(second.start());
  ASSERT_TRUE(second.process().waitForFinished(5000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.dialogs().isEmpty());
  const QStringList errors =
      QString::fromLocal8Bit(second.process().readAllStandardError()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
  EXPECT_TRUE(errors[0].contains("already running")) << errors[0].toStdString();
  EXPECT_TRUE(first.running());
  ASSERT_TRUE(first.stop());
}

TEST(ConsoleStartup, LoggingNoticeAppearsOnceAtLevelOne) {
  ConsoleProcess console;
  console.writeSettings("[Settings]\nLogging=1\n");
  ASSERT_TRUE(console.start());
  ASSERT_TRUE(console.waitForDialog("Logging is Enabled"))
      << "running: " << console.running() << " exit code: " << console.exitCode()
      << " dialogs: " << console.dialogs().join('\n').toStdString();
  ConsoleProcess::settle(500);
  ASSERT_TRUE(console.stop());
  ASSERT_EQ(console.dialogCount("Logging is Enabled"), 1);
  EXPECT_EQ(console.dialogs().filter("Logging is Enabled").first(),
            "Logging is Enabled\tActivity logging is enabled and will appear in the Tool window.\tOK\tOK");
}

TEST(ConsoleStartup, NoLoggingNoticeAtLevelZero) {
  ConsoleProcess console;
  console.writeSettings("[Settings]\nLogging=0\n");
  ASSERT_TRUE(console.start());
  ConsoleProcess::settle(1500);
  ASSERT_TRUE(console.stop());
  EXPECT_EQ(console.dialogCount("Logging is Enabled"), 0);
}
