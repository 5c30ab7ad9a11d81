#include "console/output/art_net_link.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <stdexcept>

namespace {
const QString kLimitedBroadcast = QStringLiteral("255.255.255.255");
// Interfaces come and go (a cable, DHCP): the broadcast list is read again after this long.
constexpr qint64 kBroadcastRefreshMs = 1000;
// Host names looked up and kept; beyond this the oldest are forgotten.
constexpr int kMaxResolvedNames = 16;

BroadcastSource& broadcastSource() {
  static BroadcastSource source = systemBroadcastAddresses;
  return source;
}
}  // namespace

QList<QHostAddress> systemBroadcastAddresses() {
  QList<QHostAddress> out;
  for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
    const QNetworkInterface::InterfaceFlags f = i.flags();
    if (!f.testFlag(QNetworkInterface::IsUp) || !f.testFlag(QNetworkInterface::IsRunning) ||
        !f.testFlag(QNetworkInterface::CanBroadcast) || f.testFlag(QNetworkInterface::IsLoopBack))
      continue;
    for (const QNetworkAddressEntry& e : i.addressEntries()) {
      if (e.ip().protocol() != QAbstractSocket::IPv4Protocol || e.broadcast().isNull()) continue;
      if (!out.contains(e.broadcast())) out.append(e.broadcast());
    }
  }
  return out;
}

void setBroadcastSource(BroadcastSource source) {
  broadcastSource() = source ? std::move(source) : BroadcastSource(systemBroadcastAddresses);
}

// ---------------------------------------------------------------------------------------------

UdpArtNetSocket::UdpArtNetSocket() = default;
UdpArtNetSocket::~UdpArtNetSocket() = default;

bool UdpArtNetSocket::bind(quint16 port, QString& error) {
  auto socket = std::make_unique<QUdpSocket>();
  // Exclusive: a port another program listens on must fail here, not be shared.
  if (!socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress)) {
    error = socket->errorString();
    return false;
  }
  connect(socket.get(), &QUdpSocket::readyRead, this, &UdpArtNetSocket::readPending);
  socket_ = std::move(socket);
  return true;
}

quint16 UdpArtNetSocket::localPort() const { return socket_ ? socket_->localPort() : 0; }

bool UdpArtNetSocket::sendTo(std::span<const uint8_t> datagram, const QHostAddress& address, quint16 port) {
  if (!socket_) return false;
  return socket_->writeDatagram(reinterpret_cast<const char*>(datagram.data()), qint64(datagram.size()),
                                address, port) == qint64(datagram.size());
}

QList<QHostAddress> UdpArtNetSocket::broadcastAddresses() {
  if (!broadcastAge_.isValid() || broadcastAge_.elapsed() >= kBroadcastRefreshMs) {
    broadcasts_ = broadcastSource()();
    broadcastAge_.start();
  }
  return broadcasts_;
}

void UdpArtNetSocket::readPending() {
  while (socket_ && socket_->hasPendingDatagrams()) {
    const qint64 size = socket_->pendingDatagramSize();
    QByteArray datagram(qsizetype(size < 0 ? 0 : size), '\0');
    const qint64 read = socket_->readDatagram(datagram.data(), datagram.size());
    if (read < 0 || !receiver_) continue;
    receiver_(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.constData()), size_t(read)));
  }
}

// ---------------------------------------------------------------------------------------------

TMArtnetDecoder::TMArtnetDecoder(std::function<void(const QString&)> display, quint16 port,
                                 std::unique_ptr<ArtNetSocket> socket)
    : display_(std::move(display)),
      socket_(socket ? std::move(socket) : std::make_unique<UdpArtNetSocket>()) {
  QString error;
  if (!socket_->bind(port, error))
    throw std::runtime_error(("Art-Net port " + QString::number(port) + ": " + error).toStdString());
  destinationPort_ = port != 0 ? port : socket_->localPort();
  socket_->setReceiver([this](std::span<const uint8_t> datagram) { ArtNetUDPRead(datagram); });
}

TMArtnetDecoder::~TMArtnetDecoder() { socket_->setReceiver({}); }

quint16 TMArtnetDecoder::port() const { return socket_->localPort(); }

QList<QHostAddress> TMArtnetDecoder::resolve(const QString& destination) {
  const QString text = destination.trimmed();
  if (text == kLimitedBroadcast) return socket_->broadcastAddresses();
  const QHostAddress literal(text);
  if (!literal.isNull())
    return literal.protocol() == QAbstractSocket::IPv4Protocol ? QList<QHostAddress>{literal}
                                                               : QList<QHostAddress>{};
  // A node named by host name is looked up once; frames must not wait for a name server.
  const auto known = resolved_.constFind(text);
  if (known != resolved_.constEnd()) return *known;
  QList<QHostAddress> found;
  if (!text.isEmpty()) {
    for (const QHostAddress& a : QHostInfo::fromName(text).addresses())
      if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        found.append(a);
        break;
      }
  }
  if (resolved_.size() >= kMaxResolvedNames) resolved_.clear();
  resolved_.insert(text, found);
  return found;
}

bool TMArtnetDecoder::send(const QString& destination, std::span<const uint8_t> datagram) {
  // A broadcast counts as sent when it left on at least one interface.
  bool sent = false;
  for (const QHostAddress& address : resolve(destination))
    sent = socket_->sendTo(datagram, address, destinationPort_) || sent;
  return sent;
}

bool TMArtnetDecoder::DoArtPoll() {
  TMArtPollPacket packet;
  CreateArtPoll(packet);
  return send(kLimitedBroadcast, packet);
}

bool TMArtnetDecoder::SendArtDMX(const QString& destination, int subnet, int universe,
                                 std::span<const uint8_t> data) {
  TMArtDmxPacket packet;
  CreateArtDmx(packet, subnet, universe, data);
  return send(destination, packet);
}

void TMArtnetDecoder::ArtNetUDPRead(std::span<const uint8_t> datagram) {
  // Our own ArtPoll and ArtDmx broadcasts come back here too; only replies are read.
  if (!isArtPoll(datagram)) return;
  if (const std::optional<ArtPollReply> reply = parseArtPollReply(datagram)) ParseArtPoll(*reply);
}

void TMArtnetDecoder::ParseArtPoll(const ArtPollReply& reply) {
  if (display_) display_(reply.longName);
  ArtPollAddress = reply.address;
  if (display_) display_("> " + ArtPollAddress);
  // A node answers every poll (and some announce themselves unasked): it is listed once.
  if (!NetList.contains(ArtPollAddress) && NetList.size() < kMaxNodes) {
    NetList.append(ArtPollAddress);
    emit nodeAdded(ArtPollAddress);
  }
  ArtPollReplied = true;
}
