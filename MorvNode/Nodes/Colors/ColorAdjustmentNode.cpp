#include "MorvNode/Nodes/Colors/ColorAdjustmentNode.h"

#include <variant>

#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Numbers.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

const MVNodeClass& ColorAdjustmentNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ColorAdjustmentNode";
    info.displayName = "Adjustment";
    info.displayTypeName = "Color";
    info.toolTipText = "Changes the hue, saturation and brightness of a connected color";
    info.descriptionText = "This node lets you adjust the hue, saturation and brightness of a connected color, "
                           "outputting the modified version of the color.";
    info.iconName = "node_icon_color_adjustment.png";
    info.create = [] { return std::make_unique<ColorAdjustmentNode>(); };
    return info;
  }();
  return nodeClass;
}

bool ColorAdjustmentNode::newNodeDefaults()
{
  return pf::UserDefaults::standard().boolForKey("Enable new change node defaults");
}

void ColorAdjustmentNode::setProposedValue(const MVProposedValue& value)
{
  if (const pf::Color* color = std::get_if<pf::Color>(&value)) {
    color_.setColor(*color);
    return;
  }
  FeedbackManager::log("Warning, %@ setProposedValue, %@ is not of the expected class", description(),
                       pf::formatG(std::get<double>(value)));
}

void ColorAdjustmentNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  MVNode::parameterChanged(parameter, propertyName);
  if (parameter != &color_) {
    color_.inputChanged();
  }
}

void ColorAdjustmentNode::checkWarnings()
{
  MVNode::checkWarnings();
  if (!color_.hasConnectedInput()) {
    addWarningMessage("No input color is connected, so there's no color to be adjusted for the output.");
  }
}

pf::Color ColorAdjustmentNode::colorForParameter(MVParameter* parameter, const pf::Color& inputColor)
{
  if (parameter != &color_) {
    return MVNode::colorForParameter(parameter, inputColor);
  }
  if (!enabled() || !color_.hasConnectedInput()) {
    return inputColor;
  }
  // A switched-off adjustment reads its disabled value, 0.
  return adjusted(inputColor, hue_.value(), saturation_.value(), brightness_.value());
}

pf::Color ColorAdjustmentNode::adjusted(const pf::Color& input, double hue, double saturation, double brightness)
{
  if (hue == 0 && saturation == 0 && brightness == 0) {
    return input;
  }
  const pf::Color::Hsb hsb = input.hsb();
  double h = hsb.hue + hue;
  if (h < 0) {
    h += 1;
  }
  if (h > 1) {
    h -= 1;
  }
  return pf::Color::hsb(h, hsb.saturation + saturation, hsb.brightness + brightness, 1.0);
}

std::optional<std::string> ColorAdjustmentNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "InputColor") {
    return std::string("Color");
  }
  if (name == "Color adjustment") {
    return std::nullopt;
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ColorAdjustmentNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  for (MVParameterValue* adjustment : {&hue_, &saturation_, &brightness_}) {
    adjustment->setEnabled(true);
    adjustment->setEnabled(adjustment->value() != 0);
  }
  return loaded;
}
