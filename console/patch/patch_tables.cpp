#include "console/patch/patch_tables.h"

#include <limits>

namespace patch {
bool parseWholeNumber(QStringView text, int& value) {
  int i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
    if (v > int64_t(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return false;
  value = int(v);
  return true;
}
}  // namespace patch

void AddressList::clear() {
  size_ = 0;
  spill_.clear();
}

void AddressList::push_back(int16_t address) {
  if (size_ < kInline) {
    inline_[size_++] = address;
    return;
  }
  if (size_ == kInline) spill_.assign(inline_.begin(), inline_.end());
  spill_.push_back(address);
  ++size_;
}

void parseDimmerList(QStringView dimmerList, int maxChannels, AddressList& out) {
  out.clear();
  const int highest = maxChannels + patch::kSubmasterSlots;
  forEachDimmerEntry(dimmerList, [&](QStringView entry) {
    int address = 0;
    if (patch::parseWholeNumber(entry, address) && address >= 1 && address <= highest)
      out.push_back(int16_t(address));
  });
}

DimmerTable::DimmerTable() { text_.fill(QStringLiteral("||")); }

void DimmerTable::set(int channel, const QString& dimmerList, int maxChannels) {
  if (channel < 0 || channel >= patch::kTableSize) return;
  text_[channel] = dimmerList;
  parseDimmerList(dimmerList, maxChannels, addresses_[channel]);
}
