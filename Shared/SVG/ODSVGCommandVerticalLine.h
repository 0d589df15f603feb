#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command v: a vertical line to y, or by it when relative.
class ODSVGCommandVerticalLine {
public:
  ODSVGCommandVerticalLine() = delete;

  static long requiredParameterCount() { return 1; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
