#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A parsed set of declarations (property name to value text, both trimmed), from a style
// attribute or a style-sheet rule.
class ODSVGStyle {
public:
  using Properties = std::map<std::string, std::string, std::less<>>;

  ODSVGStyle() = default;

  // Declarations "name: value; ...". A value without a name stays pending and pairs with the
  // next name; a name without a value at the end is dropped.
  static ODSVGStyle parseStyleString(std::string_view text);
  // Removes white space and line breaks at both ends.
  static std::string trimString(std::string_view text);
  static const std::vector<std::string>& allowedColourKeys();
  // Whether the text starts with a number.
  static bool isNumeric(std::string_view text);

  void setPropertyValue(std::string value, std::string property) { properties_[std::move(property)] = std::move(value); }
  // nullptr when the property is not set.
  const std::string* property(std::string_view name) const;
  const Properties& properties() const { return properties_; }
  void setProperties(const Properties& properties, bool replaceAll);
  // This style's properties with `style`'s added over them (`style` wins on equal names).
  ODSVGStyle mergedStyle(const ODSVGStyle& style) const;
  bool isEmpty() const { return properties_.empty(); }
  std::string description() const;

private:
  Properties properties_;
};
