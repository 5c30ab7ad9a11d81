#pragma once

// The fixture library file: FixtureTypeRecords one after the other in pick-list order. The library
// is read whole and written whole (through a checked save), so a failed write never leaves half a
// library behind.

#include <QString>
#include <vector>

#include "console/patch/fixture_type_record.h"
#include "console/patch/patch_context.h"

using FixtureLibrary = std::vector<FixtureTypeRecord>;

// Reads every whole record of the library (a trailing partial record is ignored). False when the
// file cannot be read; a missing file is an error too.
bool readFixtureLibrary(const QString& path, FixtureLibrary& library);
// Replaces the library file with these records.
PatchFileResult writeFixtureLibrary(const QString& path, const FixtureLibrary& library);
// Creates an empty library when there is none.
PatchFileResult createFixtureLibraryIfMissing(const QString& path);

// The record with this id, or nullptr.
const FixtureTypeRecord* findFixtureType(const FixtureLibrary& library, int id);
// The id a new type gets: nextLight + 1, raised until no record uses it.
int nextFixtureTypeId(const FixtureLibrary& library, int nextLight);

// Removes the record with this id: the other records are written to "temp.lfix" in the library's
// folder, which then replaces the library. `deleted` gets the (first) removed record. Refused (nothing
// changed) when no record has the id.
PatchFileResult deleteFixtureType(const QString& path, int id, FixtureTypeRecord* deleted = nullptr);
