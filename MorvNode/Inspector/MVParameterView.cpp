#include "MorvNode/Inspector/MVParameterView.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Inspector/KeptCheckBox.h"
#include "MorvNode/Inspector/KeptTextLabel.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Inspector/MVParameterViewAdapter.h"
#include "MorvNode/Inspector/MVParameterViewContainer.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/GeometryStrings.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kIgnoredByFit = "morvIgnoredByResizeToFit";
constexpr int kHeaderX = 9;             // points from the row's left edge
constexpr int kHeaderHeight = 12;       // points
constexpr int kMarkerSize = 10;         // points, drag-edit marker
constexpr int kCheckboxShift = 3;       // points the enable checkbox sits right of the header

void setTextColor(QWidget* widget, const QColor& color)
{
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

}  // namespace

MVParameterView::MVParameterView(QWidget* parent)
  : QWidget(parent)
{
  resize(200, 100);
}

MVParameterView::~MVParameterView() = default;

void MVParameterView::registerBaseRows()
{
  registerRow<MVParameter, MVParameterView>();
}

std::unique_ptr<MVParameterInterfaceDelegate> MVParameterView::makeAdapter(MVParameterView* row)
{
  return std::make_unique<MVParameterViewAdapter>(row);
}

MVParameterView* MVParameterView::rowOf(const MVParameter& parameter)
{
  const auto* adapter = dynamic_cast<const MVParameterViewAdapter*>(parameter.parameterView());
  return adapter != nullptr ? adapter->view() : nullptr;
}

QFont MVParameterView::labelFont()
{
  QFont font = QApplication::font();
  font.setPixelSize(10);
  return font;
}

QFont MVParameterView::primaryFont()
{
  QFont font = QApplication::font();
  font.setPixelSize(12);
  return font;
}

void MVParameterView::setIgnoredByResizeToFit(QWidget* control)
{
  if (control != nullptr) {
    control->setProperty(kIgnoredByFit, true);
  }
}

void MVParameterView::setParameter(MVParameter* parameter)
{
  parameter_ = parameter;
}

void MVParameterView::initInterface()
{
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterView initInterface called with no parameter set");
    return;
  }
  parameter_->prepareForInterface();
  interfaceBuildingPositionY_ = 0.0;
  if (parameter_->layoutSpaceAbove() != 0) {
    layoutSpaceAbove_ = parameter_->layoutSpaceAbove();
  }
  if (parameter_->layoutSpaceBelow() != 0) {
    layoutSpaceBelow_ = parameter_->layoutSpaceBelow();
  }
  buildBackgroundBox();
  buildHeader();
  buildSocketViews();
}

void MVParameterView::buildBackgroundBox()
{
  if (!parameter_->layoutBackgroundTint() && parameter_->dragEditTransformType() == 0) {
    return;
  }
  hasBackgroundBox_ = true;
  backgroundBoxFill_ = MVInterfaceAssets::color("DragEditBackground");
  backgroundBoxShown_ = false;
  if (parameter_->layoutBackgroundTint()) {
    backgroundBoxFill_ = MVInterfaceAssets::color("NodeBackgroundAlt");
    backgroundBoxShown_ = true;
  }
}

void MVParameterView::buildHeader()
{
  if (!parameter_->layoutShowHeaderLabel() && !parameter_->layoutHasEnableToggle()) {
    return;
  }
  const int top = static_cast<int>(std::lround(interfaceBuildingPositionY_));
  const int headerWidth = std::max(0, width() - 19);
  const QString toolTip = QString::fromStdString(parameter_->tooltip());
  if (parameter_->layoutHasEnableToggle()) {
    headerButton_ = new KeptCheckBox(this);
    headerButton_->setFont(labelFont());
    headerButton_->setToolTip(toolTip);
    headerButton_->setText(QString::fromStdString(parameter_->displayName()));
    const QSize fitted = headerButton_->sizeHint();
    headerButton_->setGeometry(kHeaderX + kCheckboxShift, top, fitted.width(), fitted.height());
    connect(headerButton_, &QCheckBox::clicked, this, [this] { enableButtonPressed(); });
    interfaceBuildingPositionY_ += fitted.height() - 2;
  } else {
    headerLabel_ = new KeptTextLabel(this);
    headerLabel_->setFont(labelFont());
    headerLabel_->setToolTip(toolTip);
    headerLabel_->setGeometry(kHeaderX, top, headerWidth, kHeaderHeight);
    headerLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextColor(headerLabel_, MVInterfaceAssets::color("NodeParameterLabel"));
    interfaceBuildingPositionY_ += kHeaderHeight + 2;
  }
  if (const char* image = InspectorImages::transformImageName(parameter_->dragEditTransformType(),
                                                              dynamic_cast<const MVParameterValue2D*>(parameter_) != nullptr)) {
    dragEditTransformMarker_ = new QLabel(this);
    dragEditTransformMarker_->setObjectName(image);
    dragEditTransformMarker_->setGeometry(width() - 20, top + 1, kMarkerSize, kMarkerSize);
    dragEditTransformMarker_->setToolTip(
      tr("When selected, this parameter can be edited by clicking and dragging in the preview view"));
    dragEditTransformMarker_->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
}

void MVParameterView::buildSocketViews()
{
  auto build = [this](const MVParameterSocketList& sockets, float x,
                      std::vector<MVParameterSocketView*>& views) {
    for (const auto& socket : sockets) {
      MVParameterSocketView* view = MVParameterSocketView::socketViewAt(x, 0.0F, socket.get(), this);
      if (view == nullptr) {
        FeedbackManager::log("Error, %@ failed to create MVParameterSocketView for socket %@", description(),
                             socket != nullptr ? socket->description() : std::string("(null)"));
        continue;
      }
      views.push_back(view);
    }
  };
  build(parameter_->inputSockets(), 0.0F, inputSocketViews_);
  build(parameter_->outputSockets(), static_cast<float>(width()), outputSocketViews_);
}

void MVParameterView::updateInterface()
{
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterView updateInterface called with no parameter set");
    updateSocketInterface();
    resizeToFit();
    return;
  }
  const std::string& headerText =
    !parameter_->displayHeaderName().empty() ? parameter_->displayHeaderName() : parameter_->displayName();
  const bool dragEditable = parameter_->dragEditTransformType() != 0;
  const QColor color = MVInterfaceAssets::color(
    dragEditable && parameter_->layoutDragEditSelected() ? "DragEditColor" : "NodeParameterLabel");
  const bool colorChanged = color != headerColor_;
  headerColor_ = color;
  if (dragEditTransformMarker_ != nullptr) {
    if (colorChanged || dragEditTransformMarker_->pixmap().isNull()) {
      dragEditTransformMarker_->setPixmap(
        MVInterfaceAssets::image(dragEditTransformMarker_->objectName().toStdString(), kMarkerSize, color));
    }
    dragEditTransformMarker_->setHidden(parameter_->layoutHidden());
  }
  const QString header = QString::fromStdString(headerText);
  if (headerLabel_ != nullptr) {
    if (dragEditable && colorChanged) {
      setTextColor(headerLabel_, color);
    }
    if (headerLabel_->text() != header) {
      headerLabel_->setText(header);
    }
  }
  if (headerButton_ != nullptr) {
    headerButton_->setChecked(parameter_->enabled());
    if (colorChanged) {
      setTextColor(headerButton_, color);
    }
    if (headerButton_->text() != header) {
      headerButton_->setText(header);
      headerButton_->resize(headerButton_->sizeHint());
    }
  }
  if (animationMarker_ != nullptr) {
    animationMarker_->setVisible(parameter_->animated() && parameter_->enabled() && !parameter_->layoutHidden());
  }
  if (dragEditable && hasBackgroundBox_) {
    const bool shown = parameter_->layoutDragEditSelected();
    if (shown != backgroundBoxShown_) {
      backgroundBoxShown_ = shown;
      if (parentWidget() != nullptr) {
        parentWidget()->update();
      }
    }
  }
  updateSocketInterface();
  resizeToFit();
}

void MVParameterView::updateSocketInterface()
{
  if (parameter_ == nullptr) {
    return;
  }
  auto place = [this](const MVParameterSocketList& sockets) {
    int index = 0;
    for (const auto& socket : sockets) {
      const auto* adapter = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
      if (MVParameterSocketView* view = adapter != nullptr ? adapter->view() : nullptr) {
        if (!socket->tooltip().empty()) {
          view->setToolTip(QString::fromStdString(socket->tooltip()));
        }
        view->setVisible(socket->enabled());
        view->move(view->x(), static_cast<int>(std::lround(socketInterfaceLocationForSocket(index))));
      }
      ++index;
    }
  };
  place(parameter_->inputSockets());
  place(parameter_->outputSockets());
}

double MVParameterView::socketInterfaceLocationForSocket(int index) const
{
  (void)index;
  return 0.0;
}

void MVParameterView::resizeToFit()
{
  int bottom = 0;
  for (QObject* child : children()) {
    auto* control = qobject_cast<QWidget*>(child);
    if (control == nullptr || control->isHidden() || qobject_cast<MVParameterSocketView*>(control) != nullptr ||
        control->property(kIgnoredByFit).toBool()) {
      continue;
    }
    bottom = std::max(bottom, control->y() + control->height());
  }
  if (bottom == height()) {
    return;
  }
  resize(width(), bottom);
  requestContainerLayout();
}

void MVParameterView::layoutRow()
{
  if (parameter_ == nullptr) {
    return;
  }
  if (parameter_->layoutHidden()) {
    setHidden(true);
    return;
  }
  setHidden(false);
  updateInterface();
}

void MVParameterView::setVisible(bool visible)
{
  if (visible == isHidden() && parentWidget() != nullptr) {
    requestContainerLayout();
  }
  QWidget::setVisible(visible);
}

void MVParameterView::requestContainerLayout()
{
  if (auto* container = dynamic_cast<MVParameterViewContainer*>(parentWidget())) {
    container->rowNeedsLayout();
  }
}

void MVParameterView::enableButtonPressed()
{
  if (parameter_ != nullptr && headerButton_ != nullptr) {
    parameter_->setEnabled(headerButton_->isChecked());
  }
}

void MVParameterView::valueControlChanged(QObject* sender)
{
  FeedbackManager::log("Base class valueControlChanged: %@",
                       sender != nullptr ? std::string(sender->metaObject()->className()) : std::string("(null)"));
}

std::string MVParameterView::description() const
{
  const QRect frame = geometry();
  return pf::format("<%@ for parameter %@ (%@)>", metaObject()->className(),
                    parameter_ != nullptr ? parameter_->description() : std::string("(null)"),
                    pf::rectString(pf::Rect(frame.x(), frame.y(), frame.width(), frame.height())));
}

QRect MVParameterView::backgroundBoxRect() const
{
  return QRect(1, -layoutSpaceAbove_, std::max(0, width() - 2), height() + layoutSpaceAbove_ + layoutSpaceBelow_);
}

QColor MVParameterView::backgroundBoxColor() const
{
  return backgroundBoxFill_;
}

void MVParameterView::forwardToContainer(QMouseEvent* event)
{
  if (auto* container = dynamic_cast<MVParameterViewContainer*>(parentWidget())) {
    container->rowMouseEvent(this, event);
  }
  event->accept();
}

void MVParameterView::mousePressEvent(QMouseEvent* event)
{
  forwardToContainer(event);
  mouseDownInView_ = true;
}

void MVParameterView::mouseMoveEvent(QMouseEvent* event)
{
  forwardToContainer(event);
}

void MVParameterView::mouseDoubleClickEvent(QMouseEvent* event)
{
  forwardToContainer(event);
  mouseDownInView_ = true;
}

void MVParameterView::mouseReleaseEvent(QMouseEvent* event)
{
  QPointer<MVParameterView> alive(this);
  forwardToContainer(event);
  if (alive.isNull()) {
    return;  // the release ended the node (a drop that removed it)
  }
  const bool wasDown = mouseDownInView_;
  mouseDownInView_ = false;
  if (!wasDown || parameter_ == nullptr) {
    return;
  }
  const MVNode* node = parameter_->node();
  if (parameter_->dragEditTransformType() != 0 && parameter_->enabled() && !parameter_->layoutHidden() &&
      (node == nullptr || !node->referenceMode()) && !parameter_->layoutDragEditSelected() &&
      parameter_->canEditValue()) {
    if (MVNodeDelegate* controller = parameter_->nodeController()) {
      controller->dragEditParameterSelected(parameter_);
    }
  }
}

void MVParameterView::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  // Inputs stay on the left edge and the header on the top-left; outputs, the header's width
  // and the drag-edit marker follow the right edge.
  const int half = MVParameterSocketView::kSize / 2;
  for (MVParameterSocketView* view : outputSocketViews_) {
    view->move(width() - half, view->y());
  }
  if (headerLabel_ != nullptr) {
    headerLabel_->resize(std::max(0, width() - 19), headerLabel_->height());
  }
  if (dragEditTransformMarker_ != nullptr) {
    dragEditTransformMarker_->move(width() - 20, dragEditTransformMarker_->y());
  }
}
