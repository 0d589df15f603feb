#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/SVG/ODSVGStyleSheetSelectorRaw.h"

class ODSVGNode;

// One compiled selector of the small language the style sheets read: type names, "#id",
// ".class" and the combinators space, ">", "+" and "~". Immutable once compiled.
class ODSVGStyleSheetSelector {
public:
  // nullptr for text with any of "@:;*()[]" (at-rules, universal, attribute and pseudo
  // selectors never compile).
  static std::shared_ptr<ODSVGStyleSheetSelector> initWithSelectorString(std::string_view text);
  static bool validateSelector(std::string_view text);

  // A selector without compounds matches nothing. `steps`, when given, grows by the number of
  // nodes looked at (callers cap the work hostile documents can ask for).
  bool matchesNode(const ODSVGNode& node, std::size_t* steps = nullptr) const;

  const std::string& selector() const { return selector_; }
  // 1 per tag, 100 per identifier, 10 per class.
  unsigned long specificity() const { return specificity_; }
  void setSpecificity(unsigned long specificity) { specificity_ = specificity; }
  // The compounds, the rightmost first.
  const std::vector<ODSVGStyleSheetSelectorRaw>& rawSelectors() const { return rawSelectors_; }

private:
  explicit ODSVGStyleSheetSelector(std::string_view text) : selector_(text) {}
  void compile();
  void calculate();

  std::string selector_;
  unsigned long specificity_ = 0;
  std::vector<ODSVGStyleSheetSelectorRaw> rawSelectors_;
};

// Whether one compound matches one node: tag equal to the node's name (case matters), every
// class among the node's classes, identifier equal. An empty compound matches every node.
bool ODSVGStyleSheetMatchSelector(const ODSVGNode& node, const ODSVGStyleSheetSelectorRaw& compound);
// The sibling before or after the node among its parent group's children; nullptr when the
// parent is no group, the node is first or last, or the node is not among the children.
const ODSVGNode* ODSVGStyleSheetPreviousNode(const ODSVGNode& node);
const ODSVGNode* ODSVGStyleSheetNextNode(const ODSVGNode& node);
// The compound before or after `compound` in `list`; nullptr at the ends.
const ODSVGStyleSheetSelectorRaw* ODSVGStyleSheetPreviousSelector(const ODSVGStyleSheetSelectorRaw* compound,
                                                                  const std::vector<ODSVGStyleSheetSelectorRaw>& list);
const ODSVGStyleSheetSelectorRaw* ODSVGStyleSheetNextSelector(const ODSVGStyleSheetSelectorRaw* compound,
                                                              const std::vector<ODSVGStyleSheetSelectorRaw>& list);
// "+" 3, ">" 1, "~" 2, anything else 0.
unsigned long ODSVGStyleSheetCombinatorForUnichar(char16_t character);
bool ODSVGStyleSheetIsSiblingCombinator(unsigned long combinator);
