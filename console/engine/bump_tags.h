#pragma once

// Bump tags in the descriptions of the soft patch. "NBUMP" k, "FBUMP" k, "ABUMP" k and "TBUMP" k
// (k = 5..12, the function key Fk; any case) make the channel's addresses members of that kind's
// table for key Fk. A kind named at all rewrites its entries for all eight keys on those addresses,
// so a tag removed from a later channel on a shared address takes the address out again. A T tag
// carries its time in seconds in brackets after it ("TBUMP6(2.5)"), which becomes the interval of
// that key's bump timer.

#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "console/patch/patch_tables.h"

inline constexpr int kBumpTagKeys = 8;         // F5..F12
inline constexpr int kBumpMemberSlots = 1025;  // DMX addresses 0..1024
// The tables of one kind: index kind * 8 + key (key 0 = F5).
enum class BumpKind { Normal = 0, Fade = 1, Timed = 2, Alternate = 3 };
using BumpMemberTables = std::array<std::array<bool, kBumpMemberSlots>, 4 * kBumpTagKeys>;

// The time of a T tag in milliseconds from the text that follows the tag: the number between the
// first "(" and the next ")", in seconds with "." as the decimal point, rounded half to even. None
// when that text is no number.
std::optional<int> bumpTagTime(const QString& afterTag);

// Reads the tags of one description for the addresses of its channel. Addresses outside 1..1024
// (the submaster pseudo-addresses among them) belong to no table and are skipped. `badTime` is
// called for a T tag whose time is no number (once per address of the channel, as each address reads
// the tag); its interval becomes 0.
void readBumpTags(const QString& description, const AddressList& addresses, BumpMemberTables& members,
                  std::array<int, kBumpTagKeys>& intervals, const std::function<void()>& badTime);
