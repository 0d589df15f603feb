#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Nodes/Change/ChangeMaskDrawer.h"
#include "MorvNode/Nodes/Change/ChangeSelection.h"
#include "MorvNode/Nodes/Change/GroupNode.h"
#include "Platform/Rect.h"

namespace pf {
class Bitmap;
}

// "Select": splits a group in two, the selected members on "Graphics" and the others on "B".
// Members are chosen by an index pattern (the change nodes' six patterns; the offset is always
// in force and does not move the random draws) or by a rendered mask: a member is selected when
// its position falls on a pixel of the mask whose alpha is above 0.01.
//
// The mask is rendered offscreen at its own size, scale 1, its bounding box's origin at pixel
// (0, 0), and kept until the mask input hands over a different tree: trees are immutable, so a
// tree that was evaluated afresh is a new object even when it keeps its elements' IDs.
class GroupSelectNode : public GroupNode {
public:
  // Values of "Element Selection Mode" (saved in documents).
  static constexpr long long kIndexMode = 0;
  static constexpr long long kMaskMode = 1;
  // Alpha a mask pixel must exceed to select (of 1).
  static constexpr double kMaskAlphaThreshold = 0.01;

  GroupSelectNode();
  ~GroupSelectNode() override;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Graphics": the selected members; "B": the others. Two or more members give a group, one
  // member itself, none nothing (nullptr). Any other parameter: the input as given.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // The unselected members faded, the selected ones, and in mask mode the mask outlined in red.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;
  // The pattern test for member `index` of the current pass.
  bool shouldApplyChangeToElement(long long index);

  void updateOutputParameters() override;
  void updateLinkedParameters() override;
  // Also warns when mask mode has no mask connected.
  void checkWarnings() override;

  // Older-generation names: "Selection heading" is dropped, "A" is "Graphics".
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterGraphics* unselectedGraphicsParameter() const { return &unselected_; }
  MVParameterGraphics* maskGraphicsParameter() const { return &mask_; }
  // How many times the mask was rendered (the cache's test hook).
  long long maskRenderCount() const { return maskDrawer_.drawCount(); }

private:
  // Whether member `member` (a transformed copy) stands on an opaque mask pixel.
  bool maskSelects(const MVElement& member, const pf::Bitmap& bitmap, double maskX, double maskY) const;
  // The mask's bitmap, rendered again only for a different mask tree; nullptr when none can be
  // made.
  std::shared_ptr<const pf::Bitmap> maskBitmap(const std::shared_ptr<const MVElement>& mask, const pf::Rect& box);

  ChangeMaskDrawer maskDrawer_;
  std::shared_ptr<const MVElement> cachedMaskElement_;     // the mask of the last mask-mode pass
  std::shared_ptr<const MVElement> renderedMaskElement_;   // the tree the bitmap shows
  std::shared_ptr<const pf::Bitmap> maskBitmap_;
  long long currentArrayCount_ = 1;

  MVParameterGraphics& unselected_ = nodekit::graphics(
      *this,
      {.name = "B",
       .displayName = "Unselected",
       .tooltip = "This will output all unselected elements of the graphics input",
       .inputSocket = false});
  MVParameterIndex& elementSelectionMode_ = nodekit::choice(
      *this,
      {.name = "Element Selection Mode",
       .displayName = "Select using",
       .header = "Select using",
       .tooltip = "Controls how the elements are selected in the group"},
      {.names = {"Element index", "Graphics mask"},
       .tooltips = {"Select elements based on their index in the group", "Select using a connected graphics element"}});
  MVParameterIndex& selectionMode_ = nodekit::choice(
      *this,
      {.name = "Selection Mode", .tooltip = "Controls how the elements are selected in the group", .showHeaderLabel = false},
      {.names = {"Half", "Third", "Quarter", "Single", "Counted", "Random"},
       .icons = {"icon_selection_half.png", "icon_selection_third.png", "icon_selection_quarter.png",
                 "icon_selection_single.png", "icon_selection_counted.png", "icon_random.png"},
       .tooltips = {"Every other element is selected and changed", "Every third element is selected and changed",
                    "Every forth element is selected and changed",
                    "A single element is selected based on its index offset",
                    "Elements are selected in order based on the specified Select and Skip counts",
                    "Elements are selected at random with a selection ratio defined by the Select and Skip counts"}});
  MVParameterGraphics& mask_ = nodekit::graphics(
      *this,
      {.name = "Mask",
       .displayName = "Selection mask",
       .tooltip = "The graphics/image element that will be used as the data source for splitting the elements.",
       .outputSocket = false});
  MVParameterValue& selectionSeed_ = nodekit::value(
      *this,
      {.name = "Selection Seed",
       .displayName = "Seed",
       .tooltip = "The random seed used for the random selection of elements top apply the change to"},
      {.value = 0, .rangeMin = 0, .rangeMax = 10000, .integer = true});
  MVParameter& selectionHeading_ =
      nodekit::plain(*this, {.name = "Selection Count heading", .displayName = "Selection count"});
  MVParameterValue& selectCount_ = nodekit::value(
      *this,
      {.name = "Selection Select Count",
       .displayName = "Select",
       .tooltip = "Count of elements in sequence that are selected to apply the change to."},
      {.value = 1, .rangeMin = 0, .rangeMax = 20, .integer = true});
  MVParameterValue& skipCount_ = nodekit::value(
      *this,
      {.name = "Selection Skip Count",
       .displayName = "Skip",
       .tooltip = "Count of elements in sequence that are skipped, with no change applied."},
      {.value = 1, .rangeMin = 1, .rangeMax = 20, .integer = true});
  MVParameterValue& selectionOffset_ = nodekit::value(
      *this,
      {.name = "Selection Offset",
       .displayName = "Offset",
       .tooltip = "Offset to shift the selection count, in other words where it starts counting."},
      {.value = 0, .rangeMin = 0, .rangeMax = 20, .integer = true});
};
