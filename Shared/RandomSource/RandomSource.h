#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The table of pseudo-random doubles from which every random choice of a document is drawn by
// an integer seed, so that a document generates the same output on every run. The application
// fills one table with kApplicationSeed at start and shares it with every node; once filled it
// is only read, so reads are safe from any thread.
class RandomSource {
public:
  static constexpr std::size_t kTableSize = 3'000'000;
  static constexpr std::int64_t kApplicationSeed = 123456789;

  // Fills the table (24,000,000 bytes, about 3,000,000 generator steps).
  explicit RandomSource(std::int64_t seed);

  // Refills the table with the C library's srand48(seed) / drand48() sequence, reproduced here
  // bit for bit (only the low 32 bits of the seed count, as in srand48). Nothing happens when
  // the table is already filled with this seed.
  void setSeed(std::int64_t seed);

  // The seed the table was filled with. setRandomSeed() only stores a number: it does not
  // refill the table.
  std::int64_t randomSeed() const { return randomSeed_; }
  void setRandomSeed(std::int64_t seed) { randomSeed_ = seed; }
  bool hasSeededValues() const { return hasSeededValues_; }

  // The table value for a seed, in [0, 1). Every seed maps into the table (tableIndexForSeed).
  double randomDoubleWithSeed(std::int64_t seed) const { return randomValues_[tableIndexForSeed(seed)]; }

  // Negative seeds fold onto the table (-1 is the last entry, -3,000,001 the entry 1); seeds
  // past the end step forward by one extra entry per 750,000 (3,000,000 is entry 4).
  static std::size_t tableIndexForSeed(std::int64_t seed);

private:
  std::vector<double> randomValues_;
  std::int64_t randomSeed_ = 0;
  bool hasSeededValues_ = false;
};
