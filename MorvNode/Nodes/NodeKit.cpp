#include "MorvNode/Nodes/NodeKit.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Platform/TextPool.h"

namespace nodekit {
namespace {

// The row settings, in the order the rows have always been set up: label, header, switch,
// then layout. The value comes between (see configureState).
void configureRow(MVParameter& parameter, const Row& row)
{
  parameter.setDisplayName(row.displayName.empty() ? row.name : row.displayName);
  if (!row.header.empty()) {
    parameter.setDisplayHeaderName(row.header);
  }
  if (row.enableToggle) {
    parameter.setLayoutHasEnableToggle(true);
  }
  if (!row.showHeaderLabel) {
    parameter.setLayoutShowHeaderLabel(false);
  }
  if (row.spaceAbove) {
    parameter.setLayoutSpaceAbove(*row.spaceAbove);
  }
  if (row.spaceBelow) {
    parameter.setLayoutSpaceBelow(*row.spaceBelow);
  }
  if (row.inputSocket) {
    parameter.setHasInputSocket(*row.inputSocket);
  }
  if (row.outputSocket) {
    parameter.setHasOutputSocket(*row.outputSocket);
  }
  if (row.backgroundTint) {
    parameter.setLayoutBackgroundTint(true);
  }
  if (row.updateIfUnconnected) {
    parameter.setUpdateIfUnconnected(true);
  }
}

// After the value: on/off, visibility, drag-edit and tooltip.
void configureState(MVParameter& parameter, const Row& row)
{
  if (!row.enabled) {
    parameter.setEnabled(false);
  }
  if (row.hidden) {
    parameter.setLayoutHidden(true);
  }
  if (row.dragEdit != 0) {
    parameter.setDragEditTransformType(row.dragEdit);
  }
  parameter.setTooltip(row.tooltip);
}

// Limits clamp every value of a number or pair; the preferred range only sizes the slider.
void setLimits(MVParameterValue& parameter, std::optional<double> min, std::optional<double> max)
{
  if (min) {
    parameter.setMinValueLimit(*min);
  }
  if (max) {
    parameter.setMaxValueLimit(*max);
  }
}

void setPreferredRange(MVParameterValue& parameter, std::optional<double> rangeMin, std::optional<double> rangeMax)
{
  if (rangeMin) {
    parameter.setPreferredValueRangeMin(*rangeMin);
  }
  if (rangeMax) {
    parameter.setPreferredValueRangeMax(*rangeMax);
  }
}

template <class Kind>
Kind& place(MVNode& node, std::unique_ptr<Kind> parameter, const Placement& where)
{
  Kind& added = *parameter;
  if (where.after.empty()) {
    node.addParameter(std::unique_ptr<MVParameter>(std::move(parameter)));
  } else {
    node.addParameterAfter(std::move(parameter), where.after);
  }
  return added;
}

}  // namespace

MVParameterValue& value(MVNode& node, const Row& row, const Number& number, const Placement& where)
{
  auto parameter = MVParameterValue::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setValue(number.value);
  setLimits(*parameter, number.min, number.max);
  setPreferredRange(*parameter, number.rangeMin, number.rangeMax);
  if (number.integer) {
    parameter->setIsInteger(true);
  }
  if (number.disabledValue) {
    parameter->setDisabledValue(*number.disabledValue);
  }
  if (row.computed) {
    parameter->setValueSource(&node);
  }
  if (number.inputWithSource) {
    parameter->setDisablesInputWithValueSource(false);
  }
  if (number.keepsStoredValue) {
    parameter->setKeepsStoredValueWithSource(true);
  }
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterValue2D& value2D(MVNode& node, const Row& row, const Pair& pair, const Placement& where)
{
  auto parameter = MVParameterValue2D::parameterWithName(row.name);
  configureRow(*parameter, row);
  switch (pair.presets) {
  case Presets::Size:
    parameter->setSizePresets();
    break;
  case Presets::Position:
    parameter->setPositionPresets();
    break;
  case Presets::Scale:
    parameter->setScalePresets();
    break;
  case Presets::None:
    break;
  }
  if (pair.aspectToggle) {
    parameter->setLayoutHasAspectToggle(true);
  }
  parameter->setValueX(pair.x, pair.y);
  setLimits(*parameter, pair.min, pair.max);
  if (pair.aspectLocked) {
    parameter->setAspectLocked(true);
  }
  setPreferredRange(*parameter, pair.rangeMin, pair.rangeMax);
  if (!pair.displayNameX.empty()) {
    parameter->setDisplayNameX(pair.displayNameX);
  }
  if (!pair.displayNameY.empty()) {
    parameter->setDisplayNameY(pair.displayNameY);
  }
  if (!pair.showY) {
    parameter->setLayoutShowY(false);
  }
  if (pair.integer) {
    parameter->setIsInteger(true);
  }
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterIndex& choice(MVNode& node, const Row& row, const Choice& choice, const Placement& where)
{
  auto parameter = MVParameterIndex::parameterWithName(row.name);
  configureRow(*parameter, row);
  if (choice.segments) {
    parameter->setLayoutInterfaceType(1);
  }
  // The lists are the class's: every node of the class shares one copy of each.
  std::shared_ptr<const std::vector<std::string>> names = pf::TextPool::list(choice.names);
  parameter->shareIndexNames(names);
  parameter->shareIndexDisplayNames(choice.displayNames.empty() ? std::move(names)
                                                                : pf::TextPool::list(choice.displayNames));
  if (!choice.icons.empty()) {
    parameter->shareIndexIcons(pf::TextPool::list(choice.icons));
  }
  if (!choice.tooltips.empty()) {
    parameter->shareIndexTooltips(pf::TextPool::list(choice.tooltips));
  }
  parameter->setIndex(choice.index);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterBool& toggle(MVNode& node, const Row& row, bool on, const Placement& where)
{
  auto parameter = MVParameterBool::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setValue(on);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterColor& color(MVNode& node, const Row& row, std::optional<pf::Color> color, const Placement& where)
{
  auto parameter = MVParameterColor::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setColor(color);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterColor& color(MVNode& node, const Row& row, const Swatch& swatch, const Placement& where)
{
  auto parameter = MVParameterColor::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setColor(swatch.color);
  if (swatch.fullWidth) {
    parameter->setLayoutFullWidth(true);
  }
  if (row.computed) {
    parameter->setColorSource(&node);
  }
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterValueExpression& expression(MVNode& node, const Row& row, const Formula& formula, const Placement& where)
{
  auto parameter = MVParameterValueExpression::parameterWithName(row.name);
  parameter->setHasInputSocket(!formula.inputVariable.empty());
  configureRow(*parameter, row);
  parameter->setExpressionString(formula.expression);
  parameter->setInputParameterName(formula.inputVariable);
  parameter->setExpressionVariablesSource(formula.variables);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterNodeIndex& nodeIndex(MVNode& node, const Row& row, const Placement& where)
{
  auto parameter = MVParameterNodeIndex::parameterWithName(row.name);
  configureRow(*parameter, row);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterString& text(MVNode& node, const Row& row, std::optional<std::string> text, const Placement& where)
{
  auto parameter = MVParameterString::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setString(text);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterFont& font(MVNode& node, const Row& row, const Placement& where)
{
  auto parameter = MVParameterFont::parameterWithName(row.name);
  configureRow(*parameter, row);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterFile& file(MVNode& node, const Row& row, const Placement& where)
{
  auto parameter = MVParameterFile::parameterWithName(row.name);
  configureRow(*parameter, row);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterGraphics& graphics(MVNode& node, const Row& row, const Placement& where)
{
  auto parameter = MVParameterGraphics::parameterWithName(row.name);
  configureRow(*parameter, row);
  parameter->setGraphicsSource(&node);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameterGraphics& elementInput(MVNode& node, const Row& row, const Placement& where)
{
  auto parameter = MVParameterGraphics::parameterWithName(row.name);
  configureRow(*parameter, row);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

MVParameter& plain(MVNode& node, const Row& row, const Placement& where)
{
  std::unique_ptr<MVParameter> parameter = MVParameter::parameterWithName(row.name);
  configureRow(*parameter, row);
  configureState(*parameter, row);
  return place(node, std::move(parameter), where);
}

}  // namespace nodekit
