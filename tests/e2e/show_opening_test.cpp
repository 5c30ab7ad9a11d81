// Opening a show at start-up, seen from outside: the dialogs logged and what reaches the wire.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTcpSocket>

#include "console/engine/cue_record.h"
#include "tests/e2e/console_process.h"
#include "tools/usbpro_sim/widget_simulator.h"

namespace {
int wireLevel(const WidgetSimulator& widget, int address) {
  for (auto it = widget.frames().rbegin(); it != widget.frames().rend(); ++it)
    if (it->label == 6 && it->payload.size() > address) return uint8_t(it->payload[address]);
  return -1;
}

QString settingsFor(const WidgetSimulator& widget) {
  return QString("[Settings]\nComPort=%1\nDMXdevice=0\nMaxChannels=64\nOSCListen=0\n")
      .arg(widget.devicePath());
}
}  // namespace

TEST(ShowOpening, MissingCueFileIsReportedAndEveryChannelStaysAtZero) {
  WidgetSimulator widget;
  ConsoleProcess console;
  console.writeSettings(settingsFor(widget));
  ASSERT_TRUE(console.start({console.path("nothere.lcue")}));
  ASSERT_TRUE(console.waitForDialog("Loading Cue File error"));
  EXPECT_TRUE(console.dialogs().first().contains(
      "Could not find the Cue file. Please use the menu option to locate your file."));
  // The console opened the widget and asked for its serial number: the link is alive, so no level
  // arriving means none was sent (nothing arriving at all would prove nothing).
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    for (const auto& f : widget.frames())
      if (f.label == 10) return true;
    return false;
  }));
  ConsoleProcess::settle(500);
  for (const auto& f : widget.frames())
    if (f.label == 6) {
      EXPECT_EQ(f.payload.count('\0'), f.payload.size()) << "a frame with a level above 0";
    }
  for (int a = 1; a <= 64; ++a) EXPECT_LE(wireLevel(widget, a), 0) << a;
  EXPECT_TRUE(console.stop());
}

TEST(ShowOpening, OldShowIsConvertedAndItsCuesPlay) {
  WidgetSimulator widget;
  ConsoleProcess console;
  QByteArray old;
  for (int n : {100, 200, 300}) {
    OldCueRecord r;
    r.cueNumber = n;
    r.channelCountField = 640;
    if (n == 300) r.levels[0] = char(255);
    old += r.encode();
  }
  console.writeFile("old.lcue", old);
  console.writeSettings(settingsFor(widget));
  ASSERT_TRUE(console.start({console.path("old.lcue")}));
  QTcpSocket client;
  QByteArray received;
  ASSERT_TRUE(ConsoleProcess::connectUntilGreeted(client, received));
  ASSERT_TRUE(
      ConsoleProcess::waitFor([&] { return QFileInfo(console.path("old.lcue")).size() == 3 * 1240; }));
  ASSERT_TRUE(ConsoleProcess::waitFor([&] {
    int blackouts = 0;
    for (const auto& f : widget.frames()) blackouts += f.label == 6;
    return blackouts >= 2;
  }));
  client.write("goto 3\r\nplay\r\n");
  EXPECT_TRUE(ConsoleProcess::waitFor([&] { return wireLevel(widget, 1) == 255; }));
  EXPECT_TRUE(console.stop());
}
