#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Bitmap.h"
#include "Platform/PdfDocument.h"
#include "Platform/Rect.h"
#include "Platform/Size.h"

namespace pf {

class DrawingContext;

// A picture with a size in points and one or more representations of its content: pixels, a
// PDF page, or EPS (kept with the PDF that Ghostscript made of it, which is what is drawn).
// Images are values that share their (immutable) representations, so copies are cheap and can
// be handed to rendering threads.
class Image {
public:
  struct BitmapRepresentation {
    std::shared_ptr<const Bitmap> bitmap;  // premultiplied, see Bitmap
  };
  struct PdfRepresentation {
    std::shared_ptr<const PdfDocument> document;
    int pageIndex = 0;
  };
  struct EpsRepresentation {
    std::shared_ptr<const std::vector<std::uint8_t>> eps;  // the original EPS bytes
    std::shared_ptr<const PdfDocument> pdf;                 // its conversion; page 0 is drawn
  };
  using Representation = std::variant<BitmapRepresentation, PdfRepresentation, EpsRepresentation>;

  // A bitmap at a resolution: its size in points is pixels x 72 / dpi (72 for an unusable dpi).
  static Image fromBitmap(Bitmap bitmap, double dpiX = 72.0, double dpiY = 72.0);
  // One page (0-based) of a PDF, at the page's size; nullopt (logged) when unreadable.
  static std::optional<Image> fromPdf(std::span<const std::uint8_t> pdf, int pageIndex = 0);
  // EPS through Ghostscript, at its bounding box's size; nullopt (logged with the reason) when
  // `gs` is missing or fails.
  static std::optional<Image> fromEps(std::span<const std::uint8_t> eps);
  // Any of the above, told apart by the bytes (PNG, JPEG, TIFF, GIF, PDF, EPS).
  static std::optional<Image> fromData(std::span<const std::uint8_t> bytes);
  // Reads the file (a regular one only, at most 1 GiB) and goes on as fromData; nullopt (logged)
  // on any failure.
  static std::optional<Image> fromFile(const std::string& path);

  Image(Size size, std::vector<Representation> representations);

  // Size in points (what the image measures when drawn at scale 1).
  Size size() const { return size_; }
  void setSize(Size size) { size_ = size; }
  const std::vector<Representation>& representations() const { return representations_; }

  // The last bitmap representation, or nullptr.
  const Bitmap* bitmap() const;
  // The PDF of the last PDF or EPS representation (for EPS its conversion), or nullptr; the
  // page to draw is `vectorPageIndex()`.
  const PdfDocument* vectorDocument() const;
  int vectorPageIndex() const;
  // Pixel size of the first representation when it is a bitmap, else the point size with the
  // fractions dropped.
  std::pair<int, int> pixelSize() const;

  // Draws into `box` (user space, y-up inside the box, see DrawingContext::drawBitmap): the
  // vector representation when there is one, else the bitmap. False when there is neither.
  bool draw(DrawingContext& context, const Rect& box, double opacity) const;

  // The image rendered upright (top row first) into a transparent bitmap of its point size times
  // `scale`, rounded (at least 1 pixel); nullopt (logged) for an empty or over-cap size.
  std::optional<Bitmap> renderedBitmap(double scale = 1.0) const;

private:
  Size size_;
  std::vector<Representation> representations_;
};

}  // namespace pf
