#pragma once

#include <array>
#include <vector>

#include "Platform/Path.h"

// Red, green and blue, each 0..1.
using VectorParserRGB = std::array<double, 3>;

// The path reader's result record: every shape of an imported file merged into one path,
// centred on the origin, with the file's fill rule and the style its last shapes carried.
// The SVG reader's initial values apply to both readers. Coordinates are the file's units; the
// SVG reader flips its y-down text to y-up, so both readers answer y-up paths.
struct VectorParserPathStruct {
  pf::Path path;
  bool fill = true;
  bool evenOdd = false;  // even-odd fill rule instead of non-zero winding
  bool stroke = false;
  double strokeWidth = 1.0;  // file units
  VectorParserRGB fillRGB{0.0, 0.0, 0.0};
  VectorParserRGB strokeRGB{0.0, 0.0, 0.0};
};

// What a reader answers: at most one record; empty when the text was read but held nothing
// usable.
using VectorParserPaths = std::vector<VectorParserPathStruct>;
