#include "console/editors/fixture_preview_output.h"

#include "console/engine/console_state.h"
#include "console/engine/dmx_out_writer.h"

void writePreviewBytes(ConsoleState& state, const std::vector<DmxByteWrite>& writes) {
  for (const DmxByteWrite& w : writes)
    dmxout::writeAddress(state, dmxout::Writer::FixtureMix, w.index + 1, w.value);
}

uint8_t previewByteAt(const ConsoleState& state, int index) {
  return index >= 0 && index < int(state.DmxOutBuffer.size()) ? state.DmxOutBuffer[size_t(index)] : 0;
}
