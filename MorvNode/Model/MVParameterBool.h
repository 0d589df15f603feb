#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameter.h"

// An on/off setting of a node. It has no sockets and is never pulled: a change records undo,
// tells the node and relays out the row, but pushes nothing downstream.
class MVParameterBool : public MVParameter {
public:
  static std::unique_ptr<MVParameterBool> parameterWithName(const std::string& name);

  MVParameterBool();

  std::string_view className() const override { return "MVParameterBool"; }
  std::string parameterViewClass() const override { return "MVParameterBoolView"; }
  bool answersValue() const override { return true; }

  bool value() const { return value_; }
  void setValue(bool value);

  // "value": "enable <name>" while off, "disable <name>" while on.
  std::optional<std::string> undoActionNameForProperty(const std::string& propertyName) const override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "Value"; loading stores it directly, telling nobody.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  bool value_ = false;
};
