#pragma once

#include <memory>
#include <string>

#include "Platform/PlistValue.h"

namespace pf {
class Image;
}

// An object whose named properties an animator drives (node parameters: "value", "x", "y").
// Animators hold their target without owning it; a target that goes away reads as absent to
// every animator that held it, through the lifetime token below. Main thread only.
class ODAnimatorTarget {
public:
  ODAnimatorTarget() = default;
  // A copy is another target: it gets a lifetime of its own.
  ODAnimatorTarget(const ODAnimatorTarget&) : ODAnimatorTarget() {}
  ODAnimatorTarget& operator=(const ODAnimatorTarget&) { return *this; }
  virtual ~ODAnimatorTarget() = default;

  // Whether the property can be animated now (an unconnected, visible, enabled numeric value).
  virtual bool animatorCanAnimateProperty(const std::string& propertyName) const = 0;
  // Sets the property to the value (a number for numeric properties) without registering undo.
  virtual void animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value) = 0;
  // An animator for the property came (true) or went (false).
  virtual void animatorProperty(const std::string& propertyName, bool setAnimated) = 0;
  // The name of the property for rows and undo names; an empty property name asks for the
  // target's own name.
  virtual std::string animatorDisplayNameWithProperty(const std::string& propertyName) const = 0;
  virtual std::string animatorOwnerDisplayName() const = 0;
  // nullptr when the target has no icon.
  virtual std::shared_ptr<const pf::Image> animatorIcon() const = 0;
  // What finds the target again across saving and undo; empty when it cannot be found again.
  virtual std::string persistentIdentifier() const = 0;

  // Expires when the target is destroyed. The token is made when first asked for: most targets
  // (every parameter of every node) are never animated, and a token each would cost a heap block.
  std::weak_ptr<const void> animatorTargetLifetime() const
  {
    if (!lifetime_) {
      lifetime_ = std::make_shared<char>(0);
    }
    return lifetime_;
  }

private:
  mutable std::shared_ptr<const void> lifetime_;  // made on first use, see above
};
