#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command q: a quadratic curve, drawn as the equivalent cubic curve.
class ODSVGCommandQuadraticCurve {
public:
  ODSVGCommandQuadraticCurve() = delete;

  static long requiredParameterCount() { return 4; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
