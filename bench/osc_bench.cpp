// Cost of handling one received OSC datagram the way the console's listener does: unpack, try the
// console's addresses in turn, decode the message that matched and read its first argument.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "console/remote/osc_codec.h"

using namespace std::string_literals;

namespace {

std::string be32(std::uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

OscBytes message(const std::string& address, const std::string& tagsAndArguments) {
  OscBytes bytes = PackOscString(address);
  bytes.insert(bytes.end(), tagsAndArguments.begin(), tagsAndArguments.end());
  return bytes;
}

OscBytes bundleOf(const OscBytes& element) {
  std::string head = "#bundle\0"s + be32(0) + be32(1) + be32(std::uint32_t(element.size()));
  OscBytes bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), element.begin(), element.end());
  return bytes;
}

// What the listener does with one datagram; returns a value so nothing is optimised away.
int dispatch(const OscBytes& datagram) {
  auto packet = TOSCPacket::Unpack(datagram);
  if (!packet) return -1;
  if (datagram.size() >= 4 && std::memcmp(datagram.data(), "/eos", 4) == 0) {
    if (TOSCMessage* m = packet->MatchAddress("/eos/user/0/chan/2")) {
      m->Decode();
      return m->GetArgumentCount() > 0 && m->GetTypeTag(0) == "f" ? int(m->GetArgumentAsFloat(0)) : 0;
    }
  }
  for (const char* address : {"/TC/time", "/vqlight", "/vqlight/play"}) {
    if (TOSCMessage* m = packet->MatchAddress(address)) {
      m->Decode();
      return m->GetArgumentCount() > 0 ? int(m->GetArgument(0).size()) : 0;
    }
  }
  return 0;
}

const OscBytes& datagramFor(int kind) {
  static const OscBytes datagrams[] = {
      message("/eos/user/0/chan/2", ",f\0\0"s + be32(0x43000000u)),      // sound-to-light level
      message("/vqlight", ",s\0\0play 3\0\0"s),                          // text command
      bundleOf(message("/vqlight", ",s\0\0play 3\0\0"s)),                // the cue bundle
      message("/TC/time", ",s\0\0"s + "00:01:00:10\0"s),                 // time code
      message("/{TC,MTC}/t[a-i]m?", ",s\0\0"s + "00:01:00:10\0"s),       // wildcard address
      message("/other/address/nobody/listens/to", ",i\0\0"s + be32(1)),  // no match
      OscBytes{'/', 'v', 'q', 'l', 'i', 'g', 'h', 't'},                  // malformed: no NUL
  };
  return datagrams[kind];
}

const char* kNames[] = {"eos_level", "command", "bundle", "timecode", "wildcard", "no_match", "malformed"};

void BM_OscDispatch(benchmark::State& state) {
  const OscBytes& datagram = datagramFor(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(dispatch(datagram));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(datagram.size()));
}
BENCHMARK(BM_OscDispatch)->DenseRange(0, 6);

// A sender-chosen pattern built to make a backtracking matcher explode: "*a" repeated, then "b".
void BM_OscDispatchHostilePattern(benchmark::State& state) {
  std::string pattern = "/vqlight";
  for (int i = 0; i < state.range(0); ++i) pattern += "*a";
  pattern += "b";
  const OscBytes datagram = message(pattern, ",\0\0\0"s);
  for (auto _ : state) benchmark::DoNotOptimize(dispatch(datagram));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OscDispatchHostilePattern)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

void BM_OscEncodeCueBundle(benchmark::State& state) {
  for (auto _ : state) {
    TOSCBundle bundle;
    auto m = std::make_unique<TOSCMessage>("/vqlight");
    m->AddString("play 3");
    bundle.Add(std::move(m));
    benchmark::DoNotOptimize(bundle.ToOSCBytes());
  }
}
BENCHMARK(BM_OscEncodeCueBundle);

}  // namespace
