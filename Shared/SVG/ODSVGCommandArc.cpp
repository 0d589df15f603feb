#include "Shared/SVG/ODSVGCommandArc.h"

#include <algorithm>
#include <cmath>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGUtils.h"

const ODSVGCommandClass& ODSVGCommandArc::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandArc", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandArc::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                 const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const double x1 = current->x;
  const double y1 = current->y;
  double rx = std::fabs(params[0]);
  double ry = std::fabs(params[1]);
  const double rotation = params[2];
  const bool largeArc = params[3] == 1.0;
  const bool sweep = params[4] == 1.0;
  double x2 = params[5];
  double y2 = params[6];
  if (type == 1) {
    x2 += x1;
    y2 += y1;
  }
  if (rx == 0 || ry == 0) {
    path.currentSubpath().lineTo({x2, y2});
    return true;
  }
  const double phi = rotation * 0.017453292519943295;
  const double s = std::sin(phi);
  const double c = std::cos(phi);
  const double x1p = (x1 - x2) * c * 0.5 + (y1 - y2) * s * 0.5;
  const double y1p = -(x1 - x2) * s * 0.5 + (y1 - y2) * c * 0.5;
  // Radii too small to reach the end point grow until they just reach it.
  const double lambda = x1p * x1p / (rx * rx) + y1p * y1p / (ry * ry);
  const double k = lambda > 1 ? std::sqrt(lambda) : 1.0;
  rx *= k;
  ry *= k;
  double coef = std::sqrt((rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p) /
                          (rx * rx * y1p * y1p + ry * ry * x1p * x1p));
  if (largeArc == sweep) {
    coef = -coef;
  }
  if (std::isnan(coef)) {
    coef = 0;
  }
  const double cxp = coef * rx * y1p / ry;
  const double cyp = -coef * ry * x1p / rx;
  const pf::Point u((x1p - cxp) / rx, (y1p - cyp) / ry);
  const pf::Point v((-x1p - cxp) / rx, (-y1p - cyp) / ry);
  const double theta1 = angle(1, 0, u.x, u.y);
  const double r = ratio(u.x, u.y, v.x, v.y);
  double delta = 0;
  if (r <= -1) {
    delta = 3.141592653589793;
  } else if (r < 1) {
    delta = std::acos(r);
    if (u.x * v.y < u.y * v.x) {
      delta = -delta;
    }
  }
  if (std::isnan(theta1) || std::isnan(delta)) {
    return true;  // the end point is the current point: nothing to draw
  }
  const double cx = c * cxp - s * cyp + (x1 + x2) / 2;
  const double cy = s * cxp + c * cyp + (y1 + y2) / 2;
  const double radius = std::max(rx, ry);
  const double sx = rx > ry ? 1.0 : rx / ry;
  const double sy = rx > ry ? ry / rx : 1.0;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius) || !std::isfinite(sx) || !std::isfinite(sy)) {
    return true;  // numbers beyond the double range draw nothing
  }
  // Only the new arc is mapped from the circle to the ellipse; the path so far stays untouched,
  // so long paths neither drift nor cost more per arc.
  pf::AffineTransform toEllipse;
  toEllipse.translate(cx, cy);
  toEllipse.rotate(phi);
  toEllipse.scale(sx, sy);
  pf::Path arc;
  arc.addArc({0, 0}, radius, theta1, theta1 + delta,
             sweep ? pf::ArcDirection::IncreasingAngle : pf::ArcDirection::DecreasingAngle, toEllipse);
  // The pieces start at the current point and the last one ends exactly at the end point.
  const std::vector<pf::PathElement>& elements = arc.elements();
  std::size_t last = elements.size();
  while (last > 0 && elements[last - 1].type != pf::PathElementType::CurveTo) {
    --last;
  }
  pf::Path& target = path.currentSubpath();
  for (std::size_t i = 0; i < last; ++i) {
    const pf::PathElement& element = elements[i];
    if (element.type != pf::PathElementType::CurveTo) {
      continue;
    }
    const pf::Point end = i + 1 == last ? pf::Point(x2, y2) : element.points[2];
    target.curveTo(element.points[0], element.points[1], end);
  }
  return true;
}
