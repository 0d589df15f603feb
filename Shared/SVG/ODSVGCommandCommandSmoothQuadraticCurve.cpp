#include "Shared/SVG/ODSVGCommandCommandSmoothQuadraticCurve.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGCommandQuadraticCurve.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGUtils.h"

const ODSVGCommandClass& ODSVGCommandCommandSmoothQuadraticCurve::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandCommandSmoothQuadraticCurve", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandCommandSmoothQuadraticCurve::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                                         const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const pf::Point cur = *current;
  pf::Point control = cur;
  if (previousCommand) {
    const double* p = previousCommand->parameters().data();
    if (previousCommand->commandClass() == &ODSVGCommandQuadraticCurve::commandClass()) {
      const pf::Point previousControl = previousCommand->type() == 1 ? pf::Point(cur.x - p[2] + p[0], cur.y - p[3] + p[1])
                                                                     : pf::Point(p[0], p[1]);
      control = {2 * cur.x - previousControl.x, 2 * cur.y - previousControl.y};
    } else if (previousCommand->commandClass() == &commandClass()) {
      const pf::Point last = path.lastControlPoint();
      control = {2 * cur.x - last.x, 2 * cur.y - last.y};
    }
  }
  path.setLastControlPoint(control);
  const pf::Point end = type == 1 ? pf::Point(cur.x + params[0], cur.y + params[1]) : pf::Point(params[0], params[1]);
  ODSVGAddQuadCurveToPoint(path.currentSubpath(), end, control);
  return true;
}
