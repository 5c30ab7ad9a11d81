#pragma once

// The magic sheet's layout without widgets: named groups of channel buttons, read from and written
// to the group file (".mgrp") and the button file (".mchl") beside the program, the grid snap and
// the duplicate-channel check of saving.
//
// Group file: one section per group in sheet order, keys X, Y, H, W and Chnls ("|" followed by
// each button section and "|": |G001|G002|, a lone "|" for an empty group). The section is named
// by the group's caption; a caption that another group already uses (names compare without regard
// to case) or that cannot stand as a section name gets a section of its own, and the caption is then
// kept in the key Caption.
// Button file: one section per button, keys N (the caption, a channel number), X, Y. Buttons of
// groups 0..99 are named "G" + two digits of the group's index + the button's index from 1 (G001);
// groups from 100 on are named "G" + index + "_" + button index, so no two buttons share a section.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct MagicButton {
  QString caption = "0";
  int x = 10;
  int y = 1;
};

struct MagicGroup {
  QString caption = "New Group";
  int x = 10;
  int y = 50;
  int w = 100;
  int h = 100;
  std::vector<MagicButton> buttons;
};

struct MagicLayout {
  std::vector<MagicGroup> groups;
};

// Bounds of what a layout file may bring in.
inline constexpr int kMagicGroupLimit = 256;
inline constexpr int kMagicButtonLimit = 1024;

// Reads the layout, after finishing a write that was stopped (completeMagicLayoutWrite). A missing
// group file gives an empty sheet; a button that the button file does
// not hold gets the defaults (caption "0" at 10, 25). A file that is there but is not read
// (unreadable, or far too large) is read as missing, and *error (when given) says which and why.
MagicLayout readMagicLayout(const QString& groupFile, const QString& channelFile, QString* error = nullptr);

// The button file's section of button `button` (1-based) of group `group` (0-based).
QString magicButtonSection(int group, int button);
// The group file's section of each group, in order.
QStringList magicGroupSections(const MagicLayout& layout);

// The two files' text.
QByteArray magicGroupFileBytes(const MagicLayout& layout);
QByteArray magicChannelFileBytes(const MagicLayout& layout);

// A channel number used again among the earlier buttons of its group.
struct MagicDuplicate {
  int group = 0;
  QString channel;
};
std::vector<MagicDuplicate> findDuplicateChannels(const MagicLayout& layout);

// Writes both files: "Temp.mchl" and "Temp.mgrp" in the group file's folder, checked; then the
// marker file kMagicPairMarker beside them, which says that both are complete; then each is renamed
// over its file and the marker removed. False (with `error`) when anything failed. A stored file far
// too large to have been read is never replaced. Whenever the write stops, the two stored files are
// a pair: the old pair (no marker yet) or, once completeMagicLayoutWrite has run, the new one.
bool writeMagicLayout(const MagicLayout& layout, const QString& groupFile, const QString& channelFile,
                      QString* error = nullptr);
// Finishes a write that stopped after its marker was made (the temporaries still there are renamed
// into place, then the marker removed), or drops the temporaries of one that stopped before it.
// readMagicLayout and writeMagicLayout run it first. False (with `error`) when a rename failed.
bool completeMagicLayoutWrite(const QString& groupFile, const QString& channelFile, QString* error = nullptr);
inline const QString kMagicPairMarker = QStringLiteral("Temp.mpair");

// The nearest multiple of g (halves go up): g x ((v + g div 2) div g), with floor division.
int snapToGrid(int v, int g);
