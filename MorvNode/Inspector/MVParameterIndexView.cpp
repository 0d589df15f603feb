#include "MorvNode/Inspector/MVParameterIndexView.h"

#include <QComboBox>

#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterIndexView::MVParameterIndexView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterIndexView::fillMenuForParameter(QComboBox* popup, const MVParameterIndex& parameter)
{
  const QSignalBlocker quiet(popup);
  popup->clear();
  const std::vector<std::string>& names = parameter.indexDisplayNames();
  const std::vector<std::string>& toolTips = parameter.indexTooltips();
  const std::vector<std::string>& icons = parameter.indexIcons();
  for (std::size_t index = 0; index < names.size(); ++index) {
    if (names[index] == "-") {
      popup->insertSeparator(popup->count());
      continue;
    }
    popup->addItem(QString::fromStdString(names[index]));
    const int item = popup->count() - 1;
    if (index < toolTips.size()) {
      popup->setItemData(item, QString::fromStdString(toolTips[index]), Qt::ToolTipRole);
    }
    if (index < icons.size() && !icons[index].empty()) {
      const QPixmap icon = InspectorImages::iconNamed(icons[index]);
      if (!icon.isNull()) {
        popup->setItemIcon(item, QIcon(InspectorImages::tintedTemplate(icon, popup->palette().color(QPalette::Text))));
      }
    }
  }
}

void MVParameterIndexView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterIndex*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterIndexView::initInterface()
{
  setLayoutSpaceBelow(4);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterIndexView initInterface called with no parameter set");
    return;
  }
  parameterPopupButton_ = new QComboBox(this);
  fillMenuForParameter(parameterPopupButton_, *parameter_);
  parameter_->setIndexesChanged(false);
  const int top = static_cast<int>(interfaceBuildingPositionY());
  parameterPopupButton_->setGeometry(9, top, std::max(0, width() - 15), 24);
  parameterPopupButton_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  connect(parameterPopupButton_, &QComboBox::activated, this, [this] { valueControlChanged(parameterPopupButton_); });
  setInterfaceBuildingPositionY(top + 24);
}

void MVParameterIndexView::removePopupButton()
{
  delete parameterPopupButton_;
  parameterPopupButton_ = nullptr;
}

void MVParameterIndexView::updateInterface()
{
  if (parameter_ != nullptr && parameterPopupButton_ != nullptr) {
    if (parameter_->indexesChanged()) {
      fillMenuForParameter(parameterPopupButton_, *parameter_);
      parameter_->setIndexesChanged(false);
    }
    const QSignalBlocker quiet(parameterPopupButton_);
    parameterPopupButton_->setCurrentIndex(static_cast<int>(std::clamp<long long>(parameter_->index(), -1, parameterPopupButton_->count() - 1)));
    parameterPopupButton_->setHidden(!parameter_->enabled());
  }
  MVParameterView::updateInterface();
}

double MVParameterIndexView::socketInterfaceLocationForSocket(int) const
{
  return parameterPopupButton_ != nullptr ? parameterPopupButton_->y() + 2.0 : 0.0;
}

void MVParameterIndexView::valueControlChanged(QObject* sender)
{
  auto* popup = qobject_cast<QComboBox*>(sender);
  if (popup == nullptr) {
    MVParameterView::valueControlChanged(sender);
    return;
  }
  if (parameter_ != nullptr && !popup->isHidden()) {
    parameter_->setIndex(popup->currentIndex());
  }
}

void MVParameterIndexView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (parameterPopupButton_ != nullptr) {
    parameterPopupButton_->resize(std::max(0, width() - 15), parameterPopupButton_->height());
  }
}
