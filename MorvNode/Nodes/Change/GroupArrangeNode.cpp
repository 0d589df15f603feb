#include "MorvNode/Nodes/Change/GroupArrangeNode.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Numbers.h"

namespace {

constexpr long long kSeedLimit = 1'000'000'000'000'000;

// A sort key that keeps the order strict and weak: NaN sorts as `instead`.
double orderable(double key, double instead)
{
  return std::isnan(key) ? instead : key;
}

}  // namespace

GroupArrangeNode::GroupArrangeNode()
    : ChangeNode(Modes{.group = false, .initial = kEach})
{
}

const MVNodeClass& GroupArrangeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupArrangeNode";
    info.displayName = "Arrange";
    info.displayTypeName = "Group";
    info.toolTipText = "Changes the internal order of the elements in group of graphical elements";
    info.iconName = "node_icon_group_arrange.png";
    info.create = [] { return std::make_unique<GroupArrangeNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupArrangeNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  seed_.setLayoutHidden(orderMode_.index() != kRandom);
  selectionOrder_.setLayoutHidden(changeMode() != kSelected);
}

void GroupArrangeNode::reorder(MVElementGroup& group)
{
  const MVElementGroup::ElementArray& members = group.elementArray();
  const long n = group.count();
  std::vector<std::size_t> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), std::size_t{0});
  const long long mode = orderMode_.index();

  if (mode == kRandom) {
    // "Seed" 0 draws what the member positions alone would; far-out seeds are held where the
    // sum cannot overflow.
    const long long seed = std::clamp(pf::saturatingCast<long long>(seed_.value()), -kSeedLimit, kSeedLimit);
    for (long i = 0; i < n; ++i) {
      const long long draw = randomIntegerWithSeed(seed + i);
      const long long j = ((draw % n) + n) % n;
      std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
    }
  } else if (mode == kHorizontal || mode == kVertical) {
    // The members' pivot points in the group's parent space.
    std::vector<double> key(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
      const std::shared_ptr<MVElement> placed = group.transformedElementAtIndex(i);
      const double value = mode == kHorizontal ? placed->positionX() + placed->arrayPivotX()
                                               : placed->positionY() + placed->arrayPivotY();
      key[static_cast<std::size_t>(i)] = orderable(value, std::numeric_limits<double>::infinity());
    }
    std::stable_sort(order.begin(), order.end(), [&key](std::size_t a, std::size_t b) { return key[a] < key[b]; });
  } else if (mode == kPivotDistance) {
    std::vector<double> distance(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
      const MVElement& member = *members[static_cast<std::size_t>(i)];
      const double dx = member.positionX() + member.arrayPivotX() - group.arrayPivotX() + group.pivotOffsetX();
      const double dy = member.positionY() + member.arrayPivotY() - group.arrayPivotY() + group.pivotOffsetY();
      distance[static_cast<std::size_t>(i)] = orderable(std::hypot(dx, dy), -std::numeric_limits<double>::infinity());
    }
    // The farthest first.
    std::stable_sort(order.begin(), order.end(),
                     [&distance](std::size_t a, std::size_t b) { return distance[a] > distance[b]; });
  }
  if (reverse_.value()) {
    std::reverse(order.begin(), order.end());
  }
  MVElementGroup::ElementArray reordered;
  reordered.reserve(order.size());
  for (const std::size_t i : order) {
    reordered.push_back(members[i]);
  }
  group.setElementArray(std::move(reordered));
}

std::shared_ptr<const MVElement> GroupArrangeNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  if (group == nullptr || !enabled()) {
    return input;
  }
  MVElementDelegate* elements = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  const bool selectedMode = changeMode() == kSelected;

  // The group to reorder: a copy of the input, or in Selected mode the selected members.
  std::shared_ptr<MVElementGroup> target;
  std::shared_ptr<MVElementGroup> unselected;
  if (!selectedMode) {
    target = std::static_pointer_cast<MVElementGroup>(group->copy());
  } else {
    target = std::make_shared<MVElementGroup>();
    unselected = std::make_shared<MVElementGroup>();
    target->setNodeController(elements);
    unselected->setNodeController(elements);
    const long n = group->count();
    setCurrentArrayCount(n);
    for (long k = 0; k < n; ++k) {
      (shouldApplyChangeToElement(k) ? target : unselected)
          ->addElementWithoutRecalculatingPivot(group->transformedElementAtIndex(k));
    }
    target->recalculateArrayPivot();
    unselected->recalculateArrayPivot();
  }
  target->addNodeToHistory(nodeId());
  if (target->count() >= 2) {
    reorder(*target);
  }
  if (!selectedMode) {
    return target;
  }

  auto output = std::make_shared<MVElementGroup>();
  output->setNodeController(elements);
  const bool toFront = selectionOrder_.index() != kToBack;
  output->addElementWithoutRecalculatingPivot(toFront ? unselected : target);
  output->addElementWithoutRecalculatingPivot(toFront ? target : unselected);
  output->flattenSubArrays();
  output->recalculateArrayPivot();
  return output;
}

std::optional<std::string> GroupArrangeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Order mode header" || name == "Selection order header") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
