#include "console/engine/cue_selection.h"

#include <algorithm>

#include "console/engine/console_colours.h"
#include "console/engine/dmx_out_writer.h"
#include "console/engine/level_math.h"
#include "console/patch/fixture_install.h"

namespace {
int levelByte(const QByteArray& levels, int index) {
  return index >= 0 && index < levels.size() ? uint8_t(levels[index]) : 0;
}
}  // namespace

Selection::Shown Selection::levelShown(int ch, const QByteArray& previous) const {
  const int warm = S.Fixtures.WarmUpLevels[size_t(ch)];
  // A channel that names a fixture shows its fixture's intensity level.
  const int source = S.Patch.ChannelFixture[size_t(ch)] > 0 ? S.Patch.IntensityChannel[size_t(ch)] : ch - 1;
  const int next = std::max(levelByte(S.CueLevels, source), int(S.SubChannelLevels[size_t(ch)]));
  const int old = std::max(levelByte(previous, ch - 1), warm);
  Shown shown;
  if (old == warm && next == warm) {
    shown.atWarmUp = true;
    return shown;
  }
  shown.colour = next == old ? kSameColour : next > old ? kRisingColour : kFallingColour;
  shown.number = numberFromLevel(next, S.RawChannels[size_t(ch)]);
  return shown;
}

Selection::Preset Selection::fixturePreset(int ch, const QByteArray& previous) {
  Preset preset{ch, false};
  const int start = S.Fixtures.FixtureStart[size_t(ch)];
  if (start <= 0 || start > kMaxChannelLimit) return preset;
  const auto& starts = S.Fixtures.FixtureStart;
  const auto& roles = S.Fixtures.FixtureAttributes;
  // The fixture's intensity address (or the first address past it) and its last address.
  int b = start;
  while (b <= kMaxChannelLimit && starts[size_t(b)] == start && roles[size_t(b)] != kRoleIntensity) ++b;
  int end = start;
  while (end + 1 <= kMaxChannelLimit && starts[size_t(end + 1)] == start) ++end;
  if (b > end) return preset;
  const int w = S.Fixtures.WarmUpLevels[size_t(ch)];
  const int before = levelByte(previous, b - 1), after = levelByte(S.CueLevels, b - 1);
  auto isColour = [&](int f) { return roles[size_t(f)] != kRoleIntensity && roles[size_t(f)] != 0; };
  if (before <= w && after > w) {
    // Coming on: its colour channels take the new cue's colour now, before the fade.
    for (int f = start; f <= end; ++f) {
      if (!isColour(f)) continue;
      const uint8_t colour = uint8_t(levelByte(S.CueLevels, f - 1));
      if (f <= S.MaxChannels) {
        dmxout::writeAddress(S, dmxout::Writer::ColourPreset, f, colour);
        S.CurrentLevels[size_t(f)] = colour;
      }
      const AddressList& list = S.Patch.PatchTable.addresses(f);
      for (int k = 1; k < list.size(); ++k) {
        const int d = list[k];
        if (d > S.MaxChannels) continue;
        dmxout::writeAddress(S, dmxout::Writer::ColourPreset, d, colour);
        S.CurrentLevels[size_t(d)] = colour;
      }
    }
    return {end, true};
  }
  if (after == w && before > w) {
    // Going dark: the colour channels keep the previous cue's levels while the intensity fades.
    for (int f = start; f <= end; ++f)
      if (isColour(f) && f - 1 < S.CueLevels.size()) S.CueLevels[f - 1] = char(levelByte(previous, f - 1));
    return {end, false};
  }
  return preset;
}
