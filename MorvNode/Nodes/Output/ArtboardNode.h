#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"

class MVParameterGraphicsLayer;
class MVParameterIndex;

// The end point of every graph: the ordered output layers into which the user connects
// graphics, the artboard size, the background colour and opacity, and an optional alignment
// of the whole output to the artboard. Before each generation the controller reads the size
// and background from it and pulls the output tree from layersOutputElement(). A document has
// exactly one artboard node; it can be neither deleted nor disabled.
//
// Layers are graphics-layer parameters named "OutputLayer<n>" (n from a counter saved as
// "Layer Counter"), kept in layers() top layer first and in the parameter list after the
// "Layers header" row in the same order. Layer edits are undoable; their undo steps find the
// node again by its ID through the document, so they never point at a node that went away.
class ArtboardNode : public MVNode, public MVArtboardSource {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canDisable() const override { return false; }
  bool canDelete() const override { return false; }

  // The rows and the default three layers.
  ArtboardNode();
  // Hides the opacity with the background off and the alignment choices with alignment off.
  void updateLinkedParameters() override;
  // Layer changes skip the base handling; every change asks for a regeneration.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  // A 1 x 1 artboard, and no connected layer.
  void checkWarnings() override;
  // "Add new layer" and "Set artboard size" (disabled while "Size" is connected).
  void menuAddNodeCustomItemsToMenu(MVMenu& menu) override;
  // The base record plus "Layer Counter".
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  // Replaces the layers by those of the record (the default three when it has none), then the
  // base loading fills them in by name.
  bool loadNodeDictionary(const pf::PlistValue::Dictionary& record) override;
  // Older-generation records: the old size and background names, and the old layer list.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;
  // Not used for the output (logged): the input aligned as layersOutputElement() does.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;

  // The output tree: a group "Artboard layers" with one group per connected, visible layer
  // whose input delivers an element, named as the layer, bottom layer first, aligned when
  // alignment is on. Hidden layers are still pulled. nullptr when no layer contributes.
  std::shared_ptr<const MVElement> layersOutputElement() override;
  // The element moved so that its box meets the artboard as "Horizontal alignment" and
  // "Vertical alignment" say (0 left / top edges, 1 centre, 2 right / bottom edges, negative
  // none), when "Alignment toggle" is on. The same element, also for nullptr.
  std::shared_ptr<const MVElement> alignedElementWithInputElement(std::shared_ptr<const MVElement> element);

  MVParameterValue2D* sizeParameter() const override { return &size_; }
  MVParameterColor* backgroundColorParameter() const override { return &backgroundColor_; }
  MVParameterValue* backgroundOpacityParameter() const override { return &backgroundOpacity_; }
  // The layers, top layer (drawn last) first; owned by the node's parameter list.
  std::vector<MVParameterGraphicsLayer*> layersArray() const override { return layersArray_; }
  const std::vector<MVParameterGraphicsLayer*>& layers() const { return layersArray_; }
  // The number of the last layer name handed out.
  int layerNumberCounter() const { return layerNumberCounter_; }

  // Layers. A layer description is {"LayerID": name, "DisplayName", "Visible", "LayerIndex":
  // position in layers(), 0 when absent}.
  // A new layer named "OutputLayer<counter + 1>" (the counter goes up first), not yet added.
  std::unique_ptr<MVParameterGraphicsLayer> createNewGraphicsLayer();
  // Counter 0, then "Top layer", "Middle layer" and "Bottom layer" appended.
  void initDefaultLayers();
  // Inserts a layer as described (the index clamped to the list); undoable as "adding layer".
  // Refused (logged) without "LayerID" or when a parameter of that name exists.
  void addLayerWithDescription(const pf::PlistValue::Dictionary& description);
  // A visible "New layer" on top.
  void menuAddNewLayer();
  // A copy directly below the layer, named "<display name> copy", fed by the same outputs.
  void duplicateLayer(MVParameterGraphicsLayer* layer);
  // Refuses (logged) a missing layer, one that is not the node's and the last one left; the
  // layer's input connections go with it. Undoable as "delete layer".
  void removeLayer(MVParameterGraphicsLayer* layer);
  void removeLayerAtIndex(long index);
  // direction -1 moves up (towards the top layer), +1 down; undoable as "reorder layer".
  void moveLayer(MVParameterGraphicsLayer* layer, int direction);
  void moveLayerAtIndexUp(long index);
  void moveLayerAtIndexDown(long index);
  bool isLayerFirstLayer(const MVParameterGraphicsLayer* layer) const;
  bool isLayerLastLayer(const MVParameterGraphicsLayer* layer) const;
  pf::PlistValue::Dictionary descriptionForLayer(const MVParameterGraphicsLayer& layer) const;

  // "Set artboard size": `tag` 0 gives 256 x 256, 720 gives 1280 x 720, 1080 gives 1920 x 1080,
  // any other n gives n x n.
  void menuResizeToSize(int tag);
  // The size of the last output's untransformed box, rounded up; logged without output.
  void menuResizeToFitOutput();
  // The size commands apply while "Size" is not driven by a connection.
  bool canSetArtboardSize() const;

private:
  // Finds the artboard node `nodeId` of the document again when an undo step runs.
  static ArtboardNode* artboardForUndo(MVNodeUndoDelegate* delegate, const std::string& nodeId);
  // Registers `step` on the document's undo manager (while registration is on) and names the
  // action unless undoing.
  void registerLayerUndo(std::function<void(ArtboardNode&)> step, const std::string& actionName);
  long indexOfLayer(const MVParameterGraphicsLayer* layer) const;  // -1 when not a layer
  // "OutputLayer<n>" with the counter advanced to the next number no parameter uses.
  std::string nextLayerName();
  // Puts the layer at `layerIndex` of layers() and into the parameter list in the same order.
  MVParameterGraphicsLayer* insertLayer(std::unique_ptr<MVParameterGraphicsLayer> layer, std::size_t layerIndex);
  // Takes every graphics layer out of the parameter list and layers().
  void removeAllLayers();
  // The rows changed and the output may have: lay out and regenerate.
  void layersChanged();

  std::vector<MVParameterGraphicsLayer*> layersArray_;  // owned by the parameter list
  int layerNumberCounter_ = 0;
  static constexpr const char* kLayersHeaderName = "Layers header";
  static constexpr int kDragEditArtboardSize = 3;

  // Declared in the order of the rows; the layers go between the header and "Size". Owned by
  // the node's parameter list.
  MVParameter& layersHeader_ = nodekit::plain(*this, {.name = kLayersHeaderName, .displayName = "Output layers"});
  MVParameterValue2D& size_ = nodekit::value2D(
      *this, {.name = "Size", .displayName = "Artboard size", .tooltip = "Size of the artboard", .dragEdit = kDragEditArtboardSize},
      {.x = 200, .y = 200, .presets = nodekit::Presets::Size, .min = 1, .max = 20000, .rangeMax = 1000});
  MVParameter& alignHeader_ =
      nodekit::plain(*this, {.name = "Alignment toggle",
                             .displayName = "Align content",
                             .tooltip = "Align the output content to the artboard, for example centering it.",
                             .enableToggle = true,
                             .enabled = false,
                             .spaceAbove = 4});
  MVParameterIndex& alignHorizontal_ =
      nodekit::choice(*this,
                      {.name = "Horizontal alignment",
                       .tooltip = "Controls if and how elements will be aligned vertically.",
                       .showHeaderLabel = false,
                       .spaceBelow = -5},
                      {.names = {"Left edges", "Center", "Right edges"},
                       .icons = {"icon_align_horizontal_left.png", "icon_align_horizontal_center.png",
                                 "icon_align_horizontal_right.png"},
                       .tooltips = {"Left edges", "Center horizontally", "Right edges"},
                       .index = 1,
                       .segments = true});
  MVParameterIndex& alignVertical_ =
      nodekit::choice(*this,
                      {.name = "Vertical alignment",
                       .tooltip = "Controls if and how elements will be aligned vertically.",
                       .showHeaderLabel = false,
                       .spaceAbove = 0},
                      {.names = {"Top edges", "Center", "Bottom edges"},
                       .icons = {"icon_align_vertical_top.png", "icon_align_vertical_center.png",
                                 "icon_align_vertical_bottom.png"},
                       .tooltips = {"Top edges", "Center vertically", "Bottom edges"},
                       .index = 1,
                       .segments = true});
  MVParameterColor& backgroundColor_ = nodekit::color(*this,
                                                      {.name = "Background Color",
                                                       .displayName = "Color",
                                                       .header = "Background",
                                                       .tooltip = "The background color, or no background",
                                                       .enableToggle = true},
                                                      pf::Color::rgb(255, 255, 255, 1));  // pinned to opaque white
  MVParameterValue& backgroundOpacity_ = nodekit::value(
      *this, {.name = "Background Opacity", .displayName = "Opacity", .tooltip = "Opacity of the background"},
      {.value = 1, .min = 0, .max = 1});
};
