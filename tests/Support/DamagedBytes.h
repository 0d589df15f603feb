#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace testsupport {

// A copy of `valid` with one to four random bytes overwritten or the data cut short, for
// readers that must survive damaged files. Deterministic for a seeded generator.
inline std::vector<std::uint8_t> damagedCopy(const std::vector<std::uint8_t>& valid, std::mt19937& generator)
{
  std::vector<std::uint8_t> damaged = valid;
  const int changes = 1 + static_cast<int>(generator() % 4);
  for (int i = 0; i < changes; ++i) {
    const std::size_t at = generator() % damaged.size();
    if (generator() % 5 == 0) {
      damaged.resize(at + 1);
    } else {
      damaged[at] = static_cast<std::uint8_t>(generator());
    }
  }
  return damaged;
}

}  // namespace testsupport
