#include "console/remote/remote_pipe_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <algorithm>

#include "console/remote/remote_framing.h"

RemotePipeServer::RemotePipeServer(const QString& name, Clock& clock, Handlers handlers, QObject* parent)
    : QObject(parent),
      name_(name),
      clock_(clock),
      handlers_(std::move(handlers)),
      server_(std::make_unique<QLocalServer>()) {
  connect(server_.get(), &QLocalServer::newConnection, this, &RemotePipeServer::acceptPending);
}

RemotePipeServer::~RemotePipeServer() {
  for (const Connection& c : connections_) c.socket->disconnect(this);
  connections_.clear();
}

bool RemotePipeServer::setActive(bool active) {
  if (active == server_->isListening()) return true;
  if (!active) {
    server_->close();
    const auto connections = connections_;
    for (const Connection& c : connections) c.socket->abort();
    return true;
  }
  // A socket file left behind by a console that did not close cleanly would block the name; only
  // one console runs at a time, so it can go.
  QLocalServer::removeServer(name_);
  return server_->listen(name_);
}

bool RemotePipeServer::isActive() const { return server_->isListening(); }

QString RemotePipeServer::errorString() const { return server_->errorString(); }

void RemotePipeServer::acceptPending() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    const auto handle = quintptr(socket->socketDescriptor());
    connections_.push_back({socket, handle});
    // The web remote always ends a message with CR LF, so no partial message is ever flushed: the
    // reader times no silence.
    socket->setReadBufferSize(64 * 1024);
    auto* reader = new RemoteStreamReader(
        socket, std::make_unique<Utf16LineFramer>(), -1, clock_,
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
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
    if (handlers_.connected) handlers_.connected(handle);
  }
}

void RemotePipeServer::drop(QLocalSocket* socket) {
  const auto it = std::find_if(connections_.begin(), connections_.end(),
                               [socket](const Connection& c) { return c.socket == socket; });
  if (it == connections_.end()) return;
  const quintptr handle = it->handle;
  if (auto* reader = socket->findChild<RemoteStreamReader*>()) reader->finish();
  const auto again = std::find_if(connections_.begin(), connections_.end(),
                                  [socket](const Connection& c) { return c.socket == socket; });
  if (again == connections_.end()) return;
  connections_.erase(again);
  socket->deleteLater();
  if (handlers_.disconnected) handlers_.disconnected(handle);
}

void RemotePipeServer::resumeReading() {
  const auto connections = connections_;
  for (const Connection& c : connections)
    if (auto* reader = c.socket->findChild<RemoteStreamReader*>()) reader->resume();
}
