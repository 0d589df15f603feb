#include "MorvNode/Elements/MVElementImage.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "MorvNode/Elements/ElementDrawing.h"
#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Elements/MVSvgWriter.h"
#include "Platform/DrawingContext.h"
#include "Platform/Format.h"
#include "Platform/Image.h"
#include "Platform/Surface.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// "<Image 120 x 80 pt>" for log lines.
std::string imageDescription(const pf::Image& image)
{
  return pf::format("<Image %g x %g pt>", image.size().width, image.size().height);
}

// The part of a fill colour that tints: red, green and blue (alpha lives in the opacities).
pf::Color tintOf(const std::optional<pf::Color>& fill)
{
  const pf::Color colour = fill.value_or(pf::Color::black());
  return pf::Color::rgb(colour.red(), colour.green(), colour.blue());
}

}  // namespace

std::shared_ptr<MVElement> MVElementImage::copy() const
{
  auto element = std::make_shared<MVElementImage>();
  copyBaseInto(*element);
  element->imageName_ = imageName_;
  element->sharedGraphics_ = sharedGraphics_;
  const std::lock_guard lock(tintMutex_);
  element->tintCache_ = tintCache_;
  return element;
}

std::optional<std::string> MVElementImage::elementTypeDescription() const
{
  return std::string("image element");
}

std::shared_ptr<const pf::Image> MVElementImage::lookUpImage() const
{
  if (!sharedGraphics_ || !imageName_) {
    return nullptr;
  }
  return sharedGraphics_->sharedElementImageNamed(*imageName_);
}

std::shared_ptr<const pf::Bitmap> MVElementImage::tintedImage() const
{
  {
    const std::lock_guard lock(tintMutex_);
    if (tintCache_ && imageName_ && tintCache_->imageName == *imageName_ && tintCache_->tint == tintOf(fillColor())) {
      return tintCache_->bitmap;
    }
  }
  const std::shared_ptr<const pf::Image> image = lookUpImage();
  return image ? tintedBitmapOf(*image) : nullptr;
}

std::shared_ptr<const pf::Bitmap> MVElementImage::tintedBitmapOf(const pf::Image& image) const
{
  const pf::Color tint = tintOf(fillColor());
  const std::string name = imageName_.value_or(std::string());
  {
    const std::lock_guard lock(tintMutex_);
    if (tintCache_ && tintCache_->imageName == name && tintCache_->tint == tint) {
      return tintCache_->bitmap;
    }
  }
  const auto [pixelWidth, pixelHeight] = image.pixelSize();
  if (pixelWidth < 1 || pixelHeight < 1) {
    return nullptr;
  }
  std::optional<pf::Surface> surface = pf::Surface::bitmap(pixelWidth, pixelHeight);
  if (!surface) {
    return nullptr;
  }
  {
    pf::DrawingContext context(*surface);
    // Images draw y-up inside their box; flipping keeps the tint's rows in the image's own
    // order (top row first), so that it draws exactly where the untinted pixels would.
    context.translate(0, pixelHeight);
    context.scale(1, -1);
    const pf::Rect whole(0, 0, pixelWidth, pixelHeight);
    context.setFillColor(0, 0, 0, 1);
    context.fillRect(whole);
    // The image replaces the black, alpha included...
    context.setBlendMode(pf::BlendMode::Copy);
    image.draw(context, whole, 1.0);
    // ...every colour is multiplied by the tint...
    context.setBlendMode(pf::BlendMode::Multiply);
    context.setFillColor(tint.red(), tint.green(), tint.blue(), 1.0);
    context.fillRect(whole);
    // ...and the image's own alpha is put back.
    context.setBlendMode(pf::BlendMode::DestinationIn);
    image.draw(context, whole, 1.0);
  }
  const pf::Bitmap* pixels = surface->bitmap();
  if (pixels == nullptr) {
    return nullptr;
  }
  auto tinted = std::make_shared<const pf::Bitmap>(*pixels);
  const std::lock_guard lock(tintMutex_);
  tintCache_ = TintCache{tinted, name, tint};
  return tinted;
}

void MVElementImage::render(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = elementdrawing::renderingContextFor(*this, renderer);
  if (context == nullptr) {
    return;
  }
  try {
    const pf::DrawingContext::StateGuard guard(*context);
    if (!elementdrawing::concatElementTransform(*context, stackTransform().matrix, renderer)) {
      return;
    }
    if (!isVisible(&renderer)) {
      return;
    }
    const pf::Rect box(-width() / 2, -height() / 2, width(), height());
    const std::shared_ptr<const pf::Image> image = lookUpImage();
    if (!image) {
      FeedbackManager::log("WARNING, %@ render could not find image for imageName: %@", description(),
                           imageName_.value_or("(null)"));
    } else if (const pf::PdfDocument* document = image->vectorDocument()) {
      // Vector artwork is never tinted and always composites normally.
      context->setBlendMode(pf::BlendMode::Normal);
      context->drawPdfPage(*document, image->vectorPageIndex(), box, fillOpacity());
    } else if (const pf::Bitmap* bitmap = image->bitmap()) {
      std::shared_ptr<const pf::Bitmap> tinted;
      if (fillColor()) {
        tinted = tintedBitmapOf(*image);
      }
      const pf::Bitmap* pixels = fillColor() ? tinted.get() : bitmap;
      if (pixels != nullptr) {
        elementdrawing::setContextBlendMode(*context, blendMode());
        context->setAlpha(fillOpacity());
        context->drawBitmap(*pixels, box, 1.0);
      }
    } else {
      FeedbackManager::log("WARNING, %@ render could not vector or bitmap representation of image: %@", description(),
                           imageDescription(*image));
    }
    if (strokeWidth() != 0 && strokeOpacity() != 0) {
      // The frame: in device space at the rendering scale (without the backing factor a path's
      // stroke has), with the element's blend mode, and no cap or join of its own.
      elementdrawing::setContextBlendMode(*context, blendMode());
      context->setAlpha(1);
      context->beginPath();
      context->addRect(box);
      elementdrawing::strokeCurrentPathInDeviceSpace(*context, strokeColor(), strokeOpacity(),
                                                     strokeWidth() * renderer.renderingScale(), -1, -1);
    }
  } catch (const std::exception& exception) {
    FeedbackManager::log("ERROR caught exception trying to render MVElement:%@, Exception:%@", description(),
                         exception.what());
  }
  renderer.elementRendered();
}

void MVElementImage::releaseResources()
{
  {
    const std::lock_guard lock(tintMutex_);
    tintCache_.reset();
  }
  MVElement::releaseResources();
}

void MVElementImage::addSharedGraphicObjectNames(std::vector<std::string>& names) const
{
  if (imageName_ && std::find(names.begin(), names.end(), *imageName_) == names.end()) {
    names.push_back(*imageName_);
  }
}

std::string MVElementImage::svgSymbolNameForImageName(const std::string& name)
{
  std::string result = name;
  for (const char removed : {'\'', '"', '>', '<', ',', '#'}) {
    std::erase(result, removed);
  }
  // One pass over the text: removing an occurrence does not make a new one count.
  constexpr std::string_view kImageSuffix = "[NSImage]";
  std::string kept;
  std::size_t start = 0;
  for (std::size_t found = result.find(kImageSuffix); found != std::string::npos;
       found = result.find(kImageSuffix, start)) {
    kept.append(result, start, found - start);
    start = found + kImageSuffix.size();
  }
  kept.append(result, start);
  return kept;
}

std::string MVElementImage::svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const
{
  const pf::AffineTransform m = transform.concatenated(stackTransform().matrix);
  if (!isVisible() || !m.isFiniteAndInvertible()) {
    return {};  // drawing skips an unusable transform too
  }
  const auto n = MVSvgWriter::number;
  // The y flip acts first, so that the symbol (y-down, as SVG draws) stands y-up in the box the
  // way drawing puts images; the translation centres it on the element's origin.
  const std::string placement = "matrix(" + n(m.a) + "," + n(m.b) + "," + n(-m.c) + "," + n(-m.d) + "," + n(m.tx) +
                                "," + n(m.ty) + ") translate(" + n(-width() / 2) + "," + n(-height() / 2) + ")";
  const std::string name = writer.uniqueID(elementNameText());
  const std::string size = "width=\"" + n(width()) + "\" height=\"" + n(height()) + "\"";
  const std::string opacity = fillOpacity() >= 1 ? "" : " opacity=\"" + n(fillOpacity()) + "\"";
  std::string text = "<use xlink:href=\"#" + MVSvgWriter::escaped(svgSymbolNameForImageName(imageName_.value_or(""))) +
                     "\" id=\"" + name + "\" " + size + opacity + "  transform=\"" + placement + "\" />\n";
  const std::string stroke = writer.strokeAttributes(*this);
  if (!stroke.empty()) {
    text += "<rect id=\"" + writer.uniqueID(elementNameText() + " stroke") + "\" " + size + stroke + "  fill=\"none\" transform=\"" + placement +
            " \"></rect>\n";
  }
  return text;
}
