#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Bitmap.h"
#include "Platform/Size.h"

typedef struct _cairo_surface cairo_surface_t;

namespace pf {

// A target to draw into: a bitmap (pixels) or a PDF or EPS page (vectors), in memory or in a
// file, or a recording to replay as a pattern tile. A DrawingContext draws into it; the surface must outlive every context made on it.
//
// Bitmap surfaces are y-down from the top-left pixel, one unit per pixel. Vector surfaces are
// y-down from the page's top-left corner, one unit per point (1/72 inch).
//
// Vector output is complete only after `finish`: a memory surface then holds the file's bytes;
// a file surface writes them to a temporary file beside the target and renames it over the
// target, so a failed export never leaves half a file, and an unfinished surface writes
// nothing. An EPS's bounding box is the page (not the extent of what was drawn).
class Surface {
public:
  enum class Kind { Bitmap, Pdf, Eps, Recording };

  // A transparent bitmap of the given pixel size; nullopt (logged) when the size is refused
  // (see Bitmap's caps).
  static std::optional<Surface> bitmap(int pixelWidth, int pixelHeight);
  // Draws into an existing bitmap, which the surface takes over (read it back with `bitmap()`).
  static Surface onBitmap(Bitmap bitmap);
  // Draws into rows firstRow to firstRow + rowCount - 1 of a bitmap the surface does not own, in
  // the whole bitmap's coordinates: what falls outside the band is dropped. Several threads can
  // draw one picture at once this way, each band on a surface and a context of its own. Rows
  // outside the bitmap are cut off (no rows left: the surface draws nothing). The bitmap must
  // outlive the surface and keep its pixels meanwhile; bitmap() and takeBitmap() answer nothing.
  static Surface onBitmapRows(Bitmap& bitmap, int firstRow, int rowCount);
  // One page of the given size in points; nullopt (logged) for a size that is not finite and
  // positive. A file that cannot be written makes `finish` fail.
  static std::optional<Surface> pdf(Size pageSize);
  static std::optional<Surface> pdfFile(const std::string& path, Size pageSize);
  // Encapsulated PostScript with the page size as its bounding box.
  static std::optional<Surface> eps(Size pageSize);
  static std::optional<Surface> epsFile(const std::string& path, Size pageSize);

  // Records drawing as vectors for replay as a tile (DrawingContext::drawTiledPattern): its
  // extent is (0, 0, size), and what is drawn outside is dropped. nullopt (logged) for a size
  // that is not finite and positive.
  static std::optional<Surface> recording(Size size);

  Surface(Surface&&) noexcept;
  Surface& operator=(Surface&&) noexcept;
  ~Surface();

  Kind kind() const { return kind_; }
  // True for pixel targets: what "drawing to the screen" meant (sub-pixel fixes apply there).
  bool isRaster() const { return kind_ == Kind::Bitmap; }
  // Bitmap: the pixel size; vector: the page size in points.
  Size size() const { return size_; }

  // The pixels drawn so far (flushed), or nullptr for a vector surface.
  const Bitmap* bitmap() const;
  // Finishes pending drawing, so that the pixels can be read while contexts stay open.
  void flush();
  // Ends a bitmap surface and hands its pixels back without copying them (renderers that reuse
  // one buffer for many passes). Every context on the surface must be gone; the surface is
  // left like a moved-from one. nullopt for a vector surface.
  std::optional<Bitmap> takeBitmap() &&;
  // Vector surfaces: ends the output; true when every byte was written (and, for a file, the
  // file is in place). Logs and answers false on any failure, also when called twice. Bitmap
  // surfaces answer true.
  [[nodiscard]] bool finish();
  // The finished file's bytes of a memory vector surface (empty before `finish` or for other
  // surfaces).
  const std::vector<std::uint8_t>& data() const;
  std::vector<std::uint8_t> takeData();

  // For other Platform classes (DrawingContext, text); never null.
  cairo_surface_t* handle() const { return surface_.get(); }

private:
  struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const;
  };
  struct Output;

  Surface(Kind kind, Size size);
  void release();
  static std::optional<Surface> vector(Kind kind, Size pageSize, const std::string* path);

  Kind kind_ = Kind::Bitmap;
  Size size_;
  std::unique_ptr<Bitmap> pixels_;    // bitmap surfaces: the memory Cairo draws into
  std::unique_ptr<Output> output_;    // vector surfaces: the stream Cairo writes to
  // Declared last so it is destroyed first: Cairo may still write into output_ or pixels_.
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface_;
};

}  // namespace pf
