#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Pack": places the members of a group edge to edge in a row (by their centres' x order) or a
// column (by their centres' y order), "Margin" apart; the first member stays where it is and
// members with equal centres keep their order in the group. The output is a new group of
// member copies in the group's parent space. Only the Each mode is offered.
//
// While it packs, the node publishes "Index" (the member's place in the packing order) when it
// might have dynamic input, so that "Margin" may vary from member to member.
class GroupPackNode : public ChangeNode {
public:
  // Values of "Packing type" (saved in documents).
  static constexpr long long kNone = -1;
  static constexpr long long kHorizontal = 0;
  static constexpr long long kVertical = 1;

  GroupPackNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The packed group. No packing type, no input or a disabled node: the input as given; a
  // single element (not a group) passes through as well.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // Older-generation names: "Packing heading" is dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* packingTypeParameter() const { return &packingType_; }
  MVParameterValue* marginParameter() const { return &margin_; }

private:
  MVParameterIndex& packingType_ = nodekit::choice(
      *this,
      {.name = "Packing type", .header = "Packing direction", .tooltip = "Select type of packing.", .spaceAbove = 4},
      {.names = {"Horizontal", "Vertical"},
       .icons = {"icon_pack_horizontal.png", "icon_pack_vertical.png"},
       .tooltips = {"Horizontal", "Vertical"},
       .index = kNone,
       .segments = true});
  MVParameterValue& margin_ =
      nodekit::value(*this, {.name = "Margin", .tooltip = "The spacing between the packed elements."},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10});
};
