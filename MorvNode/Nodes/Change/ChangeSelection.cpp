#include "MorvNode/Nodes/Change/ChangeSelection.h"

#include "Platform/Numbers.h"

namespace {

// The remainder made non-negative; `period` is above 0.
long long positiveRemainder(long long value, long long period)
{
  const long long remainder = value % period;
  return remainder < 0 ? remainder + period : remainder;
}

std::int64_t wrappingSum(std::int64_t a, std::int64_t b, std::int64_t c)
{
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b) +
                                   static_cast<std::uint64_t>(c));
}

}  // namespace

ChangeSelection::Counts ChangeSelection::counts() const
{
  Counts result;
  result.offset = pf::saturatingCast<long long>(offset);
  if (mode == kQuarter) {
    result.skip = 3;
  } else if (mode == kThird) {
    result.skip = 2;
  } else if (mode == kCounted || mode == kRandom) {
    result.select = pf::saturatingCast<long long>(selectCount);
    result.skip = pf::saturatingCast<long long>(skipCount);
    result.seed = pf::saturatingCast<long long>(seed);
  }
  return result;
}

bool ChangeSelection::selects(long long index, long long count, const RandomDraw& draw) const
{
  const Counts c = counts();
  long long period = 0;
  if (__builtin_add_overflow(c.select, c.skip, &period) || period <= 0 || (c.select == 0 && c.skip == 0)) {
    return false;
  }
  if (count <= 0) {
    return false;
  }
  if (mode == kRandom) {
    // Seeds wrap: a huge offset or seed still draws, only elsewhere in the table.
    const long long negatedOffset = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(c.offset));
    const long long seedValue =
        offsetMovesRandomDraw ? wrappingSum(index, negatedOffset, c.seed) : wrappingSum(c.seed, index, 0);
    const long long r = draw ? draw(seedValue) : 0;
    return r % period < c.select;
  }
  if (mode == kSingle) {
    // The remainder keeps the dividend's sign: a negative offset selects nothing.
    return c.offset % count == index;
  }
  const long long position = positiveRemainder(index - positiveRemainder(c.offset, period), period);
  return position < c.select;
}
