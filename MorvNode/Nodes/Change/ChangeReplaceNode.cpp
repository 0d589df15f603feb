#include "MorvNode/Nodes/Change/ChangeReplaceNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"

namespace {

constexpr const char* kIndexName = "Index";

// `replacement` carries on with the stack entries of `replaced` after its own.
void appendStack(MVElement& replacement, const MVElement& replaced)
{
  MVTransformStack stack = replacement.transformStack().value_or(MVTransformStack{});
  if (replaced.transformStack()) {
    stack.insert(stack.end(), replaced.transformStack()->begin(), replaced.transformStack()->end());
  }
  replacement.setTransformStack(std::move(stack));
}

}  // namespace

ChangeReplaceNode::ChangeReplaceNode()
    : ChangeNode(Modes{.initial = kSelected, .publishesIndexes = true})
{
  replacementElement_.setLayoutHasPreview(false);
}

const MVNodeClass& ChangeReplaceNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeReplaceNode";
    info.displayName = "Replace";
    info.toolTipText = "Replaces each separate element in an array with another element, transformed and positioned "
                       "the same as the original element";
    info.descriptionText = "This node goes through the group of elements in the graphical input and replaces "
                           "elements in this group with an instance of the Replacement input element. Depending on "
                           "the change mode currently selected, the entire group, each element or just some selected "
                           "elements will be repleaced.";
    info.iconName = "node_icon_change_replace.png";
    info.create = [] { return std::make_unique<ChangeReplaceNode>(); };
    return info;
  }();
  return nodeClass;
}

std::shared_ptr<const MVElement> ChangeReplaceNode::getReferenceInputGraphicsNamed(const std::string& name)
{
  if (name != "Replacement Element") {
    return ChangeNode::getReferenceInputGraphicsNamed(name);
  }
  auto circle = std::make_shared<MVElementPath>();
  if (nodeController() != nullptr) {
    circle->setNodeController(nodeController()->elementDelegate());
  }
  circle->setPositionX(0, 0);
  circle->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(7.5)));
  circle->setWidth(15);
  circle->setHeight(15);
  circle->setElementName("Replacement circle");
  circle->setFillColor(pf::Color::rgb(96.0 / 255, 184.0 / 255, 247.0 / 255));
  return circle;
}

std::shared_ptr<const MVElement> ChangeReplaceNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (input == nullptr || !enabled()) {
    return input;
  }
  MVNodeDelegate* controller = nodeController();
  const bool same = sameTransform_.value();
  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  const int mode = changeMode();
  std::shared_ptr<const MVElement> answer = input;

  if (mode == kGroup || group == nullptr) {
    if (const std::shared_ptr<const MVElement> replacement = replacementElement_.element()) {
      // The replacement's pivot on the input's pivot.
      std::shared_ptr<MVElement> placed = replacement->copy();
      placed->setPositionX(input->positionX() + input->arrayPivotX() - placed->arrayPivotX(),
                           input->positionY() + input->arrayPivotY() - placed->arrayPivotY());
      if (same) {
        appendStack(*placed, *input);
      }
      answer = std::move(placed);
    }
  } else {
    // The members are replaced in a copy of the input group, so that the group's own
    // position, transform and clip still act on them.
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    const long n = group->count();
    setCurrentArrayCount(n);
    const bool publish = mightHaveDynamicInput() && controller != nullptr;
    MVElementGroup::ElementArray members;
    members.reserve(static_cast<std::size_t>(n));
    bool replacedAny = false;
    for (long k = 0; k < n; ++k) {
      const std::shared_ptr<const MVElement>& member = group->elementArray()[static_cast<std::size_t>(k)];
      if (publish) {
        controller->setNodeIndex(kIndexName, this, k);
      }
      if (mode == kSelected && !shouldApplyChangeToElement(k)) {
        members.push_back(member);
        continue;
      }
      // Pulled for every member: it may follow "Index".
      std::shared_ptr<const MVElement> replacement = replacementElement_.element();
      if (replacement == nullptr && referenceMode()) {
        replacement = getReferenceInputGraphicsNamed(replacementElement_.name());
      }
      if (replacement == nullptr) {
        members.push_back(member);
        continue;
      }
      std::shared_ptr<MVElement> placed = replacement->copy();
      placed->setPositionX(member->positionX() - placed->arrayPivotX(), member->positionY() - placed->arrayPivotY());
      if (same) {
        appendStack(*placed, *member);
      }
      members.push_back(std::move(placed));
      replacedAny = true;
    }
    if (replacedAny) {
      output->setElementArray(std::move(members));
      output->recalculateArrayPivot();
      answer = std::move(output);
    }
  }
  if (controller != nullptr) {
    controller->endNodeIndexSession(kIndexName, this);
  }
  return answer;
}
