#pragma once

#include <vector>

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Distribute": spaces the chosen members of a group evenly between the outermost ones, by
// their left edges, centres or right edges (and top edges, centres or bottom edges). The first
// and last members in the order of their anchors stay; members with equal anchors keep their
// order in the group. The output is a new group of member copies in the group's parent space;
// unchosen members keep their places.
class GroupDistributeNode : public ChangeNode {
public:
  // Values of "Horizontal distribution" and "Vertical distribution" (saved in documents).
  static constexpr long long kNone = -1;
  static constexpr long long kLeading = 0;   // left or top edges
  static constexpr long long kCenter = 1;
  static constexpr long long kTrailing = 2;  // right or bottom edges

  GroupDistributeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Older-generation names: "Horizontal heading" and "Vertical heading" are dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* horizontalParameter() const { return &horizontal_; }
  MVParameterIndex* verticalParameter() const { return &vertical_; }

protected:
  void prepareChangesBasedOnInput(const MVElement& input) override;
  void applyChangeToElement(MVElement& element) override;

private:
  // One axis of the pass: each chosen member's anchor and its place in anchor order, by the
  // member's index in the input group. Members are found by index, not by element ID, since
  // copies of one element share their ID.
  struct Axis {
    std::vector<double> anchor;     // by member index; unused for unchosen members
    std::vector<long> rank;         // by member index; -1 for an unchosen member
    double min = 0;
    double max = 0;
    // The move that puts member `index` at its evenly spaced place among `count` members.
    double moveFor(long index, long count) const;
  };
  // Sorts the chosen members into `axis.rank` by anchor, ties in group order.
  static void rankByAnchor(Axis& axis, const std::vector<long>& chosen);

  Axis horizontalAxis_;
  Axis verticalAxis_;
  long elementCount_ = 0;  // chosen members of the pass

  MVParameterIndex& horizontal_ = nodekit::choice(
      *this,
      {.name = "Horizontal distribution", .tooltip = "Select horizontal distribution."},
      {.names = {"Left edges", "Center", "Right edges"},
       .icons = {"icon_distribute_horizontal_left.png", "icon_distribute_horizontal_center.png",
                 "icon_distribute_horizontal_right.png"},
       .tooltips = {"Left edges", "Center", "Right edges"},
       .index = kNone,
       .segments = true});
  MVParameterIndex& vertical_ = nodekit::choice(
      *this,
      {.name = "Vertical distribution", .tooltip = "Select vertical distribution."},
      {.names = {"Top edges", "Center", "Bottom edges"},
       .icons = {"icon_distribute_vertical_top.png", "icon_distribute_vertical_center.png",
                 "icon_distribute_vertical_bottom.png"},
       .tooltips = {"Top edges", "Center", "Bottom edges"},
       .index = kNone,
       .segments = true});
};
