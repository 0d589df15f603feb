#pragma once

#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGCommand;
class ODSVGPath;

// Path command m: moves to (x, y), or by it when relative (an absolute move when the path has no current point yet); later parameter sets of the same command draw lines.
class ODSVGCommandMove {
public:
  ODSVGCommandMove() = delete;

  static long requiredParameterCount() { return 2; }
  // Draws one parameter set; false when the path has no current point to start from.
  static bool runWithParams(const double* params, long paramCount, const ODSVGCommand& command,
                            const ODSVGCommand* previousCommand, long type, ODSVGPath& path);
  static const ODSVGCommandClass& commandClass();
};
