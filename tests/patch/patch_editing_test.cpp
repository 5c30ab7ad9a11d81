#include "console/patch/patch_editing.h"

#include <gtest/gtest.h>

namespace {

// A grid of `n` channels patched one to one, and its live tables.
struct Patched {
  explicit Patched(int n = 16) : max(n) {
    for (int c = 1; c <= n; ++c) {
      grid.rows.push_back({c, QString::number(c), QString::number(c), QString(), QString()});
      tables.PatchTable.set(c, "|" + QString::number(c) + "|", n);
      tables.PatchPercent[size_t(c)] = 100;
    }
  }
  void set(int channel, const QString& dimmer) {
    grid.rowForChannel(channel)->dimmer = dimmer;
    tables.PatchTable.set(channel, buildDimmerList(dimmer, tables.PatchPercent), max);
  }
  PatchEdit type(int channel, const QString& text) {
    return applyDimmerEdit(grid, tables, tables.PatchTable, max, channel, text);
  }
  QString cell(int channel) { return grid.rowForChannel(channel)->dimmer; }
  QString list(int channel) { return tables.PatchTable[channel]; }
  int max;
  PatchGrid grid;
  PatchTables tables;
};

}  // namespace

TEST(PatchEditing, NaturalOrder) {
  const std::pair<const char*, const char*> ascending[] = {
      {"2", "10"}, {"512", "513(1)"}, {"513(1)", "1024(512)"}, {"a2", "A10"}, {"", "1"}, {"9", "09a"},
  };
  for (auto [a, b] : ascending) {
    EXPECT_LT(logicalCompare(QString(a), QString(b)), 0) << a << " < " << b;
    EXPECT_GT(logicalCompare(QString(b), QString(a)), 0) << b << " > " << a;
  }
  EXPECT_EQ(logicalCompare(u"Abc", u"aBC"), 0);
  std::vector<PatchGridRow> rows = {{1, "1", "10", "", ""}, {2, "2", "2", "", ""}, {3, "3", "", "", ""}};
  sortPatchRows(rows, 1);
  EXPECT_EQ(rows[0].channel, 3);
  EXPECT_EQ(rows[1].channel, 2);
  EXPECT_EQ(rows[2].channel, 1);
  sortPatchRows(rows, 0);
  EXPECT_EQ(rows[0].channel, 1);
}

TEST(PatchEditing, TypedAddressesAreTakenFromOtherChannelsLive) {
  Patched p;
  p.set(5, "5 6");
  const PatchEdit e = p.type(7, "5");
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(p.cell(5), "6");
  EXPECT_EQ(p.list(5), "|6|");
  EXPECT_EQ(p.list(7), "|5|");
  EXPECT_EQ(p.tables.PatchTable.addresses(5).size(), 1);
  EXPECT_EQ(e.changed, (std::vector<int>{7, 5}));

  Patched q;
  q.set(5, "15 5");
  q.type(7, "5");
  EXPECT_EQ(q.cell(5), "15");

  Patched r;
  r.set(3, "11/40 4");
  r.type(8, "11/50");
  EXPECT_EQ(r.cell(3), "4");
  EXPECT_EQ(r.list(8), "|11|");
  EXPECT_EQ(r.tables.PatchPercent[11], 50) << "the new percentage acts at once";
}

TEST(PatchEditing, EmptyCellsFixtureNumbersAndBadText) {
  Patched p;
  p.type(4, "");
  EXPECT_EQ(p.list(4), "||");
  applyFixtureEdit(p.grid, p.tables.PatchTable, p.max, 6);
  EXPECT_EQ(p.cell(6), "");
  EXPECT_EQ(p.list(6), "||");
  p.set(2, "2 9");
  const PatchEdit bad = p.type(9, "9 abc");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(p.list(9), "|9|") << "nothing changes";
  EXPECT_EQ(p.cell(2), "2 9");
}

TEST(PatchEditing, FixtureRules) {
  FixtureMap map;
  for (int a = 5; a <= 8; ++a) {
    map.FixtureStart[size_t(a)] = 5;
    map.FixtureTypes[size_t(a)] = 3;
  }
  EXPECT_EQ(fixtureRuleFor("5", 5, map, 16), FixtureRule::Remove);
  EXPECT_EQ(fixtureRuleFor("5", 9, map, 16), FixtureRule::AskAdd);
  EXPECT_EQ(fixtureRuleFor("4", 9, map, 16), FixtureRule::None);
  EXPECT_EQ(fixtureRuleFor("abc", 9, map, 16), FixtureRule::None);
  EXPECT_EQ(fixtureRuleFor("5000", 9, map, 16), FixtureRule::None) << "never indexes past the tables";
  EXPECT_EQ(fixtureRuleFor("5", 9, map, 4), FixtureRule::None);

  Patched p;
  p.set(9, "5");
  EXPECT_FALSE(Addpatches(p.grid, 9, map.FixtureStart).has_value());
  EXPECT_EQ(p.cell(10), "6");
  EXPECT_EQ(p.cell(11), "7");
  EXPECT_EQ(p.cell(12), "8");
  EXPECT_EQ(p.cell(6), "") << "the channel whose address was taken is emptied";

  Patched busy;
  busy.set(9, "5");
  busy.set(11, "3");
  const auto error = Addpatches(busy.grid, 9, map.FixtureStart);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->title, "Fixture softpatch already assigned");
  EXPECT_EQ(error->text, "Channel 11 is assigned to 3.");
  EXPECT_EQ(busy.cell(10), "6") << "cells set before stay";

  Removepatches(p.grid, 9, "5", map.FixtureStart);
  EXPECT_EQ(p.cell(9), "9");
  EXPECT_EQ(p.cell(12), "12");
  EXPECT_EQ(p.cell(6), "6");
}

TEST(PatchEditing, ReminderLookupAndUnpatchedList) {
  Patched p(1024);
  p.set(3, "12");
  p.set(12, "");
  EXPECT_EQ(channelHoldingAddress(p.tables.PatchTable, p.max, 12), 3);
  p.set(7, "513");
  p.set(513, "");
  EXPECT_EQ(channelHoldingAddress(p.tables.PatchTable, p.max, 513), 7);
  EXPECT_EQ(channelHoldingAddress(p.tables.PatchTable, p.max, 7), 0);

  Patched none(100);
  for (int c = 1; c <= 100; ++c) none.set(c, "");
  const QStringList lines = unpatchedLines(none.tables.PatchTable, 100);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_TRUE(lines[0].startsWith("1, 2, 3"));
  EXPECT_TRUE(lines[0].endsWith(", 22"));
  Patched all(3);
  EXPECT_EQ(unpatchedLines(all.tables.PatchTable, 3), QStringList{""});
  all.set(1, "");
  all.set(2, "");
  all.set(3, "");
  EXPECT_EQ(unpatchedLines(all.tables.PatchTable, 3), QStringList{"1, 2, 3"});
}
