#include "console/remote/remote_companion_link.h"

#include <QNetworkInterface>
#include <QTcpSocket>

#include "console/remote/remote_framing.h"

RemoteCompanionLink::RemoteCompanionLink(int idleFlushMs, Clock& clock, Handlers handlers, QObject* parent)
    : QObject(parent), idleFlushMs_(idleFlushMs), clock_(clock), handlers_(std::move(handlers)) {}

RemoteCompanionLink::~RemoteCompanionLink() {
  if (socket_) socket_->disconnect(this);
}

void RemoteCompanionLink::newSocket() {
  if (socket_) {
    socket_->disconnect(this);
    socket_->abort();
    socket_.release()->deleteLater();
  }
  socket_ = std::make_unique<QTcpSocket>();
  QTcpSocket* socket = socket_.get();
  socket->setReadBufferSize(64 * 1024);
  auto* reader = new RemoteStreamReader(
      socket, std::make_unique<AnsiLineFramer>(), idleFlushMs_, clock_,
      [this, socket](const QString& m) {
        if (handlers_.message) handlers_.message(m, socket);
      },
      socket);
  if (handlers_.holdMessages) reader->setHoldWhile([this, socket] { return handlers_.holdMessages(socket); });
  reader->setOverlongHandler([this](const QString& head) {
    if (handlers_.overlong) handlers_.overlong(head);
  });
  reader->setFloodHandler([socket] { socket->abort(); });
  established_ = false;
  connect(socket, &QTcpSocket::connected, this, [this] {
    established_ = true;
    if (handlers_.sessionConnected) handlers_.sessionConnected(kConnected);
  });
  connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
    if (auto* reader = socket->findChild<RemoteStreamReader*>()) reader->finish();
    established_ = false;
    if (handlers_.sessionClosed) handlers_.sessionClosed();
  });
  connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError e) {
    if (e == QAbstractSocket::RemoteHostClosedError) return;  // the companion left: disconnected follows
    if (!established_) {
      // The attempt failed; only a refusal is worth telling the operator about.
      if (handlers_.sessionConnected)
        handlers_.sessionConnected(e == QAbstractSocket::ConnectionRefusedError ? kRefused : kOtherFailure);
      return;
    }
    if (handlers_.error) handlers_.error(socket->errorString());
  });
}

void RemoteCompanionLink::connectTo(const QString& host, quint16 port) {
  newSocket();
  socket_->connectToHost(host, port);
}

void RemoteCompanionLink::close() {
  if (socket_) socket_->abort();
}

bool RemoteCompanionLink::isConnected() const {
  return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void RemoteCompanionLink::resumeReading() {
  if (!socket_) return;
  if (auto* reader = socket_->findChild<RemoteStreamReader*>()) reader->resume();
}

bool RemoteCompanionLink::send(const QByteArray& bytes) {
  if (!isConnected()) return false;
  // A companion that does not read gets no more once this much waits for it.
  if (socket_->bytesToWrite() + bytes.size() > 256 * 1024) return false;
  return socket_->write(bytes) == bytes.size();
}

QString ownAddressFrom(const QList<QHostAddress>& addresses) {
  for (const QHostAddress& a : addresses)
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
  return QStringLiteral("127.0.0.1");
}

QString machineOwnAddress() { return ownAddressFrom(QNetworkInterface::allAddresses()); }
