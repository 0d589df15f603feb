#include "MorvNode/Nodes/Change/ChangeSelection.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr double kHuge = 1e300;
constexpr double kLowest = static_cast<double>(std::numeric_limits<long long>::lowest());
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
  const char* what;
  long long mode;
  double select;
  double skip;
  double offset;
  long long count;
  std::vector<long long> selected;
};

std::vector<long long> selectedIndexes(const ChangeSelection& pattern, long long count,
                                       const ChangeSelection::RandomDraw& draw)
{
  std::vector<long long> result;
  for (long long k = 0; k < count; ++k) {
    if (pattern.selects(k, count, draw)) {
      result.push_back(k);
    }
  }
  return result;
}

TEST(ChangeSelectionTest, PatternsSelectTheirMembers)
{
  using S = ChangeSelection;
  const std::vector<Case> cases = {
      {"half", S::kHalf, 0, 0, 0, 5, {0, 2, 4}},
      {"half, offset 1", S::kHalf, 0, 0, 1, 5, {1, 3}},
      {"third, offset 1", S::kThird, 0, 0, 1, 8, {1, 4, 7}},
      {"quarter, negative offset counts back", S::kQuarter, 0, 0, -1, 8, {3, 7}},
      {"counted 2 of 5", S::kCounted, 2, 3, 0, 11, {0, 1, 5, 6, 10}},
      {"counted 0 and 0", S::kCounted, 0, 0, 0, 4, {}},
      {"counted 0 and 2", S::kCounted, 0, 2, 0, 4, {}},
      {"counted 2 and 0", S::kCounted, 2, 0, 0, 4, {0, 1, 2, 3}},
      {"counted, fractions truncate", S::kCounted, 1.9, 1.9, 0, 4, {0, 2}},
      {"counted, negative sum", S::kCounted, -5, 2, 0, 4, {}},
      {"counted, sum beyond 64 bits", S::kCounted, kHuge, kHuge, 0, 4, {}},
      {"counted, NaN counts", S::kCounted, kNaN, kNaN, 0, 4, {}},
      {"half, lowest offset", S::kHalf, 0, 0, kLowest, 4, {0, 2}},
      {"half, huge offset", S::kHalf, 0, 0, kHuge, 4, {1, 3}},
      {"single, offset off", S::kSingle, 0, 0, 0, 5, {0}},
      {"single, offset wraps", S::kSingle, 0, 0, 7, 5, {2}},
      {"single, negative offset", S::kSingle, 0, 0, -1, 5, {}},
      {"single, lowest offset", S::kSingle, 0, 0, kLowest, 5, {}},
      {"empty group", S::kHalf, 0, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangeSelection pattern;
    pattern.mode = c.mode;
    pattern.selectCount = c.select;
    pattern.skipCount = c.skip;
    pattern.offset = c.offset;
    EXPECT_EQ(selectedIndexes(pattern, c.count, nullptr), c.selected);
  }
}

TEST(ChangeSelectionTest, RandomDrawsWithTheIndexSeedAndOffset)
{
  std::vector<long long> seeds;
  const ChangeSelection::RandomDraw draw = [&seeds](long long seed) {
    seeds.push_back(seed);
    return seed;  // selects where seed % period < select
  };
  ChangeSelection pattern;
  pattern.mode = ChangeSelection::kRandom;
  pattern.selectCount = 1;
  pattern.skipCount = 2;
  pattern.seed = 10;
  pattern.offset = 4;
  // Change nodes: seed k - offset + seed.
  EXPECT_EQ(selectedIndexes(pattern, 4, draw), (std::vector<long long>{0, 3}));
  EXPECT_EQ(seeds, (std::vector<long long>{6, 7, 8, 9}));

  // The select node: seed + k, the offset left out.
  seeds.clear();
  pattern.offsetMovesRandomDraw = false;
  EXPECT_EQ(selectedIndexes(pattern, 4, draw), (std::vector<long long>{2}));
  EXPECT_EQ(seeds, (std::vector<long long>{10, 11, 12, 13}));

  // Extreme offsets and seeds wrap instead of trapping; a period of -1 selects nothing.
  pattern.offsetMovesRandomDraw = true;
  pattern.offset = kLowest;
  pattern.seed = kHuge;
  EXPECT_NO_FATAL_FAILURE(selectedIndexes(pattern, 4, draw));
  pattern.selectCount = -1;
  pattern.skipCount = 0;
  EXPECT_TRUE(selectedIndexes(pattern, 4, draw).empty());
}

}  // namespace
