#pragma once

// The Art-Net link: one UDP socket on the Art-Net port that sends the console's universes as ArtDmx,
// broadcasts ArtPoll and reads the nodes' ArtPollReply into the inspection tool's log and node list.
//
//   TMArtnetDecoder link(display);         // binds port 6454 or throws std::runtime_error
//   dmx.setArtNet(&link);                  // the Art-Net interface type sends through it
//   link.DoArtPoll();                      // replies arrive later: NetList, ArtPollAddress, ...
//
// The socket lives on the main thread, so replies are read there in arrival order. The destination
// "255.255.255.255" goes out as the directed broadcast of every active IPv4 interface that has one,
// so it reaches a lighting network that has no default route.

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "console/output/art_dmx_sink.h"
#include "console/output/art_net_packets.h"

// The datagram transport of the link. The real one is a UDP socket; tests inject datagrams.
class ArtNetSocket {
 public:
  using Receiver = std::function<void(std::span<const uint8_t> datagram)>;
  virtual ~ArtNetSocket() = default;
  // Binds `port` (0: any free one) on every IPv4 address, exclusively, broadcast allowed. False with
  // the reason in `error` when it cannot.
  virtual bool bind(quint16 port, QString& error) = 0;
  virtual quint16 localPort() const = 0;
  virtual bool sendTo(std::span<const uint8_t> datagram, const QHostAddress& address, quint16 port) = 0;
  // The directed broadcast address of every active IPv4 interface that has one.
  virtual QList<QHostAddress> broadcastAddresses() = 0;
  // Every datagram received is handed here, one call each, in arrival order.
  void setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

 protected:
  Receiver receiver_;
};

// Where the real socket finds the broadcast addresses. The default asks the system's interfaces;
// the test runner replaces it so that nothing in a test process broadcasts on the machine's network.
using BroadcastSource = std::function<QList<QHostAddress>()>;
QList<QHostAddress> systemBroadcastAddresses();
void setBroadcastSource(BroadcastSource source);

class QUdpSocket;

// The real transport: a QUdpSocket on the thread that creates it.
class UdpArtNetSocket : public QObject, public ArtNetSocket {
  Q_OBJECT
 public:
  UdpArtNetSocket();
  ~UdpArtNetSocket() override;
  bool bind(quint16 port, QString& error) override;
  quint16 localPort() const override;
  bool sendTo(std::span<const uint8_t> datagram, const QHostAddress& address, quint16 port) override;
  QList<QHostAddress> broadcastAddresses() override;

 private:
  void readPending();
  std::unique_ptr<QUdpSocket> socket_;
  QList<QHostAddress> broadcasts_;
  QElapsedTimer broadcastAge_;
};

class TMArtnetDecoder : public QObject, public ArtDmxSink {
  Q_OBJECT
 public:
  // `display` adds a line to the inspection tool's log. Binds `port` (0: any free one; datagrams
  // then go to the port bound). Throws std::runtime_error naming the reason when the socket cannot
  // be set up, for example when the port is already in use.
  explicit TMArtnetDecoder(std::function<void(const QString&)> display, quint16 port = kArtNetPort,
                           std::unique_ptr<ArtNetSocket> socket = nullptr);
  ~TMArtnetDecoder() override;

  // One ArtPoll to "255.255.255.255". False when it could not be sent.
  bool DoArtPoll();
  bool SendArtDMX(const QString& destination, int subnet, int universe,
                  std::span<const uint8_t> data) override;
  // The socket's read event: an ArtPollReply is recorded, every other datagram ignored.
  void ArtNetUDPRead(std::span<const uint8_t> datagram);
  // Records one reply: its long name and "> " + its address in the log, the address in NetList
  // (once), ArtPollAddress and ArtPollReplied.
  void ParseArtPoll(const ArtPollReply& reply);

  quint16 port() const;
  // Where datagrams go (the port bound unless set).
  void setDestinationPort(quint16 port) { destinationPort_ = port; }
  quint16 destinationPort() const { return destinationPort_; }

  // Discovery: the address of the last reply, a reply has arrived since the poll began, and the
  // nodes that replied (the inspection tool's node list; the tool clears it before a poll).
  QString ArtPollAddress;
  bool ArtPollReplied = false;
  QStringList NetList;
  // A node list longer than this takes no more entries.
  static constexpr int kMaxNodes = 1024;

 signals:
  // A node not listed before has been added to NetList.
  void nodeAdded(const QString& address);

 private:
  // The addresses a destination text stands for; empty when it names none.
  QList<QHostAddress> resolve(const QString& destination);
  bool send(const QString& destination, std::span<const uint8_t> datagram);

  std::function<void(const QString&)> display_;
  std::unique_ptr<ArtNetSocket> socket_;
  quint16 destinationPort_ = kArtNetPort;
  QHash<QString, QList<QHostAddress>> resolved_;
};
