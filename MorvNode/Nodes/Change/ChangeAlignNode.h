#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "Platform/Rect.h"

// "Align": moves elements so that their left edges, centres or right edges (and top edges,
// centres or bottom edges) line up with the artboard or with the input group's bounds. In Group
// mode the whole input aligns to the artboard; in Each and Selected modes every changed member
// (a copy in the group's parent space) aligns by its own bounds, to the artboard or to the
// group, direction by direction. A direction whose choice is none (-1) does not move.
class ChangeAlignNode : public ChangeNode {
public:
  // Values of "Horizontal alignment" and "Vertical alignment" (saved in documents).
  static constexpr long long kNone = -1;
  static constexpr long long kLeading = 0;   // left or top edges
  static constexpr long long kCenter = 1;
  static constexpr long long kTrailing = 2;  // right or bottom edges

  ChangeAlignNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The heading names what the elements align to; the artboard switches show only in Each and
  // Selected modes for a direction that aligns.
  void updateLinkedParameters() override;
  // Older-generation names: "Horizontal heading" and "Vertical heading" are dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* horizontalParameter() const { return &horizontal_; }
  MVParameterIndex* verticalParameter() const { return &vertical_; }
  MVParameterBool* horizontalArtboardParameter() const { return &horizontalArtboard_; }
  MVParameterBool* verticalArtboardParameter() const { return &verticalArtboard_; }

protected:
  void prepareChangesBasedOnInput(const MVElement& input) override;
  void applyChangeToElement(MVElement& element) override;

private:
  // The input group's bounds in its parent's space, from the last pass whose input was a group
  // (all zero before any): a single element aligning to "the group" aligns to these.
  pf::Rect groupRect_;

  MVParameter& heading_ = nodekit::plain(
      *this, {.name = "Alignment type heading", .displayName = "Align to artboard", .spaceAbove = 4});
  MVParameterIndex& horizontal_ = nodekit::choice(
      *this,
      {.name = "Horizontal alignment", .tooltip = "Controls if and how elements will be aligned horizontally."},
      {.names = {"Left edges", "Center", "Right edges"},
       .icons = {"icon_align_horizontal_left.png", "icon_align_horizontal_center.png",
                 "icon_align_horizontal_right.png"},
       .tooltips = {"Left edges", "Center horizontally", "Right edges"},
       .index = initialAlignment(),
       .segments = true});
  MVParameterBool& horizontalArtboard_ = nodekit::toggle(
      *this,
      {.name = "Horizontal artboard",
       .displayName = "Align to artboard",
       .tooltip = "Horizontally align elements to artboard instead of internally in the group (only applies in Each "
                  "or Selected mode)"},
      true);
  MVParameterIndex& vertical_ = nodekit::choice(
      *this,
      {.name = "Vertical alignment", .tooltip = "Controls if and how elements will be aligned vertically."},
      {.names = {"Top edges", "Center", "Bottom edges"},
       .icons = {"icon_align_vertical_top.png", "icon_align_vertical_center.png", "icon_align_vertical_bottom.png"},
       .tooltips = {"Top edges", "Center vertically", "Bottom edges"},
       .index = initialAlignment(),
       .segments = true});
  MVParameterBool& verticalArtboard_ = nodekit::toggle(
      *this,
      {.name = "Vertical artboard",
       .displayName = "Align to artboard",
       .tooltip = "Vertically align elements to artboard instead of internally in the group (only applies in Each or "
                  "Selected mode)"},
      true);

  // Centre with the new change node defaults, else none.
  static long long initialAlignment();
};
