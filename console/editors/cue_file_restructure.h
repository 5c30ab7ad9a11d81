#pragma once

// Inserting, deleting and swapping records of the open cue file without ever losing one: the new
// file is written whole beside the old one ("<cue file>.new"), flushed to disk and renamed over it.
// A failure at any point leaves the old file as it was (and the cue file open on it) and is raised as
// a CueFileError.

#include <QByteArray>
#include <vector>

#include "console/engine/cue_file.h"
#include "console/engine/cue_tables.h"

struct CueRestructureResult {
  // A record that loops back to a cue number changed place: its loop target may now name another
  // place in the list.
  bool loopCueMoved = false;
};

// The file beside the cue file that a restructure writes before it replaces the cue file.
QString cueRestructureTempName(const QString& cueFileName);

// The raw 1240-byte records of the file, in order. Throws CueFileError.
std::vector<QByteArray> readAllCueRecords(CueFile& file);

// Replaces the whole content of the open cue file by `records` (each exactly 1240 bytes), through the
// file beside it, and reopens the cue file. Throws CueFileError; the old file then stays intact.
void rewriteCueFile(CueFile& file, const std::vector<QByteArray>& records);

// Inserts `records` so that the first lands at `index` (0..count) and the records from `index` on
// move later by records.size().
CueRestructureResult insertCueRecords(CueFile& file, qint64 index, const std::vector<CueRecord>& records);
// Deletes `count` records from `first` on; later records move up. Indexes past the end are ignored.
CueRestructureResult deleteCueRecords(CueFile& file, qint64 first, qint64 count);
// Swaps two records (each keeps its own bytes, cue number included).
void swapCueRecords(CueFile& file, qint64 a, qint64 b);

// Keeps the selected row, the row selected before and the cue that last finished within the rows
// that exist (0 when there are none).
void keepRowsInTables(CuePlaybackRows& rows, int rowCount);
