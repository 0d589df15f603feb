#pragma once

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"

// Base of the group operations that have no change modes (flatten, select): the "Graphics" row
// and its connection warnings. By itself it computes nothing: MVNode answers the input.
class GroupNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void checkWarnings() override;
  void updateOutputParameters() override;

  MVParameterGraphics* graphicsParameter() const { return &graphics_; }

private:
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .spaceBelow = 4});
};
