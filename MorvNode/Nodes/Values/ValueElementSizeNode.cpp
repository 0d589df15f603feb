#include "MorvNode/Nodes/Values/ValueElementSizeNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

ValueElementSizeNode::ValueElementSizeNode()
{
  elementCount_.setLayoutShowHeaderLabel(true);
}

const MVNodeClass& ValueElementSizeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueElementSizeNode";
    info.displayName = "Element info";
    info.toolTipText = "This node is used to access information about an element or group, like the size, position "
                       "and count";
    info.descriptionText =
        "This node outputs the size (height and width), position and count of the graphical elements input into it, "
        "either the bounding box edges (useful for single elements) or the centers or the edge elements (useful for "
        "groups).<BR><BR>Properly connected it can make it much easier to make seamless pattern tiles by using this "
        "to set the artboard size.";
    info.iconName = "node_icon_value_element_info.png";
    info.create = [] { return std::make_unique<ValueElementSizeNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueElementSizeNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  positionY_.setLayoutHidden(!positionX_.enabled());
  const bool sized = mode_.enabled();
  margin_.setLayoutHidden(!sized);
  width_.setLayoutHidden(!sized);
  height_.setLayoutHidden(!sized);
  updateOutputParameters();
}

void ValueElementSizeNode::updateOutputParameters()
{
  updateDependentParameters();
}

void ValueElementSizeNode::checkWarnings()
{
  ValueNode::checkWarnings();
  if (!graphics_.hasConnectedInput() || !graphics_.element()) {
    addWarningMessage("No Graphics connected, cannot get information. Returning last calculated values instead.");
  }
}

double ValueElementSizeNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  const bool output = parameter == &positionX_ || parameter == &positionY_ || parameter == &width_ ||
                      parameter == &height_ || parameter == &elementCount_;
  if (!output) {
    return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
  }
  const auto element = graphics_.element();
  if (!element) {
    return inputValue;  // the last computed value
  }
  return measure(parameter, *element).value_or(inputValue);
}

std::optional<double> ValueElementSizeNode::measure(const MVParameter* parameter, const MVElement& element)
{
  if (parameter == &elementCount_) {
    return static_cast<double>(element.numberOfElements());
  }
  const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
  if (parameter == &positionX_ || parameter == &positionY_) {
    if (!box) {
      return std::nullopt;  // nothing to measure (an empty group)
    }
    return parameter == &positionX_ ? box->minX() + box->width() * 0.5 : box->minY() + box->height() * 0.5;
  }
  const double margin = margin_.value();  // 0 while its switch is off
  const bool horizontal = parameter == &width_;
  switch (mode_.index()) {
  case kBoundingBox:
    if (!box) {
      return std::nullopt;
    }
    return (horizontal ? box->width() : box->height()) + 2 * margin;
  case kEdgeElementCenters: {
    double low = horizontal ? element.positionX() : element.positionY();
    double high = low;
    if (const auto* group = dynamic_cast<const MVElementGroup*>(&element)) {
      for (const auto& member : group->elementArray()) {
        const double position = horizontal ? member->positionX() : member->positionY();
        low = std::min(low, position);
        high = std::max(high, position);
      }
    }
    return (high - low) + 2 * margin;
  }
  default:
    return std::nullopt;
  }
}

std::optional<std::string> ValueElementSizeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Element count label") {
    return std::nullopt;
  }
  if (name == "Value") {
    return std::string("Element Count[ENABLE]");
  }
  if (name == "Show position") {
    return std::string("X[ENABLE]");
  }
  if (name == "Add margin") {
    return std::string("Margin[ENABLE]");
  }
  if (name == "Show size") {
    return std::string("Mode[ENABLE]");
  }
  return ValueNode::legacyMV2ParameterNameTranslation(name);
}
