#include "Shared/SVG/ODSVG.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "Platform/DrawingContext.h"
#include "Platform/Log.h"
#include "Platform/Numbers.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVGCache.h"
#include "Shared/SVG/ODSVGCairoRenderer.h"
#include "Shared/SVG/ODSVGColor.h"
#include "Shared/SVG/ODSVGExporter.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGImageLayer.h"
#include "Shared/SVG/ODSVGLayer.h"
#include "Shared/SVG/ODSVGLayerTree.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGTransaction.h"

ODSVG::ODSVG() = default;

ODSVG::~ODSVG() = default;

std::shared_ptr<ODSVG> ODSVG::initWithSVGString(std::string_view svgString, ODSVGError* error)
{
  ODSVGParser::Budget budget;
  return initWithSVGString(svgString, error, budget);
}

std::shared_ptr<ODSVG> ODSVG::initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                ODSVGParser::Budget& budget)
{
  auto svg = std::make_shared<ODSVG>();
  ODSVGError parseError;
  svg->group_ = ODSVGParser::initWithSVGString(svgString, &parseError, svg.get(), budget);
  if (!svg->group_) {
    if (error) {
      *error = parseError;
    }
    return nullptr;
  }
  svg->viewBox_ = svg->group_->viewBox();
  svg->proposedViewSize_ = svg->group_->proposedViewSize();
  return svg;
}

namespace {

std::mutex& resourceMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::string& resourceDirectoryStorage()
{
  static std::string directory;
  return directory;
}

}  // namespace

std::shared_ptr<ODSVG> ODSVG::initWithFile(const std::string& path, bool useCache, ODSVGError* error)
{
  std::error_code failure;
  std::filesystem::path absolute = std::filesystem::absolute(path, failure);
  if (failure) {
    absolute = path;
  }
  return initWithFilePathURL(absolute.lexically_normal().string(), useCache, error);
}

std::shared_ptr<ODSVG> ODSVG::initWithFilePathURL(const std::string& fileURL, bool useCache, ODSVGError* error)
{
  if (useCache) {
    if (std::shared_ptr<ODSVG> cached = ODSVGCache::cachedSVGForFileURL(fileURL)) {
      return cached;
    }
  }
  constexpr std::string_view kScheme = "file://";
  const std::string path = fileURL.rfind(kScheme, 0) == 0 ? fileURL.substr(kScheme.size()) : fileURL;
  auto svg = std::make_shared<ODSVG>();
  ODSVGError parseError;
  svg->group_ = ODSVGParser::initWithFileURL(path, &parseError, svg.get());
  if (!svg->group_) {
    if (error) {
      *error = parseError;
    }
    return nullptr;
  }
  svg->viewBox_ = svg->group_->viewBox();
  svg->proposedViewSize_ = svg->group_->proposedViewSize();
  if (useCache) {
    ODSVGCache::cacheSVG(svg, fileURL);
  }
  return svg;
}

std::shared_ptr<ODSVG> ODSVG::svgNamed(const std::string& name, bool useCache, ODSVGError* error)
{
  const std::string directory = resourceDirectory();
  if (directory.empty() || name.empty()) {
    return nullptr;
  }
  std::filesystem::path file = std::filesystem::path(directory) / name;
  if (!file.has_extension()) {
    file += ".svg";
  }
  std::error_code failure;
  if (!std::filesystem::is_regular_file(file, failure)) {
    return nullptr;
  }
  return initWithFile(file.string(), useCache, error);
}

void ODSVG::setResourceDirectory(std::string directory)
{
  const std::lock_guard lock(resourceMutex());
  resourceDirectoryStorage() = std::move(directory);
}

std::string ODSVG::resourceDirectory()
{
  const std::lock_guard lock(resourceMutex());
  return resourceDirectoryStorage();
}

std::shared_ptr<ODSVG> ODSVG::initWithSVGLayer(std::shared_ptr<ODSVGLayer> layer, const pf::Rect& viewBox)
{
  if (!layer) {
    return nullptr;
  }
  auto svg = std::make_shared<ODSVG>();
  svg->layerTree_ = std::move(layer);
  svg->viewBox_ = viewBox;
  svg->proposedViewSize_ = viewBox.size;
  return svg;
}

std::shared_ptr<ODSVG> ODSVG::initWithImage(const pf::Image& image)
{
  std::shared_ptr<ODSVGLayer> group;
  pf::Rect frame;
  ODSVGObtainTransactionLock([&] {
    auto imageLayer = std::make_shared<ODSVGImageLayer>(image);
    // Images draw y-up in their box; the flip shows the picture upright, as the tree builder does.
    imageLayer->setAffineTransform(pf::AffineTransform::scaling(1.0, -1.0));
    frame = imageLayer->frame();
    group = std::make_shared<ODSVGGroupLayer>();
    group->addSublayer(std::move(imageLayer));
  });
  return initWithSVGLayer(std::move(group), frame);
}

std::optional<std::string> ODSVG::identifier() const
{
  return group_ ? group_->identifier() : std::nullopt;
}

bool ODSVG::isFont() const
{
  return group_ && group_->isFont();
}

std::vector<std::shared_ptr<ODSVGPath>> ODSVG::glyphs() const
{
  return group_ ? group_->glyphs() : std::vector<std::shared_ptr<ODSVGPath>>();
}

std::vector<std::shared_ptr<ODSVG>> ODSVG::subSVGs(bool recursive) const
{
  return group_ ? group_->subSVGs(recursive) : std::vector<std::shared_ptr<ODSVG>>();
}

namespace {

void walkLayers(const std::shared_ptr<ODSVGLayer>& root, const std::function<void(ODSVGLayer&, bool)>& block)
{
  if (root) {
    ODSVGLayer::recursivelyWalkLayer(*root, block);
  }
}

}  // namespace

std::shared_ptr<ODSVGLayer> ODSVG::layer()
{
  const std::lock_guard lock(mutex_);
  return layerLocked();
}

std::shared_ptr<ODSVGLayer> ODSVG::layerLocked()
{
  if (!layerTree_ && group_) {
    ODSVGLayerTree tree;
    tree.setViewBox(viewBox_);
    tree.setFillColor(fillColor_);
    tree.setStrokeColor(strokeColor_);
    tree.setStrokeWidth(strokeWidth_);
    tree.setLineCapStyle(lineCapStyle_);
    tree.setLineJoinStyle(lineJoinStyle_);
    if (replacementColors_) {
      tree.setReplacementColors(*replacementColors_);
    }
    layerWithTree(tree);
  }
  return layerTree_;
}

std::shared_ptr<ODSVGLayer> ODSVG::layerWithTree(ODSVGLayerTree& tree)
{
  const std::lock_guard lock(mutex_);
  layerTree_.reset();
  lastProposedBackingScale_ = 0.0;
  const ODSVGTransactionGuard transaction;
  if (group_) {
    layerTree_ = tree.layerForNode(group_);
  }
  return layerTree_;
}

void ODSVG::discardDOM()
{
  const std::lock_guard lock(mutex_);
  layerLocked();
  group_.reset();
}

std::string ODSVG::SVGStringWithOptions(std::int64_t options)
{
  const ODSVGExporter exporter(*this, viewBox_.size, options);
  return exporter.SVGString();
}

void ODSVG::dropLayerTree()
{
  const std::lock_guard lock(mutex_);
  layerTree_.reset();
}

void ODSVG::setFillColor(std::optional<pf::Color> color)
{
  fillColor_ = color;
  dropLayerTree();
}

void ODSVG::setStrokeColor(std::optional<pf::Color> color)
{
  strokeColor_ = color;
  dropLayerTree();
}

void ODSVG::setStrokeWidth(double width)
{
  strokeWidth_ = width;
  dropLayerTree();
}

void ODSVG::setLineCapStyle(long style)
{
  lineCapStyle_ = style;
  dropLayerTree();
}

void ODSVG::setLineJoinStyle(long style)
{
  lineJoinStyle_ = style;
  dropLayerTree();
}

void ODSVG::replaceColor(const pf::Color& oldColor, const pf::Color& newColor)
{
  if (!replacementColors_) {
    replacementColors_.emplace();
  }
  const pf::Color from = ODSVGColor::computeColorSpace(oldColor);
  const pf::Color to = ODSVGColor::computeColorSpace(newColor);
  auto& table = *replacementColors_;
  const auto found = std::find_if(table.begin(), table.end(), [&](const auto& entry) { return entry.first == from; });
  if (found != table.end()) {
    found->second = to;
  } else {
    table.emplace_back(from, to);
  }
  dropLayerTree();
}

void ODSVG::removeReplacementColor(const pf::Color& color)
{
  if (!replacementColors_) {
    return;
  }
  const pf::Color converted = ODSVGColor::computeColorSpace(color);
  auto& table = *replacementColors_;
  table.erase(std::remove_if(table.begin(), table.end(), [&](const auto& entry) { return entry.first == converted; }),
              table.end());
}

void ODSVG::removeAllReplacementColors()
{
  replacementColors_.reset();
}

void ODSVG::setReplacementColors(const std::vector<std::pair<pf::Color, pf::Color>>& colors)
{
  replacementColors_.reset();
  for (const auto& [from, to] : colors) {
    replaceColor(from, to);
  }
}

std::vector<pf::Color> ODSVG::visibleColors()
{
  const std::lock_guard lock(mutex_);
  std::vector<pf::Color> colors;
  auto add = [&](const std::optional<pf::Color>& color) {
    if (color && color->alpha() != 0.0 && std::find(colors.begin(), colors.end(), *color) == colors.end()) {
      colors.push_back(*color);
    }
  };
  walkLayers(layerLocked(), [&](ODSVGLayer& layer, bool isMask) {
    if (const auto* shape = dynamic_cast<const ODSVGShapeLayer*>(&layer); shape && !isMask) {
      add(shape->fillColor());
      add(shape->strokeColor());
    }
  });
  return colors;
}

void ODSVG::setVectorMode(bool vector)
{
  walkLayers(layerLocked(), [vector](ODSVGLayer& layer, bool) { layer.setConvertMasksToPaths(vector); });
}

void ODSVG::beginVectorDraw()
{
  const std::lock_guard lock(mutex_);
  setVectorMode(true);
}

void ODSVG::endVectorDraw()
{
  const std::lock_guard lock(mutex_);
  setVectorMode(false);
}

std::optional<pf::Rect> ODSVG::computeRectDrawingInRect(const pf::Rect& rect)
{
  const double proposedWidth = proposedViewSize_.width;
  const double proposedHeight = proposedViewSize_.height;
  clipScale_ = std::min(rect.size.width / proposedWidth, rect.size.height / proposedHeight);
  scale_ = std::min(clipScale_ * proposedWidth / viewBox_.size.width, clipScale_ * proposedHeight / viewBox_.size.height);
  const double width = proposedWidth * clipScale_;
  const double height = proposedHeight * clipScale_;
  const pf::Rect drawing(std::round(rect.size.width / 2.0 - proposedWidth / 2.0 * clipScale_ + rect.origin.x),
                         std::round(rect.size.height / 2.0 - proposedHeight / 2.0 * clipScale_ + rect.origin.y),
                         width, height);
  const bool viewBoxUsable = viewBox_ != pf::Rect() && viewBox_.size.width > 0.0 && viewBox_.size.height > 0.0;
  const bool drawingUsable = drawing.isFinite() && std::isfinite(scale_) && scale_ > 0.0 && width > 0.0 &&
                             height > 0.0;
  if (!viewBoxUsable || !drawingUsable) {
    return std::nullopt;
  }
  return drawing;
}

void ODSVG::askHelperForBackingScale()
{
  if (!renderingBackingScaleHelper_) {
    return;
  }
  const double value = std::max(1.0, renderingBackingScaleHelper_());
  if (value == lastProposedBackingScale_) {
    return;
  }
  lastProposedBackingScale_ = value;
  walkLayers(layerTree_, [value](ODSVGLayer& layer, bool) {
    if (layer.requiresBackingScaleHelp()) {
      layer.setBackingScaleFactor(value);
    }
  });
}

bool ODSVG::drawInRect(pf::DrawingContext& context, const pf::Rect& rect, ODSVGError* error)
{
  const std::lock_guard lock(mutex_);
  const std::optional<pf::Rect> drawing = computeRectDrawingInRect(rect);
  if (!drawing) {
    if (error) {
      error->code = ODSVGError::kCannotDraw;
    }
    return false;
  }
  const pf::DrawingContext::StateGuard guard(context);
  if (clipToViewport_) {
    context.clipToRect(*drawing);
  }
  // The view box's origin lands on the drawing rectangle's corner, on whole output units.
  const double originX = std::floor(drawing->origin.x - std::round(scale_ * viewBox_.origin.x));
  const double originY = std::floor(drawing->origin.y - std::round(scale_ * viewBox_.origin.y));
  if (!context.translate(originX, originY) || !context.scale(scale_, scale_)) {
    if (error) {
      error->code = ODSVGError::kCannotDraw;
    }
    return false;
  }
  const ODSVGTransactionGuard transaction;
  std::shared_ptr<ODSVGLayer> root = layerLocked();
  askHelperForBackingScale();
  if (root && renderingEngine_ == 1) {
    root->renderInContext(context);
  } else if (root && renderingEngine_ == 0) {
    if (!renderer_) {
      renderer_ = std::make_unique<ODSVGCairoRenderer>();
    }
    renderer_->setScale(scale_);
    renderer_->setBackingScale(lastProposedBackingScale_ > 0.0 ? lastProposedBackingScale_ : 1.0);
    renderer_->setViewPort(*drawing);
    renderer_->renderLayer(*root, context);
  }
  return true;
}

bool ODSVG::drawAtPoint(pf::DrawingContext& context, pf::Point point, pf::Size size, ODSVGError* error)
{
  return drawInRect(context, pf::Rect(point, size), error);
}

std::vector<std::uint8_t> ODSVG::PDFData(ODSVGError* error)
{
  return PDFDataWithRect(viewBox_, error);
}

std::vector<std::uint8_t> ODSVG::PDFDataWithRect(const pf::Rect& rect, ODSVGError* error)
{
  std::optional<pf::Surface> surface = pf::Surface::pdf(rect.standardized().size);
  if (!surface) {
    if (error) {
      error->code = ODSVGError::kCannotDraw;
    }
    return {};
  }
  {
    pf::DrawingContext context(*surface);
    // The page's top-left corner is the rectangle's origin.
    context.translate(-rect.standardized().origin.x, -rect.standardized().origin.y);
    const std::lock_guard lock(mutex_);
    setVectorMode(true);
    drawInRect(context, rect, error);
    setVectorMode(false);
  }
  if (!surface->finish()) {
    return {};
  }
  return surface->takeData();
}

std::optional<pf::Image> ODSVG::pdfImage()
{
  const std::vector<std::uint8_t> data = PDFData();
  const std::string name = identifier().value_or("ODSVG");
  if (data.empty()) {
    pf::log("Error, ODSVG could not get pdf data from svg %@", name);
    return std::nullopt;
  }
  std::optional<pf::Image> image = pf::Image::fromPdf(data);
  if (!image) {
    pf::log("Error, ODSVG could not generate NSImage based on pdf data from svg %@", name);
  }
  return image;
}

std::optional<pf::Image> ODSVG::imageWithSize(pf::Size size, bool flipped, ODSVGError* error)
{
  const int width = pf::roundedSaturatingCast<int>(std::ceil(size.width));
  const int height = pf::roundedSaturatingCast<int>(std::ceil(size.height));
  std::optional<pf::Surface> surface = pf::Surface::bitmap(width, height);
  if (!surface) {
    return std::nullopt;
  }
  {
    pf::DrawingContext context(*surface);
    if (flipped) {
      context.translate(0.0, size.height);
      context.scale(1.0, -1.0);
    }
    drawAtPoint(context, pf::Point(), size, error);
  }
  std::optional<pf::Bitmap> bitmap = std::move(*surface).takeBitmap();
  if (!bitmap) {
    return std::nullopt;
  }
  return pf::Image::fromBitmap(std::move(*bitmap));
}
