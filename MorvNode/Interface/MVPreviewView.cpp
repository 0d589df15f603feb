#include "MorvNode/Interface/MVPreviewView.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Interface/InterfaceWidgetView.h"
#include "MorvNode/Interface/ODMenuButton.h"
#include "MorvNode/Model/MVNode.h"
#include "Platform/GeometryStrings.h"
#include "Platform/WorkQueue.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

namespace {

// Halves away from zero, as every rounding of the zoom.
double roundHalfAway(double value)
{
  return std::round(value);
}

double roundTwoDecimals(double value)
{
  return roundHalfAway(value * 100.0) / 100.0;
}

// The slider works in hundredths of the scale.
constexpr double kSliderSteps = 100.0;

// Seconds of drawing between the partial images of a long render: the artwork fills in about
// fifty times a second until the complete image arrives.
constexpr double kPartialImageInterval = 0.02;

// The renderer's bitmap as an image that shares its pixels (premultiplied ARGB words).
QImage imageOfBitmap(const std::shared_ptr<const pf::Bitmap>& bitmap, double devicePixelRatio)
{
  if (!bitmap || bitmap->width() <= 0 || bitmap->height() <= 0) {
    return {};
  }
  auto* keeper = new std::shared_ptr<const pf::Bitmap>(bitmap);
  QImage image(reinterpret_cast<const uchar*>(bitmap->data()), bitmap->width(), bitmap->height(),
               static_cast<qsizetype>(bitmap->stride()), QImage::Format_ARGB32_Premultiplied,
               [](void* info) { delete static_cast<std::shared_ptr<const pf::Bitmap>*>(info); }, keeper);
  image.setDevicePixelRatio(devicePixelRatio > 0.0 ? devicePixelRatio : 1.0);
  return image;
}


double secondsNow()
{
  return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

}  // namespace

MVPreviewView::MVPreviewView(QWidget* parent)
  : QWidget(parent)
{
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setFocusPolicy(Qt::ClickFocus);
  grabGesture(Qt::PinchGesture);
  // The status line and the drag-edit information sit on rounded panels, readable over any
  // artwork.
  for (auto [panel, label] : {std::pair{&statusMessagePanel_, &statusMessageLabel_},
                              std::pair{&dragEditInfoPanel_, &dragEditInfoLabel_}}) {
    *panel = new InterfaceWidgetView(this);
    *label = new QLabel(*panel);
    (*label)->move(kInfoPanelMargin, kInfoPanelMargin);
    // Clicks go through to the artwork below.
    (*panel)->setAttribute(Qt::WA_TransparentForMouseEvents);
    (*panel)->hide();
  }
}

MVPreviewView::~MVPreviewView()
{
  // The queues finish with the renderers first (member order), and the renderers are
  // destroyed here on the main thread, which drops any report still queued for them.
  previewRenderingQueue_.reset();
  previewSelectionRenderingQueue_.reset();
}

void MVPreviewView::setDocument(MVDocument* document)
{
  document_ = document;
}

MVNodeController* MVPreviewView::nodeController() const
{
  return document_ != nullptr ? &document_->nodeController() : nullptr;
}

QWidget* MVPreviewView::makeControlStrip(QWidget* parent)
{
  auto* strip = new QWidget(parent);
  auto* layout = new QHBoxLayout(strip);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(6);

  displayScaleFitButton_ = new QToolButton(strip);
  displayScaleFitButton_->setText(tr("Fit"));
  displayScaleFitButton_->setToolTip(tr("Zoom to fit"));
  connect(displayScaleFitButton_, &QToolButton::clicked, this, [this] { displayScaleFit(); });
  layout->addWidget(displayScaleFitButton_);

  displayScaleSlider_ = new QSlider(Qt::Horizontal, strip);
  displayScaleSlider_->setObjectName("displayScaleSlider");
  displayScaleSlider_->setMinimumWidth(90);
  displayScaleSlider_->setMaximumWidth(160);
  connect(displayScaleSlider_, &QSlider::valueChanged, this, [this](int value) {
    if (!updatingControls_) {
      displayScaleChangedFromSlider(value / kSliderSteps);
    }
  });
  // The range follows the scale once a drag ends, not during it.
  connect(displayScaleSlider_, &QSlider::sliderReleased, this, [this] {
    updateDisplayScalingSliderMax();
    updateInterface();
  });
  layout->addWidget(displayScaleSlider_);

  displayScaleField_ = new QLineEdit(strip);
  displayScaleField_->setObjectName("displayScaleField");
  displayScaleField_->setMaximumWidth(64);
  displayScaleField_->setAlignment(Qt::AlignRight);
  connect(displayScaleField_, &QLineEdit::editingFinished, this, [this] {
    QString text = displayScaleField_->text().trimmed();
    text.remove('%');
    bool ok = false;
    const double percent = text.toDouble(&ok);
    if (ok && std::isfinite(percent)) {
      displayScaleChangedFromField(percent);
    }
    updateInterface();
  });
  layout->addWidget(displayScaleField_);
  layout->addStretch(1);

  displayRepetitionLabel_ = new QLabel(tr("Repetitions"), strip);
  layout->addWidget(displayRepetitionLabel_);
  displayRepetitionOpacitySlider_ = new QSlider(Qt::Horizontal, strip);
  displayRepetitionOpacitySlider_->setRange(0, 100);
  displayRepetitionOpacitySlider_->setMaximumWidth(100);
  connect(displayRepetitionOpacitySlider_, &QSlider::valueChanged, this, [this](int value) {
    if (!updatingControls_) {
      displayRepetitionOpacityChanged(value / 100.0);
    }
  });
  layout->addWidget(displayRepetitionOpacitySlider_);

  displaySettingsButton_ = new ODMenuButton(strip);
  displaySettingsButton_->setText(tr("Display"));
  // Room for the chevron at the right edge.
  displaySettingsButton_->setMinimumWidth(displaySettingsButton_->sizeHint().width() + 16);
  auto* menu = new QMenu(displaySettingsButton_);
  displaySettingsShowRepetitionsItem_ = menu->addAction(tr("Show Repetitions"));
  displaySettingsShowRepetitionsItem_->setCheckable(true);
  connect(displaySettingsShowRepetitionsItem_, &QAction::triggered, this, [this] { displayShowRepetitionsChanged(); });
  displaySettingsShowSelectionOutlinesItem_ = menu->addAction(tr("Show Selection Outlines"));
  displaySettingsShowSelectionOutlinesItem_->setCheckable(true);
  connect(displaySettingsShowSelectionOutlinesItem_, &QAction::triggered, this,
          [this] { displayShowSelectionOutlinesChanged(); });
  displaySettingsAutoRefreshItem_ = menu->addAction(tr("Auto Refresh"));
  displaySettingsAutoRefreshItem_->setCheckable(true);
  connect(displaySettingsAutoRefreshItem_, &QAction::triggered, this, [this] {
    if (MVNodeController* controller = nodeController()) {
      controller->setAutoRegenerate(!controller->autoRegenerate());
      if (controller->autoRegenerate()) {
        controller->scheduleRegeneration();
      }
    }
    updateInterface();
  });
  displaySettingsButton_->setPopUpMenu(menu);
  layout->addWidget(displaySettingsButton_);

  displaySeparatePanelButton_ = new QToolButton(strip);
  displaySeparatePanelButton_->setText(tr("Panel"));
  displaySeparatePanelButton_->setToolTip(tr("Show the preview in a separate panel"));
  displaySeparatePanelButton_->setCheckable(true);
  layout->addWidget(displaySeparatePanelButton_);

  updateDisplayScalingSliderMax();
  updateInterface();
  return strip;
}

// ---- Rendering ----

void MVPreviewView::releaseLater(std::shared_ptr<const MVElement> tree)
{
  if (!tree) {
    return;
  }
  releasePending_.push_back(std::move(tree));
  if (!releaseScheduled_) {
    releaseScheduled_ = true;
    QTimer::singleShot(0, this, [this] { releaseStep(); });
  }
}

void MVPreviewView::releaseStep()
{
  // About a millisecond of freeing per turn of the event loop.
  constexpr int kElementsPerClockRead = 64;
  constexpr qint64 kSliceNanoseconds = 1000000;
  releaseScheduled_ = false;
  QElapsedTimer clock;
  clock.start();
  int released = 0;
  while (!releasePending_.empty()) {
    std::shared_ptr<const MVElement> element = std::move(releasePending_.back());
    releasePending_.pop_back();
    // A group that nobody else holds gives its children up first (moved, not copied), so that
    // no slice frees a whole large collection at once. Trees are immutable while shared; a
    // group that is ours alone may be taken apart.
    if (element.use_count() == 1) {
      if (const auto group = std::dynamic_pointer_cast<const MVElementGroup>(element); group && group->count() > 0) {
        MVElementGroup::ElementArray children = std::const_pointer_cast<MVElementGroup>(group)->takeElementArray();
        releasePending_.insert(releasePending_.end(), std::make_move_iterator(children.begin()),
                               std::make_move_iterator(children.end()));
      }
    }
    element.reset();
    if (++released % kElementsPerClockRead == 0 && clock.nsecsElapsed() >= kSliceNanoseconds) {
      break;
    }
  }
  if (!releasePending_.empty()) {
    releaseScheduled_ = true;
    QTimer::singleShot(0, this, [this] { releaseStep(); });
  }
}

void MVPreviewView::updatePattern()
{
  MVNodeController* controller = nodeController();
  if (controller == nullptr) {
    return;
  }
  if (previewRenderingElement_ &&
      previewRenderingElementGenerationCycleID_ == controller->currentGenerationCycleID()) {
    startRenderingThread();
    return;
  }
  // Element trees are immutable: the output is shared, not copied, and regeneration makes a
  // new one rather than touching it. Bitmap passes leave out what lies outside the artboard as
  // they draw; vector output gets a culled copy when it needs one (culledRenderingElement).
  releaseLater(std::exchange(previewRenderingElement_, controller->outputElement()));
  releaseLater(std::exchange(previewRenderingSelectionElement_, nullptr));
  releaseLater(std::exchange(culledRenderingElement_, nullptr));
  previewRenderingElementGenerationCycleID_ = controller->currentGenerationCycleID();
  updateSelection();
  startRenderingThread();
}

double MVPreviewView::retinaScaling() const
{
  if (exportMode_ || animationExportMode_) {
    return 1.0;
  }
  const double ratio = devicePixelRatioF();
  return ratio > 0.0 ? ratio : 1.0;
}

void MVPreviewView::startRenderingThread()
{
  MVNodeController* controller = nodeController();
  if (!previewRenderingQueue_) {
    previewRenderingQueue_ = pf::WorkQueue::serial("com.oradel.MorvalisPreviewRendering");
  }
  if (!renderingThread_) {
    renderingThread_ = std::make_unique<MVElementRenderer>();
    renderingThread_->setDelegate(this);
    renderingThread_->setRenderingThreadName("Main renderer");
    renderingThread_->setPartialImageInterval(kPartialImageInterval);
  }
  // A queued job that has not started yet counts as busy too: it would render the inputs set
  // below anyway, and its report serves this request.
  if (renderingThread_->rendererBusyFlag() || renderQueued_) {
    if (!exportMode_ && !animationExportMode_) {
      shouldRenderAgainWhenFinished_ = true;
      return;
    }
    previewRenderingQueue_->waitUntilIdle();
  }
  if (controller != nullptr) {
    controller->setupRenderingThread(renderingThread_.get());
    controller->updateStatisticsPanelWithRenderer(renderingThread_.get());
  }
  // The renderer's last tree usually goes with this change: freed a slice at a time.
  std::shared_ptr<const MVElement> previous = renderingThread_->inputRenderingElement();
  renderingThread_->setInputRenderingElement(exportMode_ ? culledRenderingElement() : previewRenderingElement_);
  releaseLater(std::move(previous));
  renderingThread_->setDisplayScale(displayScale_);
  const double retina = retinaScaling();
  renderingThread_->setRetinaScaling(retina);
  renderingThread_->setExportMode(exportMode_);
  if (!exportMode_ && !animationExportMode_) {
    const double width = renderingThread_->renderingSizeWidth() * displayScale_ * retina;
    const double height = renderingThread_->renderingSizeHeight() * displayScale_ * retina;
    if (width > 0.0 && height > 0.0) {
      renderQueued_ = true;
      MVElementRenderer* renderer = renderingThread_.get();
      previewRenderingQueue_->post([renderer] { renderer->startRendering(); });
    }
    return;
  }
  if (animationExportMode_) {
    renderingThread_->startRendering();
    renderThreadFinished(*renderingThread_);
  }
}

void MVPreviewView::renderThreadFinished(MVElementRenderer& renderer)
{
  MVNodeController* controller = nodeController();
  if (&renderer == renderingThread_.get()) {
    renderQueued_ = false;
    if (const std::shared_ptr<const pf::Bitmap> bitmap = renderer.outputBitmap()) {
      showPatternImage(renderer, bitmap);
      ++renderCount_;
      if (controller != nullptr) {
        controller->updateStatisticsPanelWithRenderer(&renderer);
      }
      emit patternImageChanged();
    }
    shouldNotifyAboutFinishedUpdate_ = true;
    update();
    if (shouldRenderAgainWhenFinished_) {
      shouldRenderAgainWhenFinished_ = false;
      updatePattern();
    }
    return;
  }
  if (&renderer == selectionRenderingThread_.get()) {
    if (const std::shared_ptr<const pf::Bitmap> bitmap = renderer.outputBitmap()) {
      if (controller != nullptr && controller->hasSelectedNodes()) {
        selectionImage_ = imageOfBitmap(bitmap, renderer.retinaScaling());
      } else {
        selectionImage_ = QImage();
      }
      update();
    }
  }
}

void MVPreviewView::renderThreadPartialImageReady(MVElementRenderer& renderer, std::shared_ptr<const pf::Bitmap> image)
{
  // The renderer hands over only images of its running pass, in order, and none once that pass
  // was aborted or has reported: each one is newer than what is shown, and the complete image
  // replaces the last of them.
  if (&renderer != renderingThread_.get() || !image) {
    return;
  }
  showPatternImage(renderer, image);
  ++partialImageCount_;
  emit partialPatternImageShown();
}

void MVPreviewView::showPatternImage(const MVElementRenderer& renderer, const std::shared_ptr<const pf::Bitmap>& bitmap)
{
  patternImage_ = imageOfBitmap(bitmap, renderer.retinaScaling());
  const double width = renderer.displayScale() * renderer.renderingSizeWidth();
  const double height = renderer.displayScale() * renderer.renderingSizeHeight();
  if (width != lastRenderSizeX_ || height != lastRenderSizeY_) {
    resizeView();
  }
  lastRenderSizeX_ = width;
  lastRenderSizeY_ = height;
  update();
}

void MVPreviewView::updateSelection()
{
  MVNodeController* controller = nodeController();
  if (controller != nullptr && controller->hasSelectedNodes() && showSelectionOutlines_) {
    startSelectionRenderingThread();
  } else if (!selectionImage_.isNull()) {
    update();
    selectionImage_ = QImage();
  }
  // The pivot marker is drawn by paintEvent while the controller offers a drag-edit.
  const bool showPivot = controller != nullptr && controller->shouldShowDragEditPivot();
  if (showPivot || pivotMarkerShown_) {
    update();
  }
}

void MVPreviewView::startSelectionRenderingThread()
{
  MVNodeController* controller = nodeController();
  if (!previewSelectionRenderingQueue_) {
    previewSelectionRenderingQueue_ = pf::WorkQueue::serial("com.oradel.MorvalisPreviewSelectionRendering");
  }
  if (!selectionRenderingThread_) {
    selectionRenderingThread_ = std::make_unique<MVElementRenderer>();
    selectionRenderingThread_->setDelegate(this);
    selectionRenderingThread_->setRenderingThreadName("Selection renderer");
  }
  if (controller != nullptr) {
    controller->setupRenderingThread(selectionRenderingThread_.get());
  }
  // The same immutable tree as the main renderer's.
  previewRenderingSelectionElement_ = previewRenderingElement_;
  // Each pass snapshots the renderer's settings when it starts, so a request made while a
  // selection pass runs only makes that pass start again with the newest inputs.
  std::shared_ptr<const MVElement> previous = selectionRenderingThread_->inputRenderingElement();
  selectionRenderingThread_->setInputRenderingElement(previewRenderingSelectionElement_);
  releaseLater(std::move(previous));
  selectionRenderingThread_->setDisplayScale(displayScale_);
  MVNodeIDSet selected;
  bool artboardSelected = false;
  if (controller != nullptr) {
    for (const MVNode* node : controller->selectedNodesArray()) {
      selected.insert(node->nodeId());
      if (node == controller->artboardNode()) {
        artboardSelected = true;
      }
    }
  }
  selectionRenderingThread_->setSelectedNodeIDs(std::move(selected));
  selectionRenderingThread_->setArtboardSelected(artboardSelected);
  const double retina = retinaScaling();
  selectionRenderingThread_->setRetinaScaling(retina);
  const double width = selectionRenderingThread_->renderingSizeWidth() * displayScale_ * retina;
  const double height = selectionRenderingThread_->renderingSizeHeight() * displayScale_ * retina;
  if (width > 0.0 && height > 0.0) {
    MVElementRenderer* renderer = selectionRenderingThread_.get();
    previewSelectionRenderingQueue_->post([renderer] { renderer->startRenderingSelection(); });
  }
}

std::shared_ptr<const MVElement> MVPreviewView::culledRenderingElement()
{
  if (!culledRenderingElement_ && previewRenderingElement_) {
    std::shared_ptr<MVElement> copy = previewRenderingElement_->copy();
    if (auto* group = dynamic_cast<MVElementGroup*>(copy.get())) {
      group->cullElementsOutsideArtboard();
    }
    culledRenderingElement_ = std::move(copy);
  }
  return culledRenderingElement_;
}

bool MVPreviewView::isRendering() const
{
  return renderQueued_ || (renderingThread_ && renderingThread_->rendererBusyFlag()) || shouldRenderAgainWhenFinished_;
}

std::optional<std::vector<std::uint8_t>> MVPreviewView::pdfData()
{
  MVNodeController* controller = nodeController();
  if (controller == nullptr || patternImage_.isNull()) {
    return std::nullopt;
  }
  MVElementRenderer renderer;
  controller->setupRenderingThread(&renderer);
  renderer.setInputRenderingElement(culledRenderingElement());
  renderer.setDisplayScale(displayScale_);
  renderer.setRenderingThreadName("Export renderer");
  return renderer.renderDocument(pf::Surface::Kind::Pdf);
}

void MVPreviewView::releaseResources()
{
  previewRenderingElementGenerationCycleID_ = 0;
  previewRenderingElement_.reset();
  previewRenderingSelectionElement_.reset();
  culledRenderingElement_.reset();
  releasePending_.clear();
  patternImage_ = QImage();
  selectionImage_ = QImage();
  if (previewRenderingQueue_) {
    previewRenderingQueue_->cancelPending();
    previewRenderingQueue_->waitUntilIdle();
  }
  if (previewSelectionRenderingQueue_) {
    previewSelectionRenderingQueue_->cancelPending();
    previewSelectionRenderingQueue_->waitUntilIdle();
  }
  renderingThread_.reset();
  selectionRenderingThread_.reset();
  renderQueued_ = false;
  shouldRenderAgainWhenFinished_ = false;
  document_ = nullptr;
}

void MVPreviewView::setStatusMessage(const std::optional<std::string>& message)
{
  statusMessage_ = message;
  if (message) {
    showInfoPanel(*statusMessagePanel_, *statusMessageLabel_, QString::fromStdString(*message));
    statusMessagePanel_->move(8, 8);
  } else {
    statusMessagePanel_->hide();
  }
  emit statusMessageChanged(message ? QString::fromStdString(*message) : QString());
}

void MVPreviewView::setDragEditInfoText(const std::string& text)
{
  if (text.empty()) {
    dragEditInfoPanel_->hide();
    return;
  }
  showInfoPanel(*dragEditInfoPanel_, *dragEditInfoLabel_, QString::fromStdString(text));
  dragEditInfoPanel_->move(8, height() - dragEditInfoPanel_->height() - 8);
}

void MVPreviewView::showInfoPanel(InterfaceWidgetView& panel, QLabel& label, const QString& text)
{
  label.setText(text);
  label.adjustSize();
  panel.resize(label.width() + 2 * kInfoPanelMargin, label.height() + 2 * kInfoPanelMargin);
  panel.show();
  panel.raise();
}

// ---- Drawing ----

QRect MVPreviewView::artboardRect() const
{
  double w = 1.0;
  double h = 1.0;
  if (MVNodeController* controller = nodeController()) {
    w = roundHalfAway(controller->artboardSize().width * displayScale_);
    h = roundHalfAway(controller->artboardSize().height * displayScale_);
  } else if (!patternImage_.isNull()) {
    w = roundHalfAway(patternImage_.width() / patternImage_.devicePixelRatio());
    h = roundHalfAway(patternImage_.height() / patternImage_.devicePixelRatio());
  }
  const double x0 = roundHalfAway(width() / 2.0 - w / 2.0);
  const double y0 = roundHalfAway(height() / 2.0 - h / 2.0);
  return QRect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(w), static_cast<int>(h));
}

void MVPreviewView::paintEvent(QPaintEvent*)
{
  if (!patternImage_.isNull() || !selectionImage_.isNull()) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect box = artboardRect();
    if (!patternImage_.isNull()) {
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(box, patternImage_);
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!selectionImage_.isNull() && showSelectionOutlines_) {
      painter.drawImage(box, selectionImage_);
    }
    if (displayRepetitionOpacity_ > 0.0 && showRepetitions_) {
      painter.setOpacity(displayRepetitionOpacity_);
      const int w = box.width();
      const int h = box.height();
      if (w > 1 || h > 1) {
        const int nx = static_cast<int>(std::ceil(std::ceil(static_cast<double>(width()) / std::max(w, 1)) / 2.0));
        const int ny = static_cast<int>(std::ceil(std::ceil(static_cast<double>(height()) / std::max(h, 1)) / 2.0));
        for (int i = -nx; i <= nx; ++i) {
          for (int j = -ny; j <= ny; ++j) {
            if (i == 0 && j == 0) {
              continue;
            }
            const QRect tile(box.x() + i * w, box.y() + j * h, w, h);
            if (!patternImage_.isNull()) {
              painter.drawImage(tile, patternImage_);
            }
            if (!selectionImage_.isNull()) {
              painter.drawImage(tile, selectionImage_);
            }
          }
        }
      } else {
        if (!patternImage_.isNull()) {
          painter.drawImage(rect(), patternImage_);
        }
        if (!selectionImage_.isNull() && showSelectionOutlines_) {
          painter.drawImage(rect(), selectionImage_);
        }
      }
    }
  }
  pivotMarkerShown_ = false;
  if (MVNodeController* controller = nodeController(); controller != nullptr && controller->shouldShowDragEditPivot()) {
    const QRect box = artboardRect();
    const pf::Point pivot = controller->dragEditPivot();
    if (std::isfinite(pivot.x) && std::isfinite(pivot.y)) {
      const QPointF centre(box.x() + pivot.x * displayScale_, box.y() + pivot.y * displayScale_);
      QPainter painter(this);
      painter.setRenderHint(QPainter::Antialiasing);
      const QColor marker = QColor(230, 60, 40);
      painter.setPen(QPen(Qt::white, 3.0));
      painter.drawEllipse(centre, 5.0, 5.0);
      painter.setPen(QPen(marker, 1.5));
      painter.drawEllipse(centre, 5.0, 5.0);
      painter.drawLine(centre - QPointF(8, 0), centre + QPointF(8, 0));
      painter.drawLine(centre - QPointF(0, 8), centre + QPointF(0, 8));
      pivotMarkerShown_ = true;
    }
  }
  if (shouldNotifyAboutFinishedUpdate_) {
    shouldNotifyAboutFinishedUpdate_ = false;
    if (MVNodeController* controller = nodeController()) {
      controller->updatePreviewFinished();
      if (renderingThread_) {
        controller->updateStatisticsPanelWithRenderer(renderingThread_.get());
      }
    }
  }
}

// ---- Zoom ----

double MVPreviewView::artboardHeight() const
{
  MVNodeController* controller = nodeController();
  return controller != nullptr ? controller->artboardSize().height : 0.0;
}

void MVPreviewView::displayScaleChangedFromField(double percent)
{
  displayScaleChanged(percent / 100.0, false, false);
}

void MVPreviewView::displayScaleChangedFromSlider(double value)
{
  displayScaleChanged(roundTwoDecimals(value), true, false);
}

void MVPreviewView::displayScaleChangedFromCommand(double scale)
{
  displayScaleChanged(scale, false, true);
}

void MVPreviewView::displayScaleChanged(double candidate, bool fromSlider, bool fromCommand)
{
  const double ah = artboardHeight();
  const double s0 = displayScale_;
  double s = candidate;
  if (!std::isfinite(s)) {
    return;
  }
  // A zero-size artboard has no height to hold between the limits.
  if (ah > 0.0) {
    if (ah * s < 1.0) {
      s = 1.0 / ah;
    }
    if (s * ah > 10000.0) {
      s = 10000.0 / ah;
    }
  }
  if (s <= 0.0) {
    return;
  }
  // The slider's range changes when a drag ends, not during it.
  if (!fromSlider || (displayScaleSlider_ && !displayScaleSlider_->isSliderDown())) {
    updateDisplayScalingSliderMax();
  }
  if (!fromCommand && s == s0) {
    updateInterface();
    return;
  }
  storeDisplaySettingUndoState(std::string("change preview zoom"));
  displayScale_ = ah > 0.0 ? roundHalfAway(s * ah) / ah : s;
  afterZoom(true);
}

void MVPreviewView::afterZoom(bool updateSelectionToo)
{
  resizeView();
  updateInterface();
  update();
  if (MVNodeController* controller = nodeController()) {
    controller->previewRerenderStart();
  }
  updatePattern();
  if (updateSelectionToo) {
    updateSelection();
  }
}

void MVPreviewView::displayScaleFit()
{
  MVNodeController* controller = nodeController();
  if (controller == nullptr) {
    return;
  }
  const QSize clip = scrollArea_ ? scrollArea_->viewport()->size() : size();
  const double aw = controller->artboardSize().width;
  const double ah = controller->artboardSize().height;
  if (!(aw > 0.0) || !(ah > 0.0)) {
    return;
  }
  double s = roundTwoDecimals(std::min((clip.width() - 10.0) / (aw * 1.1), (clip.height() - 10.0) / (ah * 1.1)));
  // Fit is held to the zoom range too: a tiny view must not give a zero or negative scale.
  s = std::clamp(s, 1.0 / ah, 10000.0 / ah);
  if (s == displayScale_) {
    return;
  }
  storeDisplaySettingUndoState(std::string("change preview zoom"));
  displayScale_ = s;
  updateDisplayScalingSliderMax();
  afterZoom(false);
}

void MVPreviewView::displayScaleRevert()
{
  if (displayScale_ == 1.0) {
    return;
  }
  storeDisplaySettingUndoState(std::string("change preview zoom"));
  displayScale_ = 1.0;
  afterZoom(false);
}

void MVPreviewView::updateDisplayScalingSliderMax()
{
  sliderMaximum_ = 3.0;
  sliderMinimum_ = 0.25;
  if (displayScale_ <= 0.25) {
    sliderMinimum_ = 0.05;
  }
  if (displayScale_ >= 3.0) {
    sliderMaximum_ = 10.0;
  }
  if (displayScale_ >= sliderMaximum_) {
    sliderMaximum_ = roundHalfAway(displayScale_ / 10.0) * 2.0 * 10.0;
  }
  if (displayScaleSlider_) {
    updatingControls_ = true;
    displayScaleSlider_->setRange(static_cast<int>(roundHalfAway(sliderMinimum_ * kSliderSteps)),
                                  static_cast<int>(roundHalfAway(sliderMaximum_ * kSliderSteps)));
    updatingControls_ = false;
  }
}

void MVPreviewView::zoomBySliderValue(double value)
{
  // As the slider would: its range bounds the value.
  displayScaleChangedFromSlider(std::clamp(value, sliderMinimum_, sliderMaximum_));
}

void MVPreviewView::resizeView()
{
  MVNodeController* controller = nodeController();
  if (!scrollArea_ || controller == nullptr) {
    return;
  }
  QWidget* clip = scrollArea_->viewport();
  const double cw = clip->width();
  const double ch = clip->height();
  QScrollBar* horizontal = scrollArea_->horizontalScrollBar();
  QScrollBar* vertical = scrollArea_->verticalScrollBar();
  const double cx = horizontal->value();
  const double cy = vertical->value();
  std::optional<std::pair<double, double>> centre;
  if ((horizontal->maximum() > 0 || vertical->maximum() > 0) && width() > 0 && height() > 0) {
    const double rx = (cx + cw / 2.0) / width();
    const double ry = (cy + ch / 2.0) / height();
    if (std::isfinite(rx) && std::isfinite(ry)) {
      centre = std::make_pair(rx, ry);
    }
  }
  const double w = roundHalfAway(controller->artboardSize().width * displayScale_);
  const double h = roundHalfAway(controller->artboardSize().height * displayScale_);
  const double margin = displayRepetitionOpacity_ != 0.0 ? 2.0 * std::min(0.05 * h, 0.05 * w) : 0.0;
  const double newHeight = h + margin > ch ? h + margin : ch;
  const double newWidth = w + margin > cw ? w + margin : cw;
  const QSize newSize(static_cast<int>(std::min(newWidth, 16.0e6)), static_cast<int>(std::min(newHeight, 16.0e6)));
  if (newSize == size()) {
    return;
  }
  resize(newSize);
  if (centre && (newSize.width() > cw || newSize.height() > ch)) {
    horizontal->setValue(static_cast<int>(std::clamp(newSize.width() * centre->first - cw / 2.0, 0.0,
                                                     std::max(0.0, newSize.width() - cw))));
    vertical->setValue(static_cast<int>(std::clamp(newSize.height() * centre->second - ch / 2.0, 0.0,
                                                   std::max(0.0, newSize.height() - ch))));
  }
}

void MVPreviewView::wheelEvent(QWheelEvent* event)
{
  // Alt-wheel as on the original desktop, Ctrl-wheel as Linux desktops zoom.
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (!(modifiers & (Qt::AltModifier | Qt::ControlModifier))) {
    QWidget::wheelEvent(event);
    return;
  }
  QPointF delta = QPointF(event->angleDelta()) / 120.0;
  if (!event->pixelDelta().isNull()) {
    delta = QPointF(event->pixelDelta()) / 10.0;
  }
  // Qt reports Alt-wheel as a horizontal scroll on many platforms.
  double dy = delta.y();
  double dx = delta.x();
  if (modifiers & Qt::AltModifier && dy == 0.0) {
    std::swap(dx, dy);
  }
  std::optional<double> factor;
  if (dy < -0.09 || (dy == 0.0 && dx < -0.09)) {
    factor = 1.0 / 1.2;
  }
  if (dy > 0.09 || (dy == 0.0 && dx > 0.09)) {
    factor = 1.2;
  }
  event->accept();
  if (factor) {
    zoomBySliderValue(*factor * displayScale_);
  }
}

bool MVPreviewView::event(QEvent* event)
{
  if (event->type() == QEvent::NativeGesture) {
    auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (gesture->gestureType() == Qt::ZoomNativeGesture) {
      const double m = gesture->value();
      if (1.0 + m != 1.0) {
        zoomBySliderValue((1.0 + m) * displayScale_);
      }
      return true;
    }
  }
  return QWidget::event(event);
}

// ---- Display settings ----

void MVPreviewView::displayRepetitionOpacityChanged(double opacity)
{
  storeDisplaySettingUndoState(std::string("change preview repetitions opacity"));
  displayRepetitionOpacity_ = std::clamp(opacity, 0.0, 1.0);
  resizeView();
  update();
}

void MVPreviewView::displayShowRepetitionsChanged()
{
  storeDisplaySettingUndoState(std::string("change preview repetitions display"));
  showRepetitions_ = !showRepetitions_;
  update();
  updateInterface();
}

void MVPreviewView::displayShowSelectionOutlinesChanged()
{
  storeDisplaySettingUndoState(std::string("change preview selection outlines display"));
  showSelectionOutlines_ = !showSelectionOutlines_;
  updateSelection();
  updateInterface();
}

pf::PlistValue::Dictionary MVPreviewView::displaySettingsDictionary() const
{
  pf::PlistValue::Dictionary settings;
  DictionaryValueExtras::setDoubleValue(settings, displayRepetitionOpacity_, "Display Repeat Opacity");
  DictionaryValueExtras::setDoubleValue(settings, displayScale_, "Display Scaling");
  DictionaryValueExtras::setBoolValue(settings, showRepetitions_, "Show Repetitions");
  DictionaryValueExtras::setBoolValue(settings, showSelectionOutlines_, "Show Selection Outlines");
  pf::Point offset;
  if (scrollArea_) {
    offset = pf::Point(scrollArea_->horizontalScrollBar()->value(), scrollArea_->verticalScrollBar()->value());
  }
  settings.set("Scroll Offset", pf::pointString(offset));
  return settings;
}

void MVPreviewView::loadDisplaySettings(const std::optional<pf::PlistValue::Dictionary>& settings)
{
  const double previousScale = displayScale_;
  if (settings) {
    displayRepetitionOpacity_ = std::clamp(
        DictionaryValueExtras::doubleValueForKey(*settings, "Display Repeat Opacity"), 0.0, 1.0);
    const double scale = DictionaryValueExtras::doubleValueForKey(*settings, "Display Scaling");
    // A damaged file must not leave a scale that no zoom operation can recover from.
    displayScale_ = std::isfinite(scale) && scale > 0.0 ? std::min(scale, 1.0e4) : 1.0;
    showRepetitions_ = DictionaryValueExtras::boolValueForKey(*settings, "Show Repetitions");
    showSelectionOutlines_ = DictionaryValueExtras::boolValueForKey(*settings, "Show Selection Outlines");
  }
  updateInterface();
  if (displayScale_ != previousScale) {
    resizeView();
    updateDisplayScalingSliderMax();
    updateInterface();
  }
  if (settings && scrollArea_) {
    if (const pf::PlistValue* offset = settings->find("Scroll Offset"); offset != nullptr && offset->isString()) {
      const pf::Point point = pf::pointFromString(*offset->asString());
      if (std::isfinite(point.x) && std::isfinite(point.y)) {
        scrollArea_->horizontalScrollBar()->setValue(static_cast<int>(std::clamp(point.x, 0.0, 1.0e7)));
        scrollArea_->verticalScrollBar()->setValue(static_cast<int>(std::clamp(point.y, 0.0, 1.0e7)));
      }
    }
  }
  update();
}

void MVPreviewView::storeDisplaySettingUndoState(const std::optional<std::string>& actionName)
{
  if (document_ != nullptr) {
    document_->storeDisplaySettingsUndoState(displaySettingsDictionary(), actionName);
  }
}

void MVPreviewView::updateInterface()
{
  updatingControls_ = true;
  if (displayRepetitionLabel_ && displayRepetitionOpacitySlider_) {
    displayRepetitionLabel_->setVisible(showRepetitions_);
    displayRepetitionOpacitySlider_->setVisible(showRepetitions_);
    displayRepetitionOpacitySlider_->setValue(static_cast<int>(roundHalfAway(displayRepetitionOpacity_ * 100.0)));
  }
  if (displayScaleField_ && !displayScaleField_->hasFocus()) {
    displayScaleField_->setText(QString("%1%").arg(static_cast<long long>(roundHalfAway(displayScale_ * 100.0))));
  }
  if (displayScaleSlider_ && !displayScaleSlider_->isSliderDown()) {
    displayScaleSlider_->setValue(static_cast<int>(roundHalfAway(displayScale_ * kSliderSteps)));
  }
  if (displaySettingsShowRepetitionsItem_ != nullptr) {
    displaySettingsShowRepetitionsItem_->setChecked(showRepetitions_);
    displaySettingsShowSelectionOutlinesItem_->setChecked(showSelectionOutlines_);
    MVNodeController* controller = nodeController();
    displaySettingsAutoRefreshItem_->setChecked(controller != nullptr && controller->autoRegenerate());
  }
  if (displaySeparatePanelButton_) {
    const QWidget* top = window();
    displaySeparatePanelButton_->setChecked(top != nullptr && (top->windowFlags() & Qt::Tool) == Qt::Tool);
  }
  updatingControls_ = false;
}

// ---- Pointer ----

pf::Point MVPreviewView::positionOfMouseLocation(QPointF point) const
{
  const QRect box = artboardRect();
  return pf::Point((point.x() - box.x()) / displayScale_, (point.y() - box.y()) / displayScale_);
}

void MVPreviewView::mousePressEvent(QMouseEvent* event)
{
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  mouseDraggedFlag_ = false;
  mouseDownStartTime_ = secondsNow();
  lastPointer_ = event->position();
  lastGlobalPointer_ = event->globalPosition();
  event->accept();
}

void MVPreviewView::mouseMoveEvent(QMouseEvent* event)
{
  if (!(event->buttons() & Qt::LeftButton)) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  if (spaceHeld_) {
    setCursor(Qt::OpenHandCursor);
    // The canvas moves under the pointer, so its view position moves too: pan by the pointer's
    // movement on the screen.
    panBy(event->globalPosition() - lastGlobalPointer_);
    lastGlobalPointer_ = event->globalPosition();
    lastPointer_ = event->position();
    return;
  }
  // Each move is measured from the one before: small moves are jitter and do not add up.
  const QPointF now = event->position();
  const QPointF previous = lastPointer_;
  lastPointer_ = now;
  lastGlobalPointer_ = event->globalPosition();
  const QPointF delta = now - previous;
  if (std::abs(delta.x()) <= 0.9 && std::abs(delta.y()) <= 0.9) {
    return;
  }
  dragEditStep(previous, now, (event->modifiers() & Qt::ShiftModifier) != 0);
}

void MVPreviewView::mouseReleaseEvent(QMouseEvent* event)
{
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  unsetCursor();
  if (nodeController() == nullptr) {
    mouseDraggedFlag_ = false;
    return;
  }
  if (mouseDraggedFlag_) {
    dragEditEnd();
  } else if (!spaceHeld_ && secondsNow() - mouseDownStartTime_ < 0.5) {
    clickSelect(event->position());
  }
  mouseDraggedFlag_ = false;
}

void MVPreviewView::panBy(QPointF delta)
{
  if (!scrollArea_) {
    return;
  }
  QScrollBar* horizontal = scrollArea_->horizontalScrollBar();
  QScrollBar* vertical = scrollArea_->verticalScrollBar();
  const int x = std::clamp(static_cast<int>(horizontal->value() - delta.x()), 0, horizontal->maximum());
  const int y = std::clamp(static_cast<int>(vertical->value() - delta.y()), 0, vertical->maximum());
  if (x == horizontal->value() && y == vertical->value()) {
    return;
  }
  horizontal->setValue(x);
  vertical->setValue(y);
  resizeView();
}

void MVPreviewView::dragEditStep(QPointF from, QPointF to, bool shiftHeld)
{
  MVNodeController* controller = nodeController();
  if (controller == nullptr || !controller->shouldShowDragEditPivot()) {
    return;
  }
  const pf::Point p = positionOfMouseLocation(to);
  const pf::Point q = positionOfMouseLocation(from);
  if (!mouseDraggedFlag_) {
    controller->displayViewValueDragOffsetStartAt(q.x, q.y);
  }
  mouseDraggedFlag_ = true;
  controller->displayViewValueDragOffset(p.x - q.x, p.y - q.y, shiftHeld);
}

void MVPreviewView::dragEditEnd()
{
  if (MVNodeController* controller = nodeController()) {
    controller->displayViewValueDragOffsetEnd();
  }
}

void MVPreviewView::clickSelect(QPointF point)
{
  MVNodeController* controller = nodeController();
  if (controller == nullptr) {
    return;
  }
  pf::Point p = positionOfMouseLocation(point);
  const double aw = controller->artboardSize().width;
  const double ah = controller->artboardSize().height;
  // A click on a repetition selects in the artboard itself; a zero-size artboard has nothing
  // to fold into.
  if (showRepetitions_ && displayRepetitionOpacity_ > 0.0 && aw > 0.0 && ah > 0.0) {
    p.x = std::fmod(p.x, aw);
    if (p.x < 0.0) {
      p.x += aw;
    }
    p.y = std::fmod(p.y, ah);
    if (p.y < 0.0) {
      p.y += ah;
    }
  }
  const MVElement* hit = nullptr;
  if (p.x >= 0.0 && p.x <= aw && p.y >= 0.0 && p.y <= ah && previewRenderingElement_) {
    hit = previewRenderingElement_->elementAtPoint(p);
  }
  if (hit == nullptr) {
    if (controller->hasSelectedNodes()) {
      controller->selectNode(nullptr, false, false, true);
    }
    return;
  }
  const std::vector<std::string>& history = hit->nodeHistory();
  if (history.empty()) {
    return;
  }
  // Repeated clicks step back from the node that handled the element last toward the one that
  // made it, and wrap around.
  std::size_t candidate = history.size() - 1;
  for (std::size_t k = 0; k < history.size(); ++k) {
    MVNode* node = controller->nodeWithId(history[k]);
    if (node != nullptr && node->selected()) {
      candidate = k > 0 ? k - 1 : history.size() - 1;
      break;
    }
  }
  MVNode* node = controller->nodeWithId(history[candidate]);
  if (node != nullptr && !node->selected()) {
    controller->selectNode(node, false, false, true);
  }
}
