#pragma once

#include <string>

class MVParameter;

// The document's animation as the graph controller reaches it: the keyframes that an edit of an
// animated parameter records at the current time (auto-keying), the animators of removed nodes,
// and the playback state that times the preview. The animation manager implements it; without one nothing is recorded.
class MVControllerAnimationDelegate {
public:
  virtual ~MVControllerAnimationDelegate() = default;

  // Whether an animator animates that property ("value", "y") of the parameter.
  virtual bool hasAnimator(const MVParameter* parameter, const std::string& propertyName) const = 0;
  // The animator's keyframe at the current time takes the value; without one there, a keyframe
  // with the value is added at the current time.
  virtual void setKeyframeValueAtCurrentTime(const MVParameter* parameter, const std::string& propertyName,
                                             double value) = 0;
  // The parameter was enabled or disabled: its animators (of the value and of "y") refresh
  // their timeline rows.
  virtual void animatorsOfParameterChanged(const MVParameter* parameter) = 0;
  // The parameter's node is being removed: its animators (of the value and of "y") leave the
  // animation.
  virtual void removeAnimatorsOfParameter(const MVParameter* parameter) = 0;

  virtual bool isPlaying() const = 0;
  virtual double framerate() const = 0;  // frames per second
};
