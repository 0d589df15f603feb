#pragma once

#include <optional>
#include <string>
#include <vector>

// One compound of a selector: a tag, an identifier and classes, with the combinator that joins
// it to the compound written to its left (0 descendant, 1 child ">", 2 general sibling "~",
// 3 adjacent sibling "+").
class ODSVGStyleSheetSelectorRaw {
public:
  ODSVGStyleSheetSelectorRaw() = default;

  void addClassName(std::string name) { classes_.push_back(std::move(name)); }

  const std::optional<std::string>& tag() const { return tag_; }
  void setTag(std::optional<std::string> tag) { tag_ = std::move(tag); }
  const std::optional<std::string>& identifier() const { return identifier_; }
  void setIdentifier(std::optional<std::string> identifier) { identifier_ = std::move(identifier); }
  const std::vector<std::string>& classes() const { return classes_; }
  void setClasses(std::vector<std::string> classes) { classes_ = std::move(classes); }
  unsigned long combinator() const { return combinator_; }
  void setCombinator(unsigned long combinator) { combinator_ = combinator; }
  const std::string& combinatorString() const { return combinatorString_; }
  void setCombinatorString(std::string text) { combinatorString_ = std::move(text); }

  // "Combinator: %@, Tag: %@, Classes: %@, Identifier: %@".
  std::string description() const;

private:
  std::optional<std::string> tag_;
  std::optional<std::string> identifier_;
  std::vector<std::string> classes_;
  unsigned long combinator_ = 0;
  std::string combinatorString_ = " ";
};
