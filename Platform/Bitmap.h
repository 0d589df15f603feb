#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

namespace pf {

class Color;

// A pixel buffer of 8-bit RGBA, the one bitmap type of the program: decoders fill it, drawing
// surfaces read and write it, encoders take it.
//
// Layout: one 32-bit word per pixel in native byte order, alpha in the top 8 bits, then red,
// green, blue (0xAARRGGBB), colour PREMULTIPLIED by alpha. Rows run top to bottom with no
// padding (stride = width x 4 bytes). This is Cairo's ARGB32 and Qt's ARGB32_Premultiplied, so
// a bitmap is drawn and shown without conversion. `Rgba8` gives pixels straight (not
// premultiplied) for code that reads or writes colours.
//
// Sizes are capped (kMaxSide per axis, kMaxPixels in all): `create` refuses anything larger
// with a log line, so no input can make the program allocate without bound.
class Bitmap {
public:
  static constexpr int kMaxSide = 32767;            // Cairo's largest image surface side
  static constexpr std::int64_t kMaxPixels = 1 << 28;  // 268 million pixels, 1 GiB

  // One pixel, straight (not premultiplied) 8-bit components.
  struct Rgba8 {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;
    friend bool operator==(Rgba8, Rgba8) = default;
  };

  // True when width x height is a bitmap size we allocate (both at least 1, within the caps).
  static bool isAllowedSize(std::int64_t width, std::int64_t height);

  // A transparent bitmap; nullopt (logged) for a zero, negative or over-cap size.
  static std::optional<Bitmap> create(int width, int height);
  // The same with undefined pixels, for decoders and renderers that overwrite every pixel.
  static std::optional<Bitmap> createForOverwrite(int width, int height);
  // Copies straight RGBA bytes (4 per pixel, rows of `rowBytes`); nullopt (logged) when the size
  // is refused or `bytes` is too short.
  static std::optional<Bitmap> fromStraightRgba(int width, int height, std::span<const std::uint8_t> bytes,
                                                std::size_t rowBytes);

  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&& other) noexcept;  // leaves `other` empty (0 x 0)
  Bitmap& operator=(Bitmap&& other) noexcept;
  ~Bitmap() = default;

  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return static_cast<std::size_t>(width_) * 4; }  // bytes per row
  std::size_t byteCount() const { return stride() * static_cast<std::size_t>(height_); }

  // The premultiplied words, row by row (see the class comment).
  std::uint32_t* data() { return pixels_.get(); }
  const std::uint32_t* data() const { return pixels_.get(); }
  std::span<std::uint32_t> row(int y) { return {pixels_.get() + static_cast<std::size_t>(y) * width_, static_cast<std::size_t>(width_)}; }
  std::span<const std::uint32_t> row(int y) const { return {pixels_.get() + static_cast<std::size_t>(y) * width_, static_cast<std::size_t>(width_)}; }

  // Straight components of one pixel; a transparent black pixel outside the bitmap.
  Rgba8 pixel(int x, int y) const;
  // Stores straight components (premultiplying them); ignored outside the bitmap.
  void setPixel(int x, int y, Rgba8 value);
  // Every pixel set to one straight colour.
  void fill(Rgba8 value);

  // The whole bitmap as straight RGBA bytes (R, G, B, A per pixel, rows of width x 4 bytes):
  // what the encoders write.
  std::unique_ptr<std::uint8_t[]> toStraightRgba() const;

  // The same bitmap composited over an opaque colour: every pixel ends up with alpha 255 (JPEG
  // and GIF export, which have no partial transparency).
  Bitmap flattenedOnto(Rgba8 matte) const;
  // One row of it, written into `out` (at least width() words): encoders flatten row by row
  // without a second whole bitmap.
  void flattenRowOnto(int y, Rgba8 matte, std::span<std::uint32_t> out) const;

  // A colour's components rounded to 8 bits.
  static Rgba8 rgba8(const Color& color);

  static std::uint32_t premultipliedWord(Rgba8 value);
  static Rgba8 straightFromWord(std::uint32_t word);

private:
  // Pixels come from the C allocator so that a cleared bitmap can be asked for cleared memory:
  // fresh pages of a large one are cleared by the system already, and are not written twice.
  struct FreePixels {
    void operator()(std::uint32_t* pixels) const { std::free(pixels); }
  };

  Bitmap(int width, int height, bool cleared = false);

  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<std::uint32_t[], FreePixels> pixels_;  // width x height words
};

}  // namespace pf
