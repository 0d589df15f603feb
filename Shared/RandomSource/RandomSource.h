#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

// The table of pseudo-random doubles from which every random choice of a document is drawn by
// an integer seed, so that a document generates the same output on every run. The application
// makes one table with kApplicationSeed at start and shares it with every node; reads are safe
// from any thread.
//
// The table is filled in blocks on first read, not up front: a block starts from the
// generator's state at its first entry (the generator can jump ahead), so every entry holds the
// value the whole sequence would give it, whichever block is filled first. Making the table costs
// nothing at start, and a document that draws few seeds fills few blocks.
class RandomSource {
public:
  static constexpr std::size_t kTableSize = 3'000'000;
  static constexpr std::int64_t kApplicationSeed = 123456789;

  explicit RandomSource(std::int64_t seed);
  ~RandomSource();
  RandomSource(const RandomSource&) = delete;
  RandomSource& operator=(const RandomSource&) = delete;

  // Refills the table with the C library's srand48(seed) / drand48() sequence, reproduced here
  // bit for bit (only the low 32 bits of the seed count, as in srand48). Nothing happens when
  // the table is already filled with this seed. Not while other threads read the table.
  void setSeed(std::int64_t seed);

  // The seed the table was filled with. setRandomSeed() only stores a number: it does not
  // refill the table.
  std::int64_t randomSeed() const { return randomSeed_; }
  void setRandomSeed(std::int64_t seed) { randomSeed_ = seed; }
  bool hasSeededValues() const { return hasSeededValues_; }

  // The table value for a seed, in [0, 1). Every seed maps into the table (tableIndexForSeed).
  double randomDoubleWithSeed(std::int64_t seed) const
  {
    const std::size_t index = tableIndexForSeed(seed);
    const std::size_t block = index / kBlockSize;
    if (!blockFilled_[block].load(std::memory_order_acquire)) {
      fillBlock(block);
    }
    return randomValues_[index];
  }

  // Negative seeds fold onto the table (-1 is the last entry, -3,000,001 the entry 1); seeds
  // past the end step forward by one extra entry per 750,000 (3,000,000 is entry 4).
  static std::size_t tableIndexForSeed(std::int64_t seed);

private:
  static constexpr std::size_t kBlockSize = 16'384;  // entries: 128 KiB, about 0.1 ms to fill
  static constexpr std::size_t kBlockCount = (kTableSize + kBlockSize - 1) / kBlockSize;

  void fillBlock(std::size_t block) const;

  std::unique_ptr<double[]> randomValues_;  // kTableSize entries, written once per block
  std::unique_ptr<std::atomic<bool>[]> blockFilled_;
  mutable std::mutex fillMutex_;  // one block is filled at a time
  std::uint64_t seedState_ = 0;   // the generator's state before the table's first entry
  std::int64_t randomSeed_ = 0;
  bool hasSeededValues_ = false;
};
