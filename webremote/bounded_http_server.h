#pragma once

// A small HTTP/1.1 server whose every connection costs a small, fixed amount, whatever a client
// sends: the web remote's front door.
//
// - Requests are parsed as they arrive by Boost.Beast's parser, with a limit on the header and on
//   the body. A body whose Content-Length is above the limit is refused (413) before any of it is
//   read; a chunked body is cut off at the limit. Either way the connection is then closed.
// - A socket holds at most a few kilobytes unread; the rest waits in the network until the request
//   before it has been answered.
// - At most `maxConnections` connections are open: a newcomer beyond it closes the connection that
//   has waited longest (an idle one, or one whose request is taking longest), so clients that
//   connect and then stall cannot keep a real one out.
// - A request must arrive whole, and its answer leave, within the request time; a connection with
//   no request under way is closed after the idle time.
//
// Requests are handled on the server's thread, one at a time, in the order they complete.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/clock.h"

struct HttpRequest {
  QByteArray method;  // "GET", "POST", ...
  QByteArray path;    // the target without its query
  QHostAddress peer;  // the client's address (an IPv4 client's as IPv4)
  QList<std::pair<QByteArray, QByteArray>> headers;
  QByteArray body;

  // The first header of this name (compared without regard to case); empty when there is none.
  QByteArray header(const char* name) const;
  // The value of the cookie `name`; empty when the request does not carry it.
  QByteArray cookie(const QByteArray& name) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType;  // none when empty
  QByteArray body;
  QList<std::pair<QByteArray, QByteArray>> headers;

  HttpResponse& setHeader(QByteArray name, QByteArray value) {
    headers.append({std::move(name), std::move(value)});
    return *this;
  }
};

struct HttpLimits {
  int maxConnections = 64;
  int maxHeaderBytes = 8192;  // request line and header fields
  int maxBodyBytes = 4096;
  int requestTimeoutMs = 10000;  // from a request's first byte until its answer has left
  int idleTimeoutMs = 30000;     // a connection with no request under way
};

class BoundedHttpServer : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;

  BoundedHttpServer(HttpLimits limits, Clock& clock, Handler handler, QObject* parent = nullptr);
  ~BoundedHttpServer() override;

  // Starts listening; the port listened on, or 0 when it could not.
  quint16 listen(const QHostAddress& address, quint16 port);
  int connectionCount() const { return int(connections_.size()); }
  const HttpLimits& limits() const { return limits_; }

 private:
  struct Connection;
  void acceptAll();
  void readFrom(Connection* c);
  void answer(Connection* c, const HttpResponse& response, bool keepAlive);
  void written(Connection* c);
  void closeWhenWritten(Connection* c);
  void drop(Connection* c);
  void dropOldest();
  void closeOverdue();

  HttpLimits limits_;
  Clock& clock_;
  Handler handler_;
  QTcpServer tcp_;
  ClockTimer overdue_;
  std::vector<std::unique_ptr<Connection>> connections_;
};
