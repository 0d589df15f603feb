#pragma once

#include <memory>
#include <optional>

#include "MorvNode/Nodes/Change/ChangeMaskDrawer.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "Platform/Rect.h"

class MVParameterBool;
namespace pf {
class Bitmap;
}

// "Apply graphics": changes the members of its input by a second input, the mask ("Image").
// The mask is drawn into a bitmap at its own size, one pixel per unit, the origin of its
// bounding box at pixel (0, 0); each member samples the pixel under its position. The sample's
// darkness f = (1 - mean(r, g, b)) x a (premultiplied components; outside the mask f = 0) gives
// the value v = Min + (Max - Min) x f, which goes to one of 21 slots: scale, offset, rotation, a
// hue/saturation/brightness shift, an opacity, a stroke width or a removal chance. The two
// colour slots set the sampled colour itself, mixed by "Mix color".
//
// A group input gives a new group of its members as transformed copies (each carries the
// group's transforms); the input group is not changed. Any other input is changed as one
// element at its own position. A value that is not a number changes nothing.
//
// The bitmap is kept until the mask input hands over a different tree: trees are immutable,
// so a mask evaluated afresh is a new object even when its elements keep their IDs, and copies
// that share an ID are never taken for one another.
class GroupApplyElementNode : public ChangeNode {
public:
  // "Transformation" positions (6, 12 and 19 are menu separators).
  enum Slot : long long {
    kScale = 0,
    kScaleX = 1,
    kScaleY = 2,
    kOffsetX = 3,
    kOffsetY = 4,
    kRotation = 5,
    kFillColor = 7,
    kFillHue = 8,
    kFillSaturation = 9,
    kFillBrightness = 10,
    kFillOpacity = 11,
    kStrokeColor = 13,
    kStrokeHue = 14,
    kStrokeSaturation = 15,
    kStrokeBrightness = 16,
    kStrokeOpacity = 17,
    kStrokeWidth = 18,
    kRemovalChance = 20,
  };

  GroupApplyElementNode();
  ~GroupApplyElementNode() override;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // The element with the mask laid over it at half fill opacity.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;
  // For "Image": a red circle of radius 25 at (10, 10) named "Mask circle".
  std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string& name) override;

  // The colour slots show "Mix color" instead of "Min" and "Max".
  void updateLinkedParameters() override;
  // Also warns when no mask is connected.
  void checkWarnings() override;
  // Older-generation names: "Apply to" is dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterGraphics* imageParameter() const { return &image_; }
  MVParameterIndex* transformationParameter() const { return &transformation_; }
  MVParameterValue* minParameter() const { return &min_; }
  MVParameterValue* maxParameter() const { return &max_; }
  MVParameterValue* fillColorMixParameter() const { return &fillColorMix_; }
  MVParameterBool* insideClippingParameter() const { return &insideClipping_; }
  // How many times the mask was drawn (the cache's test hook).
  long long maskRenderCount() const { return maskDrawer_.drawCount(); }

private:
  // One pixel read: premultiplied components in 0..1; outside the mask transparent white.
  struct Sample {
    double r = 1;
    double g = 1;
    double b = 1;
    double a = 0;
    bool inside = false;
  };
  Sample sampleAt(const pf::Bitmap& bitmap, const pf::Rect& box, double x, double y) const;
  // The mask's bitmap, drawn again only for a different mask tree; nullptr when none can be made.
  std::shared_ptr<const pf::Bitmap> maskBitmap(const std::shared_ptr<const MVElement>& mask, const pf::Rect& box);
  // The mask of this pass: "Image", or the reference sample in the node reference.
  std::shared_ptr<const MVElement> maskElement();
  // Changes `element` by the sample; `member`: a member of a group input (a single element gets
  // no clipping inverse, no mix and no removal, and any sample inside the mask counts).
  void applySlot(MVElement& element, const Sample& sample, long long index, bool member, bool& remove);
  // Shifts the fill (or stroke) colour of the element, of every leaf of a group; a side
  // without colour counts as hue, saturation and brightness 0.
  static void adjustColorOfElement(MVElement& element, bool fill, double hue, double saturation, double brightness);

  ChangeMaskDrawer maskDrawer_;
  std::shared_ptr<const MVElement> renderedMaskElement_;  // the tree the bitmap shows
  std::shared_ptr<const pf::Bitmap> maskBitmap_;
  std::shared_ptr<const MVElement> referenceMask_;        // built once

  MVParameterGraphics& image_ = nodekit::elementInput(
      *this,
      {.name = "Image",
       .displayName = "Graphics mask",
       .tooltip = "The graphics/image element that will be used as the data source for applying to the elements.",
       .outputSocket = false});
  MVParameterIndex& transformation_ = nodekit::choice(
      *this,
      {.name = "Transformation",
       .header = "Apply to",
       .tooltip = "Transformation to use the function value on. The color hue/brightness/saturation and opacity "
                  "changes are applied to the element current value, setting color and stroke width is absolute."},
      {.names = {"Scale", "Scale X", "Scale Y", "Offset X", "Offset Y", "Rotation", "-", "Fill Color", "Fill Hue",
                 "Fill Saturation", "Fill Brightness", "Fill Opacity", "-", "Stroke Color", "Stroke Hue",
                 "Stroke Saturation", "Stroke Brightness", "Stroke Opacity", "Stroke Width", "-", "Removal chance"},
       .icons = {"icon_scale.png", "icon_scale_x.png", "icon_scale_y.png", "icon_offset_x.png", "icon_offset_y.png",
                 "icon_rotation.png", "-", "", "", "", "", "node_icon_change_opacity.png", "-", "", "", "", "",
                 "node_icon_change_opacity.png", "node_icon_change_stroke.png", "", ""},
       .tooltips = {"Apply to uniform scale of the elements", "Apply to x-scale of the elements",
                    "Apply to y-scale of the elements", "Apply to x-offset of the elements",
                    "Apply to y-offset of the elements", "Apply to rotation of the elements", "-",
                    "Apply the color to the element fill color", "Apply to fill color hue of the elements",
                    "Apply to fill color saturation of the elements",
                    "Apply to fill color brightness of the elements", "Apply to fill color opacity of the elements",
                    "-", "Apply the color to the element stroke color", "Apply to stroke color hue of the elements",
                    "Apply to stroke color saturation of the elements",
                    "Apply to stroke color brightness of the elements",
                    "Apply to stroke color opacity of the elements", "Apply as absolute stroke width of the elements",
                    "-", "Apply as a 0-1 removal chance of each element"}});
  MVParameterValue& min_ =
      nodekit::value(*this, {.name = "Min", .tooltip = "Minimum value of the function range."}, {.value = 0.5});
  MVParameterValue& max_ =
      nodekit::value(*this, {.name = "Max", .tooltip = "Maximum value of the function range."}, {.value = 1.0});
  MVParameterValue& fillColorMix_ = nodekit::value(
      *this,
      {.name = "Fill Color Mix",
       .displayName = "Mix color",
       .tooltip = "Set a mix value 0-1 to mix the new color with the current element color.",
       .enableToggle = true,
       .enabled = false},
      {.value = 1, .min = 0, .max = 1, .disabledValue = 1});
  MVParameterBool& insideClipping_ = nodekit::toggle(
      *this,
      {.name = "Transform Inside Clipping",
       .displayName = "Inside clipping",
       .tooltip = "If the elements have a clipping mask applied, the node transformation will be applied to the "
                  "content inside the clipping mask instead of the element."},
      false);
};
