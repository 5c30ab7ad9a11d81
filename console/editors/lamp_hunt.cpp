#include "console/editors/lamp_hunt.h"

#include <algorithm>

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

void LampHunt::light(ConsoleState& S, const std::vector<LampLevel>& levels) {
  restore(S);
  const dmxout::Rules rules = dmxout::rulesOf(dmxout::Writer::LampHunt);
  for (const LampLevel& l : levels) {
    if (l.channel < 1 || l.channel > kMaxChannelLimit) continue;
    for (int16_t d : dmxout::channelAddresses(S, rules, l.channel)) {
      if (d < 1 || d > S.MaxChannels) continue;
      const bool known =
          std::any_of(saved_.begin(), saved_.end(), [d](const Saved& s) { return s.address == d; });
      if (!known) saved_.push_back({d, S.DmxOutBuffer[size_t(d - 1)], S.CurrentLevels[size_t(d)]});
    }
    dmxout::writeChannel(S, dmxout::Writer::LampHunt, l.channel, l.level, [&S](const dmxout::Written& w) {
      if (w.byte >= 0) S.CurrentLevels[size_t(w.address)] = float(w.byte);
    });
  }
}

bool LampHunt::restore(ConsoleState& S) {
  if (saved_.empty()) return false;
  for (auto it = saved_.begin(); it != saved_.end(); ++it) {
    dmxout::writeAddress(S, dmxout::Writer::LampHunt, it->address, it->byte);
    S.CurrentLevels[size_t(it->address)] = it->current;
  }
  saved_.clear();
  return true;
}
