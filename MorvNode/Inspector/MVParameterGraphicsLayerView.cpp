#include "MorvNode/Inspector/MVParameterGraphicsLayerView.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorIcons.h"
#include "MorvNode/Inspector/KeptToolButton.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterGraphicsLayerView::MVParameterGraphicsLayerView(QWidget* parent) : MVParameterView(parent)
{
  setAttribute(Qt::WA_Hover);
}

void MVParameterGraphicsLayerView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterGraphicsLayer*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterGraphicsLayerView::initInterface()
{
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterGraphicsLayerView initInterface called with no parameter set");
    return;
  }
  setLayoutSpaceBelow(parameter_->layoutSpaceBelow());
  const int top = static_cast<int>(interfaceBuildingPositionY());
  const int w = width();
  parameterFieldLabel_ = InspectorControls::label(this, QString(), "ParameterGraphicsEdge", true);
  parameterFieldLabel_->setGeometry(10, top, std::max(0, w - 19), 20);

  layerRenameField_ = new QLineEdit(this);
  layerRenameField_->setGeometry(10, top - 2, std::max(0, w - 19), 22);
  layerRenameField_->setText(QStringLiteral("Text"));
  layerRenameField_->hide();
  connect(layerRenameField_, &QLineEdit::editingFinished, this, [this] { controlTextDidEndEditing(); });

  layerMenuButton_ = new QToolButton(this);
  layerMenuButton_->setGeometry(9, top, std::max(0, w - 37), 18);
  layerMenuButton_->setAutoRaise(true);
  layerMenuButton_->setStyleSheet(QStringLiteral("QToolButton { background: transparent; border: none; }"));
  layerMenuButton_->setToolTip(tr("Click for layer options"));
  layerMenuButton_->setFocusPolicy(Qt::NoFocus);
  connect(layerMenuButton_, &QToolButton::pressed, this, [this] { layerMenuButtonPressed(); });

  layerVisibleButton_ = new KeptToolButton(this);
  layerVisibleButton_->setGeometry(w - 26, top + 1, 18, 18);
  layerVisibleButton_->setCheckable(true);
  layerVisibleButton_->setAutoRaise(true);
  layerVisibleButton_->setFocusPolicy(Qt::NoFocus);
  QIcon eye;
  const QColor ink = MVInterfaceAssets::color("ParameterGraphicsEdge");
  eye.addPixmap(InspectorIcons::image("DisplayHidden", 16, ink), QIcon::Normal, QIcon::Off);
  eye.addPixmap(InspectorIcons::image("DisplayVisible", 16, ink), QIcon::Normal, QIcon::On);
  layerVisibleButton_->setIcon(eye);
  layerVisibleButton_->setToolTip(tr("Click to toggle layer visibility"));
  connect(layerVisibleButton_, &QToolButton::clicked, this, [this] { layerVisibleButton(); });

  setInterfaceBuildingPositionY(top + 20);
}

void MVParameterGraphicsLayerView::updateInterface()
{
  if (parameter_ != nullptr && parameterFieldLabel_ != nullptr) {
    parameterFieldLabel_->setText(QString::fromStdString(parameter_->displayName()));
    parameterFieldLabel_->setHidden(!parameter_->enabled() || renameMode_);
    // A hidden layer's name is drawn at half strength, in its colour rather than through an
    // opacity effect (which would draw the label through a picture made on every repaint).
    QColor ink = MVInterfaceAssets::color("ParameterGraphicsEdge");
    if (ink.isValid()) {
      ink.setAlphaF(ink.alphaF() * (parameter_->visible() ? 1.0 : 0.5));
      if (parameterFieldLabel_->palette().color(QPalette::WindowText) != ink) {
        InspectorControls::setTextColor(parameterFieldLabel_, ink);
      }
    }
    parameterFieldLabel_->resize(std::max(0, width() - (mouseOverFlag_ ? 39 : 19)), parameterFieldLabel_->height());
    layerVisibleButton_->setChecked(parameter_->visible());
    layerVisibleButton_->setVisible((mouseOverFlag_ || !parameter_->visible()) && !renameMode_);
    layerMenuButton_->setHidden(renameMode_);
    layerRenameField_->setVisible(renameMode_);
    update();
  }
  MVParameterView::updateInterface();
}

double MVParameterGraphicsLayerView::socketInterfaceLocationForSocket(int) const
{
  return parameterFieldLabel_ != nullptr ? parameterFieldLabel_->y() + 2.0 : 0.0;
}

QMenu* MVParameterGraphicsLayerView::layerContextMenu()
{
  if (parameter_ == nullptr) {
    return nullptr;
  }
  auto* menu = new QMenu(tr("Layer"));
  menu->addAction(tr("Rename '%1'").arg(QString::fromStdString(parameter_->displayName())), this,
                  [this] { layerMenuRename(); });
  auto* artboard = dynamic_cast<ArtboardNode*>(parameter_->node());
  const bool first = artboard != nullptr && artboard->isLayerFirstLayer(parameter_);
  const bool last = artboard != nullptr && artboard->isLayerLastLayer(parameter_);
  if (!(first && last)) {
    menu->addSeparator();
    if (!first) {
      menu->addAction(tr("Move up"), this, [this] { layerMenuMoveUp(); });
    }
    if (!last) {
      menu->addAction(tr("Move down"), this, [this] { layerMenuMoveDown(); });
    }
    menu->addSeparator();
    menu->addAction(tr("Delete"), this, [this] { layerMenuDelete(); });
  }
  menu->addAction(tr("Duplicate"), this, [this] { layerMenuDuplicate(); });
  return menu;
}

void MVParameterGraphicsLayerView::layerMenuButtonPressed()
{
  QMenu* menu = layerContextMenu();
  if (menu == nullptr || layerMenuButton_ == nullptr) {
    FeedbackManager::log("Warning, %@ menuButtonPressed, no context menu to show", description());
    delete menu;
    return;
  }
  layerMenuButton_->setDown(false);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(QCursor::pos() + QPoint(2, 0));
}

void MVParameterGraphicsLayerView::contextMenuEvent(QContextMenuEvent* event)
{
  QMenu* menu = layerContextMenu();
  if (menu == nullptr) {
    return;
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
  event->accept();
}

void MVParameterGraphicsLayerView::layerVisibleButton()
{
  if (parameter_ != nullptr) {
    parameter_->setVisible(layerVisibleButton_->isChecked());
  }
}

void MVParameterGraphicsLayerView::layerMenuRename()
{
  if (parameter_ == nullptr) {
    return;
  }
  renameMode_ = true;
  layerRenameField_->setText(QString::fromStdString(parameter_->displayName()));
  layerRenameField_->show();
  layerRenameField_->setFocus(Qt::OtherFocusReason);
  layerRenameField_->selectAll();
  updateInterface();
}

void MVParameterGraphicsLayerView::controlTextDidEndEditing()
{
  if (!renameMode_) {
    return;
  }
  // Rename mode ends first: storing the name lays the row out again.
  renameMode_ = false;
  const std::string name = layerRenameField_->text().toStdString();
  if (parameter_ != nullptr && !name.empty() && name != parameter_->displayName()) {
    parameter_->setDisplayName(name);
  }
  updateInterface();
}

void MVParameterGraphicsLayerView::layerMenuMoveUp()
{
  if (auto* artboard = parameter_ != nullptr ? dynamic_cast<ArtboardNode*>(parameter_->node()) : nullptr) {
    artboard->moveLayer(parameter_, -1);
  }
}

void MVParameterGraphicsLayerView::layerMenuMoveDown()
{
  if (auto* artboard = parameter_ != nullptr ? dynamic_cast<ArtboardNode*>(parameter_->node()) : nullptr) {
    artboard->moveLayer(parameter_, 1);
  }
}

void MVParameterGraphicsLayerView::layerMenuDelete()
{
  if (auto* artboard = parameter_ != nullptr ? dynamic_cast<ArtboardNode*>(parameter_->node()) : nullptr) {
    artboard->removeLayer(parameter_);
  }
}

void MVParameterGraphicsLayerView::layerMenuDuplicate()
{
  if (auto* artboard = parameter_ != nullptr ? dynamic_cast<ArtboardNode*>(parameter_->node()) : nullptr) {
    artboard->duplicateLayer(parameter_);
  }
}

void MVParameterGraphicsLayerView::enterEvent(QEnterEvent* event)
{
  MVParameterView::enterEvent(event);
  mouseOverFlag_ = true;
  updateInterface();
}

void MVParameterGraphicsLayerView::leaveEvent(QEvent* event)
{
  MVParameterView::leaveEvent(event);
  mouseOverFlag_ = false;
  updateInterface();
}

void MVParameterGraphicsLayerView::paintEvent(QPaintEvent* event)
{
  if (mouseOverFlag_) {
    QPainter painter(this);
    QColor hover = MVInterfaceAssets::color("NodeBackgroundHover");
    painter.fillRect(rect().adjusted(1, 0, -1, 0), hover.isValid() ? hover : palette().color(QPalette::Midlight));
  }
  MVParameterView::paintEvent(event);
}

void MVParameterGraphicsLayerView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (parameterFieldLabel_ == nullptr) {
    return;
  }
  layerRenameField_->resize(std::max(0, width() - 19), layerRenameField_->height());
  layerMenuButton_->resize(std::max(0, width() - 37), layerMenuButton_->height());
  layerVisibleButton_->move(width() - 26, layerVisibleButton_->y());
  parameterFieldLabel_->resize(std::max(0, width() - (mouseOverFlag_ ? 39 : 19)), parameterFieldLabel_->height());
}
