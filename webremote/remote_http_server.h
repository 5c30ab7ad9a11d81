#pragma once

// The remote's web server: the page at "/", the session's state at "/state" and the browser's
// events at "/event". A browser session is known by a cookie; a request without a live session
// gets a new one at "/" and "Gone" elsewhere (the page then loads afresh). When every session is
// in use, a newcomer gets "Service Unavailable" instead of a session.
//
// Every request is served on the server's thread, one after the other, so the values the sessions
// share are never touched by two requests at once. What a request may cost is bounded by the
// server in front (bounded_http_server.h).

#include <QHostAddress>
#include <QJsonObject>
#include <QObject>

#include "platform/clock.h"
#include "webremote/bounded_http_server.h"
#include "webremote/remote_sessions.h"

struct RemoteServerSettings {
  QHostAddress address = QHostAddress::Any;
  quint16 port = 8008;  // 0: any free port
  RemoteSessionSettings sessions;
  HttpLimits http;           // the body limit is the largest event a browser may post
  int expiryCheckMs = 5000;  // how often idle sessions are looked for
};

class RemoteHttpServer : public QObject {
  Q_OBJECT
 public:
  inline static const QByteArray kCookieName = QByteArrayLiteral("vqlsession");
  // `clock`: what sessions age by and connections are timed on.
  RemoteHttpServer(RemoteServerSettings settings, Clock& clock, QObject* parent = nullptr);
  ~RemoteHttpServer() override;

  // Starts listening; the port listened on, or 0 when it could not.
  quint16 listen();
  quint16 port() const { return port_; }
  RemoteSessions& sessions() { return sessions_; }
  int connectionCount() const { return http_.connectionCount(); }

  // The JSON the browser draws the page from.
  static QJsonObject stateJson(RemotePage& page);
  // The page itself.
  static QByteArray pageHtml();

 private:
  HttpResponse handle(const HttpRequest& request);
  HttpResponse servePage(const HttpRequest& request);
  HttpResponse handleEvent(const HttpRequest& request);
  RemoteSession* sessionOf(const HttpRequest& request);

  RemoteServerSettings settings_;
  RemoteSessions sessions_;
  BoundedHttpServer http_;
  ClockTimer expiry_;
  quint16 port_ = 0;
};
