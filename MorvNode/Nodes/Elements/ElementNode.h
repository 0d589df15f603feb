#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Elements/MVNodeHistoryChange.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"

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
// element's history. Subclasses declare their parameters with the node kit, placed after the
// base's by name, and set the capability flags in their constructors.
class ElementNode : public MVNode {
public:
  // What an element node class changes of the shared rows' defaults.
  struct Defaults {
    bool fill = true;          // false: the fill rows start off and hidden (a line has no inside)
    bool stroke = false;       // the stroke colour starts on
    std::string sizeNameX;     // the label of Size.X; "X" when empty
    bool sizeShowsY = true;    // false: one size field
  };

  ElementNode() : ElementNode(Defaults{}) {}
  explicit ElementNode(const Defaults& defaults) : defaults_(defaults) {}

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool isElementNode() const override { return true; }

  // Hides the opacity, stroke and cap rows that the fill and stroke toggles switch off, then
  // marks the output stale.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // Warns when the "Graphics" output is not connected.
  void checkWarnings() override;
  // Older-generation records: the element parameters' old names; an old element without a
  // height becomes square with its aspect locked.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  // The bare element, before placement and style; nullptr when it cannot be built. The base
  // builds a circle of diameter Size.X centred on the origin.
  virtual std::shared_ptr<MVElement> generateElement();
  // Asks for the memory of the parameters generateElement() and the steps after it read
  // (prefetchParameter), before it runs. The base asks for those of the steps that apply.
  virtual void prefetchElementInputs() const;
  // Step 0 the node's own object, step 1 its element inputs (prefetchElementInputs); a
  // subclass may use step 2 for inputs it finds through those.
  void prefetchGraphicsInputs(int step) const override;
  // For "Graphics": nullptr while the node is disabled (except for its own preview), else the
  // generated element placed at "Position", filled, stroked, rotated and stamped with the node.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  // The element itself; without one, a disabled node shows what it would generate.
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                std::shared_ptr<const MVElement> element) override;

  // "Set position" with the two commands below, after a separator.
  void menuAddNodeCustomItemsToMenu(MVMenu& menu) override;
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

  // The shared parameters, owned by the node's list; they exist from construction.
  MVParameterGraphics* graphicsParameter() const { return &graphics_; }
  MVParameterValue2D* sizeParameter() const { return &size_; }
  MVParameterValue2D* positionParameter() const { return &position_; }
  MVParameterValue* rotationParameter() const { return &rotation_; }
  MVParameterColor* fillColorParameter() const { return &fillColor_; }
  MVParameterValue* fillOpacityParameter() const { return &fillOpacity_; }
  MVParameterColor* strokeColorParameter() const { return &strokeColor_; }
  MVParameterValue* strokeOpacityParameter() const { return &strokeOpacity_; }
  MVParameterValue* strokeWidthParameter() const { return &strokeWidth_; }
  MVParameter* strokeCapsAndJointsParameter() const { return &strokeCapsAndJoints_; }
  MVParameterIndex* strokeCapsTypeParameter() const { return &strokeCapsType_; }
  MVParameterIndex* strokeJointsTypeParameter() const { return &strokeJointsType_; }

protected:
  bool canMove_ = true;
  bool canRotate_ = true;
  bool canFill_ = true;
  bool canStroke_ = true;
  bool hasSeparateOpacity_ = false;

private:
  // Set only while the preview of a disabled node is generated.
  bool generatingPreviewElement_ = false;
  // The one-entry history {node ID}, made once and shared by every element the node makes
  // with an empty history (made again if the ID changes).
  MVNodeHistory historyEntry_;
  std::uint32_t historyRevision_ = 0;  // the node's ID revision historyEntry_ was made for

  // Drag-edit handle codes of the preview.
  static constexpr int kDragEditPosition = 1;
  static constexpr int kDragEditSize = 4;
  static constexpr int kDragEditRotation = 5;

  Defaults defaults_;  // read by the declarations below, so declared before them

  // Declared in the order of the node's rows; owned by the node's parameter list.
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .spaceBelow = 4, .inputSocket = false});
  MVParameterValue2D& size_ =
      nodekit::value2D(*this, {.name = "Size", .tooltip = "Size of the element", .dragEdit = kDragEditSize},
                       {.x = 30,
                        .y = 30,
                        .presets = nodekit::Presets::Size,
                        .rangeMin = 0,
                        .aspectLocked = true,
                        .displayNameX = defaults_.sizeNameX,
                        .showY = defaults_.sizeShowsY});
  MVParameterValue2D& position_ = nodekit::value2D(
      *this, {.name = "Position", .tooltip = "Center position of the element", .dragEdit = kDragEditPosition},
      {.rangeMin = 0, .rangeMax = 200});
  MVParameterValue& rotation_ =
      nodekit::value(*this,
                     {.name = "Rotation",
                      .displayName = "Angle",
                      .header = "Rotation",
                      .tooltip = "Angle (in degrees) of the initial element rotation",
                      .enableToggle = true,
                      .enabled = false,
                      .dragEdit = kDragEditRotation},
                     {.value = 45, .rangeMin = -180, .rangeMax = 180});
  MVParameterColor& fillColor_ = nodekit::color(*this,
                                                {.name = "Fill Color",
                                                 .displayName = "Fill color",
                                                 .header = "Fill",
                                                 .tooltip = "Fill color of the shape element",
                                                 .enableToggle = true,
                                                 .enabled = defaults_.fill,
                                                 .hidden = !defaults_.fill},
                                                pf::Color::rgb(0, 0, 0, 1));
  MVParameterValue& fillOpacity_ = nodekit::value(
      *this,
      {.name = "Fill Opacity",
       .displayName = "Opacity",
       .tooltip = "Transparency of the fill color, 0 is fully transparent, 1 is fully opaque",
       .enabled = defaults_.fill,
       .hidden = !defaults_.fill},
      {.value = 1, .min = 0, .max = 1});
  MVParameterColor& strokeColor_ = nodekit::color(*this,
                                                  {.name = "Stroke Color",
                                                   .displayName = "Stroke color",
                                                   .header = "Stroke",
                                                   .tooltip = "Stroke color of the shape element",
                                                   .enableToggle = true,
                                                   .enabled = defaults_.stroke},
                                                  pf::Color::rgb(0, 0, 0, 1));
  MVParameterValue& strokeOpacity_ =
      nodekit::value(*this,
                     {.name = "Stroke Opacity",
                      .displayName = "Opacity",
                      .tooltip = "Transparency of the stroke, 0 is fully transparent, 1 is fully opaque"},
                     {.value = 1, .min = 0, .max = 1});
  MVParameterValue& strokeWidth_ = nodekit::value(
      *this, {.name = "Stroke Width", .displayName = "Width", .tooltip = "The width of the stroke line"},
      {.value = 1, .min = 0});
  MVParameter& strokeCapsAndJoints_ =
      nodekit::plain(*this, {.name = "Has Stroke Caps Joints",
                             .displayName = "Set caps and joints",
                             .tooltip = "Lets you set stroke end caps and corners/joints are rendered",
                             .enableToggle = true,
                             .enabled = false});
  MVParameterIndex& strokeCapsType_ =
      nodekit::choice(*this,
                      {.name = "Stroke Caps",
                       .tooltip = "Sets the stroke line end caps for non-closed line shapes",
                       .showHeaderLabel = false},
                      {.names = {"None", "Square", "Round"},
                       .icons = {"icon_line_cap_none.png", "icon_line_cap_square.png", "icon_line_cap_round.png"}});
  MVParameterIndex& strokeJointsType_ =
      nodekit::choice(*this,
                      {.name = "Stroke Joints",
                       .tooltip = "Sets the stroke line joint (corner) mode",
                       .showHeaderLabel = false},
                      {.names = {"Miter", "Round", "Bevel"},
                       .icons = {"icon_line_joint_miter.png", "icon_line_joint_round.png",
                                 "icon_line_joint_bevel.png"}});
};
