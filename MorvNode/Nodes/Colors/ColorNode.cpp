#include "MorvNode/Nodes/Colors/ColorNode.h"

#include <variant>

#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

const MVNodeClass& ColorNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ColorNode";
    info.displayName = "Color";
    info.displayTypeName = "Color";
    info.toolTipText = "Defines a color";
    info.descriptionText = "This node lets you define a color you can then connect to other nodes. You can also rename "
                           "this node if you want to keep track of what color this is.";
    info.iconName = "node_icon_color.png";
    info.nodeViewDefaultWidth = 120.0;
    info.create = [] { return std::make_unique<ColorNode>(); };
    return info;
  }();
  return nodeClass;
}

void ColorNode::setProposedValue(const MVProposedValue& value)
{
  if (const pf::Color* color = std::get_if<pf::Color>(&value)) {
    color_.setColor(*color);
    return;
  }
  FeedbackManager::log("Warning, %@ setProposedValue, %@ is not of the expected class", description(),
                       pf::formatG(std::get<double>(value)));
}

void ColorNode::updateOutputParameters()
{
  color_.inputChanged();
}

void ColorNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  // The colour being output: the rows that made it, or the well's colour in picker mode.
  const pf::Color current = shownModel_ >= kRgb ? componentColor(shownModel_) : color_.localColor();
  const bool numeric = model_.enabled();
  const long long model = model_.index();
  color_.setColorSource(numeric ? this : nullptr);
  shownModel_ = numeric ? model : -1;

  const bool rgbShown = numeric && model == kRgb;
  const bool cmykShown = numeric && model == kCmyk;
  const bool hsbShown = numeric && model == kHsb;
  for (MVParameterValue* row : {&red_, &green_, &blue_}) {
    row->setLayoutHidden(!rgbShown);
  }
  for (MVParameterValue* row : {&cyan_, &yellow_, &magenta_, &black_}) {
    row->setLayoutHidden(!cmykShown);
  }
  for (MVParameterValue* row : {&hue_, &saturation_, &brightness_}) {
    row->setLayoutHidden(!hsbShown);
  }
  if (!rgbShown) {
    red_.setValue(current.red());
    green_.setValue(current.green());
    blue_.setValue(current.blue());
  }
  if (!cmykShown) {
    const pf::Color::Cmyk cmyk = current.cmyk();
    cyan_.setValue(cmyk.cyan);
    magenta_.setValue(cmyk.magenta);
    yellow_.setValue(cmyk.yellow);
    black_.setValue(cmyk.black);
  }
  if (!hsbShown) {
    const pf::Color::Hsb hsb = current.hsb();
    hue_.setValue(hsb.hue);
    saturation_.setValue(hsb.saturation);
    brightness_.setValue(hsb.brightness);
  }
  updateOutputParameters();
}

pf::Color ColorNode::colorForParameter(MVParameter* parameter, const pf::Color& inputColor)
{
  if (parameter != &color_) {
    return MVNode::colorForParameter(parameter, inputColor);
  }
  return model_.enabled() ? componentColor(model_.index()) : color_.localColor();
}

pf::Color ColorNode::componentColor(long long model)
{
  switch (model) {
  case kCmyk:
    return pf::Color::cmyk(cyan_.value(), magenta_.value(), yellow_.value(), black_.value());
  case kHsb:
    return pf::Color::hsb(hue_.value(), saturation_.value(), brightness_.value());
  default:
    return pf::Color::rgb(red_.value(), green_.value(), blue_.value());
  }
}

std::optional<std::string> ColorNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Mode") {
    return std::nullopt;
  }
  if (name == "Numeric") {
    return std::string("Color model[ENABLE]");
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ColorNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  const pf::PlistValue* numeric = values != nullptr ? values->find("Numeric") : nullptr;
  if (numeric != nullptr) {
    model_.setEnabled(numeric->toBool().value_or(false));
  }
  return loaded;
}
