#pragma once

#include <optional>
#include <string>
#include <string_view>

// A length of the SVG library: a plain number, or a percentage of a reference length stored as
// its fraction (0.5 for 50%). Used for positions, sizes, gradient coordinates and opacities.
// A value type; "nothing" (the keyword inherit) is std::optional<ODSVGUnitLength>.
class ODSVGUnitLength {
public:
  enum Type : long { kPlain = 0, kPercentage = 1 };

  ODSVGUnitLength() = default;

  static ODSVGUnitLength unitWithFloat(double value);
  static ODSVGUnitLength unitWithFloat(double value, long type);
  // A percentage whose fraction is the number as passed.
  static ODSVGUnitLength unitWithPercentageFloat(double fraction);
  // The text's leading number at single precision ("12px" is 12); a text ending in "%" is a
  // percentage of a hundredth of the number. nullopt for "inherit".
  static std::optional<ODSVGUnitLength> unitWithString(std::string_view text);
  // As unitWithString, then made a percentage (a text without "%" keeps its number as the
  // fraction). nullopt for "inherit".
  static std::optional<ODSVGUnitLength> unitWithPercentageString(std::string_view text);

  // The length against a reference: fraction x reference for a percentage, else the value.
  double computeValue(double reference) const;
  double valueAsPercentage() const { return value_ / 100.0; }
  // "50%" or "12.5".
  std::string stringValue() const;
  // "%f" of the value, followed by "%" for a percentage.
  std::string description() const;

  double value() const { return value_; }
  void setValue(double value) { value_ = value; }
  long type() const { return type_; }
  void setType(long type) { type_ = type; }
  // Set by the node model on values that resolve through the parent node.
  bool inherit() const { return inherit_; }
  void setInherit(bool inherit) { inherit_ = inherit; }
  // Lengths made by gradient coordinates write a percentage as its fraction in SVG text.
  bool writesFraction() const { return writesFraction_; }
  void setWritesFraction(bool writesFraction) { writesFraction_ = writesFraction; }

  friend bool operator==(const ODSVGUnitLength&, const ODSVGUnitLength&) = default;

private:
  bool inherit_ = false;
  double value_ = 0.0;
  long type_ = kPlain;
  bool writesFraction_ = false;
};
