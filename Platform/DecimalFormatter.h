#pragma once

#include <string>

namespace pf {

// Formats numbers for people to read in text they typed (the text node's value placeholder):
// plain decimal notation with at most a given number of fraction digits, no exponent and no
// grouping, with the user's decimal separator. This is the one number format that follows the
// user's locale; numbers in data never do. The interface layer sets the separator at start-up
// from the desktop's locale; until then it is ".". Safe to use from any thread.
class DecimalFormatter {
public:
  // The separator for every formatter; an empty one is refused (logged) and keeps the current.
  static void setUserDecimalSeparator(const std::string& separator);
  static std::string userDecimalSeparator();

  // Negative counts count as 0, more than 17 as 17.
  explicit DecimalFormatter(int maximumFractionDigits);

  // The value rounded to the fraction digits (halves to even, on the exact binary value), with
  // trailing zeros and a bare separator dropped and "-0" shown as "0"; "NaN", "∞" and "-∞" for
  // values that are not finite.
  std::string string(double value) const;

private:
  int maximumFractionDigits_ = 0;
};

}  // namespace pf
