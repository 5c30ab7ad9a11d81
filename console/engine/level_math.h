#pragma once

// The arithmetic every level writer shares: percent and DMX, proportional patch levels, the LED
// curve with the warm-up floor. Rounding is to the nearest integer with halves to even, in double
// precision (50 % is 127.49999999999999 and gives 127).

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "console/engine/console_state.h"

inline int roundEven(double v) { return int(std::nearbyint(v)); }

inline int percentToDmx(int percent) { return roundEven(percent * 2.55); }
inline int dmxToPercent(int dmx) { return roundEven(dmx / 2.55); }
inline int clampDmx(int v) { return std::clamp(v, 0, 255); }
inline int clampPercent(int v) { return std::clamp(v, 0, 100); }

// A typed or stored level as DMX: raw channels take the number as DMX 0..255, the others as
// percent 0..100. Out-of-range numbers are limited, never wrapped.
inline int levelFromNumber(int number, bool raw) {
  return raw ? clampDmx(number) : percentToDmx(clampPercent(number));
}
// How an edit shows a DMX level.
inline int numberFromLevel(int dmx, bool raw) { return raw ? dmx : dmxToPercent(dmx); }

// Proportional patch: an address below 100 % receives that share of the channel's own level.
inline int proportionalLevel(int level, int percent) {
  return percent < 100 ? roundEven(level * (percent / 100.0)) : level;
}

// The byte an address of channel `ch` receives for level `level`: through the LED curve with the
// channel's warm-up floor when the channel is an LED channel.
inline uint8_t outputByte(const ConsoleState& S, int ch, int level) {
  level = clampDmx(level);
  if (S.LedChannels[ch])
    return uint8_t(clampDmx(std::max<int>(S.LedCurve[level], S.Fixtures.WarmUpLevels[ch])));
  return uint8_t(level);
}

// The byte address d of channel ch receives when the channel stands at `level`: proportional share,
// at least the submaster contribution, then the LED curve.
inline uint8_t addressByte(const ConsoleState& S, int ch, int d, int level) {
  int v = proportionalLevel(level, S.Patch.PatchPercent[d]);
  v = std::max(S.SubChannelLevels[ch], v);
  return outputByte(S, ch, v);
}
