#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

class ODAnimator;
class MVParameterValue;
class MVParameterValue2D;

// The repeater that places its input on an ellipse, optionally on several concentric rings
// whose count, start angle and diameter change ring by ring. Angles are in degrees in the rows;
// -90 degrees points up (y grows downwards). It publishes "Layer" (always, with several rings),
// "Layer index" and "Index" (while something upstream reads them).
class RepeatRadialNode : public RepeaterNode {
public:
  RepeatRadialNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void updateLinkedParameters() override;

  // Older-generation records: radii become diameters.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // "Radius" r and "Radius offset" r in "Parameter values" set the diameters to (2r, 2r), locked.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;
  // Doubles every keyframe of the animators of "Diameter" and "Diameter offset" (they animated
  // radii in older documents).
  void processImportedLegacyAnimations(const std::vector<ODAnimator*>& animators) override;

  MVParameterValue* countParameter() const { return &count_; }
  MVParameterValue* layersParameter() const { return &layers_; }
  MVParameterValue2D* diameterParameter() const { return &diameter_; }
  MVParameterValue2D* diameterOffsetParameter() const { return &diameterOffset_; }

protected:
  std::vector<std::string> nodeIndexNames() const override { return {"Layer", "Layer index", "Index"}; }
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  static constexpr int kDragEditSize = 4;
  static constexpr int kDragEditRotation = 5;

  MVParameter& repetitionsHeading_ = nodekit::plain(*this, {.name = "Repetitions"});
  MVParameterValue& count_ = nodekit::value(
      *this, {.name = "Count", .tooltip = "The base number of repetitions per layer/ring"},
      {.value = 8, .min = 1, .rangeMax = 10, .integer = true});
  MVParameterValue& layers_ = nodekit::value(*this,
                                             {.name = "Number of layers",
                                              .displayName = "Layers",
                                              .header = "Multiple layers",
                                              .tooltip = "The number of radial repetition layers",
                                              .enableToggle = true,
                                              .enabled = false},
                                             {.value = 2, .min = 0, .rangeMax = 10, .integer = true, .disabledValue = 1});
  MVParameterValue& countOffset_ = nodekit::value(
      *this, {.name = "Count offset", .tooltip = "The change in number of repetitions per layer"},
      {.value = 0, .rangeMin = 0, .rangeMax = 100, .integer = true});
  MVParameterValue& angleOffset_ = nodekit::value(
      *this, {.name = "Angle offset", .tooltip = "The radial angle offset of each additional layer"},
      {.value = 0, .rangeMin = 0, .rangeMax = 90});
  MVParameterValue& rotation_ = nodekit::value(*this,
                                               {.name = "Rotation",
                                                .displayName = "Angle offset",
                                                .header = "Rotation",
                                                .tooltip = "Start radial angle of the elements",
                                                .dragEdit = kDragEditRotation},
                                               {.value = 0, .rangeMin = -180, .rangeMax = 180});
  MVParameterValue& angleStep_ = nodekit::value(
      *this, {.name = "Angle step", .tooltip = "The radial angle step of each repetition"},
      {.value = 15, .rangeMin = 0, .rangeMax = 90});
  MVParameterBool& fullCircle_ = nodekit::toggle(
      *this,
      {.name = "Full circle",
       .tooltip = "Sets angle step to distribute the specified repetition count evenly around a full circle"},
      true);
  MVParameterBool& rotateElements_ = nodekit::toggle(
      *this, {.name = "Rotate elements", .tooltip = "Rotates the elements with the radial repetition angle"}, true);
  MVParameterValue2D& diameter_ = nodekit::value2D(
      *this,
      {.name = "Diameter",
       .tooltip = "The diameter of the ellipsis along which the elements will be repeated.",
       .dragEdit = kDragEditSize},
      {.x = 200, .y = 200, .presets = nodekit::Presets::Size, .aspectLocked = true});
  MVParameterValue2D& diameterOffset_ = nodekit::value2D(
      *this,
      {.name = "Diameter offset", .tooltip = "The diameter offset of each additional layer", .dragEdit = kDragEditSize},
      {.x = 20, .y = 20, .presets = nodekit::Presets::Size, .rangeMin = 0, .rangeMax = 100, .aspectLocked = true});
};
