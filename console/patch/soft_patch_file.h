#pragma once

// The soft patch file (".spch"): text in Windows-1252, lines ended by CR LF.
//   line 1        "-1" or "0": the patch window's "By Channel" option
//   line k + 1    channel k (k = 1..1024): label "," dimmer field "," description "," fixture
// The dimmer field lists addresses separated by single blanks, each d (at 100 percent) or d "/" level.
// A new one-to-one file writes label "," k "," for every channel, labelling channel n above 512 as
// n "(" n - 512 ")".
//
// Loading fills the run-time tables (PatchTables) and the patch grid data the soft patch window
// edits; saving writes that grid back in channel order.

#include <QByteArray>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "console/patch/fixture_map.h"
#include "console/patch/patch_context.h"
#include "console/patch/patch_tables.h"
#include "platform/question.h"

// One row of the patch grid: the four cells of a channel, and the channel the row belongs to
// (rows may be shown in another order; the channel stays with its row).
struct PatchGridRow {
  int channel = 0;
  QString label;        // "Chnl"
  QString dimmer;       // "Dimmer-DMX"
  QString fixture;      // "Fixture"
  QString description;  // "Description"
};

// The patch grid's content: one row per channel 1..MaxChannels, plus the file's lines for the
// channels above the channel count, kept byte for byte so that saving at a smaller channel count
// does not lose them.
struct PatchGrid {
  bool byChannel = true;
  std::vector<PatchGridRow> rows;
  // The lines of channels keptFirst, keptFirst + 1, ... (those above the channel count that the
  // file holds), as read and without their line ends: one text, each line ended by '\n'.
  int keptFirst = 0;
  QByteArray keptText;
  std::vector<qsizetype> keptStarts;  // where the line of channel keptFirst + i starts in keptText

  // The kept line of a channel; none when the file held none.
  std::optional<QByteArrayView> keptLine(int channel) const;
  void clearKeptLines();

  PatchGridRow* rowForChannel(int channel);
  const PatchGridRow* rowForChannel(int channel) const;
  // Puts the rows back into channel order.
  void sortByChannel();
};

// The four fields of a channel line, split by the reading rules: label untrimmed (the channel
// number when empty), the other three trimmed; the fixture field is everything after the third comma.
struct PatchLineFields {
  QString label;
  QString dimmer;
  QString description;
  QString fixture;
};
PatchLineFields splitPatchLine(const QString& line, int channel);

// The saved form of a row: label "," dimmer "," description "," fixture. Commas in the first three
// cells are written as semicolons and line breaks as blanks, so the fields of a line never shift.
QString formatPatchLine(const PatchGridRow& row);

// Label of channel k in a new file: k, or k "(" k - 512 ")" above 512.
QString newPatchLabel(int channel);

// Line 1: "-1", any other non-zero number and True (any case) read as set; "0" and False as clear.
// False for any other text.
bool parsePatchBool(const QString& text, bool& value);

// Turns a dimmer field into its DimmerList ("10 11/50 12" gives "|10|11|12|", "" gives "||") and
// records each listed address's percentage (100, or the level after "/"; addresses outside
// 1..1024 record none).
QString buildDimmerList(const QString& dimmerField, patch::PercentTable& percent);

// The file's bytes for a grid: rows in channel order; a channel without a row keeps its kept line,
// else is written k "," k ",,".
QByteArray patchFileBytes(const PatchGrid& grid);
// The bytes of a new one-to-one file (1025 lines).
QByteArray newPatchFileBytes();

// Loads PatchFileName into the grid and the tables (PatchTable, or RepPatchTable in repertory-plot
// mode). A missing fixture map is made first (Newmapfile), a missing patch file too (NewPatch).
// IntensityChannel and IntensityOwner are cleared, then set for every channel naming a fixture.
// After loading, every entry above MaxChannels + 8 is reported in its own "Softpatch problem" dialog.
// On a file or conversion error the grid and the tables keep what they held, the file is left as it
// is, and the error names the file and says what is wrong with it. A file far larger than any patch
// file is refused unread.
PatchFileResult Loadgrid(PatchContext& ctx, PatchTables& tables, PatchGrid& grid);
// The part of Loadgrid after the file is read: the file's bytes into the grid and the tables.
PatchFileResult loadPatchBytes(PatchContext& ctx, PatchTables& tables, PatchGrid& grid,
                               const QByteArray& bytes);

// The bump-key check of a save: the dialog of the first description whose bump tag names a key that
// cannot bump (below F5, above F12, or a key playing a scene), none when all pass.
// bumpSceneTable[i] is the scene played by key F(5 + i), 0 = none.
std::optional<MessageSpec> checkBumpKeys(const PatchGrid& grid, int maxChannels,
                                         const std::array<int, 8>& bumpSceneTable);

// Saves the grid: checks the bump tags (Refused, after its dialog, when one fails: nothing is
// written), puts the rows in channel order, rewrites PatchFileName and reloads it. Outside
// repertory-plot mode it also stores fixtureStart as record 0 of the fixture map and has the main
// window reload its hints. The caller clears FormDirty and sets PatchSaveOk from the result.
PatchFileResult SavePatchfile(PatchContext& ctx, PatchTables& tables, PatchGrid& grid,
                              const FixtureMap::Table& fixtureStart,
                              const std::array<int, 8>& bumpSceneTable);

// Makes the patch file of a new show: with FileSource on a one-to-one file at PatchFileName.
// Otherwise PatchFileName follows the cue file (".spch") and the operator may pick an existing patch
// as its base (its scene and group files come along); declining or cancelling gives the one-to-one file.
PatchFileResult NewPatch(PatchContext& ctx, PatchTables& tables, PatchGrid* grid);

// Writes the one-to-one file at PatchFileName and sets PatchTable (and the grid rows, when given) to
// one-to-one. In repertory-plot mode it copies the shipped "VqLighting.spch" to "rep_plot.spch" in
// the program's folder instead.
PatchFileResult CreatenewP(PatchContext& ctx, PatchTables& tables, PatchGrid* grid);

// A one-to-one patch saved for a show of `channels` channels (the demo show's patch).
PatchFileResult writeOneToOnePatch(const QString& path, int channels);

// First activation of a show: closes the kept map file, makes a missing fixture map (Newmapfile)
// and, after a short pumped wait, a missing patch file (NewPatch); then reads FixtureStart and the
// warm-up levels from the map, which stays open in mapFile.
PatchFileResult loadSideFilesAtActivation(PatchContext& ctx, PatchTables& tables, PatchGrid* grid,
                                          FixtureMapFile& mapFile, FixtureMap& map);
