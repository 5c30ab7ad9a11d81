#include "console/editors/lamp_hunt.h"

#include "console/engine/console_state.h"
#include "console/engine/dmx_out_writer.h"

std::vector<LampLevel> lampHuntLevels(const ConsoleState& S, int picked, int* red, int* intensity) {
  if (red) *red = 0;
  if (intensity) *intensity = 0;
  std::vector<LampLevel> out;
  if (picked < 1 || picked > kMaxChannelLimit) return out;
  if (S.Patch.ChannelFixture[size_t(picked)] > 0) picked = S.Patch.ChannelFixture[size_t(picked)];
  if (picked < 1 || picked > kMaxChannelLimit) return out;
  const int start = S.Fixtures.FixtureStart[size_t(picked)];
  if (start <= 0) {
    out.push_back({picked, 90});
    return out;
  }
  if (start == kMoverScrollerChannel || start > kMaxChannelLimit) return out;
  int r = 0, g = 0, b = 0, in = 0;
  for (int i = start; i <= kMaxChannelLimit && S.Fixtures.FixtureStart[size_t(i)] == start; ++i) {
    switch (S.Fixtures.FixtureAttributes[size_t(i)]) {
      case 1:
        r = i;
        break;
      case 2:
        g = i;
        break;
      case 3:
        b = i;
        break;
      case 99:
        in = i;
        break;
      default:
        break;
    }
  }
  for (int a : {r, g, b, in})
    if (a > 0) out.push_back({a, 255});
  if (red) *red = r;
  if (intensity) *intensity = in;
  return out;
}

int lampOffChannel(const ConsoleState& S, int picked, const std::function<int(int)>& ledintens) {
  if (picked < 1 || picked > kMaxChannelLimit) return 0;
  if (S.Fixtures.FixtureStart[size_t(picked)] < 1) return picked;
  const int intensity = ledintens ? ledintens(picked) + 1 : 0;
  return intensity >= 1 && intensity <= kMaxChannelLimit ? intensity : 0;
}

void SetLevel(ConsoleState& S, int channel, int level) {
  if (channel < 1 || channel > kMaxChannelLimit) return;
  dmxout::writeChannel(S, dmxout::Writer::LampHunt, channel, level, [&S](const dmxout::Written& w) {
    if (w.byte >= 0) S.CurrentLevels[size_t(w.address)] = float(w.byte);
  });
}

void lightLamp(ConsoleState& S, const std::vector<LampLevel>& levels) {
  for (const LampLevel& l : levels) SetLevel(S, l.channel, l.level);
}

HuntedFixture lightFixture(ConsoleState& S, const std::vector<LampLevel>& levels, int intensity) {
  HuntedFixture hunted;
  hunted.lit = true;
  hunted.intensity = intensity;
  for (const LampLevel& l : levels) {
    if (l.channel < 1 || l.channel > kMaxChannelLimit) continue;
    if (l.channel == intensity) {
      SetLevel(S, l.channel, l.level);
      continue;
    }
    // The bytes before this write: an address reached twice keeps what it had first.
    const auto before = S.DmxOutBuffer;
    const auto levelsBefore = S.CurrentLevels;
    dmxout::writeChannel(S, dmxout::Writer::LampHunt, l.channel, l.level, [&](const dmxout::Written& w) {
      if (w.byte < 0) return;
      bool known = false;
      for (const HuntedFixture::Kept& k : hunted.colours) known = known || k.address == w.address;
      if (!known)
        hunted.colours.push_back({w.address, before[size_t(w.address - 1)], levelsBefore[size_t(w.address)]});
      S.CurrentLevels[size_t(w.address)] = float(w.byte);
    });
  }
  return hunted;
}

void releaseFixture(ConsoleState& S, const HuntedFixture& hunted) {
  if (!hunted.lit) return;
  for (const HuntedFixture::Kept& k : hunted.colours) {
    if (k.address == hunted.intensity) continue;  // the intensity goes to its warm-up level below
    S.DmxOutBuffer[size_t(k.address - 1)] = k.byte;
    S.CurrentLevels[size_t(k.address)] = k.level;
  }
  if (hunted.intensity > 0) SetLevel(S, hunted.intensity, 0);
}
