#include "MorvNode/Elements/MVElementRenderer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <thread>
#include <typeinfo>
#include <vector>

#include "MorvNode/Elements/ElementDrawing.h"
#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRendererDelegate.h"
#include "Platform/DrawingContext.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"
#include "Platform/WorkQueue.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kSubPixelClipsKey = "Clipping rendering sub-pixel overlaps";
constexpr const char* kAlwaysClipKey = "Copy always include clipping rect";
// Bitmap passes draw in at most this many bands at once, each at least kMinimumBandRows high
// (below that a thread costs more than it saves; beyond six bands, waking the threads and
// walking the tree once per band cost more than they save).
constexpr int kMaximumBands = 6;
constexpr long kMinimumBandRows = 64;
// How long a pass's thread watches for the other bands to end before it blocks.
constexpr std::chrono::microseconds kBandWatch{300};
// Balanced bands keep at least this many rows.
constexpr int kMinimumBalancedRows = 16;
// A band drawing for partial images reads the clock at every this many element boundaries.
constexpr int kBoundariesPerClockRead = 16;
// The threads of a pass in bands find out which bands each leaf reaches in runs of this many.
constexpr std::size_t kItemsPerPlacement = 2048;

// The desktop's usual text-selection blue, its saturation raised by 1.3 so that outlines stand
// out on light artwork.
pf::Color defaultSelectionOutlineColor()
{
  const pf::Color::Hsb base = pf::Color::rgb(0.70, 0.84, 1.0).hsb();
  return pf::Color::hsb(base.hue, base.saturation * 1.3, base.brightness, 1.0);
}

// Told at the element boundaries of one band of a pass (where partial images are taken).
class BandBoundaryListener {
public:
  virtual void elementBoundary(int band) = 0;

protected:
  ~BandBoundaryListener() = default;
};

// What the elements of one pass (or one band of it) see: its context, its scales (the fit
// included), its abort flag, its counts and, for a band, its drawing area. One per pass and
// band, so that passes and bands never share a context.
class PassRenderer final : public ElementRenderer {
public:
  PassRenderer(pf::DrawingContext* context, double renderingScale, double strokeRenderingScale, bool enlargesClips,
               const std::atomic<bool>& abort, std::atomic<long long>& rendered, std::string description)
      : context_(context), renderingScale_(renderingScale), strokeRenderingScale_(strokeRenderingScale),
        enlargesClips_(enlargesClips), abort_(abort), rendered_(rendered), description_(std::move(description))
  {
  }

  // A bitmap pass or one band of it: the band's area and the bitmap's (device space), whether
  // this band keeps the pass's count of drawn leaves, and who hears of its element boundaries
  // (may be nullptr).
  void setBand(const pf::Rect* area, const pf::Rect* bitmapArea, bool counts, BandBoundaryListener* listener,
               int band)
  {
    area_ = area;
    bitmapArea_ = bitmapArea;
    counts_ = counts;
    listener_ = listener;
    band_ = band;
  }

  double renderingScale() const override { return renderingScale_; }
  double strokeRenderingScale() const override { return strokeRenderingScale_; }
  bool renderingAborted() const override
  {
    if (listener_ != nullptr) {
      listener_->elementBoundary(band_);
    }
    return abort_.load(std::memory_order_relaxed);
  }
  bool elementShouldRender() const override { return !abort_.load(std::memory_order_relaxed); }
  void elementRendered() override { count(); }
  // Counts leaves that this band's drawing never met but would have counted (see
  // elementOutsideDrawingArea).
  void countLeavesOutside(long long leaves)
  {
    if (counts_ && leaves > 0) {
      uncounted_ += leaves;
      publishCount();
    }
  }
  // Left out here: counted as drawn (when visible) by the band that keeps the count if another
  // band draws it, that is if it reaches into the bitmap.
  void elementOutsideDrawingArea(const MVElement& element, const pf::Rect& deviceBox) override
  {
    if (counts_ && bitmapArea_ != nullptr && deviceBox.intersects(*bitmapArea_) && element.isVisible(this)) {
      count();
    }
  }
  pf::DrawingContext* renderingContext() override { return context_; }
  void elementSkipped() override { ++skipped_; }
  bool enlargesClips() const override { return enlargesClips_; }
  // Every pass reads its pixels after its context is done, and a band flushes the context
  // before it hands rows to a partial image.
  bool batchesFills() const override { return true; }
  const pf::Rect* drawingArea() const override { return area_; }
  std::string description() const override { return description_; }

  long long skipped() const { return skipped_; }
  // Adds the leaves counted since the last call to the pass's count.
  void publishCount()
  {
    if (uncounted_ > 0) {
      rendered_.fetch_add(uncounted_, std::memory_order_relaxed);
      uncounted_ = 0;
    }
  }

private:
  // The shared count is written in steps: a write per leaf would keep the cache line that the
  // other bands read the abort flag from bouncing between cores.
  void count()
  {
    if (counts_ && ++uncounted_ >= kCountStep) {
      publishCount();
    }
  }
  static constexpr long long kCountStep = 256;

  pf::DrawingContext* context_;  // the pass's context; outlives the pass
  double renderingScale_;
  double strokeRenderingScale_;
  bool enlargesClips_;
  const std::atomic<bool>& abort_;
  std::atomic<long long>& rendered_;
  std::string description_;
  long long skipped_ = 0;
  long long uncounted_ = 0;
  const pf::Rect* area_ = nullptr;        // the band's, outlives the renderer
  const pf::Rect* bitmapArea_ = nullptr;  // the same
  bool counts_ = true;
  BandBoundaryListener* listener_ = nullptr;  // outlives the renderer
  int band_ = 0;
};

// The transformation of a pass from element space to the target's: element space is y-down like
// the target, so a scale to device pixels, then the fit's centring offset.
pf::AffineTransform elementsTransform(pf::AffineTransform base, double deviceScale, bool fitted, double offsetX,
                                      double offsetY)
{
  base.scale(deviceScale, deviceScale);
  if (fitted) {
    base.translate(offsetX, offsetY);
  }
  return base;
}

// The threads that draw the further bands of bitmap passes, shared by every renderer. A pass's
// own thread draws bands too, so a busy queue only slows a pass down, never stops it.
pf::WorkQueue& bandQueue()
{
  static const std::unique_ptr<pf::WorkQueue> queue =
      pf::WorkQueue::concurrent("com.oradel.MorvalisRenderBands", kMaximumBands - 1);
  return *queue;
}

int defaultBandCount()
{
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaximumBands);
}

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
  double partialImageInterval = 0.0;
  int maximumBandCount = defaultBandCount();
  // Preferences read when the snapshot is taken.
  bool enlargesClips = false;
  bool alwaysClipToArtboard = false;
};

// Shared with the reports queued on the run loop; cleared when the renderer goes.
struct MVElementRenderer::Token {
  MVElementRenderer* renderer = nullptr;  // main thread only
};

// One bitmap pass drawn in horizontal bands, each on a surface and a context of its own over the
// same bitmap. The pass's thread and the shared band threads take bands in turn until none is
// left, so the pass never waits for a band that no thread has started.
//
// Partial images (with an interval): once `interval` seconds have passed since the pass started
// or since the last image was asked for, a band asks for one. Every band that is drawing then
// copies its rows as drawn so far into the new bitmap at its next element boundary, or when it
// ends; only a band's own thread writes its rows, so the copy races with nothing. The asking
// thread copies the bands already done and gives the bands not yet started their background.
// Whoever completes the image publishes it. One image is assembled at a time.
struct MVElementRenderer::BandedPass final : BandBoundaryListener {
  // One cache line each: bands are written by different threads.
  struct alignas(64) Band {
    int firstRow = 0;
    int rowCount = 0;
    pf::Rect area;  // device space
    enum class State { Waiting, Drawing, Done } state = State::Waiting;  // guarded by mutex_
    // The last partial image asked for that has this band's rows: guarded by mutex_, and read
    // without it by the band's drawing thread (no other thread writes it while the band draws).
    std::uint64_t copied = 0;
    pf::Surface* surface = nullptr;         // the drawing thread's, while it draws
    pf::DrawingContext* context = nullptr;  // the same
    int boundaries = 0;                     // the drawing thread's
    double seconds = 0;                     // the time it took to draw; written by its thread before Done
  };

  // `firstRows`: ascending, the first 0, each below the bitmap's height.
  BandedPass(MVElementRenderer& owner, const Settings& passSettings, const Fit& passFit, pf::Bitmap& target,
             const std::vector<int>& firstRows, std::uint64_t passSerial, double partialInterval)
      : renderer(owner), settings(passSettings), fit(passFit), bitmap(target), serial(passSerial),
        interval(partialInterval), bitmapArea_(0, 0, target.width(), target.height()), lastRequest_(renderClock())
  {
    for (std::size_t index = 0; index < firstRows.size(); ++index) {
      Band& band = bands.emplace_back();
      band.firstRow = firstRows[index];
      const int end = index + 1 < firstRows.size() ? firstRows[index + 1] : bitmap.height();
      band.rowCount = end - band.firstRow;
      band.area = pf::Rect(0, band.firstRow, bitmap.width(), band.rowCount);
    }
  }

  // Takes bands and draws them until none is left: run by the pass's thread and by band jobs,
  // which may start after the pass has ended (they then find no band and touch nothing else).
  // With an index, the threads first find out together which bands its items reach.
  static void drawBands(const std::shared_ptr<BandedPass>& pass)
  {
    pass->placeItems();
    std::size_t index = 0;
    while (pass->takeBand(index)) {
      try {
        pass->drawBand(index);
      } catch (const std::exception& exception) {
        FeedbackManager::log("ERROR caught exception trying to render band %ld of '%@': %@", static_cast<long>(index),
                             pass->settings.renderingThreadName, exception.what());
      }
      pass->bandDone(index);
    }
  }

  void waitForBands()
  {
    // The other bands usually end within a fraction of a millisecond of this thread's last one:
    // watching for that a little while saves the wake-up of a blocked thread at the end of
    // every pass.
    const auto watchUntil = std::chrono::steady_clock::now() + kBandWatch;
    while (done_.load(std::memory_order_acquire) != bands.size() && std::chrono::steady_clock::now() < watchUntil) {
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    std::unique_lock lock(mutex_);
    allDone_.wait(lock, [this] { return done_.load(std::memory_order_relaxed) == bands.size(); });
  }

  void elementBoundary(int index) override
  {
    Band& band = bands[static_cast<std::size_t>(index)];
    const std::uint64_t request = request_.load(std::memory_order_acquire);
    if (request != band.copied) {
      contribute(band, request);
      return;
    }
    if (++band.boundaries % kBoundariesPerClockRead == 0 &&
        renderClock() - lastRequest_.load(std::memory_order_relaxed) >= interval) {
      requestPartialImage();
      const std::uint64_t asked = request_.load(std::memory_order_acquire);
      if (asked != band.copied) {
        contribute(band, asked);
      }
    }
  }

  // The whole bitmap (device space).
  const pf::Rect& bitmapArea() const { return bitmapArea_; }

  // Lists the tree for the bands before they start, so that each band visits only what reaches
  // into it instead of walking the whole tree. `transform` is the pass's transformation of the
  // root (what renderElements sets); `strokeScale` its strokeRenderingScale. The list holds the
  // tree's leaves in drawing order, each with the transformation of its enclosing groups; a group
  // with a clip, or one that drawing would skip, stays one item drawn whole, as does any element
  // other than a path or a plain group.
  void indexTree(const MVElement& root, const pf::AffineTransform& transform, double strokeScale)
  {
    strokeScale_ = strokeScale;
    for (const Band& band : bands) {
      bandRows_.emplace_back(band.area.minY(), band.area.maxY());
    }
    transforms_.push_back(transform);
    collect(root, 0);
    reach_.assign(items_.size(), 0);
  }

  bool indexed() const { return !transforms_.empty(); }

  // Draws this band's items in tree order under their groups' transformations (the context holds
  // the root's); stops between items when the pass is aborted.
  void drawItems(PassRenderer& pass, pf::DrawingContext& context, std::size_t band)
  {
    if (band == 0) {
      pass.countLeavesOutside(leavesOutsideFirstBand_.load(std::memory_order_relaxed));
    }
    const auto bit = static_cast<std::uint8_t>(1U << band);
    std::uint32_t current = 0;
    for (std::size_t index = 0; index < items_.size(); ++index) {
      if ((reach_[index] & bit) == 0) {
        continue;
      }
      if (pass.renderingAborted()) {
        break;
      }
      const Item& item = items_[index];
      if (item.transform != current) {
        context.setTransform(transforms_[item.transform]);
        current = item.transform;
      }
      item.element->render(pass);
    }
  }

  MVElementRenderer& renderer;  // valid while a band is drawn: the pass waits for its bands
  const Settings& settings;     // the same
  const Fit fit;
  pf::Bitmap& bitmap;  // the same
  const std::uint64_t serial;
  const double interval;  // 0: no partial images
  std::vector<Band> bands;

private:
  // One entry of the index: a leaf or a group drawn whole, and its enclosing transformation.
  struct Item {
    const MVElement* element;
    std::uint32_t transform;  // into transforms_
  };
  static constexpr std::uint8_t kEveryBand = 0xFF;
  static_assert(kMaximumBands <= 8, "a band is a bit of Item reach");

  // Plain groups are opened (their transformation kept once for all their children); everything
  // else becomes an item.
  void collect(const MVElement& element, std::uint32_t transform)
  {
    if (typeid(element) == typeid(MVElementGroup)) {
      const auto& group = static_cast<const MVElementGroup&>(element);
      if (!group.hasClippingMask()) {
        const pf::AffineTransform own = group.affineTransform();
        std::uint32_t inner = transform;
        if (!own.isIdentity()) {
          const pf::AffineTransform product = transforms_[transform].concatenated(own);
          if (!product.isFiniteAndInvertible()) {
            items_.push_back({&element, transform});  // drawing skips it (and counts it skipped)
            return;
          }
          transforms_.push_back(product);
          inner = static_cast<std::uint32_t>(transforms_.size() - 1);
        }
        for (const std::shared_ptr<const MVElement>& child : group.elementArray()) {
          collect(*child, inner);
        }
        return;
      }
    }
    items_.push_back({&element, transform});
  }

  // The bands whose area `box` (device space) meets, as drawing tests it (elementdrawing::
  // outsideArea: touching edges count). The bands span the bitmap's width, one below the other.
  std::uint8_t bandsMeeting(const pf::Rect& box) const
  {
    if (box.maxX() < bitmapArea_.minX() || box.minX() > bitmapArea_.maxX()) {
      return 0;
    }
    const double top = box.minY();
    const double bottom = box.maxY();
    std::uint8_t bits = 0;
    for (std::size_t index = 0; index < bandRows_.size(); ++index) {
      if (!(bottom < bandRows_[index].first || top > bandRows_[index].second)) {
        bits = static_cast<std::uint8_t>(bits | (1U << index));
      }
    }
    return bits;
  }

  // The bands that drawing `element` under `parents` would draw anything in: those its paths'
  // device boxes meet, or every band where drawing decides as it goes (an element that is not a
  // path or a group, a path without box, a group drawing would skip). `outside` gains the leaves
  // that the first band would count without drawing them (they reach into the bitmap, not into
  // that band, and are visible), as long as none of them reaches that band.
  std::uint8_t reachOf(const MVElement& element, const pf::AffineTransform& parents, long long& outside) const
  {
    if (typeid(element) == typeid(MVElementPath)) {
      const auto& path = static_cast<const MVElementPath&>(element);
      const std::optional<pf::Rect> box = path.deviceBox(parents, strokeScale_);
      if (!box) {
        return kEveryBand;
      }
      const std::uint8_t bits = bandsMeeting(*box);
      if ((bits & 1U) == 0 && box->intersects(bitmapArea_) && path.isVisible()) {
        ++outside;
      }
      return bits;
    }
    if (typeid(element) != typeid(MVElementGroup)) {
      return kEveryBand;
    }
    const auto& group = static_cast<const MVElementGroup&>(element);
    const pf::AffineTransform own = group.affineTransform();
    const pf::AffineTransform product = own.isIdentity() ? parents : parents.concatenated(own);
    if (!product.isFiniteAndInvertible()) {
      return kEveryBand;
    }
    std::uint8_t bits = 0;
    for (const std::shared_ptr<const MVElement>& child : group.elementArray()) {
      bits = static_cast<std::uint8_t>(bits | reachOf(*child, product, outside));
      if (bits == kEveryBand) {
        break;
      }
    }
    return bits;
  }

  // Every thread of the pass takes runs of items until none is left, then waits for the runs
  // still being placed (each by a thread that is running, so the wait ends).
  void placeItems()
  {
    const std::size_t runs = (items_.size() + kItemsPerPlacement - 1) / kItemsPerPlacement;
    for (std::size_t run = nextRun_.fetch_add(1, std::memory_order_relaxed); run < runs;
         run = nextRun_.fetch_add(1, std::memory_order_relaxed)) {
      long long outside = 0;
      const std::size_t end = std::min(items_.size(), (run + 1) * kItemsPerPlacement);
      for (std::size_t index = run * kItemsPerPlacement; index < end; ++index) {
        long long leaves = 0;
        const std::uint8_t bits = reachOf(*items_[index].element, transforms_[items_[index].transform], leaves);
        reach_[index] = bits;
        if ((bits & 1U) == 0) {
          outside += leaves;
        }
      }
      leavesOutsideFirstBand_.fetch_add(outside, std::memory_order_relaxed);
      placedRuns_.fetch_add(1, std::memory_order_acq_rel);
    }
    while (placedRuns_.load(std::memory_order_acquire) < runs) {
      std::this_thread::yield();
    }
  }

  bool takeBand(std::size_t& index)
  {
    const std::lock_guard lock(mutex_);
    if (next_ >= bands.size()) {
      return false;
    }
    index = next_++;
    bands[index].state = Band::State::Drawing;
    return true;
  }

  void drawBand(std::size_t index)
  {
    Band& band = bands[index];
    const double start = renderClock();
    pf::Surface surface = pf::Surface::onBitmapRows(bitmap, band.firstRow, band.rowCount);
    band.surface = &surface;
    {
      pf::DrawingContext context(surface);
      band.context = &context;
      renderer.renderBackground(context, settings, true);
      if (settings.inputRenderingElement) {
        renderer.renderElements(&context, settings, fit, settings.retinaScaling, this, index);
      }
    }
    band.context = nullptr;
    surface.flush();
    band.surface = nullptr;
    band.seconds = renderClock() - start;
  }

  void bandDone(std::size_t index)
  {
    {
      const std::lock_guard lock(mutex_);
      Band& band = bands[index];
      // The band's rows are final: a partial image still waiting for them takes them now,
      // published before the pass can end, so that it reaches the delegate before the pass's
      // own report does.
      const std::uint64_t request = request_.load(std::memory_order_relaxed);
      if (request != band.copied && partial_) {
        copyRows(band, *partial_);
        band.copied = request;
        if (--pendingCopies_ == 0) {
          publish(std::move(partial_));
        }
      }
      band.surface = nullptr;
      band.context = nullptr;
      band.state = Band::State::Done;
      done_.fetch_add(1, std::memory_order_release);
    }
    allDone_.notify_all();
  }

  void requestPartialImage()
  {
    const std::lock_guard lock(mutex_);
    const double now = renderClock();
    // One image at a time, none for a pass being aborted, and another band may have asked.
    if (pendingCopies_ > 0 || renderer.abort_.load() || now - lastRequest_.load(std::memory_order_relaxed) < interval) {
      return;
    }
    lastRequest_.store(now, std::memory_order_relaxed);
    std::optional<pf::Bitmap> image = pf::Bitmap::createForOverwrite(bitmap.width(), bitmap.height());
    if (!image) {
      return;
    }
    partial_ = std::make_shared<pf::Bitmap>(std::move(*image));
    const std::uint64_t request = request_.load(std::memory_order_relaxed) + 1;
    for (Band& band : bands) {
      switch (band.state) {
      case Band::State::Waiting:
        fillBackground(band, *partial_);
        band.copied = request;
        break;
      case Band::State::Done:
        copyRows(band, *partial_);
        band.copied = request;
        break;
      case Band::State::Drawing:
        ++pendingCopies_;
        break;
      }
    }
    request_.store(request, std::memory_order_release);
    if (pendingCopies_ == 0) {
      publish(std::move(partial_));
    }
  }

  // On the band's drawing thread: its rows as drawn so far go into the image of `request`.
  void contribute(Band& band, std::uint64_t request)
  {
    std::shared_ptr<pf::Bitmap> image;
    {
      const std::lock_guard lock(mutex_);
      // No newer image is asked for before this band has given its rows to this one.
      image = partial_;
    }
    if (image) {
      if (band.context != nullptr) {
        band.context->flushFills();
      }
      if (band.surface != nullptr) {
        band.surface->flush();
      }
      copyRows(band, *image);
    }
    const std::lock_guard lock(mutex_);
    band.copied = request;
    if (image && --pendingCopies_ == 0) {
      publish(std::move(partial_));
    }
  }

  void copyRows(const Band& band, pf::Bitmap& target) const
  {
    const std::size_t offset = static_cast<std::size_t>(band.firstRow) * static_cast<std::size_t>(bitmap.width());
    std::copy_n(bitmap.data() + offset, static_cast<std::size_t>(band.rowCount) * static_cast<std::size_t>(bitmap.width()),
                target.data() + offset);
  }

  void fillBackground(const Band& band, pf::Bitmap& target) const
  {
    pf::Surface surface = pf::Surface::onBitmapRows(target, band.firstRow, band.rowCount);
    pf::DrawingContext context(surface);
    renderer.renderBackground(context, settings, true);
  }

  // Hands a complete partial image to the delegate on the main thread; called under mutex_.
  void publish(std::shared_ptr<const pf::Bitmap> image) const
  {
    if (renderer.abort_.load() || renderer.delegate_.load() == nullptr) {
      return;
    }
    pf::RunLoop::postToMain([token = renderer.token_, passSerial = serial, image = std::move(image)] {
      MVElementRenderer* owner = token->renderer;
      if (owner == nullptr) {
        return;
      }
      // Only images of the latest pass while it is not being aborted, and none once that pass
      // has published its complete image (a report delivers the newest output, whichever pass
      // it was sent for).
      if (passSerial != owner->passSerial_.load() || owner->abort_.load()) {
        return;
      }
      {
        const std::lock_guard lock(owner->resultsMutex_);
        if (owner->outputSerial_ >= passSerial) {
          return;
        }
      }
      if (MVElementRendererDelegate* delegate = owner->delegate_.load()) {
        delegate->renderThreadPartialImageReady(*owner, image);
      }
    });
  }

  const pf::Rect bitmapArea_;
  std::mutex mutex_;
  std::condition_variable allDone_;
  std::size_t next_ = 0;                    // guarded by mutex_: the next band to take
  std::atomic<std::size_t> done_ = 0;       // written under mutex_
  std::atomic<std::uint64_t> request_ = 0;  // the last partial image asked for (written under mutex_)
  std::shared_ptr<pf::Bitmap> partial_;     // guarded by mutex_: the image being assembled
  int pendingCopies_ = 0;                   // guarded by mutex_: drawing bands it still waits for
  std::atomic<double> lastRequest_;         // renderClock() of the start or of the last request
  // The index (indexTree), written before the band threads start and read-only after, but for
  // reach_: each run's entries are written by the thread that places it before placedRuns_
  // counts it.
  double strokeScale_ = 1.0;
  std::vector<std::pair<double, double>> bandRows_;  // each band's top and bottom edge
  std::vector<pf::AffineTransform> transforms_;      // [0]: the root's
  std::vector<Item> items_;
  std::vector<std::uint8_t> reach_;  // per item, a bit per band
  std::atomic<std::size_t> nextRun_ = 0;
  std::atomic<std::size_t> placedRuns_ = 0;
  std::atomic<long long> leavesOutsideFirstBand_ = 0;
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
MV_RENDERER_SETTING(double, partialImageInterval, setPartialImageInterval, partialImageInterval)
MV_RENDERER_SETTING(int, maximumBandCount, setMaximumBandCount, maximumBandCount)

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
    const std::uint64_t serial = passSerial_.fetch_add(1) + 1;
    std::optional<pf::Bitmap> buffer = runBitmapPass(settings, serial);
    if (endOrRestart(busy_, abort_, restart_)) {
      keepBuffer(PassKind::Bitmap, std::move(buffer));
      continue;
    }
    busy.dismiss();
    finishRendering(std::move(buffer), settings.renderingThreadName, serial);
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
    finishRendering(std::move(buffer), settings.renderingThreadName, 0);
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

std::optional<pf::Bitmap> MVElementRenderer::runBitmapPass(const Settings& settings, std::uint64_t serial)
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
    // Bands of at least kMinimumBandRows; the pass's thread draws too. Partial images only for a
    // pass that reports to a delegate from off the main thread.
    const long rows = buffer->height();
    const int bandCount =
        static_cast<int>(std::clamp(std::min<long>(settings.maximumBandCount, rows / kMinimumBandRows), 1L,
                                    static_cast<long>(kMaximumBands)));
    const bool partials = settings.partialImageInterval > 0 && !pf::RunLoop::isMainThread();
    const long width = buffer->width();
    const auto pass = std::make_shared<BandedPass>(*this, settings, fit, *buffer, balancedBandRows(width, rows, bandCount),
                                                   serial, partials ? settings.partialImageInterval : 0.0);
    if (pass->bands.size() > 1 && settings.inputRenderingElement) {
      // Band contexts start at the identity: the index's transformations are theirs.
      const double scale = settings.displayScale * fit.scale * settings.retinaScaling;
      const pf::AffineTransform transform =
          elementsTransform({}, scale, settings.scaleElementsDownToFit, fit.offsetX, fit.offsetY);
      if (transform.isFiniteAndInvertible()) {
        pass->indexTree(*settings.inputRenderingElement, transform, scale);
      }
    }
    bandQueue().post([pass] { BandedPass::drawBands(pass); }, static_cast<int>(pass->bands.size()) - 1);
    BandedPass::drawBands(pass);
    pass->waitForBands();
    if (!abort_.load()) {
      std::vector<int> firstRows;
      std::vector<double> seconds;
      for (const BandedPass::Band& band : pass->bands) {
        firstRows.push_back(band.firstRow);
        seconds.push_back(band.seconds);
      }
      keepBandBalance(width, rows, std::move(firstRows), std::move(seconds));
    }
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

void MVElementRenderer::finishRendering(std::optional<pf::Bitmap> buffer, const std::string& name,
                                        std::uint64_t serial)
{
  std::shared_ptr<const pf::Bitmap> published;
  {
    const std::lock_guard lock(resultsMutex_);
    output_ = buffer ? std::make_shared<pf::Bitmap>(std::move(*buffer)) : nullptr;
    published = output_;
    if (serial != 0) {
      // Partial images of this pass (and of older ones) still queued are stale from now on.
      outputSerial_ = serial;
    }
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
                                       double retina, BandedPass* bands, std::size_t band)
{
  if (context == nullptr) {
    FeedbackManager::log("renderThread '%@' renderElements, without valid cgContext", settings.renderingThreadName);
    abort_.store(true);
    return;
  }
  const double scale = settings.displayScale * fit.scale;
  PassRenderer pass(context, scale, scale * retina, settings.enlargesClips, abort_, numberOfRenderedElements_,
                    pf::format("<MVElementRenderer '%@'>", settings.renderingThreadName));
  // Of a bitmap pass, each band leaves out the paths outside it; the first keeps the count and
  // writes the log lines for all of them.
  const bool reports = bands == nullptr || band == 0;
  if (bands != nullptr) {
    pass.setBand(&bands->bands[band].area, &bands->bitmapArea(), reports, bands->interval > 0 ? bands : nullptr,
                 static_cast<int>(band));
  }
  {
    const pf::DrawingContext::StateGuard guard(*context);
    const pf::AffineTransform transform = elementsTransform(context->transform(), scale * retina,
                                                            settings.scaleElementsDownToFit, fit.offsetX, fit.offsetY);
    if (!transform.isFiniteAndInvertible()) {
      if (reports) {
        FeedbackManager::log("Error, render '%@' with unusable scale %g", settings.renderingThreadName, scale * retina);
      }
      return;
    }
    context->setTransform(transform);
    try {
      if (bands != nullptr && bands->indexed()) {
        bands->drawItems(pass, *context, band);
      } else {
        settings.inputRenderingElement->render(pass);
      }
    } catch (const std::exception& exception) {
      if (reports) {
        FeedbackManager::log("ERROR caught exception trying to render MVElement:%@, Exception:%@",
                             settings.inputRenderingElement->description(), exception.what());
      }
    }
  }
  pass.publishCount();
  if (reports && pass.skipped() > 0) {
    FeedbackManager::log("Warning, render '%@' skipped %ld elements whose transform is not finite and invertible",
                         settings.renderingThreadName, pass.skipped());
  }
}

std::vector<int> MVElementRenderer::balancedBandRows(long width, long height, int count) const
{
  std::vector<int> firstRows;
  firstRows.reserve(static_cast<std::size_t>(count));
  BandBalance last;
  {
    const std::lock_guard lock(resultsMutex_);
    last = bandBalance_;
  }
  double secondsInAll = 0;
  for (const double seconds : last.seconds) {
    secondsInAll += seconds;
  }
  if (count <= 1 || last.width != width || last.height != height || last.firstRows.empty() || !(secondsInAll > 0)) {
    // Even bands.
    for (int index = 0; index < count; ++index) {
      firstRows.push_back(static_cast<int>(height * index / count));
    }
    return firstRows;
  }
  // The last pass's time per band as its weight, spread evenly over the band's rows; the new
  // edges split the total into equal parts.
  const std::vector<double>& weights = last.seconds;
  const double total = secondsInAll;
  firstRows.push_back(0);
  std::size_t band = 0;
  double before = 0;  // weight of the bands above `band`
  for (int index = 1; index < count; ++index) {
    const double target = total * index / count;
    while (band + 1 < weights.size() && before + weights[band] < target) {
      before += weights[band];
      ++band;
    }
    const long first = last.firstRows[band];
    const long end = band + 1 < last.firstRows.size() ? last.firstRows[band + 1] : height;
    const double fraction = weights[band] > 0 ? std::clamp((target - before) / weights[band], 0.0, 1.0) : 0.0;
    long row = first + std::lround(fraction * static_cast<double>(end - first));
    // Room for this band and for the ones below it.
    row = std::clamp(row, static_cast<long>(firstRows.back()) + kMinimumBalancedRows,
                     height - static_cast<long>(count - index) * kMinimumBalancedRows);
    firstRows.push_back(static_cast<int>(row));
  }
  return firstRows;
}

void MVElementRenderer::keepBandBalance(long width, long height, std::vector<int> firstRows, std::vector<double> seconds)
{
  const std::lock_guard lock(resultsMutex_);
  bandBalance_.width = width;
  bandBalance_.height = height;
  bandBalance_.firstRows = std::move(firstRows);
  bandBalance_.seconds = std::move(seconds);
}
