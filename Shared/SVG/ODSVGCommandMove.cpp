#include "Shared/SVG/ODSVGCommandMove.h"

#include <optional>

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGCommandLineTo.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandMove::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandMove", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandMove::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                  const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  if (command.isSubCommand() && previousCommand && previousCommand->commandClass() == &commandClass()) {
    return ODSVGCommandLineTo::runWithParams(params, paramCount, command, previousCommand, type, path);
  }
  pf::Point point(params[0], params[1]);
  const std::optional<pf::Point> current = path.currentPoint();
  if (type == 1 && current) {
    point = {current->x + point.x, current->y + point.y};
  }
  path.currentSubpath().moveTo(point);
  return true;
}
