#pragma once

// The remote's web server: the page at "/", the session's state at "/state" and the browser's
// events at "/event". A browser session is known by a cookie; a request without a live session
// gets a new one at "/" and "Gone" elsewhere (the page then loads afresh).
//
// Every request is served on the server's thread, one after the other, so the values the sessions
// share are never touched by two requests at once.

#include <QHostAddress>
#include <QHttpServer>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <functional>

#include "webremote/remote_sessions.h"

struct RemoteServerSettings {
  QHostAddress address = QHostAddress::Any;
  quint16 port = 8008;  // 0: any free port
  RemoteSessionSettings sessions;
  int expiryCheckMs = 5000;  // how often idle sessions are looked for
};

class RemoteHttpServer : public QObject {
  Q_OBJECT
 public:
  inline static const QByteArray kCookieName = QByteArrayLiteral("vqlsession");
  // Largest event a browser may post.
  static constexpr int kMaxEventBytes = 4096;

  // `nowMs`: the clock sessions age by; null: a monotonic clock.
  explicit RemoteHttpServer(RemoteServerSettings settings, std::function<qint64()> nowMs = {},
                            QObject* parent = nullptr);
  ~RemoteHttpServer() override;

  // Starts listening; the port listened on, or 0 when it could not.
  quint16 listen();
  quint16 port() const { return port_; }
  RemoteSessions& sessions() { return sessions_; }

  // The JSON the browser draws the page from.
  static QJsonObject stateJson(RemotePage& page);
  // The page itself.
  static QByteArray pageHtml();

 private:
  RemoteSession* sessionOf(const QHttpServerRequest& request);
  QHttpServerResponse handleEvent(const QHttpServerRequest& request);

  RemoteServerSettings settings_;
  QHttpServer http_;
  RemoteSessions sessions_;
  QTimer expiry_;
  quint16 port_ = 0;
};
