#include "Shared/SVG/ODSVGCommandQuadraticCurve.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGUtils.h"

const ODSVGCommandClass& ODSVGCommandQuadraticCurve::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandQuadraticCurve", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandQuadraticCurve::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const double dx = type == 1 ? current->x : 0.0;
  const double dy = type == 1 ? current->y : 0.0;
  ODSVGAddQuadCurveToPoint(path.currentSubpath(), {params[2] + dx, params[3] + dy}, {params[0] + dx, params[1] + dy});
  return true;
}
