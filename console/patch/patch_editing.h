#pragma once

// Editing the soft patch grid: what a typed dimmer or fixture cell does to the other channels and
// to the live tables, the fixture helpers that patch or restore a whole fixture, the reminders'
// lookup, the natural row order and the list of addresses no channel drives. Everything works on
// the grid rows by channel number, so the order the rows are shown in never matters.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "console/patch/fixture_map.h"
#include "console/patch/patch_tables.h"
#include "console/patch/soft_patch_file.h"

// Windows' logical order: runs of digits compare by value, everything else without regard to case
// ("2" < "10", "512" < "513(1)" < "1024(512)"). Negative, zero or positive.
int logicalCompare(QStringView a, QStringView b);

// Reorders the rows by column 0 (label) or 1 (dimmer) in logical order; rows with equal cells keep
// the logical order of their whole text.
void sortPatchRows(std::vector<PatchGridRow>& rows, int column);

struct PatchEdit {
  bool ok = true;
  QString error;             // a conversion error for the exception handler
  std::vector<int> changed;  // channels whose DimmerList changed (the edited one first)
};

// A dimmer cell of `channel` now reads `text`: every typed address is taken away from any other
// channel that had it (its cell and its live list), and the channel's live list and percentages
// follow the text. `table` is the active table (the rep-plot one in that mode). Nothing changes
// when an entry's address is not a whole number.
PatchEdit applyDimmerEdit(PatchGrid& grid, PatchTables& tables, DimmerTable& table, int maxChannels,
                          int channel, const QString& text);

// A fixture number typed for `channel`: its dimmer cell is emptied and it drives no dimmer.
PatchEdit applyFixtureEdit(PatchGrid& grid, DimmerTable& table, int maxChannels, int channel);

// What typing `text` into the dimmer cell of `channel` asks of the fixture helpers.
enum class FixtureRule { None, Remove, AskAdd };
FixtureRule fixtureRuleFor(const QString& text, int channel, const FixtureMap& map, int maxChannels);

// Follows a fixture: the channels after `channel` take the fixture's next addresses. The error
// dialog when one of them is already assigned elsewhere (the cells set so far stay).
std::optional<MessageSpec> Addpatches(PatchGrid& grid, int channel, const FixtureMap::Table& fixtureStart);
// Puts the fixture's channels back to one-to-one; `cellBefore` is the dimmer cell as it was when the
// cell was selected.
void Removepatches(PatchGrid& grid, int channel, const QString& cellBefore,
                   const FixtureMap::Table& fixtureStart);

// The channel (1..maxChannels) whose list holds `address`, 0 when none.
int channelHoldingAddress(const DimmerTable& table, int maxChannels, int address);

// The addresses 1..maxChannels no channel drives, as the lines of the "Unpatched Dimmers" list.
QStringList unpatchedLines(const DimmerTable& table, int maxChannels);
