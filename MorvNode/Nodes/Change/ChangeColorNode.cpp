#include "MorvNode/Nodes/Change/ChangeColorNode.h"

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

ChangeColorNode::ChangeColorNode() : ChangeNode(Modes{.initial = kEach, .publishesIndexes = true}) {}

const MVNodeClass& ChangeColorNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeColorNode";
    info.displayName = "Color";
    info.toolTipText = "Changes or sets the fill and stroke color of connected elements";
    info.descriptionText =
        "Changes the fill and stroke color of the connected graphic element and outputs the changed element. "
        "Setting the fill color of a bitmap image element tints the image. An element that is fully transparent, "
        "or a stroke without stroke width, shows no effect of the change.";
    info.iconName = "node_icon_change_color.png";
    info.create = [] { return std::make_unique<ChangeColorNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangeColorNode::hideSideRows(const Side& side)
{
  const bool on = side.mode.enabled();
  const bool adjusting = side.mode.index() == kAdjustColor;
  side.color.setLayoutHidden(!on || adjusting);
  side.mix.setLayoutHidden(!on || adjusting);
  side.hue.setLayoutHidden(!on || !adjusting);
  side.saturation.setLayoutHidden(!on || !adjusting);
  side.brightness.setLayoutHidden(!on || !adjusting);
}

void ChangeColorNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  hideSideRows(fillSide());
  hideSideRows(strokeSide());
}

void ChangeColorNode::prepareChangesBasedOnInput(const MVElement& input)
{
  (void)input;
  noStroke_ = strokeMode_.enabled() && strokeMode_.index() == kAdjustColor;
  noFill_ = fillMode_.enabled() && fillMode_.index() == kAdjustColor;
  // A flag of an earlier pass would warn about a change this pass may not make; the "Set
  // color" steps below raise the transparency flags again.
  transparentFill_ = false;
  transparentStroke_ = false;
}

void ChangeColorNode::changeSide(MVElement& element, const Side& side)
{
  if (!side.mode.enabled()) {
    return;
  }
  const std::optional<pf::Color> current = side.stroke ? element.strokeColor() : element.fillColor();
  if (side.mode.index() == kAdjustColor) {
    const double dh = side.hue.value();
    const double ds = side.saturation.value();
    const double db = side.brightness.value();
    if (current) {
      side.noColor = false;
    }
    if (dh != 0 || ds != 0 || db != 0) {
      if (side.stroke) {
        element.adjustStrokeColorHue(dh, ds, db);
      } else {
        element.adjustFillColorHue(dh, ds, db);
      }
    }
    return;
  }
  // The mix reads 1 while its switch is off.
  const double m = side.mix.value();
  pf::Color color = side.color.color();
  if (m < 1 && current) {
    color = color.blended(1 - m, *current);
  }
  if (side.stroke) {
    element.setStrokeColor(color);
    side.transparent = element.strokeOpacity() == 0;
  } else {
    element.setFillColor(color);
    side.transparent = element.fillOpacity() == 0;
  }
}

void ChangeColorNode::applyChangeToElement(MVElement& element)
{
  changeSide(element, strokeSide());
  changeSide(element, fillSide());
}

void ChangeColorNode::checkWarnings()
{
  ChangeNode::checkWarnings();
  if (transparentFill_) {
    addWarningMessage("The fill color change on these elements will not be visible as the element has no fill opacity");
  }
  if (transparentStroke_) {
    addWarningMessage(
        "The stroke color change on these elements will not be visible as the element has no storke opacity");
  }
  if (noFill_) {
    addWarningMessage("Adjusting the fill color will have no effect as the elements don't have a fill color");
  }
  if (noStroke_) {
    addWarningMessage("Adjusting the stroke color will have no effect as the elements don't have a stroke color");
  }
}

std::optional<std::string> ChangeColorNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Apply fill color") {
    return "Fill Color Mode[ENABLE]";
  }
  if (name == "Apply stroke color") {
    return "Stroke Color Mode[ENABLE]";
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
