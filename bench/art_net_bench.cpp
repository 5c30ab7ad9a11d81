// The Art-Net link: building one ArtDmx, sending it to a node on loopback (a frame of two universes
// is two of these), and reading the interfaces' broadcast addresses (done at most once a second).

#include <benchmark/benchmark.h>

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "console/output/art_net_link.h"
#include "console/output/art_net_packets.h"

namespace {

void BM_CreateArtDmx(benchmark::State& state) {
  std::array<uint8_t, 512> levels{};
  for (size_t i = 0; i < levels.size(); ++i) levels[i] = uint8_t(i);
  for (auto _ : state) {
    TMArtDmxPacket packet;
    CreateArtDmx(packet, 0, 1, levels);
    benchmark::DoNotOptimize(packet.data());
  }
}
BENCHMARK(BM_CreateArtDmx);

void BM_SendArtDmxToLoopbackNode(benchmark::State& state) {
  QUdpSocket node;
  node.bind(QHostAddress::LocalHost, 0);
  TMArtnetDecoder link([](const QString&) {}, 0);
  link.setDestinationPort(node.localPort());
  std::array<uint8_t, 512> levels{};
  for (auto _ : state) {
    if (!link.SendArtDMX("127.0.0.1", 0, 0, levels)) state.SkipWithError("send failed");
    // The node's buffer is emptied now and then so the kernel keeps taking datagrams.
    if (state.iterations() % 64 == 0)
      while (node.hasPendingDatagrams()) node.receiveDatagram();
  }
}
BENCHMARK(BM_SendArtDmxToLoopbackNode);

void BM_SystemBroadcastAddresses(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(systemBroadcastAddresses());
}
BENCHMARK(BM_SystemBroadcastAddresses);

}  // namespace
