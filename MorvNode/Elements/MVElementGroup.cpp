#include "MorvNode/Elements/MVElementGroup.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "MorvNode/Elements/ElementDrawing.h"
#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "Platform/DrawingContext.h"
#include "Platform/Prefetch.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "MorvNode/Elements/MVSvgWriter.h"

namespace {

// How far ahead of a walk through many children their memory is asked for.
constexpr std::size_t kChildrenAhead = 16;

// Replays one stack entry onto `element` through the push rules, carrying the element's pivot
// offset along: the offset is the translation part of the stack, so scale and rotate entries
// act on it as on any point.
void replayEntry(MVElement& element, const MVTransformEntry& entry)
{
  switch (entry.kind) {
  case MVTransformKind::PivotOffset:
    element.offsetPivotX(entry.a, entry.b);
    break;
  case MVTransformKind::Scale:
    element.scaleX(entry.a, entry.b);
    element.setPivotOffsetX(element.pivotOffsetX() * entry.a);
    element.setPivotOffsetY(element.pivotOffsetY() * entry.b);
    break;
  case MVTransformKind::Rotate: {
    element.rotate(entry.a);
    const pf::Point turned = pf::AffineTransform::rotation(entry.a / 180 * std::numbers::pi)
                                 .applyToVector({element.pivotOffsetX(), element.pivotOffsetY()});
    element.setPivotOffsetX(turned.x);
    element.setPivotOffsetY(turned.y);
    break;
  }
  default:
    break;
  }
}

// The artboard test of culling: the child's box in root coordinates meets the artboard.
bool isInside(const pf::Rect& artboard, const std::optional<pf::Rect>& box)
{
  return box && artboard.intersects(*box);
}

void replayStack(MVElement& element, const std::optional<MVTransformStack>& stack)
{
  if (!stack) {
    return;
  }
  for (const MVTransformEntry& entry : *stack) {
    replayEntry(element, entry);
  }
}

}  // namespace

std::shared_ptr<MVElementGroup> MVElementGroup::referenceGroup(MVElementDelegate* controller)
{
  auto group = std::make_shared<MVElementGroup>();
  group->setNodeController(controller);
  group->setElementName("Reference group");
  const auto square = std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(15, 15));
  for (int column = 0; column < 3; ++column) {
    for (int row = 0; row < 3; ++row) {
      auto path = std::make_shared<MVElementPath>();
      path->setNodeController(controller);
      path->setPositionX(20.0 * column, 20.0 * row);
      path->setCgPath(square);
      path->setWidth(15);
      path->setHeight(15);
      path->setElementName("Rectangle");
      path->setFillColor(pf::Color::rgb(0, 0, 0, 1));
      group->addElement(std::move(path));
    }
  }
  return group;
}

std::shared_ptr<MVElement> MVElementGroup::copy() const
{
  auto group = std::make_shared<MVElementGroup>();
  copyBaseInto(*group);
  group->elementArray_ = elementArray_;
  group->cgClipPath_ = cgClipPath_;
  group->cgLayoutPath_ = cgLayoutPath_;
  return group;
}

std::optional<std::string> MVElementGroup::elementTypeDescription() const
{
  if (elementArray_.empty()) {
    return std::nullopt;
  }
  auto childText = [](const MVElement& child) -> std::string {
    if (dynamic_cast<const MVElementGroup*>(&child) != nullptr) {
      return "group";
    }
    return child.elementTypeDescription().value_or("");
  };
  std::string text = childText(*elementArray_.front());
  for (const auto& child : elementArray_) {
    if (childText(*child) != text) {
      text = "mixed type element";
      break;
    }
  }
  if (elementArray_.size() > 1) {
    text += "s";
  }
  return text;
}

long MVElementGroup::numberOfSubElements() const
{
  // Counted after every generation, when the first children of a large group have left the
  // caches: each child is asked for a few ahead.
  long total = 0;
  pf::visitAskingAhead(
      elementArray_, kChildrenAhead, [](const auto& child) { __builtin_prefetch(child.get()); },
      [&total](const auto& child) { total += child->numberOfSubElements(); });
  return total;
}

std::string MVElementGroup::description() const
{
  return pf::format("<%@ '%@'(%ld) %ld elements%@>", className(), elementNameText(), elementID(), count(),
                    hasReleasedResources() ? " [RELEASED]" : "");
}

std::string MVElementGroup::arrayDescription() const
{
  std::string text = description();
  for (const auto& child : elementArray_) {
    text += pf::format("\n - %@", child->description());
  }
  return text;
}

std::string MVElementGroup::svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const
{
  if (elementArray_.empty()) {
    return {};
  }
  const pf::AffineTransform current = transform.concatenated(affineTransform());
  if (!current.isFiniteAndInvertible()) {
    return {};  // drawing skips such a group with its children
  }
  // The artboard's root group is no element of the picture: its layers stand directly in the body.
  const bool isArtboardRoot = elementName() == "Artboard layers";
  std::string text;
  if (!isArtboardRoot) {
    const std::string name = writer.uniqueID(elementNameText());
    if (cgClipPath_) {
      const std::string clipID = writer.clipPathID(elementID());
      text = "<clipPath id=\"" + clipID + "\"><path d=\"" + MVSvgWriter::pathData(*cgClipPath_, current) +
             "\" clip-rule=\"evenodd\"/></clipPath>\n<g id=\"" + name + "\" clip-path=\"url(#" + clipID + ")\" >\n";
    } else {
      text = "<g id=\"" + name + "\">\n";
    }
  }
  for (const auto& child : elementArray_) {
    text += child->svgString(current, writer);
  }
  if (!isArtboardRoot) {
    text += "</g>\n";
  }
  return text;
}

MVElementGroup::~MVElementGroup()
{
  // Releasing a child writes its count, which in a large group has left the caches: the counts
  // are asked for a few children ahead, so that they arrive together.
  pf::visitAskingAhead(
      elementArray_, kChildrenAhead, [](const auto& child) { pf::prefetchShared(child.get()); },
      [](auto& child) { child.reset(); });
}

void MVElementGroup::setElementArray(ElementArray elements)
{
  std::erase(elements, nullptr);
  elementArray_ = std::move(elements);
}

void MVElementGroup::addElement(std::shared_ptr<const MVElement> element)
{
  if (!element) {
    return;
  }
  elementArray_.push_back(std::move(element));
  recalculateArrayPivot();
}

void MVElementGroup::addElementWithoutRecalculatingPivot(std::shared_ptr<const MVElement> element)
{
  if (!element) {
    return;
  }
  elementArray_.push_back(std::move(element));
}

std::shared_ptr<MVElement> MVElementGroup::mutableElementAtIndex(long index)
{
  if (index < 0 || index >= count()) {
    return nullptr;
  }
  std::shared_ptr<const MVElement>& child = elementArray_[static_cast<std::size_t>(index)];
  // Sole owner: nobody else can reach the child, so it may change in place. Every element is
  // created non-const, so dropping the const is defined.
  if (child.use_count() == 1) {
    return std::const_pointer_cast<MVElement>(child);
  }
  std::shared_ptr<MVElement> own = child->copy();
  child = own;
  return own;
}

std::shared_ptr<MVElement> MVElementGroup::transformedElementAtIndex(long index) const
{
  if (index < 0 || index >= count()) {
    return nullptr;
  }
  std::shared_ptr<MVElement> folded = elementArray_[static_cast<std::size_t>(index)]->copy();
  MVElement& k = *folded;
  const auto* kAsGroup = dynamic_cast<const MVElementGroup*>(folded.get());

  // The child's own stack, replayed onto an empty one so that its pivot offset is tracked.
  const std::optional<MVTransformStack> ownStack = k.transformStack();
  k.setTransformStack(MVTransformStack());
  k.setPivotOffsetX(0);
  k.setPivotOffsetY(0);
  replayStack(k, ownStack);
  const pf::Point ownOffset(k.pivotOffsetX(), k.pivotOffsetY());

  // Into the group's pivot space, through the group's stack, and back.
  k.offsetPivotX(-arrayPivotX(), -arrayPivotY());
  k.offsetPivotX(k.positionX(), k.positionY());
  if (kAsGroup != nullptr) {
    k.offsetPivotX(k.arrayPivotX(), k.arrayPivotY());
  }
  replayStack(k, transformStack());
  if (kAsGroup != nullptr) {
    k.offsetPivotX(-k.arrayPivotX(), -k.arrayPivotY());
  }
  k.offsetPivotX(-k.positionX(), -k.positionY());
  k.offsetPivotX(arrayPivotX(), arrayPivotY());

  // Give the stack its old translation back and move the rest into the position.
  const pf::Point d = ownOffset - pf::Point(k.pivotOffsetX(), k.pivotOffsetY());
  k.offsetPivotX(d.x, d.y);
  k.offsetPositionX(-d.x, -d.y);
  k.offsetPositionX(positionX(), positionY());
  return folded;
}

void MVElementGroup::flattenSubArrays()
{
  const std::size_t originalCount = elementArray_.size();
  std::vector<bool> flattened(originalCount, false);
  for (std::size_t i = 0; i < originalCount; ++i) {
    const auto* subGroup = dynamic_cast<const MVElementGroup*>(elementArray_[i].get());
    // A clipped sub-group keeps its children: folding them out would lose the clip.
    if (subGroup == nullptr || subGroup->hasClippingMask()) {
      continue;
    }
    // Keep the sub-group alive while its children are appended (the list may reallocate).
    const std::shared_ptr<const MVElement> keep = elementArray_[i];
    for (long j = 0; j < subGroup->count(); ++j) {
      if (auto member = subGroup->transformedElementAtIndex(j)) {
        elementArray_.push_back(std::move(member));
      }
    }
    flattened[i] = true;
  }
  ElementArray kept;
  kept.reserve(elementArray_.size());
  for (std::size_t i = 0; i < elementArray_.size(); ++i) {
    if (i >= originalCount || !flattened[i]) {
      kept.push_back(std::move(elementArray_[i]));
    }
  }
  elementArray_ = std::move(kept);
}

void MVElementGroup::cullElementsOutsideArtboard(const pf::AffineTransform& parents)
{
  if (nodeController() == nullptr) {
    return;
  }
  const pf::Size size = nodeController()->artboardSize();
  const pf::Rect artboard(0, 0, size.width, size.height);
  cullElements(parents, &artboard);
}

void MVElementGroup::cullInvisibleElements()
{
  cullElements({}, nullptr);
}

void MVElementGroup::cullElements(const pf::AffineTransform& parents, const pf::Rect* artboard)
{
  if (elementArray_.empty()) {
    return;
  }
  const pf::AffineTransform own = parents.concatenated(affineTransform());
  ElementArray kept;
  for (long i = 0; i < count(); ++i) {
    auto& child = elementArray_[static_cast<std::size_t>(i)];
    if (dynamic_cast<const MVElementGroup*>(child.get()) != nullptr) {
      auto childGroup = std::static_pointer_cast<MVElementGroup>(mutableElementAtIndex(i));
      childGroup->cullElements(own, artboard);
      if (childGroup->count() > 0) {
        kept.push_back(std::move(child));
      }
    } else if (artboard != nullptr ? isInside(*artboard, child->transformedBoundingBoxNested(own)) : child->isVisible()) {
      kept.push_back(std::move(child));
    }
  }
  elementArray_ = std::move(kept);
}

void MVElementGroup::cullElementsMatchingArray(const ElementArray& elements)
{
  if (elements.empty()) {
    return;
  }
  std::unordered_set<long long> ids;
  for (const auto& element : elements) {
    if (element) {
      ids.insert(element->elementID());
    }
  }
  std::erase_if(elementArray_,
                [&](const std::shared_ptr<const MVElement>& child) { return ids.contains(child->elementID()); });
}

void MVElementGroup::addSharedGraphicObjectNames(std::vector<std::string>& names) const
{
  for (const auto& child : elementArray_) {
    child->addSharedGraphicObjectNames(names);
  }
}

void MVElementGroup::recalculateArrayPivot()
{
  if (const std::optional<pf::Point> centre = pathCentre()) {
    placeArrayPivot(*centre);
    return;
  }
  PivotSpan span;
  // The children of a large group have left the caches: each is asked for a few children
  // ahead of its read, so that their memory arrives together.
  pf::visitAskingAhead(
      elementArray_, kChildrenAhead, [](const auto& child) { child->prefetchPlacement(); },
      [&span](const auto& child) { span.add(*child); });
  placeArrayPivot(span.box() ? span.box()->center() : pf::Point());
}

void MVElementGroup::recalculateArrayPivot(const PivotSpan& children)
{
  const std::optional<pf::Point> centre = pathCentre();
  placeArrayPivot(centre ? *centre : children.box() ? children.box()->center() : pf::Point());
}

std::optional<pf::Point> MVElementGroup::pathCentre() const
{
  if (cgClipPath_) {
    if (const std::optional<pf::Rect> box = cgClipPath_->bounds()) {
      return box->center();
    }
  }
  if (cgLayoutPath_) {
    if (const std::optional<pf::Rect> box = cgLayoutPath_->bounds()) {
      return box->center();
    }
  }
  return std::nullopt;
}

void MVElementGroup::placeArrayPivot(pf::Point centre)
{
  if (!hasCalculatedPivot()) {
    setArrayPivotX(centre.x);
    setArrayPivotY(centre.y);
  } else if (centre != pf::Point(arrayPivotX(), arrayPivotY())) {
    // Keep the stored pivot; move the position to where the content's centre is drawn and
    // cancel the move with a pivot offset, so that nothing moves on the output.
    const pf::Point drawn = affineTransform().apply(centre);
    const pf::Point d = drawn - pf::Point(arrayPivotX(), arrayPivotY());
    offsetPivotX(-d.x, -d.y);
    offsetPositionX(d.x, d.y);
  }
  setHasCalculatedPivot(true);
}

bool MVElementGroup::replaceClipPath(const char* operation, const pf::AffineTransform& transform)
{
  if (!cgClipPath_) {
    FeedbackManager::log(operation, description());
    return false;
  }
  cgClipPath_ = std::make_shared<const pf::Path>(cgClipPath_->transformed(transform));
  return true;
}

void MVElementGroup::transformClippingMaskOffsetX(double dx, double dy)
{
  if (replaceClipPath("Warning, calling transformClippingMaskOffsetX:Y: on element %@ with no cgClipPath",
                      pf::AffineTransform::translation(dx, dy))) {
    setArrayPivotX(arrayPivotX() + dx);
    setArrayPivotY(arrayPivotY() + dy);
  }
}

void MVElementGroup::transformClippingMaskScaleX(double sx, double sy)
{
  const pf::AffineTransform aboutPivot =
      pf::AffineTransform::translation(arrayPivotX(), arrayPivotY()).scale(sx, sy).translate(-arrayPivotX(), -arrayPivotY());
  replaceClipPath("Warning, calling transformClippingMaskScaleX:Y: on element %@ with no cgClipPath", aboutPivot);
}

void MVElementGroup::transformClippingMaskRotate(double degrees)
{
  const pf::AffineTransform aboutPivot = pf::AffineTransform::translation(arrayPivotX(), arrayPivotY())
                                             .rotate(degrees / 180 * std::numbers::pi)
                                             .translate(-arrayPivotX(), -arrayPivotY());
  replaceClipPath("Warning, calling transformClippingMaskRotate: on element %@ with no cgClipPath", aboutPivot);
}

std::optional<pf::Color> MVElementGroup::fillColor() const
{
  return elementArray_.empty() ? std::nullopt : elementArray_.front()->fillColor();
}

void MVElementGroup::setFillColor(std::optional<pf::Color> color)
{
  forEachChild([&](MVElement& child) { child.setFillColor(color); });
}

std::optional<pf::Color> MVElementGroup::strokeColor() const
{
  return elementArray_.empty() ? std::nullopt : elementArray_.front()->strokeColor();
}

void MVElementGroup::setStrokeColor(std::optional<pf::Color> color)
{
  forEachChild([&](MVElement& child) { child.setStrokeColor(color); });
}

double MVElementGroup::fillOpacity() const
{
  return elementArray_.empty() ? 0.0 : elementArray_.front()->fillOpacity();
}

void MVElementGroup::setFillOpacity(double opacity)
{
  forEachChild([&](MVElement& child) { child.setFillOpacity(opacity); });
}

double MVElementGroup::strokeOpacity() const
{
  return elementArray_.empty() ? 0.0 : elementArray_.front()->strokeOpacity();
}

void MVElementGroup::setStrokeOpacity(double opacity)
{
  forEachChild([&](MVElement& child) { child.setStrokeOpacity(opacity); });
}

void MVElementGroup::setStrokeWidth(double width)
{
  forEachChild([&](MVElement& child) { child.setStrokeWidth(width); });
}

void MVElementGroup::setStrokeEndCap(int cap)
{
  MVElement::setStrokeEndCap(cap);
  forEachChild([&](MVElement& child) { child.setStrokeEndCap(cap); });
}

void MVElementGroup::setStrokeJoints(int joints)
{
  MVElement::setStrokeJoints(joints);
  forEachChild([&](MVElement& child) { child.setStrokeJoints(joints); });
}

void MVElementGroup::setBlendMode(int blendMode)
{
  MVElement::setBlendMode(blendMode);
  forEachChild([&](MVElement& child) { child.setBlendMode(blendMode); });
}

void MVElementGroup::scaleStrokeWidth(double factor)
{
  forEachChild([&](MVElement& child) { child.scaleStrokeWidth(factor); });
}

void MVElementGroup::adjustStrokeWidth(double delta)
{
  forEachChild([&](MVElement& child) { child.adjustStrokeWidth(delta); });
}

void MVElementGroup::adjustFillOpacity(double delta)
{
  forEachChild([&](MVElement& child) { child.adjustFillOpacity(delta); });
}

void MVElementGroup::adjustStrokeOpacity(double delta)
{
  forEachChild([&](MVElement& child) { child.adjustStrokeOpacity(delta); });
}

void MVElementGroup::adjustFillColorHue(double hueDelta, double saturationDelta, double brightnessDelta)
{
  forEachChild([&](MVElement& child) { child.adjustFillColorHue(hueDelta, saturationDelta, brightnessDelta); });
}

void MVElementGroup::adjustStrokeColorHue(double hueDelta, double saturationDelta, double brightnessDelta)
{
  forEachChild([&](MVElement& child) { child.adjustStrokeColorHue(hueDelta, saturationDelta, brightnessDelta); });
}

void MVElementGroup::setDisregardsVisibility(bool disregards)
{
  MVElement::setDisregardsVisibility(disregards);
  forEachChild([&](MVElement& child) { child.setDisregardsVisibility(disregards); });
}

void MVElementGroup::changeNodeHistory(MVNodeHistoryChange& change)
{
  MVElement::changeNodeHistory(change);
  forEachChild([&](MVElement& child) { child.changeNodeHistory(change); });
}

std::optional<pf::Rect> MVElementGroup::childrenBoundingBox(const pf::AffineTransform& transform) const
{
  std::optional<pf::Rect> box;
  for (const auto& child : elementArray_) {
    box = pf::united(box, child->transformedBoundingBoxNested(transform));
  }
  return box;
}

std::optional<pf::Rect> MVElementGroup::boundingBoxNested() const
{
  if (cgLayoutPath_) {
    return cgLayoutPath_->bounds();
  }
  if (cgClipPath_) {
    return cgClipPath_->bounds();
  }
  return childrenBoundingBox({});
}

std::optional<pf::Rect> MVElementGroup::transformedBoundingBoxNested(const pf::AffineTransform& parents) const
{
  if (elementArray_.empty()) {
    return std::nullopt;
  }
  const pf::AffineTransform own = parents.concatenated(affineTransform());
  // Here the clip wins over the layout path.
  if (cgClipPath_) {
    return cgClipPath_->transformed(own).bounds();
  }
  if (cgLayoutPath_) {
    return cgLayoutPath_->transformed(own).bounds();
  }
  return childrenBoundingBox(own);
}

bool MVElementGroup::pointInElement(pf::Point point, const pf::AffineTransform& parents) const
{
  (void)point;
  (void)parents;
  FeedbackManager::log("MVElementGroup pointInElement called (should not happen)");
  return false;
}

const MVElement* MVElementGroup::elementAtPoint(pf::Point point, const pf::AffineTransform& parents) const
{
  if (elementArray_.empty()) {
    return nullptr;
  }
  const pf::AffineTransform own = parents.concatenated(affineTransform());
  const MVElement* hit = nullptr;
  // Topmost first: the last child is drawn on top.
  for (auto child = elementArray_.rbegin(); child != elementArray_.rend() && hit == nullptr; ++child) {
    hit = (*child)->elementAtPoint(point, own);
  }
  if (cgClipPath_) {
    const std::optional<pf::AffineTransform> inverse = own.inverted();
    const bool insideClip = inverse && cgClipPath_->contains(inverse->apply(point), pf::FillRule::EvenOdd);
    if (!insideClip) {
      return nullptr;
    }
    if (hit == nullptr) {
      return this;
    }
  }
  return hit;
}

void MVElementGroup::render(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(*context);
  if (!elementdrawing::concatElementTransform(*context, affineTransform(), renderer)) {
    return;
  }
  if (cgClipPath_) {
    const std::optional<pf::Rect> box = cgClipPath_->bounds();
    const double scale = renderer.renderingScale();
    const double side = box ? std::max(box->width(), box->height()) : 0.0;
    if (context->isRaster() && renderer.enlargesClips() && scale != 0 && side > 0 && std::isfinite(side)) {
      // One device pixel more along the larger side, about the clip's centre, so that clipped
      // neighbours meet without a hairline of background between them.
      const double factor = 1 + (1 / side) / scale;
      const pf::Point centre = box->center();
      pf::AffineTransform enlargement = pf::AffineTransform::translation(centre.x, centre.y);
      enlargement.scale(factor, factor);
      enlargement.translate(-centre.x, -centre.y);
      context->clipToPath(cgClipPath_->transformed(enlargement), pf::FillRule::EvenOdd);
    } else {
      context->clipToPath(*cgClipPath_, pf::FillRule::EvenOdd);
    }
  }
  // The group sets no opacity or blend mode of its own: each child draws with its own style.
  for (const auto& child : elementArray_) {
    // Asked before every child so that an aborted pass leaves large groups at once.
    if (renderer.renderingAborted()) {
      break;
    }
    child->render(renderer);
  }
}

void MVElementGroup::renderSelection(ElementRenderer& renderer, const MVNodeIDSet& selectedNodeIDs) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(*context);
  if (!elementdrawing::concatElementTransform(*context, affineTransform(), renderer)) {
    return;
  }
  if (isNodeHistorySelected(selectedNodeIDs)) {
    renderSelectionOutline(renderer);
  }
  if (cgClipPath_) {
    context->clipToPath(*cgClipPath_, pf::FillRule::NonZero);
  }
  for (const auto& child : elementArray_) {
    child->renderSelection(renderer, selectedNodeIDs);
  }
}

void MVElementGroup::renderSelectionOutline(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr || (!cgClipPath_ && !cgLayoutPath_)) {
    return;
  }
  context->beginPath();
  if (cgClipPath_) {
    context->addPath(*cgClipPath_);
  }
  if (cgLayoutPath_) {
    context->addPath(*cgLayoutPath_);
  }
  const pf::AffineTransform groupTransform = context->transform();
  context->setTransform(pf::AffineTransform::identity());
  context->stroke();
  context->setTransform(groupTransform);
}

void MVElementGroup::releaseResources()
{
  cgClipPath_.reset();
  cgLayoutPath_.reset();
  // Only children nobody else holds are released; shared ones are just let go.
  for (const auto& child : elementArray_) {
    if (child.use_count() == 1) {
      std::const_pointer_cast<MVElement>(child)->releaseResources();
    }
  }
  elementArray_.clear();
  MVElement::releaseResources();
}
