#pragma once

// Test doubles for the web remote: a console's pipe end (a local server of its own name that
// records every byte), a reply folder, and a small HTTP client with a cookie jar.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUuid>
#include <functional>
#include <string>
#include <vector>

namespace webremote_test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// The console's end of the pipe, under a name no other test or program uses.
class ConsolePipe {
 public:
  ConsolePipe() : name_("vqltest-" + QUuid::createUuid().toString(QUuid::Id128)) {
    QObject::connect(&server_, &QLocalServer::newConnection, [this] {
      while (QLocalSocket* s = server_.nextPendingConnection()) {
        sockets_.push_back(s);
        QObject::connect(s, &QLocalSocket::readyRead, [this, s] {
          const QByteArray bytes = s->readAll();
          bytes_ += bytes;
          if (onBytes) onBytes(bytes);
        });
      }
    });
  }
  ~ConsolePipe() { stop(); }

  bool start() { return server_.listen(name_); }
  // Stops listening and drops every connection (the console's pipe server made inactive).
  void stop() {
    server_.close();
    for (QLocalSocket* s : sockets_) {
      s->abort();
      s->deleteLater();
    }
    sockets_.clear();
  }
  QString name() const { return name_; }
  int connections() const { return int(sockets_.size()); }
  int openConnections() const {
    int n = 0;
    for (QLocalSocket* s : sockets_) n += s->state() == QLocalSocket::ConnectedState;
    return n;
  }
  const QByteArray& bytes() const { return bytes_; }
  void clear() { bytes_.clear(); }
  // The messages received so far, decoded and split at CR LF.
  QStringList messages() const {
    QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes_.constData()), bytes_.size() / 2);
    QStringList lines = text.split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }
  bool waitForMessages(int count, int timeoutMs = 5000) {
    return waitUntil([&] { return messages().size() >= count; }, timeoutMs);
  }
  std::function<void(const QByteArray&)> onBytes;

 private:
  QString name_;
  QLocalServer server_;
  std::vector<QLocalSocket*> sockets_;
  QByteArray bytes_;
};

// The UTF-16LE bytes of `text`, written out the long way.
inline QByteArray utf16le(const QString& text) {
  QByteArray bytes;
  for (QChar c : text) {
    bytes += char(c.unicode() & 0xFF);
    bytes += char(c.unicode() >> 8);
  }
  return bytes;
}

inline void writeReplyFile(const QString& folder, const QByteArray& line) {
  QFile f(folder + "/read.txt");
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(line + "\r\n\r\n");
}

struct HttpResult {
  int status = 0;
  QByteArray body;
  QList<QNetworkReply::RawHeaderPair> headers;
  QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
  QByteArray header(const QByteArray& name) const {
    for (const auto& [k, v] : headers)
      if (k.compare(name, Qt::CaseInsensitive) == 0) return v;
    return {};
  }
};

// A browser without a page: requests over real HTTP, cookies kept between them.
class HttpClient {
 public:
  explicit HttpClient(quint16 port) : base_(QString("http://127.0.0.1:%1").arg(port)) {
    manager_.setCookieJar(new QNetworkCookieJar(&manager_));
    manager_.setProxy(QNetworkProxy::NoProxy);
  }
  HttpResult get(const QString& path) { return run(manager_.get(request(path))); }
  HttpResult post(const QString& path, const QByteArray& body,
                  const QByteArray& contentType = "application/json") {
    QNetworkRequest r = request(path);
    r.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return run(manager_.post(r, body));
  }
  // One browser event: the control clicked and the texts of the page's three edits.
  HttpResult event(const QString& control, const QJsonObject& texts = {}) {
    QJsonObject e = texts;
    e["control"] = control;
    return post("/event", QJsonDocument(e).toJson(QJsonDocument::Compact));
  }
  void forgetCookies() { manager_.setCookieJar(new QNetworkCookieJar(&manager_)); }

 private:
  QNetworkRequest request(const QString& path) {
    QNetworkRequest r(QUrl(base_ + path));
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return r;
  }
  HttpResult run(QNetworkReply* reply) {
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    HttpResult r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.body = reply->readAll();
    r.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return r;
  }
  QString base_;
  QNetworkAccessManager manager_;
};

// A browser at a loopback address of the test's choosing (127.0.0.2, ...), so that a server sees
// clients from several addresses: one GET per connection, its session cookie kept.
class AddressedClient {
 public:
  AddressedClient(quint16 port, const QString& source) : port_(port), source_(source) {}
  HttpResult get(const QByteArray& path) {
    HttpResult r;
    QTcpSocket socket;
    if (!socket.bind(source_)) return r;
    socket.connectToHost(QHostAddress::LocalHost, port_);
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; })) return r;
    QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!cookie_.isEmpty()) request += "Cookie: " + cookie_ + "\r\n";
    socket.write(request + "\r\n");
    QByteArray response;
    waitUntil(
        [&] {
          response += socket.readAll();
          return socket.state() == QAbstractSocket::UnconnectedState;
        },
        10000);
    response += socket.readAll();
    const qsizetype headEnd = response.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = response.left(headEnd).split('\n');
    if (lines.isEmpty() || !lines[0].startsWith("HTTP/1.1 ")) return r;
    r.status = lines[0].mid(9, 3).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon > 0) r.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    r.body = response.mid(headEnd + 4);
    if (const QByteArray set = r.header("Set-Cookie"); !set.isEmpty()) cookie_ = set.left(set.indexOf(';'));
    return r;
  }
  void forgetCookies() { cookie_.clear(); }
  void setCookie(const QByteArray& cookie) { cookie_ = cookie; }

 private:
  quint16 port_;
  QHostAddress source_;
  QByteArray cookie_;
};

// The browser tests: Debian's chromium driven by tests/browser/web_remote_browser.mjs.
inline const QString kChromium = QStringLiteral("/usr/bin/chromium");
inline const QString kBrowserTests = QStringLiteral(VQ_SOURCE_DIR "/tests/browser");

inline bool chromiumInstalled() { return QFileInfo::exists(kChromium); }

// Empty when node and playwright-core are ready; otherwise what is missing.
inline std::string browserDriverProblem() {
  if (QStandardPaths::findExecutable("node").isEmpty()) return "node is missing: run scripts/install-deps.sh";
  if (!QFileInfo::exists(kBrowserTests + "/node_modules/playwright-core/package.json"))
    return "playwright-core is missing: run scripts/install-deps.sh";
  return {};
}

// The driver script in its serving mode: one headless Chromium for every scenario run through it,
// each scenario in a fresh browser context. Events keep running here while a scenario runs (the
// server, the pipe, a console).
class BrowserDriver {
 public:
  BrowserDriver() = default;
  BrowserDriver(const BrowserDriver&) = delete;
  BrowserDriver& operator=(const BrowserDriver&) = delete;
  ~BrowserDriver() { stop(); }

  // Runs one scenario against the page on `port` (starting the browser the first time): what the
  // scenario printed, ending in "ok" when it saw what it expected.
  std::string run(const QString& scenario, quint16 port) {
    if (node_.state() == QProcess::NotRunning) {
      node_.setProcessChannelMode(QProcess::MergedChannels);
      node_.setWorkingDirectory(kBrowserTests);
      node_.start("node", {kBrowserTests + "/web_remote_browser.mjs", "--serve"});
      if (!node_.waitForStarted(10000)) return "node did not start";
    }
    node_.write(QString("%1 http://127.0.0.1:%2/\n").arg(scenario).arg(port).toUtf8());
    const QByteArray end = "\n" + QByteArray(kEnd) + "\n";
    QByteArray out;
    waitUntil(
        [&] {
          out += node_.readAll();
          return ("\n" + out).contains(end) || node_.state() == QProcess::NotRunning;
        },
        90000);
    const qsizetype at = ("\n" + out).indexOf(end);
    if (at < 0) {
      stop();
      return "the browser driver stopped: " + out.toStdString();
    }
    return out.left(at).trimmed().toStdString();
  }
  void stop() {
    if (node_.state() == QProcess::NotRunning) return;
    node_.closeWriteChannel();  // the driver closes its browser and ends
    if (!waitUntil([&] { return node_.state() == QProcess::NotRunning; }, 10000)) {
      node_.kill();
      node_.waitForFinished(5000);
    }
  }

 private:
  static constexpr const char* kEnd = "-- end of scenario --";
  QProcess node_;
};

// One scenario in a browser of its own.
inline std::string runBrowserScenario(const QString& scenario, quint16 port) {
  BrowserDriver driver;
  return driver.run(scenario, port);
}

}  // namespace webremote_test
