#pragma once

// A listening TCP server for remote text: greets every client, keeps the clients in the order they
// connected (the oldest is the "first" client, the one replies go to), and hands every framed
// message to its owner. Used for the remote command server and the follow-spot server.
//
// At most kMaxClients are connected at a time: a newcomer beyond that first clears out connections
// whose peers have already gone; when the server is still full, the newcomer is turned away. A
// client that is connected is never made to leave for another, so the first client, the one the
// replies go to, keeps them however many others try to get in.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "console/remote/remote_framing.h"

class QTcpServer;
class QTcpSocket;

class RemoteTcpServer : public QObject {
  Q_OBJECT
 public:
  struct Handlers {
    std::function<void(const QHostAddress& peer)> connected;  // after the greeting went out
    std::function<void()> disconnected;
    // A framed message and the connection it came from (called from the socket's read handler).
    std::function<void(const QString& message, QObject* connection)> message;
    std::function<void(const QString& error)> error;  // an accept or socket error (not a peer closing)
    // A message discarded as too long (its first characters); a flooding client is disconnected.
    std::function<void(const QString& head)> overlong;
    // While this says so for a connection, its messages wait in its reader (resumeReading()).
    std::function<bool(QObject* connection)> holdMessages;
  };
  // Output waiting for a client that does not read is limited; past it, more output is dropped.
  static constexpr qint64 kMaxUnsent = 256 * 1024;
  static constexpr int kMaxClients = 64;
  using FramerFactory = std::function<std::unique_ptr<RemoteFramer>()>;

  // `clock`: what a client's silence (idleFlushMs) is timed on.
  RemoteTcpServer(FramerFactory framers, int idleFlushMs, Clock& clock, Handlers handlers,
                  QObject* parent = nullptr);
  ~RemoteTcpServer() override;

  bool listen(const QHostAddress& address, quint16 port);
  void close();  // stops listening; connected clients stay
  bool isListening() const;
  quint16 serverPort() const;
  QString errorString() const;

  int clientCount() const { return int(clients_.size()); }
  // Sends to the oldest client; false when there is none or the bytes could not all be queued.
  bool sendToFirst(const QByteArray& bytes);
  // Messages held back by holdMessages are handed on again.
  void resumeReading();

  inline static const QByteArray kGreeting = QByteArrayLiteral("Connected\r\n");

 private:
  void acceptPending();
  void dropClient(QTcpSocket* socket);

  std::unique_ptr<QTcpServer> server_;
  FramerFactory framers_;
  int idleFlushMs_;
  Clock& clock_;
  Handlers handlers_;
  void dropGone();

  std::vector<QTcpSocket*> clients_;  // oldest first; owned through their parent, the server
};

// The IPv4 form of a peer address (an IPv4-mapped IPv6 address becomes its IPv4 address).
QHostAddress plainIpv4(const QHostAddress& address);
