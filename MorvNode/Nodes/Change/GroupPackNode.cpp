#include "MorvNode/Nodes/Change/GroupPackNode.h"

#include <algorithm>
#include <vector>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

namespace {

constexpr const char* kIndexName = "Index";

}  // namespace

GroupPackNode::GroupPackNode()
    : ChangeNode(Modes{.group = false, .selected = false, .initial = kEach, .untransforms = true})
{
}

const MVNodeClass& GroupPackNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupPackNode";
    info.displayName = "Pack";
    info.displayTypeName = "Group";
    info.toolTipText = "Packs the graphical elements horizontally or vertically with a set margin between them";
    info.iconName = "node_icon_group_pack.png";
    info.create = [] { return std::make_unique<GroupPackNode>(); };
    return info;
  }();
  return nodeClass;
}

std::shared_ptr<const MVElement> GroupPackNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  const long long type = packingType_.index();
  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  // A single element has nothing to pack against: it passes through rather than vanish.
  if (type < kHorizontal || type > kVertical || group == nullptr || !enabled()) {
    return input;
  }
  const bool horizontal = type == kHorizontal;

  // Each member's transformed copy, in packing order: by bounds centre, ties in group order.
  struct Member {
    std::shared_ptr<MVElement> element;
    pf::Rect box;
    double centre = 0;
  };
  const long n = group->count();
  std::vector<Member> members;
  members.reserve(static_cast<std::size_t>(n));
  for (long k = 0; k < n; ++k) {
    Member member;
    member.element = group->transformedElementAtIndex(k);
    if (member.element == nullptr) {
      continue;
    }
    member.box = member.element->transformedBoundingBoxNested().value_or(
        pf::Rect(member.element->positionX(), member.element->positionY(), 0, 0));
    member.centre = horizontal ? member.box.midX() : member.box.midY();
    members.push_back(std::move(member));
  }
  std::stable_sort(members.begin(), members.end(),
                   [](const Member& a, const Member& b) { return a.centre < b.centre; });

  auto output = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    output->setNodeController(nodeController()->elementDelegate());
  }
  output->setElementName(input->elementName());
  setCurrentArrayCount(n);
  const bool publish = mightHaveDynamicInput() && nodeController() != nullptr;
  pf::Rect previous;
  for (std::size_t i = 0; i < members.size(); ++i) {
    Member& member = members[i];
    double dx = 0;
    double dy = 0;
    if (i > 0) {
      if (publish) {
        nodeController()->setNodeIndex(kIndexName, this, static_cast<long long>(i));
      }
      const double margin = margin_.value();  // read after publishing: it may follow "Index"
      if (horizontal) {
        dx = previous.maxX() + margin - member.box.minX();
      } else {
        dy = previous.maxY() + margin - member.box.minY();
      }
      if (dx != 0 || dy != 0) {
        member.element->offsetPositionX(dx, dy);
      }
    }
    previous = member.box.offsetBy(dx, dy);
    output->addElementWithoutRecalculatingPivot(std::move(member.element));
  }
  if (publish) {
    nodeController()->endNodeIndexSession(kIndexName, this);
  }
  output->recalculateArrayPivot();
  output->addNodeToHistory(nodeId());
  return output;
}

std::optional<std::string> GroupPackNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Packing heading") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
