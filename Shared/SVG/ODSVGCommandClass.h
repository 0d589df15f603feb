#pragma once

class ODSVGCommand;
class ODSVGPath;

// The drawing class of one path command letter, as the command registry holds it: its name,
// the numbers one parameter set takes, and the operation that draws one set into a path.
// `runWithParams` returns false when the segment needs a current point and the path has none
// (data that does not start with a move): the document is then in error.
struct ODSVGCommandClass {
  const char* name = "";
  long (*requiredParameterCount)() = nullptr;
  bool (*runWithParams)(const double* params, long paramCount, const ODSVGCommand& command,
                        const ODSVGCommand* previousCommand, long type, ODSVGPath& path) = nullptr;
};
