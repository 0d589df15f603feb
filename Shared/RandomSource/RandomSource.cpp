#include "Shared/RandomSource/RandomSource.h"

#include <cmath>

namespace {

// The 48-bit linear congruential generator of the C library's drand48 family:
// X(n+1) = (0x5DEECE66D * X(n) + 0xB) mod 2^48, each value X / 2^48. Our own copy, so that the
// table does not depend on the C library's shared generator state (and stays the same on any
// C library).
class Drand48Sequence {
public:
  // srand48: the high 32 bits of X are the low 32 bits of the seed, the low 16 bits 0x330E.
  explicit Drand48Sequence(std::int64_t seed)
      : state_(((static_cast<std::uint64_t>(seed) & 0xFFFFFFFFu) << 16) | 0x330Eu)
  {
  }

  double next()
  {
    state_ = (kMultiplier * state_ + kIncrement) & kMask;
    return std::ldexp(static_cast<double>(state_), -48);  // exact: 48 bits fit a double
  }

private:
  static constexpr std::uint64_t kMultiplier = 0x5DEECE66Du;
  static constexpr std::uint64_t kIncrement = 0xBu;
  static constexpr std::uint64_t kMask = (std::uint64_t{1} << 48) - 1;

  std::uint64_t state_;
};

constexpr std::uint64_t kSeedsPerExtraStep = 750'000;

}  // namespace

RandomSource::RandomSource(std::int64_t seed)
{
  setSeed(seed);
}

void RandomSource::setSeed(std::int64_t seed)
{
  if (hasSeededValues_ && randomSeed_ == seed) {
    return;
  }
  randomSeed_ = seed;
  randomValues_.resize(kTableSize);
  Drand48Sequence sequence(seed);
  for (double& value : randomValues_) {
    value = sequence.next();
  }
  hasSeededValues_ = true;
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
