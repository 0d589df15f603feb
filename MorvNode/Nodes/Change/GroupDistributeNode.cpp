#include "MorvNode/Nodes/Change/GroupDistributeNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"

namespace {

// The anchor of the span [low, low + size] for a choice; the centre also for none.
double anchorOf(long long choice, double low, double size)
{
  switch (choice) {
    case GroupDistributeNode::kLeading:
      return low;
    case GroupDistributeNode::kTrailing:
      return low + size;
    default:
      return low + size / 2;
  }
}

}  // namespace

GroupDistributeNode::GroupDistributeNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .untransforms = true})
{
}

const MVNodeClass& GroupDistributeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupDistributeNode";
    info.displayName = "Distribute";
    info.displayTypeName = "Group";
    info.toolTipText = "Distributes the graphical elements evenly horizontally or vertically";
    info.iconName = "node_icon_group_distribute.png";
    info.create = [] { return std::make_unique<GroupDistributeNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupDistributeNode::rankByAnchor(Axis& axis, const std::vector<long>& chosen)
{
  std::vector<long> order = chosen;
  std::stable_sort(order.begin(), order.end(), [&axis](long a, long b) {
    return axis.anchor[static_cast<std::size_t>(a)] < axis.anchor[static_cast<std::size_t>(b)];
  });
  for (std::size_t position = 0; position < order.size(); ++position) {
    axis.rank[static_cast<std::size_t>(order[position])] = static_cast<long>(position);
  }
}

void GroupDistributeNode::prepareChangesBasedOnInput(const MVElement& input)
{
  elementCount_ = 0;
  horizontalAxis_ = Axis();
  verticalAxis_ = Axis();
  const long long horizontal = horizontal_.index();
  const long long vertical = vertical_.index();
  const auto* group = dynamic_cast<const MVElementGroup*>(&input);
  if ((horizontal < 0 && vertical < 0) || group == nullptr) {
    return;
  }
  const long n = group->count();
  setCurrentArrayCount(n);  // the selection test reads it
  for (Axis* axis : {&horizontalAxis_, &verticalAxis_}) {
    axis->anchor.assign(static_cast<std::size_t>(n), 0.0);
    axis->rank.assign(static_cast<std::size_t>(n), -1);
  }
  std::vector<long> chosen;
  // Members are measured in the group's parent space, where the pass places their copies.
  const pf::AffineTransform parent = group->affineTransform();
  for (long k = 0; k < n; ++k) {
    if (!shouldApplyChangeToElement(k)) {
      continue;
    }
    const std::optional<pf::Rect> box =
        group->elementArray()[static_cast<std::size_t>(k)]->transformedBoundingBoxNested(parent);
    if (!box) {
      continue;  // nothing to measure: the member stays where it is
    }
    const double x = anchorOf(horizontal, box->minX(), box->width());
    const double y = anchorOf(vertical, box->minY(), box->height());
    horizontalAxis_.anchor[static_cast<std::size_t>(k)] = x;
    verticalAxis_.anchor[static_cast<std::size_t>(k)] = y;
    if (chosen.empty()) {
      horizontalAxis_.min = horizontalAxis_.max = x;
      verticalAxis_.min = verticalAxis_.max = y;
    } else {
      horizontalAxis_.min = std::min(horizontalAxis_.min, x);
      horizontalAxis_.max = std::max(horizontalAxis_.max, x);
      verticalAxis_.min = std::min(verticalAxis_.min, y);
      verticalAxis_.max = std::max(verticalAxis_.max, y);
    }
    chosen.push_back(k);
  }
  elementCount_ = static_cast<long>(chosen.size());
  if (horizontal >= 0) {
    rankByAnchor(horizontalAxis_, chosen);
  }
  if (vertical >= 0) {
    rankByAnchor(verticalAxis_, chosen);
  }
}

double GroupDistributeNode::Axis::moveFor(long index, long count) const
{
  if (index < 0 || static_cast<std::size_t>(index) >= rank.size() || rank[static_cast<std::size_t>(index)] < 0) {
    return 0;
  }
  const double share = static_cast<double>(rank[static_cast<std::size_t>(index)]) / static_cast<double>(count - 1);
  return min + share * (max - min) - anchor[static_cast<std::size_t>(index)];
}

void GroupDistributeNode::applyChangeToElement(MVElement& element)
{
  if (elementCount_ < 2 || !inputElementIsArray()) {
    return;
  }
  // The member copy stands where the preparation measured it: its anchors are the stored ones.
  const long index = static_cast<long>(currentElementIndex());
  const double dx = horizontal_.index() >= 0 ? horizontalAxis_.moveFor(index, elementCount_) : 0.0;
  const double dy = vertical_.index() >= 0 ? verticalAxis_.moveFor(index, elementCount_) : 0.0;
  if (dx != 0 || dy != 0) {
    element.offsetPositionX(dx, dy);
  }
}

std::optional<std::string> GroupDistributeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Horizontal heading" || name == "Vertical heading") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
