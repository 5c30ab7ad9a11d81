#pragma once

// sendDMX: the single door through which every change of DmxOutBuffer reaches the outside. It frames
// the buffer for the configured interface type and writes it through the widget link.
//
// Frames carry the start code and at most 512 slots. A universe's slot for an address above the
// channel count is 0: a second universe carries only second-universe levels.

#include <array>
#include <cstdint>
#include <span>

#include "console/output/widget_protocol.h"

struct ConsoleState;
class OutputHost;
class WidgetLink;

class DmxOutput {
 public:
  DmxOutput(ConsoleState& state, OutputHost& host, WidgetLink& link);

  // Sends DmxOutBuffer once in the framing of InterfaceType; does nothing unless InterfaceOpen and
  // LiveMode. Never re-entered: a call made while one is running (from a dialog's or the log
  // writer's event loop) returns at once.
  void sendDMX();
  // One DMXking frame: universe 0 = addresses 1-512 (label 100), 1 = 513-1024 (label 101).
  void sendDMXking(int universe);
  // The senders of the widget types: the whole buffer traced with its length bytes (type 5), nothing
  // (type 7).
  void SendProDMX();
  void SendNone() {}

  // Slots of `universe` that a frame carries: the part of the MaxChannels + 1 buffer bytes from
  // address 512 * universe + 1 on, at most 512.
  static int universeSlotCount(int maxChannels, int universe);

 private:
  bool outputLive() const;
  // Writes the universe's slots: levels up to the channel count, 0 above it.
  void fillUniverse(std::span<uint8_t> out, int universe) const;
  bool sendUniverseFrame(uint8_t label, int universe);
  void traceSent(const QString& prefix);
  void proFrame();
  void mk2Port(int port);
  void proDmx();
  void dmxKing(int universe);
  void artNet();

  ConsoleState& S;
  OutputHost& host_;
  WidgetLink& link_;
  DmxFrame frame_;
  std::array<uint8_t, kUniverseSlots> artSlots_{};
  bool sending_ = false;
};
