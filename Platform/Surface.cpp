#include "Platform/Surface.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo.h>

#include "Platform/FileAccess.h"
#include "Platform/Log.h"
#include "Platform/Numbers.h"

namespace pf {

namespace {

constexpr double kMaxPagePoints = 1.0e6;  // beyond any real page; keeps Cairo's numbers sane

}  // namespace

// Where a vector surface's bytes go: memory, copied to the target file (writeFileAtomically)
// when the surface is finished.
struct Surface::Output {
  std::vector<std::uint8_t> bytes;
  std::string path;  // target file; empty for memory
  bool finished = false;

  static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length)
  {
    auto* output = static_cast<Output*>(closure);
    output->bytes.insert(output->bytes.end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
  }
};

namespace {

// Cairo gives an EPS the bounding box of what was drawn; ours is the page, as for PDF, so that
// an export keeps the artboard's size and position whatever it holds. PostScript has no byte
// offsets, so the comment lines can be rewritten in place.
void setEpsBoundingBox(std::vector<std::uint8_t>& bytes, Size pageSize)
{
  const std::string box = format("0 0 %ld %ld", static_cast<long>(std::ceil(pageSize.width)),
                                 static_cast<long>(std::ceil(pageSize.height)));
  const std::string hiResBox = format("0 0 %@ %@", formatShortest(pageSize.width), formatShortest(pageSize.height));
  std::string text(bytes.begin(), bytes.end());
  std::string result;
  result.reserve(text.size() + 64);
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t end = text.find('\n', position);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string_view line(text.data() + position, end - position);
    if (line.starts_with("%%BoundingBox:")) {
      result += "%%BoundingBox: " + box + "\n";
    } else if (line.starts_with("%%HiResBoundingBox:")) {
      result += "%%HiResBoundingBox: " + hiResBox + "\n";
    } else if (line.starts_with("%%PageBoundingBox:")) {
      result += "%%PageBoundingBox: " + box + "\n";
    } else {
      result += line;
    }
    position = end;
  }
  bytes.assign(result.begin(), result.end());
}

}  // namespace

void Surface::SurfaceDeleter::operator()(cairo_surface_t* surface) const
{
  cairo_surface_destroy(surface);
}

Surface::Surface(Kind kind, Size size) : kind_(kind), size_(size) {}

Surface::Surface(Surface&&) noexcept = default;

Surface& Surface::operator=(Surface&& other) noexcept
{
  if (this != &other) {
    release();
    kind_ = other.kind_;
    size_ = other.size_;
    pixels_ = std::move(other.pixels_);
    output_ = std::move(other.output_);
    surface_ = std::move(other.surface_);
  }
  return *this;
}

Surface::~Surface()
{
  release();
}

void Surface::release()
{
  // Finished first: a context that outlives its surface (a caller's mistake) then gets errors
  // instead of writing into freed memory. Then the Cairo surface goes before the memory it
  // writes into.
  // A recording is not finished: vector pages replay it when they end, after it is released.
  if (surface_) {
    if (kind_ != Kind::Recording) {
      cairo_surface_finish(surface_.get());
    }
    surface_.reset();
  }
}

std::optional<Surface> Surface::bitmap(int pixelWidth, int pixelHeight)
{
  auto pixels = Bitmap::create(pixelWidth, pixelHeight);
  if (!pixels) {
    return std::nullopt;
  }
  return onBitmap(std::move(*pixels));
}

Surface Surface::onBitmap(Bitmap bitmap)
{
  Surface surface(Kind::Bitmap, Size(bitmap.width(), bitmap.height()));
  surface.pixels_ = std::make_unique<Bitmap>(std::move(bitmap));
  Bitmap& pixels = *surface.pixels_;
  // Bitmap's layout is Cairo's ARGB32 (premultiplied native words, stride = width x 4).
  surface.surface_.reset(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                             CAIRO_FORMAT_ARGB32, pixels.width(), pixels.height(),
                                                             static_cast<int>(pixels.stride())));
  if (const cairo_status_t status = cairo_surface_status(surface.surface_.get()); status != CAIRO_STATUS_SUCCESS) {
    // Only a moved-from (empty) bitmap gets here; the surface stays in its error state and every
    // drawing on it is refused by the context.
    log("Error, bitmap surface %d x %d failed: %@", pixels.width(), pixels.height(),
        cairo_status_to_string(status));
  }
  return surface;
}

Surface Surface::onBitmapRows(Bitmap& bitmap, int firstRow, int rowCount)
{
  const int first = std::clamp(firstRow, 0, bitmap.height());
  const int end = static_cast<int>(std::clamp(static_cast<long>(firstRow) + std::max(rowCount, 0), 0L,
                                              static_cast<long>(bitmap.height())));
  const int rows = std::max(end - first, 0);
  Surface surface(Kind::Bitmap, Size(bitmap.width(), rows));
  unsigned char* start = reinterpret_cast<unsigned char*>(bitmap.data()) + static_cast<std::size_t>(first) * bitmap.stride();
  surface.surface_.reset(cairo_image_surface_create_for_data(start, CAIRO_FORMAT_ARGB32, bitmap.width(), rows,
                                                             static_cast<int>(bitmap.stride())));
  if (const cairo_status_t status = cairo_surface_status(surface.surface_.get()); status != CAIRO_STATUS_SUCCESS) {
    log("Error, bitmap band surface %d x %d failed: %@", bitmap.width(), rows, cairo_status_to_string(status));
    return surface;
  }
  // The band's first row is the bitmap's row `first`: user space stays the whole bitmap's.
  cairo_surface_set_device_offset(surface.surface_.get(), 0.0, -static_cast<double>(first));
  return surface;
}

std::optional<Surface> Surface::vector(Kind kind, Size pageSize, const std::string* path)
{
  const char* kindName = kind == Kind::Pdf ? "PDF" : "EPS";
  if (!pageSize.isFinite() || pageSize.width <= 0.0 || pageSize.height <= 0.0 || pageSize.width > kMaxPagePoints ||
      pageSize.height > kMaxPagePoints) {
    log("Error, %@ surface page size %gx%g refused", kindName, pageSize.width, pageSize.height);
    return std::nullopt;
  }
  Surface surface(kind, pageSize);
  surface.output_ = std::make_unique<Output>();
  Output& output = *surface.output_;
  if (path) {
    output.path = *path;
  }
  if (kind == Kind::Pdf) {
    surface.surface_.reset(cairo_pdf_surface_create_for_stream(Output::write, &output, pageSize.width, pageSize.height));
  } else {
    surface.surface_.reset(cairo_ps_surface_create_for_stream(Output::write, &output, pageSize.width, pageSize.height));
    cairo_ps_surface_set_eps(surface.surface_.get(), 1);
  }
  if (const cairo_status_t status = cairo_surface_status(surface.surface_.get()); status != CAIRO_STATUS_SUCCESS) {
    log("Error, %@ surface failed: %@", kindName, cairo_status_to_string(status));
    return std::nullopt;
  }
  return surface;
}

std::optional<Surface> Surface::recording(Size size)
{
  if (!size.isFinite() || size.width <= 0.0 || size.height <= 0.0 || size.width > kMaxPagePoints ||
      size.height > kMaxPagePoints) {
    log("Error, recording surface size %gx%g refused", size.width, size.height);
    return std::nullopt;
  }
  Surface surface(Kind::Recording, size);
  const cairo_rectangle_t extents{0.0, 0.0, size.width, size.height};
  surface.surface_.reset(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents));
  if (const cairo_status_t status = cairo_surface_status(surface.surface_.get()); status != CAIRO_STATUS_SUCCESS) {
    log("Error, recording surface failed: %@", cairo_status_to_string(status));
    return std::nullopt;
  }
  return surface;
}

std::optional<Surface> Surface::pdf(Size pageSize)
{
  return vector(Kind::Pdf, pageSize, nullptr);
}

std::optional<Surface> Surface::pdfFile(const std::string& path, Size pageSize)
{
  return vector(Kind::Pdf, pageSize, &path);
}

std::optional<Surface> Surface::eps(Size pageSize)
{
  return vector(Kind::Eps, pageSize, nullptr);
}

std::optional<Surface> Surface::epsFile(const std::string& path, Size pageSize)
{
  return vector(Kind::Eps, pageSize, &path);
}

const Bitmap* Surface::bitmap() const
{
  if (!pixels_) {
    return nullptr;
  }
  cairo_surface_flush(surface_.get());
  return pixels_.get();
}

void Surface::flush()
{
  if (surface_) {
    cairo_surface_flush(surface_.get());
  }
}

std::optional<Bitmap> Surface::takeBitmap() &&
{
  if (!pixels_) {
    return std::nullopt;
  }
  release();
  Bitmap pixels = std::move(*pixels_);
  pixels_.reset();
  return pixels;
}

bool Surface::finish()
{
  if (!output_) {
    return true;
  }
  const char* kindName = kind_ == Kind::Pdf ? "PDF" : "EPS";
  Output& output = *output_;
  if (output.finished) {
    log("Error, %@ surface finished twice", kindName);
    return false;
  }
  output.finished = true;
  cairo_surface_finish(surface_.get());
  const cairo_status_t status = cairo_surface_status(surface_.get());
  bool ok = status == CAIRO_STATUS_SUCCESS;
  if (!ok) {
    log("Error, %@ output failed: %@", kindName, cairo_status_to_string(status));
  }
  if (ok && kind_ == Kind::Eps) {
    setEpsBoundingBox(output.bytes, size_);
  }
  if (ok && !output.path.empty()) {
    ok = writeFileAtomically(output.path, output.bytes);  // logged when it fails
  }
  if (!ok) {
    output.bytes.clear();
  }
  return ok;
}

const std::vector<std::uint8_t>& Surface::data() const
{
  static const std::vector<std::uint8_t> empty;
  return output_ && output_->finished ? output_->bytes : empty;
}

std::vector<std::uint8_t> Surface::takeData()
{
  if (!output_ || !output_->finished) {
    return {};
  }
  return std::move(output_->bytes);
}

}  // namespace pf
