#include "Shared/RandomSource/RandomSource.h"

#include <algorithm>

namespace {

// The 48-bit linear congruential generator of the C library's drand48 family:
// X(n+1) = (0x5DEECE66D * X(n) + 0xB) mod 2^48, each value X / 2^48. Our own copy, so that the
// table does not depend on the C library's shared generator state (and stays the same on any
// C library).
constexpr std::uint64_t kMultiplier = 0x5DEECE66Du;
constexpr std::uint64_t kIncrement = 0xBu;
constexpr std::uint64_t kMask = (std::uint64_t{1} << 48) - 1;
constexpr double kScale = 0x1p-48;  // exact: 48 bits fit a double

// srand48: the high 32 bits of X are the low 32 bits of the seed, the low 16 bits 0x330E.
std::uint64_t seededState(std::int64_t seed)
{
  return ((static_cast<std::uint64_t>(seed) & 0xFFFFFFFFu) << 16) | 0x330Eu;
}

// The state `steps` steps after `state`: the step is the affine map x -> a x + c (mod 2^48),
// and its n-th power is found by squaring, in about 2 log2(n) multiplications.
std::uint64_t stateAfter(std::uint64_t state, std::uint64_t steps)
{
  std::uint64_t multiplier = 1;  // the accumulated map
  std::uint64_t increment = 0;
  std::uint64_t stepMultiplier = kMultiplier;  // the map of 2^k steps
  std::uint64_t stepIncrement = kIncrement;
  while (steps != 0) {
    if ((steps & 1u) != 0) {
      multiplier = (multiplier * stepMultiplier) & kMask;
      increment = (increment * stepMultiplier + stepIncrement) & kMask;
    }
    stepIncrement = ((stepMultiplier + 1) * stepIncrement) & kMask;
    stepMultiplier = (stepMultiplier * stepMultiplier) & kMask;
    steps >>= 1;
  }
  return (multiplier * state + increment) & kMask;
}

constexpr std::uint64_t kSeedsPerExtraStep = 750'000;

}  // namespace

RandomSource::RandomSource(std::int64_t seed)
  : randomValues_(std::make_unique_for_overwrite<double[]>(kTableSize)),
    blockFilled_(std::make_unique<std::atomic<bool>[]>(kBlockCount))
{
  setSeed(seed);
}

RandomSource::~RandomSource() = default;

void RandomSource::setSeed(std::int64_t seed)
{
  if (hasSeededValues_ && randomSeed_ == seed) {
    return;
  }
  randomSeed_ = seed;
  seedState_ = seededState(seed);
  for (std::size_t block = 0; block < kBlockCount; ++block) {
    blockFilled_[block].store(false, std::memory_order_relaxed);
  }
  hasSeededValues_ = true;
}

void RandomSource::fillBlock(std::size_t block) const
{
  std::lock_guard lock(fillMutex_);
  if (blockFilled_[block].load(std::memory_order_relaxed)) {
    return;  // another thread filled it meanwhile
  }
  const std::size_t first = block * kBlockSize;
  const std::size_t end = std::min(first + kBlockSize, kTableSize);
  // Entry i is the value after i + 1 steps.
  std::uint64_t state = stateAfter(seedState_, first);
  for (std::size_t i = first; i < end; ++i) {
    state = (kMultiplier * state + kIncrement) & kMask;
    randomValues_[i] = static_cast<double>(state) * kScale;
  }
  blockFilled_[block].store(true, std::memory_order_release);
}

std::size_t RandomSource::tableIndexForSeed(std::int64_t seed)
{
  constexpr auto size = static_cast<std::int64_t>(kTableSize);
  // Fold negative seeds; every result lies in [0, 2^63), so none of this overflows.
  std::uint64_t folded = 0;
  if (seed >= 0) {
    folded = static_cast<std::uint64_t>(seed);
  } else if (seed >= -size) {
    folded = static_cast<std::uint64_t>(seed + size);
  } else {
    folded = static_cast<std::uint64_t>(-(seed + size));
  }
  if (folded < kTableSize) {
    return static_cast<std::size_t>(folded);
  }
  // Below 2^63 + 2^63 / 750,000, so the sum is exact in 64 unsigned bits: no seed wraps.
  return static_cast<std::size_t>((folded + folded / kSeedsPerExtraStep) % kTableSize);
}
