#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace pf {

// Locale-free number text. Everything here behaves as the C library does in the "C" locale,
// whatever locale the process runs in: data files, expressions and log lines depend on it.

// printf-style "%.<precision>g".
std::string formatG(double value, int precision = 6);
// printf-style "%.<precision>f".
std::string formatF(double value, int precision = 6);
// Shortest text that reads back as the same double ("0.1", "2", "1e+300"); "nan", "inf", "-inf".
std::string formatShortest(double value);

// Leading-number readers, lenient like the original platform's string conversions: leading
// white space is skipped, an optional sign and the longest numeric prefix are read, the rest is
// ignored. Text without a leading number gives 0.
double doubleValue(std::string_view text);
int intValue(std::string_view text);             // saturates at the int range
long long longLongValue(std::string_view text);  // saturates at the long long range
// "YES"/"true"/"y"/"t" (any case) or a leading non-zero integer.
bool boolValue(std::string_view text);

// Strict reader: the whole text (after leading and trailing blanks) must be one number.
// Returns false and leaves `out` alone otherwise.
bool parseDouble(std::string_view text, double& out);

// The one conversion from double to an integer type: NaN gives 0, values outside the range
// clamp to its ends, the rest truncate toward zero.
template <typename Int>
constexpr Int saturatingCast(double value)
{
  static_assert(std::is_integral_v<Int>);
  if (value != value) {
    return 0;
  }
  constexpr double lowest = static_cast<double>(std::numeric_limits<Int>::lowest());
  // max() as a double may round up past the range, so compare with >=.
  constexpr double highest = static_cast<double>(std::numeric_limits<Int>::max());
  if (value <= lowest) {
    return std::numeric_limits<Int>::lowest();
  }
  if (value >= highest) {
    return std::numeric_limits<Int>::max();
  }
  return static_cast<Int>(value);
}

// Round halves away from zero, then saturate (the model's usual double-to-whole rule).
template <typename Int>
Int roundedSaturatingCast(double value)
{
  return saturatingCast<Int>(std::round(value));
}

}  // namespace pf
