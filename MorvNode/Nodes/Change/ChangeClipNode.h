#pragma once

#include <memory>

#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "Platform/Path.h"

// "Clipping mask": wraps the input in a new group clipped by the vector outline of the
// "Clipping mask" element (optionally inverted: the outline is cut out of the rectangle that
// holds both), named after the input with " clipped"; the group's pivot moves to the clip's
// centre. With no mask, a clipped input group gives its first member, unclipped, where it was
// drawn. Only the Group mode is offered.
class ChangeClipNode : public ChangeNode {
public:
  ChangeClipNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The vector outline of a path, or of every path in a group, in the element's parent space;
  // nullptr for an image, a path without geometry or a group without any path.
  static pf::SharedPath clipPathFromElement(const MVElement& element);

  // The clip evaluation (see the class comment). A disabled node answers the input as given.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // The element with the mask outlined in red, while the last evaluation clipped.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                      std::shared_ptr<const MVElement> element) override;
  // The node reference's sample mask: a circle of radius 25 at (20, 20).
  std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string& name) override;
  // Also warns when no mask arrives or it has no vector outline.
  void checkWarnings() override;

  MVParameterGraphics* clippingMaskParameter() const { return &clippingMask_; }
  MVParameterBool* invertParameter() const { return &invert_; }

private:
  std::shared_ptr<const MVElement> cachedClippingElement_;  // the mask of the last evaluation
  bool clipPathOK_ = false;                                  // the last evaluation clipped

  MVParameterGraphics& clippingMask_ = nodekit::elementInput(
      *this,
      {.name = "Clipping mask",
       .tooltip = "The element that will be used as a clipping path, must contain at least one vector path element. "
                  "Leave empty to instead remove an existing clipping mask from the input.",
       .spaceAbove = 4,
       .outputSocket = false});
  MVParameterBool& invert_ =
      nodekit::toggle(*this, {.name = "Invert", .tooltip = "When checked, the clipping region is inverted"}, false);
};
