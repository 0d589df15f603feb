#pragma once

#include <memory>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/BlendMode.h"
#include "Platform/Color.h"
#include "Platform/Gradient.h"
#include "Platform/Path.h"
#include "Platform/Rect.h"
#include "Platform/StrokeStyle.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;

namespace pf {

class Bitmap;
class PdfDocument;
class Surface;

// Draws into a Surface through Cairo: paths filled, stroked and clipped, bitmaps and PDF pages,
// with a current transformation, colours, line style, blend mode, a global alpha and
// transparency groups, all saved and restored together.
//
// Coordinates: user space is mapped to the surface by the current transformation, which
// starts as the identity (surface space: y-down from the top-left, pixels or points).
//
// Nothing here can break the context. Input Cairo would choke on is refused with one log line
// and drawing goes on: a transformation that is not finite or not invertible is not applied
// (the call answers false), non-finite paths are not drawn, NaN widths and colours are
// sanitised, unbalanced restores and group ends are ignored. Should Cairo still fail, the
// failure is logged once and the context starts over on the same surface from the initial
// state (identity, no clip), so later drawing works; the saves and groups open at that moment
// are dropped and their restores become no-ops.
//
// One context is used by one thread at a time; the surface must outlive it.
class DrawingContext {
public:
  explicit DrawingContext(Surface& surface);
  ~DrawingContext();
  DrawingContext(const DrawingContext&) = delete;
  DrawingContext& operator=(const DrawingContext&) = delete;

  // True when the target is pixels (a bitmap), false for PDF and EPS: what "drawing to the
  // screen" decided (sub-pixel clip enlargement and similar pixel fixes).
  bool isRaster() const { return raster_; }

  // Graphics state: transformation, clip, colours, alpha, line style and blend mode.
  void save();
  void restore();  // ignored (logged) without a matching save()

  // Saves on construction and restores on destruction.
  class StateGuard {
  public:
    explicit StateGuard(DrawingContext& context) : context_(context) { context_.save(); }
    ~StateGuard() { context_.restore(); }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

  private:
    DrawingContext& context_;
  };

  // Current transformation, user space to surface space.
  AffineTransform transform() const;
  // Both refuse (log, answer false, change nothing) a transformation that is not finite or not
  // invertible, or whose product with the current one would not be.
  bool setTransform(const AffineTransform& transform);
  bool concat(const AffineTransform& inner);  // inner acts first on user coordinates
  bool translate(double dx, double dy);
  bool scale(double sx, double sy);
  bool rotate(double radians);

  // Colours: straight components 0..1 (NaN counts as 0, values are clamped), alpha included.
  void setFillColor(double red, double green, double blue, double alpha);
  void setStrokeColor(double red, double green, double blue, double alpha);
  void setFillColor(const Color& color);
  void setStrokeColor(const Color& color);
  // Multiplies every fill, stroke and image drawn from now on (0..1; NaN counts as 0).
  void setAlpha(double alpha);
  double alpha() const { return style_.alpha; }
  // Line style in user units at the time of stroking. A width below 0 or NaN counts as 0, a
  // miter limit below 1 or NaN as 1 (logged for NaN).
  void setLineWidth(double width);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setMiterLimit(double limit);
  void setStrokeStyle(const StrokeStyle& style);
  // Dashes: alternating on and off lengths (an odd list repeats), started `phase` into the
  // pattern. An empty list, or one whose lengths sum to 0, draws solid lines; a negative or
  // non-finite length or phase also does (logged).
  void setLineDash(const std::vector<double>& lengths, double phase);
  void setBlendMode(BlendMode mode);
  BlendMode blendMode() const;

  // The current path is in surface space once added (as with Cairo): it survives save/restore
  // and changes of transformation, and each of fill/stroke/clip consumes it.
  void beginPath();
  void addPath(const Path& path);  // a path with a non-finite point is not added (logged)
  void addRect(const Rect& rect);
  void fill(FillRule rule = FillRule::NonZero);
  void stroke();
  void clip(FillRule rule = FillRule::NonZero);

  // A fill that may wait, for drawing many small shapes fast: on a bitmap, consecutive fills of
  // one colour and rule that share no pixel go to Cairo as one fill, which draws the same pixels
  // in a fraction of the calls. `transform` is the whole user-to-surface transformation of this
  // path (not combined with the current one); `rgba` is the exact colour (neither the fill
  // colour nor the global alpha apply), composited Over in the current clip; `deviceBox`, in
  // surface space, holds every pixel the fill touches. Answers false and draws nothing where a
  // fill cannot wait (a PDF or EPS surface, a path or transformation that is refused, a box
  // that is not finite): draw it the ordinary way then. Waiting fills are drawn before any
  // other call draws or changes the state, by flushFills(), and when the context ends. A path
  // that maps to an axis-aligned rectangle, outside any clip or group, is written into the
  // pixels at once, as Cairo would write them.
  bool fillPathDeferred(const Path& path, const AffineTransform& transform, FillRule rule, const Color& rgba,
                        const Rect& deviceBox);
  void flushFills();

  // One-call forms on a fresh current path.
  void fillPath(const Path& path, FillRule rule = FillRule::NonZero);
  void strokePath(const Path& path);
  void clipToPath(const Path& path, FillRule rule = FillRule::NonZero);
  void fillRect(const Rect& rect);
  void strokeRect(const Rect& rect);
  void clipToRect(const Rect& rect);
  // Makes the rectangle transparent (inside the clip).
  void clearRect(const Rect& rect);
  // Makes everything inside the clip transparent, whatever the transformation.
  void clear();

  // Transparency group: drawing between begin and end goes into a separate layer, which is then
  // composited once with `opacity` (times the global alpha) and the blend mode current at
  // begin. Begin also saves the state and end restores it. An end without a begin is ignored
  // (logged).
  void beginTransparencyGroup();
  void endTransparencyGroup(double opacity);

  // Begins a group on construction and ends it with the given opacity on destruction.
  class TransparencyGroupGuard {
  public:
    TransparencyGroupGuard(DrawingContext& context, double opacity) : context_(context), opacity_(opacity)
    {
      context_.beginTransparencyGroup();
    }
    ~TransparencyGroupGuard() { context_.endTransparencyGroup(opacity_); }
    TransparencyGroupGuard(const TransparencyGroupGuard&) = delete;
    TransparencyGroupGuard& operator=(const TransparencyGroupGuard&) = delete;

  private:
    DrawingContext& context_;
    double opacity_;
  };

  // Masking: what is drawn between beginMaskedGroup and beginMask is the content, what is drawn
  // between beginMask and endMaskedGroup the mask; the content is then composited through the
  // mask's alpha with the blend mode current at beginMaskedGroup. Each begin saves the state and
  // the end restores it. Calls out of this order are ignored (logged).
  void beginMaskedGroup();
  void beginMask();
  void endMaskedGroup();

  // Paint the whole clip area (times the global alpha, in the current blend mode). Points and
  // radii are in user space at the time of the call; the colours continue beyond the ends (pad).
  // An empty gradient paints nothing; stop locations are clamped to 0..1 and never decrease.
  // Non-finite points or radii, or a negative radius, are refused (logged).
  void drawLinearGradient(const Gradient& gradient, Point start, Point end);
  void drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius, Point endCenter,
                          double endRadius);
  // Paints the clip area with a recorded tile (a recording surface) repeated in both directions
  // every tile size; `tileToUser` maps tile coordinates into user space. A transform that is
  // not finite and invertible, or a surface that is no recording, paints nothing (logged).
  void drawTiledPattern(const Surface& tile, const AffineTransform& tileToUser);

  // Draws the bitmap stretched over `box` (user space), y-up inside the box: its top row lies
  // along the box's maximum y edge, as images are drawn on a y-up platform (element space is
  // y-down, so an untransformed image appears upside down; importers flip it). `opacity` times
  // the global alpha; the current blend mode applies. An empty box draws nothing.
  void drawBitmap(const Bitmap& bitmap, const Rect& box, double opacity);
  // Draws one page (0-based) as vectors over `box`, y-up like a bitmap, with `opacity` times the
  // global alpha. An empty box or a missing page draws nothing (the page is logged).
  void drawPdfPage(const PdfDocument& document, int pageIndex, const Rect& box, double opacity);

  // For other Platform classes (text, PDF pages); valid while the context lives. Draws the
  // waiting fills first. What the caller does with it is unknown here: fills stop being written
  // straight into the pixels until Cairo itself has drawn one again (see fillBoxInPlace).
  cairo_t* handle()
  {
    surfaceNotClear_ = false;
    style_.clipped = true;
    return cairo();
  }

private:
  struct ContextDeleter {
    void operator()(cairo_t* context) const;
  };
  struct Style {
    double fill[4] = {0.0, 0.0, 0.0, 1.0};
    double stroke[4] = {0.0, 0.0, 0.0, 1.0};
    double alpha = 1.0;
    BlendMode blendMode = BlendMode::Normal;
    bool clipped = false;  // a clip is set (or may be)
  };
  enum class FrameKind { Save, Group, Masked, Mask };
  struct Frame {
    FrameKind kind;
    Style style;  // restored when the frame ends
    bool live;    // false once a Cairo failure dropped the state it stands for
  };

  // A fill's pixels, [x0, x1) x [y0, y1).
  struct PixelBox {
    long x0;
    long y0;
    long x1;
    long y1;
  };
  // The fills waiting: their paths, mapped to device space, are Cairo's current path, and
  // Cairo's matrix is the identity meanwhile.
  struct DeferredFills {
    int count = 0;
    double color[4] = {0.0, 0.0, 0.0, 0.0};
    FillRule rule = FillRule::NonZero;
    AffineTransform transform;  // the current transformation before they came
    PixelBox extent{0, 0, 0, 0};
    std::vector<PixelBox> boxes;
  };
  // Enough to make the calls per shape negligible; few enough for the overlap test.
  static constexpr int kMaxDeferredFills = 64;

  // The Cairo context, once the waiting fills are drawn: every drawing call and state change
  // goes through here.
  cairo_t* cairo();
  bool deferredFillsTouch(const PixelBox& box) const;
  enum class InPlace { Drawn, DrawnByCairo, NotHere };
  // A fill whose path, mapped, is an axis-aligned rectangle, on a bitmap surface without clip
  // or group: written straight into the pixels as Cairo would write them (see the definition).
  InPlace fillBoxInPlace(const Path& path, const AffineTransform& transform, const double color[4],
                         const PixelBox& box);
  // cairo_paint_with_alpha, after which fills go through Cairo again until it has drawn one.
  void paintWithAlpha(cairo_t* cr, double alpha);
  // Tells Cairo about pixels written in place before it draws again.
  void syncPixelsWrittenInPlace();
  bool check(const char* operation);
  bool acceptTransform(const AffineTransform& product, const char* operation);
  void setSource(const double color[4]);
  void paintGradient(const Gradient& gradient, cairo_pattern_t* pattern);
  // Adds the path to Cairo's current path; `mapping`, when given, maps its points first.
  void appendPath(const Path& path, const AffineTransform* mapping = nullptr);
  void applyBoxTransform(const Rect& box, double contentWidth, double contentHeight);

  cairo_surface_t* surface_ = nullptr;  // the surface's handle; the Surface outlives us
  std::unique_ptr<cairo_t, ContextDeleter> context_;
  bool raster_ = false;
  bool broken_ = false;  // the surface itself failed: nothing more can be drawn
  Style style_;
  std::vector<Frame> frames_;
  DeferredFills deferred_;
  // The surface's pixels, for fills written in place; null when the surface is not an ARGB
  // image with unit device scale.
  unsigned char* pixels_ = nullptr;
  int pixelStride_ = 0;
  int pixelWidth_ = 0;
  int pixelHeight_ = 0;
  double deviceOffsetX_ = 0.0;
  double deviceOffsetY_ = 0.0;
  // Cairo draws differently onto a surface it knows to be clear; fills are written in place only
  // once it is known not to be (Cairo itself has drawn a fill since the last clearing paint).
  bool surfaceNotClear_ = false;
  bool pixelsWrittenInPlace_ = false;  // since Cairo last drew
};

}  // namespace pf
