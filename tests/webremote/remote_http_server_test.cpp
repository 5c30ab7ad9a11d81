// The remote's web server over real HTTP on loopback: sessions, their pages and pipes, the events
// a browser posts and what the server refuses.

#include "webremote/remote_http_server.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTemporaryDir>
#include <memory>

#include "tests/support/test_clock.h"
#include "tests/webremote/webremote_test_support.h"

using namespace webremote_test;

namespace {

struct Server {
  ConsolePipe console;
  QTemporaryDir replies;
  TestClock clock;
  std::unique_ptr<RemoteHttpServer> server;
  quint16 port = 0;

  explicit Server(int maxSessions = 32, int maxSessionsPerAddress = 4) {
    EXPECT_TRUE(console.start());
    RemoteServerSettings s;
    s.address = QHostAddress::LocalHost;
    s.port = 0;
    s.sessions.pipeName = console.name();
    s.sessions.replyFolder = replies.path();
    s.sessions.maxSessions = maxSessions;
    s.sessions.maxSessionsPerAddress = maxSessionsPerAddress;
    server = std::make_unique<RemoteHttpServer>(s, clock);
    port = server->listen();
    EXPECT_NE(port, 0);
  }
  HttpClient browser() { return HttpClient(port); }
};

QStringList memo(const QJsonObject& state) {
  QStringList lines;
  for (const QJsonValue& v : state["Memo1"].toArray()) lines << v.toString();
  return lines;
}

TEST(RemoteHttpServer, ThePageStartsASessionWithItsOwnPipe) {
  Server s;
  HttpClient browser = s.browser();
  const HttpResult page = browser.get("/");
  EXPECT_EQ(page.status, 200);
  EXPECT_TRUE(page.header("Content-Type").startsWith("text/html"));
  EXPECT_TRUE(page.body.contains("id=\"btnSend\""));
  EXPECT_TRUE(page.header("Set-Cookie").startsWith("vqlsession="));
  EXPECT_TRUE(page.header("Set-Cookie").contains("HttpOnly"));
  EXPECT_EQ(s.server->sessions().count(), 1);
  EXPECT_TRUE(waitUntil([&] { return s.console.connections() == 1; }));

  const HttpResult state = browser.get("/state");
  EXPECT_EQ(state.status, 200);
  const QJsonObject json = state.json();
  EXPECT_EQ(memo(json), QStringList{"Connected"});
  EXPECT_EQ(json["enabled"].toObject()["btnSend"].toBool(), true);
  EXPECT_EQ(json["timer"].toObject()["enabled"].toBool(), false);
  EXPECT_FALSE(json.contains("confirm"));

  // Loading the page again keeps the session.
  EXPECT_EQ(browser.get("/").status, 200);
  EXPECT_EQ(s.server->sessions().count(), 1);
  EXPECT_EQ(s.console.connections(), 1);
}

TEST(RemoteHttpServer, KeypadClicksSendTheSet) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  browser.event("btn1");
  browser.event("btn2");
  const QJsonObject state = browser.event("btnFull").json();
  EXPECT_EQ(state["chnl"].toString(), "12");
  EXPECT_EQ(state["level"].toString(), "100");
  EXPECT_EQ(memo(state).first(), "Sent set 12@100");
  ASSERT_TRUE(s.console.waitForMessages(1));
  EXPECT_EQ(s.console.bytes(), utf16le("set 12@100\r\n"));
}

TEST(RemoteHttpServer, PostedTextsComeBeforeTheClick) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  const QJsonObject state =
      browser.event("btnSend", {{"IWEdit1", "12@50\r\nplay 3"}, {"chnl", "9"}, {"level", "20"}}).json();
  EXPECT_EQ(state["IWEdit1"].toString(), "");
  EXPECT_EQ(state["chnl"].toString(), "12");
  EXPECT_EQ(state["level"].toString(), "50play 3");
  ASSERT_TRUE(s.console.waitForMessages(1));
  EXPECT_EQ(s.console.messages(), QStringList{"set 12@50play 3"}) << "one event, one command";
}

TEST(RemoteHttpServer, TheUnsavedChangesQuestion) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  browser.event("btnSend", {{"IWEdit1", "12@50"}});
  const QJsonObject asked = browser.event("btnnext").json();
  const QJsonObject question = asked["confirm"].toObject();
  EXPECT_EQ(question["title"].toString(), "Unsaved Changes");
  EXPECT_EQ(question["text"].toString(),
            "Vq Lighting will need to know if you want to save changes or not. Do you?");
  EXPECT_EQ(question["buttons"].toArray(), (QJsonArray{"Yes", "No"}));
  EXPECT_EQ(question["callback"].toString(), "MyConfirmCallback");
  EXPECT_TRUE(browser.get("/state").json().contains("confirm")) << "a reloaded page asks again";
  const QJsonObject answered = browser.event("MyConfirmCallback", {{"RetValue", "No"}}).json();
  EXPECT_FALSE(answered.contains("confirm"));
  ASSERT_TRUE(s.console.waitForMessages(2));
  EXPECT_EQ(s.console.messages(), (QStringList{"set 12@50", "reset"}));
}

TEST(RemoteHttpServer, PollingAndTheFocus) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  QJsonObject state = browser.event("btnRead", {{"chnl", "7"}}).json();
  EXPECT_EQ(state["timer"].toObject()["enabled"].toBool(), true);
  EXPECT_EQ(state["timer"].toObject()["interval"].toInt(), 100);
  writeReplyFile(s.replies.path(), "read40");
  state = browser.event("IWTimer1").json();
  EXPECT_EQ(state["level"].toString(), "40");
  EXPECT_EQ(state["timer"].toObject()["enabled"].toBool(), false);

  state = browser.event("IWEdit1", {{"IWEdit1", "play 2"}}).json();
  EXPECT_EQ(state["IWEdit1"].toString(), "");
  EXPECT_EQ(state["focus"].toString(), "btnSend");
  EXPECT_EQ(browser.get("/state").json()["focus"].toString(), "") << "the focus moves once";
}

TEST(RemoteHttpServer, SessionsAreSeparateButShareTheUnsavedFlag) {
  Server s;
  HttpClient a = s.browser(), b = s.browser();
  a.get("/");
  b.get("/");
  EXPECT_EQ(s.server->sessions().count(), 2);
  EXPECT_TRUE(waitUntil([&] { return s.console.connections() == 2; }));
  a.event("btn3");
  EXPECT_EQ(b.get("/state").json()["chnl"].toString(), "");
  a.event("btnFull");
  EXPECT_TRUE(b.event("btnback").json().contains("confirm"));
}

TEST(RemoteHttpServer, ASessionEndsTenMinutesAfterItsLastRequest) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  ASSERT_TRUE(waitUntil([&] { return s.console.openConnections() == 1; }));
  s.clock.now += 10 * 60 * 1000 - 1;
  EXPECT_EQ(browser.get("/state").status, 200) << "a request keeps it alive";
  s.clock.now += 10 * 60 * 1000 - 1;
  s.server->sessions().expire();
  EXPECT_EQ(s.server->sessions().count(), 1);
  s.clock.now += 1;
  s.server->sessions().expire();
  EXPECT_EQ(s.server->sessions().count(), 0);
  EXPECT_TRUE(waitUntil([&] { return s.console.openConnections() == 0; })) << "its pipe is closed";
  EXPECT_EQ(browser.get("/state").status, 410);
  EXPECT_EQ(browser.event("btn1").status, 410);
  // The page loads afresh into a new session.
  EXPECT_EQ(browser.get("/").status, 200);
  EXPECT_EQ(browser.get("/state").status, 200);
  EXPECT_EQ(s.server->sessions().count(), 1);
}

TEST(RemoteHttpServer, AnExpiredSessionIsNotFoundBeforeTheSweep) {
  Server s;
  HttpClient browser = s.browser();
  browser.get("/");
  s.clock.now += 10 * 60 * 1000;
  EXPECT_EQ(browser.event("btn1").status, 410);
  EXPECT_EQ(s.server->sessions().count(), 0);
}

TEST(RemoteHttpServer, TheNumberOfSessionsIsBounded) {
  Server s(2);
  HttpClient a = s.browser(), b = s.browser(), c = s.browser();
  // A minute apart: a session used in the last minute is never ended for a newcomer.
  const qint64 minute = 60 * 1000;
  a.get("/");
  s.clock.now += minute + 1;
  b.get("/");
  s.clock.now += minute + 1;
  a.get("/state");  // b is now the one idle longest
  s.clock.now += minute + 1;
  c.get("/");
  EXPECT_EQ(s.server->sessions().count(), 2);
  EXPECT_EQ(a.get("/state").status, 200);
  EXPECT_EQ(b.get("/state").status, 410);
  EXPECT_EQ(c.get("/state").status, 200);
}

TEST(RemoteHttpServer, AFloodOfNewSessionsLeavesTheOperatorsSessionAlive) {
  Server s(32, 32);  // the whole table open to one address
  HttpClient op = s.browser();
  op.get("/");
  op.event("btn4");
  s.clock.now += 59 * 1000;
  HttpClient stranger = s.browser();
  int served = 0, refused = 0;
  for (int i = 0; i < 3000; ++i) {
    stranger.forgetCookies();
    const HttpResult r = stranger.get("/");
    served += r.status == 200;
    if (r.status == 503) {
      ++refused;
      if (refused == 1) {
        EXPECT_TRUE(r.header("Set-Cookie").isEmpty()) << "no session for a refused newcomer";
      }
    }
  }
  EXPECT_EQ(served, 31) << "the places left";
  EXPECT_EQ(refused, 3000 - 31);
  EXPECT_EQ(s.server->sessions().count(), 32);
  // The operator's session, used 59 s before the flood, goes on; once the strangers' sessions have
  // gone unused for more than a minute, they make room for newcomers, and the operator's stays.
  EXPECT_EQ(op.get("/state").json()["chnl"].toString(), "4");
  s.clock.now += 30 * 1000;
  EXPECT_EQ(op.get("/state").status, 200);
  s.clock.now += 31 * 1000;
  for (int i = 0; i < 31; ++i) {
    stranger.forgetCookies();
    EXPECT_EQ(stranger.get("/").status, 200);
  }
  EXPECT_EQ(op.event("btn2").json()["chnl"].toString(), "42");
  EXPECT_EQ(s.server->sessions().count(), 32);
}

TEST(RemoteHttpServer, OneAddressHoldsOnlyAFewSessions) {
  Server s;
  AddressedClient stranger(s.port, "127.0.0.2");
  // Forty page loads from one address, every session kept alive by polling.
  std::vector<QByteArray> cookies;
  int served = 0, refused = 0;
  for (int i = 0; i < 40; ++i) {
    stranger.forgetCookies();
    const HttpResult r = stranger.get("/");
    served += r.status == 200;
    refused += r.status == 503;
    if (r.status == 200) cookies.push_back(r.header("Set-Cookie").split(';').first());
  }
  EXPECT_EQ(served, 4);
  EXPECT_EQ(refused, 36);
  EXPECT_EQ(s.server->sessions().count(), 4);
  ASSERT_EQ(cookies.size(), 4u);
  const auto pollAll = [&] {
    for (const QByteArray& cookie : cookies) {
      AddressedClient poll(s.port, "127.0.0.2");
      poll.setCookie(cookie);
      EXPECT_EQ(poll.get("/state").status, 200);
    }
  };
  for (int round = 0; round < 8; ++round) {
    s.clock.now += 15 * 1000;
    pollAll();
    stranger.forgetCookies();
    EXPECT_EQ(stranger.get("/").status, 503) << "round " << round;
    // New browsers elsewhere still get a session, whenever they come.
    AddressedClient browser(s.port, QString("127.0.1.%1").arg(round + 1));
    EXPECT_EQ(browser.get("/").status, 200) << "round " << round;
    EXPECT_EQ(browser.get("/state").status, 200);
  }
  AddressedClient third(s.port, "127.0.0.3");
  EXPECT_EQ(third.get("/").status, 200);
  EXPECT_EQ(third.get("/state").status, 200);

  // Once one of the address's sessions has gone a minute unused, a newcomer from there takes its
  // place; the other addresses' sessions are not touched.
  const int before = s.server->sessions().count();
  s.clock.now += 61 * 1000;
  stranger.forgetCookies();
  EXPECT_EQ(stranger.get("/").status, 200);
  EXPECT_EQ(s.server->sessions().count(), before);
  EXPECT_EQ(s.server->sessions().countOf(QHostAddress("127.0.0.2")), 4);
  EXPECT_EQ(third.get("/state").status, 200);
}

TEST(RemoteHttpServer, RefusedRequests) {
  Server s;
  HttpClient browser = s.browser();
  EXPECT_EQ(browser.event("btn1").status, 410) << "no session yet";
  browser.get("/");
  struct Case {
    const char* name;
    QByteArray body;
    QByteArray type;
    int status;
  };
  const Case cases[] = {
      {"not JSON", "btn1", "application/json", 400},
      {"not an object", "[1]", "application/json", 400},
      {"unknown control", R"({"control":"btn99"})", "application/json", 400},
      {"a form post", "control=btn1", "application/x-www-form-urlencoded", 415},
      {"too large", "{\"IWEdit1\":\"" + QByteArray(5000, 'x') + "\"}", "application/json", 413},
      {"texts only", R"({"chnl":"4"})", "application/json", 200},
  };
  for (const Case& c : cases) EXPECT_EQ(browser.post("/event", c.body, c.type).status, c.status) << c.name;
  EXPECT_EQ(browser.get("/state").json()["chnl"].toString(), "4");
  EXPECT_TRUE(s.console.messages().isEmpty());
  EXPECT_EQ(browser.get("/nothing").status, 404);
}

}  // namespace
