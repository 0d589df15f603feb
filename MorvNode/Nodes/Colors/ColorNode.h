#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "Platform/PlistValue.h"

// "Color": one colour for other nodes, chosen with the colour well (picker mode) or typed as
// RGB, CMYK or HSB components (numeric mode, "Color model" switched on). Switching the model
// fills the newly shown components from the colour that was being output, so the output does
// not change.
class ColorNode : public MVNode {
public:
  // Values of the "Color model" index (saved in documents).
  static constexpr long long kRgb = 0;
  static constexpr long long kCmyk = 1;
  static constexpr long long kHsb = 2;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canRename() const override { return true; }
  bool canDisable() const override { return false; }

  // A colour becomes the well's colour; anything else is logged.
  void setProposedValue(const MVProposedValue& value) override;
  void updateOutputParameters() override;
  // Picks the mode, shows the chosen model's rows and copies the output colour into the
  // hidden ones.
  void updateLinkedParameters() override;
  // Picker mode: the well's colour; numeric mode: the colour of the chosen model's components.
  pf::Color colorForParameter(MVParameter* parameter, const pf::Color& inputColor) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // The older record's "Numeric" switch becomes the "Color model" switch.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterColor& colorParameter() const { return color_; }

private:
  // The colour of the model's component rows (following their connections).
  pf::Color componentColor(long long model);

  static nodekit::Row component(const char* name, const char* tooltip)
  {
    return {.name = name, .tooltip = tooltip};
  }

  MVParameterColor& color_ = nodekit::color(
      *this,
      {.name = "Color", .tooltip = "The color that will be output, click to set via color picker.", .inputSocket = false},
      nodekit::Swatch{.color = pf::Color::rgb(1, 0, 0), .fullWidth = true});
  MVParameterIndex& model_ = nodekit::choice(
      *this,
      {.name = "Color model",
       .header = "Numeric color",
       .tooltip = "Select method of defining the color. Warning: Changing this might change the color.",
       .enableToggle = true,
       .enabled = false},
      {.names = {"RGB", "CMYK", "HSB"},
       .tooltips = {"Red-Green-Blue color model", "Cyan-Magenta-Yellow-Black color model",
                    "Hue-Saturation-Brightness color model"}});
  static constexpr nodekit::Number kComponent{.value = 0, .min = 0, .max = 1};
  MVParameterValue& red_ = nodekit::value(*this, component("Red", "Color RGB red component (0-1)."), kComponent);
  MVParameterValue& green_ = nodekit::value(*this, component("Green", "Color RGB green component (0-1)."), kComponent);
  MVParameterValue& blue_ = nodekit::value(*this, component("Blue", "Color RGB blue component (0-1)."), kComponent);
  MVParameterValue& cyan_ = nodekit::value(*this, component("Cyan", "Color CMYK cyan component (0-1)."), kComponent);
  MVParameterValue& yellow_ =
      nodekit::value(*this, component("Yellow", "Color CMYK yellow component (0-1)."), kComponent);
  MVParameterValue& magenta_ =
      nodekit::value(*this, component("Magenta", "Color CMYK magenta component (0-1)."), kComponent);
  MVParameterValue& black_ = nodekit::value(*this, component("Black", "Color CMYK black component (0-1)."), kComponent);
  MVParameterValue& hue_ = nodekit::value(*this, component("Hue", "Color HSB hue component (0-1)."), kComponent);
  MVParameterValue& saturation_ =
      nodekit::value(*this, component("Saturation", "Color HSB saturation component (0-1)."), kComponent);
  MVParameterValue& brightness_ =
      nodekit::value(*this, component("Brightness", "Color HSB brightness component (0-1)."), kComponent);
  // The model whose rows the last linking showed; -1 for picker mode.
  long long shownModel_ = -1;
};
