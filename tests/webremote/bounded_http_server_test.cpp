// The web remote's front door over real loopback sockets, with raw bytes from the client side:
// what a request may cost, how many connections stay open and how long they may take.

#include "webremote/bounded_http_server.h"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <memory>
#include <vector>

#include "tests/support/test_clock.h"
#include "tests/webremote/webremote_test_support.h"

using namespace webremote_test;

namespace {

// A client that writes raw bytes and collects everything the server sends back.
class RawClient {
 public:
  explicit RawClient(quint16 port) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { received_ += socket_.readAll(); });
    socket_.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(socket_.waitForConnected(5000));
  }
  void send(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
  }
  const QByteArray& received() const { return received_; }
  bool closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }
  bool waitForClose(int timeoutMs = 5000) {
    return waitUntil([&] { return closed(); }, timeoutMs);
  }
  bool waitForReceived(const QByteArray& text, int timeoutMs = 5000) {
    return waitUntil([&] { return received_.contains(text); }, timeoutMs);
  }
  // How many answers (status lines) arrived.
  int answers() const { return int(received_.count("HTTP/1.1 ")); }

 private:
  QTcpSocket socket_;
  QByteArray received_;
};

// Lets the server take in what is on its way, without moving the clock.
void settle() {
  waitUntil([] { return false; }, 50);
}

struct Server {
  TestClock clock;
  std::vector<HttpRequest> requests;  // every request the handler saw
  std::unique_ptr<BoundedHttpServer> server;
  quint16 port = 0;

  explicit Server(HttpLimits limits = {}) {
    server = std::make_unique<BoundedHttpServer>(limits, clock, [this](const HttpRequest& r) {
      requests.push_back(r);
      HttpResponse response;
      response.contentType = "text/plain";
      response.body = r.method + ' ' + r.path + ' ' + QByteArray::number(r.body.size());
      return response;
    });
    port = server->listen(QHostAddress::LocalHost, 0);
    EXPECT_NE(port, 0);
  }
};

QByteArray post(const QByteArray& body, const QByteArray& extra = {}) {
  return "POST /event HTTP/1.1\r\nHost: x\r\n" + extra +
         "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray chunked(const std::vector<int>& sizes) {
  QByteArray wire = "POST /event HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (int n : sizes) wire += QByteArray::number(n, 16) + "\r\n" + QByteArray(n, 'c') + "\r\n";
  return wire + "0\r\n\r\n";
}

TEST(BoundedHttpServer, RequestsAnsweredInOrderOnOneConnection) {
  Server s;
  RawClient client(s.port);
  // Two requests in one write, then one with a query; each answered in turn on the same connection.
  client.send("GET /a HTTP/1.1\r\nHost: x\r\n\r\n" + post("{\"x\":1}"));
  ASSERT_TRUE(waitUntil([&] { return client.answers() == 2; }));
  client.send("GET /state?t=1 HTTP/1.1\r\nHost: x\r\n\r\n");
  ASSERT_TRUE(waitUntil([&] { return client.answers() == 3; }));
  ASSERT_EQ(s.requests.size(), 3u);
  EXPECT_EQ(s.requests[0].method, "GET");
  EXPECT_EQ(s.requests[0].path, "/a");
  EXPECT_EQ(s.requests[1].body, "{\"x\":1}");
  EXPECT_EQ(s.requests[1].header("content-length"), "7");
  EXPECT_EQ(s.requests[2].path, "/state");
  const QByteArray& got = client.received();
  EXPECT_LT(got.indexOf("GET /a 0"), got.indexOf("POST /event 7"));
  EXPECT_LT(got.indexOf("POST /event 7"), got.indexOf("GET /state 0"));
  EXPECT_FALSE(client.closed());
  EXPECT_EQ(s.server->connectionCount(), 1);

  // "Connection: close" is answered, then the connection ends.
  client.send("GET /last HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_TRUE(client.waitForClose());
  EXPECT_TRUE(client.received().contains("GET /last 0"));
}

TEST(BoundedHttpServer, ARequestSplitAtEveryOffsetIsTheSameRequest) {
  Server s;
  const QByteArray wire = post("{\"control\":\"btn1\"}", "Cookie: a=1; vqlsession=abc\r\n");
  for (int cut = 1; cut < wire.size(); cut += 7) {
    RawClient client(s.port);
    client.send(wire.left(cut));
    settle();
    client.send(wire.mid(cut));
    ASSERT_TRUE(waitUntil([&] { return client.answers() == 1; })) << "cut at " << cut;
  }
  ASSERT_FALSE(s.requests.empty());
  for (const HttpRequest& r : s.requests) {
    EXPECT_EQ(r.body, "{\"control\":\"btn1\"}");
    EXPECT_EQ(r.cookie("vqlsession"), "abc");
    EXPECT_EQ(r.cookie("vql"), "");
  }
}

TEST(BoundedHttpServer, BodiesAtAndOverTheLimit) {
  Server s;
  {  // At the limit, by length and chunked.
    RawClient client(s.port);
    client.send(post(QByteArray(4096, 'b')));
    client.send(chunked({1000, 3000, 96}));
    ASSERT_TRUE(waitUntil([&] { return client.answers() == 2; }));
    ASSERT_EQ(s.requests.size(), 2u);
    EXPECT_EQ(s.requests[0].body.size(), 4096);
    EXPECT_EQ(s.requests[1].body, QByteArray(4096, 'c'));
  }
  s.requests.clear();
  {  // A declared length over the limit is refused at the header: no body is needed for the answer.
    RawClient client(s.port);
    client.send("POST /event HTTP/1.1\r\nHost: x\r\nContent-Length: 314572800\r\n\r\n");
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(client.received().startsWith("HTTP/1.1 413 Payload Too Large\r\n"))
        << client.received().data();
    EXPECT_TRUE(client.received().contains("Connection: close"));
  }
  {  // One byte over.
    RawClient client(s.port);
    client.send(post(QByteArray(4097, 'b')));
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(client.received().startsWith("HTTP/1.1 413 "));
  }
  {  // A chunked body is cut off where it passes the limit, whatever follows.
    RawClient client(s.port);
    client.send(chunked({4000, 97}).chopped(5));
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(client.received().startsWith("HTTP/1.1 413 "));
  }
  EXPECT_TRUE(s.requests.empty()) << "no refused request reaches the handler";
  EXPECT_TRUE(waitUntil([&] { return s.server->connectionCount() == 0; }));
}

TEST(BoundedHttpServer, MalformedAndOversizedHeadersAreRefusedAndClosed) {
  struct Case {
    const char* name;
    QByteArray wire;
    QByteArray status;
  };
  const Case cases[] = {
      {"not HTTP", "HELLO\r\n\r\n", "400"},
      {"bad length", "POST / HTTP/1.1\r\nContent-Length: ten\r\n\r\n", "400"},
      {"bad chunk size", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "400"},
      {"header too large", "GET / HTTP/1.1\r\nX-Long: " + QByteArray(9000, 'h') + "\r\n\r\n", "431"},
      {"header without end", "GET / HTTP/1.1\r\n" + QByteArray(20000, 'h'), "431"},
      {"chunk extension without end",
       "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n10;" + QByteArray(20000, 'e'), "400"},
  };
  Server s;
  for (const Case& c : cases) {
    RawClient client(s.port);
    client.send(c.wire);
    EXPECT_TRUE(client.waitForClose()) << c.name;
    EXPECT_TRUE(client.received().startsWith("HTTP/1.1 " + c.status + ' '))
        << c.name << ": " << client.received().data();
  }
  EXPECT_TRUE(s.requests.empty());
}

TEST(BoundedHttpServer, TheHeadLimitCountsTheRequestLine) {
  // A head of `size` bytes, most of it in the request line: the line, a Host field and the blank
  // line that ends the head.
  const auto head = [](int size) {
    const QByteArray rest = " HTTP/1.1\r\nHost: x\r\n\r\n";
    return "GET /" + QByteArray(size - 5 - int(rest.size()), 'p') + rest;
  };
  struct Case {
    int size;
    QByteArray status;
  };
  Server s;
  for (const Case& c : {Case{8192, "200"}, Case{8193, "431"}, Case{8208, "431"}}) {
    SCOPED_TRACE(c.size);
    const QByteArray wire = head(c.size);
    ASSERT_EQ(wire.size(), c.size);
    RawClient client(s.port);
    client.send(wire);
    ASSERT_TRUE(client.waitForReceived("\r\n\r\n"));
    EXPECT_TRUE(client.received().startsWith("HTTP/1.1 " + c.status + ' '))
        << client.received().left(40).data();
  }
  ASSERT_EQ(s.requests.size(), 1u);
  EXPECT_EQ(s.requests[0].path.size(), 8192 - 5 - 22 + 1);
  EXPECT_EQ(s.requests[0].peer, QHostAddress(QHostAddress::LocalHost));
}

TEST(BoundedHttpServer, StalledConnectionsDoNotKeepAClientOut) {
  HttpLimits limits;
  limits.maxConnections = 8;
  Server s(limits);
  std::vector<std::unique_ptr<RawClient>> stalled;
  for (int i = 0; i < 40; ++i) {
    stalled.push_back(std::make_unique<RawClient>(s.port));
    // Half send nothing, half the start of a header.
    if (i % 2) stalled.back()->send("GET / HTTP/1.1\r\nHo");
  }
  ASSERT_TRUE(waitUntil([&] { return s.server->connectionCount() == 8; }));
  settle();
  EXPECT_EQ(s.server->connectionCount(), 8) << "never more than the cap";
  int closed = 0;
  for (const auto& c : stalled) closed += c->closed();
  EXPECT_EQ(closed, 32) << "each newcomer closed the one waiting longest";
  for (int i = 32; i < 40; ++i) EXPECT_FALSE(stalled[i]->closed()) << i;

  RawClient client(s.port);
  client.send("GET /page HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_TRUE(client.waitForReceived("GET /page 0"));
  EXPECT_TRUE(stalled[32]->waitForClose()) << "the oldest made room";
}

TEST(BoundedHttpServer, SlowAndIdleConnectionsAreTimedOut) {
  HttpLimits limits;
  limits.requestTimeoutMs = 10000;
  limits.idleTimeoutMs = 30000;
  Server s(limits);
  RawClient slow(s.port), idle(s.port), served(s.port);
  served.send("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
  ASSERT_TRUE(served.waitForReceived("GET / 0"));
  // A header sent a byte at a time: each byte in time, but the request as a whole too slow.
  const QByteArray header = "GET / HTTP/1.1\r\nHost: x\r\nX-Slow: 1234567890\r\n\r\n";
  for (int i = 0; i < 9; ++i) {
    slow.send(header.mid(i, 1));
    settle();
    s.clock.advance(1000);
  }
  settle();
  EXPECT_FALSE(slow.closed()) << "9 s into its request";
  slow.send(header.mid(9, 1));
  settle();
  s.clock.advance(1000);
  EXPECT_TRUE(slow.waitForClose()) << "10 s into its request";
  EXPECT_EQ(slow.answers(), 0);
  EXPECT_FALSE(idle.closed());
  EXPECT_FALSE(served.closed());

  s.clock.advance(19000);
  settle();
  EXPECT_FALSE(idle.closed()) << "29 s idle";
  s.clock.advance(1000);
  EXPECT_TRUE(idle.waitForClose()) << "30 s idle";
  EXPECT_TRUE(served.waitForClose()) << "idle for 30 s after its answer";
  EXPECT_TRUE(s.requests.size() == 1u);
}

}  // namespace
