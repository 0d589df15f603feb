#pragma once

#include <memory>
#include <string>

#include "MorvNode/Controller/MVControllerAnimationDelegate.h"
#include "Platform/PlistValue.h"
#include "Shared/ODAnimation/ODAnimationManagerDelegate.h"

class MVNode;
class MVNodeController;
class MVParameter;
class ODAnimationManager;
struct MVMenu;

// The graph controller's side of the document's animation: the "Add animation" menus and the
// adding of an animator from them (with its first keyframe at the current time), the answers
// the controller gives as the animation manager's delegate (time nodes refreshed before every
// animation step, targets found by identifier, timeline clicks), and the auto-keying and
// playback state the controller asks for. The controller owns it and installs it as the
// delegate of the animation manager it is given. Main thread only.
class MVControllerAnimation final : public ODAnimationManagerDelegate, public MVControllerAnimationDelegate {
public:
  // `controller` owns this object.
  explicit MVControllerAnimation(MVNodeController& controller);
  MVControllerAnimation(const MVControllerAnimation&) = delete;
  MVControllerAnimation& operator=(const MVControllerAnimation&) = delete;

  // The controller's animation manager; nullptr when there is none.
  ODAnimationManager* animationManager() const;

  // ---- Menus ----
  // The menu of the timeline's add button: animationAddAnimationMenu().
  std::unique_ptr<MVMenu> menuForButton();
  // "Add animation": one submenu per node that has something to animate, in node-array order.
  std::unique_ptr<MVMenu> animationAddAnimationMenu();
  // One item per animatable property of each parameter ("value", "x", "y"), plus "%@ and %@"
  // for an unlocked two-axis value; nullptr when the node has none (or for nullptr).
  std::unique_ptr<MVMenu> animationAddAnimationMenuForNode(MVNode* node);
  // The items' action: adds the animators named by {"persistentIdentifier", "propertyName"}
  // ("xy" adds "x" and "y"), each with one keyframe of the current value at the current time.
  void animationMenuAddAnimation(const pf::PlistValue::Dictionary& representedObject);

  // ---- ODAnimationManagerDelegate ----
  // Animation info nodes refresh their outputs, then time-function nodes their curves.
  void animationChangePrepare() override;
  // Nothing: the animators' changes have asked for one merged regeneration already.
  void animationChangeDone() override {}
  void animationPropertiesChanged() override { animationChangePrepare(); }
  // The parameter "<node ID> : <name>"; nullptr when there is none.
  ODAnimatorTarget* animatorTargetWithIdentifier(const std::string& identifier) override;
  // Selects the parameter's node, or makes the parameter the drag-edit parameter when it has a
  // drag-edit handle.
  void animationTimelineAnimatorClicked(ODAnimator* animator) override;

  // ---- MVControllerAnimationDelegate ----
  bool hasAnimator(const MVParameter* parameter, const std::string& propertyName) const override;
  void setKeyframeValueAtCurrentTime(const MVParameter* parameter, const std::string& propertyName,
                                     double value) override;
  void animatorsOfParameterChanged(const MVParameter* parameter) override;
  void removeAnimatorsOfParameter(const MVParameter* parameter) override;
  bool isPlaying() const override;
  double framerate() const override;

private:
  // The parameter by persistent identifier; nullptr when the node or the parameter is missing.
  MVParameter* parameterWithIdentifier(const std::string& identifier) const;
  // The value the first keyframe of a new animator takes: "value", "x" or "y" of the parameter.
  static double currentValue(MVParameter* parameter, const std::string& propertyName);

  MVNodeController& controller_;  // owner, outlives this object
};
