// The Art-Net packets and the link: golden bytes, reading replies, where datagrams go, and a real
// UDP node on loopback.

#include <gtest/gtest.h>

#include <QUdpSocket>

#include "console/output/art_net_link.h"
#include "console/output/art_net_packets.h"
#include "console/output/dmx_interface.h"
#include "platform/operator.h"
#include "tests/output/output_fakes.h"
#include "tests/support/dialog_recorder.h"

namespace {

QByteArray bytesOf(std::span<const uint8_t> s) { return toBytes(s); }
std::span<const uint8_t> spanOf(const QByteArray& b) {
  return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

// An ArtPollReply as a node sends it (239 bytes), with the fields the console reads filled in.
QByteArray pollReply(std::array<uint8_t, 4> ip, const QByteArray& longName,
                     const QByteArray& id = "Art-Net") {
  QByteArray p(239, '\0');
  p.replace(0, id.size(), id);
  p[8] = 0x00;
  p[9] = 0x21;  // OpCode 0x2100, little-endian
  for (int i = 0; i < 4; ++i) p[10 + i] = char(ip[size_t(i)]);
  p.replace(26, 5, "short");
  p.replace(44, qMin<qsizetype>(longName.size(), 64), longName.left(64));
  return p;
}

// The transport of a test: records what is sent and injects what is received.
class FakeArtNetSocket : public ArtNetSocket {
 public:
  struct Sent {
    QByteArray datagram;
    QString address;
    quint16 port;
  };
  bool bind(quint16 port, QString& error) override {
    if (refuse) {
      error = "The bound address is already in use";
      return false;
    }
    bound = port ? port : 49999;
    return true;
  }
  quint16 localPort() const override { return bound; }
  bool sendTo(std::span<const uint8_t> datagram, const QHostAddress& address, quint16 port) override {
    if (failSends) return false;
    sent.push_back({bytesOf(datagram), address.toString(), port});
    return true;
  }
  QList<QHostAddress> broadcastAddresses() override { return broadcasts; }
  void deliver(const QByteArray& datagram) { receiver_(spanOf(datagram)); }

  bool refuse = false;
  bool failSends = false;
  quint16 bound = 0;
  QList<QHostAddress> broadcasts{QHostAddress("10.1.255.255"), QHostAddress("192.168.0.255")};
  std::vector<Sent> sent;
};

struct FakeLink {
  FakeLink() {
    auto s = std::make_unique<FakeArtNetSocket>();
    socket = s.get();
    link = std::make_unique<TMArtnetDecoder>([this](const QString& line) { log << line; }, kArtNetPort,
                                             std::move(s));
  }
  QStringList log;
  FakeArtNetSocket* socket;
  std::unique_ptr<TMArtnetDecoder> link;
};

}  // namespace

TEST(ArtNetPackets, ArtPollGoldenBytes) {
  TMArtPollPacket p;
  p.fill(0xAA);
  CreateArtPoll(p);
  EXPECT_EQ(bytesOf(p), hexBytes("4172742d4e657400"  // "Art-Net" and a zero byte
                                 "0020"              // OpCode 0x2000, little-endian
                                 "000e"              // protocol version 0, 14
                                 "00"                // TalkToMe
                                 "00"));             // Pad
}

TEST(ArtNetPackets, ArtDmxGoldenBytes) {
  QByteArray levels(512, '\0');
  for (int i = 0; i < 512; ++i) levels[i] = char(i * 5 + 1);
  TMArtDmxPacket p;
  p.fill(0xAA);
  CreateArtDmx(p, 0, 1, spanOf(levels));
  EXPECT_EQ(bytesOf(p).left(18), hexBytes("4172742d4e657400"  // ID
                                          "0050"              // OpCode 0x5000, little-endian
                                          "000e"              // protocol version 0, 14
                                          "00"                // Sequence: not used
                                          "01"                // Physical
                                          "01"                // SubUni: subnet 0, universe 1
                                          "00"                // Net
                                          "0200"));           // Length 512, big-endian
  EXPECT_EQ(bytesOf(p).mid(18), levels);
  EXPECT_EQ(int(p.size()), 530);
}

TEST(ArtNetPackets, SubUniFromTheLowFourBitsOfSubnetAndUniverse) {
  struct Case {
    int subnet, universe, subUni;
  };
  const Case cases[] = {{0, 0, 0x00},   {0, 1, 0x01},  {0, 17, 0x01},  {1, 2, 0x12},
                        {15, 15, 0xFF}, {16, 3, 0x03}, {0, 255, 0x0F}, {-1, 0, 0xF0}};
  const QByteArray data(512, '\x7f');
  for (const Case& c : cases) {
    TMArtDmxPacket p;
    CreateArtDmx(p, c.subnet, c.universe, spanOf(data));
    EXPECT_EQ(p[14], c.subUni) << c.subnet << "/" << c.universe;
  }
}

TEST(ArtNetPackets, ArtDmxAlwaysCarries512Slots) {
  TMArtDmxPacket p;
  CreateArtDmx(p, 0, 0, spanOf(QByteArray(89, '\x11')));  // a short second universe
  EXPECT_EQ(bytesOf(p).mid(18), QByteArray(89, '\x11') + QByteArray(512 - 89, '\0'));
  CreateArtDmx(p, 0, 0, spanOf(QByteArray(520, '\x22')));  // a longer send buffer
  EXPECT_EQ(bytesOf(p).mid(18), QByteArray(512, '\x22'));
}

TEST(ArtNetPackets, ReadingArtPollReplies) {
  struct Case {
    const char* what;
    QByteArray datagram;
    bool read;
    QString address;
    QString longName;
  };
  const QByteArray full = pollReply({10, 0, 0, 7}, "Node A");
  const Case cases[] = {
      {"a node's reply", full, true, "10.0.0.7", "Node A"},
      {"the 108 bytes read", full.left(108), true, "10.0.0.7", "Node A"},
      {"shorter than the long name's end", full.left(107), false, {}, {}},
      {"too short for the OpCode", full.left(9), false, {}, {}},
      {"empty", QByteArray(), false, {}, {}},
      {"another ID", pollReply({10, 0, 0, 7}, "Node A", "Art-Met"), true, "10.0.0.7", "Node A"},
      {"no ID at all", QByteArray(full).replace(0, 8, QByteArray(8, '\0')), true, "10.0.0.7", "Node A"},
      {"an ArtDmx", QByteArray(full).replace(8, 2, QByteArray("\x00\x50", 2)), false, {}, {}},
      {"an unterminated long name", pollReply({192, 168, 1, 254}, QByteArray(70, 'L')), true, "192.168.1.254",
       QString(64, 'L')},
      {"an empty long name", pollReply({2, 0, 0, 1}, ""), true, "2.0.0.1", ""},
  };
  for (const Case& c : cases) {
    const std::optional<ArtPollReply> r = parseArtPollReply(spanOf(c.datagram));
    ASSERT_EQ(r.has_value(), c.read) << c.what;
    if (!r) continue;
    EXPECT_EQ(r->address, c.address) << c.what;
    EXPECT_EQ(r->longName, c.longName) << c.what;
  }
}

TEST(ArtNetPackets, OpCodeTestIgnoresTheIdAndShortDatagrams) {
  EXPECT_TRUE(isArtPoll(spanOf(QByteArray("XXXXXXXX\x00\x21", 10))));
  EXPECT_FALSE(isArtPoll(spanOf(QByteArray("Art-Net\0\x00", 9))));
  EXPECT_FALSE(isArtPoll(spanOf(QByteArray("Art-Net\0\x00\x20", 10))));
}

TEST(ArtNetLink, ReplyGoesToTheLogAndTheNodeListOnce) {
  FakeLink f;
  QStringList added;
  QObject::connect(f.link.get(), &TMArtnetDecoder::nodeAdded, [&](const QString& a) { added << a; });
  const QByteArray reply = pollReply({10, 0, 0, 7}, "Node A");
  f.socket->deliver(reply);
  EXPECT_EQ(f.log, QStringList({"Node A", "> 10.0.0.7"}));
  EXPECT_EQ(f.link->NetList, QStringList{"10.0.0.7"});
  EXPECT_EQ(f.link->ArtPollAddress, "10.0.0.7");
  EXPECT_TRUE(f.link->ArtPollReplied);
  // The same node answering the next poll, then another node.
  f.link->ArtPollReplied = false;
  f.socket->deliver(reply);
  f.socket->deliver(pollReply({10, 0, 0, 8}, "Node B"));
  EXPECT_EQ(f.link->NetList, QStringList({"10.0.0.7", "10.0.0.8"}));
  EXPECT_EQ(added, QStringList({"10.0.0.7", "10.0.0.8"}));
  EXPECT_EQ(f.log.size(), 6);
  EXPECT_EQ(f.link->ArtPollAddress, "10.0.0.8");
  EXPECT_TRUE(f.link->ArtPollReplied);
}

TEST(ArtNetLink, EverythingButARepliesIsIgnored) {
  FakeLink f;
  TMArtPollPacket poll;
  CreateArtPoll(poll);
  TMArtDmxPacket dmx;
  CreateArtDmx(dmx, 0, 0, spanOf(QByteArray(512, 'x')));
  const QByteArray reply = pollReply({10, 0, 0, 7}, "Node A");
  for (const QByteArray& d : {bytesOf(poll), bytesOf(dmx), reply.left(107), reply.left(3), QByteArray()})
    f.socket->deliver(d);
  EXPECT_TRUE(f.log.isEmpty());
  EXPECT_TRUE(f.link->NetList.isEmpty());
  EXPECT_FALSE(f.link->ArtPollReplied);
  // The OpCode makes a reply, whatever the ID says.
  f.socket->deliver(pollReply({10, 0, 0, 9}, "Node C", "Art-Nyt"));
  EXPECT_EQ(f.link->NetList, QStringList{"10.0.0.9"});
  EXPECT_EQ(f.log, QStringList({"Node C", "> 10.0.0.9"}));
  EXPECT_TRUE(f.link->ArtPollReplied);
}

TEST(ArtNetLink, BroadcastGoesToEachInterfacesDirectedBroadcast) {
  FakeLink f;
  ASSERT_TRUE(f.link->DoArtPoll());
  ASSERT_EQ(f.socket->sent.size(), 2u);
  TMArtPollPacket poll;
  CreateArtPoll(poll);
  EXPECT_EQ(f.socket->sent[0].address, "10.1.255.255");
  EXPECT_EQ(f.socket->sent[1].address, "192.168.0.255");
  for (const auto& s : f.socket->sent) {
    EXPECT_EQ(s.datagram, bytesOf(poll));
    EXPECT_EQ(s.port, 6454);
  }
  f.socket->sent.clear();
  ASSERT_TRUE(f.link->SendArtDMX("255.255.255.255", 0, 0, spanOf(QByteArray(512, '\1'))));
  EXPECT_EQ(f.socket->sent.size(), 2u);
}

TEST(ArtNetLink, DestinationsAndFailures) {
  FakeLink f;
  const QByteArray levels(512, '\x40');
  ASSERT_TRUE(f.link->SendArtDMX("10.0.0.7", 0, 1, spanOf(levels)));
  ASSERT_EQ(f.socket->sent.size(), 1u);
  EXPECT_EQ(f.socket->sent[0].address, "10.0.0.7");
  EXPECT_EQ(f.socket->sent[0].port, 6454);
  EXPECT_EQ(f.socket->sent[0].datagram.size(), 530);
  EXPECT_EQ(uint8_t(f.socket->sent[0].datagram[14]), 0x01);
  // Nothing to send to: no broadcast interface, no address at all, an IPv6 node.
  f.socket->broadcasts.clear();
  EXPECT_FALSE(f.link->SendArtDMX("255.255.255.255", 0, 0, spanOf(levels)));
  EXPECT_FALSE(f.link->DoArtPoll());
  EXPECT_FALSE(f.link->SendArtDMX("", 0, 0, spanOf(levels)));
  EXPECT_FALSE(f.link->SendArtDMX("::1", 0, 0, spanOf(levels)));
  // The network refuses the datagram.
  f.socket->failSends = true;
  EXPECT_FALSE(f.link->SendArtDMX("10.0.0.7", 0, 0, spanOf(levels)));
  EXPECT_EQ(f.socket->sent.size(), 1u);
}

TEST(ArtNetLink, ASocketThatCannotBeSetUpIsAnErrorToTheCreator) {
  auto s = std::make_unique<FakeArtNetSocket>();
  s->refuse = true;
  EXPECT_THROW(TMArtnetDecoder([](const QString&) {}, kArtNetPort, std::move(s)), std::runtime_error);

  // A real port already held by another socket.
  QUdpSocket holder;
  ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
  EXPECT_THROW(TMArtnetDecoder([](const QString&) {}, holder.localPort()), std::runtime_error);
}

// A node on loopback: a plain UDP socket that records the datagrams it receives.
struct LoopbackNode {
  explicit LoopbackNode(const QString& address, quint16 port = 0) {
    EXPECT_TRUE(socket.bind(QHostAddress(address), port, QAbstractSocket::DontShareAddress))
        << address.toStdString();
    QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
      while (socket.hasPendingDatagrams()) {
        QByteArray d(qsizetype(socket.pendingDatagramSize()), '\0');
        socket.readDatagram(d.data(), d.size());
        received.push_back(d);
      }
    });
  }
  QUdpSocket socket;
  std::vector<QByteArray> received;
};

TEST(ArtNetLink, RealSocketSendsToANodeAndReadsItsReply) {
  LoopbackNode node("127.0.0.1");
  QStringList log;
  TMArtnetDecoder link([&](const QString& line) { log << line; }, 0);
  ASSERT_NE(link.port(), 0);
  link.setDestinationPort(node.socket.localPort());
  QByteArray levels(512, '\0');
  for (int i = 0; i < 512; ++i) levels[i] = char(255 - i % 256);
  ASSERT_TRUE(link.SendArtDMX("127.0.0.1", 0, 1, spanOf(levels)));
  ASSERT_TRUE(waitUntil([&] { return !node.received.empty(); }));
  TMArtDmxPacket expected;
  CreateArtDmx(expected, 0, 1, spanOf(levels));
  EXPECT_EQ(node.received[0], bytesOf(expected));

  // The node answers; its reply reaches the node list on this thread.
  node.socket.writeDatagram(pollReply({127, 0, 0, 1}, "Loopback node"), QHostAddress::LocalHost, link.port());
  ASSERT_TRUE(waitUntil([&] { return link.ArtPollReplied; }));
  EXPECT_EQ(link.NetList, QStringList{"127.0.0.1"});
  EXPECT_EQ(log, QStringList({"Loopback node", "> 127.0.0.1"}));
}

TEST(ArtNetLink, RepliesAreReadInArrivalOrder) {
  TMArtnetDecoder link([](const QString&) {}, 0);
  QUdpSocket node;
  ASSERT_TRUE(node.bind(QHostAddress::LocalHost, 0));
  for (int i = 1; i <= 20; ++i)
    node.writeDatagram(pollReply({10, 0, 0, uint8_t(i)}, "N"), QHostAddress::LocalHost, link.port());
  ASSERT_TRUE(waitUntil([&] { return link.NetList.size() == 20; }));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(link.NetList[i - 1], "10.0.0." + QString::number(i));
}

TEST(ArtNetOutput, TwoUniversesReachTheirNodes) {
  for (int channels : {600, 1024}) {
    ConsoleState S;
    S.InterfaceType = 6;
    S.DmxConnection = 2;
    S.MaxChannels = channels;
    S.InterfaceOpen = true;
    for (size_t i = 0; i < S.DmxOutBuffer.size(); ++i) S.DmxOutBuffer[i] = uint8_t(i * 7 + 3);
    LoopbackNode node1("127.0.0.1");
    LoopbackNode node2("127.0.0.2", node1.socket.localPort());
    S.ArtNode1 = "127.0.0.1";
    S.ArtNode2 = "127.0.0.2";
    RecordingHost host(S);
    DmxInterface dmx(S, host, testOperator());
    TMArtnetDecoder link([](const QString&) {}, 0);
    link.setDestinationPort(node1.socket.localPort());
    dmx.setArtNet(&link);
    DialogRecorder dialogs;
    dmx.sendDMX();
    ASSERT_TRUE(waitUntil([&] { return !node1.received.empty() && !node2.received.empty(); })) << channels;
    ASSERT_EQ(node1.received.size(), 1u);
    ASSERT_EQ(node2.received.size(), 1u);
    QByteArray u0, u1;
    for (int a = 1; a <= 512; ++a) u0.append(char(S.DmxOutBuffer[a - 1]));
    for (int a = 513; a <= 1024; ++a) u1.append(a <= channels ? char(S.DmxOutBuffer[a - 1]) : '\0');
    EXPECT_EQ(node1.received[0].mid(14, 1), QByteArray(1, '\0')) << channels;
    EXPECT_EQ(node1.received[0].mid(18), u0) << channels;
    EXPECT_EQ(node2.received[0].mid(14, 1), QByteArray(1, '\1')) << channels;
    EXPECT_EQ(node2.received[0].mid(18), u1) << channels;
    EXPECT_TRUE(dialogs.shown.empty());
  }
}
