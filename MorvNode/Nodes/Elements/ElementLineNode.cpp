#include "MorvNode/Nodes/Elements/ElementLineNode.h"

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

const MVNodeClass& ElementLineNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementNode::nodeClassInfo();
    info.className = "ElementLineNode";
    info.displayName = "Line";
    info.toolTipText = "Adds a line element to the pattern";
    info.descriptionText = "This node outputs a vector path graphic element of a line. You can configure the "
                           "location, length and stroke of the line.";
    info.iconName = "node_icon_element_line.png";
    info.create = [] { return std::make_unique<ElementLineNode>(); };
    return info;
  }();
  return nodeClass;
}

ElementLineNode::ElementLineNode() : ElementNode(Defaults{.fill = false, .stroke = true, .sizeNameX = "Length", .sizeShowsY = false})
{
  canFill_ = false;
}

void ElementLineNode::checkWarnings()
{
  ElementNode::checkWarnings();
  if (!strokeColorParameter()->enabled()) {
    addWarningMessage("This line node has stroke toggled off, so nothing will be drawn in the output.");
  }
}

std::shared_ptr<MVElement> ElementLineNode::generateElement()
{
  const double length = sizeParameter()->valueX();
  auto element = std::make_shared<MVElementPath>();
  element->setElementName("Line");
  element->setCgPath(
      std::make_shared<const pf::Path>(MVElementPath::cgPathForLineFromX(-0.5 * length, 0, 0.5 * length, 0)));
  element->setClosedPath(false);
  element->setStrokeWidth(0.0);
  if (strokeColorParameter()->enabled()) {
    element->setStrokeWidth(strokeWidthParameter()->value());
  }
  element->setWidth(length);
  element->setHeight(element->strokeWidth());
  return element;
}
