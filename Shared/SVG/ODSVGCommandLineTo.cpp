#include "Shared/SVG/ODSVGCommandLineTo.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandLineTo::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandLineTo", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandLineTo::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                    const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  pf::Point point(params[0], params[1]);
  if (type == 1) {
    point = {current->x + point.x, current->y + point.y};
  }
  path.currentSubpath().lineTo(point);
  return true;
}
