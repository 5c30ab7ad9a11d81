#include "console/remote/remote_tcp_server.h"

#include <sys/socket.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cerrno>

QHostAddress plainIpv4(const QHostAddress& address) {
  bool ok = false;
  const quint32 v4 = address.toIPv4Address(&ok);
  return ok ? QHostAddress(v4) : address;
}

RemoteTcpServer::RemoteTcpServer(FramerFactory framers, int idleFlushMs, Clock& clock, Handlers handlers,
                                 QObject* parent)
    : QObject(parent),
      server_(std::make_unique<QTcpServer>()),
      framers_(std::move(framers)),
      idleFlushMs_(idleFlushMs),
      clock_(clock),
      handlers_(std::move(handlers)) {
  connect(server_.get(), &QTcpServer::newConnection, this, &RemoteTcpServer::acceptPending);
  connect(server_.get(), &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
    if (handlers_.error) handlers_.error(server_->errorString());
  });
}

RemoteTcpServer::~RemoteTcpServer() {
  // The clients go with the server without calling back into an owner that is being destroyed.
  for (QTcpSocket* socket : clients_) socket->disconnect(this);
  clients_.clear();
}

bool RemoteTcpServer::listen(const QHostAddress& address, quint16 port) {
  if (server_->isListening()) server_->close();
  return server_->listen(address, port);
}

void RemoteTcpServer::close() { server_->close(); }

bool RemoteTcpServer::isListening() const { return server_->isListening(); }

quint16 RemoteTcpServer::serverPort() const { return server_->serverPort(); }

QString RemoteTcpServer::errorString() const { return server_->errorString(); }

void RemoteTcpServer::acceptPending() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    if (int(clients_.size()) >= kMaxClients) dropGone();
    if (int(clients_.size()) >= kMaxClients) {
      // Full: the newcomer is the one turned away, never a client already connected.
      socket->abort();
      socket->deleteLater();
      continue;
    }
    clients_.push_back(socket);
    // Qt stops reading from the connection while this much waits, so a fast sender is held back.
    socket->setReadBufferSize(64 * 1024);
    auto* reader = new RemoteStreamReader(
        socket, framers_(), idleFlushMs_, clock_,
        [this, socket](const QString& m) {
          if (handlers_.message) handlers_.message(m, socket);
        },
        socket);
    if (handlers_.holdMessages)
      reader->setHoldWhile([this, socket] { return handlers_.holdMessages(socket); });
    reader->setOverlongHandler([this](const QString& head) {
      if (handlers_.overlong) handlers_.overlong(head);
    });
    reader->setFloodHandler([socket] { socket->abort(); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropClient(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError e) {
      if (e != QAbstractSocket::RemoteHostClosedError && handlers_.error)
        handlers_.error(socket->errorString());
    });
    socket->write(kGreeting);
    if (handlers_.connected) handlers_.connected(socket->peerAddress());
  }
}

void RemoteTcpServer::dropClient(QTcpSocket* socket) {
  const auto it = std::find(clients_.begin(), clients_.end(), socket);
  if (it == clients_.end()) return;
  // A command the client sent without a line end before leaving still runs.
  if (auto* reader = socket->findChild<RemoteStreamReader*>()) reader->finish();
  const auto again = std::find(clients_.begin(), clients_.end(), socket);
  if (again == clients_.end()) return;
  clients_.erase(again);
  socket->deleteLater();
  if (handlers_.disconnected) handlers_.disconnected();
}

bool RemoteTcpServer::sendToFirst(const QByteArray& bytes) {
  if (clients_.empty()) return false;
  QTcpSocket* socket = clients_.front();
  if (socket->state() != QAbstractSocket::ConnectedState) return false;
  if (socket->bytesToWrite() + bytes.size() > kMaxUnsent) return false;
  return socket->write(bytes) == bytes.size();
}

void RemoteTcpServer::resumeReading() {
  const auto clients = clients_;
  for (QTcpSocket* socket : clients)
    if (auto* reader = socket->findChild<RemoteStreamReader*>()) reader->resume();
}

void RemoteTcpServer::dropGone() {
  // A peer that has closed or reset its end may not have been noticed yet (its events wait behind
  // this one): such connections go first, before any live client is made to leave.
  const auto clients = clients_;
  for (QTcpSocket* socket : clients) {
    const qintptr fd = socket->socketDescriptor();
    if (fd < 0) continue;
    char byte;
    const ssize_t n = ::recv(int(fd), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) dropClient(socket);
  }
}
