#pragma once

// The 32 channel groups the operator selects in one step: index 0-9 are keyed "0"-"9", 10-31 "a"-"v".
// Each is the channel list as typed ("1,2,3,10"); the texts are interpreted only when a group is
// applied.

#include <QString>
#include <array>

inline constexpr int kGroupCount = 32;
using ChannelGroupTexts = std::array<QString, kGroupCount>;

// The group index of a key ("0".."9", "a".."v" in either case), -1 for any other.
int groupIndexOfKey(QChar key);
// "g0".."g9", "ga".."gv": the key of group `index` in the group file's [Groups] section.
QString groupFileKey(int index);

// Reads the group file; a missing file, section or key gives empty groups. A file that is there but
// cannot be read (or is far too large to be a group file) gives empty groups too, is left as it is,
// and *error (when given) says which file and why; otherwise *error is cleared.
ChannelGroupTexts LoadGroups(const QString& path, QString* error = nullptr);
// Writes the 32 keys g0..gv of [Groups] in order, keeping every other section and key of the file.
// False when the file could not be written whole (the old file then stays as it was), with *error
// (when given) naming the file and the cause.
bool saveGroups(const QString& path, const ChannelGroupTexts& groups, QString* error = nullptr);
