#include "MorvNode/Inspector/MVParameterBoolView.h"

#include <QCheckBox>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/KeptCheckBox.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterBoolView::MVParameterBoolView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterBoolView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterBool*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterBoolView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const int top = static_cast<int>(interfaceBuildingPositionY());
  parameterButton_ = new KeptCheckBox(this);
  parameterButton_->setFont(labelFont());
  parameterButton_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  parameterButton_->setText(QString::fromStdString(parameter_->displayName()));
  InspectorControls::setTextColor(parameterButton_, MVInterfaceAssets::color("NodeParameterText"));
  const QSize fitted = parameterButton_->sizeHint();
  parameterButton_->setGeometry(10, top, std::min(fitted.width(), std::max(0, width() - 19)), std::max(fitted.height(), 20));
  connect(parameterButton_, &QCheckBox::clicked, this, [this] { valueControlChanged(parameterButton_); });
  setInterfaceBuildingPositionY(top + parameterButton_->height());
}

void MVParameterBoolView::updateInterface()
{
  if (parameter_ != nullptr && parameterButton_ != nullptr) {
    const QString title = QString::fromStdString(parameter_->displayName());
    if (parameterButton_->text() != title) {
      parameterButton_->setText(title);
      parameterButton_->resize(parameterButton_->sizeHint().width(), parameterButton_->height());
    }
    parameterButton_->setChecked(parameter_->value());
    parameterButton_->setHidden(!parameter_->enabled());
  }
  MVParameterView::updateInterface();
}

void MVParameterBoolView::valueControlChanged(QObject* sender)
{
  if (sender != parameterButton_ || parameterButton_ == nullptr) {
    MVParameterView::valueControlChanged(sender);
    return;
  }
  if (parameter_ != nullptr) {
    parameter_->setValue(parameterButton_->isChecked());
  }
}
