#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Path.h"

// One command of SVG path data as the SVG exporter writes it: a letter (upper case absolute,
// lower case relative) and its numbers in SVG parameter order. A path is read into a list of
// these (choosing the short H and V forms where a line allows), the list may be rewritten to
// relative commands in place, and the list is printed as compact path data.
//
// Numbers per letter as read from a path: M, L 2; H, V 1; Q 4; C 6; Z 0. The relative rewrite
// also understands A (7, end point at 5 and 6), S (4) and T (2).
class ODSVGExporterPathInstruction {
public:
  // A command with `dataCount` zeroed numbers (a negative count counts as 0).
  ODSVGExporterPathInstruction(char instruction, long dataCount);

  char instruction() const { return instruction_; }
  void setInstruction(char instruction) { instruction_ = instruction; }
  long dataLength() const { return static_cast<long>(data_.size()); }
  // The numbers, filled by the caller after creation and rewritten by the relative conversion.
  double* data() { return data_.data(); }
  const double* data() const { return data_.data(); }

  // The commands of `path`, in order. A move left at the very end after a close is dropped.
  static std::vector<ODSVGExporterPathInstruction> instructionsFromPath(const pf::Path& path);
  // Rewrites absolute commands as relative ones, in place. The first command of the list stays
  // an absolute M; Z stays upper case and puts the current point back at the subpath start.
  static void convertInstructionsToRelativeCoordinates(std::vector<ODSVGExporterPathInstruction>& instructions);
  // Path data text: "%g" numbers, a comma inside a coordinate pair, a blank between pairs.
  // A, S and T print nothing (the exporter never makes them).
  static std::string pathStringFromInstructions(const std::vector<ODSVGExporterPathInstruction>& instructions);

private:
  char instruction_;
  std::vector<double> data_;  // sized once at creation
};
