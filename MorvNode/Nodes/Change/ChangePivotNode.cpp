#include "MorvNode/Nodes/Change/ChangePivotNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/InterfaceIconProvider.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"
#include "Platform/Image.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Where a preset puts the pivot, as a distance from the centre of the bounds in half sizes.
struct Target {
  double x;
  double y;
};
Target presetTarget(long long mode)
{
  switch (mode) {
  case ChangePivotNode::kTopLeft:
    return {1, 1};
  case ChangePivotNode::kTopCenter:
    return {0, 1};
  case ChangePivotNode::kTopRight:
    return {-1, 1};
  case ChangePivotNode::kMiddleLeft:
    return {1, 0};
  case ChangePivotNode::kMiddleRight:
    return {-1, 0};
  case ChangePivotNode::kBottomLeft:
    return {1, -1};
  case ChangePivotNode::kBottomCenter:
    return {0, -1};
  case ChangePivotNode::kBottomRight:
    return {-1, -1};
  default:
    return {0, 0};
  }
}

}  // namespace

ChangePivotNode::ChangePivotNode() : ChangeNode(Modes{.initial = kGroup, .publishesIndexes = true}) {}

long long ChangePivotNode::initialPivotMode()
{
  return ChangeTransformNode::newChangeNodeDefaults() ? kCenter : kCustomOffset;
}

const MVNodeClass& ChangePivotNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangePivotNode";
    info.displayName = "Pivot point";
    info.toolTipText = "Offsets the center point of scaling and rotation of connected graphics elements";
    info.descriptionText = "This node offsets the pivot point of the connected elements: the point about which later "
                           "nodes scale and rotate them.<BR><BR>For example, set the pivot to the top left edge to "
                           "scale an element from that corner instead of from its centre.";
    info.iconName = "node_icon_change_pivot.png";
    info.create = [] { return std::make_unique<ChangePivotNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangePivotNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  offset_.setLayoutHidden(pivotMode_.index() != kCustomOffset);
}

void ChangePivotNode::applyChangeToElement(MVElement& element)
{
  const long long mode = pivotMode_.index();
  double dx = 0;
  double dy = 0;
  if (mode == kCustomOffset) {
    dx = -offset_.valueX();
    dy = -offset_.valueY();
  } else {
    const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
    if (!box || !box->isFinite()) {
      return;
    }
    const double cx = box->minX() + box->width() / 2;
    const double cy = box->minY() + box->height() / 2;
    // The current pivot in the parent's coordinates is the point the element's transform turns
    // about: its position plus its array pivot (a pivot offset already moved the position).
    const double ux = cx - (element.positionX() + element.arrayPivotX());
    const double uy = cy - (element.positionY() + element.arrayPivotY());
    const Target t = presetTarget(mode);
    dx = t.x * box->width() / 2 - ux;
    dy = t.y * box->height() / 2 - uy;
  }
  if (dx != 0 || dy != 0) {
    element.offsetPivotX(dx, dy);
    element.setPositionX(element.positionX() - dx, element.positionY() - dy);
  }
}

std::shared_ptr<MVElementGroup> ChangePivotNode::addPreviewPivotMarkerToElement(std::shared_ptr<const MVElement> element,
                                                                                double size)
{
  MVElementDelegate* elements = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  auto* store = nodeController() != nullptr ? dynamic_cast<MVSharedGraphicsStore*>(nodeController()->sharedGraphicsManager())
                                            : nullptr;
  if (store != nullptr && store->sharedElementImageNamed(kMarkerImageName) == nullptr) {
    InterfaceIconProvider* icons = InterfaceIconProvider::installed();
    std::shared_ptr<const pf::Image> icon = icons != nullptr ? icons->interfaceIconImageNamed(kMarkerImageName) : nullptr;
    if (icon != nullptr) {
      store->storeSharedElementGraphicObject(icon, kMarkerImageName);
    } else {
      FeedbackManager::log("Error, could not load pivot marker image with name %@", std::string(kMarkerImageName));
    }
  }
  auto marker = std::make_shared<MVElementImage>();
  marker->setNodeController(elements);
  marker->setImageName(std::string(kMarkerImageName));
  if (store != nullptr) {
    marker->setSharedGraphics(store->weak_from_this().lock());
  }
  marker->setPositionX(element->positionX() + element->arrayPivotX(), element->positionY() + element->arrayPivotY());
  marker->setWidth(size);
  marker->setHeight(size);
  marker->setStrokeWidth(0);

  auto group = std::make_shared<MVElementGroup>();
  group->setNodeController(elements);
  group->addElementWithoutRecalculatingPivot(std::move(element));
  group->addElementWithoutRecalculatingPivot(std::move(marker));
  group->recalculateArrayPivot();
  return group;
}

std::shared_ptr<const MVElement> ChangePivotNode::graphicsPreviewElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> element)
{
  (void)parameter;
  if (element == nullptr) {
    return nullptr;
  }
  double size = 16;
  if (const std::optional<pf::Rect> box = element->transformedBoundingBoxNested(); box && box->isFinite()) {
    if (box->width() > 140) {
      size = 16 * box->width() / 140;
    }
    if (box->height() > 100) {
      size = 16 * box->height() / 100;
    }
  }
  const auto* group = dynamic_cast<const MVElementGroup*>(element.get());
  const int mode = changeMode();
  if (mode == kGroup || group == nullptr) {
    return addPreviewPivotMarkerToElement(element, size);
  }
  auto marked = std::static_pointer_cast<MVElementGroup>(group->copy());
  MVElementGroup::ElementArray members = marked->elementArray();
  setCurrentArrayCount(static_cast<long long>(members.size()));
  for (std::size_t k = 0; k < members.size(); ++k) {
    if (mode == kEach || shouldApplyChangeToElement(static_cast<long long>(k))) {
      members[k] = addPreviewPivotMarkerToElement(members[k], size);
    }
  }
  marked->setElementArray(std::move(members));
  marked->recalculateArrayPivot();
  return marked;
}

std::optional<std::string> ChangePivotNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Pivot heading") {
    return std::nullopt;
  }
  if (name == "X") {
    return "Offset:X";
  }
  if (name == "Y") {
    return "Offset:Y";
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
