#include "console/patch/patch_tables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<int> parsed(const QString& list, int maxChannels) {
  AddressList out;
  parseDimmerList(list, maxChannels, out);
  return {out.begin(), out.end()};
}
}  // namespace

TEST(PatchTables, DimmerListKeepsOnlyUsableAddresses) {
  struct Case {
    const char* list;
    int maxChannels;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"|10|11|12|", 512, {10, 11, 12}},
      {"|10||12|", 512, {10, 12}},  // an empty entry drives nothing
      {"||", 512, {}},
      {"", 512, {}},
      {"|abc|5|1.5|", 512, {5}},                    // not whole numbers
      {"|0|-3|5|", 512, {5}},                       // below 1
      {"|512|513|520|521|", 512, {512, 513, 520}},  // 513..520 are the submaster addresses
      {"|300|260|", 256, {260}},
      {"|1024|1032|1033|", 1024, {1024, 1032}},
      {"|99999999999|7|", 512, {7}},
  };
  for (const auto& c : cases) EXPECT_EQ(parsed(c.list, c.maxChannels), c.expected) << c.list;
}

TEST(PatchTables, LongListsSpillAndStayInOrder) {
  QString list = "|";
  std::vector<int> expected;
  for (int a = 100; a < 140; ++a) {
    list += QString::number(a) + "|";
    expected.push_back(a);
  }
  EXPECT_EQ(parsed(list, 512), expected);

  AddressList out;
  parseDimmerList(list, 512, out);
  parseDimmerList(u"|3|", 512, out);  // reuse after a spill
  EXPECT_EQ(std::vector<int>(out.begin(), out.end()), std::vector<int>{3});
}

TEST(PatchTables, SetterKeepsTextAndAddressesInStep) {
  PatchTables t;
  EXPECT_EQ(t.PatchTable[5], "||");
  EXPECT_TRUE(t.PatchTable.addresses(5).empty());

  t.PatchTable.set(5, "|10|300|", 256);
  EXPECT_EQ(t.PatchTable[5], "|10|300|");
  EXPECT_EQ(std::vector<int>(t.PatchTable.addresses(5).begin(), t.PatchTable.addresses(5).end()),
            std::vector<int>{10});
  EXPECT_TRUE(t.RepPatchTable.addresses(5).empty());
  EXPECT_EQ(&t.table(true), &t.RepPatchTable);
}

TEST(PatchTables, SubmasterAddresses) {
  EXPECT_EQ(SubmasterAddress(512, 512), 0);
  EXPECT_EQ(SubmasterAddress(513, 512), 1);
  EXPECT_EQ(SubmasterAddress(260, 256), 4);
  EXPECT_EQ(SubmasterAddress(520, 512), 8);
  EXPECT_EQ(SubmasterAddress(521, 512), 0);
}

TEST(PatchTables, WholeNumbers) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {{"12", true, 12},        {"-4", true, -4}, {"+7", true, 7},
                        {"", false, 0},          {"-", false, 0},  {"1 2", false, 0},
                        {"12a", false, 0},       {" 3", false, 0}, {"2147483647", true, 2147483647},
                        {"2147483648", false, 0}};
  for (const auto& c : cases) {
    int v = 0;
    EXPECT_EQ(patch::parseWholeNumber(QString(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}
