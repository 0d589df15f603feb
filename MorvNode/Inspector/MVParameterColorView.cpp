#include "MorvNode/Inspector/MVParameterColorView.h"

#include <QLabel>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/MyColorWell.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVParameterColorView::MVParameterColorView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterColorView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterColor*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterColorView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, MVParameterColorView initInterface called with no parameter set");
    return;
  }
  const int top = static_cast<int>(interfaceBuildingPositionY());
  const int w = width();
  if (!parameter_->layoutFullWidth()) {
    // The label shares its line with the well.
    parameterFieldLabel_ =
        InspectorControls::label(this, QString::fromStdString(parameter_->tooltip()), "ParameterColorEdge", true);
    parameterFieldLabel_->setGeometry(10, top, std::max(0, w - 19), 20);
  }
  parameterColorWell_ = new MyColorWell(this);
  if (parameter_->layoutFullWidth()) {
    parameterColorWell_->setGeometry(10, top, std::max(0, w - 19), 22);
  } else {
    parameterColorWell_->setGeometry(w - 44, top, 33, 22);
  }
  connect(parameterColorWell_, &MyColorWell::colorChanged, this, [this](MyColorWell* well) { valueControlChanged(well); });
  setInterfaceBuildingPositionY(top + 22);
}

void MVParameterColorView::updateInterface()
{
  if (parameter_ != nullptr && parameterColorWell_ != nullptr) {
    const bool enabled = parameter_->enabled();
    if (parameterFieldLabel_ != nullptr) {
      parameterFieldLabel_->setText(QString::fromStdString(parameter_->displayName()));
      parameterFieldLabel_->setHidden(!enabled);
    }
    const pf::Color& color = parameter_->localColor();
    parameterColorWell_->setColor(QColor::fromRgbF(static_cast<float>(color.red()), static_cast<float>(color.green()),
                                                   static_cast<float>(color.blue()), static_cast<float>(color.alpha())));
    parameterColorWell_->setHidden(!enabled);
    parameterColorWell_->setEnabled(parameter_->canEditValue());
  }
  MVParameterView::updateInterface();
}

double MVParameterColorView::socketInterfaceLocationForSocket(int) const
{
  return parameterColorWell_ != nullptr ? parameterColorWell_->y() + 2.0 : 0.0;
}

void MVParameterColorView::valueControlChanged(QObject* sender)
{
  auto* well = qobject_cast<MyColorWell*>(sender);
  if (well == nullptr) {
    MVParameterView::valueControlChanged(sender);
    return;
  }
  if (well->isHidden() || parameter_ == nullptr || !well->color().isValid()) {
    return;
  }
  const QColor color = well->color().toRgb();
  parameter_->setColor(pf::Color::rgb(color.redF(), color.greenF(), color.blueF(), color.alphaF()));
}

void MVParameterColorView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (parameterColorWell_ == nullptr) {
    return;
  }
  if (parameterFieldLabel_ != nullptr) {
    parameterFieldLabel_->resize(std::max(0, width() - 19), parameterFieldLabel_->height());
    parameterColorWell_->move(width() - 44, parameterColorWell_->y());
  } else {
    parameterColorWell_->resize(std::max(0, width() - 19), parameterColorWell_->height());
  }
}
