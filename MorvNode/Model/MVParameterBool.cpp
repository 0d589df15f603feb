#include "MorvNode/Model/MVParameterBool.h"

#include "MorvNode/Model/MVNode.h"
#include "Platform/Unicode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterBool> MVParameterBool::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterBool>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterBool::MVParameterBool()
{
  setLayoutShowHeaderLabel(false);
}

void MVParameterBool::setValue(bool value)
{
  if (value == value_) {
    return;
  }
  if (node() != nullptr) {
    registerUndoProperty("value", pf::PlistValue(value_));
  }
  value_ = value;
  if (node() != nullptr && updateDelegatesOnValueChange()) {
    node()->parameterChanged(this, "value");
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

std::optional<std::string> MVParameterBool::undoActionNameForProperty(const std::string& propertyName) const
{
  if (propertyName == "value") {
    return pf::format(value_ ? "disable %@" : "enable %@", pf::lowercased(displayName()));
  }
  return MVParameter::undoActionNameForProperty(propertyName);
}

void MVParameterBool::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "value") {
    setValue(value.toBool().value_or(false));
  }
}

pf::PlistValue::Dictionary MVParameterBool::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  DictionaryValueExtras::setBoolValue(record, value_, "Value");
  return record;
}

bool MVParameterBool::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  if (!record.contains("Value")) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Value key", description());
    return false;
  }
  value_ = DictionaryValueExtras::boolValueForKey(record, "Value");
  return true;
}
