// Where the console's windows stand on a real X display (Xvfb at 1280 x 800), with and without a
// window manager: the submaster window, which a show with a loop-file strip opens at start-up,
// stands on the screen with its title bar, and reopens where it was left at every restart.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "tests/e2e/driven_console.h"
#include "tests/e2e/x_display.h"
#include "tests/engine/cue_test_util.h"

namespace {

struct WindowPlacesOnX : ::testing::TestWithParam<bool> {
  XDisplay x;
  WidgetSimulator widget;
  ConsoleProcess console;

  void SetUp() override {
    const bool withWindowManager = GetParam();
    const QString missing = XDisplay::missingPrograms(withWindowManager);
    ASSERT_TRUE(missing.isEmpty()) << "not installed: " << missing.toStdString();
    ASSERT_TRUE(x.start(withWindowManager));
    console.setEnvironment("QT_QPA_PLATFORM", "xcb");
    console.setEnvironment("DISPLAY", x.name());
    cue_test::writeCueFile(console.path("show.lcue"), {cue_test::cue(100, "one")});
    cue_test::writeCueFile(console.path("chase.lcue"), {cue_test::cue(100, "step")});
    // A loop-file strip: the show needs the submaster window, which opens with it.
    console.writeFile(
        "show.subs",
        ("[Submasters]\r\nsubtitle0=Chase\r\nSubfile0=" + console.path("chase.lcue") + "\r\n").toUtf8());
  }

  // The visible window of the console titled `title` (empty when there is none yet).
  QString windowTitled(const QString& title) {
    for (const QString& w : x.windowsOf(console.process().processId()))
      if (x.xdotool({"getwindowname", w}) == title) return w;
    return {};
  }

  // The frame the window manager put around `window` (left, top, right, bottom), none without one.
  QMargins frameOf(const QString& window) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", x.name());
    p.setProcessEnvironment(env);
    p.start("xprop", {"-id", window, "_NET_FRAME_EXTENTS"});
    p.waitForFinished(5000);
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    const QStringList numbers = out.section('=', 1).split(',', Qt::SkipEmptyParts);
    if (numbers.size() != 4) return {};
    return {numbers[0].trimmed().toInt(), numbers[2].trimmed().toInt(), numbers[1].trimmed().toInt(),
            numbers[3].trimmed().toInt()};
  }

  // Starts the console on the show and returns the place of its submaster window once it stands.
  QRect subsWindowAtStart() {
    if (!console.start({console.path("show.lcue")})) return {};
    QString subs;
    ConsoleProcess::waitFor([&] { return !(subs = windowTitled("Subs")).isEmpty(); });
    if (subs.isEmpty()) return {};
    ConsoleProcess::settle(1000);  // framed and fitted
    const QRect client = x.geometry(subs);
    const QRect framed = client.marginsAdded(frameOf(subs));
    const std::string where = QString("client %1,%2 %3x%4 with its frame %5,%6 %7x%8")
                                  .arg(client.x())
                                  .arg(client.y())
                                  .arg(client.width())
                                  .arg(client.height())
                                  .arg(framed.x())
                                  .arg(framed.y())
                                  .arg(framed.width())
                                  .arg(framed.height())
                                  .toStdString();
    EXPECT_GE(framed.top(), 0) << "its title bar on screen: " << where;
    EXPECT_GE(framed.left(), 0) << where;
    EXPECT_LT(framed.left(), 1280 - 100) << "most of it on screen: " << where;
    return client;
  }
};

}  // namespace

TEST_P(WindowPlacesOnX, TheSubmasterWindowReopensWhereItWasLeft) {
  // Stored far right and low, as a wider screen left it: it is brought inside this one.
  console.writeSettings(QString("[Settings]\nComPort=%1\nDMXdevice=0\nMaxChannels=64\nOSCListen=0\n"
                                "subTop=143\nsubLeft=1349\n")
                            .arg(widget.devicePath()));
  QList<QRect> places;
  for (int start = 0; start < 3; ++start) {
    SCOPED_TRACE(start);
    places << subsWindowAtStart();
    ASSERT_FALSE(places.back().isEmpty()) << "no submaster window";
    ASSERT_TRUE(console.stop());
  }
  EXPECT_LE(places[0].right(), 1279) << "inside the screen";
  EXPECT_EQ(places[1], places[0]);
  EXPECT_EQ(places[2], places[0]);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, WindowPlacesOnX, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "openbox" : "none"; });
