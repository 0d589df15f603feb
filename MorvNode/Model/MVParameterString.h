#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Model/MVParameter.h"

// A text setting of a node. No sockets, never pulled: a change records undo, tells the node and
// relays out the row, but pushes nothing downstream. "No text" and an empty text differ.
class MVParameterString : public MVParameter {
public:
  static std::unique_ptr<MVParameterString> parameterWithName(const std::string& name);

  MVParameterString();

  std::string_view className() const override { return "MVParameterString"; }
  std::string parameterViewClass() const override { return "MVParameterStringView"; }

  // nullopt: no text.
  const std::optional<std::string>& string() const { return string_; }
  // Bytes that are not UTF-8 are stored with each ill-formed sequence as U+FFFD.
  void setString(const std::optional<std::string>& text);

  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "String" (empty for no text); loading goes through setString.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  std::optional<std::string> string_;
};
