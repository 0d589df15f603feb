#include "Shared/SVG/ODSVGStyleSheet.h"

#include <algorithm>

#include "Shared/SVG/ODSVGNode.h"

void ODSVGStyleSheet::parseStyleBlock(std::string_view text)
{
  const std::size_t length = text.size();
  long depth = 0;
  std::size_t start = 0;
  std::string pendingSelectors;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '/') {
      if (i + 1 >= length) {
        return;  // a "/" as the last character ends the reading
      }
      if (text[i + 1] == '*') {
        // The comment runs to the first "/" after the "*".
        const std::size_t end = text.find('/', i + 2);
        if (end == std::string_view::npos) {
          return;
        }
        start = end + 1;
        i = end;
        continue;
      }
    }
    if (c == '{') {
      if (depth == 0) {
        pendingSelectors = ODSVGStyle::trimString(text.substr(start, i - start));
        start = i + 1;
      }
      ++depth;
    } else if (c == '}') {
      if (depth == 1) {
        const std::string declarations = ODSVGStyle::trimString(text.substr(start, i - start));
        addStyleRule(declarations, selectorsWithSelectorString(pendingSelectors));
        start = i + 1;
      }
      --depth;
    }
  }
}

std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> ODSVGStyleSheet::selectorsWithSelectorString(std::string_view text)
{
  std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> result;
  std::size_t pieceStart = 0;
  while (pieceStart <= text.size()) {
    std::size_t comma = text.find(',', pieceStart);
    if (comma == std::string_view::npos) {
      comma = text.size();
    }
    const std::string piece = ODSVGStyle::trimString(text.substr(pieceStart, comma - pieceStart));
    pieceStart = comma + 1;
    auto found = selectors_.find(piece);
    if (found == selectors_.end()) {
      std::shared_ptr<ODSVGStyleSheetSelector> selector = ODSVGStyleSheetSelector::initWithSelectorString(piece);
      if (!selector) {
        continue;
      }
      found = selectors_.emplace(piece, std::move(selector)).first;
    }
    result.push_back(found->second);
  }
  return result;
}

void ODSVGStyleSheet::addStyleRule(std::string_view declarations,
                                   std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> selectors)
{
  const std::size_t index = rules_.size();
  for (const std::shared_ptr<ODSVGStyleSheetSelector>& selector : selectors) {
    if (selector->rawSelectors().empty()) {
      continue;  // matches nothing
    }
    const ODSVGStyleSheetSelectorRaw& rightmost = selector->rawSelectors().front();
    std::vector<std::size_t>* bucket = &rulesForAnyNode_;
    if (rightmost.identifier()) {
      bucket = &rulesByKey_["#" + *rightmost.identifier()];
    } else if (!rightmost.classes().empty()) {
      bucket = &rulesByKey_["." + rightmost.classes().front()];
    } else if (rightmost.tag()) {
      bucket = &rulesByKey_["<" + *rightmost.tag()];
    }
    if (bucket->empty() || bucket->back() != index) {
      bucket->push_back(index);
    }
  }
  rules_.emplace_back(std::move(selectors), ODSVGStyle::parseStyleString(declarations));
}

std::vector<std::size_t> ODSVGStyleSheet::candidateRules(const ODSVGNode& node) const
{
  std::vector<std::size_t> candidates = rulesForAnyNode_;
  std::string key;
  auto add = [&](char prefix, const std::string& name) {
    key.assign(1, prefix);
    key += name;
    if (const auto found = rulesByKey_.find(key); found != rulesByKey_.end()) {
      candidates.insert(candidates.end(), found->second.begin(), found->second.end());
    }
  };
  if (node.identifier()) {
    add('#', *node.identifier());
  }
  for (const std::string& name : node.classNameList()) {
    add('.', name);
  }
  add('<', node.name());
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  return candidates;
}

ODSVGStyle ODSVGStyleSheet::styleForNode(const ODSVGNode& node, std::size_t* steps) const
{
  struct Item {
    const ODSVGStyleSheetSelector* selector;
    const ODSVGStyleSheetRule* rule;
  };
  std::vector<Item> items;
  for (const std::size_t index : candidateRules(node)) {
    const ODSVGStyleSheetRule& rule = rules_[index];
    if (const ODSVGStyleSheetSelector* selector = rule.matchesNode(node, steps)) {
      items.push_back({selector, &rule});
    }
  }
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return a.selector->specificity() < b.selector->specificity(); });
  ODSVGStyle style;
  for (const Item& item : items) {
    style = style.mergedStyle(item.rule->style());
  }
  return style;
}
