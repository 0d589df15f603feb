#include "MorvNode/Controller/MVControllerAnimation.h"

#include <array>
#include <vector>

#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorInterfaceDelegate.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

constexpr const char* kIdentifierKey = "persistentIdentifier";
constexpr const char* kPropertyKey = "propertyName";
constexpr const char* kAnimationInfoClass = "AnimationInfoNode";
constexpr const char* kTimeFunctionClass = "ValueTimeFunctionNode";
constexpr std::array<const char*, 3> kProperties{"value", "x", "y"};

}  // namespace

MVControllerAnimation::MVControllerAnimation(MVNodeController& controller)
  : controller_(controller)
{
}

ODAnimationManager* MVControllerAnimation::animationManager() const
{
  return controller_.animationManager();
}

// ---- Menus ----

std::unique_ptr<MVMenu> MVControllerAnimation::menuForButton()
{
  return animationAddAnimationMenu();
}

std::unique_ptr<MVMenu> MVControllerAnimation::animationAddAnimationMenu()
{
  auto menu = std::make_unique<MVMenu>();
  menu->title = "Add animation";
  for (const auto& node : controller_.nodeArray()) {
    std::unique_ptr<MVMenu> nodeMenu = animationAddAnimationMenuForNode(node.get());
    if (nodeMenu == nullptr) {
      continue;
    }
    MVMenuItem item;
    item.title = node->displayName();
    item.iconName = node->iconName();
    item.submenu = std::move(nodeMenu);
    menu->items.push_back(std::move(item));
  }
  return menu;
}

std::unique_ptr<MVMenu> MVControllerAnimation::animationAddAnimationMenuForNode(MVNode* node)
{
  if (node == nullptr) {
    return nullptr;
  }
  auto menu = std::make_unique<MVMenu>();
  menu->autoenablesItems = false;
  const ODAnimationManager* manager = animationManager();
  for (const auto& parameter : node->parameters()) {
    for (const char* property : kProperties) {
      if (!parameter->animatorCanAnimateProperty(property)) {
        continue;
      }
      MVMenuItem item;
      item.title = parameter->animatorDisplayNameWithProperty(property);
      if (manager != nullptr && manager->animatorForTarget(parameter.get(), property) != nullptr) {
        item.enabled = false;
        item.toolTip = "This property is already animated";
      } else {
        item.representedObject = {{kIdentifierKey, pf::PlistValue(parameter->persistentIdentifier())},
                                  {kPropertyKey, pf::PlistValue(property)}};
        item.toolTip = pf::format("Add an animation track for %@", item.title);
      }
      item.action = [this, represented = item.representedObject] { animationMenuAddAnimation(represented); };
      menu->items.push_back(std::move(item));
    }
    const auto* twoAxis = dynamic_cast<const MVParameterValue2D*>(parameter.get());
    if (twoAxis != nullptr && parameter->animatorCanAnimateProperty("x") &&
        parameter->animatorCanAnimateProperty("y") && !twoAxis->aspectLocked()) {
      MVMenuItem item;
      item.title = pf::format("%@ and %@", parameter->animatorDisplayNameWithProperty("x"),
                              parameter->animatorDisplayNameWithProperty("y"));
      item.representedObject = {{kIdentifierKey, pf::PlistValue(parameter->persistentIdentifier())},
                                {kPropertyKey, pf::PlistValue("xy")}};
      item.toolTip = pf::format("Add an animation track for %@", item.title);
      item.action = [this, represented = item.representedObject] { animationMenuAddAnimation(represented); };
      menu->items.push_back(std::move(item));
    }
  }
  if (menu->items.empty()) {
    return nullptr;
  }
  return menu;
}

void MVControllerAnimation::animationMenuAddAnimation(const pf::PlistValue::Dictionary& representedObject)
{
  const pf::PlistValue* identifierValue = representedObject.find(kIdentifierKey);
  const pf::PlistValue* propertyValue = representedObject.find(kPropertyKey);
  const std::string identifier = identifierValue != nullptr ? identifierValue->stringOr() : std::string();
  const std::string requested = propertyValue != nullptr ? propertyValue->stringOr() : std::string();
  const std::vector<std::string> properties =
      requested == "xy" ? std::vector<std::string>{"x", "y"} : std::vector<std::string>{requested};

  for (const std::string& property : properties) {
    if (identifier.empty() || property.empty()) {
      FeedbackManager::log("Error: animationMenuAddAnimation: representedObject dictionary %@ is missing "
                           "persistentIdentifier or propertyName",
                           pf::PlistValue(representedObject));
      continue;
    }
    MVParameter* parameter = parameterWithIdentifier(identifier);
    if (parameter == nullptr) {
      FeedbackManager::log("Error: animationMenuAddAnimation: could not get parameter for persistentIdentifier %@",
                           identifier);
      continue;
    }
    ODAnimationManager* manager = animationManager();
    if (manager == nullptr) {
      continue;
    }
    if (manager->animatorForTarget(parameter, property) != nullptr) {
      FeedbackManager::log("Error: animationMenuAddAnimation: animator already exists for %@ : %@",
                           parameter->description(), property);
      continue;
    }
    ODAnimator* animator = manager->addAnimatorForTarget(parameter, property);
    if (animator == nullptr) {
      continue;
    }
    animator->addKeyframeWithValue(currentValue(parameter, property), manager->currentTime());
    if (controller_.document() != nullptr) {
      controller_.document()->openAnimationPanel();
    }
  }
}

double MVControllerAnimation::currentValue(MVParameter* parameter, const std::string& propertyName)
{
  if (auto* twoAxis = dynamic_cast<MVParameterValue2D*>(parameter)) {
    if (propertyName == "x") {
      return twoAxis->valueX();
    }
    if (propertyName == "y") {
      return twoAxis->valueY();
    }
  }
  if (auto* value = dynamic_cast<MVParameterValue*>(parameter); value != nullptr && propertyName == "value") {
    return value->value();
  }
  return 0.0;
}

// ---- ODAnimationManagerDelegate ----

void MVControllerAnimation::animationChangePrepare()
{
  // Indexes, not iterators: a refresh must not be able to invalidate the walk.
  const auto& nodes = controller_.nodeArray();
  if (controller_.nodeTypeCountForClass(kAnimationInfoClass) > 0) {
    for (std::size_t index = 0; index < nodes.size(); ++index) {
      if (nodes[index]->className() == kAnimationInfoClass) {
        nodes[index]->updateDependentParameters();
      }
    }
  }
  if (controller_.nodeTypeCountForClass(kTimeFunctionClass) > 0) {
    for (std::size_t index = 0; index < nodes.size(); ++index) {
      if (nodes[index]->className() == kTimeFunctionClass) {
        nodes[index]->updateLinkedParameters();
      }
    }
  }
}

ODAnimatorTarget* MVControllerAnimation::animatorTargetWithIdentifier(const std::string& identifier)
{
  return parameterWithIdentifier(identifier);
}

void MVControllerAnimation::animationTimelineAnimatorClicked(ODAnimator* animator)
{
  auto* parameter = animator != nullptr ? dynamic_cast<MVParameter*>(animator->target()) : nullptr;
  if (parameter == nullptr) {
    return;
  }
  if (parameter->dragEditTransformType() == 0) {
    MVNode* node = parameter->node();
    if (node != nullptr && !node->selected()) {
      controller_.selectNode(node, false, false, true);
    }
  } else if (!parameter->layoutDragEditSelected()) {
    controller_.dragEditParameterSelected(parameter);
  }
}

MVParameter* MVControllerAnimation::parameterWithIdentifier(const std::string& identifier) const
{
  static constexpr std::string_view kSeparator = " : ";
  const std::size_t separator = identifier.find(kSeparator);
  if (separator == std::string::npos) {
    return nullptr;
  }
  MVNode* node = controller_.nodeWithId(identifier.substr(0, separator));
  return node != nullptr ? node->parameterNamed(identifier.substr(separator + kSeparator.size())) : nullptr;
}

// ---- MVControllerAnimationDelegate ----

bool MVControllerAnimation::hasAnimator(const MVParameter* parameter, const std::string& propertyName) const
{
  const ODAnimationManager* manager = animationManager();
  return manager != nullptr && manager->animatorForTarget(parameter, propertyName) != nullptr;
}

void MVControllerAnimation::setKeyframeValueAtCurrentTime(const MVParameter* parameter, const std::string& propertyName,
                                                          double value)
{
  ODAnimationManager* manager = animationManager();
  ODAnimator* animator = manager != nullptr ? manager->animatorForTarget(parameter, propertyName) : nullptr;
  if (animator == nullptr) {
    return;
  }
  if (ODAnimatorKeyframe* keyframe = animator->keyFrameAtTime(manager->currentTime())) {
    keyframe->setDoubleValue(value);
  } else {
    animator->addKeyframeWithValue(value, manager->currentTime());
  }
}

void MVControllerAnimation::animatorsOfParameterChanged(const MVParameter* parameter)
{
  const ODAnimationManager* manager = animationManager();
  if (manager == nullptr) {
    return;
  }
  for (ODAnimator* animator : {manager->animatorForTarget(parameter), manager->animatorForTarget(parameter, "y")}) {
    if (animator != nullptr && animator->interfaceDelegate() != nullptr) {
      animator->interfaceDelegate()->animatorChanged(animator);
    }
  }
}

void MVControllerAnimation::removeAnimatorsOfParameter(const MVParameter* parameter)
{
  ODAnimationManager* manager = animationManager();
  if (manager == nullptr) {
    return;
  }
  // A parameter carries at most two animators ("x" and "y").
  for (int pass = 0; pass < 2; ++pass) {
    manager->removeAnimator(manager->animatorForTarget(parameter));
  }
}

bool MVControllerAnimation::isPlaying() const
{
  const ODAnimationManager* manager = animationManager();
  return manager != nullptr && manager->isPlaying();
}

double MVControllerAnimation::framerate() const
{
  const ODAnimationManager* manager = animationManager();
  return manager != nullptr ? manager->framerate() : 0.0;
}
