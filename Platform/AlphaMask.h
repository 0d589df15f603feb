#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Platform/Rect.h"

typedef struct _cairo_surface cairo_surface_t;

namespace pf {

class Bitmap;
class DrawingContext;

// A coverage bitmap of one byte per pixel (Cairo's A8 format): 0 hides, 255 shows. It turns a
// grey rendering into a mask that drawing is composited through.
class AlphaMask {
public:
  // One level per pixel from the grey of the premultiplied colour (luminance times alpha):
  // white shows, black and transparent hide. nullopt (logged) for an empty bitmap or when no
  // surface could be made.
  static std::optional<AlphaMask> fromLuminance(const Bitmap& bitmap);

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint8_t level(int x, int y) const;  // 0 outside the mask

  // Paints opaque white through the mask stretched over `box` (user space, first row along the
  // minimum y edge), in the context's current clip, times its alpha. Between
  // DrawingContext::beginMask and endMaskedGroup this makes the mask the levels themselves.
  // An empty or non-finite box paints nothing.
  void paint(DrawingContext& context, const Rect& box) const;

private:
  struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const;
  };
  AlphaMask() = default;

  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace pf
