// The LED curve on the real main window: which channels follow it is read from the show's fixture
// map once the map is there, not only when the preferences change.

#include <gtest/gtest.h>

#include <QFile>

#include "console/patch/fixture_map.h"
#include "tests/window/console_window_fixture.h"

namespace {
// A map value of address `a` in record `record`.
void poke(QByteArray& map, int record, int a, int16_t value) {
  const qsizetype at = qsizetype(kFixtureMapRecordSize) * record + 2 * (a - 1);
  map[at] = char(value & 0xFF);
  map[at + 1] = char((value >> 8) & 0xFF);
}
}  // namespace

TEST(LedCurve, TheIntensityChannelOfAnInstalledFixtureFollowsTheCurveFromStartUp) {
  ConsoleWindow w;
  w.writeShow({ConsoleWindow::cue(100, {})});
  // A two-channel LED fixture at 3: intensity at 3 (warm-up 20), a colour channel at 4 (-1).
  QByteArray map = newFixtureMapBytes(0);
  for (int a : {3, 4}) {
    poke(map, 0, a, 3);
    poke(map, 2, a, 1);
  }
  poke(map, 1, 3, 20);
  poke(map, 1, 4, -1);
  poke(map, 3, 3, 99);
  poke(map, 3, 4, 1);
  QFile f(w.path("show.fmap"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(map);
  f.close();
  w.start("LEDcurve=1");

  // The shipped curve gives 55 for 127 (50 %). The colour channel is a raw channel outside the
  // curve (its entry is negative); channel 5 is no fixture's.
  struct Case {
    int channel, byte;
  };
  for (const Case& c : {Case{3, 55}, Case{4, 50}, Case{5, 127}}) {
    w.form->setEditTextQuietly(c.channel - 1, "50");
    w.form->SetDmx(c.channel - 1);
    w.form->sendDMX();
    EXPECT_EQ(uint8_t(w.lastLevels().at(c.channel - 1)), c.byte) << "channel " << c.channel;
  }
}
