#include "Shared/SVG/ODSVGCommandCurve.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandCurve::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandCurve", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandCurve::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
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
  path.currentSubpath().curveTo({params[0] + dx, params[1] + dy}, {params[2] + dx, params[3] + dy},
                                {params[4] + dx, params[5] + dy});
  return true;
}
