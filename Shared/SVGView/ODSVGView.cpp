#include "Shared/SVGView/ODSVGView.h"

#include <cmath>

#include <QImage>
#include <QPainter>
#include <QPointer>

#include "Platform/DrawingContext.h"
#include "Platform/Numbers.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVG.h"

ODSVGView::ODSVGView(QWidget* parent) : QWidget(parent) {}

ODSVGView::ODSVGView(std::shared_ptr<ODSVG> svg, QWidget* parent) : QWidget(parent)
{
  setSVG(std::move(svg));
}

ODSVGView* ODSVGView::viewWithSVGNamed(const std::string& name, QWidget* parent)
{
  return new ODSVGView(ODSVG::svgNamed(name), parent);
}

ODSVGView::~ODSVGView()
{
  prepareForDrawing(nullptr);
}

void ODSVGView::setImageName(const std::string& name)
{
  imageName_ = name;
  setSVG(ODSVG::svgNamed(name));
}

void ODSVGView::setSVG(std::shared_ptr<ODSVG> svg)
{
  prepareForDrawing(nullptr);
  svg_ = std::move(svg);
  prepareForDrawing(svg_.get());
  update();
}

void ODSVGView::prepareForDrawing(ODSVG* svg)
{
  if (svg) {
    // The document may outlive the view (a cache keeps it): ask through a guarded pointer.
    const QPointer<ODSVGView> view(this);
    svg->setRenderingBackingScaleHelper([view] { return view ? view->devicePixelRatioF() : 1.0; });
  } else if (svg_) {
    svg_->setRenderingBackingScaleHelper(nullptr);
  }
}

void ODSVGView::paintEvent(QPaintEvent*)
{
  if (!svg_ || width() <= 0 || height() <= 0) {
    return;
  }
  const double ratio = devicePixelRatioF();
  const int pixelWidth = pf::saturatingCast<int>(std::ceil(width() * ratio));
  const int pixelHeight = pf::saturatingCast<int>(std::ceil(height() * ratio));
  std::optional<pf::Surface> surface = pf::Surface::bitmap(pixelWidth, pixelHeight);
  if (!surface) {
    return;
  }
  {
    pf::DrawingContext context(*surface);
    context.scale(ratio, ratio);
    svg_->drawInRect(context, pf::Rect(0, 0, width(), height()));
  }
  const pf::Bitmap* bitmap = surface->bitmap();
  if (!bitmap) {
    return;
  }
  QImage image(reinterpret_cast<const uchar*>(bitmap->data()), bitmap->width(), bitmap->height(),
               static_cast<qsizetype>(bitmap->stride()), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), image);
}
