#include "MorvNode/Inspector/MVParameterGraphicsView.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Elements/MVElementRendererDelegate.h"
#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "Platform/RunLoop.h"
#include "Platform/WorkQueue.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// The box behind a preview: filled in its window colour by its own paint rather than by Qt's
// background fill, which would make it opaque to Qt. An opaque child cuts a hole into what its
// ancestors repaint, and a screen of boxes with a hole each turns every repaint of the editor
// into the bookkeeping of a region of hundreds of rectangles.
class PreviewBox : public QFrame {
public:
  using QFrame::QFrame;

protected:
  void paintEvent(QPaintEvent* event) override
  {
    {
      QPainter painter(this);
      painter.fillRect(rect(), palette().brush(QPalette::Window));
    }
    QFrame::paintEvent(event);
  }
};

}  // namespace

// The row's renderer and the delegate through which it reports. A pass in flight holds a share,
// so a row that goes away mid-pass leaves both alive until the pass ends; the report then finds
// no row and is dropped.
struct MVParameterGraphicsView::Rendering final : MVElementRendererDelegate {
  void renderThreadFinished(MVElementRenderer&) override
  {
    if (row != nullptr) {
      row->renderThreadFinished();
    }
  }
  MVElementRenderer renderer;
  QPointer<MVParameterGraphicsView> row;
};

MVParameterGraphicsView::MVParameterGraphicsView(QWidget* parent) : MVParameterView(parent) {}

MVParameterGraphicsView::~MVParameterGraphicsView()
{
  if (rendering_ != nullptr) {
    rendering_->row.clear();
  }
}

pf::WorkQueue& MVParameterGraphicsView::previewQueue()
{
  static const std::unique_ptr<pf::WorkQueue> queue = pf::WorkQueue::concurrent("com.oradel.MorvalisParameterPreviews");
  return *queue;
}

void MVParameterGraphicsView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterGraphics*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterGraphicsView::initInterface()
{
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterGraphicsView initInterface called with no parameter set");
    return;
  }
  setLayoutSpaceBelow(parameter_->layoutSpaceBelow());
  const int top = static_cast<int>(interfaceBuildingPositionY());
  if (parameter_->layoutHasPreview()) {
    previewBackgroundBox_ = new PreviewBox(this);
    previewBackgroundBox_->setGeometry(0, top, width(), kPreviewHeight);
    previewBackgroundBox_->setFrameShape(QFrame::Box);
    previewBackgroundBox_->setLineWidth(1);
    QPalette palette = previewBackgroundBox_->palette();
    QColor fill = MVInterfaceAssets::color("PreviewBackground");
    palette.setColor(QPalette::Window, fill.isValid() ? fill : palette.color(QPalette::Base));
    QColor edge = MVInterfaceAssets::color("ParameterGraphicsEdge");
    if (edge.isValid()) {
      palette.setColor(QPalette::WindowText, edge);
    }
    previewBackgroundBox_->setPalette(palette);
    previewBackgroundBox_->lower();
    previewImageView_ = new QLabel(this);
    previewImageView_->setGeometry(previewBackgroundBox_->geometry().adjusted(1, 1, -1, -1));
    previewImageView_->setAlignment(Qt::AlignCenter);
    previewImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setInterfaceBuildingPositionY(top + kPreviewHeight);
  } else {
    parameterFieldLabel_ =
        InspectorControls::label(this, QString::fromStdString(parameter_->tooltip()), "ParameterGraphicsEdge", true);
    parameterFieldLabel_->setGeometry(10, top, std::max(0, width() - 19), 20);
    setInterfaceBuildingPositionY(top + 20);
  }
}

void MVParameterGraphicsView::updateInterface()
{
  if (parameter_ != nullptr) {
    if (parameterFieldLabel_ != nullptr) {
      parameterFieldLabel_->setText(QString::fromStdString(parameter_->displayName()));
      parameterFieldLabel_->setHidden(!parameter_->enabled());
    }
    if (previewImageView_ != nullptr) {
      if (isRendering()) {
        // One pass at a time: the newest element follows when it ends, or at once when the
        // running pass has taken too long (it stops and starts again with the newest element).
        previewPending_ = true;
        MVElementRenderer& renderer = rendering_->renderer;
        if (MVElementRenderer::renderClock() - renderer.renderStartTime() > kRenderPatience) {
          std::shared_ptr<const MVElement> element = parameter_->previewElement();
          renderer.setInputRenderingElement(element);
          previewPending_ = false;
          renderer.startRendering();
        }
      } else {
        startPreviewRenderingWithElement(parameter_->previewElement());
      }
    }
  }
  MVParameterView::updateInterface();
}

bool MVParameterGraphicsView::isRendering() const
{
  return rendering_ != nullptr && rendering_->renderer.rendererBusyFlag();
}

void MVParameterGraphicsView::startPreviewRenderingWithElement(std::shared_ptr<const MVElement> element)
{
  if (previewImageView_ == nullptr) {
    FeedbackManager::log("Error, %@ startPreviewRenderingWithElement with no previewImageView", description());
    return;
  }
  if (rendering_ == nullptr) {
    rendering_ = std::make_shared<Rendering>();
    rendering_->row = this;
    rendering_->renderer.setDelegate(rendering_.get());
    rendering_->renderer.setRenderingThreadName(
        (parameter_ != nullptr ? parameter_->description() : std::string("(null)")) + " preview renderer");
    rendering_->renderer.setExportMode(false);
  }
  MVElementRenderer& renderer = rendering_->renderer;
  pf::Color background = pf::Color::white();
  double opacity = 1.0;
  auto* controller = parameter_ != nullptr ? dynamic_cast<MVNodeController*>(parameter_->nodeController()) : nullptr;
  if (controller != nullptr) {
    background = controller->patternBackgroundColor();
    opacity = controller->patternBackgroundOpacity();
  } else {
    FeedbackManager::log("Warning, %@ startPreviewRenderingWithElement with no graphicsBackgroundProvider, using white background",
                         description());
  }
  renderer.setBackgroundColor(background);
  renderer.setBackgroundOpacity(opacity);
  renderer.setDrawBackgroundFlag(opacity != 0.0);
  renderer.setRenderingSize(previewImageView_->width(), previewImageView_->height());
  renderer.setDisplayScale(1.0);
  double retina = 1.0;
  if (const QWindow* window = windowHandle() != nullptr ? windowHandle() : this->window()->windowHandle()) {
    if (window->screen() != nullptr && window->screen()->devicePixelRatio() > 0.0) {
      retina = window->screen()->devicePixelRatio();
    }
  }
  renderer.setRetinaScaling(retina);
  renderer.setScaleElementsDownToFit(true);
  if (element != nullptr) {
    // Hidden elements still show in a preview: a copy marked to disregard visibility.
    std::shared_ptr<MVElement> copy = element->copy();
    copy->setDisregardsVisibility(true);
    renderer.setInputRenderingElement(std::move(copy));
  } else {
    renderer.setInputRenderingElement(nullptr);
  }
  previewPending_ = false;
  previewQueue().post([rendering = rendering_]() mutable {
    rendering->renderer.startRendering();
    // The last share may be this one: it goes on the main thread, where the renderer must end.
    pf::RunLoop::postToMain([rendering = std::move(rendering)] {});
  });
}

void MVParameterGraphicsView::renderThreadFinished()
{
  if (rendering_ == nullptr || previewImageView_ == nullptr) {
    return;
  }
  MVElementRenderer& renderer = rendering_->renderer;
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.outputBitmap();
  if (bitmap != nullptr) {
    QPixmap pixmap = QPixmap::fromImage(InspectorImages::imageFromBitmap(*bitmap));
    pixmap.setDevicePixelRatio(renderer.retinaScaling());
    previewImageView_->setPixmap(pixmap);
  } else if (!renderer.rendererAbortFlag()) {
    previewImageView_->clear();
    FeedbackManager::log("Warning %@ preview rendering finished with no image", description());
  }
  if (previewPending_ && parameter_ != nullptr) {
    startPreviewRenderingWithElement(parameter_->previewElement());
  }
}

double MVParameterGraphicsView::socketInterfaceLocationForSocket(int) const
{
  if (previewBackgroundBox_ != nullptr) {
    return previewBackgroundBox_->y() + previewBackgroundBox_->height() / 2.0 - 8.0;
  }
  return parameterFieldLabel_ != nullptr ? parameterFieldLabel_->y() + 2.0 : 0.0;
}

void MVParameterGraphicsView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (previewBackgroundBox_ != nullptr) {
    previewBackgroundBox_->resize(width(), kPreviewHeight);
    previewImageView_->setGeometry(previewBackgroundBox_->geometry().adjusted(1, 1, -1, -1));
  }
  if (parameterFieldLabel_ != nullptr) {
    parameterFieldLabel_->resize(std::max(0, width() - 19), parameterFieldLabel_->height());
  }
}
