#include "MorvNode/Nodes/Elements/ElementNode.h"

#include <cmath>
#include <map>

#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"

const MVNodeClass& ElementNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ElementNode";
    info.displayName = "Element";
    info.displayTypeName = "Element";
    info.toolTipText = "Adds an element to the pattern";
    info.descriptionText = "This node outputs a graphic element, the kind is based defined in its subclass. You can "
                           "configure the location, size, fill and stroke of the shape.";
    info.iconName = "node_icon_element_circle.png";
    info.create = [] { return std::make_unique<ElementNode>(); };
    return info;
  }();
  return nodeClass;
}

void ElementNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  fillOpacity_.setLayoutHidden(!fillColor_.enabled());
  const bool stroked = strokeColor_.enabled();
  for (MVParameter* parameter : {static_cast<MVParameter*>(&strokeOpacity_),
                                 static_cast<MVParameter*>(&strokeWidth_), &strokeCapsAndJoints_}) {
    parameter->setLayoutHidden(!stroked);
  }
  const bool capsShown = stroked && strokeCapsAndJoints_.enabled();
  strokeCapsType_.setLayoutHidden(!capsShown);
  strokeJointsType_.setLayoutHidden(!capsShown);
  updateOutputParameters();
}

void ElementNode::updateOutputParameters()
{
  graphics_.inputChanged();
}

void ElementNode::checkWarnings()
{
  MVNode::checkWarnings();
  if (!graphics_.hasConnectedOutput()) {
    addWarningMessage("This node Graphics output is not connected to anything, so the output will not be added to "
                      "the artboard. Drag the blue output graphics to an arboard graphics layer socket or another "
                      "node.");
  }
}

void ElementNode::prefetchElementInputs() const
{
  if (canMove_) {
    prefetchParameter(position_);
  }
  if (canFill_) {
    prefetchParameter(fillColor_);
  }
  if (canFill_ || hasSeparateOpacity_) {
    prefetchParameter(fillOpacity_);
  }
  if (canStroke_) {
    prefetchParameter(strokeColor_);
  }
  if (canRotate_) {
    prefetchParameter(rotation_);
  }
}

void ElementNode::prefetchGraphicsInputs(int step) const
{
  if (step == 0) {
    pf::prefetchMemory(this, sizeof(*this));
  } else if (step == 1) {
    prefetchElementInputs();
  }
}

std::shared_ptr<MVElement> ElementNode::generateElement()
{
  const double diameter = size_.valueX();
  auto element = std::make_shared<MVElementPath>();
  element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(diameter / 2)));
  element->setWidth(diameter);
  element->setHeight(diameter);
  return element;
}

std::shared_ptr<const MVElement> ElementNode::graphicsElementForParameter(MVParameter* parameter,
                                                                    std::shared_ptr<const MVElement> inputElement)
{
  if (parameter == nullptr || parameter != &graphics_) {
    return MVNode::graphicsElementForParameter(parameter, std::move(inputElement));
  }
  if (!enabled() && !generatingPreviewElement_) {
    return nullptr;
  }
  prefetchElementInputs();
  std::shared_ptr<MVElement> element = generateElement();
  if (element == nullptr) {
    return nullptr;
  }
  if (nodeController() != nullptr) {
    element->setNodeController(nodeController()->elementDelegate());
  }

  if (canMove_) {
    const double x = position_.valueX();
    const double y = position_.valueY();
    if (MVElementGroup* group = element->asGroup()) {
      // The group's pivot lands on "Position".
      group->recalculateArrayPivot();
      group->offsetPositionX(x - group->arrayPivotX(), y - group->arrayPivotY());
    } else {
      element->setPositionX(x, y);
    }
  }

  const bool fillOn = fillColor_.enabled();
  if (canFill_ && !element->isImage()) {
    if (fillOn) {
      element->setFillColor(fillColor_.color());
    } else {
      element->setFillOpacity(0.0);
    }
  }
  // After the fill colour, so that a separate opacity replaces the 0 of a disabled fill.
  if ((fillOn && canFill_) || hasSeparateOpacity_) {
    element->setFillOpacity(fillOpacity_.value());
  }

  // Without a stroke colour the element keeps the stroke generateElement() gave it.
  if (canStroke_ && strokeColor_.enabled()) {
    element->setStrokeWidth(strokeWidth_.value());
    element->setStrokeColor(strokeColor_.color());
    element->setStrokeOpacity(strokeOpacity_.value());
    if (strokeCapsAndJoints_.enabled()) {
      element->setStrokeJoints(static_cast<int>(strokeJointsType_.index()));
      element->setStrokeEndCap(static_cast<int>(strokeCapsType_.index()));
    }
  }

  if (canRotate_ && rotation_.enabled()) {
    const double angle = rotation_.value();
    if (angle != 0) {
      element->rotate(angle);
    }
  }
  if (!historyEntry_ || historyRevision_ != nodeIdRevision()) {
    historyEntry_ = std::make_shared<const std::vector<std::string>>(1, nodeId());
    historyRevision_ = nodeIdRevision();
  }
  element->appendNodeHistory(historyEntry_);
  return element;
}

std::shared_ptr<const MVElement> ElementNode::graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                           std::shared_ptr<const MVElement> element)
{
  if (element != nullptr) {
    return element;
  }
  if (enabled()) {
    return nullptr;
  }
  generatingPreviewElement_ = true;
  std::shared_ptr<const MVElement> preview = graphicsElementForParameter(parameter, nullptr);
  generatingPreviewElement_ = false;
  return preview;
}

void ElementNode::menuPositionTopLeft()
{
  position_.setValueX(0.0, 0.0);
}

void ElementNode::menuAddNodeCustomItemsToMenu(MVMenu& menu)
{
  MVNode::menuAddNodeCustomItemsToMenu(menu);
  const pf::Size artboard = nodeController() != nullptr ? nodeController()->artboardSize() : pf::Size();
  auto positions = std::make_unique<MVMenu>();
  positions->title = "Set position";
  MVMenuItem topLeft;
  topLeft.title = pf::format("Artboard top left (%.1f, %.1f)", 0.0, 0.0);
  topLeft.toolTip = "Changes the position of the element to the top left corner of the artboard.";
  topLeft.action = [this] { menuPositionTopLeft(); };
  positions->items.push_back(std::move(topLeft));
  MVMenuItem center;
  center.title = pf::format("Artboard center (%.1f, %.1f)", artboard.width * 0.5, artboard.height * 0.5);
  center.toolTip = "Changes the position of the element to the center of the artboard.";
  center.action = [this] { menuPositionCenter(); };
  positions->items.push_back(std::move(center));
  menu.items.push_back(MVMenuItem::separator());
  MVMenuItem item;
  item.title = "Set position";
  item.submenu = std::move(positions);
  menu.items.push_back(std::move(item));
}

void ElementNode::menuPositionCenter()
{
  if (nodeController() == nullptr) {
    return;
  }
  const pf::Size artboard = nodeController()->artboardSize();
  position_.setValueX(artboard.width * 0.5, artboard.height * 0.5);
}

std::optional<std::string> ElementNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  static const std::map<std::string, std::optional<std::string>, std::less<>> kNames = {
      {"Size", "Size:X"},
      {"Height", "Size:Y"},
      {"X", "Position:X"},
      {"Y", "Position:Y"},
      {"Has Fill", "Fill Color[ENABLE]"},
      {"Has Stroke", "Stroke Color[ENABLE]"},
      {"Has Rotation", "Rotation[ENABLE]"},
      {"Has Rounding", "Rounding[ENABLE]"},
      {"Rotation Angle", "Rotation"},
      {"Shape", std::nullopt},
      {"Position", std::nullopt},
  };
  if (const auto found = kNames.find(name); found != kNames.end()) {
    return found->second;
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ElementNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  if (values != nullptr && values->isDictionary() && !values->contains("Height") && size_.layoutHasAspectToggle()) {
    const double x = size_.localValueX();
    const double y = size_.localValueY();
    if (std::isnan(x) || std::isnan(y) || x != y) {
      size_.setValueX(x, x);
    }
    size_.setAspectLocked(true);
  }
  graphics_.setNeedsToUpdate(true);
  return loaded;
}
