#include "Shared/RandomSource/RandomSource.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// One table for the suite: filling it is the costly part.
class RandomSourceTest : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    table_ = std::make_unique<RandomSource>(RandomSource::kApplicationSeed);
    // The C library's own sequence for the same seed, which documents depend on.
    srand48(RandomSource::kApplicationSeed);
    expected_ = std::make_unique<std::vector<double>>(RandomSource::kTableSize);
    for (double& value : *expected_) {
      value = drand48();
    }
  }
  static void TearDownTestSuite()
  {
    table_.reset();
    expected_.reset();
  }

  static std::unique_ptr<RandomSource> table_;
  static std::unique_ptr<std::vector<double>> expected_;
};

std::unique_ptr<RandomSource> RandomSourceTest::table_;
std::unique_ptr<std::vector<double>> RandomSourceTest::expected_;

TEST_F(RandomSourceTest, TableIsTheCLibrarySequence)
{
  ASSERT_TRUE(table_->hasSeededValues());
  EXPECT_EQ(table_->randomSeed(), RandomSource::kApplicationSeed);
  size_t mismatches = 0;
  for (size_t i = 0; i < RandomSource::kTableSize; ++i) {
    const double value = table_->randomDoubleWithSeed(static_cast<std::int64_t>(i));
    if (value != (*expected_)[i] || value < 0.0 || value >= 1.0) {
      ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(RandomSourceTest, SeedsFoldOntoTheTable)
{
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Case {
    std::int64_t seed;
    size_t entry;
  };
  const Case cases[] = {
      {0, 0},
      {1, 1},
      {2'999'999, 2'999'999},
      {-1, 2'999'999},
      {-3'000'000, 0},
      {-3'000'001, 1},
      {3'000'000, 4},
      {6'000'000, 8},
      {-6'000'000, 4},  // m = 3,000,000
      // The extremes stay inside the table: m + m / 750,000 is computed without wrapping.
      {kMax, static_cast<size_t>((9223372036854775807ull + 9223372036854775807ull / 750'000) % 3'000'000)},
      {kMin, static_cast<size_t>((9223372036851775808ull + 9223372036851775808ull / 750'000) % 3'000'000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    EXPECT_EQ(RandomSource::tableIndexForSeed(c.seed), c.entry);
    EXPECT_EQ(table_->randomDoubleWithSeed(c.seed), (*expected_)[c.entry]);
  }
}

// The table is filled in blocks as they are first read: whatever the order of the reads, and from
// several threads at once, each entry holds the value of the whole sequence.
TEST_F(RandomSourceTest, EntriesReadInAnyOrderFromSeveralThreadsAreTheSequence)
{
  RandomSource table(RandomSource::kApplicationSeed);
  constexpr int kThreads = 4;
  std::vector<size_t> mismatches(kThreads, 0);
  std::vector<std::thread> readers;
  for (int t = 0; t < kThreads; ++t) {
    readers.emplace_back([&table, &mismatches, t] {
      // Each thread walks the table from the end down with its own stride, so the threads meet
      // in the same blocks while they are being filled.
      const size_t stride = 7'919 + static_cast<size_t>(t) * 104'729;
      for (size_t step = 0; step < 2 * RandomSource::kTableSize / stride; ++step) {
        const size_t i = RandomSource::kTableSize - 1 - (step * stride) % RandomSource::kTableSize;
        if (table.randomDoubleWithSeed(static_cast<std::int64_t>(i)) != (*expected_)[i]) {
          ++mismatches[static_cast<size_t>(t)];
        }
      }
    });
  }
  for (std::thread& reader : readers) {
    reader.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(mismatches[static_cast<size_t>(t)], 0u) << "thread " << t;
  }
  // The entries on either side of a block's edge, read last.
  for (const size_t i : {size_t{16'383}, size_t{16'384}, size_t{2'998'271}, size_t{2'998'272}}) {
    EXPECT_EQ(table.randomDoubleWithSeed(static_cast<std::int64_t>(i)), (*expected_)[i]) << i;
  }
}

TEST_F(RandomSourceTest, SameSeedKeepsTheTableAndOtherSeedsRefill)
{
  RandomSource other(42);
  const double first = other.randomDoubleWithSeed(0);
  other.setRandomSeed(7);  // stores the number only
  EXPECT_EQ(other.randomDoubleWithSeed(0), first);
  other.setSeed(RandomSource::kApplicationSeed);
  EXPECT_EQ(other.randomDoubleWithSeed(0), (*expected_)[0]);
  EXPECT_EQ(other.randomDoubleWithSeed(-1), (*expected_)[2'999'999]);
  EXPECT_NE(first, (*expected_)[0]);
}

}  // namespace
