#pragma once

#include <cstdint>
#include <functional>

// The selection patterns of the change and select nodes: which members of a group of `count`
// take part, member by member. Pure: the random draws come from the caller (the node's shared
// random table), so a pattern can be tested without a node.
//
// Counts, offsets and seeds arrive as doubles from parameters and are truncated toward zero
// through the saturating helper; sums that leave the 64-bit range, a period of zero or below,
// and an empty group select nothing, and no remainder is ever taken by zero or by -1.
class ChangeSelection {
public:
  // Values of the "Selection Mode" index (saved in documents).
  static constexpr long long kHalf = 0;
  static constexpr long long kThird = 1;
  static constexpr long long kQuarter = 2;
  static constexpr long long kSingle = 3;
  static constexpr long long kCounted = 4;
  static constexpr long long kRandom = 5;

  // An integer draw for a seed (0 ... 9,999,999 from the node's random table).
  using RandomDraw = std::function<long long(long long seed)>;

  long long mode = kHalf;
  // Counted and Random only; the fixed patterns set their own.
  double selectCount = 1;
  double skipCount = 1;
  double offset = 0;
  double seed = 0;
  // True for the change nodes, whose random draw moves with the offset (seed k - offset + seed);
  // the select node draws with seed + k alone.
  bool offsetMovesRandomDraw = true;

  // The truncated values a test uses: the pattern's own select and skip, else the counts.
  struct Counts {
    long long select = 1;
    long long skip = 1;
    long long offset = 0;
    long long seed = 0;
  };
  Counts counts() const;

  // Whether member `index` of `count` members is selected.
  bool selects(long long index, long long count, const RandomDraw& draw) const;
};
