#include "Platform/AlphaMask.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>

#include "Platform/Bitmap.h"
#include "Platform/DrawingContext.h"
#include "Platform/Log.h"

namespace pf {

void AlphaMask::SurfaceDeleter::operator()(cairo_surface_t* surface) const
{
  cairo_surface_destroy(surface);
}

std::optional<AlphaMask> AlphaMask::fromLuminance(const Bitmap& bitmap)
{
  if (bitmap.width() < 1 || bitmap.height() < 1) {
    log("Error, alpha mask from an empty bitmap");
    return std::nullopt;
  }
  AlphaMask mask;
  mask.width_ = bitmap.width();
  mask.height_ = bitmap.height();
  mask.surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width_, mask.height_));
  if (cairo_surface_status(mask.surface_.get()) != CAIRO_STATUS_SUCCESS) {
    log("Error, alpha mask surface: %@", cairo_status_to_string(cairo_surface_status(mask.surface_.get())));
    return std::nullopt;
  }
  cairo_surface_flush(mask.surface_.get());
  unsigned char* data = cairo_image_surface_get_data(mask.surface_.get());
  const int stride = cairo_image_surface_get_stride(mask.surface_.get());
  for (int y = 0; y < mask.height_; ++y) {
    const std::uint32_t* source = bitmap.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(mask.width_);
    unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < mask.width_; ++x) {
      const std::uint32_t pixel = source[x];
      // Premultiplied components, so the weighted sum is already luminance times alpha.
      const unsigned red = (pixel >> 16) & 0xffu;
      const unsigned green = (pixel >> 8) & 0xffu;
      const unsigned blue = pixel & 0xffu;
      row[x] = static_cast<unsigned char>((red * 77u + green * 150u + blue * 29u + 128u) >> 8);
    }
  }
  cairo_surface_mark_dirty(mask.surface_.get());
  return mask;
}

std::uint8_t AlphaMask::level(int x, int y) const
{
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) {
    return 0;
  }
  const unsigned char* data = cairo_image_surface_get_data(surface_.get());
  return data[static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface_.get()) + x];
}

void AlphaMask::paint(DrawingContext& context, const Rect& box) const
{
  const Rect r = box.standardized();
  if (!surface_ || !r.isFinite() || !(r.size.width > 0.0) || !(r.size.height > 0.0)) {
    return;
  }
  cairo_t* cairo = context.handle();
  cairo_save(cairo);
  cairo_translate(cairo, r.origin.x, r.origin.y);
  cairo_scale(cairo, r.size.width / width_, r.size.height / height_);
  cairo_set_operator(cairo, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgba(cairo, 1.0, 1.0, 1.0, std::clamp(context.alpha(), 0.0, 1.0));
  cairo_mask_surface(cairo, surface_.get(), 0.0, 0.0);
  cairo_restore(cairo);
}

}  // namespace pf
