#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"
#include "Platform/PlistValue.h"

// "Random": a pseudo-random number between "Min" and "Max", optionally rounded to a multiple of
// "Increment". Every request draws the next entry of the shared table, so a repeater that asks
// once per copy gets a value per copy, and the seeds' reset at each generation repeats the
// sequence.
class ValueRandomNode : public ValueNode {
public:
  ValueRandomNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Makes the node the source of "Min" while the range is symmetrical, then tells the output.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // A number becomes both "Min" and "Max", so the node outputs it.
  void setProposedValue(const MVProposedValue& value) override;
  // "Value": one draw; "Min" while symmetrical: minus "Max".
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // An older record whose "Parameter values" hold a true "Integer" switches the increment on at 1.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  // v rounded to the nearest multiple of `increment` (halves away from zero), then moved one
  // increment up when below `min` and then one down when above `max`, once each (saved documents
  // rely on this result also where it ends outside a range narrower than the increment).
  static double roundedToIncrement(double v, double min, double max, double increment);

private:
  // The value one draw r in [0, 1) gives for the current settings.
  double valueForDraw(double r);

  MVParameterValue& value_ = nodekit::value(
      *this,
      {.name = "Value",
       .tooltip = "The random value that will be generated, connect this to other nodes to use the value for other "
                  "node parameters.",
       .inputSocket = false,
       .computed = true},
      {.value = 1});
  MVParameterValue& min_ =
      nodekit::value(*this, {.name = "Min", .header = "Value range", .tooltip = "The minimum value in the random range"},
                     {.value = 0, .keepsStoredValue = true});
  MVParameterValue& max_ =
      nodekit::value(*this, {.name = "Max", .tooltip = "The maximum value in the random range"}, {.value = 10});
  MVParameterBool& symmetrical_ = nodekit::toggle(
      *this,
      {.name = "Symmetrical range",
       .displayName = "\u00b1 range",
       .tooltip = "Sets the random range Min to Max*-1, resulting in a symmetrical range around 0"},
      false);
  MVParameterValue& increment_ = nodekit::value(
      *this,
      {.name = "Increment",
       .header = "Incremental",
       .tooltip = "The random value is rounded to the closest multiple of this increment within the defined range. For "
                  "example an increment of 1 yields integer values, 90 yields even multiples of 90 etc.",
       .enableToggle = true,
       .enabled = false},
      {.value = 1});
};
