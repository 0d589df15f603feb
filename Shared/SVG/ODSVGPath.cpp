#include "Shared/SVG/ODSVGPath.h"

#include "Shared/SVG/ODSVGUtils.h"

std::shared_ptr<ODSVGNode> ODSVGPath::copy() const
{
  std::shared_ptr<ODSVGPath> node = makeCopy(*this);
  node->overwritePath(path_);
  return node;
}

std::optional<pf::Path> ODSVGPath::newPathRefByAutoClosingPath(bool autoClose) const
{
  if (path_.isEmpty()) {
    return std::nullopt;
  }
  if (autoClose) {
    return ODSVGUtils::newCGPathFromBezierPath(path_);
  }
  return path_;
}
