#pragma once

#include "MorvNode/Model/MVNode.h"

class MVParameterValue;

// "Animation info": the document's animation as numbers other nodes can use: the current time,
// the current frame, the duration and the frame rate. Its outputs are computed on every pull
// from the animation manager (all 0 without one); the graph controller refreshes them before
// every animation step.
class AnimationInfoNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canDisable() const override { return false; }

  void initNodeParameters() override;
  // "Time", "Frame" (floor(frame rate x time + 1e-6)), "Duration" and "FPS"; each then passes
  // its parameter's limits.
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

private:
  MVParameterValue* timeParameter_ = nullptr;  // each owned by the node's parameters
  MVParameterValue* frameParameter_ = nullptr;
  MVParameterValue* durationParameter_ = nullptr;
  MVParameterValue* fpsParameter_ = nullptr;
};
