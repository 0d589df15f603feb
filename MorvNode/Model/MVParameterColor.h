#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Model/MVParameter.h"
#include "Platform/Color.h"

class MVParameterColorSource;

// A parameter carrying one colour. Like a value it takes its colour from a colour source (the
// node computes it from the input colour), from a connected colour input, or from the stored
// colour, and caches the result per generation cycle. There is one colour space (sRGB), so the
// conversion into the document's space keeps colours as they are.
class MVParameterColor : public MVParameter {
public:
  static std::unique_ptr<MVParameterColor> parameterWithName(const std::string& name);

  MVParameterColor();

  std::string_view className() const override { return "MVParameterColor"; }
  std::string parameterViewClass() const override { return "MVParameterColorView"; }
  void setupSockets() override;

  // nullopt (no colour) becomes opaque black, logged.
  pf::Color checkNewColor(const std::optional<pf::Color>& color) const;
  void setColor(const std::optional<pf::Color>& color);
  // The cached pull; output sockets read it.
  pf::Color color() override;
  // The connected input's colour (unless it came round a loop), else the stored colour.
  std::optional<pf::Color> inputColor();
  const pf::Color& localColor() const { return color_; }

  // The node that computes the colour; not owned. Setting it does not invalidate.
  MVParameterColorSource* colorSource() const { return colorSource_; }
  void setColorSource(MVParameterColorSource* source) { colorSource_ = source; }
  bool hasValueSource() const override { return colorSource_ != nullptr; }
  bool canEditValue() const override;
  bool layoutFullWidth() const { return layoutFullWidth_; }
  void setLayoutFullWidth(bool fullWidth) { layoutFullWidth_ = fullWidth; }

  void storeParameterUndoValue() override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "Color" as keyed-archive data.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;
  std::string description() const override;

private:
  // The stored colour archived as an undo value; nullopt when no undo is being recorded.
  std::optional<pf::PlistValue> archivedUndoValue() const;

  pf::Color color_ = pf::Color::black();  // stored colour, also the cache of the last pull
  MVParameterColorSource* colorSource_ = nullptr;  // a node, outlives this parameter
  bool layoutFullWidth_ = false;
};
