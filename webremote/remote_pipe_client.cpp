#include "webremote/remote_pipe_client.h"

#include <QtEndian>

RemotePipeClient::RemotePipeClient(QString name, int connectTimeoutMs, QObject* parent)
    : QObject(parent), name_(std::move(name)), connectTimeoutMs_(connectTimeoutMs) {
  connect(&socket_, &QLocalSocket::disconnected, this, [this] {
    if (!closing_) emit disconnected();
  });
  // Nothing is expected from the console; whatever arrives is dropped so it cannot pile up.
  connect(&socket_, &QLocalSocket::readyRead, this, [this] { socket_.readAll(); });
}

RemotePipeClient::~RemotePipeClient() { disconnectPipe(); }

bool RemotePipeClient::isConnected() const { return socket_.state() == QLocalSocket::ConnectedState; }

bool RemotePipeClient::connectPipe() {
  if (isConnected()) return true;
  closing_ = true;
  socket_.abort();
  closing_ = false;
  socket_.connectToServer(name_);
  return socket_.waitForConnected(connectTimeoutMs_);
}

QByteArray RemotePipeClient::encode(const QString& text) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
  return bytes;
}

bool RemotePipeClient::send(const QString& text) {
  if (!isConnected()) return false;
  const QByteArray bytes = encode(text);
  if (socket_.write(bytes) != bytes.size()) return false;
  socket_.flush();
  while (socket_.bytesToWrite() > 0 && isConnected())
    if (!socket_.waitForBytesWritten(connectTimeoutMs_)) break;
  return socket_.bytesToWrite() == 0 && isConnected();
}

void RemotePipeClient::disconnectPipe() {
  closing_ = true;
  socket_.abort();
  closing_ = false;
}
