// The remote's page in headless Chromium (driven by playwright-core from tests/browser), served by
// the web server in this test with a console's pipe end of its own: what the browser shows and
// what reaches the pipe. The tests share one browser, each in a fresh context of its own.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "tests/support/test_clock.h"
#include "tests/webremote/webremote_test_support.h"
#include "webremote/remote_http_server.h"

using namespace webremote_test;

namespace {

struct BrowserPage : ::testing::Test {
  static inline std::unique_ptr<BrowserDriver> browser;
  static void SetUpTestSuite() { browser = std::make_unique<BrowserDriver>(); }
  static void TearDownTestSuite() { browser.reset(); }

  ConsolePipe console;
  QTemporaryDir replies;
  TestClock clock;
  std::unique_ptr<RemoteHttpServer> server;
  quint16 port = 0;

  void SetUp() override {
    if (!chromiumInstalled()) GTEST_SKIP() << "chromium is not installed";
    ASSERT_EQ(browserDriverProblem(), "");
    ASSERT_TRUE(console.start());
    RemoteServerSettings s;
    s.address = QHostAddress::LocalHost;
    s.port = 0;
    s.sessions.pipeName = console.name();
    s.sessions.replyFolder = replies.path();
    server = std::make_unique<RemoteHttpServer>(s, clock);
    port = server->listen();
    ASSERT_NE(port, 0);
  }
  std::string run(const QString& scenario) { return browser->run(scenario, port); }
};

TEST_F(BrowserPage, EveryControlAtItsPlace) { EXPECT_EQ(run("layout"), "ok"); }

TEST_F(BrowserPage, OneTwoFullSendsTheSet) {
  EXPECT_EQ(run("keypad"), "ok");
  ASSERT_TRUE(console.waitForMessages(1));
  EXPECT_EQ(console.bytes(), utf16le("set 12@100\r\n"));
}

TEST_F(BrowserPage, UnsavedChangesAreAskedAboutAndYesRecords) {
  EXPECT_EQ(run("unsaved"), "ok");
  ASSERT_TRUE(console.waitForMessages(3));
  EXPECT_EQ(console.messages(), (QStringList{"set 12@50", "record", "play next"}));
}

TEST_F(BrowserPage, ReadShowsTheConsolesAnswer) {
  // The console in this test answers a read through the reply file, as the real one does.
  console.onBytes = [this](const QByteArray&) {
    if (console.messages().contains("read 7")) writeReplyFile(replies.path(), "read40");
  };
  EXPECT_EQ(run("read"), "ok");
  EXPECT_EQ(console.messages(), QStringList{"read 7"});
}

TEST_F(BrowserPage, AnEndedSessionLoadsThePageAfresh) {
  // Ten minutes pass once "record" has arrived.
  console.onBytes = [this](const QByteArray&) {
    if (console.messages() == QStringList{"record"}) clock.now += 10 * 60 * 1000;
  };
  EXPECT_EQ(run("expired"), "ok");
  EXPECT_EQ(server->sessions().count(), 1);
}

TEST_F(BrowserPage, AGoneRemoteShowsNoResponse) {
  // The remote program closes its server once the set has reached the console.
  console.onBytes = [this](const QByteArray&) {
    if (console.messages().contains("set 12@100") && server)
      QTimer::singleShot(0, [this] { server.reset(); });
  };
  EXPECT_EQ(run("gone"), "ok");
  EXPECT_EQ(console.messages(), QStringList{"set 12@100"});
}

TEST_F(BrowserPage, ABusyRemoteShowsItsOwnText) { EXPECT_EQ(run("unavailable"), "ok"); }

TEST_F(BrowserPage, NoResponseWhenThePageClockRunsThePollsOut) {
  EXPECT_EQ(run("noresponse"), "ok");
  EXPECT_EQ(console.messages(), QStringList{"play 4"});
}

}  // namespace
