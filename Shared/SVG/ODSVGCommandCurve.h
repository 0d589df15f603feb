#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command c: a cubic curve with controls (x1, y1), (x2, y2) to (x, y).
class ODSVGCommandCurve {
public:
  ODSVGCommandCurve() = delete;

  static long requiredParameterCount() { return 6; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
