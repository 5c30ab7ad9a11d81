#include "webremote/bounded_http_server.h"

#include <QTcpSocket>
#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <optional>
#include <sstream>
#include <string>

namespace http = boost::beast::http;

namespace {
// What a socket may hold read from the network but not yet taken; beyond it the bytes wait in the
// network (which slows the sender down).
constexpr qint64 kSocketBufferBytes = 16 * 1024;
// How often connections are checked for running over their time.
constexpr int kOverdueCheckMs = 500;

QByteArray bytes(boost::beast::string_view s) { return QByteArray(s.data(), qsizetype(s.size())); }
}  // namespace

QByteArray HttpRequest::header(const char* name) const {
  for (const auto& [key, value] : headers)
    if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
  return {};
}

QByteArray HttpRequest::cookie(const QByteArray& name) const {
  for (const auto& [key, value] : headers) {
    if (key.compare("Cookie", Qt::CaseInsensitive) != 0) continue;
    for (const QByteArray& part : value.split(';')) {
      const QByteArray item = part.trimmed();
      if (item.startsWith(name + '=')) return item.mid(name.size() + 1);
    }
  }
  return {};
}

struct BoundedHttpServer::Connection {
  enum class Phase {
    Idle,     // no request under way
    Reading,  // a request is arriving
    Writing,  // its answer is leaving; the next request waits
    Closing,  // the last answer is leaving, then the connection closes
  };
  QTcpSocket* socket = nullptr;
  std::optional<http::request_parser<http::string_body>> parser;
  QByteArray input;  // read from the socket, not yet taken by the parser
  Phase phase = Phase::Idle;
  qint64 since = 0;  // when it became idle, or when its request began
};

BoundedHttpServer::BoundedHttpServer(HttpLimits limits, Clock& clock, Handler handler, QObject* parent)
    : QObject(parent), limits_(limits), clock_(clock), handler_(std::move(handler)), overdue_(clock) {
  limits_.maxConnections = std::max(limits_.maxConnections, 1);
  connect(&tcp_, &QTcpServer::newConnection, this, &BoundedHttpServer::acceptAll);
  connect(&overdue_, &ClockTimer::timeout, this, &BoundedHttpServer::closeOverdue);
  overdue_.setInterval(kOverdueCheckMs);
  overdue_.start();
}

BoundedHttpServer::~BoundedHttpServer() {
  for (const auto& c : connections_) {
    c->socket->disconnect(this);
    c->socket->abort();
  }
}

quint16 BoundedHttpServer::listen(const QHostAddress& address, quint16 port) {
  return tcp_.listen(address, port) ? tcp_.serverPort() : 0;
}

void BoundedHttpServer::acceptAll() {
  while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
    if (int(connections_.size()) >= limits_.maxConnections) dropOldest();
    auto c = std::make_unique<Connection>();
    c->socket = socket;
    c->since = clock_.nowMs();
    socket->setReadBufferSize(kSocketBufferBytes);
    Connection* raw = c.get();
    connections_.push_back(std::move(c));
    connect(socket, &QTcpSocket::readyRead, this, [this, raw] { readFrom(raw); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, raw] { written(raw); });
    connect(socket, &QTcpSocket::disconnected, this, [this, raw] { drop(raw); });
  }
}

void BoundedHttpServer::readFrom(Connection* c) {
  // A header must be in one piece for the parser; a little more than the header limit lets the
  // parser itself say that a header is too large.
  const qsizetype inputLimit = qsizetype(limits_.maxHeaderBytes) + 1024;
  for (;;) {
    if (c->phase == Connection::Phase::Writing || c->phase == Connection::Phase::Closing) return;
    const qsizetype room = inputLimit - c->input.size();
    if (room > 0 && c->socket->bytesAvailable() > 0) c->input += c->socket->read(room);
    if (c->input.isEmpty()) return;
    if (c->phase == Connection::Phase::Idle) {
      c->parser.emplace();
      c->parser->header_limit(std::uint32_t(limits_.maxHeaderBytes));
      c->parser->body_limit(std::uint64_t(limits_.maxBodyBytes));
      c->parser->eager(true);
      c->phase = Connection::Phase::Reading;
      c->since = clock_.nowMs();
    }
    // The head limit counts the request line as well as the header fields, which the parser's own
    // limit does not: the head is measured here, up to the blank line that ends it.
    if (!c->parser->is_header_done()) {
      const qsizetype end = c->input.indexOf("\r\n\r\n");
      const qsizetype head = end < 0 ? c->input.size() : end + 4;
      if (head > limits_.maxHeaderBytes) {
        HttpResponse refusal;
        refusal.status = 431;
        answer(c, refusal, false);
        return;
      }
    }
    boost::system::error_code ec;
    const std::size_t used =
        c->parser->put(boost::asio::const_buffer(c->input.constData(), std::size_t(c->input.size())), ec);
    c->input.remove(0, qsizetype(used));
    if (ec && ec != http::error::need_more) {
      HttpResponse refusal;
      refusal.status = ec == http::error::body_limit ? 413 : ec == http::error::header_limit ? 431 : 400;
      answer(c, refusal, false);
      return;
    }
    if (c->parser->is_done()) {
      const auto& m = c->parser->get();
      HttpRequest request;
      request.method = bytes(m.method_string());
      request.path = bytes(m.target());
      request.peer = c->socket->peerAddress();
      if (bool v4 = false; request.peer.protocol() == QAbstractSocket::IPv6Protocol) {
        const quint32 address = request.peer.toIPv4Address(&v4);
        if (v4) request.peer = QHostAddress(address);
      }
      if (const qsizetype query = request.path.indexOf('?'); query >= 0) request.path.truncate(query);
      for (const auto& field : m) request.headers.append({bytes(field.name_string()), bytes(field.value())});
      request.body = QByteArray(m.body().data(), qsizetype(m.body().size()));
      const bool keepAlive = c->parser->keep_alive();
      answer(c, handler_(request), keepAlive);
      return;
    }
    if (used == 0) {
      // The parser needs more than it has: a piece it cannot take in one go is beyond any request
      // served here.
      if (c->input.size() >= inputLimit) {
        HttpResponse refusal;
        refusal.status = c->parser->is_header_done() ? 400 : 431;
        answer(c, refusal, false);
        return;
      }
      if (c->socket->bytesAvailable() == 0) return;
    }
  }
}

void BoundedHttpServer::answer(Connection* c, const HttpResponse& response, bool keepAlive) {
  http::response<http::string_body> out;
  out.version(c->parser && c->parser->is_header_done() ? c->parser->get().version() : 11);
  out.result(unsigned(response.status));
  if (!response.contentType.isEmpty())
    out.set(http::field::content_type, boost::beast::string_view(response.contentType.constData(),
                                                                 std::size_t(response.contentType.size())));
  for (const auto& [name, value] : response.headers)
    out.insert(boost::beast::string_view(name.constData(), std::size_t(name.size())),
               boost::beast::string_view(value.constData(), std::size_t(value.size())));
  out.body().assign(response.body.constData(), std::size_t(response.body.size()));
  out.keep_alive(keepAlive);
  out.prepare_payload();
  std::ostringstream text;
  text << out;
  const std::string wire = text.str();
  c->parser.reset();
  c->socket->write(wire.data(), qint64(wire.size()));
  if (keepAlive)
    c->phase = Connection::Phase::Writing;
  else
    closeWhenWritten(c);
}

void BoundedHttpServer::written(Connection* c) {
  if (c->phase != Connection::Phase::Writing || c->socket->bytesToWrite() > 0) return;
  c->phase = Connection::Phase::Idle;
  c->since = clock_.nowMs();
  // A request that came right behind the answered one.
  readFrom(c);
}

void BoundedHttpServer::closeWhenWritten(Connection* c) {
  c->phase = Connection::Phase::Closing;
  c->input.clear();
  // Closes once the answer has left, which may be at once (and then `c` is gone).
  c->socket->disconnectFromHost();
}

void BoundedHttpServer::drop(Connection* c) {
  const auto it = std::find_if(connections_.begin(), connections_.end(),
                               [c](const std::unique_ptr<Connection>& x) { return x.get() == c; });
  if (it == connections_.end()) return;
  const std::unique_ptr<Connection> gone = std::move(*it);
  connections_.erase(it);
  gone->socket->disconnect(this);
  gone->socket->abort();
  gone->socket->deleteLater();
}

void BoundedHttpServer::dropOldest() {
  const auto oldest =
      std::min_element(connections_.begin(), connections_.end(),
                       [](const std::unique_ptr<Connection>& a, const std::unique_ptr<Connection>& b) {
                         return a->since < b->since;
                       });
  if (oldest != connections_.end()) drop(oldest->get());
}

void BoundedHttpServer::closeOverdue() {
  const qint64 now = clock_.nowMs();
  std::vector<Connection*> overdue;
  for (const auto& c : connections_) {
    const int limit = c->phase == Connection::Phase::Idle ? limits_.idleTimeoutMs : limits_.requestTimeoutMs;
    if (now - c->since >= limit) overdue.push_back(c.get());
  }
  for (Connection* c : overdue) drop(c);
}
