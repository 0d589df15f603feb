#include "MorvNode/Model/MVParameterString.h"

#include "MorvNode/Model/MVNode.h"
#include "Platform/Unicode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterString> MVParameterString::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterString>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterString::MVParameterString()
{
  setLayoutShowHeaderLabel(true);
  setLayoutSpaceBelow(2);
}

void MVParameterString::setString(const std::optional<std::string>& text)
{
  // A caller may hand over bytes that are not UTF-8; the document could not save them.
  const std::optional<std::string> string =
      text && !pf::isValidUTF8(*text) ? std::optional<std::string>(pf::wellFormedUTF8(*text)) : text;
  if (string == string_) {
    return;
  }
  if (node() != nullptr) {
    // No text is recorded as a state without "propertyValue".
    registerUndoProperty("string", string_ ? std::optional<pf::PlistValue>(*string_) : std::nullopt);
  }
  string_ = string;
  if (node() != nullptr && updateDelegatesOnValueChange()) {
    node()->parameterChanged(this, "string");
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterString::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "string") {
    const std::string* text = value.asString();
    setString(text != nullptr ? std::optional<std::string>(*text) : std::nullopt);
  }
}

pf::PlistValue::Dictionary MVParameterString::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  record.set("String", string_.value_or(std::string()));
  return record;
}

bool MVParameterString::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  const pf::PlistValue* stored = record.find("String");
  if (stored == nullptr) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing String key", description());
    return false;
  }
  setString(stored->stringOr());
  return true;
}
