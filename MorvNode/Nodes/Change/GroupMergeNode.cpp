#include "MorvNode/Nodes/Change/GroupMergeNode.h"

#include "MorvNode/Elements/MVElementGroup.h"

const MVNodeClass& GroupMergeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = GroupNode::nodeClassInfo();
    info.className = "GroupMergeNode";
    info.displayName = "Flatten";
    info.toolTipText = "Merges multi-level input groups into a single flat group";
    info.descriptionText =
        "This node merges the connected elements into a single group.<BR>This rarely changes how the elements look, "
        "but it lets later group operations act on the individual elements instead of on sub-groups.<BR>For "
        "example, a group of two sub-groups [ [A, B, C], [D, E, F] ] becomes [A, B, C, D, E, F].";
    info.iconName = "node_icon_group_merge.png";
    info.create = [] { return std::make_unique<GroupMergeNode>(); };
    return info;
  }();
  return nodeClass;
}

std::shared_ptr<const MVElement> GroupMergeNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (input == nullptr || !enabled()) {
    return input;
  }
  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  if (group == nullptr) {
    return input;
  }
  if (group->count() == 1 && group->elementArray().front()->hasClippingMask()) {
    addWarningMessage("The graphical input array has a clipping mask, so this node will have no effect.");
    return input;
  }
  auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
  output->flattenSubArrays();
  output->recalculateArrayPivot();
  output->addNodeToHistory(nodeId());
  return output;
}
