#pragma once

#include <memory>
#include <optional>

#include "Platform/Path.h"
#include "Shared/SVG/ODSVGNode.h"

// A node with a path in the document's user units (y down as written in the file). The path
// is also the sub-path that the path commands add to.
class ODSVGPath : public ODSVGNode {
public:
  ODSVGPath() = default;

  // The copy holds an equal path of its own.
  std::shared_ptr<ODSVGNode> copy() const override;

  const pf::Path& path() const { return path_; }
  pf::Path& currentSubpath() { return path_; }
  const pf::Path& subpath() const { return path_; }
  std::optional<pf::Point> currentPoint() const { return path_.currentPoint(); }
  void close() { path_.closeSubpath(); }
  void overwritePath(pf::Path path) { path_ = std::move(path); }
  // The last control point of a smooth quadratic curve, for the next one's reflection.
  pf::Point lastControlPoint() const { return lastControlPoint_; }
  void setLastControlPoint(pf::Point point) { lastControlPoint_ = point; }

  // A copy of the path; with autoClose, an open last subpath is closed. nullopt for a path
  // without elements.
  std::optional<pf::Path> newPathRefByAutoClosingPath(bool autoClose) const;

private:
  pf::Path path_;
  pf::Point lastControlPoint_;
};
