#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Color.h"
#include "Platform/Image.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Platform/Size.h"
#include "Shared/SVG/ODSVGError.h"
#include "Shared/SVG/ODSVGParser.h"
#include "Shared/SVG/ODSVGParserDelegate.h"

class ODSVGCairoRenderer;
class ODSVGLayer;
class ODSVGLayerTree;
class ODSVGPath;

namespace pf {
class DrawingContext;
}

// The front object of the SVG library: one parsed document (the parser as the root group of
// its node tree) with its view box and proposed size, and the layer tree it is drawn from,
// built on first use. It draws into a context, into a one-page PDF (vectors) or into a bitmap.
//
// Drawing maps the view box into the largest rectangle of the proposed size's shape that fits
// the requested rectangle, centred in it on whole points. Style overrides and colour
// replacements change the layer tree, which is built again on the next use.
//
// Thread safety: drawing and building hold the document's own lock, so one document can be
// drawn from several threads, one drawing at a time; the overrides are for the owner's thread.
class ODSVG : public ODSVGParserDelegate {
public:
  // The document, or nullptr with the parser's error stored through `error`.
  static std::shared_ptr<ODSVG> initWithSVGString(std::string_view svgString, ODSVGError* error = nullptr);
  // As above, charging the work to a running budget (a document nested in another).
  static std::shared_ptr<ODSVG> initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                  ODSVGParser::Budget& budget);

  // A document read from a file (only that file: references to other files are not followed).
  // With `useCache` and the cache enabled (ODSVGCache), a document already loaded from the
  // same absolute path is returned as it is, and a new one is stored. nullptr with the
  // parser's error (code 0 for an unreadable file) otherwise.
  static std::shared_ptr<ODSVG> initWithFile(const std::string& path, bool useCache = true,
                                             ODSVGError* error = nullptr);
  // The same for a "file://" URL or a path, taken as the cache key as it is.
  static std::shared_ptr<ODSVG> initWithFilePathURL(const std::string& fileURL, bool useCache = true,
                                                    ODSVGError* error = nullptr);
  // A resource of the application: `name` in the resource directory, ".svg" added when the
  // name has no extension. nullptr without an error when there is no such file.
  static std::shared_ptr<ODSVG> svgNamed(const std::string& name, bool useCache = true, ODSVGError* error = nullptr);
  // Where svgNamed looks (empty, the default, finds nothing); set once at start-up.
  static void setResourceDirectory(std::string directory);
  static std::string resourceDirectory();

  // A document whose layer tree is `layer` (kept, never rebuilt) and whose view box and
  // proposed size are `viewBox`; it has no node tree. nullptr for no layer.
  static std::shared_ptr<ODSVG> initWithSVGLayer(std::shared_ptr<ODSVGLayer> layer, const pf::Rect& viewBox);
  // A document showing the picture: a group holding one image layer, the view box its frame.
  static std::shared_ptr<ODSVG> initWithImage(const pf::Image& image);

  ODSVG();
  ~ODSVG() override;
  ODSVG(const ODSVG&) = delete;
  ODSVG& operator=(const ODSVG&) = delete;

  pf::Rect viewBox() const { return viewBox_; }
  pf::Size proposedViewSize() const { return proposedViewSize_; }
  // The root group; nullptr once discarded.
  const std::shared_ptr<ODSVGParser>& rootNode() const { return group_; }
  std::optional<std::string> identifier() const;
  bool isFont() const;
  std::vector<std::shared_ptr<ODSVGPath>> glyphs() const;
  std::vector<std::shared_ptr<ODSVG>> subSVGs(bool recursive) const;

  // The document as a PDF-backed image of the view box's size; nullopt (logged) when no PDF
  // could be made.
  std::optional<pf::Image> pdfImage();
  // One page of the view box's size (or of `rect`'s, whose origin is the page's top-left) with
  // the document drawn as vectors. A document that cannot be drawn there gives a blank page and
  // kCannotDraw through `error`; empty only when no PDF could be written.
  std::vector<std::uint8_t> PDFData(ODSVGError* error = nullptr);
  std::vector<std::uint8_t> PDFDataWithRect(const pf::Rect& rect, ODSVGError* error = nullptr);
  // A bitmap of `size` (points = pixels, rounded up) with the document drawn into (0, 0, size);
  // flipped draws it upside down. nullopt for a size the bitmap caps refuse.
  std::optional<pf::Image> imageWithSize(pf::Size size, bool flipped = false, ODSVGError* error = nullptr);

  // Draws into `rect` of the context's current space. False, with kCannotDraw through `error`
  // and the context untouched, when the rectangle gives no drawing rectangle.
  bool drawInRect(pf::DrawingContext& context, const pf::Rect& rect, ODSVGError* error = nullptr);
  bool drawAtPoint(pf::DrawingContext& context, pf::Point point, pf::Size size, ODSVGError* error = nullptr);
  // Where the document lands inside `rect`; nullopt when it cannot be drawn there. Also sets
  // the scales below.
  std::optional<pf::Rect> computeRectDrawingInRect(const pf::Rect& rect);
  double scale() const { return scale_; }          // view-box units to output units
  double clipScale() const { return clipScale_; }  // proposed size to the drawing rectangle

  // Vector mode of the layer tree (masks that are plain shapes become clips) around drawing
  // into a vector target.
  void beginVectorDraw();
  void endVectorDraw();

  bool clipToViewport() const { return clipToViewport_; }
  void setClipToViewport(bool clip) { clipToViewport_ = clip; }
  // Style overrides for every shape; each drops the layer tree.
  const std::optional<pf::Color>& fillColor() const { return fillColor_; }
  void setFillColor(std::optional<pf::Color> color);
  const std::optional<pf::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(std::optional<pf::Color> color);
  double strokeWidth() const { return strokeWidth_; }
  void setStrokeWidth(double width);
  long lineCapStyle() const { return lineCapStyle_; }
  void setLineCapStyle(long style);
  long lineJoinStyle() const { return lineJoinStyle_; }
  void setLineJoinStyle(long style);

  // Colour replacement: stored for the next build; replaceColor also drops the layer tree.
  void replaceColor(const pf::Color& oldColor, const pf::Color& newColor);
  void removeReplacementColor(const pf::Color& color);
  void removeAllReplacementColors();
  void setReplacementColors(const std::vector<std::pair<pf::Color, pf::Color>>& colors);
  // The distinct, not fully transparent fill and stroke colours of the shapes drawn (masks
  // left out), in no particular order.
  std::vector<pf::Color> visibleColors();

  // The root layer, built when absent; nullptr for a document without a node tree.
  std::shared_ptr<ODSVGLayer> layer();
  // Builds the layer tree with `tree` (replacing the kept one) and keeps it.
  std::shared_ptr<ODSVGLayer> layerWithTree(ODSVGLayerTree& tree);
  // Builds the layer tree, then lets go of the node tree.
  void discardDOM();

  // The document written back as SVG text from its layer tree, at the view box's size (so
  // without width, height or scaling), with the exporter's option bits (ODSVGExporter.h).
  std::string SVGStringWithOptions(std::int64_t options);

  // How drawInRect draws: 1 (the default) lets the layers draw themselves, 0 draws the tree
  // with the direct renderer (ODSVGCairoRenderer, made on first use), any other value draws
  // nothing.
  int renderingEngine() const { return renderingEngine_; }
  void setRenderingEngine(int engine) { renderingEngine_ = engine; }

  // Asked for the backing scale of the screen drawn for (at least 1); unset answers 1.
  void setRenderingBackingScaleHelper(std::function<double()> helper) { renderingBackingScaleHelper_ = std::move(helper); }

private:
  std::shared_ptr<ODSVGLayer> layerLocked();
  void dropLayerTree();
  void setVectorMode(bool vector);
  void askHelperForBackingScale();

  std::shared_ptr<ODSVGParser> group_;
  pf::Rect viewBox_;
  pf::Size proposedViewSize_;
  double scale_ = 0.0;
  double clipScale_ = 0.0;
  std::shared_ptr<ODSVGLayer> layerTree_;
  double lastProposedBackingScale_ = 0.0;
  std::optional<std::vector<std::pair<pf::Color, pf::Color>>> replacementColors_;
  bool clipToViewport_ = true;
  std::optional<pf::Color> fillColor_;
  std::optional<pf::Color> strokeColor_;
  double strokeWidth_ = 0.0;
  long lineCapStyle_ = 0;
  long lineJoinStyle_ = 0;
  std::function<double()> renderingBackingScaleHelper_;
  int renderingEngine_ = 1;
  std::unique_ptr<ODSVGCairoRenderer> renderer_;
  std::recursive_mutex mutex_;  // drawing and building, one at a time
};
