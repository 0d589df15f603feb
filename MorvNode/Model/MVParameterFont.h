#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Model/MVParameter.h"
#include "Platform/Font.h"

// A font setting of a node (the text node's typeface). No sockets, never pulled: a change
// records undo, tells the node and relays out the row, but pushes nothing downstream. Records
// keep only the PostScript name; a loaded font is always 12 points.
class MVParameterFont : public MVParameter {
public:
  static constexpr double kDefaultPointSize = 12.0;

  static std::unique_ptr<MVParameterFont> parameterWithName(const std::string& name);

  // Starts with the desktop's default face at 12 points.
  MVParameterFont();

  std::string_view className() const override { return "MVParameterFont"; }
  std::string parameterViewClass() const override { return "MVParameterFontView"; }

  // nullopt only on a system without any font.
  const std::optional<pf::Font>& font() const { return font_; }
  // nullopt is refused (logged) and the font stays.
  void setFont(const std::optional<pf::Font>& font);

  // "font" takes the PostScript name the undo state holds.
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "Font" (the PostScript name). A name that is not installed fails the load, logged,
  // and keeps the current font.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  std::optional<pf::Font> font_;
};
