#include "MorvNode/Controller/MVDragEdit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "MorvNode/Controller/MVDragEditPanel.h"
#include "MorvNode/Controller/MVGenerationScheduler.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/UndoManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"

namespace {

// Transform types of a parameter (its dragEditTransformType).
constexpr int kOffset = 1;
constexpr int kScale = 2;
constexpr int kSize = 3;
constexpr int kScaledSize = 4;
constexpr int kRotation = 5;
constexpr int kCount = 6;

// The factor that scales a start value measured at `startDistance` to `distance` from the
// pivot; 1 (no change) when the drag started on the pivot's line, where no factor exists.
double scaleFactor(double startDistance, double distance)
{
  return startDistance != 0.0 ? distance / startDistance : 1.0;
}

bool eitherAlignmentSet(const MVNode& node)
{
  const MVParameterIndex* horizontal = node.indexParameterNamed("Horizontal alignment");
  const MVParameterIndex* vertical = node.indexParameterNamed("Vertical alignment");
  return horizontal != nullptr && vertical != nullptr && (horizontal->index() >= 0 || vertical->index() >= 0);
}

}  // namespace

// ---- Pivot ----

const MVElement* MVDragEdit::selectedElementInGroup(const MVElement& element, const std::vector<std::string>& selectedNodeIds)
{
  const MVNodeIDSet selected(selectedNodeIds.begin(), selectedNodeIds.end());
  const auto search = [&selected](const auto& self, const MVElement& candidate) -> const MVElement* {
    if (candidate.isNodeHistorySelected(selected)) {
      return &candidate;
    }
    const auto* group = dynamic_cast<const MVElementGroup*>(&candidate);
    if (group == nullptr) {
      return nullptr;
    }
    for (const auto& child : group->elementArray()) {
      if (dynamic_cast<const MVElementGroup*>(child.get()) != nullptr) {
        if (const MVElement* hit = self(self, *child)) {
          return hit;
        }
      } else if (child->isNodeHistorySelected(selected)) {
        return child.get();
      }
    }
    return nullptr;
  };
  return search(search, element);
}

std::vector<const MVElementGroup*> MVDragEdit::parentElementsOfElementWithID(long long elementID, const MVElementGroup& group)
{
  for (const auto& child : group.elementArray()) {
    if (child->elementID() == elementID) {
      return {&group};
    }
    if (const auto* childGroup = dynamic_cast<const MVElementGroup*>(child.get())) {
      std::vector<const MVElementGroup*> parents = parentElementsOfElementWithID(elementID, *childGroup);
      if (!parents.empty()) {
        parents.push_back(&group);
        return parents;
      }
    }
  }
  return {};
}

void MVDragEdit::updateDragEditPivot()
{
  const std::shared_ptr<const MVElement> output = controller_.outputElement();
  if (dragEditParameter_ == nullptr || output == nullptr) {
    return;
  }
  const MVElement* element = nullptr;
  std::shared_ptr<const MVElement> cached;  // keeps the node's element alive while it is read
  if (dynamic_cast<const MVElementGroup*>(output.get()) != nullptr) {
    std::vector<std::string> selectedIds;
    for (const MVNode* node : controller_.selectedNodesArray()) {
      selectedIds.push_back(node->nodeId());
    }
    element = selectedElementInGroup(*output, selectedIds);
  }
  if (element == nullptr) {
    MVNode* node = dragEditParameter_->node();
    auto* primary = node != nullptr ? dynamic_cast<MVParameterGraphics*>(node->primaryOutputParameterForType(MVSocketType::Element))
                                    : nullptr;
    if (primary == nullptr) {
      dragEditPivot_ = pf::Point(0.0, 0.0);
      return;
    }
    cached = primary->cachedElement();
    element = cached.get();
  }
  if (element == nullptr) {
    dragEditPivot_ = pf::Point(0.0, 0.0);
    return;
  }
  pf::Point pivot(element->positionX() + element->arrayPivotX(), element->positionY() + element->arrayPivotY());
  if (const auto* outputGroup = dynamic_cast<const MVElementGroup*>(output.get())) {
    for (const MVElementGroup* parent : parentElementsOfElementWithID(element->elementID(), *outputGroup)) {
      pivot = parent->affineTransform().apply(pivot);
    }
  }
  dragEditPivot_ = pivot;
}

// ---- Available parameters and the choice ----

void MVDragEdit::updateDragEditInterface()
{
  availableParameters_.clear();
  if (!controller_.hasSelectedNodes()) {
    tellPanelInterfaceChanged();
    if (dragEditParameter_ != nullptr) {
      MVParameter* previous = std::exchange(dragEditParameter_, nullptr);
      previous->setLayoutDragEditSelected(false);
      tellPanelSelectionChanged();
    }
    if (ODAnimationManager* animation = controller_.animationManager()) {
      animation->selectAnimator(nullptr);
    }
    return;
  }
  for (const MVNode* node : controller_.selectedNodesArray()) {
    for (const auto& parameter : node->parameters()) {
      if (parameter->dragEditTransformType() != 0 && parameter->canEditValue()) {
        availableParameters_.push_back(parameter.get());
      }
    }
  }
  tellPanelInterfaceChanged();
  if (availableParameters_.empty()) {
    if (dragEditParameter_ != nullptr) {
      MVParameter* previous = std::exchange(dragEditParameter_, nullptr);
      previous->setLayoutDragEditSelected(false);
      tellPanelSelectionChanged();
    }
    return;
  }
  if (dragEditParameter_ != nullptr &&
      std::find(availableParameters_.begin(), availableParameters_.end(), dragEditParameter_) == availableParameters_.end()) {
    dragEditParameterSelected(nullptr);
    return;
  }
  tellPanelSelectionChanged();
}

void MVDragEdit::dragEditParameterButtonPressed(int index)
{
  if (index < 0 || static_cast<std::size_t>(index) >= availableParameters_.size()) {
    return;
  }
  MVParameter* parameter = availableParameters_[static_cast<std::size_t>(index)];
  dragEditParameterSelected(parameter == dragEditParameter_ ? nullptr : parameter);
}

void MVDragEdit::dragEditParameterSelected(MVParameter* parameter)
{
  if (controller_.referenceMode() || parameter == dragEditParameter_) {
    return;
  }
  MVParameter* previous = dragEditParameter_;
  ODAnimationManager* animation = controller_.animationManager();
  if (parameter != nullptr) {
    if (previous != nullptr) {
      previous->setLayoutDragEditSelected(false);
    }
    // Stored first: the row that takes focus reports the choice again, which then changes nothing.
    dragEditParameter_ = parameter;
    parameter->setLayoutDragEditSelected(true);
    tellPanelSelectionChanged();
  } else {
    dragEditParameter_ = nullptr;
    previous->setLayoutDragEditSelected(false);
    if (animation != nullptr) {
      animation->selectAnimator(nullptr);
    }
    updateDragEditInterface();
    tellPanelSelectionChanged();
  }
  if (parameter == nullptr || previous == nullptr) {
    updateDragEditPivot();
    if (MVNodeControllerOutputDelegate* preview = controller_.previewView()) {
      preview->updateSelection();
    }
  }
  if (dragEditParameter_ != nullptr && animation != nullptr) {
    if (dragEditParameter_->animated()) {
      ODAnimator* animator = animation->animatorForTarget(dragEditParameter_);
      if (animator != nullptr && !animator->selected()) {
        animation->selectAnimator(animator);
      }
    } else {
      animation->selectAnimator(nullptr);
    }
  }
}

void MVDragEdit::forgetNode(const MVNode* node)
{
  std::erase_if(availableParameters_, [node](const MVParameter* parameter) { return parameter->node() == node; });
  if (dragEditParameter_ != nullptr && dragEditParameter_->node() == node) {
    dragEditParameter_ = nullptr;
    if (undoGroupOpen_) {
      displayViewValueDragOffsetEnd();
    }
    tellPanelSelectionChanged();
  }
}

void MVDragEdit::tellPanelInterfaceChanged() const
{
  if (panel_ != nullptr) {
    panel_->dragEditInterfaceChanged();
  }
}

void MVDragEdit::tellPanelSelectionChanged() const
{
  if (panel_ != nullptr) {
    panel_->dragEditSelectionChanged();
  }
}

// ---- Drags ----

void MVDragEdit::displayViewValueDragOffsetStartAt(double x, double y)
{
  mouseStart_ = pf::Point(x, y);
  mouse_ = mouseStart_;
  if (dragEditParameter_ == nullptr) {
    return;
  }
  dragEditInProgress_ = false;
  if (!dragEditParameter_->enabled()) {
    // Re-marked around the change: a disabled parameter that turns editable would otherwise give
    // up the choice.
    dragEditParameter_->setLayoutDragEditSelected(false);
    dragEditParameter_->setEnabled(true);
    dragEditParameter_->setLayoutDragEditSelected(true);
  }
  if (auto* pair = dynamic_cast<MVParameterValue2D*>(dragEditParameter_)) {
    startValueX_ = pair->valueX();
    startValueY_ = pair->valueY();
  } else if (auto* value = dynamic_cast<MVParameterValue*>(dragEditParameter_)) {
    startValueX_ = value->value();
  }
}

std::optional<std::string> MVDragEdit::dragHint() const
{
  if (dragEditParameter_ == nullptr) {
    return std::nullopt;
  }
  std::optional<std::string> hint;
  const int type = dragEditParameter_->dragEditTransformType();
  if (const auto* pair = dynamic_cast<const MVParameterValue2D*>(dragEditParameter_)) {
    const std::string locked = pf::format("%@ parameter aspect locked", pair->displayName());
    if (type == kScale || type == kScaledSize) {
      hint = pair->aspectLocked() ? locked : "Hold Shift for uniform scale";
    } else if (type == kOffset || type == kSize) {
      hint = pair->aspectLocked() ? locked : "Hold Shift for only horizontal or vertical";
    }
  }
  const MVNode* node = dragEditParameter_->node();
  if (type == kOffset && node != nullptr) {
    // Change nodes are known by their type name: the controller does not see the node classes.
    if (node->isElementNode() || node->nodeClass().displayTypeName == "Change") {
      MVNode* artboard = controller_.artboardNode();
      const MVParameter* alignment = artboard != nullptr ? artboard->parameterNamed("Alignment toggle") : nullptr;
      if (alignment != nullptr && alignment->enabled() && eitherAlignmentSet(*artboard)) {
        hint = "Note: Artboard node content align may cancel offset";
      } else if (controller_.nodeTypeCountForClass("ChangeAlignNode") > 0) {
        for (const MVNode* downstream : controller_.nodesLinkedToNode(const_cast<MVNode*>(node), false, true)) {
          if (downstream->className() == "ChangeAlignNode" && eitherAlignmentSet(*downstream)) {
            hint = "Note: Align node may cancel offset";
          }
        }
      }
    }
  }
  if (type == kRotation) {
    hint = "Hold Shift for angle snapping";
  }
  return hint;
}

void MVDragEdit::displayViewValueDragOffset(double dx, double dy, bool shiftHeld)
{
  mouse_ = pf::Point(mouse_.x + dx, mouse_.y + dy);
  if (dragEditParameter_ == nullptr) {
    return;
  }
  if (!dragEditInProgress_) {
    dragEditInProgress_ = true;
    NodeControllerDocumentProtocol* document = controller_.document();
    if (document != nullptr && document->undoManager() != nullptr) {
      document->undoManager()->beginUndoGrouping();
      undoGroupOpen_ = true;
    }
    if (const std::optional<std::string> hint = dragHint()) {
      if (MVNodeControllerOutputDelegate* preview = controller_.previewView()) {
        preview->setStatusMessage(*hint);
      }
    }
  }
  setValues(dx, dy, shiftHeld);
}

void MVDragEdit::setValues(double, double, bool shiftHeld)
{
  const int type = dragEditParameter_->dragEditTransformType();
  const pf::Point pivot = dragEditPivot_;
  const double dX = mouse_.x - mouseStart_.x;
  const double dY = mouse_.y - mouseStart_.y;
  const double startDistanceX = mouseStart_.x - pivot.x;
  const double startDistanceY = mouseStart_.y - pivot.y;
  const double distanceX = mouse_.x - pivot.x;
  const double distanceY = mouse_.y - pivot.y;

  if (auto* pair = dynamic_cast<MVParameterValue2D*>(dragEditParameter_)) {
    double x = startValueX_;
    double y = startValueY_;
    if (type == kOffset || type == kSize) {
      double deltaX = dX;
      double deltaY = dY;
      if (shiftHeld) {
        if (std::abs(dX) > std::abs(dY)) {
          deltaY = 0.0;
        } else {
          deltaX = 0.0;
        }
      }
      x = startValueX_ + deltaX;
      y = startValueY_ + deltaY;
    } else if (type == kScale || type == kScaledSize) {
      const double factorX = scaleFactor(startDistanceX, distanceX);
      const double factorY = scaleFactor(startDistanceY, distanceY);
      // Without Shift each axis has its own factor; with it both take the dominant axis's.
      bool xUsesFactorX = true;
      bool yUsesFactorX = false;
      if (shiftHeld) {
        xUsesFactorX = yUsesFactorX = std::abs(distanceX) > std::abs(distanceY);
      }
      // An axis that starts at 0 cannot be scaled: it follows the movement along the factor's axis.
      x = startValueX_ == 0.0 ? (xUsesFactorX ? dX : dY) : startValueX_ * (xUsesFactorX ? factorX : factorY);
      y = startValueY_ == 0.0 ? (yUsesFactorX ? dX : dY) : startValueY_ * (yUsesFactorX ? factorX : factorY);
    } else {
      return;
    }
    if (pair->aspectLocked()) {
      if (std::abs(dX) > std::abs(dY)) {
        pair->setValueX(x);
      } else {
        pair->setValueY(y);
      }
    } else {
      pair->setValueX(x, y);
    }
    return;
  }

  auto* value = dynamic_cast<MVParameterValue*>(dragEditParameter_);
  if (value == nullptr) {
    return;
  }
  switch (type) {
  case kOffset:
  case kScale:
  case kSize:
  case kCount:
    value->setValue(startValueX_ + dX);
    break;
  case kScaledSize:
    if (startValueX_ == 0.0) {
      value->setValue(dX);
    } else if (startDistanceX != 0.0) {
      value->setValue(startValueX_ / startDistanceX * distanceX);
    }
    break;
  case kRotation: {
    const double turned = (std::atan2(distanceY, distanceX) - std::atan2(startDistanceY, startDistanceX)) / std::numbers::pi * 180.0;
    double angle = startValueX_ + turned;
    if (shiftHeld) {
      angle = std::round(angle / 15.0) * 15.0;
    }
    value->setValue(angle);
    break;
  }
  default:
    break;
  }
}

void MVDragEdit::displayViewValueDragOffsetEnd()
{
  if (dragEditInProgress_ || undoGroupOpen_) {
    if (undoGroupOpen_) {
      NodeControllerDocumentProtocol* document = controller_.document();
      if (document != nullptr && document->undoManager() != nullptr) {
        document->undoManager()->endUndoGrouping();
      }
      undoGroupOpen_ = false;
    }
    dragEditInProgress_ = false;
  }
  if (controller_.autoRegenerate()) {
    if (MVNodeControllerOutputDelegate* preview = controller_.previewView()) {
      preview->setStatusMessage(std::nullopt);
    }
  }
}

// ---- Space bar ----

void MVDragEdit::setSpaceHeldFlag(bool held)
{
  const double now = MVGenerationScheduler::now();
  if (held) {
    spaceHeldStartTime_ = now;
  } else if (spaceHeldStartTime_ != 0.0 && now - spaceHeldStartTime_ < kSpaceTapDuration) {
    if (NodeControllerDocumentProtocol* document = controller_.document()) {
      document->animationTogglePlay();
    }
  }
  if (MVNodeControllerOutputDelegate* preview = controller_.previewView()) {
    preview->setSpaceHeldFlag(held);
  }
}
