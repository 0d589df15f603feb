#pragma once

#include <memory>

#include "MorvNode/Model/MVNode.h"

class MVElement;
class MVParameterColor;
class MVParameterGraphics;
class MVParameterIndex;
class MVParameterValue;
class MVParameterValue2D;

// Base of the nodes that produce one graphic element (shape, line, text, import, element
// list). It declares what they share, the "Graphics" output, size, position, rotation, fill and
// stroke, and owns the generation step they all go through: a subclass builds the bare element
// in generateElement(), and the base places, styles and rotates it and records the node in the
// element's history. Subclasses insert their parameters between the base's with
// addParameter(parameter, index) and change the capability flags after calling the base.
class ElementNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool isElementNode() const override { return true; }

  void initNodeParameters() override;
  // Hides the opacity, stroke and cap rows that the fill and stroke toggles switch off, then
  // marks the output stale.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // Warns when the "Graphics" output is not connected.
  void checkWarnings() override;

  // The bare element, before placement and style; nullptr when it cannot be built. The base
  // builds a circle of diameter Size.X centred on the origin.
  virtual std::shared_ptr<MVElement> generateElement();
  // For "Graphics": nullptr while the node is disabled (except for its own preview), else the
  // generated element placed at "Position", filled, stroked, rotated and stamped with the node.
  std::shared_ptr<MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<MVElement> inputElement) override;
  // A copy of the element; without one, a disabled node shows what it would generate.
  std::shared_ptr<MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                std::shared_ptr<MVElement> element) override;

  // The "Set position" commands: "Position" to the artboard's top-left corner or its centre.
  void menuPositionTopLeft();
  void menuPositionCenter();

  // Which generation steps apply (see graphicsElementForParameter).
  bool canMove() const { return canMove_; }
  bool canRotate() const { return canRotate_; }
  bool canFill() const { return canFill_; }
  bool canStroke() const { return canStroke_; }
  // "Fill Opacity" applies even when the fill colour is off or not applicable.
  bool hasSeparateOpacity() const { return hasSeparateOpacity_; }

  // The shared parameters, owned by the node; nullptr before initNodeParameters().
  MVParameterGraphics* graphicsParameter() const { return graphicsParameter_; }
  MVParameterValue2D* sizeParameter() const { return sizeParameter_; }
  MVParameterValue2D* positionParameter() const { return positionParameter_; }
  MVParameterValue* rotationParameter() const { return rotationParameter_; }
  MVParameterColor* fillColorParameter() const { return fillColorParameter_; }
  MVParameterValue* fillOpacityParameter() const { return fillOpacityParameter_; }
  MVParameterColor* strokeColorParameter() const { return strokeColorParameter_; }
  MVParameterValue* strokeOpacityParameter() const { return strokeOpacityParameter_; }
  MVParameterValue* strokeWidthParameter() const { return strokeWidthParameter_; }
  MVParameter* strokeCapsAndJointsParameter() const { return strokeCapsAndJointsParameter_; }
  MVParameterIndex* strokeCapsTypeParameter() const { return strokeCapsTypeParameter_; }
  MVParameterIndex* strokeJointsTypeParameter() const { return strokeJointsTypeParameter_; }

protected:
  bool canMove_ = true;
  bool canRotate_ = true;
  bool canFill_ = true;
  bool canStroke_ = true;
  bool hasSeparateOpacity_ = false;

private:
  // Set only while the preview of a disabled node is generated.
  bool generatingPreviewElement_ = false;

  // Owned by the node's parameter list.
  MVParameterGraphics* graphicsParameter_ = nullptr;
  MVParameterValue2D* sizeParameter_ = nullptr;
  MVParameterValue2D* positionParameter_ = nullptr;
  MVParameterValue* rotationParameter_ = nullptr;
  MVParameterColor* fillColorParameter_ = nullptr;
  MVParameterValue* fillOpacityParameter_ = nullptr;
  MVParameterColor* strokeColorParameter_ = nullptr;
  MVParameterValue* strokeOpacityParameter_ = nullptr;
  MVParameterValue* strokeWidthParameter_ = nullptr;
  MVParameter* strokeCapsAndJointsParameter_ = nullptr;
  MVParameterIndex* strokeCapsTypeParameter_ = nullptr;
  MVParameterIndex* strokeJointsTypeParameter_ = nullptr;
};
