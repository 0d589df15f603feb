#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Arrange": changes the drawing order of a group's members (later members are drawn on top):
// the original order, a random one, by the members' pivot points from left to right or from
// top to bottom, or by distance from the group's pivot (the farthest first), optionally
// reversed. Members with equal keys keep their order. In Selected mode the selected members
// are reordered among themselves and moved in front of or behind the others.
class GroupArrangeNode : public ChangeNode {
public:
  // Values of "Order mode" (saved in documents).
  static constexpr long long kOriginal = 0;
  static constexpr long long kRandom = 1;
  static constexpr long long kHorizontal = 2;
  static constexpr long long kVertical = 3;
  static constexpr long long kPivotDistance = 4;
  // Values of "Selection order".
  static constexpr long long kToFront = 0;
  static constexpr long long kToBack = 1;

  GroupArrangeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The reordered group. No input, a disabled node or a single element: the input as given.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // "Seed" shows for the random order, "Selection order" in Selected mode.
  void updateLinkedParameters() override;
  // Older-generation names: "Order mode header" and "Selection order header" are dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* orderModeParameter() const { return &orderMode_; }
  MVParameterValue* seedParameter() const { return &seed_; }
  MVParameterBool* reverseParameter() const { return &reverse_; }
  MVParameterIndex* selectionOrderParameter() const { return &selectionOrder_; }

private:
  // Reorders the members of `group` in place by "Order mode" and "Reverse".
  void reorder(MVElementGroup& group);

  MVParameterIndex& orderMode_ = nodekit::choice(
      *this,
      {.name = "Order mode",
       .header = "Element order",
       .tooltip = "Select method for reordering the elements in the array, Original represents the original order.",
       .spaceAbove = 4},
      {.names = {"Original", "Random", "Horizontal", "Vertical", "Pivot distance"},
       .icons = {"", "icon_random.png", "icon_offset_x.png", "icon_offset_y.png", "icon_pivot_distance.png"},
       .tooltips = {"Unchanged original order", "Random order based on a seed value",
                    "Orderes the elements based on the horizontal position of the elements",
                    "Orderes the elements based on the vertical position of the elements",
                    "Orderes the elements based on the distance from the array pivot position"}});
  MVParameterValue& seed_ =
      nodekit::value(*this, {.name = "Seed", .tooltip = "The random seed used for the random order of the elements"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10000, .integer = true});
  MVParameterBool& reverse_ = nodekit::toggle(
      *this, {.name = "Reverse", .tooltip = "When checked the order of the elements defined above is reversed"}, false);
  MVParameterIndex& selectionOrder_ = nodekit::choice(
      *this,
      {.name = "Selection order",
       .header = "Move selected",
       .tooltip = "Select where the selected elements will be placed."},
      {.names = {"To front", "To back"},
       .tooltips = {"The selected elements will be sent to the front", "The selected elements will be sent to the back"}});
};
