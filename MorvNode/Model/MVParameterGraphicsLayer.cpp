#include "MorvNode/Model/MVParameterGraphicsLayer.h"

#include "MorvNode/Model/MVNode.h"
#include "Platform/Format.h"
#include "Platform/Unicode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

std::unique_ptr<MVParameterGraphicsLayer> MVParameterGraphicsLayer::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterGraphicsLayer>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterGraphicsLayer::MVParameterGraphicsLayer()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceAbove(1);
  setLayoutSpaceBelow(1);
  setHasInputSocket(true);
  setHasOutputSocket(false);
  setLayoutHasPreview(false);
  setLayoutBackgroundTint(true);
}

std::string MVParameterGraphicsLayer::description() const
{
  return pf::format("<%@ [%@, %@ '%@']>", className(), node() != nullptr ? node()->displayName() : "Unknown node",
                    name(), displayName());
}

void MVParameterGraphicsLayer::setVisible(bool visible)
{
  if (visible == visible_) {
    return;
  }
  if (node() != nullptr) {
    registerUndoProperty("visible", pf::PlistValue(visible_));
  }
  visible_ = visible;
  setViewNeedsLayout();
  if (node() != nullptr) {
    node()->parameterChanged(this, "graphics");
  }
}

void MVParameterGraphicsLayer::setDisplayName(const std::string& displayName)
{
  if (displayName != this->displayName() && node() != nullptr) {
    registerUndoProperty("displayName", pf::PlistValue(this->displayName()));
  }
  MVParameterGraphics::setDisplayName(displayName);
}

std::optional<std::string> MVParameterGraphicsLayer::undoActionNameForProperty(const std::string& propertyName) const
{
  if (propertyName == "visible") {
    return pf::format(visible_ ? "hide layer %@" : "show layer %@", pf::lowercased(displayName()));
  }
  if (propertyName == "displayName") {
    return std::string("rename layer");
  }
  return MVParameterGraphics::undoActionNameForProperty(propertyName);
}

void MVParameterGraphicsLayer::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameterGraphics::revertProperty(propertyName, value);
  if (propertyName == "visible") {
    setVisible(value.toBool().value_or(false));
  } else if (propertyName == "displayName") {
    if (const std::string* name = value.asString()) {
      setDisplayName(*name);
    }
  }
}

pf::PlistValue::Dictionary MVParameterGraphicsLayer::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameterGraphics::descriptionDictionary();
  DictionaryValueExtras::setBoolValue(record, visible_, "Visible");
  record.set("Display Name", displayName());
  return record;
}

bool MVParameterGraphicsLayer::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameterGraphics::loadDescriptionDictionary(record)) {
    return false;
  }
  if (record.contains("Visible")) {
    setVisible(DictionaryValueExtras::boolValueForKey(record, "Visible"));
  }
  if (const pf::PlistValue* name = record.find("Display Name")) {
    if (const std::string* text = name->asString()) {
      setDisplayName(*text);
    }
  }
  return true;
}
