#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command a: an elliptical arc (rx ry x-axis-rotation large-arc-flag sweep-flag x y).
class ODSVGCommandArc {
public:
  ODSVGCommandArc() = delete;

  static long requiredParameterCount() { return 7; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
