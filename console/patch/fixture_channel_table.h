#pragma once

// The channel table of a fixture type ("lcsv/" + name + ".lcsv"): 25 rows of 3 cells, UTF-8 CSV,
// one line per row, the header row first, a cell holding a comma or a quote enclosed in quotes.
//   row 0     "Chnl." | "0-??" | "Description"
//   rows 1-24 channel number | level range ("0-100" or "0-255") | function text
// Function texts "Intensity", "Red", "Green", "Blue", "Amber", "White", "Lime" (any case) name the
// colour channels; "pan" names the pan channel of a mover.

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "console/patch/fixture_type_record.h"
#include "console/patch/patch_context.h"

struct FixtureChannelTable {
  static constexpr int kRows = kFixtureTableChannels + 1;
  static constexpr int kColumns = 3;
  std::array<std::array<QString, kColumns>, kRows> cells;

  // The header and the channel numbers 1..24, nothing else.
  static FixtureChannelTable blank();
  // A row beyond the table (a fixture of more channels than it has rows) has empty texts.
  const QString& range(int row) const { return row >= 0 && row < kRows ? cells[row][1] : noText(); }
  const QString& function(int row) const { return row >= 0 && row < kRows ? cells[row][2] : noText(); }
  void setChannel(int row, const QString& range, const QString& function) {
    cells[row][1] = range;
    cells[row][2] = function;
  }
  // Clears columns 1 and 2 of the rows after `channelCount`.
  void clearAfter(int channelCount);

 private:
  static const QString& noText() {
    static const QString empty;
    return empty;
  }
};

// "lcsv/" + name + ".lcsv" in the program's folder (the folder and the file found without regard
// to case when they exist).
QString channelTablePath(const QString& programFolder, const QString& name);

// Reads a channel table file over a blank table: rows and cells the file does not hold stay blank,
// lines after the 25th are ignored. False when the file cannot be read.
bool readChannelTable(const QString& path, FixtureChannelTable& table);
QByteArray channelTableBytes(const FixtureChannelTable& table);
PatchFileResult writeChannelTable(const QString& path, const FixtureChannelTable& table);

// The first row 1..24 whose function text equals `function` without regard to case; 0 when none.
int FindColor(const FixtureChannelTable& table, const QString& function);
// The first row whose function text, lower-cased, is exactly "pan"; 0 when none.
int panRow(const FixtureChannelTable& table);
// The channel count a loaded table gives: the last row before the first row (1..24) with an empty
// function text; `current` when all 24 are filled.
int channelCountOfTable(const FixtureChannelTable& table, int current);

// A mode of a JSON fixture description: its name and its channel names.
struct JsonFixtureMode {
  QString name;
  QStringList channels;
};
// Reads the "modes" array of a JSON fixture description (a file without one lists no modes).
// False, with `error` set, when the file cannot be read or parsed.
bool readJsonFixtureModes(const QString& path, std::vector<JsonFixtureMode>& modes, QString& error);
// Fills the table from the channels of every mode named `modeName` (rows 1..24; "DIMMER" in any
// case becomes "Intensity" at "0-100", everything else "0-255"). Returns the channel count to
// show: the number of channels of the last matching mode; -1 when no mode matched.
int LoadChannels(FixtureChannelTable& table, const std::vector<JsonFixtureMode>& modes,
                 const QString& modeName);
