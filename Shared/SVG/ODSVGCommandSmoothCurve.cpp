#include "Shared/SVG/ODSVGCommandSmoothCurve.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGCommandCurve.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandSmoothCurve::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandSmoothCurve", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandSmoothCurve::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                         const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const pf::Point cur = *current;
  // The previous curve's second control point, reflected about the current point.
  pf::Point first = cur;
  if (previousCommand) {
    const double* p = previousCommand->parameters().data();
    const bool relative = previousCommand->type() == 1;
    std::optional<pf::Point> control;
    if (previousCommand->commandClass() == &ODSVGCommandCurve::commandClass()) {
      control = relative ? pf::Point(cur.x - p[4] + p[2], cur.y - p[5] + p[3]) : pf::Point(p[2], p[3]);
    } else if (previousCommand->commandClass() == &commandClass()) {
      control = relative ? pf::Point(cur.x - p[2] + p[0], cur.y - p[3] + p[1]) : pf::Point(p[0], p[1]);
    }
    if (control) {
      first = {2 * cur.x - control->x, 2 * cur.y - control->y};
    }
  }
  const double dx = type == 1 ? cur.x : 0.0;
  const double dy = type == 1 ? cur.y : 0.0;
  path.currentSubpath().curveTo(first, {params[0] + dx, params[1] + dy}, {params[2] + dx, params[3] + dy});
  return true;
}
