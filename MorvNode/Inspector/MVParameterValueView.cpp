#include "MorvNode/Inspector/MVParameterValueView.h"

#include <QLabel>

#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorIcons.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODTextField/ODTextField.h"

namespace {

constexpr int kFieldWidth = 35;   // points
constexpr int kFieldHeight = 20;  // points
constexpr int kFieldRightInset = 45;  // the field's left edge, from the row's right edge

}  // namespace

MVParameterValueView::MVParameterValueView(QWidget* parent) : MVParameterView(parent) {}

MVParameterValueView::~MVParameterValueView()
{
  if (HoverControlsView* controls = HoverControlsView::existingHoverControls()) {
    controls->releaseDelegate(this);
  }
}

void MVParameterValueView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterValue*>(parameter);
  if (parameter == nullptr) {
    // The parameter goes: the hover control must not keep it.
    if (HoverControlsView* controls = HoverControlsView::existingHoverControls()) {
      controls->releaseDelegate(this);
    }
  }
  MVParameterView::setParameter(parameter);
}

void MVParameterValueView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const double y = interfaceBuildingPositionY() - 1.0;
  const int top = static_cast<int>(y);
  const QString toolTip = QString::fromStdString(parameter_->tooltip());
  parameterFieldLabel_ = InspectorControls::label(this, toolTip, "NodeParameterText", true);
  parameterFieldLabel_->setGeometry(9, top + 1, std::max(0, width() - 19), kFieldHeight);

  // The field covers the label's right part.
  parameterField_ = new ODTextField(this);
  parameterField_->setGeometry(width() - kFieldRightInset, top, kFieldWidth, kFieldHeight);
  parameterField_->setFont(primaryFont());
  parameterField_->setToolTip(toolTip);
  InspectorControls::setTextColor(parameterField_, MVInterfaceAssets::color("NodeParameterText"));
  parameterField_->setMouseTrackingDelegate(this);
  parameterField_->setFirstResponderTrackingDelegate(this);
  connect(parameterField_, &ODTextField::action, this, [this](ODTextField* field) { valueControlChanged(field); });

  auto* marker = new QLabel(this);
  marker->setGeometry(parameterField_->x() - 12, top + 5, 10, 10);
  marker->setPixmap(InspectorIcons::image("Keyframe", 10, MVInterfaceAssets::color("DragEditColor")));
  marker->setToolTip(tr("The parameter is controlled by an animation timeline track"));
  marker->hide();
  setAnimationMarker(marker);

  setInterfaceBuildingPositionY(y + kFieldHeight);
}

void MVParameterValueView::updateInterface()
{
  if (parameter_ != nullptr && parameterField_ != nullptr) {
    const bool enabled = parameter_->enabled();
    parameterFieldLabel_->setText(QString::fromStdString(parameter_->displayName()));
    parameterFieldLabel_->setHidden(!enabled);
    const double value = parameter_->localValue();
    InspectorControls::showValue(parameterField_, value);
    parameterField_->setHidden(!enabled);
    parameterField_->setEnabled(parameter_->canEditValue());
    if (!parameter_->inputSockets().empty() && parameter_->disablesInputWithValueSource()) {
      parameter_->inputSockets().front()->setEnabled(!parameter_->hasValueSource());
    }
    HoverControlsView* controls = HoverControlsView::existingHoverControls();
    if (controls != nullptr && controls->isVisible() && controls->delegate() == this) {
      controls->setDoubleValue(value);
    }
  }
  MVParameterView::updateInterface();
}

double MVParameterValueView::socketInterfaceLocationForSocket(int) const
{
  return parameterField_ != nullptr ? parameterField_->y() + 2.0 : 0.0;
}

QWidget* MVParameterValueView::firstKeyView() const
{
  return parameterField_;
}

void MVParameterValueView::makeFirstResponder()
{
  if (parameterField_ != nullptr && !parameterField_->hasFocus()) {
    parameterField_->setFocus(Qt::OtherFocusReason);
  }
}

void MVParameterValueView::valueControlChanged(QObject* sender)
{
  double value = 0.0;
  QWidget* control = qobject_cast<QWidget*>(sender);
  if (auto* field = qobject_cast<ODTextField*>(sender)) {
    value = field->parseDoubleValue();
  } else if (auto* controls = qobject_cast<HoverControlsView*>(sender)) {
    value = controls->doubleValue();
  } else {
    MVParameterView::valueControlChanged(sender);
    return;
  }
  if (control == nullptr || control->isHidden()) {
    return;
  }
  if (control != parameterField_ && parameterField_ != nullptr && !parameterField_->hasFocus()) {
    makeFirstResponder();
  }
  if (parameter_ != nullptr) {
    parameter_->setValue(value);
  }
}

void MVParameterValueView::textFieldBecameFirstResponder(ODTextField* field)
{
  if (parameter_ != nullptr) {
    InspectorControls::fieldTookFocus(*parameter_, field->isEnabled());
  }
}

void MVParameterValueView::textFieldMouseOver(ODTextField* field)
{
  HoverControlsView* controls = HoverControlsView::sharedHoverControls();
  if (controls->isMouseOver() && controls->delegate() != this) {
    return;
  }
  controls->showForField(field);
  controls->setDelegate(this);
  controls->setParameter(parameter_);
}

void MVParameterValueView::textFieldMouseExited(ODTextField*)
{
  HoverControlsView* controls = HoverControlsView::existingHoverControls();
  if (controls != nullptr && controls->isVisible() && controls->delegate() == this && !controls->isMouseOver()) {
    controls->startHideTimer();
  }
}

void MVParameterValueView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (parameterField_ != nullptr) {
    parameterField_->move(width() - kFieldRightInset, parameterField_->y());
    parameterFieldLabel_->resize(std::max(0, width() - 19), parameterFieldLabel_->height());
    if (animationMarker() != nullptr) {
      animationMarker()->move(parameterField_->x() - 12, animationMarker()->y());
    }
  }
}
