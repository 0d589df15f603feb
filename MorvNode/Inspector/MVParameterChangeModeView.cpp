#include "MorvNode/Inspector/MVParameterChangeModeView.h"

#include <QComboBox>
#include <QLabel>
#include <QPropertyAnimation>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Inspector/MVSegmentedControl.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterChangeModeView::MVParameterChangeModeView(QWidget* parent) : MVParameterIndexView(parent) {}

void MVParameterChangeModeView::initInterface()
{
  MVParameterIndexView::initInterface();
  if (parameter_ == nullptr) {
    return;
  }
  setInterfaceBuildingPositionY(0.0);
  removePopupButton();
  const int w = width();
  const int count = static_cast<int>(parameter_->indexDisplayNames().size());

  selectorLabel_ = InspectorControls::label(this, QString(), "NodeParameterLabel", false);
  selectorLabel_->setGeometry(6, 3, std::max(0, w - 40), 15);
  selectorLabel_->setText(QString::fromStdString(parameter_->displayName()));

  parameterSelector_ = new MVSegmentedControl(count, MVSegmentedControl::Tracking::SelectOne, this);
  parameterSelector_->setGeometry(w - 6 - 24 * count, 2, 24 * count + 3, 20);
  const std::vector<std::string>& icons = parameter_->indexIcons();
  const std::vector<std::string>& toolTips = parameter_->indexTooltips();
  for (int index = 0; index < count; ++index) {
    const auto at = static_cast<std::size_t>(index);
    if (at < icons.size()) {
      const QPixmap icon = InspectorImages::iconNamed(icons[at]);
      if (icon.isNull()) {
        FeedbackManager::log("Warning, %@ could not find item icon named %@ in initInterface", description(), icons[at]);
      } else {
        parameterSelector_->setIcon(index, icon, 10);
      }
    }
    if (at < toolTips.size()) {
      parameterSelector_->setToolTip(index, QString::fromStdString(toolTips[at]));
    }
  }
  connect(parameterSelector_, &MVSegmentedControl::segmentClicked, this, [this] { valueControlChanged(parameterSelector_); });
  selectorTarget_ = parameterSelector_->pos();
  move_ = new QPropertyAnimation(parameterSelector_, "pos", this);
  move_->setDuration(kMoveMilliseconds);
  setInterfaceBuildingPositionY(parameterSelector_->y() + parameterSelector_->height());
  // The node's selection-mode parameter, when it has one, gets its pop-up.
  if (selectionModeParameter_ == nullptr && parameter_->node() != nullptr) {
    selectionModeParameter_ = parameter_->node()->indexParameterNamed("Selection Mode");
  }
  initSelectionModeInterface();
}

void MVParameterChangeModeView::initSelectionModeInterface()
{
  if (selectionModeParameter_ == nullptr || parameterSelector_ == nullptr) {
    return;
  }
  const int w = width();
  const int popupWidth = std::min(54, w - selectorLabel_->x() - parameterSelector_->width() - 4);
  selectionModePopupButton_ = new QComboBox(this);
  fillMenuForParameter(selectionModePopupButton_, *selectionModeParameter_);
  const int popupY = selectorLabel_ != nullptr ? selectorLabel_->height() + 2 : 2;
  selectionModePopupButton_->setGeometry(w - popupWidth - 3, popupY, popupWidth, 24);
  selectionModePopupButton_->setToolTip(QString::fromStdString(selectionModeParameter_->tooltip()));
  connect(selectionModePopupButton_, &QComboBox::activated, this, [this] { valueControlChanged(selectionModePopupButton_); });
  selectionModeLabel_ = InspectorControls::label(this, QString(), "NodeParameterLabel", false);
  selectionModeLabel_->setGeometry(w - popupWidth - 3, 3, popupWidth, 15);
  selectionModeLabel_->setText(tr("Selection"));
  selectionModePopupButton_->hide();
  selectionModeLabel_->hide();
}

void MVParameterChangeModeView::updateInterface()
{
  if (parameter_ != nullptr && parameterSelector_ != nullptr) {
    selectorLabel_->setText(QString::fromStdString(parameter_->displayName()));
    selectorLabel_->setHidden(!parameter_->enabled());
    parameterSelector_->deselectAll();
    parameterSelector_->setSelected(static_cast<int>(parameter_->index()), true);

    const bool lastMode = parameter_->index() == static_cast<long long>(parameter_->indexIcons().size()) - 1;
    const bool selectionLayout =
        lastMode && selectionModeParameter_ != nullptr && !selectionModeParameter_->layoutHidden();
    QPoint labelTarget;
    if (selectionLayout) {
      selectorTarget_ = QPoint(selectorLabel_->x(), selectorLabel_->height() + 4);
      labelTarget = QPoint(selectorLabel_->x(), 3);
    } else {
      selectorTarget_ = QPoint(width() - 3 - parameterSelector_->width(), 3);
      labelTarget = QPoint(selectorLabel_->x(), 5);
    }
    if (selectionModeLabel_ != nullptr) {
      selectionModeLabel_->setVisible(selectionLayout);
      selectionModePopupButton_->setVisible(selectionLayout);
    }
    const bool moving = move_->state() == QAbstractAnimation::Running;
    const QPoint current = moving ? move_->endValue().toPoint() : parameterSelector_->pos();
    if (current != selectorTarget_) {
      move_->stop();
      if (animatesMoves_) {
        move_->setStartValue(parameterSelector_->pos());
        move_->setEndValue(selectorTarget_);
        move_->start();
      } else {
        parameterSelector_->move(selectorTarget_);
      }
    }
    if (selectorLabel_->pos() != labelTarget) {
      selectorLabel_->move(labelTarget);
    }
    if (selectionModeParameter_ != nullptr && selectionModePopupButton_ != nullptr) {
      const QSignalBlocker quiet(selectionModePopupButton_);
      selectionModePopupButton_->setCurrentIndex(static_cast<int>(selectionModeParameter_->index()));
    }
  }
  MVParameterIndexView::updateInterface();
}

void MVParameterChangeModeView::valueControlChanged(QObject* sender)
{
  if (sender == parameterSelector_ && parameterSelector_ != nullptr) {
    if (parameter_ != nullptr) {
      parameter_->setIndex(parameterSelector_->selectedSegment());
    }
    return;
  }
  if (sender == selectionModePopupButton_ && selectionModePopupButton_ != nullptr) {
    if (selectionModeParameter_ != nullptr) {
      selectionModeParameter_->setIndex(selectionModePopupButton_->currentIndex());
    }
    return;
  }
  MVParameterIndexView::valueControlChanged(sender);
}
