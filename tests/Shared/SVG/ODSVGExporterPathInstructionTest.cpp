#include "Shared/SVG/ODSVGExporterPathInstruction.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Instructions = std::vector<ODSVGExporterPathInstruction>;

std::string absolute(const pf::Path& path)
{
  return ODSVGExporterPathInstruction::pathStringFromInstructions(ODSVGExporterPathInstruction::instructionsFromPath(path));
}

std::string relative(const pf::Path& path)
{
  Instructions instructions = ODSVGExporterPathInstruction::instructionsFromPath(path);
  ODSVGExporterPathInstruction::convertInstructionsToRelativeCoordinates(instructions);
  return ODSVGExporterPathInstruction::pathStringFromInstructions(instructions);
}

TEST(ODSVGExporterPathInstruction, PrintsPathsAbsoluteAndRelative)
{
  struct Case {
    const char* label;
    pf::Path path;
    const char* absolute;
    const char* relative;
  };
  const Case cases[] = {
      {"closed square: H and V forms",
       pf::Path().moveTo({0, 0}).lineTo({10, 0}).lineTo({10, 10}).lineTo({0, 10}).closeSubpath(), "M0,0H10V10H0Z",
       "M0,0h10v10h-10Z"},
      {"a line to where the pen is becomes V", pf::Path().moveTo({3, 4}).lineTo({3, 4}), "M3,4V4", "M3,4v0"},
      {"diagonal line", pf::Path().moveTo({1, 1}).lineTo({4, 5}), "M1,1L4,5", "M1,1l3,4"},
      {"curves", pf::Path().moveTo({10, 10}).quadCurveTo({20, 0}, {30, 10}).curveTo({40, 20}, {50, 20}, {60, 10}),
       "M10,10Q20,0 30,10C40,20 50,20 60,10", "M10,10q10,-10 20,0c10,10 20,10 30,0"},
      {"a move after a close at the end is dropped",
       pf::Path().moveTo({0, 0}).lineTo({5, 5}).closeSubpath().moveTo({7, 7}), "M0,0L5,5Z", "M0,0l5,5Z"},
      {"a move at the end after a line stays", pf::Path().moveTo({0, 0}).lineTo({5, 5}).moveTo({7, 8}),
       "M0,0L5,5M7,8", "M0,0l5,5m2,3"},
      {"later moves are relative to the closed subpath's start",
       pf::Path().moveTo({10, 10}).lineTo({20, 20}).closeSubpath().moveTo({15, 12}).lineTo({16, 13}),
       "M10,10L20,20ZM15,12L16,13", "M10,10l10,10Zm5,2l1,1"},
      {"one move", pf::Path().moveTo({2.5, -1e-7}), "M2.5,-1e-07", "M2.5,-1e-07"},
      {"six significant digits, no negative zero", pf::Path().moveTo({1.0 / 3.0, -0.0}).lineTo({123456789, 2}),
       "M0.333333,0L1.23457e+08,2", "M0.333333,0l1.23457e+08,2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(absolute(c.path), c.absolute);
    EXPECT_EQ(relative(c.path), c.relative);
  }
}

TEST(ODSVGExporterPathInstruction, RelativeRewriteOfEveryLetter)
{
  // Letters the reader never makes (A, S, T) are rewritten too, and relative input only moves
  // the current point.
  auto make = [](char letter, std::vector<double> values) {
    ODSVGExporterPathInstruction instruction(letter, static_cast<long>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
      instruction.data()[i] = values[i];
    }
    return instruction;
  };
  Instructions instructions = {make('M', {10, 10}), make('l', {5, 5}),   make('A', {4, 4, 0, 0, 1, 20, 20}),
                               make('S', {25, 25, 30, 30}), make('T', {35, 30}), make('h', {5}),
                               make('V', {50}),  make('z', {}),      make('M', {12, 12})};
  ODSVGExporterPathInstruction::convertInstructionsToRelativeCoordinates(instructions);
  std::string letters;
  for (const auto& instruction : instructions) {
    letters += instruction.instruction();
  }
  EXPECT_EQ(letters, "Mlasthvzm");
  EXPECT_EQ(instructions[2].data()[0], 4);  // radii untouched
  EXPECT_EQ(instructions[2].data()[5], 5);  // end point from (15, 15)
  EXPECT_EQ(instructions[3].data()[0], 5);
  EXPECT_EQ(instructions[3].data()[3], 10);
  EXPECT_EQ(instructions[4].data()[0], 5);
  EXPECT_EQ(instructions[6].data()[0], 20);  // from y 30 to 50
  EXPECT_EQ(instructions[8].data()[0], 2);   // after z the pen is back at (10, 10)
  // A, S and T print nothing.
  EXPECT_EQ(ODSVGExporterPathInstruction::pathStringFromInstructions(instructions), "M10,10l5,5h5v20zm2,2");
}

}  // namespace
