#pragma once

// The run-time soft patch: which DMX addresses each channel drives, at what proportion, and which
// channels name an installed fixture. The level path reads these on every level change, so each
// channel's DimmerList text is parsed once, when it is set, into an address list that the per-tick
// code walks without touching text.

#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace patch {
inline constexpr int kMaxChannels = 1024;            // channels and DMX addresses are 1..1024
inline constexpr int kSubmasterSlots = 8;            // addresses MaxChannels+1..+8 drive the submasters
inline constexpr int kTableSize = kMaxChannels + 1;  // tables are indexed 1..1024; entry 0 unused
// Per-address tables reach past 1024 so that every address a DimmerList may hold (up to
// 1024 + 8, a submaster address) indexes them safely.
inline constexpr int kAddressSlots = kMaxChannels + kSubmasterSlots + 1;
using PercentTable = std::array<int32_t, kAddressSlots>;

// Reads a whole decimal number (optional sign, digits only). False for anything else, including
// an empty text and numbers beyond the 32-bit range.
bool parseWholeNumber(QStringView text, int& value);
}  // namespace patch

// The addresses of one channel, in DimmerList order. Small lists live inline; a channel patched to
// many addresses spills to the heap when it is parsed, never while it is walked.
class AddressList {
 public:
  static constexpr int kInline = 12;

  AddressList() = default;
  void clear();
  void push_back(int16_t address);

  int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const int16_t* data() const { return size_ <= kInline ? inline_.data() : spill_.data(); }
  const int16_t* begin() const { return data(); }
  const int16_t* end() const { return data() + size_; }
  int16_t operator[](int i) const { return data()[i]; }
  std::span<const int16_t> span() const { return {data(), size_t(size_)}; }

  friend bool operator==(const AddressList& a, const AddressList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  std::array<int16_t, kInline> inline_{};
  std::vector<int16_t> spill_;
  int size_ = 0;
};

// One DimmerList per channel (1..1024): "|" + addresses joined by "|" + "|", "||" for none. Each
// entry's text and its parsed address list are set together, so they never disagree.
//
// The address list keeps the entries a consumer may use: whole numbers from 1 to channel count + 8
// (channel count + 1..+8 are the submaster pseudo-addresses, `SubmasterAddress`). Empty entries,
// other text, and numbers out of that range are left out. Writers of DMX slots must still skip
// addresses above the channel count, which are submaster faders.
class DimmerTable {
 public:
  DimmerTable();

  const QString& operator[](int channel) const { return text_[channel]; }
  const QString& text(int channel) const { return text_[channel]; }
  const AddressList& addresses(int channel) const { return addresses_[channel]; }

  // Sets channel's DimmerList and parses it against the given channel count.
  void set(int channel, const QString& dimmerList, int maxChannels);

 private:
  std::array<QString, patch::kTableSize> text_;
  std::array<AddressList, patch::kTableSize> addresses_;
};

// Calls fn(entry) for each entry of a DimmerList: the texts between its bars after the leading
// element, empty ones included.
template <class Fn>
void forEachDimmerEntry(QStringView dimmerList, Fn fn) {
  qsizetype start = dimmerList.indexOf(u'|');
  if (start < 0) return;
  ++start;
  while (start < dimmerList.size()) {
    qsizetype bar = dimmerList.indexOf(u'|', start);
    if (bar < 0) bar = dimmerList.size();
    fn(dimmerList.mid(start, bar - start));
    start = bar + 1;
  }
}

// Parses a DimmerList: the valid addresses (see DimmerTable) in order.
void parseDimmerList(QStringView dimmerList, int maxChannels, AddressList& out);

// Submaster number (1..8) a patched address stands for, or 0 when it is an ordinary DMX address.
inline int SubmasterAddress(int address, int maxChannels) {
  const int k = address - maxChannels;
  return k >= 1 && k <= patch::kSubmasterSlots ? k : 0;
}

struct PatchTables {
  // Per channel, the addresses it drives. RepPatchTable replaces PatchTable in repertory-plot mode.
  DimmerTable PatchTable;
  DimmerTable RepPatchTable;
  // Per DMX address, its proportional level in percent; 100 or more leaves a level unscaled.
  // Entries above 1024 are always 0: submaster addresses carry no percentage.
  patch::PercentTable PatchPercent{};
  // Per channel, the fixture it names (the fixture's start address), 0 = none.
  std::array<int16_t, patch::kTableSize> ChannelFixture{};
  // Per channel naming a fixture: the 0-based level-edit index of that fixture's intensity channel,
  // or -1 when it could not be found (then no intensity channel is driven). Read only for channels
  // whose ChannelFixture is above 0.
  std::array<int16_t, patch::kTableSize> IntensityChannel{};
  // Per 0-based level-edit index of an intensity channel: the channel that names its fixture, 0 = none.
  std::array<int16_t, patch::kTableSize> IntensityOwner{};

  DimmerTable& table(bool useRepPlot) { return useRepPlot ? RepPatchTable : PatchTable; }
  const DimmerTable& table(bool useRepPlot) const { return useRepPlot ? RepPatchTable : PatchTable; }
};
