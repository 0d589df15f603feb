#include "MorvNode/Model/MVParameterFont.h"

#include "MorvNode/Model/MVNode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// The font's saved form: its PostScript name ("" without a font).
pf::PlistValue fontNameValue(const std::optional<pf::Font>& font)
{
  return pf::PlistValue(font ? font->fontName() : std::string());
}

}  // namespace

std::unique_ptr<MVParameterFont> MVParameterFont::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterFont>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterFont::MVParameterFont() : font_(pf::Font::systemFont(kDefaultPointSize))
{
  setLayoutShowHeaderLabel(true);
  setLayoutSpaceBelow(4);
}

void MVParameterFont::setFont(const std::optional<pf::Font>& font)
{
  if (!font) {
    FeedbackManager::log("Warning, %@ setFont nil not allowed, must have font set", description());
    return;
  }
  if (font == font_) {
    return;
  }
  if (node() != nullptr) {
    registerUndoProperty("font", fontNameValue(font_));
  }
  font_ = font;
  if (node() != nullptr && updateDelegatesOnValueChange()) {
    node()->parameterChanged(this, "font");
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterFont::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "font") {
    // Undo keeps the name; the size is the one every loaded font has.
    const std::string name = value.stringOr();
    if (!name.empty()) {
      setFont(pf::Font::named(name, kDefaultPointSize));
    }
  }
}

pf::PlistValue::Dictionary MVParameterFont::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  record.set("Font", fontNameValue(font_));
  return record;
}

bool MVParameterFont::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  const pf::PlistValue* stored = record.find("Font");
  if (stored == nullptr) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Font key", description());
    return false;
  }
  const std::string name = stored->stringOr();
  std::optional<pf::Font> font = pf::Font::named(name, kDefaultPointSize);
  if (!font) {
    FeedbackManager::log(
        "Warning, %@ loadDescriptionDictionary, could not load font named '%@'. Maybe it's not installed?",
        description(), name);
    return false;
  }
  setFont(font);
  return true;
}
