#include "Platform/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "Platform/Color.h"
#include "Platform/Log.h"

namespace pf {

namespace {

std::uint8_t multiplyAlpha(unsigned component, unsigned alpha)
{
  // Rounded component x alpha / 255 without a division.
  const unsigned t = component * alpha + 128;
  return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

}  // namespace

bool Bitmap::isAllowedSize(std::int64_t width, std::int64_t height)
{
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

Bitmap::Bitmap(int width, int height, bool cleared) : width_(width), height_(height)
{
  const std::size_t words = static_cast<std::size_t>(width) * height;
  void* pixels = cleared ? std::calloc(words, sizeof(std::uint32_t)) : std::malloc(words * sizeof(std::uint32_t));
  if (pixels == nullptr) {
    throw std::bad_alloc();
  }
  pixels_.reset(static_cast<std::uint32_t*>(pixels));
}

Bitmap::Bitmap(const Bitmap& other) : Bitmap(other.width_, other.height_)
{
  if (other.pixels_) {
    std::memcpy(pixels_.get(), other.pixels_.get(), other.byteCount());
  }
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
  if (this != &other) {
    Bitmap copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)), pixels_(std::move(other.pixels_))
{
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  pixels_ = std::move(other.pixels_);
  return *this;
}

std::optional<Bitmap> Bitmap::createForOverwrite(int width, int height)
{
  if (!isAllowedSize(width, height)) {
    log("Error, bitmap size %d x %d refused (at least 1 x 1, at most %d per side and %lld pixels)", width, height,
        kMaxSide, static_cast<long long>(kMaxPixels));
    return std::nullopt;
  }
  return Bitmap(width, height);
}

std::optional<Bitmap> Bitmap::create(int width, int height)
{
  if (!isAllowedSize(width, height)) {
    return createForOverwrite(width, height);  // refused, and logged, there
  }
  return Bitmap(width, height, true);
}

std::optional<Bitmap> Bitmap::fromStraightRgba(int width, int height, std::span<const std::uint8_t> bytes,
                                               std::size_t rowBytes)
{
  const std::size_t rowLength = static_cast<std::size_t>(width) * 4;
  if (width >= 1 && height >= 1 && (rowBytes < rowLength || bytes.size() < rowBytes * (height - 1) + rowLength)) {
    log("Error, bitmap data of %lu bytes too short for %d x %d pixels", static_cast<unsigned long>(bytes.size()),
        width, height);
    return std::nullopt;
  }
  auto created = createForOverwrite(width, height);
  if (!created) {
    return std::nullopt;
  }
  Bitmap& bitmap = *created;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = bytes.data() + rowBytes * y;
    std::uint32_t* target = bitmap.pixels_.get() + static_cast<std::size_t>(width) * y;
    for (int x = 0; x < width; ++x, source += 4) {
      target[x] = premultipliedWord({source[0], source[1], source[2], source[3]});
    }
  }
  return created;
}

Bitmap::Rgba8 Bitmap::rgba8(const Color& color)
{
  const auto byte = [](double component) { return static_cast<std::uint8_t>(std::lround(component * 255.0)); };
  return {byte(color.red()), byte(color.green()), byte(color.blue()), byte(color.alpha())};
}

std::uint32_t Bitmap::premultipliedWord(Rgba8 value)
{
  const unsigned a = value.alpha;
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(multiplyAlpha(value.red, a)) << 16) |
         (static_cast<std::uint32_t>(multiplyAlpha(value.green, a)) << 8) | multiplyAlpha(value.blue, a);
}

Bitmap::Rgba8 Bitmap::straightFromWord(std::uint32_t word)
{
  const unsigned a = word >> 24;
  if (a == 0) {
    return {};
  }
  const auto unmultiply = [a](unsigned component) {
    return static_cast<std::uint8_t>(std::min(255u, (component * 255 + a / 2) / a));
  };
  return {unmultiply((word >> 16) & 0xff), unmultiply((word >> 8) & 0xff), unmultiply(word & 0xff),
          static_cast<std::uint8_t>(a)};
}

Bitmap::Rgba8 Bitmap::pixel(int x, int y) const
{
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return {};
  }
  return straightFromWord(pixels_[static_cast<std::size_t>(y) * width_ + x]);
}

void Bitmap::setPixel(int x, int y, Rgba8 value)
{
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return;
  }
  pixels_[static_cast<std::size_t>(y) * width_ + x] = premultipliedWord(value);
}

void Bitmap::fill(Rgba8 value)
{
  std::fill_n(pixels_.get(), static_cast<std::size_t>(width_) * height_, premultipliedWord(value));
}

std::unique_ptr<std::uint8_t[]> Bitmap::toStraightRgba() const
{
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(byteCount());
  std::uint8_t* out = bytes.get();
  const std::size_t count = static_cast<std::size_t>(width_) * height_;
  for (std::size_t i = 0; i < count; ++i, out += 4) {
    const Rgba8 p = straightFromWord(pixels_[i]);
    out[0] = p.red;
    out[1] = p.green;
    out[2] = p.blue;
    out[3] = p.alpha;
  }
  return bytes;
}

Bitmap Bitmap::flattenedOnto(Rgba8 matte) const
{
  Bitmap result(width_, height_);
  for (int y = 0; y < height_; ++y) {
    flattenRowOnto(y, matte, result.row(y));
  }
  return result;
}

void Bitmap::flattenRowOnto(int y, Rgba8 matte, std::span<std::uint32_t> out) const
{
  if (y < 0 || y >= height_ || out.size() < static_cast<std::size_t>(width_)) {
    return;
  }
  const std::span<const std::uint32_t> source = row(y);
  const std::uint32_t matteWord = 0xff000000u | (static_cast<std::uint32_t>(matte.red) << 16) |
                                  (static_cast<std::uint32_t>(matte.green) << 8) | matte.blue;
  for (int x = 0; x < width_; ++x) {
    const std::uint32_t word = source[x];
    // Artwork is mostly opaque or empty: those pixels need no arithmetic.
    if (word >= 0xff000000u) {
      out[x] = word;
      continue;
    }
    if (word == 0) {
      out[x] = matteWord;
      continue;
    }
    // Premultiplied source over an opaque matte: c = s + m x (1 - a).
    const unsigned inverse = 255 - (word >> 24);
    const unsigned r = ((word >> 16) & 0xff) + multiplyAlpha(matte.red, inverse);
    const unsigned g = ((word >> 8) & 0xff) + multiplyAlpha(matte.green, inverse);
    const unsigned b = (word & 0xff) + multiplyAlpha(matte.blue, inverse);
    out[x] = 0xff000000u | (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) | std::min(b, 255u);
  }
}

}  // namespace pf
