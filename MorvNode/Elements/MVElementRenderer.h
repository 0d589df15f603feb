#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Bitmap.h"
#include "Platform/Color.h"
#include "Platform/Image.h"
#include "Platform/Surface.h"

class MVElementRendererDelegate;

namespace pf {
class DrawingContext;
}

// Draws one element tree into a bitmap (the preview, thumbnails, pixel sampling) or, in export
// mode, into a PDF or EPS page. The caller writes the settings, then starts a pass on the thread
// it chooses, usually a serial work queue; a bitmap or selection pass that ends off the main
// thread tells the delegate on the main thread through the run loop.
//
// A start while a pass of the same kind runs only asks the running pass to abort and start once
// more: it stops between elements and draws again with the newest settings, so a burst of
// requests ends in one further pass and one report. The busy, abort and restart flags are atomic
// and busy is cleared on every way out of a pass.
//
// Bitmap passes of a few hundred rows and more are drawn in horizontal bands at once, on the
// pass's thread and on threads shared by every renderer; each band has its own context and
// leaves out the paths that lie wholly outside it, and the pixels are those of a pass in one
// piece. The tree is listed once per pass with the bands each leaf reaches, so that a band
// visits only its own leaves (a clipped group is visited whole by the bands it reaches). A long pass off the main thread can also hand partial images to the delegate on the
// way (partialImageInterval).
//
// Thread safety: settings may be written from any thread at any time; each pass takes a
// snapshot of them when it starts (and when it restarts), so a running pass never sees a
// half-written change. Results are published under a lock as an immutable bitmap shared with
// the readers. The tree is drawn as given and never changed.
//
// Coordinates: element space is y-down from the artboard's top-left, as the bitmap and the
// page are, so nothing is flipped; a pass scales by displayScale (and the fit), and bitmap
// passes also by retinaScaling.
//
// A renderer that reports to a delegate must be destroyed on the main thread (reports still
// queued for it are then dropped).
class MVElementRenderer {
public:
  MVElementRenderer();
  ~MVElementRenderer();
  MVElementRenderer(const MVElementRenderer&) = delete;
  MVElementRenderer& operator=(const MVElementRenderer&) = delete;

  // Settings, written by the caller before a start.
  // The tree drawn by the next pass.
  std::shared_ptr<const MVElement> inputRenderingElement() const;
  void setInputRenderingElement(std::shared_ptr<const MVElement> element);
  // Red, green, blue and alpha are used; the background is drawn when the colour's alpha,
  // drawBackgroundFlag and backgroundOpacity (its alpha) allow it.
  std::optional<pf::Color> backgroundColor() const;
  void setBackgroundColor(std::optional<pf::Color> color);
  bool drawBackgroundFlag() const;
  void setDrawBackgroundFlag(bool draw);
  double backgroundOpacity() const;
  void setBackgroundOpacity(double opacity);
  // The selection pass's outline colour; a default is filled in on first use.
  std::optional<pf::Color> selectionOutlineColor() const;
  void setSelectionOutlineColor(std::optional<pf::Color> color);
  // The selection pass outlines the whole artboard.
  bool artboardSelected() const;
  void setArtboardSelected(bool selected);
  // The nodes whose elements the selection pass outlines (taken on the main thread).
  MVNodeIDSet selectedNodeIDs() const;
  void setSelectedNodeIDs(MVNodeIDSet nodeIDs);
  // The area in output units (the artboard size).
  double renderingSizeWidth() const;
  double renderingSizeHeight() const;
  void setRenderingSize(double width, double height);
  // Device pixels per view point (the screen's backing scale); export passes use 1.
  double retinaScaling() const;
  void setRetinaScaling(double scaling);
  // View points per output unit (the zoom). The fit of scaleElementsDownToFit is applied on top
  // during a pass; this setting keeps the caller's value.
  double displayScale() const;
  void setDisplayScale(double scale);
  // Shrink and centre the tree to fit the area (thumbnails); trees are never enlarged.
  bool scaleElementsDownToFit() const;
  void setScaleElementsDownToFit(bool fit);
  // Draw into exportContext() instead of a bitmap.
  bool exportMode() const;
  void setExportMode(bool exportMode);
  // The PDF or EPS page an export pass draws into; not owned, it must outlive the pass.
  // nullptr: an export pass draws nothing (logged).
  pf::DrawingContext* exportContext() const;
  void setExportContext(pf::DrawingContext* context);
  // Used in log lines and description(); "Untitled" until set.
  std::string renderingThreadName() const;
  void setRenderingThreadName(std::string name);
  // Seconds of drawing between partial images of a bitmap pass that runs off the main thread
  // (the delegate's renderThreadPartialImageReady); 0, the default, publishes none.
  double partialImageInterval() const;
  void setPartialImageInterval(double seconds);
  // Bitmap passes draw in up to this many horizontal bands at once, each at least 64 rows high,
  // on the pass's thread and threads shared by every renderer; the result is the same as drawn
  // in one piece. 1 keeps a pass on its own thread. Default: the hardware's threads, at most 6.
  int maximumBandCount() const;
  void setMaximumBandCount(int count);
  // Not owned; the delegate clears itself (setDelegate(nullptr)) before it goes away.
  MVElementRendererDelegate* delegate() const;
  void setDelegate(MVElementRendererDelegate* delegate);

  // The scales elements see outside a fitted pass: renderingScale is displayScale,
  // strokeRenderingScale displayScale x retinaScaling (device pixels per output unit).
  double renderingScale() const;
  double strokeRenderingScale() const;

  // One bitmap pass, or in export mode one pass into the export context. Runs on the calling
  // thread; returns at once when a pass is running (which then restarts).
  void startRendering();
  // One selection-overlay pass into a bitmap of its own: the outlines of the elements of the
  // selected nodes, and of the artboard when artboardSelected.
  void startRenderingSelection();
  // Export without a view: the tree as one page of renderingSize x displayScale points, drawn in
  // export mode into a new PDF or EPS document; the file's bytes, or nullopt (logged) when the
  // page cannot be made or written, or a pass is running.
  std::optional<std::vector<std::uint8_t>> renderDocument(pf::Surface::Kind kind);

  bool rendererBusyFlag() const { return busy_.load(); }
  bool rendererAbortFlag() const { return abort_.load(); }
  bool rendererRestartFlag() const { return restart_.load(); }
  bool rendererSelectionBusyFlag() const { return selectionBusy_.load(); }
  bool rendererSelectionAbortFlag() const { return selectionAbort_.load(); }
  bool rendererSelectionRestartFlag() const { return selectionRestart_.load(); }

  // Results of the last finished bitmap or selection pass. The bitmap is premultiplied ARGB,
  // one pixel per device pixel, and stays valid while held; nullptr before the first pass,
  // when the bitmap could not be made, and while the next pass reuses the buffer (it does so
  // only when no reader holds it).
  std::shared_ptr<const pf::Bitmap> outputBitmap() const;
  // The same pixels as an image of the bitmap's pixel size in points; nullopt with no bitmap.
  std::optional<pf::Image> outputImage() const;
  // Leaves drawn by the last (or running) pass.
  long long numberOfRenderedElements() const { return numberOfRenderedElements_.load(); }
  // Seconds on the steady clock (renderClock()); a pass is running while start > end. The
  // render time is set when a pass ends.
  double renderStartTime() const;
  double renderEndTime() const;
  double renderTime() const;
  // The last fit: scale and offset (output units) of a scaleElementsDownToFit pass.
  double elementFitScale() const;
  double elementFitOffsetX() const;
  double elementFitOffsetY() const;

  // round(size x displayScale x retinaScaling) per axis, halves away from zero (0 for NaN).
  static std::pair<long, long> pixelSize(double width, double height, double displayScale, double retinaScaling);
  // Seconds on the steady clock: the clock of the timing fields.
  static double renderClock();

  // "<MVElementRenderer 'name'>".
  std::string description() const;

private:
  struct Settings;
  struct Token;
  struct BandedPass;
  enum class PassKind { Bitmap, Selection };
  struct Fit {
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
  };

  Settings snapshot() const;
  // Draw one pass and answer its buffer (nullopt when none could be made).
  std::optional<pf::Bitmap> runBitmapPass(const Settings& settings, std::uint64_t serial);
  std::optional<pf::Bitmap> runSelectionPass(const Settings& settings);
  void runExportPass(const Settings& settings, pf::DrawingContext* context);
  // A cleared bitmap of the pass's pixel size, reusing the kind's buffer when it is free;
  // nullopt (logged) when it cannot be made.
  std::optional<pf::Bitmap> acquireBuffer(PassKind kind, long pixelWidth, long pixelHeight, const Settings& settings);
  void keepBuffer(PassKind kind, std::optional<pf::Bitmap> buffer);
  // At the end of a pass: true (flags reset) when a start asked for a restart, else the pass
  // ends (busy cleared).
  bool endOrRestart(std::atomic<bool>& busy, std::atomic<bool>& abort, std::atomic<bool>& restart);
  // Publishes the buffer as the result and tells the delegate when off the main thread; `serial`
  // is the bitmap pass's (0 for a selection pass).
  void finishRendering(std::optional<pf::Bitmap> buffer, const std::string& name, std::uint64_t serial);
  Fit calculateScaleDownToFit(const Settings& settings);
  void renderBackground(pf::DrawingContext& context, const Settings& settings, bool bitmapMode) const;
  // Draws the tree with the pass's transformation; `retina` is 1 for export. `bands`: the pass
  // in bands that `band` belongs to, or nullptr for a pass in one piece.
  void renderElements(pf::DrawingContext* context, const Settings& settings, const Fit& fit, double retina,
                      BandedPass* bands = nullptr, std::size_t band = 0);
  void setStartTime(double start);
  // Also sets renderTime.
  void setEndTime(double end);

  mutable std::mutex settingsMutex_;
  std::unique_ptr<Settings> settings_;  // guarded by settingsMutex_

  std::mutex flagsMutex_;  // orders the start and end of passes; the flags themselves are atomic
  std::atomic<bool> busy_ = false;
  std::atomic<bool> abort_ = false;
  std::atomic<bool> restart_ = false;
  std::atomic<bool> selectionBusy_ = false;
  std::atomic<bool> selectionAbort_ = false;
  std::atomic<bool> selectionRestart_ = false;
  std::atomic<long long> numberOfRenderedElements_ = 0;
  std::atomic<MVElementRendererDelegate*> delegate_ = nullptr;
  std::atomic<std::uint64_t> passSerial_ = 0;  // of the latest bitmap pass, counted from 1

  mutable std::mutex resultsMutex_;
  std::shared_ptr<pf::Bitmap> output_;               // guarded by resultsMutex_; handed out as const
  std::optional<pf::Bitmap> spareBuffers_[2];        // guarded by resultsMutex_; per PassKind
  double renderStartTime_ = 0.0;                     // guarded by resultsMutex_
  double renderEndTime_ = 0.0;                       // guarded by resultsMutex_
  double renderTime_ = 0.0;                          // guarded by resultsMutex_
  std::uint64_t outputSerial_ = 0;                   // guarded by resultsMutex_: the pass of output_
  Fit fit_;                                          // guarded by resultsMutex_
  // Where the last bitmap pass put its bands and how long each took to draw: the next pass of
  // the same size moves the band edges so that the bands take about as long each (artwork is
  // seldom spread evenly, and a change rarely moves much of it).
  struct BandBalance {
    long width = 0;
    long height = 0;
    std::vector<int> firstRows;
    std::vector<double> seconds;
  };
  BandBalance bandBalance_;  // guarded by resultsMutex_
  std::vector<int> balancedBandRows(long width, long height, int count) const;
  void keepBandBalance(long width, long height, std::vector<int> firstRows, std::vector<double> seconds);

  // Lets reports queued on the run loop find out whether the renderer still exists.
  std::shared_ptr<Token> token_;
};
