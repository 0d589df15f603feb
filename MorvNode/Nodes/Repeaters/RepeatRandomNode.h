#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"
#include "Platform/Point.h"

class MVParameterIndex;
class MVParameterValue;
class MVParameterValue2D;

// The repeater that scatters copies of its input at reproducible random offsets inside a
// rectangle (the input's position its top-left corner) or a disc (the input at its centre),
// optionally keeping a minimum distance between element positions. The draws depend only on
// the repetition number and the node's seeds, so a document scatters the same way until a seed
// or a parameter changes. It publishes "Index" (from 1) while something upstream reads it.
class RepeatRandomNode : public RepeaterNode {
public:
  // Values of "Area type" (saved in documents).
  static constexpr long long kRectangle = 0;
  static constexpr long long kRadial = 1;
  // Placement attempts per repetition before it is left out.
  static constexpr int kMaxPlacementAttempts = 1000;
  // Attempts of all repetitions of one generation together: with a spacing the area cannot
  // hold, every repetition would use up its attempts; past this budget the remaining
  // repetitions are left out at once (the placement warning reports the shortfall).
  static constexpr long long kMaxTotalPlacementAttempts = 10000000;

  RepeatRandomNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Repetition area" starts as the artboard.
  void initNodeParameters() override;
  void updateLinkedParameters() override;
  void artboardSizeChanged() override;
  // The artboard as "Repetition area" while "Use artboard size" is on.
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;
  // Also the placement warning of the last generation.
  void checkWarnings() override;

  // Moves `element` to a random place at least `spacing` away from every element placed so far
  // in this generation and records it; false (the element is not moved) when no such place
  // was found.
  bool placeNewElement(MVElement& element, long long index, long long areaType, double spacing);

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  const std::optional<std::string>& placementWarningString() const { return placementWarningString_; }
  MVParameterValue* countParameter() const { return &count_; }
  MVParameterValue* spacingParameter() const { return &spacing_; }

protected:
  std::vector<std::string> nodeIndexNames() const override { return {"Index"}; }
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  // The positions placed so far, bucketed in square cells of the spacing so that a distance
  // check looks at the 3 x 3 cells around the candidate only.
  class PlacedPositions {
  public:
    void reset(double cellSize);
    void add(pf::Point position);
    bool empty() const { return all_.empty(); }
    // Buckets everything anew in cells of `spacing` when the cells are smaller (a spacing that
    // follows "Index" may grow during a generation).
    void growCellsTo(double spacing);
    // No placed position is nearer than `spacing` (which must not exceed the cell size).
    bool isClear(pf::Point candidate, double spacing) const;

  private:
    struct Cell {
      long long x;
      long long y;
      friend bool operator==(const Cell&, const Cell&) = default;
    };
    struct CellHash {
      std::size_t operator()(const Cell& cell) const;
    };
    Cell cellOf(pf::Point position) const;

    double cellSize_ = 0;  // 0: one cell holds everything
    std::unordered_map<Cell, std::vector<pf::Point>, CellHash> cells_;
    std::vector<pf::Point> all_;
  };

  static constexpr int kDragEditSize = 4;

  MVParameterValue& count_ = nodekit::value(
      *this, {.name = "Count", .header = "Repetitions", .tooltip = "The number of repetitions"},
      {.value = 10, .min = 1, .rangeMax = 100, .integer = true});
  MVParameterBool& keepOriginal_ = nodekit::toggle(
      *this,
      {.name = "Keep original",
       .tooltip = "Include the original input element in it's original location in the output group"},
      true);
  MVParameterIndex& areaType_ = nodekit::choice(
      *this,
      {.name = "Area type",
       .header = "Repetition area",
       .tooltip = "The type of area the random repetitions will be placed in."},
      {.names = {"Rectangle", "Radial"},
       .icons = {"node_icon_repeat_grid.png", "node_icon_repeat_radial.png"},
       .tooltips = {"A rectangular area with the input element position as the top left corner, like the Grid "
                    "repeaters",
                    "A radial area, originating with the input element at the center like the Radial repearer."},
       .index = kRectangle});
  MVParameterValue2D& area_ = nodekit::value2D(*this,
                                               {.name = "Repetition area",
                                                .displayName = "Repetition area size",
                                                .tooltip = "The size of the repetition area",
                                                .dragEdit = kDragEditSize},
                                               {.x = 200, .y = 200, .presets = nodekit::Presets::Size, .min = 0});
  MVParameterBool& useArtboardSize_ = nodekit::toggle(
      *this,
      {.name = "Use artboard size", .tooltip = "Use the artboard size to set the random repetition offset range"},
      false);
  MVParameterValue& radius_ = nodekit::value(
      *this,
      {.name = "Radius",
       .tooltip = "The repeated elements are placed radially between 0 and this distance from the input element"},
      {.value = 100, .rangeMin = 0, .rangeMax = 200});
  MVParameterValue& spacing_ =
      nodekit::value(*this,
                     {.name = "Spacing",
                      .header = "Minimum spacing",
                      .tooltip = "Set a minimum space between repeated element centers",
                      .enableToggle = true,
                      .enabled = false},
                     {.value = 10, .rangeMin = 0});

  PlacedPositions placed_;  // during one generation only
  long long attemptsLeft_ = 0;
  std::optional<std::string> placementWarningString_;
};
