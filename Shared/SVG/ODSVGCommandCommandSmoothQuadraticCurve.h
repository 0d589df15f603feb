#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command t: a quadratic curve whose control reflects the previous quadratic control; the control used is kept as the path's last control point.
class ODSVGCommandCommandSmoothQuadraticCurve {
public:
  ODSVGCommandCommandSmoothQuadraticCurve() = delete;

  static long requiredParameterCount() { return 2; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
