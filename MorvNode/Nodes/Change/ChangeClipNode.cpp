#include "MorvNode/Nodes/Change/ChangeClipNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"

namespace {

// The outline of `element` in its parent space, added to `path`; false when it has none.
bool addOutline(const MVElement& element, pf::Path& path)
{
  if (const auto* shape = dynamic_cast<const MVElementPath*>(&element)) {
    if (shape->cgPath() == nullptr || shape->cgPath()->isEmpty()) {
      return false;
    }
    path.addPath(*shape->cgPath(), shape->affineTransform());
    return true;
  }
  if (const auto* group = dynamic_cast<const MVElementGroup*>(&element)) {
    pf::Path members;
    bool any = false;
    for (const auto& member : group->elementArray()) {
      any = addOutline(*member, members) || any;
    }
    if (any) {
      path.addPath(members, group->affineTransform());
    }
    return any;
  }
  return false;  // an image has no vector outline
}

}  // namespace

ChangeClipNode::ChangeClipNode()
    : ChangeNode(Modes{.each = false, .selected = false, .initial = kGroup, .publishesIndexes = true})
{
  clippingMask_.setLayoutHasPreview(false);
}

const MVNodeClass& ChangeClipNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeClipNode";
    info.displayName = "Clipping mask";
    info.toolTipText = "Clips connected elements using a clipping mask";
    info.descriptionText = "This node lets you clip connected elements using a clipping path, or remove an existing "
                           "clipping path from a group. The clipping mask element has to be a vector path. Adding a "
                           "clipping path to an element or group also redefines the pivot point of the element to be "
                           "at the clipping path center.";
    info.iconName = "node_icon_change_clip.png";
    info.create = [] { return std::make_unique<ChangeClipNode>(); };
    return info;
  }();
  return nodeClass;
}

pf::SharedPath ChangeClipNode::clipPathFromElement(const MVElement& element)
{
  pf::Path path;
  if (!addOutline(element, path)) {
    return nullptr;
  }
  return std::make_shared<const pf::Path>(std::move(path));
}

std::shared_ptr<const MVElement> ChangeClipNode::getReferenceInputGraphicsNamed(const std::string& name)
{
  if (name != "Clipping mask") {
    return ChangeNode::getReferenceInputGraphicsNamed(name);
  }
  auto circle = std::make_shared<MVElementPath>();
  if (nodeController() != nullptr) {
    circle->setNodeController(nodeController()->elementDelegate());
  }
  circle->setPositionX(20, 20);
  circle->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(25)));
  circle->setWidth(25);
  circle->setHeight(25);
  circle->setElementName("Clipping circle");
  return circle;
}

std::shared_ptr<const MVElement> ChangeClipNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (!enabled()) {
    return input;
  }
  std::shared_ptr<const MVElement> mask = clippingMask_.element();
  if (mask == nullptr && referenceMode()) {
    mask = getReferenceInputGraphicsNamed(clippingMask_.name());
  }
  cachedClippingElement_ = mask;
  clipPathOK_ = false;
  if (input == nullptr) {
    return input;
  }
  if (mask == nullptr) {
    // No mask: a clipped group gives its first member, unclipped, where it was drawn.
    const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
    if (group != nullptr && group->hasClippingMask() && group->count() > 0) {
      return group->transformedElementAtIndex(0);
    }
    return input;
  }
  pf::SharedPath outline = clipPathFromElement(*mask);
  if (outline == nullptr) {
    return input;
  }
  clipPathOK_ = true;

  auto output = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    output->setNodeController(nodeController()->elementDelegate());
  }
  output->addElementWithoutRecalculatingPivot(input);
  output->setElementName(input->elementName() ? *input->elementName() + " clipped" : "clipped");
  if (invert_.value()) {
    // Groups clip even-odd: the outline inside a rectangle that holds both keeps what lies
    // outside the outline.
    const std::optional<pf::Rect> around =
        pf::united(input->transformedBoundingBoxNested(), mask->transformedBoundingBoxNested());
    pf::Path inverted;
    if (around) {
      inverted.addRect(*around);
    }
    inverted.addPath(*outline);
    outline = std::make_shared<const pf::Path>(std::move(inverted));
  }
  output->setClipPath(std::move(outline));
  // The first calculation places the pivot on the clip's centre.
  output->recalculateArrayPivot();
  output->addNodeToHistory(nodeId());
  return output;
}

std::shared_ptr<const MVElement> ChangeClipNode::graphicsPreviewElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> element)
{
  (void)parameter;
  auto preview = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    preview->setNodeController(nodeController()->elementDelegate());
  }
  if (element == nullptr) {
    return preview;
  }
  preview->addElementWithoutRecalculatingPivot(element);
  std::shared_ptr<const MVElement> mask = cachedClippingElement_;
  if (mask == nullptr && referenceMode()) {
    mask = getReferenceInputGraphicsNamed(clippingMask_.name());
  }
  if (mask != nullptr && clipPathOK_) {
    std::shared_ptr<MVElement> outline = mask->copy();
    const std::optional<pf::Rect> maskBox = mask->transformedBoundingBoxNested();
    const std::optional<pf::Rect> elementBox = element->transformedBoundingBoxNested();
    outline->setStrokeColor(pf::Color::rgb(1, 0, 0));
    outline->setStrokeOpacity(1.0);
    outline->setStrokeWidth(std::max(maskBox ? maskBox->height() : 0.0, elementBox ? elementBox->height() : 0.0) / 40);
    outline->setFillOpacity(0);
    preview->addElementWithoutRecalculatingPivot(std::move(outline));
  }
  preview->recalculateArrayPivot();
  return preview;
}

void ChangeClipNode::checkWarnings()
{
  ChangeNode::checkWarnings();
  if (!enabled() || !graphicsParameter()->hasConnectedInput()) {
    return;
  }
  if (!clippingMask_.hasConnectedInput() || cachedClippingElement_ == nullptr) {
    addWarningMessage("No clipping mask graphics element connected, so the elements will not be clipped.");
  } else if (!clipPathOK_) {
    addWarningMessage("Could not generate vector clipping path from the connected clipping mask element.");
  }
}
