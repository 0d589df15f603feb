#include "MorvNode/Inspector/MVParameterValue2DView.h"

#include <QIcon>
#include <QLabel>
#include <QToolButton>

#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorIcons.h"
#include "MorvNode/Inspector/KeptToolButton.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODTextField/ODTextField.h"

namespace {

constexpr int kFieldWidth = 35;       // points
constexpr int kFieldHeight = 20;      // points
constexpr int kFieldRightInset = 45;  // the fields' left edge, from the row's right edge
constexpr int kToggleWidth = 15;      // points
constexpr int kToggleHeight = 24;     // points
constexpr double kUnlockedOpacity = 0.4;  // of the open link's icon
constexpr double kForcedOpacity = 0.5;    // of the icon of a link locked for good

}  // namespace

MVParameterValue2DView::MVParameterValue2DView(QWidget* parent) : MVParameterView(parent) {}

MVParameterValue2DView::~MVParameterValue2DView()
{
  if (HoverControlsView* controls = HoverControlsView::existingHoverControls()) {
    controls->releaseDelegate(this);
  }
}

void MVParameterValue2DView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterValue2D*>(parameter);
  if (parameter == nullptr) {
    if (HoverControlsView* controls = HoverControlsView::existingHoverControls()) {
      controls->releaseDelegate(this);
    }
  }
  MVParameterView::setParameter(parameter);
}

void MVParameterValue2DView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const QString toolTip = QString::fromStdString(parameter_->tooltip());
  const QColor textColor = MVInterfaceAssets::color("NodeParameterText");
  double y = interfaceBuildingPositionY() - 1.0;
  const auto makeLine = [&](int tag, QLabel*& label, ODTextField*& field, QLabel*& marker) {
    const int top = static_cast<int>(y);
    lineY_[tag] = top;
    label = InspectorControls::label(this, toolTip, "NodeParameterText", true);
    label->setGeometry(9, top + 1, std::max(0, width() - 19), kFieldHeight);
    field = new ODTextField(this);
    field->setGeometry(width() - kFieldRightInset, top, kFieldWidth, kFieldHeight);
    field->setFont(primaryFont());
    field->setToolTip(toolTip);
    field->setTag(tag);
    InspectorControls::setTextColor(field, textColor);
    field->setMouseTrackingDelegate(this);
    field->setFirstResponderTrackingDelegate(this);
    connect(field, &ODTextField::action, this, [this](ODTextField* sender) { valueControlChanged(sender); });
    marker = new QLabel(this);
    marker->setGeometry(field->x() - 12, top + 5, 10, 10);
    marker->setPixmap(InspectorIcons::image("Keyframe", 10, MVInterfaceAssets::color("DragEditColor")));
    marker->setToolTip(tr("The parameter is controlled by an animation timeline track"));
    marker->hide();
    // The two lines overlap by one point.
    y += kFieldHeight - 1;
  };
  makeLine(0, parameterFieldLabelX_, parameterFieldX_, animationMarkerX_);
  makeLine(1, parameterFieldLabelY_, parameterFieldY_, animationMarkerY_);
  setTabOrder(parameterFieldX_, parameterFieldY_);

  // Left of the fields, across the seam between them.
  aspectToggleButton_ = new KeptToolButton(this);
  aspectToggleButton_->setGeometry(parameterFieldY_->x() - kToggleWidth, parameterFieldY_->y() - 11, kToggleWidth,
                                   kToggleHeight);
  aspectToggleButton_->setCheckable(true);
  aspectToggleButton_->setAutoRaise(true);
  aspectToggleButton_->setFocusPolicy(Qt::NoFocus);
  aspectToggleButton_->setToolTip(tr("Toggle lock x/y aspect"));
  // Open, the link is drawn faint; locked, in full; locked for good (the button disabled), at half.
  // The icon carries the dimming itself: an opacity effect would draw the button through a
  // picture of it made anew on every repaint of the canvas.
  QIcon lock;
  const QColor ink = MVInterfaceAssets::color("NodeParameterLabel");
  const QPixmap unlocked = InspectorIcons::image("aspect_unlocked.png", 14, ink);
  const QPixmap locked = InspectorIcons::image("aspect_locked.png", 14, ink);
  lock.addPixmap(InspectorIcons::faded(unlocked, kUnlockedOpacity), QIcon::Normal, QIcon::Off);
  lock.addPixmap(locked, QIcon::Normal, QIcon::On);
  lock.addPixmap(InspectorIcons::faded(unlocked, kUnlockedOpacity), QIcon::Disabled, QIcon::Off);
  lock.addPixmap(InspectorIcons::faded(locked, kForcedOpacity), QIcon::Disabled, QIcon::On);
  aspectToggleButton_->setIcon(lock);
  aspectToggleButton_->setIconSize(QSize(12, 14));
  connect(aspectToggleButton_, &QToolButton::clicked, this, [this] { aspectToggleButtonPressed(); });

  setInterfaceBuildingPositionY(y);
}

void MVParameterValue2DView::updateInterface()
{
  if (parameter_ != nullptr && parameterFieldX_ != nullptr) {
    MVParameterValue2D& pair = *parameter_;
    const bool enabled = pair.enabled();
    MVParameterSocket* socketX = pair.inputSockets().size() > 0 ? pair.inputSockets()[0].get() : nullptr;
    MVParameterSocket* socketY = pair.inputSockets().size() > 1 ? pair.inputSockets()[1].get() : nullptr;
    const bool connectedX = socketX != nullptr && socketX->hasConnectedInput();
    const bool connectedY = socketY != nullptr && socketY->hasConnectedInput();
    const bool canEditX = pair.canEditValueX();
    const bool canEditY = pair.canEditValueY();

    // The lock.
    const bool toggleShown = pair.layoutHasAspectToggle() && enabled && pair.layoutShowX() && pair.layoutShowY() &&
                             !(connectedX && connectedY) && !pair.hasValueSource();
    aspectToggleButton_->setVisible(toggleShown);
    if (toggleShown) {
      aspectToggleButton_->setChecked(pair.aspectLocked());
      aspectToggleButton_->setEnabled(!(pair.aspectLocked() && pair.aspectLockForced()));
    }

    // Keyframe markers, moved clear of a shown lock.
    const bool markerX = pair.animatedX() && enabled && !pair.layoutHidden();
    const bool markerY = pair.animatedY() && enabled && !pair.layoutHidden();
    animationMarkerX_->setVisible(markerX);
    animationMarkerY_->setVisible(markerY);
    if (markerX || markerY) {
      const int x = parameterFieldX_->x() - 12 - (toggleShown ? aspectToggleButton_->width() - 2 : 0);
      animationMarkerX_->move(x, animationMarkerX_->y());
      animationMarkerY_->move(x, animationMarkerY_->y());
    }

    // The lines; a Y-only parameter shows its Y line on the first line.
    parameterFieldLabelX_->setText(QString::fromStdString(pair.displayNameX()));
    const bool showX = enabled && pair.layoutShowX();
    parameterFieldLabelX_->setVisible(showX);
    parameterFieldX_->setVisible(showX);
    InspectorControls::showValue(parameterFieldX_, pair.localValueX());
    parameterFieldX_->setEnabled(canEditX);
    parameterFieldLabelY_->setText(QString::fromStdString(pair.displayNameY()));
    const bool showY = enabled && pair.layoutShowY();
    parameterFieldLabelY_->setVisible(showY);
    parameterFieldY_->setVisible(showY);
    InspectorControls::showValue(parameterFieldY_, pair.localValueY());
    parameterFieldY_->setEnabled(canEditY);
    const int lineY = pair.layoutShowX() ? lineY_[1] : lineY_[0];
    parameterFieldLabelY_->move(parameterFieldLabelY_->x(), lineY + 1);
    parameterFieldY_->move(parameterFieldY_->x(), lineY);
    animationMarkerY_->move(animationMarkerY_->x(), lineY + 5);

    // Input sockets.
    const auto updateSocket = [&pair](MVParameterSocket* socket, bool shown, bool canEdit) {
      if (socket == nullptr) {
        return;
      }
      if (socket->hasConnectedInput()) {
        if (shown) {
          socket->setEnabled(true);
        }
      } else if (!canEdit && pair.disablesInputWithValueSource()) {
        socket->setEnabled(false);
      } else if (shown) {
        socket->setEnabled(true);
      }
    };
    updateSocket(socketX, pair.layoutShowX(), canEditX);
    updateSocket(socketY, pair.layoutShowY(), canEditY);

    HoverControlsView* controls = HoverControlsView::existingHoverControls();
    if (controls != nullptr && controls->isVisible() && controls->delegate() == this) {
      controls->setDoubleValue(controls->fieldIndex() == 1 ? pair.localValueY() : pair.localValueX());
    }
  }
  MVParameterView::updateInterface();
}

double MVParameterValue2DView::socketInterfaceLocationForSocket(int index) const
{
  if (index == 0 && parameterFieldX_ != nullptr) {
    return parameterFieldX_->y() + 2.0;
  }
  if (index == 1 && parameterFieldY_ != nullptr) {
    return parameterFieldY_->y() + 2.0;
  }
  return 15.0 * index + 4.0;
}

QWidget* MVParameterValue2DView::firstKeyView() const
{
  return parameterFieldX_;
}

QWidget* MVParameterValue2DView::lastKeyView() const
{
  return parameterFieldY_;
}

void MVParameterValue2DView::makeFirstResponder()
{
  if (parameterFieldX_ == nullptr || parameterFieldY_ == nullptr) {
    return;
  }
  if (parameterFieldX_->isEnabled() && !parameterFieldY_->hasFocus()) {
    if (!parameterFieldX_->hasFocus()) {
      parameterFieldX_->setFocus(Qt::OtherFocusReason);
    }
  } else if (parameterFieldY_->isEnabled() && !parameterFieldY_->hasFocus()) {
    parameterFieldY_->setFocus(Qt::OtherFocusReason);
  }
}

void MVParameterValue2DView::valueControlChanged(QObject* sender)
{
  double value = 0.0;
  int axis = 0;
  if (auto* field = qobject_cast<ODTextField*>(sender)) {
    value = field->parseDoubleValue();
    axis = field->tag();
  } else if (auto* controls = qobject_cast<HoverControlsView*>(sender)) {
    value = controls->doubleValue();
    axis = static_cast<int>(controls->fieldIndex());
  } else {
    MVParameterView::valueControlChanged(sender);
    return;
  }
  auto* control = qobject_cast<QWidget*>(sender);
  if (control == nullptr || control->isHidden() || parameter_ == nullptr) {
    return;
  }
  ODTextField* field = axis == 1 ? parameterFieldY_ : parameterFieldX_;
  if (field != nullptr && field != sender && !field->hasFocus()) {
    field->setFocus(Qt::OtherFocusReason);
  }
  if (axis == 1) {
    parameter_->setValueY(value);
  } else {
    parameter_->setValueX(value);
  }
}

void MVParameterValue2DView::aspectToggleButtonPressed()
{
  if (parameter_ == nullptr) {
    return;
  }
  if (parameter_->aspectLockForced()) {
    updateInterface();
    return;
  }
  const bool lock = aspectToggleButton_->isChecked();
  if (!parameter_->aspectLocked()) {
    // The ratio is taken from what was typed: a pending edit is stored first.
    for (ODTextField* field : {parameterFieldX_, parameterFieldY_}) {
      if (field->hasFocus()) {
        if (field->editStartContentString().has_value()) {
          field->endEditing();
        } else {
          valueControlChanged(field);
        }
      }
    }
  }
  parameter_->setAspectLocked(lock);
  // The parameter may refuse: the toggle shows the real state.
  updateInterface();
}

void MVParameterValue2DView::textFieldBecameFirstResponder(ODTextField* field)
{
  if (parameter_ != nullptr) {
    InspectorControls::fieldTookFocus(*parameter_, field->isEnabled());
  }
}

void MVParameterValue2DView::textFieldMouseOver(ODTextField* field)
{
  HoverControlsView* controls = HoverControlsView::sharedHoverControls();
  if (controls->isMouseOver() && controls->delegate() != this) {
    return;
  }
  controls->showForField(field);
  controls->setDelegate(this);
  controls->setParameter(parameter_);
}

void MVParameterValue2DView::textFieldMouseExited(ODTextField* field)
{
  HoverControlsView* controls = HoverControlsView::existingHoverControls();
  if (controls != nullptr && controls->isVisible() && controls->delegate() == this && !controls->isMouseOver() &&
      controls->lastField() == field) {
    controls->startHideTimer();
  }
}

void MVParameterValue2DView::placeRightControls()
{
  if (parameterFieldX_ == nullptr) {
    return;
  }
  const int fieldX = width() - kFieldRightInset;
  const int shift = fieldX - parameterFieldX_->x();
  if (shift == 0) {
    return;
  }
  for (QWidget* control : std::initializer_list<QWidget*>{parameterFieldX_, parameterFieldY_, animationMarkerX_,
                                                          animationMarkerY_, aspectToggleButton_}) {
    control->move(control->x() + shift, control->y());
  }
  parameterFieldLabelX_->resize(std::max(0, width() - 19), parameterFieldLabelX_->height());
  parameterFieldLabelY_->resize(std::max(0, width() - 19), parameterFieldLabelY_->height());
}

void MVParameterValue2DView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  placeRightControls();
}
