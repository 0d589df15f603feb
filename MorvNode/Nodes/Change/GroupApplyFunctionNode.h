#pragma once

#include <cstdlib>

#include "MorvNode/Nodes/Change/ChangeNode.h"

class MVParameterValueFunction;

// "Apply function": gives each member of a group its own amount of one change (a scale, an
// offset, a rotation, a colour shift, an opacity, a stroke width or a chance of removal). The
// amount is the "Function Preview" curve, scaled from "Min" to "Max", read at a per-member
// input t in 0..1: the member's index, its relative x or y position, or its relative distance
// from the group's pivot. An input that is not a group passes through unchanged.
//
// The node keeps its own loop (the base's selection pattern picks the members in Selected
// mode) and hands on a changed copy of the input group; the removal slot drops members from
// that copy, drawn reproducibly from the node's seed and the member's index. A function value
// that is not a number changes nothing for that member.
class GroupApplyFunctionNode : public ChangeNode {
public:
  // "Input parameter" positions.
  static constexpr long long kIndexInput = 0;
  static constexpr long long kXInput = 1;
  static constexpr long long kYInput = 2;
  static constexpr long long kPivotDistanceInput = 3;
  // "Transformation" positions (6, 11 and 17 are menu separators).
  enum Slot : long long {
    kScale = 0,
    kScaleX = 1,
    kScaleY = 2,
    kOffsetX = 3,
    kOffsetY = 4,
    kRotation = 5,
    kFillHue = 7,
    kFillSaturation = 8,
    kFillBrightness = 9,
    kFillOpacity = 10,
    kStrokeHue = 12,
    kStrokeSaturation = 13,
    kStrokeBrightness = 14,
    kStrokeOpacity = 15,
    kStrokeWidth = 16,
    kRemovalChance = 18,
  };

  GroupApplyFunctionNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // Shows the rows that apply, copies the settings into the curve and redraws its chart.
  void updateLinkedParameters() override;
  // Also warns when the noise point count is above what the curve draws.
  void checkWarnings() override;

  // Older-generation names: "Apply to", "Function input label" and "Function label" are dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // Old records kept the periods and offset always in force: the "Modify periods" row is
  // switched on unless they are 1 and 0.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterIndex* inputParameter() const { return &input_; }
  MVParameterBool* reducedRangeParameter() const { return &reducedRange_; }
  MVParameterIndex* functionParameter() const { return &function_; }
  MVParameterValueFunction* functionPreviewParameter() const { return &preview_; }
  MVParameterValue* noisePointCountParameter() const { return &noisePointCount_; }
  MVParameterBool* noiseSeamlessParameter() const { return &noiseSeamless_; }
  MVParameterValue* noiseSeedParameter() const { return &noiseSeed_; }
  MVParameter* functionSettingsParameter() const { return &functionSettings_; }
  MVParameterValue* periodsParameter() const { return &periods_; }
  MVParameterValue* offsetParameter() const { return &offset_; }
  MVParameterBool* capEndValuesParameter() const { return &capEndValues_; }
  MVParameterIndex* transformationParameter() const { return &transformation_; }
  MVParameterValue* minParameter() const { return &min_; }
  MVParameterValue* maxParameter() const { return &max_; }
  MVParameterBool* insideClippingParameter() const { return &insideClipping_; }

private:
  // The "Function Preview" row, declared in its place among the others.
  static MVParameterValueFunction& functionPreview(MVNode& node);
  // Copies every curve setting of the rows into the curve.
  void configureFunction();
  // Changes member `member` (index `index`) by the function value `v`.
  void applySlot(MVElement& member, long long index, double v, bool& remove);

  MVParameterIndex& input_ = nodekit::choice(
      *this,
      {.name = "Input parameter",
       .header = "Function input",
       .tooltip = "Select what to use as the input value of the function, either the index of the element in the "
                  "array or its position.",
       .spaceAbove = 4},
      {.names = {"Index", "X Position", "Y Position", "Pivot distance"},
       .icons = {"node_icon_value_group_index.png", "icon_offset_x.png", "icon_offset_y.png",
                 "icon_pivot_distance.png"},
       .tooltips = {"Index of the element in the array", "Relative horizontal position of the element in the array",
                    "Relative vertical position of the element in the array",
                    "Relative distance of the element from the array pivot point"}});
  MVParameterBool& reducedRange_ = nodekit::toggle(
      *this,
      {.name = "Reduced range",
       .tooltip = "Reduces the index range by -1 making the elements correspond to the full 0-1 value range. However, "
                  "the function will then not align correctly if multiple function periods are used."},
      false);
  MVParameterIndex& function_ = nodekit::choice(
      *this, {.name = "Function", .tooltip = "Function generating the transformation value."},
      {.names = {"Linear", "Squared", "Cubed", "Sin()", "Cos()", "Ease", "Linear peak", "Ease peak", "Squarewave",
                 "Noise linear", "Noise smooth"},
       .icons = {"icon_function_linear.png", "icon_function_squared.png", "icon_function_cubed.png",
                 "icon_function_sin.png", "icon_function_cos.png", "icon_function_ease.png",
                 "icon_function_linear_peak.png", "icon_function_ease_peak.png", "icon_function_squarewave.png",
                 "icon_function_noise.png", "icon_function_smooth_noise.png"}});
  MVParameterValueFunction& preview_ = functionPreview(*this);
  MVParameterValue& noisePointCount_ = nodekit::value(
      *this,
      {.name = "Noise point count",
       .displayName = "Noise points",
       .tooltip = "Number of random value points in one period of the noise function."},
      {.value = 10, .min = 2, .rangeMax = 20, .integer = true});
  MVParameterBool& noiseSeamless_ = nodekit::toggle(
      *this,
      {.name = "Noise seamless",
       .displayName = "Seamless",
       .tooltip = "When checked the first and last noise value points are the same, making it loop seamlessly."},
      true);
  MVParameterValue& noiseSeed_ = nodekit::value(
      *this, {.name = "Noise seed", .tooltip = "The random seed used for to generate the noise"},
      {.value = static_cast<double>(std::rand() % 10000), .rangeMin = 0, .rangeMax = 10000, .integer = true});
  MVParameter& functionSettings_ = nodekit::plain(
      *this,
      {.name = "Function Settings header",
       .header = "Modify periods",
       .tooltip = "Toggle on to modify the function period number and offset.",
       .enableToggle = true,
       .enabled = false,
       .spaceBelow = 2});
  MVParameterValue& periods_ = nodekit::value(
      *this, {.name = "Periods", .tooltip = "Number of function periods."},
      {.value = 1, .rangeMin = 0, .rangeMax = 2, .disabledValue = 1});
  MVParameterValue& offset_ = nodekit::value(
      *this, {.name = "Offset", .tooltip = "Offset of the function periods."},
      {.value = 0, .rangeMin = -1, .rangeMax = 1, .disabledValue = 0});
  MVParameterBool& capEndValues_ = nodekit::toggle(
      *this,
      {.name = "Cap end values",
       .tooltip = "When checked the values are set to a static max/min end value outside the function period range "
                  "when offset. When unchecked, the function just repeats instead."},
      false);
  MVParameterIndex& transformation_ = nodekit::choice(
      *this,
      {.name = "Transformation",
       .header = "Apply to",
       .tooltip = "Transformation to use the function value on. The color and opacity changes are applied to the "
                  "element current value, stroke width is absolute."},
      {.names = {"Scale", "Scale X", "Scale Y", "Offset X", "Offset Y", "Rotation", "-", "Fill Hue",
                 "Fill Saturation", "Fill Brightness", "Fill Opacity", "-", "Stroke Hue", "Stroke Saturation",
                 "Stroke Brightness", "Stroke Opacity", "Stroke Width", "-", "Removal chance"},
       .icons = {"icon_scale.png", "icon_scale_x.png", "icon_scale_y.png", "icon_offset_x.png", "icon_offset_y.png",
                 "icon_rotation.png", "-", "", "", "", "node_icon_change_opacity.png", "-", "", "", "",
                 "node_icon_change_opacity.png", "node_icon_change_stroke.png", "", ""},
       .tooltips = {"Apply to uniform scale of the elements", "Apply to x-scale of the elements",
                    "Apply to y-scale of the elements", "Apply to x-offset of the elements",
                    "Apply to y-offset of the elements", "Apply to rotation of the elements", "-",
                    "Apply to fill color hue of the elements", "Apply to fill color saturation of the elements",
                    "Apply to fill color brightness of the elements", "Apply to fill color opacity of the elements",
                    "-", "Apply to stroke color hue of the elements",
                    "Apply to stroke color saturation of the elements",
                    "Apply to stroke color brightness of the elements",
                    "Apply to stroke color opacity of the elements", "Apply as absolute stroke width of the elements",
                    "-", "Apply as a 0-1 removal chance of each element"}});
  MVParameterValue& min_ =
      nodekit::value(*this, {.name = "Min", .tooltip = "Minimum value of the function range."}, {.value = 0.5});
  MVParameterValue& max_ =
      nodekit::value(*this, {.name = "Max", .tooltip = "Maximum value of the function range."}, {.value = 1.0});
  MVParameterBool& insideClipping_ = nodekit::toggle(
      *this,
      {.name = "Transform Inside Clipping",
       .displayName = "Inside clipping",
       .tooltip = "If the elements have a clipping mask applied, the node transformation will be applied to the "
                  "content inside the clipping mask instead of the element."},
      false);
};
