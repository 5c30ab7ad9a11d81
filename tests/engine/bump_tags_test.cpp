// Bump tags read from soft patch descriptions into the member tables and the timed-bump intervals.

#include "console/engine/bump_tags.h"

#include <gtest/gtest.h>

namespace {

struct Read {
  BumpMemberTables members{};
  std::array<int, kBumpTagKeys> intervals{};
  int badTimes = 0;
  void operator()(const QString& description, const QString& dimmerList, int maxChannels = 1024) {
    AddressList addresses;
    parseDimmerList(dimmerList, maxChannels, addresses);
    readBumpTags(description, addresses, members, intervals, [this] { ++badTimes; });
  }
  bool member(BumpKind kind, int fkey, int address) const {
    return members[size_t(int(kind) * kBumpTagKeys + fkey - 5)][size_t(address)];
  }
};

}  // namespace

TEST(BumpTags, KindsKeysAndTimes) {
  Read r;
  r("Wash TBUMP6(2.5) nbump5", "|3|7|");
  for (int a : {3, 7}) {
    EXPECT_TRUE(r.member(BumpKind::Timed, 6, a));
    EXPECT_TRUE(r.member(BumpKind::Normal, 5, a));
    EXPECT_FALSE(r.member(BumpKind::Normal, 6, a));
    EXPECT_FALSE(r.member(BumpKind::Fade, 5, a));
  }
  EXPECT_FALSE(r.member(BumpKind::Normal, 5, 4));
  EXPECT_EQ(r.intervals[1], 2500);
  EXPECT_EQ(r.badTimes, 0);

  r("side TBUMP12(0.25) FBUMP8 abump11", "|9|");
  EXPECT_EQ(r.intervals[7], 250);
  EXPECT_TRUE(r.member(BumpKind::Fade, 8, 9));
  EXPECT_TRUE(r.member(BumpKind::Alternate, 11, 9));
  EXPECT_TRUE(r.member(BumpKind::Timed, 12, 9));
  EXPECT_FALSE(r.member(BumpKind::Timed, 6, 9));
}

TEST(BumpTags, ATagWithoutTimeIsReportedPerAddressAndGivesZero) {
  Read r;
  r.intervals[0] = 1500;
  r("front TBUMP5", "|1|2|");
  EXPECT_EQ(r.badTimes, 2);
  EXPECT_EQ(r.intervals[0], 0);
  EXPECT_TRUE(r.member(BumpKind::Timed, 5, 1));
}

TEST(BumpTags, AKindNamedAloneClearsItsEntriesOfTheAddresses) {
  Read r;
  r("a ABUMP7 NBUMP9", "|4|");
  ASSERT_TRUE(r.member(BumpKind::Alternate, 7, 4));
  r("later ABUMP", "|4|");
  EXPECT_FALSE(r.member(BumpKind::Alternate, 7, 4));
  EXPECT_TRUE(r.member(BumpKind::Normal, 9, 4));  // a kind not named keeps its entries
}

TEST(BumpTags, AddressesOutsideTheTablesAreSkipped) {
  Read r;
  // 1025..1032 are the submaster pseudo-addresses of a 1024-channel show.
  r("sub NBUMP5", "|1026|12|", 1024);
  EXPECT_TRUE(r.member(BumpKind::Normal, 5, 12));
  for (const auto& table : r.members) EXPECT_EQ(table.size(), size_t(kBumpMemberSlots));
}

TEST(BumpTags, TimesReadWithAPointAndRoundedHalfToEven) {
  struct Case {
    const char* after;
    std::optional<int> ms;
  };
  for (const Case& c :
       {Case{"(1.5)", 1500}, Case{"(2.5) x", 2500}, Case{"(0.0005)", 0}, Case{"(0.0015)", 2},
        Case{"(1,5)", std::nullopt}, Case{"", std::nullopt}, Case{"(abc)", std::nullopt}, Case{" (3)", 3000}})
    EXPECT_EQ(bumpTagTime(c.after), c.ms) << c.after;
}
