#include "MorvNode/Nodes/Change/ChangeAlignNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"

namespace {

// How far the anchor of the span [low, low + size] lies past the reference's anchor; 0 for a
// choice outside the three anchors.
double anchorDistance(long long choice, double low, double size, double referenceLow, double referenceSize)
{
  switch (choice) {
    case ChangeAlignNode::kLeading:
      return low - referenceLow;
    case ChangeAlignNode::kCenter:
      return (low + size / 2) - (referenceLow + referenceSize / 2);
    case ChangeAlignNode::kTrailing:
      return (low + size) - (referenceLow + referenceSize);
    default:
      return 0;
  }
}

}  // namespace

ChangeAlignNode::ChangeAlignNode()
    : ChangeNode(Modes{.initial = kGroup, .untransforms = true})
{
}

long long ChangeAlignNode::initialAlignment()
{
  return ChangeTransformNode::newChangeNodeDefaults() ? kCenter : kNone;
}

const MVNodeClass& ChangeAlignNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeAlignNode";
    info.displayName = "Align";
    info.toolTipText = "Aligns elements in relation to the artboard or the group by changing their offset.";
    info.descriptionText = "Aligns elements by changing their offset. Elements can be aligned horizontally or "
                           "vertically either in relation to the artboard or to the other elements in the group for "
                           "connected groups. To align elements within the group the node must be set to apply "
                           "changes to individual elements.";
    info.iconName = "node_icon_change_align.png";
    info.create = [] { return std::make_unique<ChangeAlignNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangeAlignNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  const bool group = changeMode() == kGroup;
  heading_.setDisplayName(group ? "Align to artboard" : "Align elements");
  horizontalArtboard_.setLayoutHidden(group || horizontal_.index() < 0);
  verticalArtboard_.setLayoutHidden(group || vertical_.index() < 0);
}

void ChangeAlignNode::prepareChangesBasedOnInput(const MVElement& input)
{
  if (dynamic_cast<const MVElementGroup*>(&input) != nullptr) {
    groupRect_ = input.transformedBoundingBoxNested().value_or(pf::Rect());
  }
}

void ChangeAlignNode::applyChangeToElement(MVElement& element)
{
  const long long horizontal = horizontal_.index();
  const long long vertical = vertical_.index();
  if ((horizontal < 0 || horizontal > kTrailing) && (vertical < 0 || vertical > kTrailing)) {
    return;
  }
  const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
  if (!box) {
    return;  // nothing to measure (an empty group)
  }
  const bool group = changeMode() == kGroup;
  const pf::Size artboard = nodeController() != nullptr ? nodeController()->artboardSize() : pf::Size();
  const pf::Rect artboardRect(0, 0, artboard.width, artboard.height);
  const pf::Rect& horizontalReference = group || horizontalArtboard_.value() ? artboardRect : groupRect_;
  const pf::Rect& verticalReference = group || verticalArtboard_.value() ? artboardRect : groupRect_;
  const double dx =
      anchorDistance(horizontal, box->minX(), box->width(), horizontalReference.minX(), horizontalReference.width());
  const double dy =
      anchorDistance(vertical, box->minY(), box->height(), verticalReference.minY(), verticalReference.height());
  if (dx != 0 || dy != 0) {
    element.offsetPositionX(-dx, -dy);
  }
}

std::optional<std::string> ChangeAlignNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Horizontal heading" || name == "Vertical heading") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
