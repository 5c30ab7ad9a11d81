// "Start Web Remote" on a whole main window in this process, with the USB Pro widget simulator as
// its interface: the web remote program is started and closed through its window's caption, and a
// click in the remote's page moves a level on the wire.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "console/remote/remote_control.h"
#include "console/remote/web_remote_launcher.h"
#include "platform/processes.h"
#include "tests/webremote/webremote_test_support.h"
#include "tests/window/console_window_fixture.h"

using namespace webremote_test;

namespace {

const QString kCaption = WebRemoteLauncher::kCaption;

struct WebRemoteConsole : ::testing::Test {
  // Local sockets live in the temporary folder: a folder of its own keeps the pipe and the window
  // registry of this test apart from every other console on the machine (a console that closes
  // anywhere asks "Vq Lighting Remote" to close). The remote program inherits it.
  QTemporaryDir sockets;
  QByteArray savedTmp = qgetenv("TMPDIR");
  ConsoleWindow w;
  quint16 port = 0;
  // The console runs on the test's clock; here it keeps pace with the real time the remote program
  // and the browser live in.
  QTimer clockDriver;

  void SetUp() override {
    ASSERT_TRUE(sockets.isValid());
    qputenv("TMPDIR", sockets.path().toUtf8());
    // The remote serves on a free port of its own, on loopback only.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
    probe.close();
    qputenv("VQLREMOTE_PORT", QByteArray::number(port));
    qputenv("VQLREMOTE_ADDRESS", "127.0.0.1");
    w.writeShow({ConsoleWindow::cue(100, {})}, 16);
    w.pipeName = "vqlighting";  // the remote program knows the pipe by this name; TMPDIR keeps it apart
    w.start();
    ASSERT_TRUE(w.form);
    w.form->webRemote().setProgramFolder(VQ_BIN_DIR);
    QObject::connect(&clockDriver, &QTimer::timeout, [this] { w.clock.advance(10); });
    clockDriver.start(10);
  }
  void TearDown() override {
    if (w.form && w.form->menWeb->isChecked()) w.form->menWeb->trigger();
    if (windowExists(kCaption)) postCloseWindow(kCaption);
    waitUntil([] { return !windowExists(kCaption); }, 5000);
    qunsetenv("VQLREMOTE_PORT");
    qunsetenv("VQLREMOTE_ADDRESS");
    if (savedTmp.isNull())
      qunsetenv("TMPDIR");
    else
      qputenv("TMPDIR", savedTmp);
  }

  // The level of `address` in the newest frame the widget received.
  int wireLevel(int address) {
    const auto& frames = w.widget.frames();
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
      if ((it->label == 6 || it->label == 100) && it->payload.size() > address)
        return uint8_t(it->payload[address]);
    return -1;
  }
  bool waitForLevel(int address, int level) {
    return waitUntil([&] { return wireLevel(address) == level; }, 10000);
  }
  // Checks the menu item and waits until the remote serves its page.
  void startRemote() {
    w.form->menWeb->trigger();
    ASSERT_TRUE(w.form->menWeb->isChecked());
    ASSERT_TRUE(w.form->remote()->webRemoteActive());
    ASSERT_TRUE(waitUntil([] { return windowExists(kCaption); }, 15000))
        << "the remote's window did not appear";
    HttpClient probe(port);
    ASSERT_TRUE(waitUntil([&] { return probe.get("/state").status != 0; }, 15000))
        << "no page on port " << port;
  }
};

TEST_F(WebRemoteConsole, StartingServesTheRemoteAndUncheckingClosesIt) {
  QLocalSocket pipe;
  pipe.connectToServer("vqlighting");
  EXPECT_FALSE(pipe.waitForConnected(500)) << "the pipe server starts inactive";
  startRemote();

  HttpClient browser(port);
  ASSERT_EQ(browser.get("/").status, 200);
  EXPECT_EQ(browser.get("/state").json()["Memo1"].toArray().first().toString(), "Connected");
  browser.event("btn1");
  browser.event("btn2");
  EXPECT_EQ(browser.event("btnFull").json()["Memo1"].toArray().first().toString(), "Sent set 12@100");
  EXPECT_TRUE(waitForLevel(12, 255));

  w.form->menWeb->trigger();
  EXPECT_FALSE(w.form->menWeb->isChecked());
  EXPECT_FALSE(w.form->remote()->webRemoteActive());
  EXPECT_TRUE(waitUntil([] { return !windowExists(kCaption); }, 10000)) << "the remote did not close";
  EXPECT_TRUE(waitUntil([&] { return browser.get("/state").status == 0; }, 10000))
      << "the remote still serves";
}

TEST_F(WebRemoteConsole, ABrowserClickMovesALevelOnTheWire) {
  if (!chromiumInstalled()) GTEST_SKIP() << "chromium is not installed";
  ASSERT_EQ(browserDriverProblem(), "");
  startRemote();
  // 1, 2, Full: channel 12 at full on the wire; then Read: the console's answer in the level box.
  EXPECT_EQ(runBrowserScenario("console", port), "ok");
  EXPECT_TRUE(waitForLevel(12, 255));
}

// A stand-in for the remote program that notes the folder it was started in.
struct FakeRemoteProgram {
  QTemporaryDir folder;
  FakeRemoteProgram() {
    QFile script(folder.filePath("vqlremote"));
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\npwd >> \"$0.started\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
  }
  QStringList starts() const {
    QFile f(folder.filePath("vqlremote.started"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }
};

TEST_F(WebRemoteConsole, TheProgramStartsInTheConsolesFolderWhereRepliesKeepGoing) {
  FakeRemoteProgram program;
  w.form->webRemote().setProgramFolder(program.folder.path());
  const QString startFolder = QDir::currentPath();
  w.form->menWeb->trigger();
  ASSERT_TRUE(waitUntil([&] { return program.starts().size() == 1; }));
  EXPECT_EQ(program.starts().first(), startFolder);
  EXPECT_EQ(w.form->webRemote().remoteFolder(), startFolder);

  // A show from another folder moves the console's current directory; replies stay with the remote.
  QTemporaryDir elsewhere;
  QDir::setCurrent(elsewhere.path());
  QFile::remove(startFolder + "/read.txt");
  w.form->remote()->ProcessMsg("read 3");
  EXPECT_TRUE(waitUntil([&] { return QFile::exists(startFolder + "/read.txt"); }));
  EXPECT_FALSE(QFile::exists(elsewhere.filePath("read.txt")));
  w.form->menWeb->trigger();
}

TEST_F(WebRemoteConsole, AWindowThatExistsIsNotStartedAgainButClosedOnUncheck) {
  FakeRemoteProgram program;
  w.form->webRemote().setProgramFolder(program.folder.path());
  int closeRequests = 0;
  WindowEndpoint window(kCaption, [&] { ++closeRequests; });
  ASSERT_TRUE(window.listening());
  w.form->menWeb->trigger();
  EXPECT_TRUE(w.form->remote()->webRemoteActive()) << "the pipe server listens all the same";
  QLocalSocket pipe;
  pipe.connectToServer("vqlighting");
  EXPECT_TRUE(pipe.waitForConnected(2000));
  waitUntil([] { return false; }, 300);
  EXPECT_TRUE(program.starts().isEmpty()) << "no second copy";
  w.form->menWeb->trigger();
  EXPECT_FALSE(w.form->remote()->webRemoteActive());
  EXPECT_TRUE(waitUntil([&] { return closeRequests == 1; }));
}

}  // namespace
