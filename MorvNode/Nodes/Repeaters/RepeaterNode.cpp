#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"

const MVNodeClass& RepeaterNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "RepeaterNode";
    info.displayName = "Repeater";
    info.displayTypeName = "Repeat";
    info.toolTipText = "Repeats the connected elements";
    info.descriptionText = "This node repeats the input Graphics element.";
    info.iconName = "node_icon_repeat_grid.png";
    // Abstract: the catalogue lists the six repeaters, never the base.
    info.create = nullptr;
    return info;
  }();
  return nodeClass;
}

void RepeaterNode::addDynamicElementsParameter()
{
  dynamicElements_ = &nodekit::toggle(
      *this,
      {.name = "Dynamic elements",
       .header = "Repeater input",
       .tooltip = "Instead of simply repeating the input element, a new element is requested for each repetition, "
                  "allowing you to define elements with dynamic parameters."},
      true);
}

void RepeaterNode::updateOutputParameters()
{
  graphics_.inputChanged();
}

void RepeaterNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  if (dynamicElements_ != nullptr) {
    dynamicElements_->setLayoutHidden(!graphics_.mightHaveDynamicInput());
  }
  updateOutputParameters();
}

void RepeaterNode::setMightHaveDynamicInput(bool might)
{
  MVNode::setMightHaveDynamicInput(might);
  if (dynamicElements_ != nullptr) {
    dynamicElements_->setLayoutHidden(!graphics_.mightHaveDynamicInput());
  }
}

void RepeaterNode::resetNodeIndexes()
{
  MVNode::resetNodeIndexes();
  if (nodeController() == nullptr) {
    return;
  }
  for (const std::string& name : nodeIndexNames()) {
    nodeController()->setNodeIndex(name, this, -1);
  }
}

std::shared_ptr<const MVElement> RepeaterNode::getReferenceInputGraphicsNamed(const std::string&)
{
  auto square = std::make_shared<MVElementPath>();
  if (nodeController() != nullptr) {
    square->setNodeController(nodeController()->elementDelegate());
  }
  square->setPositionX(0, 0);
  square->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(15, 15)));
  square->setWidth(15);
  square->setHeight(15);
  square->setElementName("Rectangle");
  square->setFillColor(pf::Color::rgb(0, 0, 0, 1));
  return square;
}

void RepeaterNode::checkWarnings()
{
  MVNode::checkWarnings();
  const bool input = graphics_.hasConnectedInput();
  const bool output = graphics_.hasConnectedOutput();
  if (!input && !output) {
    addWarningMessage("This node is not connected to any graphics input or output so it won't do anything. Drag "
                      "connections from the blue graphics connections to connect it.");
  } else if (!input) {
    addWarningMessage("This node has no Graphics input connected, so no graphics will be output. Drag to add input "
                      "graphic to the blue graphics input socket.");
  } else if (!output) {
    addWarningMessage("This node Graphics output is not connected to anything, so the output will not be added to "
                      "the artboard. Drag the blue output graphics to an arboard graphics layer socket or another "
                      "node.");
  }
  if (countWarning_) {
    addWarningMessage(*countWarning_);
  }
}

bool RepeaterNode::isDynamicMode() const
{
  return dynamicElements_ != nullptr && dynamicElements_->value() && mightHaveDynamicInput();
}

std::shared_ptr<const MVElement> RepeaterNode::graphicsElementForParameter(MVParameter* parameter,
                                                                           std::shared_ptr<const MVElement> inputElement)
{
  if (parameter == nullptr || parameter != &graphics_) {
    return MVNode::graphicsElementForParameter(parameter, std::move(inputElement));
  }
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode()) {
    input = getReferenceInputGraphicsNamed(graphics_.name());
  }
  if (input == nullptr && !isDynamicMode()) {
    return nullptr;
  }
  if (!enabled()) {
    return input;
  }
  return repeat(input);
}

std::optional<std::string> RepeaterNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Dynamic elements header") {
    return std::nullopt;
  }
  if (name == "Height") {
    return std::string("Repetition area:Y");
  }
  if (name == "Width") {
    return std::string("Repetition area:X");
  }
  if (name == "Offset X") {
    return std::string("Offset:X");
  }
  if (name == "Offset Y") {
    return std::string("Offset:Y");
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

std::shared_ptr<MVElement> RepeaterNode::repetitionOf(const std::shared_ptr<const MVElement>& input,
                                                      bool firstInDynamicMode)
{
  if (!isDynamicMode() || firstInDynamicMode) {
    return input != nullptr ? input->copy() : nullptr;
  }
  std::shared_ptr<const MVElement> pulled = graphics_.inputElement();
  return pulled != nullptr ? pulled->copy() : nullptr;
}

void RepeaterNode::publishIndex(const std::string& name, long long value, bool always)
{
  if ((always || mightHaveDynamicInput()) && nodeController() != nullptr) {
    nodeController()->setNodeIndex(name, this, value);
  }
}

void RepeaterNode::endIndexSessions(std::initializer_list<const char*> names)
{
  if (nodeController() == nullptr) {
    return;
  }
  for (const char* name : names) {
    nodeController()->endNodeIndexSession(name, this);
  }
}

std::shared_ptr<MVElementGroup> RepeaterNode::makeGroup(const std::string& name) const
{
  auto group = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    group->setNodeController(nodeController()->elementDelegate());
  }
  group->setElementName(name);
  return group;
}

void RepeaterNode::appendNameSuffix(MVElement& element, long long a)
{
  if (!element.elementName()) {
    return;
  }
  // A space and one count; a long long has at most 20 characters.
  std::array<char, 24> text{' '};
  char* end = std::to_chars(text.data() + 1, text.data() + text.size(), a).ptr;
  element.appendToElementName(std::string_view(text.data(), static_cast<std::size_t>(end - text.data())));
}

void RepeaterNode::appendNameSuffix(MVElement& element, long long a, long long b)
{
  if (!element.elementName()) {
    return;
  }
  // A space, a count, a hyphen and a count; a long long has at most 20 characters.
  std::array<char, 48> text{' '};
  char* end = std::to_chars(text.data() + 1, text.data() + 24, a).ptr;
  *end++ = '-';
  end = std::to_chars(end, text.data() + text.size(), b).ptr;
  element.appendToElementName(std::string_view(text.data(), static_cast<std::size_t>(end - text.data())));
}

long long RepeaterNode::newElementID() const
{
  MVElementDelegate* elements = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  return elements != nullptr ? elements->uniqueElementID() : 0;
}

long long RepeaterNode::cappedCount(double value, long long ceiling)
{
  const long long count = pf::saturatingCast<long long>(value);
  if (count > ceiling) {
    noteCountCapped(ceiling);
    return ceiling;
  }
  return count;
}

void RepeaterNode::noteCountCapped(long long ceiling)
{
  countWarning_ = pf::format("The number of repetitions is limited to %lld, so this node repeats its input only "
                             "%lld times.",
                             ceiling, ceiling);
}
