#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Pivot point": moves the pivot, the centre of later scaling and rotation, to one of nine
// places of the element's bounds (absolute: applying a preset twice changes nothing more) or
// by a custom offset relative to the current pivot. The element stays where it is drawn. Its
// "Graphics" preview marks the pivot of each changed element.
class ChangePivotNode : public ChangeNode {
public:
  // Values of "Pivot Mode" (saved in documents); the other indexes are separators.
  static constexpr long long kCenter = 0;
  static constexpr long long kTopLeft = 2;
  static constexpr long long kTopCenter = 3;
  static constexpr long long kTopRight = 4;
  static constexpr long long kMiddleLeft = 6;
  static constexpr long long kMiddleRight = 7;
  static constexpr long long kBottomLeft = 9;
  static constexpr long long kBottomCenter = 10;
  static constexpr long long kBottomRight = 11;
  static constexpr long long kCustomOffset = 13;
  // The marker's interface icon, stored once as a shared image of the document.
  static constexpr const char* kMarkerImageName = "pivot_marker.png";

  ChangePivotNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Pivot offset" shows only for "Custom offset".
  void updateLinkedParameters() override;
  // The element with a pivot marker on each member the node changes (all of it in Group mode).
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;
  // A new group of `element` and a marker image `size` units wide on its pivot.
  std::shared_ptr<MVElementGroup> addPreviewPivotMarkerToElement(std::shared_ptr<const MVElement> element,
                                                                 double size);

  // Older-generation names: "Pivot heading" is dropped, "X" and "Y" are the offset's axes.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* pivotModeParameter() const { return &pivotMode_; }
  MVParameterValue2D* offsetParameter() const { return &offset_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  MVParameterIndex& pivotMode_ = nodekit::choice(
      *this,
      {.name = "Pivot Mode",
       .displayName = "Pivot point",
       .tooltip = "Select a preset for where to set the element pivot point, or set a custom value.",
       .spaceAbove = 4},
      {.names = {"Center", "-", "Top left", "Top center", "Top right", "-", "Middle left", "Middle right", "-",
                 "Bottom left", "Bottom center", "Bottom right", "-", "Custom offset"},
       .icons = {"icon_pivot_center.png", "-", "icon_pivot_top_left.png", "icon_pivot_top_center.png",
                 "icon_pivot_top_right.png", "-", "icon_pivot_middle_left.png", "icon_pivot_middle_right.png", "-",
                 "icon_pivot_bottom_left.png", "icon_pivot_bottom_center.png", "icon_pivot_bottom_right.png", "-", ""},
       .index = initialPivotMode()});
  MVParameterValue2D& offset_ = nodekit::value2D(
      *this,
      {.name = "Offset",
       .displayName = "Pivot offset",
       .tooltip = "Offset of the element pivot point (rotation/scaling center)",
       .dragEdit = 1},
      {.x = 0, .y = 0, .rangeMin = -100, .rangeMax = 100});

  static long long initialPivotMode();
};
