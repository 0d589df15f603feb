#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Bitmap.h"
#include "Platform/Log.h"

namespace rendertest {

// Collects log lines (from any thread) instead of printing them, for tests that feed bad input
// on purpose or check a line.
class QuietLog {
public:
  QuietLog()
  {
    pf::setLogEcho(false);
    pf::setLogSink([this](const std::string& message) {
      std::lock_guard lock(mutex_);
      lines_.push_back(message);
    });
  }
  ~QuietLog()
  {
    pf::setLogSink(nullptr);
    pf::setLogEcho(true);
  }
  QuietLog(const QuietLog&) = delete;
  QuietLog& operator=(const QuietLog&) = delete;

  std::vector<std::string> lines() const
  {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  int count(std::string_view exactLine) const
  {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), exactLine));
  }
  int countContaining(std::string_view text) const
  {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                          [&](const std::string& line) { return line.find(text) != std::string::npos; }));
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

using Rgba8 = pf::Bitmap::Rgba8;

inline constexpr Rgba8 kTransparent{0, 0, 0, 0};
inline constexpr Rgba8 kWhite{255, 255, 255, 255};
inline constexpr Rgba8 kBlack{0, 0, 0, 255};
inline constexpr Rgba8 kRed{255, 0, 0, 255};
inline constexpr Rgba8 kGreen{0, 255, 0, 255};
inline constexpr Rgba8 kBlue{0, 0, 255, 255};

inline std::string describe(Rgba8 p)
{
  return "(" + std::to_string(p.red) + ", " + std::to_string(p.green) + ", " + std::to_string(p.blue) + ", " +
         std::to_string(p.alpha) + ")";
}

// Pixels agree within `tolerance` on every straight component (antialiasing and the 8-bit
// premultiplied round trip move them slightly).
inline ::testing::AssertionResult pixelNear(const pf::Bitmap& bitmap, int x, int y, Rgba8 expected, int tolerance = 4)
{
  const Rgba8 actual = bitmap.pixel(x, y);
  const bool close = std::abs(actual.red - expected.red) <= tolerance &&
                     std::abs(actual.green - expected.green) <= tolerance &&
                     std::abs(actual.blue - expected.blue) <= tolerance &&
                     std::abs(actual.alpha - expected.alpha) <= tolerance;
  if (close) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << describe(actual) << ", expected "
                                       << describe(expected);
}

}  // namespace rendertest
