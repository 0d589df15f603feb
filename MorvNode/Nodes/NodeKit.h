#pragma once

#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Color.h"

class MVNode;
class MVParameter;
class MVParameterBool;
class MVParameterColor;
class MVParameterFile;
class MVParameterFont;
class MVParameterGraphics;
class MVParameterExpressionVariablesSource;
class MVParameterIndex;
class MVParameterNodeIndex;
class MVParameterString;
class MVParameterValue;
class MVParameterValue2D;
class MVParameterValueExpression;

// The small kit with which a node class declares its parameters. A node holds each declared
// parameter as a reference member initialised by one of the functions below, so its parameters
// exist from construction (the node's list owns them; declared parameters are never removed):
//
//   MVParameterValue& sides_ = nodekit::value(*this,
//       {.name = "Sides", .tooltip = "The number of sides/edges of the shape"},
//       {.value = 6, .min = 3, .rangeMax = 12, .integer = true}, nodekit::after("Type"));
//
// Each function configures the parameter completely and only then adds it to the node, so no
// change reaches a node that is still being constructed. Members initialise in declaration
// order: a placement may name any parameter declared before (by a base class too).
namespace nodekit {

// What every parameter row shares. Designators must follow this order.
struct Row {
  std::string name;                    // persistent: the key in saved documents
  std::string displayName;             // the row's label; the name when empty
  std::string header;                  // the header label above the row; none when empty
  std::string tooltip;
  bool enableToggle = false;           // the row has an on/off switch
  bool enabled = true;
  bool hidden = false;
  bool showHeaderLabel = true;
  std::optional<int> spaceAbove;       // layout spacing in points; nullopt keeps the kind's default
  std::optional<int> spaceBelow;
  int dragEdit = 0;                    // drag-edit handle code on the preview; 0 for none
  std::optional<bool> inputSocket;     // nullopt keeps the kind's default
  std::optional<bool> outputSocket;
  bool backgroundTint = false;         // the row stands on the tinted background of its group
  bool computed = false;             // the node computes the value or colour (its source)
  bool updateIfUnconnected = false;  // a change regenerates even with nothing downstream
};

// A number. Limits clamp every value; the preferred range only sizes the slider.
struct Number {
  double value = 0;
  std::optional<double> min;
  std::optional<double> max;
  std::optional<double> rangeMin;
  std::optional<double> rangeMax;
  bool integer = false;
  std::optional<double> disabledValue;  // what the row reads while its switch is off; 0 when nullopt
  bool inputWithSource = false;   // the input socket stays usable while the node computes the value
  bool keepsStoredValue = false;  // with a source, the stored value stays the input (see MVParameterValue)
};

enum class Presets { None, Size, Position, Scale };

// Two numbers, X and Y.
struct Pair {
  double x = 0;
  double y = 0;
  Presets presets = Presets::None;
  std::optional<double> min;
  std::optional<double> max;
  std::optional<double> rangeMin;
  std::optional<double> rangeMax;
  bool aspectLocked = false;
  std::string displayNameX;  // "X" when empty
  std::string displayNameY;  // "Y" when empty
  bool showY = true;         // false: one field, for X
  bool aspectToggle = false; // the aspect lock switch without size or scale presets
  bool integer = false;
};

// One of several named choices. The display names default to the names.
struct Choice {
  std::vector<std::string> names;
  std::vector<std::string> displayNames;
  std::vector<std::string> icons;
  std::vector<std::string> tooltips;
  long long index = 0;
  bool segments = false;  // shown as toggle segments rather than a pop-up
};

// A colour well.
struct Swatch {
  std::optional<pf::Color> color;  // nullopt: black
  bool fullWidth = false;
};

// A number typed as an expression. `inputVariable` names the input socket's value in the
// expression (and gives the row an input socket); `variables` fills in the other variables.
struct Formula {
  std::string expression;
  std::string inputVariable;
  MVParameterExpressionVariablesSource* variables = nullptr;
};

// Where a declared parameter goes in the node's list: after the named parameter, or last.
struct Placement {
  std::string after;  // empty: append
};
inline Placement after(std::string name)
{
  return Placement{std::move(name)};
}

MVParameterValue& value(MVNode& node, const Row& row, const Number& number, const Placement& where = {});
MVParameterValue2D& value2D(MVNode& node, const Row& row, const Pair& pair, const Placement& where = {});
MVParameterIndex& choice(MVNode& node, const Row& row, const Choice& choice, const Placement& where = {});
MVParameterBool& toggle(MVNode& node, const Row& row, bool on, const Placement& where = {});
MVParameterColor& color(MVNode& node, const Row& row, std::optional<pf::Color> color, const Placement& where = {});
MVParameterColor& color(MVNode& node, const Row& row, const Swatch& swatch, const Placement& where = {});
MVParameterValueExpression& expression(MVNode& node, const Row& row, const Formula& formula,
                                       const Placement& where = {});
// A choice among the node indexes the graph controller holds (its index manager).
MVParameterNodeIndex& nodeIndex(MVNode& node, const Row& row, const Placement& where = {});
MVParameterString& text(MVNode& node, const Row& row, std::optional<std::string> text, const Placement& where = {});
// A font, starting as the parameter kind's default (the system font).
MVParameterFont& font(MVNode& node, const Row& row, const Placement& where = {});
// An element input and output whose result the node builds (the node is its graphics source).
MVParameterGraphics& graphics(MVNode& node, const Row& row, const Placement& where = {});
// An imported graphic (no sockets). Its data arrives later: the store to publish in is the
// node's controller, which is set only after construction.
MVParameterFile& file(MVNode& node, const Row& row, const Placement& where = {});
// An element input whose output is what arrives (no graphics source); the node reads it.
MVParameterGraphics& elementInput(MVNode& node, const Row& row, const Placement& where = {});
// A row without a value of its own: a header, or an on/off switch that other rows follow.
MVParameter& plain(MVNode& node, const Row& row, const Placement& where = {});

constexpr double radians(double degrees)
{
  return degrees / 180 * std::numbers::pi;
}
constexpr double degrees(double radians)
{
  return radians * 180 / std::numbers::pi;
}

}  // namespace nodekit
