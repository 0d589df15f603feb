#pragma once

#include <optional>
#include <vector>

#include "Platform/Color.h"
#include "Platform/Path.h"
#include "Platform/StrokeStyle.h"
#include "Shared/SVG/ODSVGLayer.h"

// A layer that draws a path in its bounds space: filled with a colour under its fill rule, then
// stroked with a colour, width, caps, joins and dashes. A new shape is filled black and not
// stroked.
class ODSVGShapeLayer : public ODSVGLayer {
public:
  ODSVGShapeLayer();

  const pf::Path& path() const { return path_; }
  void setPath(pf::Path path) { path_ = std::move(path); }
  const std::optional<pf::Color>& fillColor() const { return fillColor_; }
  void setFillColor(std::optional<pf::Color> color) { fillColor_ = color; }
  pf::FillRule fillRule() const { return fillRule_; }
  void setFillRule(pf::FillRule rule) { fillRule_ = rule; }
  const std::optional<pf::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(std::optional<pf::Color> color) { strokeColor_ = color; }
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double width) { lineWidth_ = width; }
  pf::LineCap lineCap() const { return lineCap_; }
  void setLineCap(pf::LineCap cap) { lineCap_ = cap; }
  pf::LineJoin lineJoin() const { return lineJoin_; }
  void setLineJoin(pf::LineJoin join) { lineJoin_ = join; }
  double miterLimit() const { return miterLimit_; }
  void setMiterLimit(double limit) { miterLimit_ = limit; }
  const std::vector<double>& lineDashPattern() const { return lineDashPattern_; }
  void setLineDashPattern(std::vector<double> pattern) { lineDashPattern_ = std::move(pattern); }
  double lineDashPhase() const { return lineDashPhase_; }
  void setLineDashPhase(double phase) { lineDashPhase_ = phase; }

  // Where the path's box was before the path was moved to the layer's origin (user space).
  pf::Point originalPathOrigin() const { return originalPathOrigin_; }
  void setOriginalPathOrigin(pf::Point origin) { originalPathOrigin_ = origin; }
  // The sum of the frame origins of this layer and its superlayers.
  pf::Point absoluteOrigin() const override;

  bool isClipShape() const override;
  bool drawsOnePaint() const override { return !(fillColor_ && strokeColor_); }

protected:
  void drawInContext(pf::DrawingContext& context) const override;

private:
  pf::Path path_;
  std::optional<pf::Color> fillColor_;
  pf::FillRule fillRule_ = pf::FillRule::NonZero;
  std::optional<pf::Color> strokeColor_;
  double lineWidth_ = 1.0;
  pf::LineCap lineCap_ = pf::LineCap::Butt;
  pf::LineJoin lineJoin_ = pf::LineJoin::Miter;
  double miterLimit_ = 10.0;
  std::vector<double> lineDashPattern_;
  double lineDashPhase_ = 0.0;
  pf::Point originalPathOrigin_;
};
