#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Path.h"

// The element that holds other elements: a repeater's output, a group node's result, an
// imported file with several paths, the artboard's layers. Its own position and stack act on
// all children about its pivot (arrayPivotX/Y); an optional clip path masks the children and an
// optional layout path stands for its extent. Style setters reach every child; colour and
// opacity getters answer the first child.
//
// Children are shared and immutable (std::shared_ptr<const MVElement>): a copy of a group shares
// its children, and a change through the group (a style setter, a cull, the node history)
// copies a child first unless the group is its only owner (copy-on-write), so a tree that was
// handed on is never changed by what is built from it.
//
// The group's own transform (drawing, hit tests, boxes, culling) is affineTransform(): translate
// by the pivot, position and stack, translate back. Children are placed in the group's
// coordinates and drawn first to last (later children on top).
class MVElementGroup : public MVElement {
public:
  using ElementArray = std::vector<std::shared_ptr<const MVElement>>;

  MVElementGroup() = default;
  ~MVElementGroup() override;

  // The sample group that stands in for a missing element input in the node reference: nine
  // black 15 x 15 squares named "Rectangle" on a 20-unit grid from (0, 0), column by column,
  // in a group named "Reference group". `controller` may be nullptr.
  static std::shared_ptr<MVElementGroup> referenceGroup(MVElementDelegate* controller);

  // Shares the children (see the class comment).
  [[nodiscard]] std::shared_ptr<MVElement> copy() const override;
  std::string_view className() const override { return "MVElementGroup"; }
  MVElementGroup* asGroup() override { return this; }
  // The children's common description ("group" for a child group), "mixed type element" when
  // they differ, with "s" appended for more than one child; nullopt without children.
  std::optional<std::string> elementTypeDescription() const override;
  long numberOfElements() const override { return count(); }
  // Leaves in the whole tree (an empty group counts 0).
  long numberOfSubElements() const override;
  bool hasClippingMask() const override { return cgClipPath_ != nullptr; }
  // "<MVElementGroup 'name'(7) 3 elements>".
  std::string description() const override;
  // The description and one "\n - <child>" line per child.
  std::string arrayDescription() const override;

  // Children.
  const ElementArray& elementArray() const { return elementArray_; }
  // Replaces the children (nullptr members are dropped); the pivot is not recalculated.
  void setElementArray(ElementArray elements);
  // Hands the children over and leaves the group empty, without touching them: for taking a
  // tree that nobody else holds apart a piece at a time.
  ElementArray takeElementArray() { return std::exchange(elementArray_, {}); }
  long count() const { return static_cast<long>(elementArray_.size()); }
  // Appends and recalculates the pivot; nullptr is ignored.
  void addElement(std::shared_ptr<const MVElement> element);
  // For callers that add many children: call recalculateArrayPivot() once at the end.
  void addElementWithoutRecalculatingPivot(std::shared_ptr<const MVElement> element);
  // Room for `count` children in all, for a caller that knows how many it will add.
  void reserveElements(long count)
  {
    if (count > 0) {
      elementArray_.reserve(static_cast<std::size_t>(count));
    }
  }
  // Child `index` for changing: the child itself when this group is its only owner, else a copy
  // that replaces it here. nullptr out of range.
  std::shared_ptr<MVElement> mutableElementAtIndex(long index);
  // A copy of child `index` carrying this group's pivot, stack and position in its own stack
  // and position, so that it can stand in the group's place; nullptr out of range.
  std::shared_ptr<MVElement> transformedElementAtIndex(long index) const;
  // One level of flattening: the children of child groups, as transformedElementAtIndex(),
  // move to the end of this group's list and the child groups go. A clipped child group stays
  // whole (its clip would be lost).
  void flattenSubArrays();
  // Removes children (recursively through child groups, which go when emptied) whose box does
  // not meet the artboard of this group's controller. `parents`: the enclosing groups'
  // transform. Nothing without a controller. Main thread.
  void cullElementsOutsideArtboard(const pf::AffineTransform& parents = {});
  // The same with isVisible() (without renderer) as the test.
  void cullInvisibleElements();
  // Removes every direct child whose element ID is one of the given elements' IDs.
  void cullElementsMatchingArray(const ElementArray& elements);
  void addSharedGraphicObjectNames(std::vector<std::string>& names) const override;

  // Pivot: the centre of the clip path, else of the layout path, else of the children's pivot
  // points (position plus pivot). The first calculation sets the pivot; later ones keep it and
  // move the position to follow the content, with a pivot-offset entry that keeps the drawing
  // where it was.
  void recalculateArrayPivot();

  // The box of children's pivot points, added one child at a time: a caller that gathers many
  // new children adds each while it is at hand and passes the box on, instead of the group
  // reading every child again.
  class PivotSpan {
  public:
    void add(const MVElement& child)
    {
      const pf::Rect point(pf::Point(child.positionX() + child.arrayPivotX(), child.positionY() + child.arrayPivotY()),
                           pf::Size());
      box_ = box_ ? box_->united(point) : point;
    }
    const std::optional<pf::Rect>& box() const { return box_; }

  private:
    std::optional<pf::Rect> box_;
  };
  // recalculateArrayPivot() with `children`, the span of exactly this group's children.
  void recalculateArrayPivot(const PivotSpan& children);

  // Clip and layout paths, in the group's own coordinates; nullptr: none.
  const pf::SharedPath& cgClipPath() const { return cgClipPath_; }
  void setClipPath(pf::SharedPath path) { cgClipPath_ = std::move(path); }
  const pf::SharedPath& cgLayoutPath() const { return cgLayoutPath_; }
  void setLayoutPath(pf::SharedPath path) { cgLayoutPath_ = std::move(path); }
  // Moves the clip path and the pivot by (dx, dy). Logged and ignored without a clip path.
  void transformClippingMaskOffsetX(double dx, double dy);
  // Scales the clip path about the pivot. Logged and ignored without a clip path.
  void transformClippingMaskScaleX(double sx, double sy);
  // Turns the clip path about the pivot. Logged and ignored without a clip path.
  void transformClippingMaskRotate(double degrees);

  // Style reaches every child; the group's own colour and opacity fields are not changed.
  std::optional<pf::Color> fillColor() const override;
  void setFillColor(std::optional<pf::Color> color) override;
  std::optional<pf::Color> strokeColor() const override;
  void setStrokeColor(std::optional<pf::Color> color) override;
  double fillOpacity() const override;  // 0 without children
  void setFillOpacity(double opacity) override;
  double strokeOpacity() const override;  // 0 without children
  void setStrokeOpacity(double opacity) override;
  void setStrokeWidth(double width) override;
  // These three are also kept in the group's own field.
  void setStrokeEndCap(int cap) override;
  void setStrokeJoints(int joints) override;
  void setBlendMode(int blendMode) override;
  void scaleStrokeWidth(double factor) override;
  void adjustStrokeWidth(double delta) override;
  void adjustFillOpacity(double delta) override;
  void adjustStrokeOpacity(double delta) override;
  void adjustFillColorHue(double hueDelta, double saturationDelta, double brightnessDelta) override;
  void adjustStrokeColorHue(double hueDelta, double saturationDelta, double brightnessDelta) override;
  void setDisregardsVisibility(bool disregards) override;
  void changeNodeHistory(MVNodeHistoryChange& change) override;

  // The clip path's box (the layout path's when both are set), the layout path's, or the union
  // of the children's transformed boxes; nullopt without children.
  std::optional<pf::Rect> boundingBoxNested() const override;
  // The clip path's transformed box, else the layout path's, else the children's boxes through
  // the group's transform; nullopt without children.
  std::optional<pf::Rect> transformedBoundingBoxNested(const pf::AffineTransform& parents = {}) const override;
  // Not meaningful for a group: logs and answers false (use elementAtPoint).
  bool pointInElement(pf::Point point, const pf::AffineTransform& parents = {}) const override;
  // The topmost child hit (the last drawn); with a clip path, only inside the clip, where the
  // group itself answers when no child is hit.
  const MVElement* elementAtPoint(pf::Point point, const pf::AffineTransform& parents = {}) const override;

  void render(ElementRenderer& renderer) const override;
  void renderSelection(ElementRenderer& renderer, const MVNodeIDSet& selectedNodeIDs) const override;
  void renderSelectionOutline(ElementRenderer& renderer) const override;
  // A <g> holding the children's text, preceded by a <clipPath> (even-odd rule) that the group
  // refers to when it clips. The root group "Artboard layers" writes its children without a
  // wrapper. Empty without children.
  std::string svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const override;
  void releaseResources() override;

private:
  // The centre of the clip path, else of the layout path; nullopt without either (or with
  // empty ones).
  std::optional<pf::Point> pathCentre() const;
  // The pivot calculation's last step, for a content centre of `centre`.
  void placeArrayPivot(pf::Point centre);

  // Style setters and adjusters of a group act on every child, copied first where shared.
  template <typename Change>
  void forEachChild(Change change)
  {
    for (long i = 0; i < count(); ++i) {
      change(*mutableElementAtIndex(i));
    }
  }

  // The union of the children's boxes through `transform`; nullopt without children.
  std::optional<pf::Rect> childrenBoundingBox(const pf::AffineTransform& transform) const;
  // Culls against the artboard rectangle (root coordinates), or by visibility for nullptr.
  void cullElements(const pf::AffineTransform& parents, const pf::Rect* artboard);
  bool replaceClipPath(const char* operation, const pf::AffineTransform& transform);

  ElementArray elementArray_;
  pf::SharedPath cgClipPath_;
  pf::SharedPath cgLayoutPath_;
};
