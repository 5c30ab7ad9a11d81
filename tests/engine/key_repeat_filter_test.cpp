#include "console/engine/key_repeat_filter.h"

#include <gtest/gtest.h>

#include "tests/support/test_clock.h"

namespace {
constexpr int F5 = vk::F5;
constexpr int F6 = vk::F5 + 1;

struct Filter {
  TestClock clock;
  std::vector<std::pair<int, quint64>> released;  // key, time stamp
  KeyRepeatFilter filter{clock, [this](const KeyRepeatFilter::Release& r) {
                           released.push_back({r.key, r.timestamp});
                         }};
};
}  // namespace

TEST(KeyRepeatFilter, AHeldKeysReleasePressPairsAreRepeatsAndOnlyTheLastReleaseCounts) {
  Filter f;
  EXPECT_FALSE(f.filter.press(F5, 1000));
  // X's auto-repeat from 660 ms on, every 40 ms: a release and a press with one time stamp (or a
  // millisecond apart).
  for (quint64 t = 1660; t < 3000; t += 40) {
    f.filter.release({F5, {}, t});
    f.clock.advance(1);
    EXPECT_TRUE(f.filter.press(F5, t + (t / 40) % 2)) << t;
  }
  EXPECT_TRUE(f.released.empty());
  f.filter.release({F5, {}, 3010});
  EXPECT_TRUE(f.released.empty()) << "held back for its repeat press";
  f.clock.advance(KeyRepeatFilter::kHoldBackMs - 1);
  EXPECT_TRUE(f.released.empty());
  f.clock.advance(1);
  EXPECT_EQ(f.released, (std::vector<std::pair<int, quint64>>{{F5, 3010}}));
}

TEST(KeyRepeatFilter, ARealReleaseIsPassedOnBeforeTheNextKeyAndNeverTwice) {
  struct Case {
    const char* name;
    int nextKey;
    quint64 nextStamp;
    bool repeat;
  } cases[] = {
      {"another key at the same moment", F6, 500, false},
      {"the same key pressed again later", F5, 500 + KeyRepeatFilter::kPairStampMs + 1, false},
      {"the same key within the pairing time", F5, 500 + KeyRepeatFilter::kPairStampMs, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Filter f;
    f.filter.release({F5, {}, 500});
    EXPECT_EQ(f.filter.press(c.nextKey, c.nextStamp), c.repeat);
    EXPECT_EQ(f.released.size(), c.repeat ? 0u : 1u);
    EXPECT_FALSE(f.filter.holding());
    f.clock.advance(1000);
    EXPECT_EQ(f.released.size(), c.repeat ? 0u : 1u);
  }
}

TEST(KeyRepeatFilter, AReleaseWithoutATimeStampIsPassedOnAtOnce) {
  Filter f;
  f.filter.release({F6, {}, 0});
  EXPECT_EQ(f.released, (std::vector<std::pair<int, quint64>>{{F6, 0}}));
  EXPECT_FALSE(f.filter.holding());
}
