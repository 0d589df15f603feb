#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Document/MVAnimationExportPanelState.h"
#include "MorvNode/Document/MVAnimationExportProgress.h"
#include "Platform/Color.h"
#include "Platform/Timer.h"
#include "Shared/AnimationExporter/AnimationExporter.h"

class MVArtworkRenderer;
class MVDocument;

// The animation export of a document: the panel's settings (the animation keys of the export
// settings record), then the frame loop. The loop runs on the current pf::RunLoop, one frame per
// one-shot timer, so the interface stays live behind its modal progress panel: each step sets
// the animation to the frame's time, regenerates the graph at once, renders the artwork
// offscreen at the export size (MVArtworkRenderer) and hands the frame to the AnimationExporter,
// which encodes it before the step returns; the next step is armed only then, so frames are
// never produced faster than they are written. Frame n is shown at n / frame rate.
//
// Abort only sets a flag, which the next step checks first; an aborted or failed export is
// abandoned (nothing new stays on disk, earlier files keep their content), a failure is alerted
// with its reason. At the end the animation's time and playback are restored; the preview's zoom
// is never changed (export renders offscreen). Main thread only; the document outlives this.
class MVAnimationExport {
public:
  explicit MVAnimationExport(MVDocument& document);
  // A running export is abandoned and the document restored, without reporting.
  ~MVAnimationExport();
  MVAnimationExport(const MVAnimationExport&) = delete;
  MVAnimationExport& operator=(const MVAnimationExport&) = delete;

  // ---- Before the panel ----
  // The document has animators or a "ValueTimeFunctionNode": otherwise there is nothing to
  // export and the caller shows "No parameter animations".
  static bool documentHasAnimation(MVDocument& document);
  // The alert shown when there is none (title, text).
  static void showNoAnimationAlert();
  // The warning shown before the panel when the artboard's size may change over time; nullopt
  // when there is none.
  static std::optional<std::string> exportAnimationCheckWarnings(MVDocument& document);

  // ---- The panel ----
  // The panel opens: the animation sizes follow the artboard unless it kept its size.
  void exportAnimationPanelOpened();
  // "Base Filename", else the document's file name without extension, else "Untitled"; then
  // "." and the animation format.
  std::string proposedFileName() const;
  MVAnimationExportPanelState exportAnimationPanelUpdateInterface();
  // A control changed (see MVAnimationExportPanelControl); the settings follow and the document
  // is marked edited. Values out of range change nothing.
  void exportAnimationPanelControlChanged(MVAnimationExportPanelControl control, double value,
                                          pf::Color color = pf::Color::white());
  // The movie codecs of the codec menu: those of the settings' list this system can encode,
  // then HEVC where an encoder exists.
  static std::vector<std::string> codecMenuCodecs();

  // ---- The export ----
  // Starts the export to `path` with the current settings and reports to `progress` (not owned,
  // may be null, outlives the export). The first frame follows on the run loop. false (alerted)
  // when it cannot start: no run loop, a folder that cannot be written, a size that gives no
  // frame; `progress` is then not called.
  bool exportAnimation(const std::filesystem::path& path, MVAnimationExportProgress* progress);
  // One frame, then the next step is armed (or the finish).
  void exportAnimationFrame();
  // Completes or abandons the file, restores the document and reports the outcome.
  void exportAnimationFinish();
  // Sets the abort flag; the next step finishes without writing.
  void exportAbort();

  bool isRunning() const { return running_; }
  long long currentExportFrame() const { return currentExportFrame_; }
  long long totalExportFrames() const { return totalExportFrames_; }
  // Frames from a frame rate and duration: their product truncated toward zero, at most
  // kMaxExportFrames.
  static long long totalFramesFor(double framerate, double duration);
  static constexpr long long kMaxExportFrames = 1000000;
  // The first failure of the last export; empty when none.
  const std::string& failureReason() const { return exporter_.failureReason(); }
  const AnimationExporter& exporter() const { return exporter_; }

private:
  void scheduleStep(double seconds, void (MVAnimationExport::*step)());
  void report(const std::string& leftLabel, const std::string& rightLabel, std::optional<double> fraction);
  // Ends the export without frames (could not start): alert, restore.
  bool refuseStart(const std::string& title, const std::string& text);
  void restoreDocument();

  MVDocument& document_;
  AnimationExporter exporter_;
  std::unique_ptr<MVArtworkRenderer> renderer_;
  MVAnimationExportProgress* progress_ = nullptr;  // not owned, outlives the export
  pf::Timer stepTimer_;
  std::filesystem::path exportPath_;
  std::string format_;
  double scale_ = 1.0;        // output units per artboard unit
  double pdfScale_ = 1.0;     // the same for PDF pages, in the copy units
  double framerate_ = 30.0;
  double duration_ = 0.0;
  double exportStartTime_ = 0.0;  // run-loop seconds when frame rendering started
  long long currentExportFrame_ = 0;
  long long totalExportFrames_ = 0;
  double savedAnimationTime_ = 0.0;
  bool savedPlaying_ = false;
  bool abortFlag_ = false;
  bool running_ = false;
};
