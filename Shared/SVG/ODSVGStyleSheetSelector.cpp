#include "Shared/SVG/ODSVGStyleSheetSelector.h"

#include <algorithm>

#include "Shared/SVG/ODSVGGroup.h"
#include "Shared/SVG/ODSVGNode.h"

namespace {

bool isStopCharacter(char c)
{
  return c == '#' || c == '+' || c == '.' || c == '>' || c == '~' || c == ' ';
}

// Index of the sibling list entry holding `node`, or npos.
std::size_t indexInParent(const ODSVGNode& node, const ODSVGGroup*& parent)
{
  parent = dynamic_cast<const ODSVGGroup*>(node.parentNode());
  if (!parent) {
    return std::string::npos;
  }
  // From the back: while a document is read, the node being styled is the last child.
  const auto& children = parent->children();
  for (std::size_t i = children.size(); i-- > 0;) {
    if (children[i].get() == &node) {
      return i;
    }
  }
  return std::string::npos;
}

}  // namespace

std::shared_ptr<ODSVGStyleSheetSelector> ODSVGStyleSheetSelector::initWithSelectorString(std::string_view text)
{
  if (!validateSelector(text)) {
    return nullptr;
  }
  std::shared_ptr<ODSVGStyleSheetSelector> selector(new ODSVGStyleSheetSelector(text));
  selector->compile();
  selector->calculate();
  return selector;
}

bool ODSVGStyleSheetSelector::validateSelector(std::string_view text)
{
  return text.find_first_of("@:;*()[]") == std::string_view::npos;
}

void ODSVGStyleSheetSelector::compile()
{
  const std::string& text = selector_;
  const std::size_t length = text.size();
  std::vector<ODSVGStyleSheetSelectorRaw> compounds;
  ODSVGStyleSheetSelectorRaw current;
  bool open = true;  // `current` is not yet in the list
  auto nameEnd = [&](std::size_t from) {
    std::size_t end = from;
    while (end < length && !isStopCharacter(text[end])) {
      ++end;
    }
    return end;
  };
  std::size_t i = 0;
  while (i < length) {
    const char c = text[i];
    bool closesAtEnd = true;
    if (c == ' ') {
      if (open) {
        compounds.push_back(current);
        open = false;
      }
      while (i < length && text[i] == ' ') {
        ++i;
      }
      if (i < length) {
        current = ODSVGStyleSheetSelectorRaw();
        open = true;
      }
      continue;
    }
    if (c == '#' || c == '.') {
      const std::size_t end = nameEnd(i + 1);
      std::string name = text.substr(i + 1, end - i - 1);
      // A "#" or "." as the very last character leaves the compound unclosed.
      closesAtEnd = end > i + 1;
      if (c == '#') {
        current.setIdentifier(std::move(name));
      } else {
        current.addClassName(std::move(name));
      }
      i = end;
    } else if (c == '+' || c == '>' || c == '~') {
      current.setCombinator(ODSVGStyleSheetCombinatorForUnichar(static_cast<char16_t>(c)));
      current.setCombinatorString(std::string(1, c));
      ++i;
      while (i < length && text[i] == ' ') {
        ++i;
      }
    } else {
      const std::size_t end = nameEnd(i);
      current.setTag(text.substr(i, end - i));
      i = end;
    }
    if (i >= length && open && closesAtEnd) {
      compounds.push_back(current);
      open = false;
    }
  }
  std::reverse(compounds.begin(), compounds.end());
  rawSelectors_ = std::move(compounds);
}

void ODSVGStyleSheetSelector::calculate()
{
  unsigned long total = 0;
  for (const ODSVGStyleSheetSelectorRaw& compound : rawSelectors_) {
    total += compound.tag() ? 1 : 0;
    total += compound.identifier() ? 100 : 0;
    total += 10 * compound.classes().size();
  }
  specificity_ = total;
}

bool ODSVGStyleSheetSelector::matchesNode(const ODSVGNode& node, std::size_t* steps) const
{
  std::size_t ignored = 0;
  std::size_t& count = steps ? *steps : ignored;
  ++count;
  if (rawSelectors_.empty() || !ODSVGStyleSheetMatchSelector(node, rawSelectors_.front())) {
    return false;
  }
  const ODSVGNode* current = &node;
  for (std::size_t k = 0; k + 1 < rawSelectors_.size(); ++k) {
    const ODSVGStyleSheetSelectorRaw& compound = rawSelectors_[k];
    const ODSVGStyleSheetSelectorRaw& left = rawSelectors_[k + 1];
    const ODSVGNode* found = nullptr;
    switch (compound.combinator()) {
      case 0:
        for (const ODSVGNode* ancestor = current->parentNode(); ancestor; ancestor = ancestor->parentNode()) {
          ++count;
          if (ODSVGStyleSheetMatchSelector(*ancestor, left)) {
            found = ancestor;
            break;
          }
        }
        break;
      case 1: {
        const ODSVGGroup* parent = nullptr;
        if (indexInParent(*current, parent) != std::string::npos && ODSVGStyleSheetMatchSelector(*parent, left)) {
          found = parent;
        }
        break;
      }
      case 3: {
        const ODSVGNode* previous = ODSVGStyleSheetPreviousNode(*current);
        if (previous && ODSVGStyleSheetMatchSelector(*previous, left)) {
          found = previous;
        }
        break;
      }
      case 2: {
        const ODSVGGroup* parent = nullptr;
        const std::size_t index = indexInParent(*current, parent);
        if (index != std::string::npos) {
          for (std::size_t j = index; j-- > 0;) {
            ++count;
            if (ODSVGStyleSheetMatchSelector(*parent->children()[j], left)) {
              found = parent->children()[j].get();
              break;
            }
          }
        }
        break;
      }
      default:
        break;
    }
    if (!found) {
      return false;
    }
    current = found;
  }
  return true;
}

bool ODSVGStyleSheetMatchSelector(const ODSVGNode& node, const ODSVGStyleSheetSelectorRaw& compound)
{
  if (compound.tag() && *compound.tag() != node.name()) {
    return false;
  }
  const std::vector<std::string>& classes = node.classNameList();
  for (const std::string& name : compound.classes()) {
    if (std::find(classes.begin(), classes.end(), name) == classes.end()) {
      return false;
    }
  }
  return !compound.identifier() || (node.identifier() && *compound.identifier() == *node.identifier());
}

const ODSVGNode* ODSVGStyleSheetPreviousNode(const ODSVGNode& node)
{
  const ODSVGGroup* parent = nullptr;
  const std::size_t index = indexInParent(node, parent);
  if (index == std::string::npos || index == 0) {
    return nullptr;
  }
  return parent->children()[index - 1].get();
}

const ODSVGNode* ODSVGStyleSheetNextNode(const ODSVGNode& node)
{
  const ODSVGGroup* parent = nullptr;
  const std::size_t index = indexInParent(node, parent);
  if (index == std::string::npos || index + 1 >= parent->children().size()) {
    return nullptr;
  }
  return parent->children()[index + 1].get();
}

const ODSVGStyleSheetSelectorRaw* ODSVGStyleSheetPreviousSelector(const ODSVGStyleSheetSelectorRaw* compound,
                                                                  const std::vector<ODSVGStyleSheetSelectorRaw>& list)
{
  for (std::size_t i = 1; i < list.size(); ++i) {
    if (&list[i] == compound) {
      return &list[i - 1];
    }
  }
  return nullptr;
}

const ODSVGStyleSheetSelectorRaw* ODSVGStyleSheetNextSelector(const ODSVGStyleSheetSelectorRaw* compound,
                                                              const std::vector<ODSVGStyleSheetSelectorRaw>& list)
{
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    if (&list[i] == compound) {
      return &list[i + 1];
    }
  }
  return nullptr;
}

unsigned long ODSVGStyleSheetCombinatorForUnichar(char16_t character)
{
  switch (character) {
    case u'+':
      return 3;
    case u'>':
      return 1;
    case u'~':
      return 2;
    default:
      return 0;
  }
}

bool ODSVGStyleSheetIsSiblingCombinator(unsigned long combinator)
{
  return combinator == 2 || combinator == 3;
}
