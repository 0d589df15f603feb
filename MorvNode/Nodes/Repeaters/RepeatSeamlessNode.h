#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

class MVParameterIndex;

// The repeater that makes a pattern tile of the artboard (0, 0, W, H): it first drops what lies
// entirely outside the tile, optionally trims the elements that reach over chosen edges, then
// places copies shifted by the artboard's width and height around the input, so that what sticks
// out over one edge comes back in over the other, and keeps only what touches the tile. Its
// preview outlines the tile.
class RepeatSeamlessNode : public RepeaterNode {
public:
  // Values of "Trim Mode" (saved in documents).
  enum TrimMode : long long {
    kTopLeft = 0,
    kTopRight,
    kBottomLeft,
    kBottomRight,
    kNone,
    kTop,
    kLeft,
    kRight,
    kBottom,
  };

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The input with the tile's four edges, overshooting the tile by a tenth of its larger side.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* trimModeParameter() const { return &trimMode_; }

protected:
  std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) override;

private:
  MVParameterIndex& trimMode_ = nodekit::choice(
      *this,
      {.name = "Trim Mode",
       .header = "Trim edge elements",
       .tooltip = "Lets you remove elements extending over selected edges of the artboard, making it easier to make "
                  "the pattern seamless by then repeating elements from the other side without overlaps",
       .enableToggle = true},
      {.names = {"Top left", "Top right", "Bottom left", "Bottom right", "-", "Top", "Left", "Right", "Bottom"},
       .icons = {"icon_trim_top_left.png", "icon_trim_top_right.png", "icon_trim_bottom_left.png",
                 "icon_trim_bottom_right.png", "", "icon_trim_top.png", "icon_trim_left.png", "icon_trim_right.png",
                 "icon_trim_bottom.png"},
       .index = kBottomRight});
  MVParameter& repetitionsHeading_ = nodekit::plain(*this, {.name = "Seamless repetitions"});
  MVParameterBool& horizontal_ = nodekit::toggle(
      *this,
      {.name = "Horizontal",
       .tooltip = "Repeats a copy of the pattern elements to the right and left to make the tile seamless "
                  "horizontally"},
      true);
  MVParameterBool& vertical_ = nodekit::toggle(
      *this,
      {.name = "Vertical",
       .tooltip = "Repeats a copy of the pattern elements above and below to make the tile seamless vertically"},
      true);
  MVParameter& hiddenHeading_ = nodekit::plain(*this, {.name = "Hidden elements"});
  MVParameterBool& hidden_ = nodekit::toggle(
      *this,
      {.name = "Hidden",
       .displayName = "Repeat hidden",
       .tooltip = "When checked elements that are entirely outside the pattern tile are also repeated"},
      false);
};
