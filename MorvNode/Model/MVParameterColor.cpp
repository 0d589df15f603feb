#include "MorvNode/Model/MVParameterColor.h"

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterColorSource.h"
#include "Platform/ColorArchive.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterColor> MVParameterColor::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterColor>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterColor::MVParameterColor()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceBelow(2);
  setHasInputSocket(true);
  setHasOutputSocket(true);
}

void MVParameterColor::setupSockets()
{
  MVParameter::setupSockets();
  if (hasInputSocket() && inputSockets().empty()) {
    addInputSocketOfType(MVSocketType::Color);
  }
  if (hasOutputSocket() && outputSockets().empty()) {
    addOutputSocketOfType(MVSocketType::Color);
  }
}

std::optional<pf::PlistValue> MVParameterColor::archivedUndoValue() const
{
  // Archiving costs more than the rest of a change, and loading changes every colour with
  // registration paused: the data is only built when it is stored.
  if (!isRecordingUndo()) {
    return std::nullopt;
  }
  return pf::PlistValue::data(pf::archivedColorData(color_));
}

pf::Color MVParameterColor::checkNewColor(const std::optional<pf::Color>& color) const
{
  if (!color) {
    FeedbackManager::log("Warning, %@ checkNewColor newColor: nil, reverted to black instead", description());
    return pf::Color::black();
  }
  return *color;
}

void MVParameterColor::setColor(const std::optional<pf::Color>& color)
{
  const pf::Color newColor = checkNewColor(color);
  if (!(newColor == color_)) {
    if (node() != nullptr) {
      registerUndoProperty("color", archivedUndoValue());
    }
    color_ = newColor;
    if (node() != nullptr && updateDelegatesOnValueChange()) {
      node()->parameterChanged(this, "color");
    }
    outputChanged();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

pf::Color MVParameterColor::color()
{
  if (!needsToUpdate()) {
    return color_;
  }
  const std::optional<pf::Color> input = inputColor();
  if (colorSource_ != nullptr) {
    color_ = colorSource_->colorForParameter(this, input.value_or(color_));
  } else if (input) {
    color_ = checkNewColor(input);
  }
  const MVNodeDelegate* controller = node() != nullptr ? node()->nodeController() : nullptr;
  setLastUpdateGenerationCycleID(controller != nullptr ? controller->currentGenerationCycleID() : 0);
  setViewNeedsLayout();
  setNeedsToUpdate(false);
  return color_;
}

std::optional<pf::Color> MVParameterColor::inputColor()
{
  if (hasConnectedInputSocket()) {
    MVParameterSocket* socket = inputSockets().front().get();
    if (socket->hasConnectedInput() && !socket->inputHasInfiniteLoopProblems()) {
      return socket->inputColor();  // nullopt for a connection with a loose end
    }
  }
  return color_;
}

bool MVParameterColor::canEditValue() const
{
  return MVParameter::canEditValue() && colorSource_ == nullptr;
}

void MVParameterColor::storeParameterUndoValue()
{
  MVParameter::storeParameterUndoValue();
  if (node() != nullptr) {
    registerUndoProperty("color", archivedUndoValue());
  }
}

void MVParameterColor::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "color") {
    pf::PlistValue::Dictionary holder;
    holder.set("color", value);
    setColor(DictionaryValueExtras::colorForKey(holder, "color"));
  }
}

pf::PlistValue::Dictionary MVParameterColor::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  DictionaryValueExtras::setColor(record, color_, "Color");
  return record;
}

bool MVParameterColor::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  if (!record.contains("Color")) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Color key", description());
    return false;
  }
  setColor(DictionaryValueExtras::colorForKey(record, "Color"));
  return true;
}

std::string MVParameterColor::description() const
{
  return pf::format("<%@ [%@ '%@'] color:%@>", className(),
                    node() != nullptr ? node()->displayFullName() : "Unknown node", name(), color_);
}
