#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterGraphics.h"

// A named element input that a node collects as one of several layers and that the user can
// show or hide and rename. It has no output socket and no preview; what hiding means is the
// node's business (it reads `visible` while it collects its layers).
class MVParameterGraphicsLayer : public MVParameterGraphics {
public:
  static std::unique_ptr<MVParameterGraphicsLayer> parameterWithName(const std::string& name);

  MVParameterGraphicsLayer();

  std::string_view className() const override { return "MVParameterGraphicsLayer"; }
  std::string parameterViewClass() const override { return "MVParameterGraphicsLayerView"; }
  // "<MVParameterGraphicsLayer [node title, name 'display name']>".
  std::string description() const override;

  bool visible() const { return visible_; }
  // A change is undoable and tells the node ("graphics"); it does not mark the output stale.
  void setVisible(bool visible);
  // A new name is undoable when the layer belongs to a node.
  void setDisplayName(const std::string& displayName) override;

  // "show layer %@" / "hide layer %@" for "visible", "rename layer" for "displayName".
  std::optional<std::string> undoActionNameForProperty(const std::string& propertyName) const override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // The base record plus "Visible" and "Display Name"; missing keys keep the current values.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  bool visible_ = true;
};
