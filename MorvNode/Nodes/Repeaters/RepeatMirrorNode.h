#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"
#include "Platform/Path.h"

class MVParameterValue;
class MVParameterValue2D;

// The repeater that mirrors its input about N planes through the input's pivot: 2N clip groups,
// each the previous one reflected once more (rotate, scale by (-1, 1), rotate back), optionally
// clipped to their wedge of 180 / N degrees so that the halves meet at the planes, and moved
// apart by an element offset. Its preview draws the planes over the input in red.
class RepeatMirrorNode : public RepeaterNode {
public:
  // Ceiling of "Mirror planes": each clip group carries the transforms of all before it, so
  // the work grows with the square of the planes; wedges of half a degree look like a circle.
  static constexpr long long kMaxMirrorPlanes = 360;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Keeps "Offset" and "Offset Perpendicular" in step, and shows the one in use.
  void updateLinkedParameters() override;
  // The input with the mirror planes of the last generation as red lines.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;

  // The clip wedge of the first clip group in its own coordinates: an arc of 180 / planes
  // degrees about the element's pivot point less the offset, reaching past the element on every
  // side, closed through the centre. nullopt for planes below 1.
  static std::optional<pf::Path> cgClipPathElement(const MVElement& element, long long planes, double angle,
                                                   double offsetX, double offsetY);

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterValue* mirrorPlanesParameter() const { return &planes_; }
  MVParameterValue* mirrorAngleParameter() const { return &angle_; }
  MVParameterValue2D* offsetParameter() const { return &offset_; }
  MVParameterValue* perpendicularOffsetParameter() const { return &offsetPerpendicular_; }

  // What the last generation mirrored, for the preview.
  double cachedMirrorAngle() const { return cachedMirrorAngle_; }
  double cachedMirrorPositionX() const { return cachedMirrorPositionX_; }
  double cachedMirrorPositionY() const { return cachedMirrorPositionY_; }
  double cachedMirrorLength() const { return cachedMirrorLength_; }
  long long cachedMirrorPlanes() const { return cachedMirrorPlanes_; }

protected:
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  // The direction of the perpendicular offset (radians) for the angle (degrees) and planes.
  static double offsetDirection(double angle, long long planes);

  static constexpr int kDragEditOffset = 1;
  static constexpr int kDragEditRotation = 5;

  double cachedMirrorAngle_ = 0;
  double cachedMirrorPositionX_ = 0;
  double cachedMirrorPositionY_ = 0;
  double cachedMirrorLength_ = 0;
  long long cachedMirrorPlanes_ = 0;
  bool updatingOffsets_ = false;  // set while one offset row follows the other

  MVParameterValue& angle_ = nodekit::value(*this,
                                            {.name = "Mirror angle",
                                             .displayName = "Angle",
                                             .header = "Mirror plane angle",
                                             .tooltip = "Rotation angle (in degrees) of the mirror plane(s)",
                                             .dragEdit = kDragEditRotation},
                                            {.value = 0, .rangeMin = -180, .rangeMax = 180});
  MVParameterValue& planes_ = nodekit::value(*this,
                                             {.name = "Mirror planes",
                                              .displayName = "Number",
                                              .header = "Multiple mirror planes",
                                              .tooltip = "The number of mirror planes",
                                              .enableToggle = true,
                                              .enabled = false},
                                             {.value = 2, .min = 1, .rangeMax = 8, .integer = true, .disabledValue = 1});
  MVParameterBool& clip_ = nodekit::toggle(*this,
                                           {.name = "Clip Mirrored Elements",
                                            .displayName = "Clip elements",
                                            .tooltip = "Clips the elements if they cross the mirror plane."},
                                           true);
  MVParameterValue& offsetPerpendicular_ =
      nodekit::value(*this,
                     {.name = "Offset Perpendicular",
                      .displayName = "Offset",
                      .header = "Element offset",
                      .tooltip = "Element perpendicular offset relative to the mirror plane(s)",
                      .dragEdit = kDragEditOffset},
                     {.value = 0, .rangeMin = -50, .rangeMax = 50});
  MVParameterValue2D& offset_ = nodekit::value2D(*this,
                                                 {.name = "Offset",
                                                  .header = "Element offset",
                                                  .tooltip = "Element offset relative to the mirror plane(s)",
                                                  .dragEdit = kDragEditOffset},
                                                 {.rangeMin = -50, .rangeMax = 50, .aspectToggle = true});
  MVParameterBool& perpendicular_ = nodekit::toggle(*this,
                                                    {.name = "Perpendicular Offset",
                                                     .displayName = "Perpendicular",
                                                     .tooltip = "Offsets the elements perpendicular to the mirror "
                                                                "plane(s)."},
                                                    true);
};
