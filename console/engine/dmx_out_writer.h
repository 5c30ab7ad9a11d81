#pragma once

// The one way to the wire: every write of `DmxOutBuffer` goes through this module. Writers differ on
// purpose in which rules they apply (which patch table gives a channel's addresses, the proportional
// share, the warm-up floor, the submaster floor, the LED curve, submaster faders, scroller addresses,
// the channel count, the fade engine's level), so each writer is a value of `Writer` and its rules are one
// row of `rulesOf`. A new writer adds its value to `Writer`, its row to `rulesOf` and to the table test
// (tests/engine/dmx_out_writer_test.cpp), then calls `writeChannel` to put a channel's level on all its
// addresses, or `writeAddress` to put a byte on one address as it is (colour presets, network levels,
// clearing); afterwards it calls the window's `sendDMX()` as before. Nothing here sends, touches a widget or
// keeps state of its own.

#include <algorithm>
#include <cstdint>

#include "console/engine/console_state.h"
#include "console/engine/level_math.h"

namespace dmxout {

enum class Writer : uint8_t {
  TypedLevel,    // a level committed in a channel's edit (ChangedDmx)
  DirectLevel,   // a channel's edit applied as it stands (SetDmx)
  Playscreen,    // back to live: every channel's edit (playscreen)
  FadeStep,      // one step of a cue's fade (Setvalues)
  MasterFade,    // one step of the master fade
  WarmUp,        // black-out and shut-down: every patched address to its warm-up level
  ColourPreset,  // cue selection: a fixture's colour channels before the fade
  FixtureMix,    // the fixtures window's live colour preview, and the bytes it gives back
  Network,       // OSC and sound-to-light levels (already patched by the sender)
  Clear,         // a new channel grid starts dark
  LampHunt,      // the magic sheet lights a channel's lamp while its button is held
  Bump,          // bump keys: full, their saved levels, scene levels (the bumps keep their own holds)
  Submaster,     // a submaster's level on a channel's addresses (the submasters apply their own rules)
  DimmerCheck,   // the dimmer check's test ramp, straight onto each address
};
inline constexpr int kWriterCount = int(Writer::DimmerCheck) + 1;  // DimmerCheck is the last writer

// Where a channel's addresses come from.
enum class AddressSource : uint8_t {
  ShowPatch,                // the show's PatchTable
  ActivePatch,              // RepPatchTable in repertory-plot mode, else PatchTable
  ActivePatchWhenSubMoved,  // RepPatchTable only in repertory-plot mode once a submaster moved
  Raw,                      // no patch: the writer names the address (writeAddress)
};

// The warm-up floor raises a level to the warm-up level before the share is taken.
enum class WarmUpFloor : uint8_t {
  None,
  Channel,            // the channel's warm-up level
  AddressUnlessRaw,   // each address's own warm-up level; raw channels are not raised
  ChannelAfterShare,  // the channel's warm-up level, applied to each address's share
};

struct Rules {
  // How a channel's level reaches its addresses (writeChannel).
  AddressSource patch = AddressSource::Raw;
  WarmUpFloor warmUp = WarmUpFloor::None;
  bool proportional = false;      // an address below 100 % takes that share of the level
  bool submasterFloor = false;    // at least the channel's submaster contribution (after the share)
  bool ledCurve = false;          // LED channels go through the curve, never below their warm-up level
  bool submasterFaders = false;   // an address above the channel count moves its submaster fader
  bool skipScrollers = false;     // mover/scroller addresses keep their level
  bool oneToOne = false;          // with the one-to-one patch the channel's own address takes the level as is
  bool submasterInhibit = false;  // held down by the inhibitive submasters (after the submaster floor)
  // What a byte put on one address does (writeAddress, and every address writeChannel writes).
  bool withinChannelCount = false;  // only addresses 1..MaxChannels take it (above are submaster faders)
  bool keepsCurrentLevel = false;   // the byte is also the address's level for the fade engine

  friend bool operator==(const Rules&, const Rules&) = default;
};

// The rules of each writer, side by side.
constexpr Rules rulesOf(Writer w) {
  using A = AddressSource;
  using W = WarmUpFloor;
  switch (w) {
    case Writer::TypedLevel:
      return {.patch = A::ActivePatch,
              .proportional = true,
              .submasterFloor = true,
              .ledCurve = true,
              .submasterInhibit = true};
    case Writer::DirectLevel:
      return {.patch = A::ActivePatchWhenSubMoved,
              .warmUp = W::Channel,
              .proportional = true,
              .ledCurve = true,
              .submasterFaders = true,
              .oneToOne = true,
              .submasterInhibit = true};
    case Writer::Playscreen:
      return {.patch = A::ShowPatch,
              .warmUp = W::AddressUnlessRaw,
              .proportional = true,
              .submasterFloor = true,
              .ledCurve = true,
              .skipScrollers = true,
              .submasterInhibit = true};
    case Writer::FadeStep:
      return {.patch = A::ShowPatch,
              .proportional = true,
              .submasterFloor = true,
              .ledCurve = true,
              .submasterFaders = true,
              .submasterInhibit = true};
    case Writer::MasterFade:
      return {.patch = A::ShowPatch,
              .warmUp = W::Channel,
              .proportional = true,
              .submasterFloor = true,
              .ledCurve = true,
              .submasterInhibit = true};
    case Writer::WarmUp:
      return {.patch = A::ShowPatch, .warmUp = W::AddressUnlessRaw};
    case Writer::LampHunt:
      return {.patch = A::ShowPatch,
              .warmUp = W::ChannelAfterShare,
              .proportional = true,
              .withinChannelCount = true};
    // The writers below name their addresses themselves and put bytes as they are.
    case Writer::ColourPreset:
      return {.withinChannelCount = true, .keepsCurrentLevel = true};
    case Writer::FixtureMix:
      return {.withinChannelCount = true};
    case Writer::Network:  // the sender has patched and limited the addresses
      return {.keepsCurrentLevel = true};
    case Writer::Clear:
      return {.withinChannelCount = true, .keepsCurrentLevel = true};
    case Writer::Bump:  // the bumps keep their own holds and fades
      return {.withinChannelCount = true};
    case Writer::Submaster:  // the submasters apply their own rules and keep their own levels
      return {.withinChannelCount = true};
    case Writer::DimmerCheck:
      return {.withinChannelCount = true};
  }
  return {};
}

// The addresses channel ch drives under rules r (empty for Raw).
inline const AddressList& channelAddresses(const ConsoleState& S, const Rules& r, int ch) {
  static const AddressList none;
  switch (r.patch) {
    case AddressSource::ShowPatch:
      return S.Patch.PatchTable.addresses(ch);
    case AddressSource::ActivePatch:
      return S.Patch.table(S.UseRepPlot).addresses(ch);
    case AddressSource::ActivePatchWhenSubMoved:
      return S.Patch.table(S.UseRepPlot && S.SubMoved).addresses(ch);
    case AddressSource::Raw:
      break;
  }
  return none;
}

// The level channel ch stands at on address d once the warm-up floor of rules r is applied (0..255).
inline int flooredLevel(const ConsoleState& S, const Rules& r, int ch, int d, int level) {
  if (r.warmUp == WarmUpFloor::Channel) {
    level = std::max<int>(level, S.Fixtures.WarmUpLevels[size_t(ch)]);
  } else if (r.warmUp == WarmUpFloor::AddressUnlessRaw && !S.RawChannels[size_t(ch)] &&
             d <= kMaxChannelLimit) {
    level = std::max<int>(level, S.Fixtures.WarmUpLevels[size_t(d)]);
  }
  return clampDmx(level);
}

// The byte address d of channel ch receives for a floored level under rules r: the share first,
// then the submaster floor, then the inhibitive submasters, then the LED curve.
inline uint8_t wireByte(const ConsoleState& S, const Rules& r, int ch, int d, int level) {
  if (r.proportional) level = proportionalLevel(level, S.Patch.PatchPercent[size_t(d)]);
  if (r.warmUp == WarmUpFloor::ChannelAfterShare)
    level = std::max<int>(level, S.Fixtures.WarmUpLevels[size_t(ch)]);
  if (r.submasterFloor) level = std::max(S.SubChannelLevels[size_t(ch)], level);
  if (r.submasterInhibit && S.SubInhibit[size_t(ch)] > 0)
    level = roundEven(level * ((100 - S.SubInhibit[size_t(ch)]) / 100.0));
  return r.ledCurve ? outputByte(S, ch, level) : uint8_t(clampDmx(level));
}

// What writeChannel did at one address: `byte` is what was written, or -1 when the address is a
// submaster fader that was moved instead. `level` is the channel's level after the warm-up floor.
struct Written {
  int address;
  int level;
  int byte;
};

// Puts channel ch's DMX level (0..255) on every address the writer's rules give it, moving
// submaster faders when the rules say so. Calls done(Written) after each address, in patch order,
// so a writer can keep its own bookkeeping (CurrentLevels, traces) in step.
template <class Done>
void writeChannel(ConsoleState& S, Writer w, int ch, int level, Done&& done);
inline void writeChannel(ConsoleState& S, Writer w, int ch, int level) {
  writeChannel(S, w, ch, level, [](const Written&) {});
}

// Puts one byte on one address as it is, by the writer's rules: only within the output buffer
// (1 .. kChannelSlots - 1), only within the channel count when the rules say so, and also as the
// fade engine's level of that address when they say so. Other addresses are ignored.
inline void writeAddress(ConsoleState& S, Writer w, int address, uint8_t byte) {
  const Rules r = rulesOf(w);
  if (address < 1 || address >= kChannelSlots) return;
  if (r.withinChannelCount && address > S.MaxChannels) return;
  S.DmxOutBuffer[size_t(address - 1)] = byte;
  if (r.keepsCurrentLevel) S.CurrentLevels[size_t(address)] = byte;
}

// ---------------------------------------------------------------------------------------------
template <class Done>
void writeChannel(ConsoleState& S, Writer w, int ch, int level, Done&& done) {
  if (ch < 1 || ch > kMaxChannelLimit) return;
  const Rules r = rulesOf(w);
  if (r.patch == AddressSource::Raw) return;
  if (r.oneToOne && S.OneToOnePatch) {
    const int v = flooredLevel(S, r, ch, ch, level);
    writeAddress(S, w, ch, uint8_t(v));
    done(Written{ch, v, v});
    return;
  }
  for (int16_t d : channelAddresses(S, r, ch)) {
    if (d > S.MaxChannels) {
      if (!r.submasterFaders) continue;
      if (const int sub = SubmasterAddress(d, S.MaxChannels)) {
        const int v = flooredLevel(S, r, ch, d, level);
        S.SubSliders[size_t(sub - 1)] = dmxToPercent(v);
        done(Written{d, v, -1});
      }
      continue;
    }
    if (r.skipScrollers && S.Fixtures.FixtureStart[d] == kMoverScrollerChannel) continue;
    const int v = flooredLevel(S, r, ch, d, level);
    const uint8_t byte = wireByte(S, r, ch, d, v);
    writeAddress(S, w, d, byte);
    done(Written{d, v, byte});
  }
}

}  // namespace dmxout
