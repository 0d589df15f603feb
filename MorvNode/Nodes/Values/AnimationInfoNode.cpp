#include "MorvNode/Nodes/Values/AnimationInfoNode.h"

#include <cmath>

#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

// A frame number that a product of time and rate rounds just below still counts.
constexpr double kFrameTolerance = 1e-6;

}  // namespace

const MVNodeClass& AnimationInfoNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "AnimationInfoNode";
    info.displayName = "Animation info";
    info.displayTypeName = "Value";
    info.toolTipText = "Provides access to animation parameters";
    info.descriptionText = "This node lets you access animation parameters such as current time, duration and "
                           "framrate, so you can use these as input in other nodes.";
    info.iconName = "node_icon_animation_info.png";
    info.create = [] { return std::make_unique<AnimationInfoNode>(); };
    return info;
  }();
  return nodeClass;
}

void AnimationInfoNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  const auto output = [this](const std::string& name, const std::string& displayName, double value,
                             const std::string& tooltip) {
    auto parameter = MVParameterValue::parameterWithName(name);
    parameter->setDisplayName(displayName);
    parameter->setHasInputSocket(false);
    parameter->setValueSource(this);
    parameter->setUpdateIfUnconnected(true);
    parameter->setValue(value);
    parameter->setMinValueLimit(0.0);
    parameter->setTooltip(tooltip);
    return addParameter(std::move(parameter));
  };
  timeParameter_ = output("Time", "Time", 0.0, "The current time in seconds, varies as the animation runs.");
  frameParameter_ =
      output("Frame", "Frame", 0.0, "The current animation frame number, varies as the animation runs.");
  addParameter(MVParameter::parameterWithName("Animation settings"));
  durationParameter_ = output("Duration", "Duration", 5.0, "The duration of the animation in seconds.");
  // No upper limit: the animation's own frame rate has none.
  fpsParameter_ = output("FPS", "Framerate", 30.0, "The framerate (frames per second) of the animation.");
  fpsParameter_->setMinValueLimit(0.01);
}

double AnimationInfoNode::valueForParameter(MVParameter* parameter, int, double)
{
  const ODAnimationManager* manager = nodeController() != nullptr ? nodeController()->animationManager() : nullptr;
  if (parameter != timeParameter_ && parameter != frameParameter_ && parameter != durationParameter_ &&
      parameter != fpsParameter_) {
    FeedbackManager::log("Warning, %@ valueForParameter had not value for %@", description(),
                         parameter != nullptr ? parameter->description() : std::string("(null)"));
    return 0.0;
  }
  if (manager == nullptr) {
    return 0.0;
  }
  if (parameter == timeParameter_) {
    return manager->currentTime();
  }
  if (parameter == frameParameter_) {
    return std::floor(manager->framerate() * manager->currentTime() + kFrameTolerance);
  }
  if (parameter == durationParameter_) {
    return manager->duration();
  }
  return manager->framerate();
}
