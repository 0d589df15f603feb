#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Replace": puts a copy of the "Replacement Element" at the place of the whole input (Group
// mode: its pivot on the input's pivot), of each member or of the selected members (the
// copy's pivot on the member's position), optionally taking over each replaced element's
// transform stack ("Same transform"). While it replaces members it publishes "Index", and the
// replacement is pulled again for every member, so a replacement that follows "Index" differs
// from member to member. Without a replacement the input passes through.
class ChangeReplaceNode : public ChangeNode {
public:
  ChangeReplaceNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The replaced element or group (see the class comment). No input or a disabled node: the
  // input as given. In Each and Selected modes the output is the input group with its members
  // replaced, whenever at least one member got a replacement; else the input.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // The node reference's sample replacement: a blue circle of radius 7.5 at (0, 0).
  std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string& name) override;

  MVParameterGraphics* replacementElementParameter() const { return &replacementElement_; }
  MVParameterBool* sameTransformParameter() const { return &sameTransform_; }

private:
  MVParameter& replacementHeading_ =
      nodekit::plain(*this, {.name = "Replacement", .spaceAbove = 4});
  MVParameterGraphics& replacementElement_ = nodekit::elementInput(
      *this,
      {.name = "Replacement Element",
       .displayName = "Element",
       .tooltip = "This replacement element will be instanciated once for each replaced element in the input group, "
                  "placed at in the same locations.",
       .outputSocket = false});
  MVParameterBool& sameTransform_ = nodekit::toggle(
      *this,
      {.name = "Same transform",
       .tooltip = "When checked the transformation (rotation, scaling etc) of the original replaced input elements are "
                  "applied to the replacement elements. When unchecked the replacement elements only get the same "
                  "position."},
      false);
};
