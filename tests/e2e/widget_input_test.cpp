// A USB Pro widget whose DMX input carries a signal: it streams received-DMX packets all the time,
// one right behind every reply. The console must still find it and drive the wire through it.

#include <gtest/gtest.h>

#include <QTimer>

#include "console/engine/cue_record.h"
#include "tests/e2e/driven_console.h"

namespace {

QByteArray twoCueShow() {
  QByteArray show;
  for (int number : {100, 200}) {
    CueRecord c;
    c.cueNumber = number;
    c.setDescriptionText("cue " + QString::number(number / 100));
    c.channelCountField = 640;  // 64 channels, side files following the program
    c.cueKind = kCueNormalDmx;
    if (number == 200) c.levels[6] = char(200);
    show += c.encode();
  }
  return show;
}

}  // namespace

TEST(WidgetWithLiveInput, IsFoundAndCarriesACueToTheWire) {
  DrivenConsole d;
  const QByteArray input("\x10\x20\x30\x40", 4);
  d.widget.setLiveInput(input);
  QTimer stream;
  QObject::connect(&stream, &QTimer::timeout, [&] { d.widget.sendDmxInput(input); });
  stream.start(25);
  d.console.writeFile("show.lcue", twoCueShow());
  d.startOn("show.lcue", 64);
  if (HasFatalFailure()) return;

  d.send("goto 2\r\n");
  d.send("play\r\n");
  EXPECT_TRUE(d.waitForLevel(7, 200));
  EXPECT_EQ(d.console.dialogCount("Warning"), 0) << d.console.dialogs().join('\n').toStdString();
  EXPECT_TRUE(d.console.dialogs().isEmpty()) << d.console.dialogs().join('\n').toStdString();
  stream.stop();
  EXPECT_TRUE(d.console.stop());
}
