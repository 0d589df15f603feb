#pragma once

#include <memory>

#include "MorvNode/Nodes/Elements/ElementNode.h"

// The element node that outputs one straight, open, horizontal line of length Size.X centred
// on "Position". It adds no parameters: it hides the fill rows, turns the stroke on and titles
// the size field "Length"; Size.Y has no effect.
class ElementLineNode : public ElementNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  ElementLineNode();
  // Also warns when the stroke is off (nothing would be drawn).
  void checkWarnings() override;
  bool warningsFollowOwnState() const override { return true; }
  // The open line from (-L/2, 0) to (L/2, 0), named "Line": L wide, as high as its stroke.
  std::shared_ptr<MVElement> generateElement() override;
};
