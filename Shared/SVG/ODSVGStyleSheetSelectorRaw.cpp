#include "Shared/SVG/ODSVGStyleSheetSelectorRaw.h"

#include "Platform/Format.h"

std::string ODSVGStyleSheetSelectorRaw::description() const
{
  std::string classes = "(";
  for (const std::string& name : classes_) {
    classes += (classes.size() > 1 ? ", " : "") + name;
  }
  classes += ")";
  return pf::format("Combinator: %@, Tag: %@, Classes: %@, Identifier: %@", combinatorString_,
                    tag_.value_or("(null)"), classes, identifier_.value_or("(null)"));
}
