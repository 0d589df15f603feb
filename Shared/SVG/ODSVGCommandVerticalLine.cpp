#include "Shared/SVG/ODSVGCommandVerticalLine.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandVerticalLine::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandVerticalLine", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandVerticalLine::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                          const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return false;
  }
  const double y = type == 1 ? current->y + params[0] : params[0];
  path.currentSubpath().lineTo({current->x, y});
  return true;
}
