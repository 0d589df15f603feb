#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

class MVParameterValue;
class MVParameterValue2D;

// The repeater that answers its input followed by n - 1 copies, each transformed one step
// further than the last: offset, scale, absolute resize (stroke-aware) and rotation accumulate.
// The offset can follow from a repetition area (by default the artboard) and the count. It
// publishes "Index" (1 ... n - 1) while something upstream reads it.
class RepeatTransformNode : public RepeaterNode {
public:
  RepeatTransformNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Repetition area" starts as the artboard.
  void initNodeParameters() override;
  void updateLinkedParameters() override;
  void artboardSizeChanged() override;
  // Auto spacing ("Offset") and the artboard as "Repetition area".
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // Moves, scales, resizes and turns `element` one step further than the previous call did
  // (the running totals restart with each generation); answers the same element.
  MVElement& repeatTransformElement(MVElement& element, long long index);

  // Older-generation records.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // "Uniform" locks the aspects of "Resize" and "Scale"; "Has Scale" with "Size mode" chooses
  // which of the two is on.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterValue* countParameter() const { return &count_; }
  MVParameterValue2D* offsetParameter() const { return &offset_; }
  MVParameterValue2D* scaleParameter() const { return &scale_; }
  MVParameterValue2D* resizeParameter() const { return &resize_; }
  MVParameterValue* rotationParameter() const { return &rotation_; }

protected:
  std::vector<std::string> nodeIndexNames() const override { return {"Index"}; }
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  static constexpr int kDragEditOffset = 1;
  static constexpr int kDragEditScale = 2;
  static constexpr int kDragEditResize = 3;
  static constexpr int kDragEditSize = 4;
  static constexpr int kDragEditRotation = 5;

  // Running totals of one generation.
  double lastOffsetX_ = 0;
  double lastOffsetY_ = 0;
  double lastScaleX_ = 1;
  double lastScaleY_ = 1;
  double lastSizeDeltaX_ = 0;
  double lastSizeDeltaY_ = 0;
  double lastRotation_ = 0;  // degrees

  MVParameterValue& count_ = nodekit::value(*this, {.name = "Count", .tooltip = "Number of repetitions"},
                                            {.value = 2, .min = 1, .rangeMax = 10, .integer = true});
  MVParameter& transformationHeading_ =
      nodekit::plain(*this, {.name = "Transformation heading", .header = "Transformation"});
  MVParameterValue2D& offset_ = nodekit::value2D(*this,
                                                 {.name = "Offset",
                                                  .tooltip = "Spacing between the repeated elements",
                                                  .enableToggle = true,
                                                  .dragEdit = kDragEditOffset},
                                                 {.x = 40, .y = 40, .rangeMin = 0, .rangeMax = 100, .aspectToggle = true});
  MVParameterBool& autoSpacing_ = nodekit::toggle(
      *this,
      {.name = "Auto spacing", .tooltip = "Sets the offset values automatically based on a repetition area size and count."},
      false);
  MVParameter& areaHeading_ =
      nodekit::plain(*this, {.name = "Repetition area heading", .header = "Repetition area"});
  MVParameterValue2D& area_ = nodekit::value2D(
      *this,
      {.name = "Repetition area",
       .tooltip = "The size of the repetition area, used for auto spacing and auto count",
       .dragEdit = kDragEditSize},
      {.x = 200, .y = 200, .presets = nodekit::Presets::Size, .min = 0});
  MVParameterBool& useArtboardSize_ = nodekit::toggle(
      *this, {.name = "Use artboard size", .tooltip = "Use the artboard size to set the desired grid area"}, true);
  MVParameterValue2D& scale_ = nodekit::value2D(*this,
                                                {.name = "Scale",
                                                 .tooltip = "Scale of the element",
                                                 .enableToggle = true,
                                                 .enabled = false,
                                                 .showHeaderLabel = false,
                                                 .dragEdit = kDragEditScale},
                                                {.x = 1, .y = 1, .presets = nodekit::Presets::Scale, .rangeMin = 0,
                                                 .rangeMax = 2, .aspectLocked = true});
  MVParameterValue2D& resize_ = nodekit::value2D(
      *this,
      {.name = "Resize",
       .tooltip = "Size change in absolute units, used in Size mode instead of scale",
       .enableToggle = true,
       .enabled = false,
       .showHeaderLabel = false,
       .dragEdit = kDragEditResize},
      {.x = 0,
       .y = 0,
       .presets = nodekit::Presets::Size,
       .rangeMin = -10,
       .rangeMax = 10,
       .aspectLocked = true,
       .displayNameX = "X Add",
       .displayNameY = "Y Add"});
  MVParameterValue& rotation_ =
      nodekit::value(*this,
                     {.name = "Rotation",
                      .displayName = "Angle",
                      .header = "Rotation",
                      .tooltip = "Angle in degrees the element will be rotated per repetition.",
                      .enableToggle = true,
                      .enabled = false,
                      .dragEdit = kDragEditRotation},
                     {.value = 45, .rangeMin = -180, .rangeMax = 180});
};
