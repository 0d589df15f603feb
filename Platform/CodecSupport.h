#pragma once

#include <cmath>
#include <cstdint>

#include "Platform/Bitmap.h"

// Helpers shared by the image codecs (not part of the public interface).
namespace pf::codec {

// Resolutions outside this range are treated as "not stated" (72 dpi): a zero or absurd value
// in a file must not turn a picture into a speck or a continent.
inline bool isUsableDpi(double dpi)
{
  return std::isfinite(dpi) && dpi >= 1.0 && dpi <= 100000.0;
}

inline double usableDpiOr72(double dpi)
{
  return isUsableDpi(dpi) ? dpi : 72.0;
}

// Converts straight RGBA bytes (R, G, B, A per pixel), stored in place of the bitmap's words,
// into the bitmap's premultiplied native words. Decoders that read RGBA rows straight into the
// bitmap's buffer finish with this.
inline void premultiplyRgbaInPlace(Bitmap& bitmap)
{
  auto* bytes = reinterpret_cast<std::uint8_t*>(bitmap.data());
  std::uint32_t* words = bitmap.data();
  const std::size_t count = static_cast<std::size_t>(bitmap.width()) * bitmap.height();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = bytes + i * 4;
    words[i] = Bitmap::premultipliedWord({p[0], p[1], p[2], p[3]});
  }
}

}  // namespace pf::codec
