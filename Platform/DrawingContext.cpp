#include "Platform/DrawingContext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <cairo.h>

#include "Platform/Bitmap.h"
#include "Platform/Color.h"
#include "Platform/Log.h"
#include "Platform/PdfDocument.h"
#include "Platform/Surface.h"

namespace pf {

namespace {

double unitValue(double value)
{
  return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : (value > 0.0 ? 1.0 : 0.0);
}

cairo_operator_t cairoOperator(BlendMode mode)
{
  switch (mode) {
  case BlendMode::Normal:
    return CAIRO_OPERATOR_OVER;
  case BlendMode::Multiply:
    return CAIRO_OPERATOR_MULTIPLY;
  case BlendMode::Screen:
    return CAIRO_OPERATOR_SCREEN;
  case BlendMode::Overlay:
    return CAIRO_OPERATOR_OVERLAY;
  case BlendMode::Darken:
    return CAIRO_OPERATOR_DARKEN;
  case BlendMode::Lighten:
    return CAIRO_OPERATOR_LIGHTEN;
  case BlendMode::Difference:
    return CAIRO_OPERATOR_DIFFERENCE;
  case BlendMode::Hue:
    return CAIRO_OPERATOR_HSL_HUE;
  case BlendMode::Saturation:
    return CAIRO_OPERATOR_HSL_SATURATION;
  case BlendMode::Color:
    return CAIRO_OPERATOR_HSL_COLOR;
  case BlendMode::Luminosity:
    return CAIRO_OPERATOR_HSL_LUMINOSITY;
  case BlendMode::ColorDodge:
    return CAIRO_OPERATOR_COLOR_DODGE;
  case BlendMode::ColorBurn:
    return CAIRO_OPERATOR_COLOR_BURN;
  case BlendMode::SoftLight:
    return CAIRO_OPERATOR_SOFT_LIGHT;
  case BlendMode::HardLight:
    return CAIRO_OPERATOR_HARD_LIGHT;
  case BlendMode::Exclusion:
    return CAIRO_OPERATOR_EXCLUSION;
  case BlendMode::Copy:
    return CAIRO_OPERATOR_SOURCE;
  case BlendMode::DestinationIn:
    return CAIRO_OPERATOR_DEST_IN;
  case BlendMode::Clear:
    return CAIRO_OPERATOR_CLEAR;
  }
  return CAIRO_OPERATOR_OVER;
}

cairo_fill_rule_t cairoFillRule(FillRule rule)
{
  return rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
}

AffineTransform fromCairo(const cairo_matrix_t& m)
{
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

cairo_matrix_t toCairo(const AffineTransform& t)
{
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  return m;
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct PatternDeleter {
  void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};

// ---- Fills written in place
//
// A plain fill of an axis-aligned rectangle is what most generated artwork draws by the
// thousand. Drawn by Cairo, each one costs a trip through its whole machinery, including pools
// that every thread shares (which is what stops passes in bands from gaining on one thread). The
// functions below write such a fill into the pixels exactly as Cairo 1.16 does on an ARGB image
// surface without clip: the corners rounded to Cairo's 24.8 fixed point, each pixel's coverage
// from the rectangle's fractional edges, an opaque colour laid over with linear interpolation
// and a translucent one composited OVER with the coverage as mask, all in Cairo's and Pixman's
// integer arithmetic. DrawingContextTest compares them with Cairo's own fills pixel for pixel.

// Cairo's conversion of a device coordinate to its 24.8 fixed point: the sum rounds the value to
// the nearest 1/256 (halves to even), whose count of 1/256 the low 32 bits of the sum hold.
std::int32_t cairoFixed(double value)
{
  const double shifted = value + 26388279066624.0;  // 1.5 * 2^44
  std::uint64_t bits = 0;
  std::memcpy(&bits, &shifted, sizeof bits);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

// A colour channel in [0, 1] as Cairo keeps it, in 16 bits.
std::uint32_t cairoShort(double value)
{
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(value * 65535.0 + 0.5));
}

constexpr std::uint32_t kRedBlue = 0x00ff00ff;

// Two channels (bits 0-7 and 16-23) times a / 255, as Cairo's span fillers round.
std::uint32_t cairoMultiply(std::uint32_t x, std::uint32_t a)
{
  const std::uint32_t t = (x & kRedBlue) * a + 0x007f007f;
  return ((t + ((t >> 8) & kRedBlue)) >> 8) & kRedBlue;
}

// The same as Pixman rounds.
std::uint32_t pixmanMultiply(std::uint32_t x, std::uint32_t a)
{
  const std::uint32_t t = (x & kRedBlue) * a + 0x00800080;
  return ((t + ((t >> 8) & kRedBlue)) >> 8) & kRedBlue;
}

// Two channels added, each saturating at 255.
std::uint32_t addSaturating(std::uint32_t x, std::uint32_t y)
{
  std::uint32_t t = x + y;
  t |= 0x01000100 - ((t >> 8) & kRedBlue);
  return t & kRedBlue;
}

// Premultiplied ARGB, the colour and the surface's pixel alike.
struct BoxPainter {
  std::uint32_t pixel;
  bool opaque;

  void paint(std::uint32_t* row, int x0, int x1, std::uint32_t coverage) const
  {
    if (coverage == 0) {
      return;
    }
    if (opaque) {
      // Cairo's in-place fill of an opaque colour: the pixel itself under full coverage, else
      // interpolated towards it.
      if (coverage == 0xff) {
        std::fill(row + x0, row + x1, pixel);
        return;
      }
      const std::uint32_t rest = 0xff - coverage;
      const std::uint32_t redBlue = cairoMultiply(pixel, coverage);
      const std::uint32_t alphaGreen = cairoMultiply(pixel >> 8, coverage);
      for (int x = x0; x < x1; ++x) {
        const std::uint32_t d = row[x];
        row[x] = addSaturating(redBlue, cairoMultiply(d, rest)) |
                 (addSaturating(alphaGreen, cairoMultiply(d >> 8, rest)) << 8);
      }
      return;
    }
    // Pixman's OVER of a solid colour through a coverage mask: the colour times the coverage,
    // over the pixel.
    const std::uint32_t redBlue = pixmanMultiply(pixel, coverage);
    const std::uint32_t alphaGreen = pixmanMultiply(pixel >> 8, coverage);
    const std::uint32_t rest = 0xff - (alphaGreen >> 16);
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t d = row[x];
      row[x] = addSaturating(pixmanMultiply(d, rest), redBlue) |
               (addSaturating(pixmanMultiply(d >> 8, rest), alphaGreen) << 8);
    }
  }
};

// One band of rows of the rectangle [left, right) (fixed point, inside the surface) with the
// vertical coverage `coverage` (0-256): partial pixels at fractional edges, full ones between.
void paintBoxRows(const BoxPainter& painter, unsigned char* pixels, int stride, int firstRow, int rowCount,
                  std::int32_t left, std::int32_t right, std::uint32_t coverage)
{
  int x1 = left >> 8;
  int x2 = right >> 8;
  struct Run {
    int x0, x1;
    std::uint32_t coverage;
  } runs[3];
  int count = 0;
  if (x2 > x1) {
    if ((left & 0xff) != 0) {
      runs[count++] = {x1, x1 + 1, coverage * (256 - static_cast<std::uint32_t>(left & 0xff)) >> 8};
      ++x1;
    }
    if (x2 > x1) {
      runs[count++] = {x1, x2, coverage - (coverage >> 8)};
    }
    if ((right & 0xff) != 0) {
      runs[count++] = {x2, x2 + 1, coverage * static_cast<std::uint32_t>(right & 0xff) >> 8};
    }
  } else {
    runs[count++] = {x2, x2 + 1, coverage * static_cast<std::uint32_t>(right - left) >> 8};
  }
  for (int row = firstRow; row < firstRow + rowCount; ++row) {
    auto* line = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(row) * stride);
    for (int index = 0; index < count; ++index) {
      painter.paint(line, runs[index].x0, runs[index].x1, runs[index].coverage & 0xff);
    }
  }
}

// The rectangle [left, right) x [top, bottom) (fixed point, inside the surface, not empty).
void paintBox(const BoxPainter& painter, unsigned char* pixels, int stride, std::int32_t left, std::int32_t top,
              std::int32_t right, std::int32_t bottom)
{
  int y1 = top >> 8;
  const int y2 = bottom >> 8;
  if (y2 > y1) {
    if ((top & 0xff) != 0) {
      paintBoxRows(painter, pixels, stride, y1, 1, left, right, 256 - static_cast<std::uint32_t>(top & 0xff));
      ++y1;
    }
    if (y2 > y1) {
      paintBoxRows(painter, pixels, stride, y1, y2 - y1, left, right, 256);
    }
    if ((bottom & 0xff) != 0) {
      paintBoxRows(painter, pixels, stride, y2, 1, left, right, static_cast<std::uint32_t>(bottom & 0xff));
    }
  } else {
    paintBoxRows(painter, pixels, stride, y1, 1, left, right, static_cast<std::uint32_t>(bottom - top));
  }
}

}  // namespace

void DrawingContext::ContextDeleter::operator()(cairo_t* context) const
{
  cairo_destroy(context);
}

DrawingContext::DrawingContext(Surface& surface)
    : surface_(surface.handle()), context_(cairo_create(surface.handle())), raster_(surface.isRaster())
{
  if (cairo_status(context_.get()) != CAIRO_STATUS_SUCCESS) {
    log("Error, drawing context on a failed surface: %@", cairo_status_to_string(cairo_status(context_.get())));
    broken_ = true;
    return;
  }
  double scaleX = 0.0;
  double scaleY = 0.0;
  cairo_surface_get_device_scale(surface_, &scaleX, &scaleY);
  if (raster_ && cairo_surface_get_type(surface_) == CAIRO_SURFACE_TYPE_IMAGE &&
      cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_ARGB32 && scaleX == 1.0 && scaleY == 1.0) {
    pixels_ = cairo_image_surface_get_data(surface_);
    pixelStride_ = cairo_image_surface_get_stride(surface_);
    pixelWidth_ = cairo_image_surface_get_width(surface_);
    pixelHeight_ = cairo_image_surface_get_height(surface_);
    cairo_surface_get_device_offset(surface_, &deviceOffsetX_, &deviceOffsetY_);
  }
}

DrawingContext::~DrawingContext()
{
  flushFills();
  syncPixelsWrittenInPlace();
}

cairo_t* DrawingContext::cairo()
{
  flushFills();
  syncPixelsWrittenInPlace();
  return context_.get();
}

void DrawingContext::paintWithAlpha(cairo_t* cr, double alpha)
{
  cairo_paint_with_alpha(cr, alpha);
  // Whether Cairo now takes the surface for clear is not followed here: fills go through Cairo
  // until it has drawn one itself (see fillBoxInPlace).
  surfaceNotClear_ = false;
}

void DrawingContext::syncPixelsWrittenInPlace()
{
  if (pixelsWrittenInPlace_) {
    pixelsWrittenInPlace_ = false;
    cairo_surface_mark_dirty(surface_);
  }
}

DrawingContext::InPlace DrawingContext::fillBoxInPlace(const Path& path, const AffineTransform& transform,
                                                       const double color[4], const PixelBox& box)
{
  if (pixels_ == nullptr || style_.clipped || cairo_get_group_target(context_.get()) != surface_) {
    return InPlace::NotHere;
  }
  // A rectangle: a move, three lines, maybe a fourth back to the start, and the close.
  const std::vector<PathElement>& elements = path.elements();
  const std::size_t count = elements.size();
  if (count != 5 && count != 6) {
    return InPlace::NotHere;
  }
  for (std::size_t index = 0; index + 1 < count; ++index) {
    if (elements[index].type != (index == 0 ? PathElementType::MoveTo : PathElementType::LineTo)) {
      return InPlace::NotHere;
    }
  }
  if (elements[count - 1].type != PathElementType::CloseSubpath) {
    return InPlace::NotHere;
  }
  // The corners where Cairo puts them: mapped as appendPath maps them, moved by the surface's
  // device offset, rounded to fixed point.
  std::int32_t x[5];
  std::int32_t y[5];
  for (std::size_t index = 0; index + 1 < count; ++index) {
    const Point q = transform.apply(elements[index].points[0]);
    const double deviceX = q.x + deviceOffsetX_;
    const double deviceY = q.y + deviceOffsetY_;
    // Far beyond any bitmap: Cairo's fixed point would wrap.
    if (!(std::abs(deviceX) < 1.0e6) || !(std::abs(deviceY) < 1.0e6)) {
      return InPlace::NotHere;
    }
    x[index] = cairoFixed(deviceX);
    y[index] = cairoFixed(deviceY);
  }
  if (count == 6 && (x[4] != x[0] || y[4] != y[0])) {
    return InPlace::NotHere;
  }
  const bool across = y[0] == y[1] && x[1] == x[2] && y[2] == y[3] && x[3] == x[0];
  const bool down = x[0] == x[1] && y[1] == y[2] && x[2] == x[3] && y[3] == y[0];
  if (!across && !down) {
    return InPlace::NotHere;
  }
  const std::uint32_t alpha = cairoShort(color[3]);
  if (alpha < 0x100) {
    return InPlace::Drawn;  // Cairo draws nothing in a colour this transparent
  }
  const std::int32_t left = std::max(std::min(x[0], x[2]), 0);
  const std::int32_t right = std::min(std::max(x[0], x[2]), pixelWidth_ << 8);
  const std::int32_t top = std::max(std::min(y[0], y[2]), 0);
  const std::int32_t bottom = std::min(std::max(y[0], y[2]), pixelHeight_ << 8);
  if (left >= right || top >= bottom) {
    return InPlace::Drawn;  // nothing of it on the surface
  }
  if (deferred_.count > 0 && deferredFillsTouch(box)) {
    flushFills();
  }
  if (!surfaceNotClear_) {
    // Cairo may take the surface for clear, and then draws this fill otherwise: it draws it
    // itself (part of it is on the surface), which leaves the surface known not to be clear.
    return InPlace::DrawnByCairo;
  }
  if (!pixelsWrittenInPlace_) {
    cairo_surface_flush(surface_);
    pixelsWrittenInPlace_ = true;
  }
  const std::uint32_t pixel = (alpha >> 8 << 24) | (cairoShort(color[0] * color[3]) >> 8 << 16) |
                              (cairoShort(color[1] * color[3]) & 0xff00) | (cairoShort(color[2] * color[3]) >> 8);
  const BoxPainter painter{pixel, alpha >= 0xff00};
  paintBox(painter, pixels_, pixelStride_, left, top, right, bottom);
  return InPlace::Drawn;
}

bool DrawingContext::check(const char* operation)
{
  const cairo_status_t status = cairo_status(context_.get());
  if (status == CAIRO_STATUS_SUCCESS) {
    return true;
  }
  if (broken_) {
    return false;
  }
  log("Error, drawing %@ failed: %@", operation, cairo_status_to_string(status));
  // A Cairo context stays in its error state for good: start over on the same surface.
  context_.reset(cairo_create(surface_));
  deferred_.count = 0;  // their path went with the old context
  deferred_.boxes.clear();
  for (Frame& frame : frames_) {
    frame.live = false;
  }
  style_ = Style();
  if (cairo_status(context_.get()) != CAIRO_STATUS_SUCCESS) {
    log("Error, drawing surface unusable: %@", cairo_status_to_string(cairo_status(context_.get())));
    broken_ = true;
  }
  return false;
}

void DrawingContext::save()
{
  if (!broken_) {
    cairo_save(cairo());
  }
  frames_.push_back({FrameKind::Save, style_, !broken_});
}

void DrawingContext::restore()
{
  if (frames_.empty() || frames_.back().kind != FrameKind::Save) {
    log("Error, drawing context restore without a matching save");
    return;
  }
  const Frame frame = frames_.back();
  frames_.pop_back();
  style_ = frame.style;
  if (frame.live && !broken_) {
    cairo_restore(cairo());
    check("restore");
  }
}

AffineTransform DrawingContext::transform() const
{
  if (deferred_.count > 0) {
    return deferred_.transform;  // the fills waiting set their own
  }
  cairo_matrix_t m;
  cairo_get_matrix(context_.get(), &m);
  return fromCairo(m);
}

bool DrawingContext::acceptTransform(const AffineTransform& product, const char* operation)
{
  if (!product.isFiniteAndInvertible()) {
    log("Error, drawing transform %@ refused, result not finite or not invertible: %@", operation,
        product.description());
    return false;
  }
  return true;
}

bool DrawingContext::setTransform(const AffineTransform& transform)
{
  if (!acceptTransform(transform, "set")) {
    return false;
  }
  const cairo_matrix_t m = toCairo(transform);
  cairo_set_matrix(cairo(), &m);
  return check("set transform");
}

bool DrawingContext::concat(const AffineTransform& inner)
{
  if (!inner.isFiniteAndInvertible()) {
    log("Error, drawing transform concat refused, not finite or not invertible: %@", inner.description());
    return false;
  }
  const AffineTransform current = transform();
  if (!acceptTransform(current.concatenated(inner), "concat")) {
    return false;
  }
  const cairo_matrix_t m = toCairo(inner);
  cairo_transform(cairo(), &m);
  return check("concat");
}

bool DrawingContext::translate(double dx, double dy)
{
  return concat(AffineTransform::translation(dx, dy));
}

bool DrawingContext::scale(double sx, double sy)
{
  return concat(AffineTransform::scaling(sx, sy));
}

bool DrawingContext::rotate(double radians)
{
  return concat(AffineTransform::rotation(radians));
}

void DrawingContext::setFillColor(double red, double green, double blue, double alpha)
{
  style_.fill[0] = unitValue(red);
  style_.fill[1] = unitValue(green);
  style_.fill[2] = unitValue(blue);
  style_.fill[3] = unitValue(alpha);
}

void DrawingContext::setStrokeColor(double red, double green, double blue, double alpha)
{
  style_.stroke[0] = unitValue(red);
  style_.stroke[1] = unitValue(green);
  style_.stroke[2] = unitValue(blue);
  style_.stroke[3] = unitValue(alpha);
}

void DrawingContext::setFillColor(const Color& color)
{
  setFillColor(color.red(), color.green(), color.blue(), color.alpha());
}

void DrawingContext::setStrokeColor(const Color& color)
{
  setStrokeColor(color.red(), color.green(), color.blue(), color.alpha());
}

void DrawingContext::setAlpha(double alpha)
{
  style_.alpha = unitValue(alpha);
}

void DrawingContext::setLineWidth(double width)
{
  if (std::isnan(width)) {
    log("Error, drawing line width NaN, using 0");
  }
  const double usable = std::isfinite(width) ? std::max(width, 0.0) : (width > 0.0 ? 1.0e6 : 0.0);
  cairo_set_line_width(cairo(), usable);
}

void DrawingContext::setLineCap(LineCap cap)
{
  switch (cap) {
  case LineCap::Butt:
    cairo_set_line_cap(cairo(), CAIRO_LINE_CAP_BUTT);
    break;
  case LineCap::Square:
    cairo_set_line_cap(cairo(), CAIRO_LINE_CAP_SQUARE);
    break;
  case LineCap::Round:
    cairo_set_line_cap(cairo(), CAIRO_LINE_CAP_ROUND);
    break;
  }
}

void DrawingContext::setLineJoin(LineJoin join)
{
  switch (join) {
  case LineJoin::Miter:
    cairo_set_line_join(cairo(), CAIRO_LINE_JOIN_MITER);
    break;
  case LineJoin::Round:
    cairo_set_line_join(cairo(), CAIRO_LINE_JOIN_ROUND);
    break;
  case LineJoin::Bevel:
    cairo_set_line_join(cairo(), CAIRO_LINE_JOIN_BEVEL);
    break;
  }
}

void DrawingContext::setMiterLimit(double limit)
{
  if (std::isnan(limit)) {
    log("Error, drawing miter limit NaN, using 1");
  }
  cairo_set_miter_limit(cairo(), std::isfinite(limit) ? std::max(limit, 1.0) : (limit > 0.0 ? 1.0e6 : 1.0));
}

void DrawingContext::setStrokeStyle(const StrokeStyle& style)
{
  setLineWidth(style.width);
  setLineCap(style.cap);
  setLineJoin(style.join);
  setMiterLimit(style.miterLimit);
}

void DrawingContext::setLineDash(const std::vector<double>& lengths, double phase)
{
  double sum = 0.0;
  bool usable = std::isfinite(phase);
  for (const double length : lengths) {
    usable = usable && std::isfinite(length) && length >= 0.0;
    sum += length;
  }
  if (!usable) {
    log("Error, drawing dash pattern with a negative or non-finite length refused");
  }
  if (!usable || !(sum > 0.0) || !std::isfinite(sum)) {
    cairo_set_dash(cairo(), nullptr, 0, 0.0);
    return;
  }
  cairo_set_dash(cairo(), lengths.data(), static_cast<int>(lengths.size()), phase);
  check("dash");
}

void DrawingContext::setBlendMode(BlendMode mode)
{
  style_.blendMode = mode;
  cairo_set_operator(cairo(), cairoOperator(mode));
}

BlendMode DrawingContext::blendMode() const
{
  return style_.blendMode;
}

void DrawingContext::setSource(const double color[4])
{
  cairo_set_source_rgba(cairo(), color[0], color[1], color[2], color[3] * style_.alpha);
}

void DrawingContext::appendPath(const Path& path, const AffineTransform* mapping)
{
  cairo_t* cr = context_.get();  // no flush: waiting fills append through here
  // AffineTransform::apply maps a point with the operations Cairo applies through its matrix, in
  // the same order, so that a path mapped here lands on exactly the same device coordinates.
  const auto to = [mapping](Point point) { return mapping != nullptr ? mapping->apply(point) : point; };
  Point current;
  Point subpathStart;
  for (const PathElement& element : path.elements()) {
    const auto& p = element.points;
    switch (element.type) {
    case PathElementType::MoveTo: {
      const Point q = to(p[0]);
      cairo_move_to(cr, q.x, q.y);
      current = subpathStart = p[0];
      break;
    }
    case PathElementType::LineTo: {
      const Point q = to(p[0]);
      cairo_line_to(cr, q.x, q.y);
      current = p[0];
      break;
    }
    case PathElementType::QuadCurveTo: {
      // The cubic with the same curve: control points two thirds of the way to the quad's.
      const Point c1 = to(current + (p[0] - current) * (2.0 / 3.0));
      const Point c2 = to(p[1] + (p[0] - p[1]) * (2.0 / 3.0));
      const Point end = to(p[1]);
      cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
      current = p[1];
      break;
    }
    case PathElementType::CurveTo: {
      const Point c1 = to(p[0]);
      const Point c2 = to(p[1]);
      const Point end = to(p[2]);
      cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
      current = p[2];
      break;
    }
    case PathElementType::CloseSubpath:
      cairo_close_path(cr);
      current = subpathStart;
      break;
    }
  }
}

void DrawingContext::beginPath()
{
  cairo_new_path(cairo());
}

void DrawingContext::addPath(const Path& path)
{
  flushFills();
  if (!path.isFinite()) {
    log("Error, drawing path with a non-finite point refused");
    return;
  }
  appendPath(path);
  check("add path");
}

void DrawingContext::addRect(const Rect& rect)
{
  if (!rect.isFinite()) {
    log("Error, drawing rectangle %@ refused", rect.description());
    return;
  }
  const Rect r = rect.standardized();
  cairo_rectangle(cairo(), r.origin.x, r.origin.y, r.size.width, r.size.height);
  check("add rectangle");
}

void DrawingContext::fill(FillRule rule)
{
  cairo_t* cr = cairo();
  cairo_set_fill_rule(cr, cairoFillRule(rule));
  setSource(style_.fill);
  cairo_fill(cr);
  check("fill");
}

void DrawingContext::stroke()
{
  setSource(style_.stroke);
  cairo_stroke(cairo());
  check("stroke");
}

void DrawingContext::clip(FillRule rule)
{
  cairo_t* cr = cairo();
  cairo_set_fill_rule(cr, cairoFillRule(rule));
  cairo_clip(cr);
  style_.clipped = true;
  check("clip");
}

bool DrawingContext::fillPathDeferred(const Path& path, const AffineTransform& transform, FillRule rule,
                                      const Color& rgba, const Rect& deviceBox)
{
  if (!raster_ || broken_ || !deviceBox.isFinite() || !transform.isFiniteAndInvertible() || !path.isFinite()) {
    return false;
  }
  // Whole pixels, so that two fills in the same batch never share one; far-off boxes are
  // clamped, which keeps them apart from everything on a bitmap.
  const auto cell = [](double value, double (*round)(double)) {
    return static_cast<long>(std::clamp(round(value), -1.0e9, 1.0e9));
  };
  const PixelBox box{cell(deviceBox.minX(), std::floor), cell(deviceBox.minY(), std::floor),
                     cell(deviceBox.maxX(), std::ceil), cell(deviceBox.maxY(), std::ceil)};
  const double color[4] = {unitValue(rgba.red()), unitValue(rgba.green()), unitValue(rgba.blue()),
                           unitValue(rgba.alpha())};
  const InPlace inPlace = fillBoxInPlace(path, transform, color, box);
  if (inPlace == InPlace::Drawn) {
    return true;
  }
  if (deferred_.count > 0 &&
      (!std::equal(color, color + 4, deferred_.color) || rule != deferred_.rule ||
       deferred_.count >= kMaxDeferredFills || deferredFillsTouch(box))) {
    flushFills();
  }
  cairo_t* cr = context_.get();
  if (deferred_.count == 0) {
    deferred_.transform = DrawingContext::transform();  // put back when the fills are drawn
    std::copy(color, color + 4, deferred_.color);
    deferred_.rule = rule;
    deferred_.extent = box;
    cairo_new_path(cr);  // the waiting fills own the current path
    // Their paths come mapped to device space (appendPath's mapping, as Cairo would map them).
    cairo_identity_matrix(cr);
  }
  appendPath(path, &transform);
  ++deferred_.count;
  deferred_.boxes.push_back(box);
  deferred_.extent = {std::min(deferred_.extent.x0, box.x0), std::min(deferred_.extent.y0, box.y0),
                      std::max(deferred_.extent.x1, box.x1), std::max(deferred_.extent.y1, box.y1)};
  if (!check("add path")) {
    return true;
  }
  if (inPlace == InPlace::DrawnByCairo) {
    flushFills();
    surfaceNotClear_ = cairo_status(context_.get()) == CAIRO_STATUS_SUCCESS;
  }
  return true;
}

bool DrawingContext::deferredFillsTouch(const PixelBox& box) const
{
  const auto overlap = [](const PixelBox& a, const PixelBox& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
  };
  if (!overlap(box, deferred_.extent)) {
    return false;
  }
  return std::any_of(deferred_.boxes.begin(), deferred_.boxes.end(),
                     [&](const PixelBox& waiting) { return overlap(box, waiting); });
}

void DrawingContext::flushFills()
{
  // One fill for the batch: a pixel of one shape may round differently than a fill of its own
  // would give it (by a level or two, now and then), as Cairo samples a row that several shapes
  // share as a whole.
  if (deferred_.count == 0) {
    return;
  }
  deferred_.count = 0;
  deferred_.boxes.clear();
  syncPixelsWrittenInPlace();
  cairo_t* cr = context_.get();
  const cairo_matrix_t m = toCairo(deferred_.transform);
  cairo_set_matrix(cr, &m);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_fill_rule(cr, cairoFillRule(deferred_.rule));
  cairo_set_source_rgba(cr, deferred_.color[0], deferred_.color[1], deferred_.color[2], deferred_.color[3]);
  cairo_fill(cr);
  cairo_set_operator(cr, cairoOperator(style_.blendMode));
  check("fill");
}

void DrawingContext::fillPath(const Path& path, FillRule rule)
{
  beginPath();
  addPath(path);
  fill(rule);
}

void DrawingContext::strokePath(const Path& path)
{
  beginPath();
  addPath(path);
  stroke();
}

void DrawingContext::clipToPath(const Path& path, FillRule rule)
{
  beginPath();
  if (!path.isFinite()) {
    // Clipping to nothing would hide everything; a refused clip leaves the clip as it was.
    log("Error, drawing clip path with a non-finite point refused");
    return;
  }
  addPath(path);
  clip(rule);
}

void DrawingContext::fillRect(const Rect& rect)
{
  beginPath();
  addRect(rect);
  fill(FillRule::NonZero);
}

void DrawingContext::strokeRect(const Rect& rect)
{
  beginPath();
  addRect(rect);
  stroke();
}

void DrawingContext::clipToRect(const Rect& rect)
{
  beginPath();
  if (!rect.isFinite()) {
    log("Error, drawing clip rectangle %@ refused", rect.description());
    return;
  }
  addRect(rect);
  clip(FillRule::NonZero);
}

void DrawingContext::clearRect(const Rect& rect)
{
  cairo_t* cr = cairo();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_new_path(cr);
  if (rect.isFinite()) {
    const Rect r = rect.standardized();
    cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
    cairo_fill(cr);
  } else {
    log("Error, drawing clear rectangle %@ refused", rect.description());
  }
  cairo_restore(cr);
  check("clear rectangle");
}

void DrawingContext::clear()
{
  cairo_t* cr = cairo();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  surfaceNotClear_ = false;  // a clearing paint leaves the surface clear to Cairo
  cairo_restore(cr);
  check("clear");
}

void DrawingContext::beginTransparencyGroup()
{
  if (!broken_) {
    cairo_push_group(cairo());
  }
  frames_.push_back({FrameKind::Group, style_, !broken_});
  check("begin transparency group");
}

void DrawingContext::endTransparencyGroup(double opacity)
{
  if (frames_.empty() || frames_.back().kind != FrameKind::Group) {
    log("Error, drawing context transparency group ended without a matching begin");
    return;
  }
  const Frame frame = frames_.back();
  frames_.pop_back();
  style_ = frame.style;
  if (!frame.live || broken_) {
    return;
  }
  cairo_t* cr = cairo();
  cairo_pop_group_to_source(cr);  // restores the state saved at begin, operator included
  paintWithAlpha(cr, unitValue(opacity) * style_.alpha);
  check("end transparency group");
}

void DrawingContext::beginMaskedGroup()
{
  if (!broken_) {
    cairo_push_group(cairo());
  }
  frames_.push_back({FrameKind::Masked, style_, !broken_});
  check("begin masked group");
}

void DrawingContext::beginMask()
{
  if (frames_.empty() || frames_.back().kind != FrameKind::Masked) {
    log("Error, drawing context mask begun without a masked group");
    return;
  }
  const bool live = frames_.back().live && !broken_;
  if (live) {
    cairo_push_group(cairo());
  }
  frames_.push_back({FrameKind::Mask, style_, live});
  check("begin mask");
}

void DrawingContext::endMaskedGroup()
{
  if (frames_.size() < 2 || frames_.back().kind != FrameKind::Mask ||
      frames_[frames_.size() - 2].kind != FrameKind::Masked) {
    log("Error, drawing context masked group ended without a matching begin");
    return;
  }
  const Frame mask = frames_.back();
  frames_.pop_back();
  const Frame content = frames_.back();
  frames_.pop_back();
  style_ = content.style;
  if (!content.live || !mask.live || broken_) {
    return;  // a failure dropped both groups (every open frame dies with it)
  }
  cairo_t* cr = cairo();
  std::unique_ptr<cairo_pattern_t, PatternDeleter> maskPattern(cairo_pop_group(cr));
  cairo_pop_group_to_source(cr);  // restores the state saved at beginMaskedGroup
  if (style_.alpha < 1.0) {
    cairo_push_group(cr);
    cairo_mask(cr, maskPattern.get());
    cairo_pop_group_to_source(cr);
    paintWithAlpha(cr, style_.alpha);
  } else {
    cairo_mask(cr, maskPattern.get());
  }
  check("end masked group");
}

void DrawingContext::paintGradient(const Gradient& gradient, cairo_pattern_t* pattern)
{
  std::unique_ptr<cairo_pattern_t, PatternDeleter> owned(pattern);
  double previous = 0.0;
  for (const GradientStop& stop : gradient) {
    const double location = std::max(previous, unitValue(stop.location));
    previous = location;
    cairo_pattern_add_color_stop_rgba(pattern, location, unitValue(stop.color.red()), unitValue(stop.color.green()),
                                      unitValue(stop.color.blue()), unitValue(stop.color.alpha()));
  }
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_t* cr = cairo();
  cairo_set_source(cr, pattern);
  paintWithAlpha(cr, style_.alpha);
  check("paint gradient");
}

void DrawingContext::drawLinearGradient(const Gradient& gradient, Point start, Point end)
{
  if (!start.isFinite() || !end.isFinite()) {
    log("Error, drawing linear gradient from %@ to %@ refused", start.description(), end.description());
    return;
  }
  if (gradient.empty() || broken_) {
    return;
  }
  paintGradient(gradient, cairo_pattern_create_linear(start.x, start.y, end.x, end.y));
}

void DrawingContext::drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius,
                                        Point endCenter, double endRadius)
{
  if (!startCenter.isFinite() || !endCenter.isFinite() || !std::isfinite(startRadius) || !std::isfinite(endRadius) ||
      startRadius < 0.0 || endRadius < 0.0) {
    log("Error, drawing radial gradient from %@ radius %g to %@ radius %g refused", startCenter.description(),
        startRadius, endCenter.description(), endRadius);
    return;
  }
  if (gradient.empty() || broken_) {
    return;
  }
  paintGradient(gradient, cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius, endCenter.x,
                                                      endCenter.y, endRadius));
}

void DrawingContext::drawTiledPattern(const Surface& tile, const AffineTransform& tileToUser)
{
  if (tile.kind() != Surface::Kind::Recording) {
    log("Error, drawing tiled pattern from a surface that is no recording");
    return;
  }
  const std::optional<AffineTransform> userToTile = tileToUser.inverted();
  if (!userToTile) {
    log("Error, drawing tiled pattern refused, transform not finite or not invertible: %@", tileToUser.description());
    return;
  }
  if (broken_) {
    return;
  }
  std::unique_ptr<cairo_pattern_t, PatternDeleter> pattern(cairo_pattern_create_for_surface(tile.handle()));
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  const cairo_matrix_t m = toCairo(*userToTile);
  cairo_pattern_set_matrix(pattern.get(), &m);
  cairo_t* cr = cairo();
  cairo_set_source(cr, pattern.get());
  paintWithAlpha(cr, style_.alpha);
  check("draw tiled pattern");
}

void DrawingContext::applyBoxTransform(const Rect& box, double contentWidth, double contentHeight)
{
  // Content top-left (0, 0) goes to the box's minimum x and maximum y: y-up inside the box.
  const Rect r = box.standardized();
  cairo_t* cr = cairo();
  cairo_translate(cr, r.minX(), r.maxY());
  cairo_scale(cr, r.width() / contentWidth, -r.height() / contentHeight);
}

void DrawingContext::drawBitmap(const Bitmap& bitmap, const Rect& box, double opacity)
{
  if (!box.isFinite()) {
    log("Error, drawing bitmap into box %@ refused", box.description());
    return;
  }
  if (box.isEmpty() || bitmap.width() < 1 || bitmap.height() < 1 || broken_) {
    return;
  }
  const double width = bitmap.width();
  const double height = bitmap.height();
  const Rect r = box.standardized();
  const AffineTransform placement = transform()
                                        .translated(r.minX(), r.maxY())
                                        .scaled(r.width() / width, -r.height() / height);
  if (!acceptTransform(placement, "bitmap box")) {
    return;
  }
  // A pixel target composites at once, so Cairo may read the bitmap in place. A vector target
  // keeps its sources until the page ends, so it gets a copy that Cairo owns.
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> source;
  if (raster_) {
    source.reset(cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(bitmap.data())), CAIRO_FORMAT_ARGB32,
        bitmap.width(), bitmap.height(), static_cast<int>(bitmap.stride())));
  } else {
    source.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width(), bitmap.height()));
    if (cairo_surface_status(source.get()) == CAIRO_STATUS_SUCCESS) {
      cairo_surface_flush(source.get());
      unsigned char* target = cairo_image_surface_get_data(source.get());
      const int targetStride = cairo_image_surface_get_stride(source.get());
      for (int y = 0; y < bitmap.height(); ++y) {
        std::copy_n(bitmap.row(y).data(), bitmap.width(), reinterpret_cast<std::uint32_t*>(target + y * targetStride));
      }
      cairo_surface_mark_dirty(source.get());
    }
  }
  if (const cairo_status_t status = cairo_surface_status(source.get()); status != CAIRO_STATUS_SUCCESS) {
    log("Error, drawing bitmap %d x %d failed: %@", bitmap.width(), bitmap.height(), cairo_status_to_string(status));
    return;
  }
  cairo_t* cr = cairo();
  cairo_save(cr);
  applyBoxTransform(box, width, height);
  cairo_set_source_surface(cr, source.get(), 0.0, 0.0);
  // Pad, not transparent, beyond the edges: a stretched bitmap keeps crisp borders.
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0.0, 0.0, width, height);
  cairo_clip(cr);
  paintWithAlpha(cr, unitValue(opacity) * style_.alpha);
  cairo_restore(cr);
  check("draw bitmap");
}

void DrawingContext::drawPdfPage(const PdfDocument& document, int pageIndex, const Rect& box, double opacity)
{
  if (!box.isFinite()) {
    log("Error, drawing PDF page into box %@ refused", box.description());
    return;
  }
  const std::optional<Size> pageSize = document.pageSize(pageIndex);
  if (!pageSize) {
    log("Error, drawing PDF page %d refused: the document has %d pages", pageIndex + 1, document.pageCount());
    return;
  }
  if (box.isEmpty() || pageSize->width <= 0.0 || pageSize->height <= 0.0 || broken_) {
    return;
  }
  const Rect r = box.standardized();
  const AffineTransform placement = transform()
                                        .translated(r.minX(), r.maxY())
                                        .scaled(r.width() / pageSize->width, -r.height() / pageSize->height);
  if (!acceptTransform(placement, "PDF page box")) {
    return;
  }
  const double alpha = unitValue(opacity) * style_.alpha;
  cairo_t* cr = cairo();
  cairo_save(cr);
  applyBoxTransform(box, pageSize->width, pageSize->height);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0.0, 0.0, pageSize->width, pageSize->height);
  cairo_clip(cr);
  // Vector pages draw with normal compositing; a group carries the opacity.
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  const bool grouped = alpha < 1.0;
  if (grouped) {
    cairo_push_group(cr);
  }
  const bool drawn = document.renderPage(pageIndex, cr);
  if (grouped) {
    cairo_pop_group_to_source(cr);
    paintWithAlpha(cr, alpha);
  }
  cairo_restore(cr);
  if (check("draw PDF page") && !drawn) {
    log("Error, drawing PDF page %d failed", pageIndex + 1);
  }
}

}  // namespace pf
