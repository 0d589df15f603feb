#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "MorvNode/Elements/MVNodeHistoryChange.h"
#include "Platform/AffineTransform.h"
#include "Platform/Color.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"

class ElementRenderer;
class MVElementDelegate;
class MVElementGroup;
class MVSvgWriter;

// The kinds of transform-stack entries. Values are stored as written (older code may hold other
// numbers, which every walk skips).
enum class MVTransformKind : std::int32_t { Rotate = 1, Scale = 2, PivotOffset = 3 };

// One entry of an element's transform stack.
struct MVTransformEntry {
  MVTransformKind kind = MVTransformKind::Rotate;
  double a = 0.0;  // rotate: degrees (from +x towards +y, clockwise on the output); scale: x factor;
                   // pivot offset: x distance
  double b = 0.0;  // rotate: unused (0); scale: y factor; pivot offset: y distance

  friend bool operator==(const MVTransformEntry&, const MVTransformEntry&) = default;
};

// The entries in the order they were pushed: the first pushed acts first on the element.
using MVTransformStack = std::vector<MVTransformEntry>;

// An element's position and stack as one matrix, and whether a zero scale factor was met on each
// axis (the factor is then drawn as 1e-5 and earlier factors on that axis count as 1).
struct MVStackTransform {
  pf::AffineTransform matrix;
  bool zeroScaleX = false;
  bool zeroScaleY = false;
};

// The IDs of the nodes selected in the editor, taken on the main thread for a selection pass.
using MVNodeIDSet = std::unordered_set<std::string>;

// Base of every generated vector element: a leaf with a nominal box centred on its origin, its
// geometry (position, pivot, a stack of rotate, scale and pivot-offset entries), its style
// (fill and stroke colour and opacity, stroke width, cap, join, blend mode), its identity
// (element ID and name) and the IDs of the nodes it passed through. Groups, paths and images
// derive from it and refine the box, the hit test and the drawing.
//
// Elements are built and changed by node code on the main thread and shared through
// std::shared_ptr. Once a tree is handed on (to a renderer, a cache, a downstream node) nobody
// changes it: to change an element, change a copy. Every query below is pure math on the
// element's own fields (no drawing context), so copies of one tree may be measured, hit-tested
// and drawn on different threads at once.
class MVElement {
public:
  MVElement() = default;
  virtual ~MVElement() = default;
  MVElement(const MVElement&) = delete;
  MVElement& operator=(const MVElement&) = delete;

  // Asks for the memory that releasing the element reads and writes, step by step down what
  // it points to (each step reads what the one before asked for): step 0 the element's own
  // object, step 1 the objects it shares (its history; a path's geometry), step 2 what those
  // hold. A hint: nothing changes.
  virtual void prefetchRelease(int step) const;
  // Asks for the memory of the position and pivot (a hint, for walks over many children).
  void prefetchPlacement() const
  {
    __builtin_prefetch(&positionX_);
    __builtin_prefetch(&arrayPivotY_);
  }

  // A deep copy of the same class. It keeps the element ID (copies share their source's
  // identity), and takes the controller through setNodeController(), so a copy of an element
  // without ID gets a fresh one: copy such elements on the main thread.
  [[nodiscard]] virtual std::shared_ptr<MVElement> copy() const;

  // Identity.
  virtual std::string_view className() const { return "MVElement"; }
  // The first controller given stays; nullptr is ignored. Assigns an element ID when there is
  // none yet.
  void setNodeController(MVElementDelegate* controller);
  MVElementDelegate* nodeController() const { return nodeController_; }
  long long elementID() const { return elementID_; }  // 0: not assigned
  void setElementID(long long elementID) { elementID_ = elementID; }
  const std::optional<std::string>& elementName() const { return elementName_; }
  void setElementName(std::optional<std::string> elementName) { elementName_ = std::move(elementName); }
  // Appends `suffix` to the name in place; an element without name keeps none.
  void appendToElementName(std::string_view suffix)
  {
    if (elementName_) {
      elementName_->append(suffix);
    }
  }
  // "generic element", "path element"...; a group without children answers nullopt.
  virtual std::optional<std::string> elementTypeDescription() const;
  // The element as a group, nullptr for a leaf; and whether it is an image. Cheaper than a
  // dynamic_cast where every generated element is asked.
  virtual MVElementGroup* asGroup() { return nullptr; }
  virtual bool isImage() const { return false; }
  virtual long numberOfElements() const { return 1; }
  virtual long numberOfSubElements() const { return 1; }
  virtual bool hasClippingMask() const { return false; }
  // "<MVElement 'name'(7)>", " [RELEASED]" appended inside once released.
  virtual std::string description() const;
  virtual std::string arrayDescription() const { return description(); }

  // Geometry fields (output units, the parent's coordinates).
  double positionX() const { return positionX_; }
  double positionY() const { return positionY_; }
  // Nominal box size; the box is centred on the origin.
  double width() const { return width_; }
  void setWidth(double width) { width_ = width; }
  double height() const { return height_; }
  void setHeight(double height) { height_ = height; }
  bool hasCalculatedPivot() const { return hasCalculatedPivot_; }
  void setHasCalculatedPivot(bool calculated) { hasCalculatedPivot_ = calculated; }
  // The point the stack turns and scales about (element coordinates); 0 for leaves unless node
  // code sets it.
  double arrayPivotX() const { return arrayPivotX_; }
  void setArrayPivotX(double x) { arrayPivotX_ = x; }
  double arrayPivotY() const { return arrayPivotY_; }
  void setArrayPivotY(double y) { arrayPivotY_ = y; }
  // Running sum of the pivot-offset entries pushed with offsetPivotX().
  double pivotOffsetX() const { return pivotOffsetX_; }
  void setPivotOffsetX(double x) { pivotOffsetX_ = x; }
  double pivotOffsetY() const { return pivotOffsetY_; }
  void setPivotOffsetY(double y) { pivotOffsetY_ = y; }
  // Scratch values that group nodes fill and sort by; nothing here reads them, copies drop them.
  double transformedPositionX() const { return transformedPositionX_; }
  void setTransformedPositionX(double x) { transformedPositionX_ = x; }
  double transformedPositionY() const { return transformedPositionY_; }
  void setTransformedPositionY(double y) { transformedPositionY_ = y; }
  // nullopt until the first push (an ignored or refused push still creates the empty stack).
  const std::optional<MVTransformStack>& transformStack() const { return transformStack_; }
  void setTransformStack(std::optional<MVTransformStack> stack) { transformStack_ = std::move(stack); }
  // Set by the last transformContext() when it met a zero scale factor on that axis.
  bool zeroScaleXFlag() const { return zeroScaleXFlag_; }
  bool zeroScaleYFlag() const { return zeroScaleYFlag_; }
  // Boxes are computed on every call; the flag only exists for callers that keep their own.
  bool hasCachedTransformedBoundingBox() const { return hasCachedTransformedBoundingBox_; }
  virtual void discardCachedBoundingBox() { hasCachedTransformedBoundingBox_ = false; }

  // Style. Colours: only red, green and blue are drawn; alpha lives in the opacities. A group's
  // setters reach its children and its colour and opacity getters answer its first child.
  virtual std::optional<pf::Color> fillColor() const { return fillColor_; }
  virtual void setFillColor(std::optional<pf::Color> color) { fillColor_ = color; }
  virtual std::optional<pf::Color> strokeColor() const { return strokeColor_; }
  virtual void setStrokeColor(std::optional<pf::Color> color) { strokeColor_ = color; }
  virtual double fillOpacity() const { return fillOpacity_; }  // not clamped
  virtual void setFillOpacity(double opacity) { fillOpacity_ = opacity; }
  virtual double strokeOpacity() const { return strokeOpacity_; }  // not clamped
  virtual void setStrokeOpacity(double opacity) { strokeOpacity_ = opacity; }
  // Output units; 0: no stroke.
  double strokeWidth() const { return strokeWidth_; }
  virtual void setStrokeWidth(double width) { strokeWidth_ = width; }
  int strokeEndCap() const { return strokeEndCap_; }  // 0 butt, 1 square, 2 round
  virtual void setStrokeEndCap(int cap) { strokeEndCap_ = cap; }
  int strokeJoints() const { return strokeJoints_; }  // 0 miter, 1 round, 2 bevel
  virtual void setStrokeJoints(int joints) { strokeJoints_ = joints; }
  // 0 or below normal; 1 multiply ... 9 luminosity (pf::blendModeForElementCode); 10 and above
  // keep the enclosing mode.
  int blendMode() const { return blendMode_; }
  virtual void setBlendMode(int blendMode) { blendMode_ = blendMode; }

  // Adjusters, all unclamped.
  virtual void scaleStrokeWidth(double factor);
  virtual void adjustStrokeWidth(double delta);
  virtual void adjustFillOpacity(double delta);
  virtual void adjustStrokeOpacity(double delta);
  // Shifts hue (wrapping into 0..1), saturation and brightness; the new colour is opaque.
  // Nothing for three zero deltas or an absent colour.
  virtual void adjustFillColorHue(double hueDelta, double saturationDelta, double brightnessDelta);
  virtual void adjustStrokeColorHue(double hueDelta, double saturationDelta, double brightnessDelta);

  // Transform stack. Each push creates the stack when absent; identity pushes are dropped and
  // non-finite ones refused with a log line.
  void rotate(double degrees);
  void scaleX(double x, double y);
  void offsetPivotX(double x, double y);
  // Non-finite values are refused with a log line.
  void offsetPositionX(double dx, double dy);
  void setPositionX(double x, double y);

  // Position and stack as one matrix: translate by the position, then the entries from the last
  // pushed to the first, so the first pushed acts first on the element.
  MVStackTransform stackTransform() const;
  // Applies stackTransform() to `transform` the way a drawing context applies a transform (it
  // acts on points before `transform`) and records the zero-scale flags.
  void transformContext(pf::AffineTransform& transform);
  // The element's transform about its pivot: pivot, position and stack, pivot back.
  pf::AffineTransform affineTransform() const;

  // Boxes; nullopt where there is nothing to measure (an empty group, a path without path).
  // In the element's own coordinates, stroke included.
  virtual std::optional<pf::Rect> boundingBoxNested() const;
  // After the element's own transform, in the coordinates that `parents` maps into: the
  // identity gives the parent's coordinates, the product of the enclosing groups' transforms
  // the tree's root coordinates.
  virtual std::optional<pf::Rect> transformedBoundingBoxNested(const pf::AffineTransform& parents = {}) const;
  // The transformed box meets the artboard (0, 0, artboard size). False without a controller.
  // Main thread.
  bool isInArtboard(const pf::AffineTransform& parents = {}) const;
  // Whether drawing shows anything: some opacity, not collapsed by a zero scale unless stroked,
  // a valid size, and the renderer's filter (nullptr: no renderer, visible).
  bool isVisible(const ElementRenderer* renderer = nullptr) const;
  bool disregardsVisibility() const { return disregardsVisibility_; }
  virtual void setDisregardsVisibility(bool disregards) { disregardsVisibility_ = disregards; }

  // Hit tests. `point` is in the coordinates that `parents` maps into (see
  // transformedBoundingBoxNested). The base tests the nominal box under the even-odd rule.
  virtual bool pointInElement(pf::Point point, const pf::AffineTransform& parents = {}) const;
  // The element hit at `point`: for a leaf itself or nullptr, for a group its topmost hit child.
  // The pointer lives as long as the tree it was found in.
  virtual const MVElement* elementAtPoint(pf::Point point, const pf::AffineTransform& parents = {}) const;

  // Drawing into the renderer's context, whose current transform holds the enclosing groups'.
  virtual void render(ElementRenderer& renderer) const;
  // The selection overlay: outlines every element whose history holds a selected node.
  virtual void renderSelection(ElementRenderer& renderer, const MVNodeIDSet& selectedNodeIDs) const;
  virtual void renderSelectionOutline(ElementRenderer& renderer) const;

  // The element as SVG text in absolute SVG user units: `transform` maps the parent's
  // coordinates there (the enclosing groups' transforms and the export scale), and the element
  // applies its own transform to it as drawing does. Empty where nothing would be drawn. The
  // base, a kind without SVG form, writes an XML comment naming the element.
  virtual std::string svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const;

  // Node history: IDs of the nodes that produced or changed the element, oldest first. IDs,
  // not nodes: a tree may outlive the nodes that built it (a preview copy while a node is
  // deleted), and an ID is never reused within a document. The list is shared with copies
  // (see MVNodeHistory); every change below gives this element a list of its own.
  const std::vector<std::string>& nodeHistory() const;
  void setNodeHistory(std::vector<std::string> history);
  // These two reach a group's members as well.
  void addNodeToHistory(const std::string& nodeId);
  void resetNodeHistory();
  // Applies `change` to the element's history, and a group's to its members' (copied first
  // where shared). One change used for many elements gives those that shared a list one new
  // list.
  virtual void changeNodeHistory(MVNodeHistoryChange& change);
  // changeNodeHistory(MVNodeHistoryChange::appending(nodeId, nodeEntry)) for this element
  // alone: a leaf without a history (as a node has just made it) takes `nodeEntry` itself,
  // without the change's bookkeeping.
  void appendNodeHistory(std::string_view nodeId, const MVNodeHistory& nodeEntry);
  // The same with a one-entry history {node ID}, whose entry is the ID: a node that keeps one
  // such list need not read its ID for a leaf. An empty list appends nothing.
  void appendNodeHistory(const MVNodeHistory& nodeEntry);
  bool isNodeHistorySelected(const MVNodeIDSet& selectedNodeIDs) const;
  // nullopt for an empty history.
  std::optional<std::string> historyLastNode() const;

  // The names of shared images in the tree, each once, appended to `names` depth first.
  std::vector<std::string> namesOfSharedGraphicObjects(std::vector<std::string> names = {}) const;
  virtual void addSharedGraphicObjectNames(std::vector<std::string>& names) const { (void)names; }

  // Ends the element's useful life: drops the stack (and a path's or group's content). A
  // second call logs and changes nothing.
  virtual void releaseResources();
  bool hasReleasedResources() const { return hasReleasedResources_; }

protected:
  // The base part of copy(): the fields a copy carries, onto a fresh element.
  void copyBaseInto(MVElement& target) const;
  // The element's name for log lines and descriptions ("(null)" when absent).
  std::string elementNameText() const;

private:
  void ensureTransformStack();

  double positionX_ = 0.0;
  double positionY_ = 0.0;
  double width_ = 10.0;
  double height_ = 10.0;
  bool hasCalculatedPivot_ = false;
  double arrayPivotX_ = 0.0;
  double arrayPivotY_ = 0.0;
  double pivotOffsetX_ = 0.0;
  double pivotOffsetY_ = 0.0;
  double transformedPositionX_ = 0.0;
  double transformedPositionY_ = 0.0;
  std::optional<MVTransformStack> transformStack_;
  bool hasCachedTransformedBoundingBox_ = false;
  // The graph controller; not owned. Only used on the main thread (IDs, the artboard), where
  // it outlives the elements of its generation; copies elsewhere never call it.
  MVElementDelegate* nodeController_ = nullptr;
  bool disregardsVisibility_ = false;
  bool zeroScaleXFlag_ = false;
  bool zeroScaleYFlag_ = false;
  bool hasReleasedResources_ = false;
  int strokeEndCap_ = 0;
  int strokeJoints_ = 0;
  int blendMode_ = 0;
  std::optional<pf::Color> fillColor_;
  std::optional<pf::Color> strokeColor_;
  double fillOpacity_ = 1.0;
  double strokeOpacity_ = 1.0;
  double strokeWidth_ = 0.0;
  std::optional<std::string> elementName_;
  long long elementID_ = 0;
  MVNodeHistory nodeHistory_;
};
