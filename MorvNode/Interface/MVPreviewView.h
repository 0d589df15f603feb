#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>

#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Elements/MVElementRendererDelegate.h"
#include "Platform/PlistValue.h"
#include "Platform/Point.h"

class MVDocument;
class MVElement;
class MVElementRenderer;
class MVNodeController;
class InterfaceWidgetView;
class ODMenuButton;
class QAbstractSlider;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QSlider;
class QToolButton;

namespace pf {
class WorkQueue;
}

// Shows the generated artwork of one document. For each generation cycle it takes the
// controller's output tree (immutable, so shared rather than copied), has it rendered into a
// bitmap on a serial work queue at the current display scale, and draws the bitmap centred in
// its scroll area, optionally surrounded by faded repetitions, with a separately rendered
// overlay of selection outlines and the drag-edit pivot marker. A long render shows partial
// images until its complete one arrives. A request while the main renderer is busy is served by
// exactly one further render when it reports back. Export modes render synchronously on the
// main thread.
//
// The view is the document view of a QScrollArea (the clip view is the area's viewport). View
// coordinates are Qt's, y-down; artboard coordinates are y-down from the artboard's top-left in
// artboard units. The display settings (zoom, repetitions, outlines, scroll offset) live with
// the document and change only through the operations below, each with one undo step on the
// document's undo manager.
//
// Pointer handling (click-select, panning with the space bar, drag-edit) is in the protected
// virtual handlers below so that views built on this one can extend it. Main thread only.
class MVPreviewView : public QWidget, public MVNodeControllerOutputDelegate, public MVElementRendererDelegate {
  Q_OBJECT

public:
  explicit MVPreviewView(QWidget* parent = nullptr);
  ~MVPreviewView() override;

  // Not owned; the document outlives the view's use of it (releaseResources first).
  void setDocument(MVDocument* document);
  MVNodeController* nodeController() const;
  // The scroll area whose viewport clips this view; set by the container that builds both.
  void setScrollArea(QScrollArea* scrollArea) { scrollArea_ = scrollArea; }
  // Builds the control strip (zoom slider and field, fit and 100 %, display settings menu,
  // separate-panel button, repetition opacity) as a child of `parent`.
  QWidget* makeControlStrip(QWidget* parent);
  // The control strip's separate-panel button; the window connects it.
  QToolButton* separatePanelButton() const { return displaySeparatePanelButton_; }

  // ---- MVNodeControllerOutputDelegate ----
  void updatePattern() override;
  void updateSelection() override;
  void setSpaceHeldFlag(bool held) override { spaceHeld_ = held; }
  void setStatusMessage(const std::optional<std::string>& message) override;
  void setDragEditInfoText(const std::string& text) override;
  const std::optional<std::string>& statusMessage() const { return statusMessage_; }

  // ---- MVElementRendererDelegate ----
  void renderThreadFinished(MVElementRenderer& renderer) override;
  // A long render shows what it has drawn so far until its complete image arrives.
  void renderThreadPartialImageReady(MVElementRenderer& renderer, std::shared_ptr<const pf::Bitmap> image) override;

  // ---- Zoom ----
  double displayScale() const { return displayScale_; }
  // The export driver sets the scale directly around a synchronous render.
  void setDisplayScale(double scale) { displayScale_ = scale; }
  // A new scale from the zoom field (percent), the slider (rounded to two decimals), or the
  // document's zoom command (already rounded); clamped so that the artboard is drawn 1 to 10000
  // points high and snapped to a whole number of points; one undo step.
  void displayScaleChangedFromField(double percent);
  void displayScaleChangedFromSlider(double value);
  void displayScaleChangedFromCommand(double scale);
  // Fits the artboard into the visible area (clamped like every zoom); 100 %.
  void displayScaleFit();
  void displayScaleRevert();
  void updateDisplayScalingSliderMax();
  double sliderMinimum() const { return sliderMinimum_; }
  double sliderMaximum() const { return sliderMaximum_; }
  // Canvas size and scroll position after a zoom or a resize of the visible area.
  void resizeView();

  // ---- Display settings ----
  bool showRepetitions() const { return showRepetitions_; }
  void setShowRepetitions(bool show) { showRepetitions_ = show; }
  bool showSelectionOutlines() const { return showSelectionOutlines_; }
  void setShowSelectionOutlines(bool show) { showSelectionOutlines_ = show; }
  double displayRepetitionOpacity() const { return displayRepetitionOpacity_; }
  void displayRepetitionOpacityChanged(double opacity);
  void displayShowRepetitionsChanged();
  void displayShowSelectionOutlinesChanged();
  pf::PlistValue::Dictionary displaySettingsDictionary() const;
  // Starts no render: the current image is drawn at the new size until the next one.
  void loadDisplaySettings(const std::optional<pf::PlistValue::Dictionary>& settings);
  void storeDisplaySettingUndoState(const std::optional<std::string>& actionName);

  // ---- Export modes (set by the document and the exporters) ----
  bool exportMode() const { return exportMode_; }
  void setExportMode(bool exportMode) { exportMode_ = exportMode; }
  bool animationExportMode() const { return animationExportMode_; }
  void setAnimationExportMode(bool animationExportMode) { animationExportMode_ = animationExportMode; }
  // The last image of the main renderer (device pixels, with its device pixel ratio); null
  // before the first render.
  const QImage& patternImage() const { return patternImage_; }
  const QImage& selectionImage() const { return selectionImage_; }
  // The artboard at the current scale as a PDF page; nullopt before anything was rendered.
  std::optional<std::vector<std::uint8_t>> pdfData();

  // Drops the element copies, the images and the renderers (the document is closing).
  void releaseResources();
  void updateInterface();

  // View point (y-down) to artboard coordinates.
  pf::Point positionOfMouseLocation(QPointF point) const;
  // The drawn artboard rectangle in view coordinates.
  QRect artboardRect() const;

  // For the interface tests and the smoke test: whether a main render is queued or running.
  bool isRendering() const;
  long long renderCount() const { return renderCount_; }
  long long partialImageCount() const { return partialImageCount_; }

signals:
  // A main render reached the view (its image is drawn from now on).
  void patternImageChanged();
  // A partial image of a main render that goes on is drawn from now on.
  void partialPatternImageShown();
  void statusMessageChanged(const QString& message);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;

  // Pointer steps, each overridable: the click selection, a pan step by a pointer movement in
  // view points, and a drag-edit step from the previous pointer position `from` to `to` (view
  // points), which the controller turns into a change of the offered parameter.
  virtual void clickSelect(QPointF point);
  virtual void panBy(QPointF delta);
  virtual void dragEditStep(QPointF from, QPointF to, bool shiftHeld);
  virtual void dragEditEnd();

private:
  void startRenderingThread();
  void startSelectionRenderingThread();
  // Old element trees are freed on the main thread (where they were made, so that freeing them
  // never waits for the allocator's lock against it) a slice at a time when it is idle: a tree
  // of 100,000 elements takes tens of milliseconds to free.
  void releaseLater(std::shared_ptr<const MVElement> tree);
  void releaseStep();
  // previewRenderingElement without the elements wholly outside the artboard, as vector output
  // (the PDF of the preview, export mode) holds it; made when first needed for a tree.
  std::shared_ptr<const MVElement> culledRenderingElement();
  // Draws a bitmap of the main renderer from now on, resizing the canvas when the rendered size
  // changed.
  void showPatternImage(const MVElementRenderer& renderer, const std::shared_ptr<const pf::Bitmap>& bitmap);
  void displayScaleChanged(double candidate, bool fromSlider, bool fromCommand);
  void afterZoom(bool updateSelectionToo);
  double artboardHeight() const;
  double retinaScaling() const;
  void zoomBySliderValue(double value);
  static void showInfoPanel(InterfaceWidgetView& panel, QLabel& label, const QString& text);

  MVDocument* document_ = nullptr;  // not owned, outlives the view's use of it
  QPointer<QScrollArea> scrollArea_;

  // Control strip (children of the strip widget).
  QPointer<QSlider> displayScaleSlider_;
  QPointer<QLineEdit> displayScaleField_;
  QPointer<QToolButton> displayScaleFitButton_;
  QPointer<ODMenuButton> displaySettingsButton_;
  QPointer<QToolButton> displaySeparatePanelButton_;
  QPointer<QLabel> displayRepetitionLabel_;
  QPointer<QSlider> displayRepetitionOpacitySlider_;
  QAction* displaySettingsShowRepetitionsItem_ = nullptr;
  QAction* displaySettingsShowSelectionOutlinesItem_ = nullptr;
  QAction* displaySettingsAutoRefreshItem_ = nullptr;
  static constexpr int kInfoPanelMargin = 6;  // points around the text
  InterfaceWidgetView* statusMessagePanel_ = nullptr;  // child of this view
  InterfaceWidgetView* dragEditInfoPanel_ = nullptr;   // child of this view
  QLabel* statusMessageLabel_ = nullptr;               // child of its panel
  QLabel* dragEditInfoLabel_ = nullptr;                // child of its panel
  bool updatingControls_ = false;

  std::shared_ptr<const MVElement> previewRenderingElement_;           // the controller's output
  std::shared_ptr<const MVElement> previewRenderingSelectionElement_;  // the same tree
  std::shared_ptr<const MVElement> culledRenderingElement_;  // made on demand for vector output
  std::vector<std::shared_ptr<const MVElement>> releasePending_;  // trees and parts still to free
  bool releaseScheduled_ = false;
  long long previewRenderingElementGenerationCycleID_ = 0;
  double lastRenderSizeX_ = 0.0;
  double lastRenderSizeY_ = 0.0;
  std::optional<std::string> statusMessage_;
  double mouseDownStartTime_ = 0.0;
  QImage patternImage_;
  QImage selectionImage_;
  bool spaceHeld_ = false;
  double displayRepetitionOpacity_ = 0.5;
  double displayScale_ = 1.0;
  double sliderMinimum_ = 0.25;
  double sliderMaximum_ = 3.0;
  bool mouseDraggedFlag_ = false;
  bool pivotMarkerShown_ = false;
  bool exportMode_ = false;
  bool animationExportMode_ = false;
  bool shouldNotifyAboutFinishedUpdate_ = false;
  bool shouldRenderAgainWhenFinished_ = false;
  bool showRepetitions_ = false;
  bool showSelectionOutlines_ = true;
  QPointF lastPointer_;
  QPointF lastGlobalPointer_;
  long long renderCount_ = 0;
  long long partialImageCount_ = 0;
  bool renderQueued_ = false;

  // The queues are declared after the renderers, so they are destroyed first: their threads
  // have finished with the renderers before the renderers go.
  std::unique_ptr<MVElementRenderer> renderingThread_;
  std::unique_ptr<MVElementRenderer> selectionRenderingThread_;
  std::unique_ptr<pf::WorkQueue> previewRenderingQueue_;
  std::unique_ptr<pf::WorkQueue> previewSelectionRenderingQueue_;
};
