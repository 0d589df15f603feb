#include "MorvNode/Elements/MVElement.h"

#include <cmath>
#include <numbers>

#include "MorvNode/Elements/ElementDrawing.h"
#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElementDelegate.h"
#include "Platform/DrawingContext.h"
#include "Platform/Prefetch.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "MorvNode/Elements/MVSvgWriter.h"

namespace {

constexpr double kZeroScaleStandIn = 0.00001;  // a zero factor collapses to a sliver, not a singular matrix

double radiansFromDegrees(double degrees)
{
  return degrees / 180 * std::numbers::pi;
}

// The colour with hue, saturation and brightness shifted; the hue wraps by whole turns.
pf::Color adjustedColor(const pf::Color& color, double hueDelta, double saturationDelta, double brightnessDelta)
{
  const pf::Color::Hsb hsb = color.hsb();
  const double hue = pf::Color::wrappedHue(hsb.hue + hueDelta);
  return pf::Color::hsb(hue, hsb.saturation + saturationDelta, hsb.brightness + brightnessDelta, 1.0);
}

}  // namespace

std::shared_ptr<MVElement> MVElement::copy() const
{
  auto element = std::make_shared<MVElement>();
  copyBaseInto(*element);
  return element;
}

void MVElement::copyBaseInto(MVElement& target) const
{
  target.transformStack_ = transformStack_;
  target.elementID_ = elementID_;
  target.setNodeController(nodeController_);
  target.positionX_ = positionX_;
  target.positionY_ = positionY_;
  target.pivotOffsetX_ = pivotOffsetX_;
  target.pivotOffsetY_ = pivotOffsetY_;
  target.arrayPivotX_ = arrayPivotX_;
  target.arrayPivotY_ = arrayPivotY_;
  target.hasCalculatedPivot_ = hasCalculatedPivot_;
  target.zeroScaleXFlag_ = zeroScaleXFlag_;
  target.zeroScaleYFlag_ = zeroScaleYFlag_;
  target.width_ = width_;
  target.height_ = height_;
  target.strokeWidth_ = strokeWidth_;
  target.fillColor_ = fillColor_;
  target.strokeColor_ = strokeColor_;
  target.fillOpacity_ = fillOpacity_;
  target.strokeOpacity_ = strokeOpacity_;
  target.nodeHistory_ = nodeHistory_;
  target.strokeEndCap_ = strokeEndCap_;
  target.strokeJoints_ = strokeJoints_;
  target.blendMode_ = blendMode_;
  target.elementName_ = elementName_;
}

void MVElement::setNodeController(MVElementDelegate* controller)
{
  if (controller == nullptr || nodeController_ != nullptr) {
    return;
  }
  nodeController_ = controller;
  if (elementID_ == 0) {
    elementID_ = controller->uniqueElementID();
  }
}

std::optional<std::string> MVElement::elementTypeDescription() const
{
  return std::string("generic element");
}

std::string MVElement::elementNameText() const
{
  return elementName_ ? *elementName_ : std::string("(null)");
}

std::string MVElement::description() const
{
  return pf::format("<%@ '%@'(%ld)%@>", className(), elementNameText(), elementID_,
                    hasReleasedResources_ ? " [RELEASED]" : "");
}

std::string MVElement::svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const
{
  (void)transform;
  (void)writer;
  const std::string name = MVSvgWriter::commentText(elementNameText());
  return pf::format("<!-- element '%@' -->\n", name);
}

void MVElement::scaleStrokeWidth(double factor)
{
  strokeWidth_ *= factor;
}

void MVElement::adjustStrokeWidth(double delta)
{
  strokeWidth_ += delta;
}

void MVElement::adjustFillOpacity(double delta)
{
  fillOpacity_ += delta;
}

void MVElement::adjustStrokeOpacity(double delta)
{
  strokeOpacity_ += delta;
}

void MVElement::adjustFillColorHue(double hueDelta, double saturationDelta, double brightnessDelta)
{
  if ((hueDelta == 0 && saturationDelta == 0 && brightnessDelta == 0) || !fillColor_) {
    return;
  }
  fillColor_ = adjustedColor(*fillColor_, hueDelta, saturationDelta, brightnessDelta);
}

void MVElement::adjustStrokeColorHue(double hueDelta, double saturationDelta, double brightnessDelta)
{
  if ((hueDelta == 0 && saturationDelta == 0 && brightnessDelta == 0) || !strokeColor_) {
    return;
  }
  strokeColor_ = adjustedColor(*strokeColor_, hueDelta, saturationDelta, brightnessDelta);
}

void MVElement::ensureTransformStack()
{
  if (!transformStack_) {
    transformStack_.emplace();
  }
}

void MVElement::rotate(double degrees)
{
  ensureTransformStack();
  if (degrees == 0) {
    return;
  }
  if (!std::isfinite(degrees)) {
    FeedbackManager::log("Error, attempting to make invalid element transformation rotation %g", degrees);
    return;
  }
  transformStack_->push_back({MVTransformKind::Rotate, degrees, 0.0});
}

void MVElement::scaleX(double x, double y)
{
  ensureTransformStack();
  if (x == 1 && y == 1) {
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y)) {
    if (y != 1) {
      FeedbackManager::log("Error, attempting to make invalid element transformation scale %g,%g", x, y);
    }
    return;
  }
  transformStack_->push_back({MVTransformKind::Scale, x, y});
}

void MVElement::offsetPivotX(double x, double y)
{
  ensureTransformStack();
  if (x == 0 && y == 0) {
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y)) {
    FeedbackManager::log("Error, attempting to make invalid element transformation offsetPivot %g,%g", x, y);
    return;
  }
  transformStack_->push_back({MVTransformKind::PivotOffset, x, y});
  pivotOffsetX_ += x;
  pivotOffsetY_ += y;
}

void MVElement::offsetPositionX(double dx, double dy)
{
  if (!std::isfinite(dx) || !std::isfinite(dy)) {
    FeedbackManager::log("Error, attempting to make invalid element transformation offsetPosition %g,%g", dx, dy);
    return;
  }
  positionX_ += dx;
  positionY_ += dy;
}

void MVElement::setPositionX(double x, double y)
{
  if (!std::isfinite(x) || !std::isfinite(y)) {
    FeedbackManager::log("Error, attempting to make invalid element transformation setPosition %g,%g", x, y);
    return;
  }
  positionX_ = x;
  positionY_ = y;
}

MVStackTransform MVElement::stackTransform() const
{
  MVStackTransform result;
  result.matrix.translate(positionX_, positionY_);
  if (!transformStack_) {
    return result;
  }
  for (auto entry = transformStack_->rbegin(); entry != transformStack_->rend(); ++entry) {
    switch (entry->kind) {
    case MVTransformKind::Rotate:
      if (entry->a != 0) {
        result.matrix.rotate(radiansFromDegrees(entry->a));
      }
      break;
    case MVTransformKind::Scale: {
      // Walking from the last entry to the first: once an axis met a zero, the entries pushed
      // before it count as 1 on that axis.
      double x = entry->a;
      double y = entry->b;
      if (result.zeroScaleX) {
        x = 1;
      } else if (x == 0) {
        x = kZeroScaleStandIn;
        result.zeroScaleX = true;
      }
      if (result.zeroScaleY) {
        y = 1;
      } else if (y == 0) {
        y = kZeroScaleStandIn;
        result.zeroScaleY = true;
      }
      if (x != 1 || y != 1) {
        result.matrix.scale(x, y);
      }
      break;
    }
    case MVTransformKind::PivotOffset:
      if (entry->a != 0 || entry->b != 0) {
        result.matrix.translate(entry->a, entry->b);
      }
      break;
    default:
      break;
    }
  }
  return result;
}

void MVElement::transformContext(pf::AffineTransform& transform)
{
  const MVStackTransform own = stackTransform();
  transform.concat(own.matrix);
  zeroScaleXFlag_ = own.zeroScaleX;
  zeroScaleYFlag_ = own.zeroScaleY;
}

pf::AffineTransform MVElement::affineTransform() const
{
  pf::AffineTransform result = pf::AffineTransform::translation(arrayPivotX_, arrayPivotY_);
  result.concat(stackTransform().matrix);
  result.translate(-arrayPivotX_, -arrayPivotY_);
  return result;
}

std::optional<pf::Rect> MVElement::boundingBoxNested() const
{
  return pf::Rect(-width_ / 2 - strokeWidth_ / 2, -height_ / 2 - strokeWidth_ / 2, width_ + strokeWidth_,
                  height_ + strokeWidth_);
}

std::optional<pf::Rect> MVElement::transformedBoundingBoxNested(const pf::AffineTransform& parents) const
{
  const std::optional<pf::Rect> box = boundingBoxNested();
  // An element without its own transform measured on its own keeps its box as it is (no second
  // stroke allowance). Inside transformed parents the parents' transform still applies.
  if (!box || (!transformStack_ && positionX_ == 0 && positionY_ == 0 && parents.isIdentity())) {
    return box;
  }
  const pf::AffineTransform m = parents.concatenated(stackTransform().matrix);
  pf::Rect result = m.apply(*box);
  if (strokeWidth_ != 0) {
    // The stroke measured along the transformed axes, on top of the stroke already in the box.
    const double growX = strokeWidth_ * std::sqrt(m.a * m.a + m.c * m.c) / 2;
    const double growY = strokeWidth_ * std::sqrt(m.b * m.b + m.d * m.d) / 2;
    result = result.insetBy(-growX, -growY);
  }
  return result;
}

bool MVElement::isInArtboard(const pf::AffineTransform& parents) const
{
  if (nodeController_ == nullptr) {
    return false;
  }
  const std::optional<pf::Rect> box = transformedBoundingBoxNested(parents);
  if (!box) {
    return false;
  }
  const pf::Size artboard = nodeController_->artboardSize();
  return pf::Rect(0, 0, artboard.width, artboard.height).intersects(*box);
}

bool MVElement::isVisible(const ElementRenderer* renderer) const
{
  const bool stroked = strokeOpacity() * strokeWidth_ != 0;
  if (fillOpacity() == 0 && !stroked) {
    return false;
  }
  // The zero-scale state comes from the stack itself, so the answer does not depend on whether
  // the element was drawn before.
  const MVStackTransform own = stackTransform();
  if ((own.zeroScaleX || own.zeroScaleY) && !stroked) {
    return false;
  }
  if (std::isnan(width_) || std::isnan(height_)) {
    FeedbackManager::log("Error, %@ height:%g width:%g invalid, will not be rendered", description(), height_, width_);
    return false;
  }
  if (disregardsVisibility_ || renderer == nullptr) {
    return true;
  }
  return renderer->elementShouldRender();
}

bool MVElement::pointInElement(pf::Point point, const pf::AffineTransform& parents) const
{
  const std::optional<pf::AffineTransform> inverse = parents.concatenated(stackTransform().matrix).inverted();
  if (!inverse) {
    return false;
  }
  // A rectangle under the even-odd rule is the rectangle itself (half-open edges).
  return pf::Rect(-width_ / 2, -height_ / 2, width_, height_).contains(inverse->apply(point));
}

const MVElement* MVElement::elementAtPoint(pf::Point point, const pf::AffineTransform& parents) const
{
  return pointInElement(point, parents) ? this : nullptr;
}

void MVElement::render(ElementRenderer& renderer) const
{
  (void)renderer;
  FeedbackManager::log("MVElement base class render called (shouldn't happen)");
}

void MVElement::renderSelection(ElementRenderer& renderer, const MVNodeIDSet& selectedNodeIDs) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr || !isNodeHistorySelected(selectedNodeIDs)) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(*context);
  if (!elementdrawing::concatElementTransform(*context, stackTransform().matrix, renderer)) {
    return;
  }
  context->setAlpha(1);
  renderSelectionOutline(renderer);
}

void MVElement::renderSelectionOutline(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr) {
    return;
  }
  // The nominal box under the element's transform, stroked in device space with the selection
  // pass's settings.
  context->beginPath();
  context->addRect(pf::Rect(-width_ / 2, -height_ / 2, width_, height_));
  const pf::AffineTransform elementTransform = context->transform();
  context->setTransform(pf::AffineTransform::identity());
  context->stroke();
  context->setTransform(elementTransform);
}

const std::vector<std::string>& MVElement::nodeHistory() const
{
  static const std::vector<std::string> empty;
  return nodeHistory_ ? *nodeHistory_ : empty;
}

void MVElement::setNodeHistory(std::vector<std::string> history)
{
  nodeHistory_ = history.empty() ? nullptr : std::make_shared<const std::vector<std::string>>(std::move(history));
}

void MVElement::addNodeToHistory(const std::string& nodeId)
{
  MVNodeHistoryChange change = MVNodeHistoryChange::appending(nodeId);
  changeNodeHistory(change);
}

void MVElement::resetNodeHistory()
{
  MVNodeHistoryChange change = MVNodeHistoryChange::replacingWith({});
  changeNodeHistory(change);
}

void MVElement::prefetchRelease(int step) const
{
  if (step == 0) {
    pf::prefetchForWrite(this, sizeof(MVElement));
  } else if (step == 1) {
    pf::prefetchShared(nodeHistory_.get());
  }
}

void MVElement::appendNodeHistory(std::string_view nodeId, const MVNodeHistory& nodeEntry)
{
  if (!nodeHistory_ && nodeEntry && asGroup() == nullptr) {
    nodeHistory_ = nodeEntry;
    return;
  }
  MVNodeHistoryChange change = MVNodeHistoryChange::appending(nodeId, nodeEntry);
  changeNodeHistory(change);
}

void MVElement::appendNodeHistory(const MVNodeHistory& nodeEntry)
{
  if (!nodeEntry || nodeEntry->empty()) {
    return;
  }
  if (!nodeHistory_ && asGroup() == nullptr) {
    nodeHistory_ = nodeEntry;
    return;
  }
  appendNodeHistory(nodeEntry->front(), nodeEntry);
}

void MVElement::changeNodeHistory(MVNodeHistoryChange& change)
{
  nodeHistory_ = change.applied(nodeHistory_);
}

bool MVElement::isNodeHistorySelected(const MVNodeIDSet& selectedNodeIDs) const
{
  for (const std::string& nodeId : nodeHistory()) {
    if (selectedNodeIDs.contains(nodeId)) {
      return true;
    }
  }
  return false;
}

std::optional<std::string> MVElement::historyLastNode() const
{
  if (!nodeHistory_ || nodeHistory_->empty()) {
    return std::nullopt;
  }
  return nodeHistory_->back();
}

std::vector<std::string> MVElement::namesOfSharedGraphicObjects(std::vector<std::string> names) const
{
  addSharedGraphicObjectNames(names);
  return names;
}

void MVElement::releaseResources()
{
  if (hasReleasedResources_) {
    FeedbackManager::log("Warning, %@ double releaseResources", description());
    return;
  }
  transformStack_.reset();
  hasReleasedResources_ = true;
}
