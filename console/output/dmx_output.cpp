#include "console/output/dmx_output.h"

#include <algorithm>
#include <cstring>

#include "console/engine/console_state.h"
#include "console/output/output_host.h"
#include "console/output/widget_link.h"

namespace {
// Keeps sendDMX from being re-entered through an event loop that runs inside it.
class SendGuard {
 public:
  explicit SendGuard(bool& flag) : flag_(flag), entered_(!flag) { flag_ = true; }
  ~SendGuard() {
    if (entered_) flag_ = false;
  }
  bool entered() const { return entered_; }

 private:
  bool& flag_;
  bool entered_;
};
}  // namespace

DmxOutput::DmxOutput(ConsoleState& state, OutputHost& host, WidgetLink& link)
    : S(state), host_(host), link_(link) {}

bool DmxOutput::outputLive() const { return S.InterfaceOpen && S.LiveMode; }

int DmxOutput::universeSlotCount(int maxChannels, int universe) {
  return std::clamp(maxChannels + 1 - kUniverseSlots * universe, 0, kUniverseSlots);
}

void DmxOutput::fillUniverse(std::span<uint8_t> out, int universe) const {
  const int first = kUniverseSlots * universe;  // buffer index of the universe's first address
  const int maxChannels = std::clamp(S.MaxChannels, 0, int(S.DmxOutBuffer.size()));
  const int levels = std::clamp(maxChannels - first, 0, int(out.size()));
  std::memcpy(out.data(), S.DmxOutBuffer.data() + first, size_t(levels));
  std::fill(out.begin() + levels, out.end(), uint8_t(0));
}

bool DmxOutput::sendUniverseFrame(uint8_t label, int universe) {
  frame_.build(label, universeSlotCount(S.MaxChannels, universe),
               [&](std::span<uint8_t> out) { fillUniverse(out, universe); });
  return link_.SendWidgetPacket(frame_);
}

void DmxOutput::traceSent(const QString& prefix) {
  if (S.LogLevel > 0 && !host_.fadeTimerActive()) host_.toolLog(prefix + HexDumpPacket(frame_.dmxSlots()));
  if (S.LogLevel > 1) host_.writeLog("Sent: " + HexDumpPacket(frame_.packet()));
}

void DmxOutput::proFrame() {
  if (outputLive() && sendUniverseFrame(UsbProLabel::SendDmx, 0) && S.LogLevel > 0) traceSent("Sent: ");
}

void DmxOutput::mk2Port(int port) {
  const uint8_t label = port == 0 ? UsbProLabel::SendDmx : UsbProLabel::Mk2SendDmxPort2;
  if (outputLive() && sendUniverseFrame(label, port == 0 ? 0 : 1) && S.LogLevel > 0) traceSent("Sent: ");
}

void DmxOutput::proDmx() {
  if (!outputLive() || !sendUniverseFrame(UsbProLabel::SendDmx, 0)) return;
  if (S.LogLevel <= 0) return;  // the prefix is only built when a trace is written
  const uint8_t lsb = frame_.lengthLsb();
  traceSent("Sent: (" + QString::number(lsb) + " " + QString::asprintf("%02X", lsb) + " " +
            QString::number(frame_.lengthMsb()) + ") ");
}

void DmxOutput::dmxKing(int universe) {
  const int u = universe == 0 ? 0 : 1;
  const uint8_t label = u == 0 ? UsbProLabel::DmxKingUniverse1 : UsbProLabel::DmxKingUniverse2;
  if (outputLive() && sendUniverseFrame(label, u) && S.LogLevel > 0) traceSent("Sent: ");
}

void DmxOutput::artNet() {
  // Every ArtDmx carries 512 slots: a universe's levels, then zeros.
  const int universes = S.MaxChannels > kUniverseSlots ? 2 : 1;
  // A universe that cannot be sent does not keep the other from its node.
  for (int u = 0; u < universes && outputLive(); ++u) {
    fillUniverse(artSlots_, u);
    link_.sendArtUniverse(u, u == 0 ? S.ArtNode1 : S.ArtNode2, artSlots_);
  }
}

void DmxOutput::SendProDMX() {
  SendGuard guard(sending_);
  if (guard.entered()) proDmx();
}

void DmxOutput::sendDMXking(int universe) {
  SendGuard guard(sending_);
  if (guard.entered()) dmxKing(universe);
}

void DmxOutput::sendDMX() {
  SendGuard guard(sending_);
  if (!guard.entered() || !outputLive()) return;
  // Universe 0 always goes out before universe 1; each is one write. A lost serial port stops the
  // second (outputLive() is false by then); a D2XX device or Art-Net is tried for both.
  switch (S.InterfaceType) {
    case kInterfaceUsbPro:
      proFrame();
      break;
    case kInterfaceDmxKing:
      dmxKing(0);
      if (S.MaxChannels > kUniverseSlots) dmxKing(1);
      break;
    case kInterfaceProMk2:
      mk2Port(0);
      if (S.MaxChannels > kUniverseSlots) mk2Port(1);
      break;
    case kInterfaceEurolitePro:
      proDmx();
      break;
    case kInterfaceArtNet:
      artNet();
      break;
    default:  // kInterfaceNone sends nothing; Velleman and Eurolite have no device
      SendNone();
      break;
  }
}
