#include "MorvNode/Inspector/MVDragEditPanelView.h"

#include <QLabel>
#include <QToolButton>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

std::string headerOrDisplayName(const MVParameter& parameter)
{
  return parameter.displayHeaderName().empty() ? parameter.displayName() : parameter.displayHeaderName();
}

}  // namespace

MVDragEditPanelView::MVDragEditPanelView(QWidget* parent) : QWidget(parent)
{
  resize(200, 30);
  nodeIconView_ = new QLabel(this);
  nodeIconView_->setGeometry(6, 5, 20, 20);
  nodeIconView_->setScaledContents(true);
  QFont small = font();
  small.setPixelSize(9);
  nodeHeaderLabel_ = new QLabel(this);
  nodeHeaderLabel_->setFont(small);
  nodeHeaderLabel_->setGeometry(6, 2, 100, 12);
  nodeTitleLabel_ = new QLabel(this);
  nodeTitleLabel_->setGeometry(6, 13, 100, 15);
  parameterLabel_ = new QLabel(this);
  parameterLabel_->setFont(small);
  InspectorControls::setTextColor(parameterLabel_, MVInterfaceAssets::color("DragEditColor"));
  parameterLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  parameterLabel_->hide();
  hide();
}

MVDragEditPanelView::~MVDragEditPanelView()
{
  setNodeController(nullptr);
}

void MVDragEditPanelView::setNodeController(MVNodeController* controller)
{
  if (controller_ != nullptr && controller_->dragEdit().panel() == this) {
    controller_->dragEdit().setPanel(nullptr);
  }
  controller_ = controller;
  if (controller_ != nullptr) {
    controller_->dragEdit().setPanel(this);
    dragEditInterfaceChanged();
  }
}

std::vector<QToolButton*> MVDragEditPanelView::visibleButtons() const
{
  return {buttons_.begin(), buttons_.begin() + std::min<std::ptrdiff_t>(availableCount_, static_cast<std::ptrdiff_t>(buttons_.size()))};
}

void MVDragEditPanelView::dragEditInterfaceChanged()
{
  if (controller_ == nullptr) {
    return;
  }
  const std::vector<MVParameter*>& available = controller_->dragEdit().availableParameters();
  availableCount_ = static_cast<int>(available.size());
  if (available.empty()) {
    hide();
    return;
  }
  show();
  const std::vector<MVNode*>& selected = controller_->selectedNodesArray();
  int x = 6;
  if (selected.size() > 1) {
    nodeIconView_->hide();
    nodeHeaderLabel_->setText(tr("Selected"));
    nodeTitleLabel_->setText(tr("Multiple nodes"));
  } else if (!selected.empty()) {
    const MVNode* node = selected.front();
    nodeHeaderLabel_->setText(QString::fromStdString(node->nodeClass().displayTypeName));
    nodeTitleLabel_->setText(QString::fromStdString(node->displayName()));
    const QPixmap icon = InspectorImages::tintedTemplate(InspectorImages::iconNamed(node->iconName()),
                                                         nodeIconView_->palette().color(QPalette::WindowText));
    nodeIconView_->setPixmap(icon);
    nodeIconView_->setVisible(!icon.isNull());
    if (!icon.isNull()) {
      x = nodeIconView_->x() + nodeIconView_->width() + 3;
    }
  }
  nodeHeaderLabel_->move(x, nodeHeaderLabel_->y());
  nodeTitleLabel_->move(x, nodeTitleLabel_->y());
  nodeTitleLabel_->resize(nodeTitleLabel_->sizeHint().width(), nodeTitleLabel_->height());
  nodeHeaderLabel_->resize(nodeHeaderLabel_->sizeHint().width(), nodeHeaderLabel_->height());
  setupDragEditButtons();
  updateDragEditButtonSelection();
}

void MVDragEditPanelView::setupDragEditButtons()
{
  const std::vector<MVParameter*>& available = controller_->dragEdit().availableParameters();
  const QColor tint = MVInterfaceAssets::color("DragEditColor");
  for (std::size_t index = 0; index < available.size(); ++index) {
    if (index >= buttons_.size()) {
      auto* button = new QToolButton(this);
      button->setCheckable(true);
      button->setAutoRaise(true);
      button->setFocusPolicy(Qt::NoFocus);
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
      connect(button, &QToolButton::clicked, this, [this, button] { buttonPressed(button); });
      buttons_.push_back(button);
    }
    QToolButton* button = buttons_[index];
    const MVParameter& parameter = *available[index];
    if (const char* image = InspectorImages::transformImageName(parameter.dragEditTransformType(),
                                                                dynamic_cast<const MVParameterValue2D*>(&parameter) != nullptr)) {
      button->setIcon(QIcon(MVInterfaceAssets::image(image, 16, tint)));
    }
    const MVNode* node = parameter.node();
    button->setToolTip(QString::fromStdString((node != nullptr ? node->displayFullName() : std::string()) + " : " +
                                              headerOrDisplayName(parameter)));
    button->show();
  }
  for (std::size_t index = available.size(); index < buttons_.size(); ++index) {
    buttons_[index]->hide();
    buttons_[index]->setChecked(false);
  }
}

void MVDragEditPanelView::dragEditSelectionChanged()
{
  if (controller_ != nullptr && isVisible()) {
    updateDragEditButtonSelection();
  }
}

void MVDragEditPanelView::updateDragEditButtonSelection()
{
  if (controller_ == nullptr) {
    return;
  }
  const std::vector<MVParameter*>& available = controller_->dragEdit().availableParameters();
  const MVParameter* chosen = controller_->dragEdit().dragEditParameter();
  int x = nodeTitleLabel_->x() + std::max(nodeTitleLabel_->width(), nodeHeaderLabel_->width()) + 10;
  const int y = 5;
  if (chosen != nullptr) {
    parameterLabel_->setText(QString::fromStdString(headerOrDisplayName(*chosen)));
    parameterLabel_->resize(parameterLabel_->sizeHint());
    parameterLabel_->show();
  } else {
    parameterLabel_->hide();
  }
  const MVNode* previousNode = nullptr;
  for (std::size_t index = 0; index < available.size() && index < buttons_.size(); ++index) {
    QToolButton* button = buttons_[index];
    const MVParameter* parameter = available[index];
    if (index > 0 && parameter->node() != previousNode) {
      x += kNodeGroupGap;
    }
    previousNode = parameter->node();
    if (parameter == chosen) {
      button->setChecked(true);
      button->setGeometry(x, y, kButtonSize + parameterLabel_->width(), kButtonSize);
      parameterLabel_->move(x + kButtonSize, y + (kButtonSize - parameterLabel_->height()) / 2);
      parameterLabel_->raise();
      x += parameterLabel_->width() + 1;
    } else {
      button->setChecked(false);
      button->setGeometry(x, y, kButtonSize, kButtonSize);
    }
    x += kButtonSize + 1;
  }
  resize(x + 10, height());
}

void MVDragEditPanelView::buttonPressed(QToolButton* button)
{
  if (controller_ == nullptr) {
    return;
  }
  const auto found = std::find(buttons_.begin(), buttons_.end(), button);
  controller_->dragEdit().dragEditParameterButtonPressed(static_cast<int>(found - buttons_.begin()));
  updateDragEditButtonSelection();
}
