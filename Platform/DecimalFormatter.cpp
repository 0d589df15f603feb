#include "Platform/DecimalFormatter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <mutex>

#include "Platform/Log.h"

namespace pf {

namespace {

std::mutex& separatorLock()
{
  static std::mutex lock;
  return lock;
}

std::string& separatorStorage()
{
  static std::string separator = ".";
  return separator;
}

}  // namespace

void DecimalFormatter::setUserDecimalSeparator(const std::string& separator)
{
  if (separator.empty()) {
    log("Warning, empty decimal separator refused");
    return;
  }
  std::lock_guard guard(separatorLock());
  separatorStorage() = separator;
}

std::string DecimalFormatter::userDecimalSeparator()
{
  std::lock_guard guard(separatorLock());
  return separatorStorage();
}

DecimalFormatter::DecimalFormatter(int maximumFractionDigits)
    : maximumFractionDigits_(std::clamp(maximumFractionDigits, 0, 17))
{
}

std::string DecimalFormatter::string(double value) const
{
  if (std::isnan(value)) {
    return "NaN";
  }
  if (std::isinf(value)) {
    return value > 0 ? "∞" : "-∞";
  }
  // The largest double has 309 integer digits.
  std::array<char, 360> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed,
                                    maximumFractionDigits_);
  std::string text(buffer.data(), result.ptr);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    while (text.back() == '0') {
      text.pop_back();
    }
    if (text.back() == '.') {
      text.pop_back();
    }
  }
  if (text == "-0") {
    text = "0";
  }
  const std::size_t separator = text.find('.');
  if (separator != std::string::npos) {
    text.replace(separator, 1, userDecimalSeparator());
  }
  return text;
}

}  // namespace pf
