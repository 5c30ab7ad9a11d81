#pragma once

// The show as a set of files: the copy of a whole show set as a backup, the renumbering of a show's
// cues, the warm-up record of its fixture map and the colour-scroller takeover of a new show.

#include <QString>
#include <QStringList>

#include "console/engine/cue_file.h"
#include "console/patch/fixture_map.h"
#include "console/patch/patch_context.h"

// The file a new show or a backup gets from the name typed: ".lcue" appended unless it ends so.
QString withCueExtension(const QString& name);

struct ShowSetBackup {
  QString cueFile;         // the open show
  QString target;          // the backup's cue file (with ".lcue")
  bool fileSource = true;  // side files follow the program (true) or the cue file
  QString programPath;     // the program's own path (its side files share its base name)
  QString fixtureLibrary;  // FixtureLibName
};

// Copies the show and its side files (".fmap .spch .scne .lfix .lgrp .mgrp .mchl .ini") to the
// target. A file is never copied onto itself and no source is ever deleted or changed; each copy
// is written beside its destination and renamed into place. The error text of the first copy that
// failed, empty when all went well.
QString backupShowSet(const ShowSetBackup& backup);

// True when the two names are one file (after following links and "..").
bool sameFile(const QString& a, const QString& b);

// Renumbers every record of the cue file to (r + 1) x increment (whole cue numbers), and moves each
// loop target from the old number to the new one of the cue it named (a target naming no cue is
// kept). False (nothing written) when the increment is below 1. Throws CueFileError on I/O errors.
bool renumberCues(CueFile& file, int increment);

// The warm-up level of every address without a fixture, in the map file's record 1 and in memory
// (addresses with a fixture keep their stored value and read 0 in memory). Reads record 0 into
// map.FixtureStart. The map file stays open.
PatchFileResult rewriteWarmUp(FixtureMapFile& mapFile, const QString& path, int warmUp, FixtureMap& map);

// A new show takes over the colour-scroller channels of the list ("3 12 40"): every 2000 in record 0
// of the map is cleared for addresses 1..maxChannels, then each listed address becomes 2000 unless
// an installed fixture holds it. The addresses refused.
QStringList takeOverScrollers(const QString& mapPath, const QString& list, int maxChannels,
                              PatchFileResult& result);
