#include "MorvNode/Elements/BezierPathCGUtilities.h"

namespace BezierPathCGUtilities {

void appendCGPath(pf::Path& bezierPath, const pf::Path* path)
{
  if (path == nullptr) {
    return;
  }
  for (const pf::PathElement& element : path->elements()) {
    switch (element.type) {
    case pf::PathElementType::MoveTo:
      bezierPath.moveTo(element.points[0]);
      break;
    case pf::PathElementType::LineTo:
      bezierPath.lineTo(element.points[0]);
      break;
    case pf::PathElementType::QuadCurveTo: {
      const pf::Point control = element.points[0];
      const pf::Point end = element.points[1];
      // A path never starts with a segment, so there is a current point; the fallback keeps a
      // malformed source from inventing one.
      const pf::Point start = bezierPath.currentPoint().value_or(control);
      bezierPath.curveTo(start + (control - start) * (2.0 / 3.0), end + (control - end) * (2.0 / 3.0), end);
      break;
    }
    case pf::PathElementType::CurveTo:
      bezierPath.curveTo(element.points[0], element.points[1], element.points[2]);
      break;
    case pf::PathElementType::CloseSubpath:
      bezierPath.closeSubpath();
      break;
    }
  }
}

pf::SharedPath cgPath(const pf::Path& bezierPath)
{
  if (bezierPath.isEmpty()) {
    return nullptr;
  }
  return std::make_shared<const pf::Path>(bezierPath);
}

void centerAtZero(pf::Path& bezierPath)
{
  if (const std::optional<pf::Rect> bounds = bezierPath.bounds()) {
    bezierPath.transform(pf::AffineTransform::translation(-bounds->midX(), -bounds->midY()));
  }
}

void centerHorizontally(pf::Path& bezierPath)
{
  if (const std::optional<pf::Rect> bounds = bezierPath.bounds()) {
    bezierPath.transform(pf::AffineTransform::translation(-bounds->midX(), 0));
  }
}

}  // namespace BezierPathCGUtilities
