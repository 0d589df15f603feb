#include "MorvNode/Nodes/Elements/ElementListNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "Platform/Format.h"

ElementListNode::ElementListNode()
{
  // The node replaces the base's generation, so none of its steps apply.
  canMove_ = false;
  canRotate_ = false;
  canFill_ = false;
  canStroke_ = false;
  hasSeparateOpacity_ = false;
  setHasRandomGraphicsOutput(true);
  for (MVParameter* inherited :
       std::initializer_list<MVParameter*>{sizeParameter(), positionParameter(), rotationParameter(),
                                           fillColorParameter(), fillOpacityParameter(), strokeColorParameter(),
                                           strokeOpacityParameter(), strokeWidthParameter(),
                                           strokeCapsAndJointsParameter(), strokeCapsTypeParameter(),
                                           strokeJointsTypeParameter()}) {
    inherited->setLayoutHidden(true);
  }
  initNodeRandomSeedParameters("Index Offset");
}

const MVNodeClass& ElementListNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementNode::nodeClassInfo();
    info.className = "ElementListNode";
    info.displayName = "Element list";
    info.toolTipText = "Outputs an element from a list based on an index value";
    info.descriptionText =
        "This node lets you connect a list of graphical elements and output one of them based on an index parameter. "
        "This is mostly useful to use together with repeaters with dynamic elements enabled, to use different "
        "elements in different positions in the repeater pattern.";
    info.iconName = "node_icon_element_list.png";
    info.create = [] { return std::make_unique<ElementListNode>(); };
    return info;
  }();
  return nodeClass;
}

std::vector<std::string> ElementListNode::countNames()
{
  std::vector<std::string> names;
  for (int n = 2; n <= kMaxElements; ++n) {
    names.push_back(pf::format("%d Elements", n));
  }
  return names;
}

std::array<MVParameterGraphics*, ElementListNode::kMaxElements> ElementListNode::declareInputs()
{
  std::array<MVParameterGraphics*, kMaxElements> inputs{};
  for (int k = 0; k < kMaxElements; ++k) {
    const std::string name = pf::format("Element %d", k);
    MVParameterGraphics& input = nodekit::elementInput(
        *this, {.name = name, .tooltip = pf::format("Element which will be output when the index value is %d", k)});
    input.setLayoutHasPreview(false);
    inputs[static_cast<std::size_t>(k)] = &input;
  }
  return inputs;
}

int ElementListNode::count() const
{
  return static_cast<int>(std::clamp<long long>(numberOfElements_.index() + 2, 2, kMaxElements));
}

void ElementListNode::updateLinkedParameters()
{
  const int n = count();
  for (int k = 0; k < kMaxElements; ++k) {
    inputs_[static_cast<std::size_t>(k)]->setLayoutHidden(k >= n);
  }
  NodeListIndex::showRowsForMode(*this, indexMode_.index(), index_, indexOffset_, nodeIndex_);
  MVNode::updateLinkedParameters();  // the seed row follows "Show seed"
  updateOutputParameters();
}

void ElementListNode::checkWarnings()
{
  ElementNode::checkWarnings();
  const int n = count();
  const bool anyConnected = std::any_of(inputs_.begin(), inputs_.begin() + n,
                                        [](const MVParameterGraphics* input) { return input->hasConnectedInput(); });
  if (!anyConnected) {
    addWarningMessage(
        "No graphics input is connected to any of the Element inputs, so nothing will be output regardless of index.");
  }
}

std::shared_ptr<const MVElement> ElementListNode::graphicsElementForParameter(MVParameter* parameter,
                                                                              std::shared_ptr<const MVElement> inputElement)
{
  if (parameter != graphicsParameter()) {
    return ElementNode::graphicsElementForParameter(parameter, std::move(inputElement));
  }
  const int n = count();
  const double x = NodeListIndex::rawIndex(*this, indexMode_.index(), n, index_, indexOffset_, nodeIndex_);
  const std::shared_ptr<const MVElement> chosen =
      inputs_[static_cast<std::size_t>(NodeListIndex::position(x, n))]->element();
  if (!chosen) {
    return nullptr;
  }
  // The input's tree is shared: the stamp goes on a copy (shallow for a group).
  std::shared_ptr<MVElement> element = chosen->copy();
  element->addNodeToHistory(nodeId());
  return element;
}

std::optional<std::string> ElementListNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Element index" || name == "Element list") {
    return std::nullopt;
  }
  return ElementNode::legacyMV2ParameterNameTranslation(name);
}
