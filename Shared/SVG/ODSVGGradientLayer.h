#pragma once

#include <memory>

#include "Platform/AffineTransform.h"
#include "Platform/Rect.h"
#include "Shared/SVG/ODSVGLayer.h"

class ODSVGGradient;

// A layer painted with a gradient, placed as a sublayer of the shape layer it fills or strokes
// and cut to the shape by its mask.
//
// `objectRect` is the shape's path box in the shape node's user space, whose origin is the
// shape layer's origin; the gradient is drawn in that user space, so the transforms of the
// shape's ancestors, which the layers above already apply, act on it exactly once.
// `absoluteTransform` (the ancestors' product) is kept for callers that measure.
class ODSVGGradientLayer : public ODSVGLayer {
public:
  ODSVGGradientLayer();

  const std::shared_ptr<ODSVGGradient>& gradient() const { return gradient_; }
  void setGradient(std::shared_ptr<ODSVGGradient> gradient) { gradient_ = std::move(gradient); }
  pf::Rect viewBox() const { return viewBox_; }
  void setViewBox(const pf::Rect& viewBox) { viewBox_ = viewBox; }
  pf::Rect objectRect() const { return objectRect_; }
  void setObjectRect(const pf::Rect& rect) { objectRect_ = rect; }
  const pf::AffineTransform& absoluteTransform() const { return absoluteTransform_; }
  void setAbsoluteTransform(const pf::AffineTransform& transform) { absoluteTransform_ = transform; }

protected:
  // Nothing without a gradient.
  void drawInContext(pf::DrawingContext& context) const override;

private:
  std::shared_ptr<ODSVGGradient> gradient_;
  pf::Rect viewBox_;
  pf::Rect objectRect_;
  pf::AffineTransform absoluteTransform_;
};
