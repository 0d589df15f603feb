#include "MorvNode/Model/MVParameterValue2D.h"

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterUndoDelegate.h"
#include "MorvNode/Model/MVParameterValueSource.h"
#include "Platform/Unicode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Pauses undo registration for an animator's step, which is no undoable edit.
class UndoPause {
public:
  explicit UndoPause(MVParameterUndoDelegate* delegate) : delegate_(delegate)
  {
    if (delegate_ != nullptr) {
      delegate_->pauseUndoRegistration();
    }
  }
  ~UndoPause()
  {
    if (delegate_ != nullptr) {
      delegate_->resumeUndoRegistration();
    }
  }
  UndoPause(const UndoPause&) = delete;
  UndoPause& operator=(const UndoPause&) = delete;

private:
  MVParameterUndoDelegate* delegate_;  // the document, outlives the step
};

}  // namespace

std::unique_ptr<MVParameterValue2D> MVParameterValue2D::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValue2D>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterValue2D::MVParameterValue2D()
{
  setLayoutShowHeaderLabel(true);
  setLayoutSpaceBelow(2);
  setPositionPresets();
}

void MVParameterValue2D::setPositionPresets()
{
  valueX_ = 0.0;
  valueY_ = 0.0;
  layoutHasAspectToggle_ = false;
  aspectLocked_ = false;
  displayNameX_ = &pf::TextPool::text("X");
  displayNameY_ = &pf::TextPool::text("Y");
}

void MVParameterValue2D::setSizePresets()
{
  valueX_ = 50.0;
  valueY_ = 50.0;
  layoutHasAspectToggle_ = true;
  aspectLocked_ = false;
  displayNameX_ = &pf::TextPool::text("Width");
  displayNameY_ = &pf::TextPool::text("Height");
}

void MVParameterValue2D::setScalePresets()
{
  valueX_ = 1.0;
  valueY_ = 1.0;
  layoutHasAspectToggle_ = true;
  aspectLocked_ = true;
  aspect_ = 1.0;
  displayNameX_ = &pf::TextPool::text("X");
  displayNameY_ = &pf::TextPool::text("Y");
}

void MVParameterValue2D::setDisplayNameX(const std::string& name)
{
  if (name != *displayNameX_) {
    displayNameX_ = &pf::TextPool::text(name);
    setViewNeedsLayout();
  }
}

void MVParameterValue2D::setDisplayNameY(const std::string& name)
{
  if (name != *displayNameY_) {
    displayNameY_ = &pf::TextPool::text(name);
    setViewNeedsLayout();
  }
}

void MVParameterValue2D::setLayoutHasAspectToggle(bool has)
{
  layoutHasAspectToggle_ = has;
  if (!has && aspectLocked_) {
    aspectLocked_ = false;
    reapplySocketsEnableState();
    setViewNeedsLayout();
  }
}

// Node classes set these while they build their parameters, before the node has an undo
// delegate: only a change made afterwards is an undo step.
void MVParameterValue2D::setLayoutShowX(bool show)
{
  if (show == layoutShowX_) {
    return;
  }
  const bool old = layoutShowX_;
  layoutShowX_ = show;
  reapplySocketsEnableState();
  if (node() != nullptr && undoDelegate() != nullptr) {
    registerUndoProperty("layoutShowX", pf::PlistValue(old));
  }
  setViewNeedsLayout();
}

void MVParameterValue2D::setLayoutShowY(bool show)
{
  if (show == layoutShowY_) {
    return;
  }
  const bool old = layoutShowY_;
  layoutShowY_ = show;
  reapplySocketsEnableState();
  if (node() != nullptr && undoDelegate() != nullptr) {
    registerUndoProperty("layoutShowY", pf::PlistValue(old));
  }
  setViewNeedsLayout();
}

MVParameterSocket* MVParameterValue2D::socketAt(bool input, std::size_t index, const char* format) const
{
  const auto& sockets = input ? inputSockets() : outputSockets();
  if (index < sockets.size()) {
    return sockets[index].get();
  }
  if (input ? hasInputSocket() : hasOutputSocket()) {
    FeedbackManager::log(format, description());
  }
  return nullptr;
}

MVParameterSocket* MVParameterValue2D::inputSocketX() const
{
  return socketAt(true, 0,
                  "Warning, %@ has no inputSockets when getting inputSocketX even though hasInputSocket is true");
}

MVParameterSocket* MVParameterValue2D::inputSocketY() const
{
  return socketAt(true, 1,
                  "Warning, %@ has no inputSockets when getting inputSocketY even though hasInputSocket is true");
}

MVParameterSocket* MVParameterValue2D::outputSocketX() const
{
  return socketAt(false, 0,
                  "Warning, %@ has no outputSockets when getting outputSocketX even though hasOutputSocket is true");
}

MVParameterSocket* MVParameterValue2D::outputSocketY() const
{
  return socketAt(false, 1,
                  "Warning, %@ has no outputSockets when getting outputSocketY even though hasOutputSocket is true");
}

void MVParameterValue2D::setupSockets()
{
  MVParameterValue::setupSockets();
  if (inputSockets().size() == 1) {
    addInputSocketOfType(MVSocketType::Value);
  }
  if (outputSockets().size() == 1) {
    addOutputSocketOfType(MVSocketType::Value);
  }
  if (inputSockets().size() == 2) {
    inputSockets()[0]->setTooltip(pf::format("%@ %@ value input", displayName(), *displayNameX_));
    inputSockets()[1]->setTooltip(pf::format("%@ %@ value input", displayName(), *displayNameY_));
  }
  if (outputSockets().size() == 2) {
    outputSockets()[0]->setTooltip(pf::format("%@ %@ value output", displayName(), *displayNameX_));
    outputSockets()[1]->setTooltip(pf::format("%@ %@ value output", displayName(), *displayNameY_));
  }
  // A node class hides an axis before the parameter joins the node, when it has no sockets yet.
  reapplySocketsEnableState();
}

void MVParameterValue2D::setSocketsEnableState(bool enabled)
{
  // Y first, then X with Y's new state: disabling a socket removes its connection, so of two
  // connected inputs under the lock, X keeps its connection.
  if (inputSockets().size() >= 2) {
    MVParameterSocket* x = inputSockets()[0].get();
    MVParameterSocket* y = inputSockets()[1].get();
    y->setEnabled((!aspectLocked_ || !x->hasConnectedInput()) && layoutShowY_ && enabled);
    x->setEnabled((!aspectLocked_ || !y->hasConnectedInput()) && layoutShowX_ && enabled);
  }
  if (outputSockets().size() >= 2) {
    outputSockets()[0]->setEnabled(layoutShowX_ && enabled);
    outputSockets()[1]->setEnabled(layoutShowY_ && enabled);
  }
}

void MVParameterValue2D::reapplySocketsEnableState()
{
  setSocketsEnableState(!layoutHidden() && enabled());
}

bool MVParameterValue2D::canEditValueX() const
{
  const MVParameterSocket* x = inputSockets().size() > 0 ? inputSockets()[0].get() : nullptr;
  const MVParameterSocket* y = inputSockets().size() > 1 ? inputSockets()[1].get() : nullptr;
  return !hasValueSource() && !(x != nullptr && x->hasConnectedInput()) &&
         !(y != nullptr && y->hasConnectedInput() && aspectLocked_);
}

bool MVParameterValue2D::canEditValueY() const
{
  const MVParameterSocket* x = inputSockets().size() > 0 ? inputSockets()[0].get() : nullptr;
  const MVParameterSocket* y = inputSockets().size() > 1 ? inputSockets()[1].get() : nullptr;
  return !hasValueSource() && !(y != nullptr && y->hasConnectedInput()) &&
         !(x != nullptr && x->hasConnectedInput() && aspectLocked_);
}

bool MVParameterValue2D::canEditValue() const
{
  return MVParameterValue::canEditValue() && (canEditValueX() || canEditValueY());
}

void MVParameterValue2D::setValue(double value)
{
  if (node() != nullptr) {
    FeedbackManager::log("Warning, %@ setValue: %g called, use setValueX and setValueY instead", description(), value);
  }
}

void MVParameterValue2D::setValueX(double x, double y)
{
  const double newX = checkNewValue(x);
  const double newY = checkNewValue(y);
  if (newX != valueX_ || newY != valueY_) {
    const bool xChanged = newX != valueX_;
    const bool yChanged = newY != valueY_;
    if (node() != nullptr) {
      if (xChanged) {
        registerUndoProperty("valueX", pf::PlistValue(valueX_));
      }
      if (yChanged) {
        registerUndoProperty("valueY", pf::PlistValue(valueY_));
      }
    }
    // The lock and the aspect stay as they are, even when X/Y now differs from the aspect.
    valueX_ = newX;
    valueY_ = newY;
    if (node() != nullptr && updateDelegatesOnValueChange()) {
      if (xChanged) {
        node()->parameterChanged(this, "x");
      }
      if (yChanged) {
        node()->parameterChanged(this, "y");
      }
    }
    outputChanged();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterValue2D::setValueX(double x)
{
  double y = valueY_;
  if (aspectLocked_) {
    y = aspect_ != 0.0 ? x / aspect_ : 0.0;
  }
  setValueX(x, y);
}

void MVParameterValue2D::setValueY(double y)
{
  const double x = aspectLocked_ ? aspect_ * y : valueX_;
  setValueX(x, y);
}

double MVParameterValue2D::valueForSocketIndex(int index)
{
  if (!enabled()) {
    setViewNeedsLayout();
    return checkNewValue(disabledValue());
  }
  const double old = index == 1 ? valueY_ : valueX_;
  if (!((index == 0 || index == 1) && axisNeedsToUpdate(index))) {
    return old;
  }
  double value = inputValueForSocketIndex(index);
  MVParameterValue::setNeedsToUpdate(false);
  setAxisNeedsToUpdate(index, false);
  if (valueSource() != nullptr) {
    value = checkNewValue(valueSource()->valueForParameter(this, index, value));
  }
  if (index == 0) {
    if (value != valueX_) {
      valueX_ = value;
      if (aspectLocked_) {
        valueY_ = checkNewValue(aspect_ != 0.0 ? value / aspect_ : 0.0);
      }
    }
    // A connected Y drives X under the lock.
    if (aspectLocked_ && hasConnectedInputSocket() && inputSockets().size() > 1 &&
        inputSockets()[1]->hasConnectedInput()) {
      valueForSocketIndex(1);
      value = valueX_;
    }
  } else {
    if (value != valueY_) {
      valueY_ = value;
      if (aspectLocked_) {
        valueX_ = checkNewValue(aspect_ * value);
      }
    }
  }
  if (value != old) {
    setViewNeedsLayout();
  }
  return value;
}

double MVParameterValue2D::inputValueForSocketIndex(int index)
{
  const double stored = index == 1 ? valueY_ : valueX_;
  if (index < 0) {
    FeedbackManager::log("Warning %@ inputValueForSocketIndex:%d, invalid socket index!", description(), index);
    return stored;
  }
  if (static_cast<std::size_t>(index) >= inputSockets().size()) {
    // A parameter made without input sockets reads its stored values quietly.
    if (hasInputSocket()) {
      FeedbackManager::log("Warning %@ inputValueForSocketIndex:%d, but parameter only has %ld sockets",
                           description(), index, static_cast<long>(inputSockets().size()));
    }
    return stored;
  }
  if (!hasConnectedInputSocket()) {
    return stored;
  }
  MVParameterSocket* socket = inputSockets()[static_cast<std::size_t>(index)].get();
  if (!socket->hasConnectedInput()) {
    return stored;
  }
  const double delivered = socket->inputValue();
  if (socket->inputHasInfiniteLoopProblems()) {
    FeedbackManager::log("Warning, %@ inputValueForSocketIndex %@ has infiniteLoopProblem", description(),
                         socket->description());
    return stored;
  }
  return checkNewValue(delivered);
}

double MVParameterValue2D::localValueX() const
{
  return roundedIfInteger(enabled() ? valueX_ : disabledValue());
}

double MVParameterValue2D::localValueY() const
{
  return roundedIfInteger(enabled() ? valueY_ : disabledValue());
}

void MVParameterValue2D::setAspectLocked(bool locked)
{
  if (locked == aspectLocked_) {
    return;
  }
  if (locked) {
    if (!layoutHasAspectToggle_) {
      FeedbackManager::log("Warning, attempted to setAspectLocked on %@, but layoutHasAspectToggle is false",
                           description());
      return;
    }
    aspect_ = valueY_ != 0.0 ? valueX_ / valueY_ : 0.0;
    if (valueX_ == valueY_) {
      aspect_ = 1.0;  // 0/0 too
    }
  }
  if (node() != nullptr) {
    registerUndoProperty("aspectLocked", pf::PlistValue(aspectLocked_));
  }
  aspectLocked_ = locked;
  if (locked && node() != nullptr) {
    inputChanged();
    const MVParameterSocket* x = inputSockets().size() > 0 ? inputSockets()[0].get() : nullptr;
    const MVParameterSocket* y = inputSockets().size() > 1 ? inputSockets()[1].get() : nullptr;
    if ((x != nullptr && x->inputHasInfiniteLoopProblems()) || (y != nullptr && y->inputHasInfiniteLoopProblems())) {
      setAspectLocked(false);
      FeedbackManager::showNSAlert("Infinite loop error",
                                   pf::format("Locking the aspect of %@ %@ results in an infinite loop due to the "
                                              "connections to/from it, so it cannot be locked.",
                                              node()->displayFullName(), displayName()));
      return;
    }
  }
  if (inputSockets().size() >= 2) {
    reapplySocketsEnableState();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterValue2D::setAspectLockForced(bool forced)
{
  if (forced != aspectLockForced_) {
    aspectLockForced_ = forced;
    setViewNeedsLayout();
  }
}

void MVParameterValue2D::inputChanged()
{
  MVParameterValue::inputChanged();
  reapplySocketsEnableState();
}

void MVParameterValue2D::inputChangedSocket(int index)
{
  if (index == 0 && !inInputChangedX_) {
    inInputChangedX_ = true;
    setNeedsToUpdate(true);  // both axes
    if (node() != nullptr) {
      node()->parameterChanged(this, "x");
    }
    outputChangedSocket(0);
    if (aspectLocked_) {
      outputChangedSocket(1);
    }
    inInputChangedX_ = false;
  } else if (index == 1 && !inInputChangedY_) {
    inInputChangedY_ = true;
    setNeedsToUpdate(true);  // both axes
    if (node() != nullptr) {
      node()->parameterChanged(this, "y");
    }
    if (aspectLocked_) {
      outputChangedSocket(0);
    }
    outputChangedSocket(1);
    inInputChangedY_ = false;
  }
  reapplySocketsEnableState();
}

void MVParameterValue2D::setValueSource(MVParameterValueSource* source)
{
  if (source != nullptr) {
    setAspectLocked(false);
  }
  MVParameterValue::setValueSource(source);
}

void MVParameterValue2D::storeParameterUndoValue()
{
  MVParameter::storeParameterUndoValue();
  if (node() != nullptr) {
    registerUndoProperty("valueX", pf::PlistValue(valueX_));
    registerUndoProperty("valueY", pf::PlistValue(valueY_));
  }
}

void MVParameterValue2D::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "aspectLocked") {
    setAspectLocked(value.toBool().value_or(false));
  } else if (propertyName == "valueX") {
    setValueX(value.toDouble().value_or(0.0), valueY_);
  } else if (propertyName == "valueY") {
    setValueX(valueX_, value.toDouble().value_or(0.0));
  } else if (propertyName == "layoutShowY") {
    setLayoutShowY(value.toBool().value_or(true));
  } else if (propertyName == "layoutShowX") {
    setLayoutShowX(value.toBool().value_or(true));
  }
}

std::optional<std::string> MVParameterValue2D::undoActionNameForProperty(const std::string& propertyName) const
{
  if (propertyName == "layoutShowY" || propertyName == "layoutShowX" || propertyName == "layoutHidden") {
    return std::nullopt;
  }
  if (propertyName == "aspectLocked") {
    const std::string nodeName = node() != nullptr ? pf::lowercased(node()->displayName()) : std::string();
    // Named before the change: locking while unlocked.
    return pf::format(aspectLocked_ ? "%@ %@ aspect unlock" : "%@ %@ aspect lock", nodeName,
                      pf::lowercased(displayName()));
  }
  return MVParameterValue::undoActionNameForProperty(propertyName);
}

bool MVParameterValue2D::animatorCanAnimateProperty(const std::string& propertyName) const
{
  if (!enabled() || layoutHidden()) {
    return false;
  }
  const MVParameterSocket* x = inputSockets().size() > 0 ? inputSockets()[0].get() : nullptr;
  const MVParameterSocket* y = inputSockets().size() > 1 ? inputSockets()[1].get() : nullptr;
  const bool xConnected = x != nullptr && x->hasConnectedInput();
  const bool yConnected = y != nullptr && y->hasConnectedInput();
  if (propertyName == "x") {
    return !hasValueSource() && !xConnected && !(yConnected && aspectLocked_) && !(animatedY_ && aspectLocked_) &&
           layoutShowX_;
  }
  if (propertyName == "y") {
    return !hasValueSource() && !yConnected && !(xConnected && aspectLocked_) && !(animatedX_ && aspectLocked_) &&
           layoutShowY_;
  }
  return false;
}

void MVParameterValue2D::animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  const std::optional<double> number = value.toDouble();
  if ((propertyName != "x" && propertyName != "y") || !number) {
    FeedbackManager::log("Error, %@ animatorSetProperty: %@ valueObject %@ does not respond to doubleValue",
                         description(), propertyName, value);
    return;
  }
  const UndoPause pause(undoDelegate());
  if (propertyName == "x") {
    setValueX(*number);
  } else {
    setValueY(*number);
  }
}

void MVParameterValue2D::animatorProperty(const std::string& propertyName, bool setAnimated)
{
  if (propertyName == "x") {
    animatedX_ = setAnimated;
  } else if (propertyName == "y") {
    animatedY_ = setAnimated;
  }
  MVParameterValue::animatorProperty(propertyName, animatedX_ || animatedY_);
  setViewNeedsLayout();
}

std::string MVParameterValue2D::animatorDisplayNameWithProperty(const std::string& propertyName) const
{
  if (propertyName == "x") {
    return pf::format("%@ %@", displayName(), *displayNameX_);
  }
  if (propertyName == "y") {
    return pf::format("%@ %@", displayName(), *displayNameY_);
  }
  return displayName();
}

pf::PlistValue::Dictionary MVParameterValue2D::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  DictionaryValueExtras::setDoubleValue(record, valueX_, "ValueX");
  DictionaryValueExtras::setDoubleValue(record, valueY_, "ValueY");
  DictionaryValueExtras::setBoolValue(record, aspectLocked_, "Aspect Locked");
  if (aspectLocked_) {
    DictionaryValueExtras::setDoubleValue(record, aspect_, "Aspect");
  }
  return record;
}

bool MVParameterValue2D::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  bool loaded = true;
  // The values first, so that a preset lock does not move them.
  if (record.contains("ValueX") && record.contains("ValueY")) {
    setValueX(DictionaryValueExtras::doubleValueForKey(record, "ValueX"),
              DictionaryValueExtras::doubleValueForKey(record, "ValueY"));
  } else {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing ValueX or ValueY key", description());
    loaded = false;
  }
  if (!layoutHasAspectToggle_) {
    aspectLocked_ = false;
  } else if (record.contains("Aspect Locked")) {
    aspectLocked_ = DictionaryValueExtras::boolValueForKey(record, "Aspect Locked");
    if (aspectLocked_ && record.contains("Aspect")) {
      aspect_ = DictionaryValueExtras::doubleValueForKey(record, "Aspect");
    }
  }
  return loaded;
}

std::string MVParameterValue2D::description() const
{
  return pf::format("<%@ [%@ '%@'] value: %g,%g>", className(),
                    node() != nullptr ? node()->displayFullName() : "Unknown node", name(), localValueX(),
                    localValueY());
}
