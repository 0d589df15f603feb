#include "MorvNode/Inspector/MVParameterValueFunctionView.h"

#include <QPainter>
#include <QPainterPath>

#include "MorvNode/Inspector/FunctionGraph.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kGraphX = 12;
constexpr int kMarkerWidth = 10;

// The current-time marker: a thin line with a small head, as on the timeline.
class TimeMarker : public QWidget {
public:
  explicit TimeMarker(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
  void paintEvent(QPaintEvent*) override
  {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = MVInterfaceAssets::color("DragEditColor");
    if (!color.isValid()) {
      color = Qt::red;
    }
    const double middle = width() / 2.0;
    painter.setPen(QPen(color, 1.0));
    painter.drawLine(QPointF(middle, 3), QPointF(middle, height()));
    QPainterPath head;
    head.moveTo(middle - 3, 0);
    head.lineTo(middle + 3, 0);
    head.lineTo(middle, 4);
    head.closeSubpath();
    painter.fillPath(head, color);
  }
};

}  // namespace

MVParameterValueFunctionView::MVParameterValueFunctionView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterValueFunctionView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterValueFunction*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterValueFunctionView::initInterface()
{
  setLayoutSpaceBelow(5);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  graphSizeView_ = new QWidget(this);
  graphSizeView_->setGeometry(kGraphX, static_cast<int>(interfaceBuildingPositionY()), std::max(0, width() - 25),
                              kGraphHeight);
  graphSizeView_->setAttribute(Qt::WA_TransparentForMouseEvents, parameter_->tooltip().empty());
  if (!parameter_->tooltip().empty()) {
    graphSizeView_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  }
  if (parameter_->layoutShowTime()) {
    timeMarkerView_ = new TimeMarker(graphSizeView_);
    timeMarkerView_->setGeometry(0, 3, kMarkerWidth, kGraphHeight - 6);
  }
}

void MVParameterValueFunctionView::updateInterface()
{
  if (parameter_ != nullptr && parameter_->layoutShowTime() && timeMarkerView_ != nullptr) {
    const double t = parameter_->layoutCurrentTime();
    const double x = t * (graphSizeView_->width() - 3) + 2 - timeMarkerView_->width() / 2.0;
    timeMarkerView_->move(static_cast<int>(std::lround(x)), timeMarkerView_->y());
  }
  update();
  MVParameterView::updateInterface();
}

void MVParameterValueFunctionView::paintEvent(QPaintEvent* event)
{
  MVParameterView::paintEvent(event);
  if (parameter_ == nullptr || graphSizeView_ == nullptr) {
    return;
  }
  MVParameterValueFunction& function = *parameter_;
  const FunctionGraph graph([&function](double t) { return function.functionValueFor(t); }, function.minValue(),
                            function.maxValue(), QRectF(graphSizeView_->geometry()));
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QColor axisColor = MVInterfaceAssets::color("GraphAxisColor");
  if (!axisColor.isValid()) {
    axisColor = QColor::fromRgbF(0.8, 0.8, 0.8);
  }
  QPainterPath axes;
  axes.moveTo(graph.verticalAxis().p1());
  axes.lineTo(graph.verticalAxis().p2());
  for (const QLineF& tick : graph.ticks()) {
    axes.moveTo(tick.p1());
    axes.lineTo(tick.p2());
  }
  axes.moveTo(graph.horizontalAxis().p1());
  axes.lineTo(graph.horizontalAxis().p2());
  QPen axisPen(axisColor, 1.0);
  axisPen.setJoinStyle(Qt::RoundJoin);
  painter.strokePath(axes, axisPen);

  QColor curveColor = MVInterfaceAssets::color("GraphLineStrokeColor");
  if (!curveColor.isValid()) {
    curveColor = QColor::fromRgbF(0.2, 0.2, 0.2);
  }
  QPen curvePen(curveColor, 2.0);
  curvePen.setJoinStyle(Qt::RoundJoin);
  painter.setPen(curvePen);
  painter.drawPolyline(graph.curve());
}

void MVParameterValueFunctionView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (graphSizeView_ != nullptr) {
    graphSizeView_->resize(std::max(0, width() - 25), kGraphHeight);
  }
}
