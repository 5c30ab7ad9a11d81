#include "console/remote/osc_input_socket.h"

#include <QUdpSocket>
#include <exception>
#include <span>

#include "console/remote/osc_input.h"
#include "platform/operator.h"

OscListener::OscListener(OscInput& input, QObject* parent) : QObject(parent), input_(input) {}

OscListener::~OscListener() = default;

bool OscListener::Activate(int port, const QHostAddress& address) {
  Deactivate();
  if (port < 0 || port > 65535) return false;
  port_ = quint16(port);
  auto socket = std::make_unique<QUdpSocket>();
  // Exclusive: a port another program listens on must fail here, not be shared.
  if (!socket->bind(address, port_, QAbstractSocket::DontShareAddress)) {
    input_.IdUDPServer1Status("OSC listener: " + socket->errorString());
    return false;
  }
  port_ = socket->localPort();
  connect(socket.get(), &QUdpSocket::readyRead, this, &OscListener::readPending);
  connect(socket.get(), &QUdpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    input_.IdUDPServer1Status("OSC listener: " + socket_->errorString());
  });
  socket_ = std::move(socket);
  input_.IdUDPServer1Status("OSC listening on port " + QString::number(port_));
  return true;
}

void OscListener::Deactivate() {
  pending_.clear();
  if (!socket_) return;
  socket_->disconnect(this);
  socket_->close();
  socket_.reset();
  input_.IdUDPServer1Status("OSC listener closed");
}

bool OscListener::isActive() const { return socket_ != nullptr; }

quint16 OscListener::port() const { return port_; }

bool OscListener::activateOrWarn(int port, const QString& portText, const QHostAddress& address,
                                 int defaultPort) {
  QString shown = portText;
  if (port < 0 || port > 65535) {
    input_.op().ask("OSC Network problem",
                    "The OSC receive port " + portText.left(80) +
                        " is not a valid port number. The default port " + QString::number(defaultPort) +
                        " is used.",
                    DialogIcon::Warning, DialogButtons::Ok);
    port = defaultPort;
    shown = QString::number(defaultPort);
  }
  if (Activate(port, address)) return true;
  input_.op().ask("OSC Network problem", "The OSC receive port " + shown.left(80) + " is already in use.",
                  DialogIcon::Warning, DialogButtons::Ok);
  return false;
}

void OscListener::readPending() {
  while (socket_ && socket_->hasPendingDatagrams()) {
    const qint64 size = socket_->pendingDatagramSize();
    QByteArray datagram(qsizetype(size < 0 ? 0 : size), '\0');
    QHostAddress sender;
    const qint64 read = socket_->readDatagram(datagram.data(), datagram.size(), &sender);
    if (read < 0) continue;
    datagram.truncate(qsizetype(read));
    if (pending_.size() < kMaxPendingDatagrams) pending_.emplace_back(std::move(datagram), sender);
  }
  // Handled from a posted call, not here: the socket does not signal again while its signal is
  // being delivered, so handling here would hold every later datagram behind an open dialog.
  if (!pending_.empty() && !drainPosted_) {
    drainPosted_ = true;
    QMetaObject::invokeMethod(this, &OscListener::drain, Qt::QueuedConnection);
  }
}

void OscListener::drain() {
  drainPosted_ = false;
  while (!pending_.empty()) {
    const auto [datagram, sender] = std::move(pending_.front());
    pending_.pop_front();
    try {
      input_.handleDatagram(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.constData()),
                                                     std::size_t(datagram.size())),
                            sender);
    } catch (const std::exception& e) {
      input_.IdUDPServer1Status(QString("OSC datagram not handled: ") + e.what());
    }
  }
}
