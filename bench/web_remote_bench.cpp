// The web remote's costs: loading its page (a new session with its pipe connection, then the
// session's state) and the time from a click to its bytes at the console's end of the pipe, over
// HTTP on loopback and, where chromium is installed, in the browser itself.

#include <benchmark/benchmark.h>

#include <QJsonDocument>
#include <QTemporaryDir>
#include <memory>

#include "tests/webremote/webremote_test_support.h"
#include "webremote/remote_http_server.h"
#include "webremote/remote_page.h"
#include "webremote/remote_pipe_client.h"

using namespace webremote_test;

namespace {

// Handles events until `done` holds, without sleeping in between (a timed wait would be measured).
bool spinUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return true;
}

struct Remote {
  ConsolePipe console;
  QTemporaryDir replies;
  std::unique_ptr<RemoteHttpServer> server;
  quint16 port = 0;

  Remote() {
    console.start();
    RemoteServerSettings s;
    s.address = QHostAddress::LocalHost;
    s.port = 0;
    s.sessions.pipeName = console.name();
    s.sessions.replyFolder = replies.path();
    s.sessions.maxSessions = 1 << 20;
    server = std::make_unique<RemoteHttpServer>(s, systemClock());
    port = server->listen();
  }
  bool waitForBytes(qsizetype size) {
    return spinUntil([&] { return console.bytes().size() >= size; });
  }
};

// A browser's first visit: the page (a new session, which connects its pipe) and the state it draws.
void BM_PageLoad(benchmark::State& state) {
  Remote remote;
  HttpClient browser(remote.port);
  qint64 bytes = 0;
  for (auto _ : state) {
    browser.forgetCookies();
    const HttpResult page = browser.get("/");
    const HttpResult drawn = browser.get("/state");
    if (page.status != 200 || drawn.status != 200) state.SkipWithError("page not served");
    bytes = page.body.size() + drawn.body.size();
  }
  state.counters["page_bytes"] = double(RemoteHttpServer::pageHtml().size());
  state.counters["load_bytes"] = double(bytes);
  state.counters["sessions"] = double(remote.server->sessions().count());
}
BENCHMARK(BM_PageLoad)->Unit(benchmark::kMicrosecond);

// A click on Full (channel 12) over HTTP until its bytes have reached the console's end of the pipe.
void BM_ClickToPipeBytesHttp(benchmark::State& state) {
  Remote remote;
  HttpClient browser(remote.port);
  browser.get("/");
  browser.event("btn1");
  browser.event("btn2");
  remote.console.clear();
  const qsizetype perClick = utf16le("set 12@100\r\n").size();
  for (auto _ : state) {
    const qsizetype before = remote.console.bytes().size();
    if (browser.event("btnFull").status != 200 || !remote.waitForBytes(before + perClick))
      state.SkipWithError("click lost");
  }
  state.counters["bytes_per_click"] = double(perClick);
}
BENCHMARK(BM_ClickToPipeBytesHttp)->Unit(benchmark::kMicrosecond);

// The same without HTTP: the page's handler and the pipe write alone.
void BM_ClickToPipeBytesHandler(benchmark::State& state) {
  ConsolePipe console;
  console.start();
  RemoteShared shared;
  RemotePipeClient pipe(console.name());
  QTemporaryDir replies;
  RemotePage page(shared, pipe, replies.path());
  page.IWAppFormCreate();
  page.state().chnl = "12";
  const qsizetype perClick = utf16le("set 12@100\r\n").size();
  for (auto _ : state) {
    const qsizetype before = console.bytes().size();
    page.dispatch("btnFull");
    if (!spinUntil([&] { return console.bytes().size() >= before + perClick; }))
      state.SkipWithError("click lost");
  }
}
BENCHMARK(BM_ClickToPipeBytesHandler)->Unit(benchmark::kMicrosecond);

// In headless chromium: navigation to the first drawn state, and a click on Full to its bytes at the
// pipe (medians of the driver's runs, reported as manual time of the click).
void BM_BrowserPageLoadAndClick(benchmark::State& state) {
  if (!chromiumInstalled() || !browserDriverProblem().empty()) {
    state.SkipWithError("chromium or playwright-core is not installed");
    return;
  }
  Remote remote;
  QJsonObject figures;
  for (auto _ : state) {
    const std::string out = runBrowserScenario("bench", remote.port);
    const QByteArray json = QByteArray::fromStdString(out.substr(0, out.find('\n')));
    figures = QJsonDocument::fromJson(json).object();
    if (figures.isEmpty()) {
      state.SkipWithError(out.c_str());
      return;
    }
    state.SetIterationTime(figures["click_ms"].toDouble() / 1000.0);
  }
  state.counters["load_ms"] = figures["load_ms"].toDouble();
  state.counters["click_ms"] = figures["click_ms"].toDouble();
  state.counters["transferred_bytes"] = figures["load_bytes"].toDouble();
}
BENCHMARK(BM_BrowserPageLoadAndClick)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
