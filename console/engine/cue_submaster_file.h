#pragma once

#include <QString>
#include <array>
#include <vector>

// The part of the submaster file read together with the cues: titles, hints, kind, loop-file use and
// level lists of the eight strips, and the channel memberships derived from the level lists. The
// submaster window applies it (titles, faders, buttons, the "Submasters needed" notice).

inline constexpr int kSubmasterStrips = 8;

struct SubmasterStripSetup {
  QString title = "Unused";  // [Submasters] subtitle<k>
  QString hint;              // [Submasters] subcue<k>
  bool additive = true;      // [Submasters] additive<k>; the fader starts at 0 when additive, else 100
  bool hasLoopFile = false;  // [Submasters] Subfile<k> is not empty; the Record button only without one
  QString loopFile;          // [Submasters] Subfile<k>: the full path of the strip's loop cue file
  QString levels;            // [SubMasterlevels] sublevels<k>
};

struct SubmasterFileSetup {
  QString fileName;     // `SubmasterFileName`
  bool exists = false;  // false: every strip "Unused", no levels, no memberships
  std::array<SubmasterStripSetup, kSubmasterStrips> strips;
  // members[ch][k]: channel ch (1..MaxChannels; entry 0 unused) belongs to strip k.
  std::vector<std::array<bool, kSubmasterStrips>> members;
  bool anyLoopFile = false;  // some strip plays a loop file: the show needs the submaster window
  // The file is there but was not read (unreadable, or far too large to be a submaster file): why,
  // naming the file. It is then read as missing and left as it is.
  QString error;
};

// "rep_plot.subs" in the program folder while the rep plot is in use, else the cue file's path with
// the extension ".subs".
QString submasterFileNameFor(const QString& cueFileName, bool useRepPlot, const QString& programFolder);

// Reads the setup. A channel is a member of strip k when the strip is additive and its entry in the
// strip's comma-separated level list (missing or non-numeric entries 0) is above `warmUpLevel`; a
// level list of "0" makes no members.
SubmasterFileSetup readSubmasterFileSetup(const QString& fileName, int maxChannels, int warmUpLevel);
