#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pf {

// One argument of a printf-style message. Strings and objects with a description() fill "%@";
// numbers fill the numeric conversions (and "%@" with their plain description).
class FormatArgument {
public:
  enum class Kind { Signed, Unsigned, Real, Text, Pointer };

  FormatArgument(int value) : kind_(Kind::Signed), signed_(value) {}
  FormatArgument(long value) : kind_(Kind::Signed), signed_(value) {}
  FormatArgument(long long value) : kind_(Kind::Signed), signed_(value) {}
  FormatArgument(unsigned value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArgument(unsigned long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArgument(unsigned long long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArgument(double value) : kind_(Kind::Real), real_(value) {}
  FormatArgument(float value) : kind_(Kind::Real), real_(value) {}
  // Booleans print as the original's BOOL does with "%d": 1 or 0.
  FormatArgument(bool value) : kind_(Kind::Signed), signed_(value ? 1 : 0) {}
  FormatArgument(const char* text) : kind_(Kind::Text), text_(text ? text : "(null)") {}
  FormatArgument(std::string_view text) : kind_(Kind::Text), text_(text) {}
  FormatArgument(const std::string& text) : kind_(Kind::Text), text_(text) {}
  FormatArgument(const void* pointer) : kind_(Kind::Pointer), unsigned_(reinterpret_cast<std::uintptr_t>(pointer)) {}
  template <typename T>
    requires requires(const T& object) {
      { object.description() } -> std::convertible_to<std::string>;
    }
  FormatArgument(const T& object) : kind_(Kind::Text), text_(object.description())
  {
  }

  Kind kind() const { return kind_; }
  long long signedValue() const;
  unsigned long long unsignedValue() const;
  double realValue() const;
  // What "%@" shows.
  std::string description() const;

private:
  Kind kind_;
  long long signed_ = 0;
  unsigned long long unsigned_ = 0;
  double real_ = 0.0;
  std::string text_;
};

// Formats like the C library's printf in the "C" locale, plus "%@". Supported: flags "-+ 0#",
// width and precision (also "*"), length modifiers (ignored), conversions d i u x X o c s @ f F
// e E g G p and "%%". A missing argument reads as 0 or empty text; an unknown conversion prints
// as written.
std::string formatMessage(std::string_view format, std::span<const FormatArgument> arguments);

template <typename... Args>
std::string format(std::string_view formatText, const Args&... arguments)
{
  const std::array<FormatArgument, sizeof...(Args)> list{FormatArgument(arguments)...};
  return formatMessage(formatText, list);
}

}  // namespace pf
