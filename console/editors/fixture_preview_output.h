#pragma once

// The fixtures window's live preview reaches the output buffer only through here.

#include <vector>

#include "console/patch/fixture_colour_mix.h"

struct ConsoleState;

// Writes the bytes into DmxOutBuffer as the fixture preview writer (through the output writer, which
// skips addresses beyond the channel count).
void writePreviewBytes(ConsoleState& state, const std::vector<DmxByteWrite>& writes);
// The byte at an index of DmxOutBuffer (0 outside it).
uint8_t previewByteAt(const ConsoleState& state, int index);
