#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

class MVParameterIndex;
class MVParameterValue;
class MVParameterValue2D;

// The repeater that places its input on a straight, brick or hexagonal grid. Columns and rows
// are set directly or counted from the spacing and a repetition area (by default the artboard),
// or the spacing is derived from the area and the counts. While something upstream reads node
// indexes it publishes "Column", "Row" and "Index" for each repetition.
class RepeatGridNode : public RepeaterNode {
public:
  // Values of "Grid Mode" (saved in documents).
  static constexpr long long kStraight = 0;
  static constexpr long long kBrick = 1;
  static constexpr long long kHex = 2;
  // Row distance of the hex grid relative to the column distance (the sine of 60 degrees).
  static constexpr double kHexRowFactor = 0.8660254037844386;

  RepeatGridNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Repetition area" starts as the artboard.
  void initNodeParameters() override;
  void updateLinkedParameters() override;
  // The hex type locks the spacing's aspect and makes the rows follow the columns.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  void artboardSizeChanged() override;
  // Auto spacing ("Offset"), auto count ("Count") and the artboard as "Repetition area".
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // Older-generation records: the grid's own names, then the repeater base's.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // "Equal spacing" in the record's "Parameter values" locks the spacing's aspect.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterIndex* gridModeParameter() const { return &gridMode_; }
  MVParameterValue2D* countParameter() const { return &count_; }
  MVParameterValue2D* offsetParameter() const { return &offset_; }
  MVParameterValue2D* repetitionAreaParameter() const { return &area_; }

protected:
  std::vector<std::string> nodeIndexNames() const override { return {"Column", "Row", "Index"}; }
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  bool extrasEnabled() const;

  static constexpr int kDragEditOffset = 1;
  static constexpr int kDragEditSize = 4;

  MVParameterIndex& gridMode_ = nodekit::choice(
      *this, {.name = "Grid Mode", .displayName = "Grid pattern", .tooltip = "The type of grid repetition pattern"},
      {.names = {"Straight", "Brick", "Hex"},
       .icons = {"icon_pattern_grid.png", "icon_pattern_brick.png", "icon_pattern_hex.png"},
       .tooltips = {"A straight grid with horizonal and vertical spacing",
                    "A shifted brick-grid with horizonal and vertical spacing and a proportional shift each row",
                    "An alternating grid with equal spacing in horizontal and diagonal directions"},
       .index = kStraight});
  MVParameterValue2D& count_ =
      nodekit::value2D(*this,
                       {.name = "Count",
                        .displayName = "Repetitions",
                        .tooltip = "Number of horizontal and vertical repetitions",
                        .showHeaderLabel = false},
                       {.x = 4,
                        .y = 4,
                        .presets = nodekit::Presets::Size,
                        .min = 1,
                        .rangeMax = 10,
                        .displayNameX = "Columns",
                        .displayNameY = "Rows",
                        .integer = true});
  MVParameterBool& autoCount_ = nodekit::toggle(
      *this,
      {.name = "Auto count",
       .tooltip = "Sets the rows and columns automatically based on the grid size and spacing values."},
      false);
  MVParameterValue& rowShift_ = nodekit::value(
      *this, {.name = "Row shift", .tooltip = "Horizontal shift per row, relative to horizontal spacing"},
      {.value = 0.5, .min = 0, .max = 1});
  MVParameterValue2D& offset_ = nodekit::value2D(
      *this,
      {.name = "Offset",
       .displayName = "Grid spacing",
       .tooltip = "Spacing between the repeated elements",
       .dragEdit = kDragEditOffset},
      {.x = 40, .y = 40, .rangeMin = 0, .rangeMax = 100, .aspectToggle = true});
  MVParameterBool& autoSpacing_ = nodekit::toggle(
      *this,
      {.name = "Auto spacing",
       .tooltip = "Sets the spacing values automatically based on the repetition area size and number of rows and "
                  "columns."},
      false);
  MVParameter& areaHeading_ = nodekit::plain(*this, {.name = "Area heading", .displayName = "Repetition grid area"});
  MVParameterValue2D& area_ = nodekit::value2D(
      *this,
      {.name = "Repetition area",
       .displayName = "Repetition grid area",
       .tooltip = "The size of the repetition area, used for auto spacing and auto count",
       .dragEdit = kDragEditSize},
      {.x = 200, .y = 200, .presets = nodekit::Presets::Size, .min = 0});
  MVParameterBool& useArtboardSize_ = nodekit::toggle(
      *this, {.name = "Use artboard size", .tooltip = "Use the artboard size to set the desired grid area"}, true);
  MVParameter& extras_ = nodekit::plain(*this, {.name = "Has Extras",
                                                .displayName = "Extra settings",
                                                .tooltip = "Enables some extra settings configuring the repeater",
                                                .enableToggle = true,
                                                .enabled = false});
  MVParameterBool& shortOddRows_ = nodekit::toggle(
      *this, {.name = "Short odd rows", .tooltip = "When enabled, the odd rows get one element less"}, false);
  MVParameterBool& removeLast_ = nodekit::toggle(
      *this,
      {.name = "Remove last",
       .tooltip = "Used together with auto-spacing calculation to use calculate spacing for the set number of "
                  "rows/columns but actually repeat one less, removing the last row/column. This is useful if you "
                  "want to use a seamless repeater after this node."},
      false);
};
