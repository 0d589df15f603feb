#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MorvNode/Elements/MVElementRenderer.h"
#include "Platform/Bitmap.h"
#include "Platform/Size.h"

class MVNodeController;

// Renders one frame of a document's artwork offscreen, without a view: the graph controller's
// output of its last generation over the artboard rectangle, with the artboard's background,
// at a scale (output units per artboard unit), into a bitmap, a one-page PDF or EPS, or SVG
// text. The image export renders through it once per file, the animation export once per frame;
// it keeps one renderer, whose pixel buffer is reused while the size stays the same and no
// caller holds the last bitmap.
//
// Bitmaps are refused above the pixel cap (pf::Bitmap's kMaxSide and kMaxPixels) and vector
// pages for a scale that gives no page (zero, negative or not finite); each refusal is logged and
// answers nullopt. Main thread only: it reads the controller's generation.
class MVArtworkRenderer {
public:
  // The controller outlives the renderer.
  explicit MVArtworkRenderer(MVNodeController& controller);
  MVArtworkRenderer(const MVArtworkRenderer&) = delete;
  MVArtworkRenderer& operator=(const MVArtworkRenderer&) = delete;

  // Runs a generation first when none has run yet or one is waiting to run, so that a frame
  // shows the graph as it stands.
  void bringOutputUpToDate();

  // The bitmap's pixel size at `scale`: the artboard size times the scale, halves rounded away
  // from zero.
  std::pair<long, long> bitmapPixelSize(double scale) const;
  // Whether a bitmap at `scale` stays within the pixel cap (and is at least 1 x 1).
  bool isAllowedBitmapScale(double scale) const;

  // The artwork as premultiplied pixels at `scale`; transparent where nothing (and no
  // background) is drawn. Shared with the renderer, which reuses the buffer for the next frame
  // once every holder let go. nullopt (logged) over the cap or when the bitmap cannot be made.
  std::shared_ptr<const pf::Bitmap> renderBitmap(double scale);
  // Bitmaps are drawn in up to this many bands at once (MVElementRenderer::setMaximumBandCount).
  void setMaximumBandCount(int count) { renderer_.setMaximumBandCount(count); }
  // One page of artboard size x scale points; the file's bytes, nullopt (logged) on failure.
  std::optional<std::vector<std::uint8_t>> renderPDF(double scale);
  std::optional<std::vector<std::uint8_t>> renderEPS(double scale);

  // The whole SVG text: header with `svgSize` (pixels) as width, height and view box, the
  // symbols of the shared graphics, the background and the output tree at `scale`, and the
  // closing tag. Sets the controller's rendering scale to `scale`.
  std::string svgString(double scale, pf::Size svgSize);
  // The XML declaration, the opening svg element and the generator comment, one line each.
  static std::string svgHeaderString(pf::Size svgSize);
  // The product's web page named in the generator comment.
  static constexpr const char* kProductWebPage = "https://morvalis.example/";

private:
  // Artboard size, background and output of the last generation, at `scale`, retina 1.
  void setUpRenderer(double scale, bool exportMode);
  std::optional<std::vector<std::uint8_t>> renderDocument(double scale, pf::Surface::Kind kind);

  MVNodeController& controller_;  // the document's, outlives this renderer
  MVElementRenderer renderer_;
};
