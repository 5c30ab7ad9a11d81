#pragma once

// The one way the fixtures window's live preview reaches the output buffer.

#include <vector>

#include "console/patch/fixture_colour_mix.h"

struct ConsoleState;

// Writes the bytes into DmxOutBuffer (indexes outside the buffer are skipped).
void writePreviewBytes(ConsoleState& state, const std::vector<DmxByteWrite>& writes);
// The byte at an index of DmxOutBuffer (0 outside it).
uint8_t previewByteAt(const ConsoleState& state, int index);
