#include "Shared/SVG/ODSVGCommandHorizontalLine.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandHorizontalLine::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandHorizontalLine", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandHorizontalLine::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const double x = type == 1 ? current->x + params[0] : params[0];
  path.currentSubpath().lineTo({x, current->y});
  return true;
}
