#include "MorvNode/Inspector/MVParameterIndexSegmentView.h"

#include <QLabel>

#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Inspector/MVSegmentedControl.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterIndexSegmentView::MVParameterIndexSegmentView(QWidget* parent) : MVParameterIndexView(parent) {}

void MVParameterIndexSegmentView::initInterface()
{
  MVParameterIndexView::initInterface();
  setLayoutSpaceBelow(4);
  if (parameter_ == nullptr) {
    return;
  }
  setInterfaceBuildingPositionY(headerLabel() != nullptr ? headerLabel()->height() - 2.0 : 0.0);
  removePopupButton();

  const std::vector<std::string>& names = parameter_->indexDisplayNames();
  const std::vector<std::string>& icons = parameter_->indexIcons();
  const std::vector<std::string>& toolTips = parameter_->indexTooltips();
  const int count = static_cast<int>(names.size());
  parameterSelector_ = new MVSegmentedControl(count, MVSegmentedControl::Tracking::SelectAny, this);
  parameterSelector_->setGeometry(9, static_cast<int>(interfaceBuildingPositionY()), std::max(0, width() - 15), 30);
  for (int index = 0; index < count; ++index) {
    const auto at = static_cast<std::size_t>(index);
    if (at < icons.size()) {
      const QPixmap icon = InspectorImages::iconNamed(icons[at]);
      if (icon.isNull()) {
        FeedbackManager::log("Warning, %@ could not find item icon named %@ in initInterface", description(), icons[at]);
      } else {
        parameterSelector_->setIcon(index, icon, 18);
      }
    }
    if (at < toolTips.size()) {
      parameterSelector_->setToolTip(index, QString::fromStdString(toolTips[at]));
    }
  }
  connect(parameterSelector_, &MVSegmentedControl::segmentClicked, this, [this] { valueControlChanged(parameterSelector_); });
  setInterfaceBuildingPositionY(interfaceBuildingPositionY() + 30);
}

void MVParameterIndexSegmentView::updateInterface()
{
  if (parameter_ != nullptr && parameterSelector_ != nullptr) {
    parameterSelector_->deselectAll();
    if (parameter_->index() != -1) {
      parameterSelector_->setSelected(static_cast<int>(parameter_->index()), true);
    }
    parameterSelector_->setHidden(!parameter_->enabled());
  }
  MVParameterIndexView::updateInterface();
}

void MVParameterIndexSegmentView::valueControlChanged(QObject* sender)
{
  if (sender != parameterSelector_ || parameterSelector_ == nullptr) {
    MVParameterIndexView::valueControlChanged(sender);
    return;
  }
  if (parameter_ == nullptr) {
    return;
  }
  const int segment = parameterSelector_->selectedSegment();
  // Clicking the chosen segment again turns the choice off.
  parameter_->setIndex(parameterSelector_->isSelected(segment) ? segment : -1);
}

void MVParameterIndexSegmentView::resizeEvent(QResizeEvent* event)
{
  MVParameterIndexView::resizeEvent(event);
  if (parameterSelector_ != nullptr) {
    parameterSelector_->resize(std::max(0, width() - 15), parameterSelector_->height());
  }
}
