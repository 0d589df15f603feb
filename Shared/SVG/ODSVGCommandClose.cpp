#include "Shared/SVG/ODSVGCommandClose.h"

#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGPath.h"

const ODSVGCommandClass& ODSVGCommandClose::commandClass()
{
  static const ODSVGCommandClass kClass{"ODSVGCommandClose", &requiredParameterCount, &runWithParams};
  return kClass;
}

bool ODSVGCommandClose::runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                                   const ODSVGCommand* previousCommand, long type, ODSVGPath& path)
{
  (void)params;
  (void)paramCount;
  (void)command;
  (void)previousCommand;
  (void)type;
  path.close();
  return true;
}
