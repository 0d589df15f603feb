#pragma once

#include <memory>
#include <vector>

class MVElement;
class MVParameterColor;
class MVParameterGraphicsLayer;
class MVParameterValue;
class MVParameterValue2D;

// The artboard node as the graph controller reads it before and during each generation: the
// size and background settings, the output layers, and the pull of the whole output tree. The
// artboard node class ("ArtboardNode") implements it beside MVNode; the controller's kind test
// for an artboard is a cast to this interface.
class MVArtboardSource {
public:
  virtual ~MVArtboardSource() = default;

  // The output tree: a group "Artboard layers" with one group per contributing layer, bottom
  // layer first; nullptr when no layer contributes.
  virtual std::shared_ptr<const MVElement> layersOutputElement() = 0;
  // The node's parameters; nullptr when the node has none of that kind (logged by the reader).
  // Size: (X, Y) = artboard width and height in output units.
  virtual MVParameterValue2D* sizeParameter() const = 0;
  // Colour, and its enable flag as the draw-background switch.
  virtual MVParameterColor* backgroundColorParameter() const = 0;
  virtual MVParameterValue* backgroundOpacityParameter() const = 0;
  // The output layers, top layer first; owned by the node.
  virtual std::vector<MVParameterGraphicsLayer*> layersArray() const = 0;
};
