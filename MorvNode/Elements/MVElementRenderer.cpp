#include "MorvNode/Elements/MVElementRenderer.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>

#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElementRendererDelegate.h"
#include "Platform/DrawingContext.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kSubPixelClipsKey = "Clipping rendering sub-pixel overlaps";
constexpr const char* kAlwaysClipKey = "Copy always include clipping rect";

// The desktop's usual text-selection blue, its saturation raised by 1.3 so that outlines stand
// out on light artwork.
pf::Color defaultSelectionOutlineColor()
{
  const pf::Color::Hsb base = pf::Color::rgb(0.70, 0.84, 1.0).hsb();
  return pf::Color::hsb(base.hue, base.saturation * 1.3, base.brightness, 1.0);
}

// What the elements of one pass see: its context, its scales (the fit included), its abort
// flag, and its counts. One per pass, so that a bitmap pass and a selection pass of the same
// renderer never share a context.
class PassRenderer final : public ElementRenderer {
public:
  PassRenderer(pf::DrawingContext* context, double renderingScale, double strokeRenderingScale, bool enlargesClips,
               const std::atomic<bool>& abort, std::atomic<long long>& rendered, std::string description)
      : context_(context), renderingScale_(renderingScale), strokeRenderingScale_(strokeRenderingScale),
        enlargesClips_(enlargesClips), abort_(abort), rendered_(rendered), description_(std::move(description))
  {
  }

  double renderingScale() const override { return renderingScale_; }
  double strokeRenderingScale() const override { return strokeRenderingScale_; }
  bool renderingAborted() const override { return abort_.load(std::memory_order_relaxed); }
  bool elementShouldRender() const override { return !abort_.load(std::memory_order_relaxed); }
  void elementRendered() override { rendered_.fetch_add(1, std::memory_order_relaxed); }
  pf::DrawingContext* renderingContext() override { return context_; }
  void elementSkipped() override { ++skipped_; }
  bool enlargesClips() const override { return enlargesClips_; }
  std::string description() const override { return description_; }

  long long skipped() const { return skipped_; }

private:
  pf::DrawingContext* context_;  // the pass's context; outlives the pass
  double renderingScale_;
  double strokeRenderingScale_;
  bool enlargesClips_;
  const std::atomic<bool>& abort_;
  std::atomic<long long>& rendered_;
  std::string description_;
  long long skipped_ = 0;
};

// Clears a busy flag when a pass leaves by an exception; the normal end clears it itself, under
// the flags lock, and dismisses the guard.
class BusyGuard {
public:
  explicit BusyGuard(std::atomic<bool>& busy) : busy_(&busy) {}
  ~BusyGuard()
  {
    if (busy_ != nullptr) {
      busy_->store(false);
    }
  }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
  void dismiss() { busy_ = nullptr; }

private:
  std::atomic<bool>* busy_;
};

}  // namespace

struct MVElementRenderer::Settings {
  std::shared_ptr<const MVElement> inputRenderingElement;
  std::optional<pf::Color> backgroundColor;
  bool drawBackgroundFlag = false;
  double backgroundOpacity = 0.0;
  std::optional<pf::Color> selectionOutlineColor;
  bool artboardSelected = false;
  MVNodeIDSet selectedNodeIDs;
  double renderingSizeWidth = 0.0;
  double renderingSizeHeight = 0.0;
  double retinaScaling = 1.0;
  double displayScale = 1.0;
  bool scaleElementsDownToFit = false;
  bool exportMode = false;
  pf::DrawingContext* exportContext = nullptr;  // not owned
  std::string renderingThreadName = "Untitled";
  // Preferences read when the snapshot is taken.
  bool enlargesClips = false;
  bool alwaysClipToArtboard = false;
};

// Shared with the reports queued on the run loop; cleared when the renderer goes.
struct MVElementRenderer::Token {
  MVElementRenderer* renderer = nullptr;  // main thread only
};

MVElementRenderer::MVElementRenderer() : settings_(std::make_unique<Settings>()), token_(std::make_shared<Token>())
{
  token_->renderer = this;
}

MVElementRenderer::~MVElementRenderer()
{
  token_->renderer = nullptr;
}

// ---- Settings

#define MV_RENDERER_SETTING(Type, getter, setter, field)        \
  Type MVElementRenderer::getter() const                        \
  {                                                             \
    const std::lock_guard lock(settingsMutex_);                 \
    return settings_->field;                                    \
  }                                                             \
  void MVElementRenderer::setter(Type value)                    \
  {                                                             \
    const std::lock_guard lock(settingsMutex_);                 \
    settings_->field = std::move(value);                        \
  }

MV_RENDERER_SETTING(std::shared_ptr<const MVElement>, inputRenderingElement, setInputRenderingElement,
                    inputRenderingElement)
MV_RENDERER_SETTING(std::optional<pf::Color>, backgroundColor, setBackgroundColor, backgroundColor)
MV_RENDERER_SETTING(bool, drawBackgroundFlag, setDrawBackgroundFlag, drawBackgroundFlag)
MV_RENDERER_SETTING(double, backgroundOpacity, setBackgroundOpacity, backgroundOpacity)
MV_RENDERER_SETTING(std::optional<pf::Color>, selectionOutlineColor, setSelectionOutlineColor, selectionOutlineColor)
MV_RENDERER_SETTING(bool, artboardSelected, setArtboardSelected, artboardSelected)
MV_RENDERER_SETTING(MVNodeIDSet, selectedNodeIDs, setSelectedNodeIDs, selectedNodeIDs)
MV_RENDERER_SETTING(double, retinaScaling, setRetinaScaling, retinaScaling)
MV_RENDERER_SETTING(double, displayScale, setDisplayScale, displayScale)
MV_RENDERER_SETTING(bool, scaleElementsDownToFit, setScaleElementsDownToFit, scaleElementsDownToFit)
MV_RENDERER_SETTING(bool, exportMode, setExportMode, exportMode)
MV_RENDERER_SETTING(pf::DrawingContext*, exportContext, setExportContext, exportContext)
MV_RENDERER_SETTING(std::string, renderingThreadName, setRenderingThreadName, renderingThreadName)

#undef MV_RENDERER_SETTING

double MVElementRenderer::renderingSizeWidth() const
{
  const std::lock_guard lock(settingsMutex_);
  return settings_->renderingSizeWidth;
}

double MVElementRenderer::renderingSizeHeight() const
{
  const std::lock_guard lock(settingsMutex_);
  return settings_->renderingSizeHeight;
}

void MVElementRenderer::setRenderingSize(double width, double height)
{
  const std::lock_guard lock(settingsMutex_);
  settings_->renderingSizeWidth = width;
  settings_->renderingSizeHeight = height;
}

MVElementRendererDelegate* MVElementRenderer::delegate() const
{
  return delegate_.load();
}

void MVElementRenderer::setDelegate(MVElementRendererDelegate* delegate)
{
  delegate_.store(delegate);
}

double MVElementRenderer::renderingScale() const
{
  return displayScale();
}

double MVElementRenderer::strokeRenderingScale() const
{
  const std::lock_guard lock(settingsMutex_);
  return settings_->displayScale * settings_->retinaScaling;
}

std::string MVElementRenderer::description() const
{
  return pf::format("<MVElementRenderer '%@'>", renderingThreadName());
}

MVElementRenderer::Settings MVElementRenderer::snapshot() const
{
  Settings settings;
  {
    const std::lock_guard lock(settingsMutex_);
    settings = *settings_;
  }
  const pf::UserDefaults& defaults = pf::UserDefaults::standard();
  settings.enlargesClips = defaults.boolForKey(kSubPixelClipsKey);
  settings.alwaysClipToArtboard = defaults.boolForKey(kAlwaysClipKey);
  return settings;
}

// ---- Results

std::shared_ptr<const pf::Bitmap> MVElementRenderer::outputBitmap() const
{
  const std::lock_guard lock(resultsMutex_);
  return output_;
}

std::optional<pf::Image> MVElementRenderer::outputImage() const
{
  const std::shared_ptr<const pf::Bitmap> bitmap = outputBitmap();
  if (!bitmap) {
    return std::nullopt;
  }
  std::vector<pf::Image::Representation> representations;
  representations.emplace_back(pf::Image::BitmapRepresentation{bitmap});
  return pf::Image(pf::Size(bitmap->width(), bitmap->height()), std::move(representations));
}

double MVElementRenderer::renderStartTime() const
{
  const std::lock_guard lock(resultsMutex_);
  return renderStartTime_;
}

double MVElementRenderer::renderEndTime() const
{
  const std::lock_guard lock(resultsMutex_);
  return renderEndTime_;
}

double MVElementRenderer::renderTime() const
{
  const std::lock_guard lock(resultsMutex_);
  return renderTime_;
}

double MVElementRenderer::elementFitScale() const
{
  const std::lock_guard lock(resultsMutex_);
  return fit_.scale;
}

double MVElementRenderer::elementFitOffsetX() const
{
  const std::lock_guard lock(resultsMutex_);
  return fit_.offsetX;
}

double MVElementRenderer::elementFitOffsetY() const
{
  const std::lock_guard lock(resultsMutex_);
  return fit_.offsetY;
}

void MVElementRenderer::setStartTime(double start)
{
  const std::lock_guard lock(resultsMutex_);
  renderStartTime_ = start;
}

void MVElementRenderer::setEndTime(double end)
{
  const std::lock_guard lock(resultsMutex_);
  renderEndTime_ = end;
  renderTime_ = end - renderStartTime_;
}

std::pair<long, long> MVElementRenderer::pixelSize(double width, double height, double displayScale, double retinaScaling)
{
  return {pf::roundedSaturatingCast<long>(width * displayScale * retinaScaling),
          pf::roundedSaturatingCast<long>(height * displayScale * retinaScaling)};
}

double MVElementRenderer::renderClock()
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- Passes

void MVElementRenderer::startRendering()
{
  {
    const std::lock_guard lock(flagsMutex_);
    if (busy_.load()) {
      abort_.store(true);
      restart_.store(true);
      return;
    }
    busy_.store(true);
    abort_.store(false);
    restart_.store(false);
  }
  BusyGuard busy(busy_);
  for (;;) {
    const Settings settings = snapshot();
    if (settings.exportMode) {
      runExportPass(settings, settings.exportContext);
      break;
    }
    std::optional<pf::Bitmap> buffer = runBitmapPass(settings);
    if (endOrRestart(busy_, abort_, restart_)) {
      keepBuffer(PassKind::Bitmap, std::move(buffer));
      continue;
    }
    busy.dismiss();
    finishRendering(std::move(buffer), settings.renderingThreadName);
    return;
  }
}

bool MVElementRenderer::endOrRestart(std::atomic<bool>& busy, std::atomic<bool>& abort, std::atomic<bool>& restart)
{
  // Under the lock a start either sees the pass still busy (and its request is picked up here)
  // or sees it ended (and starts a pass of its own): no request is lost in between.
  const std::lock_guard lock(flagsMutex_);
  if (abort.load() && restart.load()) {
    abort.store(false);
    restart.store(false);
    return true;
  }
  busy.store(false);
  return false;
}

void MVElementRenderer::startRenderingSelection()
{
  {
    const std::lock_guard lock(flagsMutex_);
    if (selectionBusy_.load()) {
      selectionAbort_.store(true);
      selectionRestart_.store(true);
      return;
    }
    selectionBusy_.store(true);
    selectionAbort_.store(false);
    selectionRestart_.store(false);
  }
  BusyGuard busy(selectionBusy_);
  for (;;) {
    const Settings settings = snapshot();
    std::optional<pf::Bitmap> buffer = runSelectionPass(settings);
    if (endOrRestart(selectionBusy_, selectionAbort_, selectionRestart_)) {
      keepBuffer(PassKind::Selection, std::move(buffer));
      continue;
    }
    busy.dismiss();
    finishRendering(std::move(buffer), settings.renderingThreadName);
    return;
  }
}

std::optional<std::vector<std::uint8_t>> MVElementRenderer::renderDocument(pf::Surface::Kind kind)
{
  Settings settings = snapshot();
  const pf::Size page(settings.renderingSizeWidth * settings.displayScale,
                      settings.renderingSizeHeight * settings.displayScale);
  std::optional<pf::Surface> surface;
  switch (kind) {
  case pf::Surface::Kind::Pdf:
    surface = pf::Surface::pdf(page);
    break;
  case pf::Surface::Kind::Eps:
    surface = pf::Surface::eps(page);
    break;
  case pf::Surface::Kind::Bitmap:
  case pf::Surface::Kind::Recording:
    FeedbackManager::log("Error, render '%@' renderDocument needs a PDF or EPS target", settings.renderingThreadName);
    return std::nullopt;
  }
  if (!surface) {
    return std::nullopt;
  }
  {
    const std::lock_guard lock(flagsMutex_);
    if (busy_.load()) {
      FeedbackManager::log("Error, render '%@' renderDocument while a pass is running", settings.renderingThreadName);
      return std::nullopt;
    }
    busy_.store(true);
    abort_.store(false);
    restart_.store(false);
  }
  {
    BusyGuard busy(busy_);
    pf::DrawingContext context(*surface);
    runExportPass(settings, &context);
  }
  if (!surface->finish()) {
    return std::nullopt;
  }
  return surface->takeData();
}

std::optional<pf::Bitmap> MVElementRenderer::acquireBuffer(PassKind kind, long pixelWidth, long pixelHeight,
                                                           const Settings& settings)
{
  const auto fits = [&](const pf::Bitmap& bitmap) {
    return bitmap.width() == pixelWidth && bitmap.height() == pixelHeight;
  };
  {
    const std::lock_guard lock(resultsMutex_);
    std::optional<pf::Bitmap>& spare = spareBuffers_[static_cast<int>(kind)];
    if (spare && fits(*spare)) {
      std::optional<pf::Bitmap> buffer = std::move(spare);
      spare.reset();
      return buffer;
    }
    spare.reset();
    // The last published result is reused when no reader holds it any more (the report queued
    // for the delegate holds it until it is delivered).
    if (output_ && output_.use_count() == 1 && fits(*output_)) {
      // use_count() is a relaxed read: the fence orders the last reader's accesses (ended by its
      // releasing decrement of the count) before we take the pixels over.
      std::atomic_thread_fence(std::memory_order_acquire);
      std::optional<pf::Bitmap> buffer = std::move(*output_);
      output_.reset();
      return buffer;
    }
  }
  const bool allowed = pf::Bitmap::isAllowedSize(pixelWidth, pixelHeight);
  std::optional<pf::Bitmap> buffer =
      allowed ? pf::Bitmap::createForOverwrite(static_cast<int>(pixelWidth), static_cast<int>(pixelHeight))
              : std::nullopt;
  if (!buffer) {
    FeedbackManager::log("Error, rendering thread '%@' failed to create NSBitmapImageRep %ld x%ld ",
                         settings.renderingThreadName, pixelWidth, pixelHeight);
  }
  return buffer;
}

void MVElementRenderer::keepBuffer(PassKind kind, std::optional<pf::Bitmap> buffer)
{
  const std::lock_guard lock(resultsMutex_);
  spareBuffers_[static_cast<int>(kind)] = std::move(buffer);
}

std::optional<pf::Bitmap> MVElementRenderer::runBitmapPass(const Settings& settings)
{
  const auto [pixelWidth, pixelHeight] =
      pixelSize(settings.renderingSizeWidth, settings.renderingSizeHeight, settings.displayScale, settings.retinaScaling);
  if (pixelWidth <= 0 || pixelHeight <= 0) {
    FeedbackManager::log("Warning, render '%@' starting with bad size: %ld x %ld ", settings.renderingThreadName,
                         pixelWidth, pixelHeight);
  }
  numberOfRenderedElements_.store(0);
  setStartTime(renderClock());

  std::optional<pf::Bitmap> buffer = acquireBuffer(PassKind::Bitmap, pixelWidth, pixelHeight, settings);
  Fit fit;
  if (settings.scaleElementsDownToFit) {
    fit = calculateScaleDownToFit(settings);
  }
  if (buffer) {
    pf::Surface surface = pf::Surface::onBitmap(std::move(*buffer));
    {
      pf::DrawingContext context(surface);
      renderBackground(context, settings, true);
      if (settings.inputRenderingElement) {
        renderElements(&context, settings, fit, settings.retinaScaling);
      }
    }
    buffer = std::move(surface).takeBitmap();
  } else if (settings.inputRenderingElement) {
    renderElements(nullptr, settings, fit, settings.retinaScaling);
  }
  setEndTime(renderClock());
  return buffer;
}

std::optional<pf::Bitmap> MVElementRenderer::runSelectionPass(const Settings& settings)
{
  const auto [pixelWidth, pixelHeight] =
      pixelSize(settings.renderingSizeWidth, settings.renderingSizeHeight, settings.displayScale, settings.retinaScaling);
  if (pixelWidth <= 0 || pixelHeight <= 0) {
    FeedbackManager::log("Warning, render '%@' starting with bad size: %ld x %ld ", settings.renderingThreadName,
                         pixelWidth, pixelHeight);
  }
  std::optional<pf::Bitmap> buffer = acquireBuffer(PassKind::Selection, pixelWidth, pixelHeight, settings);
  if (buffer) {
    pf::Surface surface = pf::Surface::onBitmap(std::move(*buffer));
    {
      pf::DrawingContext context(surface);
      context.clear();
      std::optional<pf::Color> outline = settings.selectionOutlineColor;
      if (!outline) {
        // Filled in on first use, and kept for the passes that follow.
        const std::lock_guard lock(settingsMutex_);
        if (!settings_->selectionOutlineColor) {
          settings_->selectionOutlineColor = defaultSelectionOutlineColor();
        }
        outline = settings_->selectionOutlineColor;
      }
      context.setStrokeColor(*outline);
      const double retina = settings.retinaScaling;
      const double scale = settings.displayScale * retina;
      if (settings.artboardSelected) {
        context.setLineWidth(3 * retina);
        context.strokeRect({0, 0, settings.renderingSizeWidth * scale, settings.renderingSizeHeight * scale});
      }
      // Outlines are stroked in device space: 1.5 device pixels per view point at any zoom.
      context.setLineWidth(1.5 * retina);
      context.setMiterLimit(1.5 * retina);
      context.setLineJoin(pf::LineJoin::Round);
      if (settings.inputRenderingElement) {
        const pf::DrawingContext::StateGuard guard(context);
        if (context.scale(scale, scale)) {
          std::atomic<long long> unused = 0;
          PassRenderer pass(&context, settings.displayScale, scale, false, selectionAbort_, unused, description());
          settings.inputRenderingElement->renderSelection(pass, settings.selectedNodeIDs);
        }
      }
    }
    buffer = std::move(surface).takeBitmap();
  }
  return buffer;
}

void MVElementRenderer::runExportPass(const Settings& settings, pf::DrawingContext* context)
{
  if (context == nullptr) {
    FeedbackManager::log("rendering in export mode, no printOperation!");
    FeedbackManager::log("ERROR, could not get a graphics context, aborting redering!");
    return;
  }
  numberOfRenderedElements_.store(0);
  setStartTime(renderClock());
  Fit fit;
  if (settings.scaleElementsDownToFit) {
    fit = calculateScaleDownToFit(settings);
  }
  {
    const pf::DrawingContext::StateGuard guard(*context);
    const pf::Rect artboard(0, 0, settings.renderingSizeWidth, settings.renderingSizeHeight);
    if (settings.inputRenderingElement) {
      const std::optional<pf::Rect> box = settings.inputRenderingElement->transformedBoundingBoxNested();
      if (settings.alwaysClipToArtboard || !box || !artboard.contains(*box)) {
        context->clipToRect({0, 0, settings.renderingSizeWidth * settings.displayScale,
                             settings.renderingSizeHeight * settings.displayScale});
      }
    }
    renderBackground(*context, settings, false);
    if (settings.inputRenderingElement) {
      renderElements(context, settings, fit, 1.0);
    }
  }
  setEndTime(renderClock());
}

void MVElementRenderer::finishRendering(std::optional<pf::Bitmap> buffer, const std::string& name)
{
  std::shared_ptr<const pf::Bitmap> published;
  {
    const std::lock_guard lock(resultsMutex_);
    output_ = buffer ? std::make_shared<pf::Bitmap>(std::move(*buffer)) : nullptr;
    published = output_;
  }
  if (pf::RunLoop::isMainThread()) {
    // A synchronous pass: the caller reads the results right after the call.
    return;
  }
  if (delegate_.load() == nullptr) {
    FeedbackManager::log("Error, renderThread '%@' finished with no delegate to report back to", name);
    return;
  }
  // The report holds the published bitmap until it is delivered, so that the next pass cannot
  // reuse the buffer before the delegate has seen it.
  pf::RunLoop::postToMain([token = token_, published = std::move(published)] {
    (void)published;
    MVElementRenderer* renderer = token->renderer;
    if (renderer == nullptr) {
      return;
    }
    if (MVElementRendererDelegate* delegate = renderer->delegate_.load()) {
      delegate->renderThreadFinished(*renderer);
    }
  });
}

MVElementRenderer::Fit MVElementRenderer::calculateScaleDownToFit(const Settings& settings)
{
  Fit fit;
  if (!settings.inputRenderingElement) {
    return fit;
  }
  const std::optional<pf::Rect> box = settings.inputRenderingElement->transformedBoundingBoxNested();
  if (!box || !box->isFinite()) {
    return fit;
  }
  // A margin of 2 units on each side; trees are shrunk, never enlarged.
  const double areaWidth = std::ceil(settings.renderingSizeWidth) - 4;
  const double areaHeight = std::ceil(settings.renderingSizeHeight) - 4;
  const double boxWidth = box->width();
  const double boxHeight = box->height();
  if (areaWidth > 0 && areaHeight > 0 && (areaWidth < boxWidth || areaHeight < boxHeight)) {
    const double scaleX = boxWidth > 0 ? areaWidth / boxWidth : HUGE_VAL;
    const double scaleY = boxHeight > 0 ? areaHeight / boxHeight : HUGE_VAL;
    fit.scale = std::min(scaleX, scaleY);
  }
  fit.offsetX = (settings.renderingSizeWidth / fit.scale) / 2 - (box->minX() + boxWidth / 2);
  fit.offsetY = (settings.renderingSizeHeight / fit.scale) / 2 - (box->minY() + boxHeight / 2);
  const std::lock_guard lock(resultsMutex_);
  fit_ = fit;
  return fit;
}

void MVElementRenderer::renderBackground(pf::DrawingContext& context, const Settings& settings, bool bitmapMode) const
{
  const double scale = settings.displayScale * (bitmapMode ? settings.retinaScaling : 1.0);
  const pf::Rect area = bitmapMode ? pf::Rect(0, 0, std::ceil(settings.renderingSizeWidth * scale),
                                              std::ceil(settings.renderingSizeHeight * scale))
                                   : pf::Rect(0, 0, settings.renderingSizeWidth * scale,
                                              settings.renderingSizeHeight * scale);
  const bool drawn = settings.backgroundColor && settings.backgroundColor->alpha() > 0 && settings.drawBackgroundFlag &&
                     settings.backgroundOpacity > 0;
  if (drawn) {
    const pf::Color& colour = *settings.backgroundColor;
    const pf::DrawingContext::StateGuard guard(context);
    // On a bitmap the background replaces whatever the reused buffer held.
    if (bitmapMode) {
      context.setBlendMode(pf::BlendMode::Copy);
    }
    context.setFillColor(colour.red(), colour.green(), colour.blue(), settings.backgroundOpacity);
    context.fillRect(area);
  } else if (bitmapMode) {
    context.clear();
  }
}

void MVElementRenderer::renderElements(pf::DrawingContext* context, const Settings& settings, const Fit& fit,
                                       double retina)
{
  if (context == nullptr) {
    FeedbackManager::log("renderThread '%@' renderElements, without valid cgContext", settings.renderingThreadName);
    abort_.store(true);
    return;
  }
  const double scale = settings.displayScale * fit.scale;
  PassRenderer pass(context, scale, scale * retina, settings.enlargesClips, abort_, numberOfRenderedElements_,
                    pf::format("<MVElementRenderer '%@'>", settings.renderingThreadName));
  {
    const pf::DrawingContext::StateGuard guard(*context);
    // Element space is y-down like the target: scale only, then the fit's centring offset.
    pf::AffineTransform transform = context->transform();
    transform.scale(scale * retina, scale * retina);
    if (settings.scaleElementsDownToFit) {
      transform.translate(fit.offsetX, fit.offsetY);
    }
    if (!transform.isFiniteAndInvertible()) {
      FeedbackManager::log("Error, render '%@' with unusable scale %g", settings.renderingThreadName, scale * retina);
      return;
    }
    context->setTransform(transform);
    try {
      settings.inputRenderingElement->render(pass);
    } catch (const std::exception& exception) {
      FeedbackManager::log("ERROR caught exception trying to render MVElement:%@, Exception:%@",
                           settings.inputRenderingElement->description(), exception.what());
    }
  }
  if (pass.skipped() > 0) {
    FeedbackManager::log("Warning, render '%@' skipped %ld elements whose transform is not finite and invertible",
                         settings.renderingThreadName, pass.skipped());
  }
}
