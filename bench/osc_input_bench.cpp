// Cost of the console's OSC input per received datagram: decoding and dispatching it through
// OscInput to a main window that does nothing, and the whole path through the listener's socket on
// loopback (send, receive, queue, handle).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QUdpSocket>
#include <array>
#include <functional>
#include <string>

#include "console/remote/osc_codec.h"
#include "console/remote/osc_input.h"
#include "console/remote/osc_input_socket.h"
#include "tests/support/dialog_recorder.h"

namespace {

// A main window that counts what reaches it.
class CountingHost : public OscHost {
 public:
  int CueCount() const override { return 100; }
  int cueNumber(int row) const override { return row * 100; }
  void selectRow(int) override { ++calls; }
  void CueListClicked(int) override { ++calls; }
  void btnPlayClick() override { ++calls; }
  void btnBlackClick() override { ++calls; }
  void keyend() override { ++calls; }
  int MaxChannels() const override { return 512; }
  std::span<const int16_t> patchAddresses(int channel) const override {
    return {&addresses[std::size_t(channel)], 1};
  }
  void setOutputLevel(int address, uint8_t level) override { buffer[std::size_t(address)] = level; }
  void sendDMX() override { ++frames; }
  void setEosenabled(bool) override {}
  void Readosc() override {}
  int LogLevel() const override { return 0; }
  void writeLog(const QString&) override {}

  CountingHost() {
    for (std::size_t i = 0; i < addresses.size(); ++i) addresses[i] = int16_t(i);
  }
  std::array<int16_t, 1025> addresses{};
  std::array<uint8_t, 1025> buffer{};
  long calls = 0;
  long frames = 0;
};

OscBytes message(const std::string& address, const std::function<void(TOSCMessage&)>& fill) {
  TOSCMessage m(address);
  fill(m);
  return m.ToOSCBytes();
}

const OscBytes& datagramFor(int kind) {
  static const OscBytes datagrams[] = {
      message("/eos/user/0/chan/2", [](TOSCMessage& m) { m.AddFloat(128.0f); }),  // 8-channel band
      message("/vqlight", [](TOSCMessage& m) { m.AddString("goto 50"); }),        // select a cue
      message("/TC/time", [](TOSCMessage& m) { m.AddString("00:01:00:10"); }),    // armed, not due
      message("/other/address", [](TOSCMessage& m) { m.AddInteger(1); }),         // no match
      OscBytes{'/', 'v', 'q', 'l', 'i', 'g', 'h', 't'},                           // malformed
  };
  return datagrams[kind];
}

const char* kNames[] = {"eos_level", "goto_command", "timecode", "no_match", "malformed"};

void prepare(OscInput& input) {
  input.bands().setBand(2, "|1|2|3|4|5|6|7|8|");
  input.timecode().arm(1LL << 40);
}

void BM_OscInputDispatch(benchmark::State& state) {
  CountingHost host;
  OscInput input(host, testOperator());
  prepare(input);
  const OscBytes& datagram = datagramFor(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) input.handleDatagram(std::span<const uint8_t>(datagram));
  benchmark::DoNotOptimize(host.calls + host.frames);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OscInputDispatch)->DenseRange(0, 4);

// A burst of level datagrams sent on loopback and handled by the listener, per datagram.
void BM_OscListenerLoopback(benchmark::State& state) {
  // The socket needs an event loop; QCoreApplication keeps a reference to argc, hence static.
  static int argc = 1;
  static char name[] = "vq_bench_osc_input";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
  CountingHost host;
  OscInput input(host, testOperator());
  prepare(input);
  OscListener listener(input);
  if (!listener.Activate(0, QHostAddress::LocalHost)) {
    state.SkipWithError("cannot bind a loopback port");
    return;
  }
  QUdpSocket sender;
  const OscBytes& datagram = datagramFor(0);
  const int burst = int(state.range(0));
  for (auto _ : state) {
    const long target = host.frames + burst;
    for (int i = 0; i < burst; ++i)
      sender.writeDatagram(reinterpret_cast<const char*>(datagram.data()), qint64(datagram.size()),
                           QHostAddress::LocalHost, listener.port());
    // Loopback does not lose datagrams at this rate; the deadline only guards against a stall.
    for (int spins = 0; host.frames < target && spins < 1000000; ++spins)
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (host.frames < target) {
      state.SkipWithError("datagrams lost on loopback");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * burst);
}
BENCHMARK(BM_OscListenerLoopback)->Arg(1)->Arg(64);

}  // namespace
