#include "MorvNode/Nodes/ElementNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

// Drag-edit handle codes of the preview.
constexpr int kDragEditPosition = 1;
constexpr int kDragEditSize = 4;
constexpr int kDragEditRotation = 5;

std::unique_ptr<MVParameterValue> opacityParameter(const std::string& name, const std::string& tooltip)
{
  auto parameter = MVParameterValue::parameterWithName(name);
  parameter->setDisplayName("Opacity");
  parameter->setValue(1.0);
  parameter->setMinValueLimit(0.0);
  parameter->setMaxValueLimit(1.0);
  parameter->setTooltip(tooltip);
  return parameter;
}

std::unique_ptr<MVParameterColor> colorParameter(const std::string& name, const std::string& displayName,
                                                 const std::string& header, bool enabled, const std::string& tooltip)
{
  auto parameter = MVParameterColor::parameterWithName(name);
  parameter->setDisplayName(displayName);
  parameter->setDisplayHeaderName(header);
  parameter->setLayoutHasEnableToggle(true);
  parameter->setColor(pf::Color::rgb(0, 0, 0, 1));
  parameter->setEnabled(enabled);
  parameter->setTooltip(tooltip);
  return parameter;
}

std::unique_ptr<MVParameterIndex> choiceParameter(const std::string& name, const std::vector<std::string>& choices,
                                                  std::vector<std::string> icons, const std::string& tooltip)
{
  auto parameter = MVParameterIndex::parameterWithName(name);
  parameter->setDisplayName(name);
  parameter->setIndexNames(choices);
  parameter->setIndexDisplayNames(choices);
  parameter->setIndexIcons(std::move(icons));
  parameter->setLayoutShowHeaderLabel(false);
  parameter->setIndex(0);
  parameter->setTooltip(tooltip);
  return parameter;
}

}  // namespace

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

void ElementNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  canMove_ = true;
  canRotate_ = true;
  canFill_ = true;
  canStroke_ = true;
  hasSeparateOpacity_ = false;

  auto graphics = MVParameterGraphics::parameterWithName("Graphics");
  graphics->setHasInputSocket(false);
  graphics->setGraphicsSource(this);
  graphics->setLayoutSpaceBelow(4);
  graphicsParameter_ = addParameter(std::move(graphics));

  auto size = MVParameterValue2D::parameterWithName("Size");
  size->setDisplayName("Size");
  size->setSizePresets();
  size->setValueX(30.0, 30.0);
  size->setAspectLocked(true);
  size->setPreferredValueRangeMin(0.0);
  size->setDragEditTransformType(kDragEditSize);
  size->setTooltip("Size of the element");
  sizeParameter_ = addParameter(std::move(size));

  auto position = MVParameterValue2D::parameterWithName("Position");
  position->setDisplayName("Position");
  position->setPreferredValueRangeMin(0.0);
  position->setPreferredValueRangeMax(200.0);
  position->setDragEditTransformType(kDragEditPosition);
  position->setTooltip("Center position of the element");
  positionParameter_ = addParameter(std::move(position));

  auto rotation = MVParameterValue::parameterWithName("Rotation");
  rotation->setDisplayName("Angle");
  rotation->setDisplayHeaderName("Rotation");
  rotation->setLayoutHasEnableToggle(true);
  rotation->setValue(45.0);
  rotation->setEnabled(false);
  rotation->setPreferredValueRangeMin(-180.0);
  rotation->setPreferredValueRangeMax(180.0);
  rotation->setDragEditTransformType(kDragEditRotation);
  rotation->setTooltip("Angle (in degrees) of the initial element rotation");
  rotationParameter_ = addParameter(std::move(rotation));

  fillColorParameter_ =
      addParameter(colorParameter("Fill Color", "Fill color", "Fill", true, "Fill color of the shape element"));
  fillOpacityParameter_ = addParameter(opacityParameter(
      "Fill Opacity", "Transparency of the fill color, 0 is fully transparent, 1 is fully opaque"));
  strokeColorParameter_ = addParameter(
      colorParameter("Stroke Color", "Stroke color", "Stroke", false, "Stroke color of the shape element"));
  strokeOpacityParameter_ = addParameter(
      opacityParameter("Stroke Opacity", "Transparency of the stroke, 0 is fully transparent, 1 is fully opaque"));

  auto strokeWidth = MVParameterValue::parameterWithName("Stroke Width");
  strokeWidth->setDisplayName("Width");
  strokeWidth->setValue(1.0);
  strokeWidth->setMinValueLimit(0.0);
  strokeWidth->setTooltip("The width of the stroke line");
  strokeWidthParameter_ = addParameter(std::move(strokeWidth));

  std::unique_ptr<MVParameter> capsAndJoints = MVParameter::parameterWithName("Has Stroke Caps Joints");
  capsAndJoints->setDisplayName("Set caps and joints");
  capsAndJoints->setLayoutHasEnableToggle(true);
  capsAndJoints->setEnabled(false);
  capsAndJoints->setTooltip("Lets you set stroke end caps and corners/joints are rendered");
  strokeCapsAndJointsParameter_ = addParameter(std::move(capsAndJoints));

  strokeCapsTypeParameter_ = addParameter(
      choiceParameter("Stroke Caps", {"None", "Square", "Round"},
                      {"icon_line_cap_none.png", "icon_line_cap_square.png", "icon_line_cap_round.png"},
                      "Sets the stroke line end caps for non-closed line shapes"));
  strokeJointsTypeParameter_ = addParameter(
      choiceParameter("Stroke Joints", {"Miter", "Round", "Bevel"},
                      {"icon_line_joint_miter.png", "icon_line_joint_round.png", "icon_line_joint_bevel.png"},
                      "Sets the stroke line joint (corner) mode"));
}

void ElementNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  if (fillOpacityParameter_ != nullptr && fillColorParameter_ != nullptr) {
    fillOpacityParameter_->setLayoutHidden(!fillColorParameter_->enabled());
  }
  if (strokeColorParameter_ != nullptr) {
    const bool stroked = strokeColorParameter_->enabled();
    for (MVParameter* parameter :
         {static_cast<MVParameter*>(strokeOpacityParameter_), static_cast<MVParameter*>(strokeWidthParameter_),
          strokeCapsAndJointsParameter_}) {
      if (parameter != nullptr) {
        parameter->setLayoutHidden(!stroked);
      }
    }
    const bool capsShown =
        stroked && strokeCapsAndJointsParameter_ != nullptr && strokeCapsAndJointsParameter_->enabled();
    for (MVParameter* parameter : {strokeCapsTypeParameter_, strokeJointsTypeParameter_}) {
      if (parameter != nullptr) {
        parameter->setLayoutHidden(!capsShown);
      }
    }
  }
  updateOutputParameters();
}

void ElementNode::updateOutputParameters()
{
  if (graphicsParameter_ != nullptr) {
    graphicsParameter_->inputChanged();
  }
}

void ElementNode::checkWarnings()
{
  MVNode::checkWarnings();
  if (graphicsParameter_ != nullptr && !graphicsParameter_->hasConnectedOutput()) {
    addWarningMessage("This node Graphics output is not connected to anything, so the output will not be added to "
                      "the artboard. Drag the blue output graphics to an arboard graphics layer socket or another "
                      "node.");
  }
}

std::shared_ptr<MVElement> ElementNode::generateElement()
{
  const double diameter = sizeParameter_ != nullptr ? sizeParameter_->valueX() : 0.0;
  auto element = std::make_shared<MVElementPath>();
  element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(diameter / 2)));
  element->setWidth(diameter);
  element->setHeight(diameter);
  return element;
}

std::shared_ptr<MVElement> ElementNode::graphicsElementForParameter(MVParameter* parameter,
                                                                    std::shared_ptr<MVElement> inputElement)
{
  if (parameter == nullptr || parameter != graphicsParameter_) {
    return MVNode::graphicsElementForParameter(parameter, std::move(inputElement));
  }
  if (!enabled() && !generatingPreviewElement_) {
    return nullptr;
  }
  std::shared_ptr<MVElement> element = generateElement();
  if (element == nullptr) {
    return nullptr;
  }
  if (nodeController() != nullptr) {
    element->setNodeController(nodeController()->elementDelegate());
  }

  if (canMove_ && positionParameter_ != nullptr) {
    const double x = positionParameter_->valueX();
    const double y = positionParameter_->valueY();
    if (auto* group = dynamic_cast<MVElementGroup*>(element.get())) {
      // The group's pivot lands on "Position".
      group->recalculateArrayPivot();
      group->offsetPositionX(x - group->arrayPivotX(), y - group->arrayPivotY());
    } else {
      element->setPositionX(x, y);
    }
  }

  const bool fillOn = fillColorParameter_ != nullptr && fillColorParameter_->enabled();
  if (canFill_ && fillColorParameter_ != nullptr && dynamic_cast<MVElementImage*>(element.get()) == nullptr) {
    if (fillOn) {
      element->setFillColor(fillColorParameter_->color());
    } else {
      element->setFillOpacity(0.0);
    }
  }
  // After the fill colour, so that a separate opacity replaces the 0 of a disabled fill.
  if (fillOpacityParameter_ != nullptr && ((fillOn && canFill_) || hasSeparateOpacity_)) {
    element->setFillOpacity(fillOpacityParameter_->value());
  }

  // Without a stroke colour the element keeps the stroke generateElement() gave it.
  if (canStroke_ && strokeColorParameter_ != nullptr && strokeColorParameter_->enabled()) {
    if (strokeWidthParameter_ != nullptr) {
      element->setStrokeWidth(strokeWidthParameter_->value());
    }
    element->setStrokeColor(strokeColorParameter_->color());
    if (strokeOpacityParameter_ != nullptr) {
      element->setStrokeOpacity(strokeOpacityParameter_->value());
    }
    if (strokeCapsAndJointsParameter_ != nullptr && strokeCapsAndJointsParameter_->enabled()) {
      if (strokeJointsTypeParameter_ != nullptr) {
        element->setStrokeJoints(static_cast<int>(strokeJointsTypeParameter_->index()));
      }
      if (strokeCapsTypeParameter_ != nullptr) {
        element->setStrokeEndCap(static_cast<int>(strokeCapsTypeParameter_->index()));
      }
    }
  }

  if (canRotate_ && rotationParameter_ != nullptr && rotationParameter_->enabled()) {
    const double angle = rotationParameter_->value();
    if (angle != 0) {
      element->rotate(angle);
    }
  }
  element->addNodeToHistory(nodeId());
  return element;
}

std::shared_ptr<MVElement> ElementNode::graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                           std::shared_ptr<MVElement> element)
{
  if (element != nullptr) {
    return element->copy();
  }
  if (enabled()) {
    return nullptr;
  }
  generatingPreviewElement_ = true;
  std::shared_ptr<MVElement> preview = graphicsElementForParameter(parameter, nullptr);
  generatingPreviewElement_ = false;
  return preview;
}

void ElementNode::menuPositionTopLeft()
{
  if (positionParameter_ != nullptr) {
    positionParameter_->setValueX(0.0, 0.0);
  }
}

void ElementNode::menuPositionCenter()
{
  if (positionParameter_ == nullptr || nodeController() == nullptr) {
    return;
  }
  const pf::Size artboard = nodeController()->artboardSize();
  positionParameter_->setValueX(artboard.width * 0.5, artboard.height * 0.5);
}
