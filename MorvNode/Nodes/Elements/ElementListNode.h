#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Nodes/Elements/ElementNode.h"

// "Element list": outputs one of up to twenty connected elements ("Element 0" … "Element 19",
// all kept, the unused ones hidden), chosen by an index: a value, a random draw per request or
// a published node index (NodeListIndex), so that a repeater with dynamic elements can place
// different elements in different positions. The chosen element passes through unchanged (not
// placed, styled or rotated), also while the node is disabled; of the element node base only
// the "Graphics" output remains.
class ElementListNode : public ElementNode {
public:
  static constexpr int kMaxElements = 20;

  ElementListNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Replaces the base's linking: shows the used inputs and the rows of the index mode.
  void updateLinkedParameters() override;
  // Also warns when none of the shown inputs is connected.
  void checkWarnings() override;
  // No sample inputs in the node reference.
  std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string&) override { return nullptr; }
  // "Graphics": the element at the chosen position, stamped with the node; nullptr when that
  // input is unconnected.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // The list length: "Number of elements" index + 2.
  int count() const;
  MVParameterGraphics& elementInput(int position) const { return *inputs_.at(static_cast<std::size_t>(position)); }

private:
  static std::vector<std::string> countNames();
  std::array<MVParameterGraphics*, kMaxElements> declareInputs();

  MVParameterIndex& indexMode_ = nodekit::choice(
      *this,
      {.name = "Index Mode",
       .header = "Element index",
       .tooltip = "Controls how the index is set, either manually with a value or automatically set based on an "
                  "element index or random value."},
      {.names = {"Value", "Random", "Element index"},
       .icons = {"node_icon_value.png", "icon_random.png", "node_icon_value_element_index.png"}});
  MVParameterNodeIndex& nodeIndex_ = nodekit::nodeIndex(
      *this, {.name = "IndexParameter",
              .displayName = "Index",
              .tooltip = "The element index to be used to control what list item the node outputs.",
              .showHeaderLabel = false,
              .outputSocket = false});
  MVParameterValue& index_ =
      nodekit::value(*this, {.name = "Index", .tooltip = "The index controlling what value will be output"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10, .integer = true});
  MVParameterValue& indexOffset_ =
      nodekit::value(*this, {.name = "Index Offset", .displayName = "Offset", .tooltip = "An offset to the generated index"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10, .integer = true});
  // (The seed rows go here, inserted by the constructor.)
  MVParameterIndex& numberOfElements_ = nodekit::choice(
      *this,
      {.name = "Number of elements", .header = "Element list", .tooltip = "Sets the number of elements in the list"},
      {.names = countNames(), .index = 1});
  std::array<MVParameterGraphics*, kMaxElements> inputs_ = declareInputs();  // owned by the node's list
};
