// sendDMX per interface type at 1024 channels: the framing and dispatch cost of one call, with a
// port and an Art-Net sink that take the bytes and do nothing with them.

#include <benchmark/benchmark.h>

#include "console/engine/console_state.h"
#include "console/output/art_dmx_sink.h"
#include "console/output/dmx_interface.h"
#include "console/output/output_host.h"
#include "console/output/widget_port.h"

namespace {

class QuietHost : public OutputHost {
 public:
  bool fadeTimerActive() const override { return true; }
  void stopFadeTimer() override {}
  void btnLiveclicked() override {}
  void toolLog(const QString&) override {}
  void writeLog(const QString&) override {}
  void addDevice(const QString&, bool) override {}
};

class SinkPort : public WidgetPort {
 public:
  bool open(const QString&) override { return true; }
  void close() override {}
  bool isOpen() const override { return true; }
  bool write(std::span<const uint8_t> bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    return true;
  }
};

class NoDevices : public D2xxDriver {
 public:
  FT_STATUS listDeviceCount(uint32_t& count) override { return count = 0; }
  FT_STATUS listDeviceByIndex(uint32_t, char*, uint32_t, uint32_t) override {
    return FtStatus::DeviceNotFound;
  }
  FT_STATUS openEx(const char*, uint32_t, FT_HANDLE&) override { return FtStatus::DeviceNotFound; }
  FT_STATUS close(FT_HANDLE) override { return 0; }
  FT_STATUS read(FT_HANDLE, uint8_t*, uint32_t, uint32_t& n) override { return n = 0; }
  FT_STATUS write(FT_HANDLE, const uint8_t*, uint32_t count, uint32_t& n) override {
    n = count;
    return 0;
  }
  FT_STATUS resetDevice(FT_HANDLE) override { return 0; }
  FT_STATUS setTimeouts(FT_HANDLE, uint32_t, uint32_t) override { return 0; }
  FT_STATUS getQueueStatus(FT_HANDLE, uint32_t& q) override { return q = 0; }
};

class SinkArtNet : public ArtDmxSink {
 public:
  bool SendArtDMX(const QString&, int, int, std::span<const uint8_t> data) override {
    benchmark::DoNotOptimize(data.data());
    return true;
  }
};

// Argument 0: interface type; argument 1: connection (0 serial, 1 D2XX, 2 Art-Net).
void BM_sendDMX(benchmark::State& state) {
  ConsoleState S;
  S.InterfaceType = int(state.range(0));
  S.DmxConnection = int(state.range(1));
  S.MaxChannels = 1024;
  S.InterfaceOpen = true;
  S.LiveMode = true;
  for (size_t i = 0; i < S.DmxOutBuffer.size(); ++i) S.DmxOutBuffer[i] = uint8_t(i);
  QuietHost host;
  SinkArtNet artNet;
  DmxInterface dmx(S, host,
                   DmxInterface::Parts{std::make_unique<SinkPort>(), std::make_unique<NoDevices>(), {}});
  dmx.setArtNet(&artNet);
  for (auto _ : state) {
    dmx.sendDMX();
    S.DmxOutBuffer[0]++;
  }
}
BENCHMARK(BM_sendDMX)
    ->ArgNames({"type", "connection"})
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({5, 0})
    ->Args({6, 2})
    ->Args({7, 0})
    ->Args({2, 1});

}  // namespace
