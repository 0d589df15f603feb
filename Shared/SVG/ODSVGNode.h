#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Color.h"
#include "Shared/SVG/ODSVGTransform.h"
#include "Shared/SVG/ODSVGUnitLength.h"

class ODSVG;
class ODSVGDef;
class ODSVGGradient;
class ODSVGGroup;
class ODSVGPattern;

// One node of a parsed SVG document: what every element can carry (geometry as lengths,
// paint, opacity, stroke settings, transforms, references to gradients, patterns, clip paths
// and masks) and its definitions. Paint, opacities, stroke width, winding rule, caps and joins
// inherit: their getters ask the parent node while the node has no value of its own (nullopt,
// or a length marked `inherit`, or the value that means inherit), so a query runs up the chain
// to the first node with a value.
//
// Ownership: children, definitions and references are shared (a node filed as a definition is
// often a child too); the parent link is a plain pointer. The root of a tree (the parser) keeps
// every node of the tree alive and outlives the parent links that point into it.
class ODSVGNode {
public:
  // Element types by name (typeForString).
  enum Type : int {
    kGroup = 0, kPath = 1, kDefs = 2, kPolygon = 3, kPolyline = 4, kRect = 5, kLine = 6, kCircle = 7,
    kEllipse = 8, kUse = 9, kLinearGradient = 10, kRadialGradient = 11, kClipPath = 12, kFont = 13,
    kGlyph = 14, kMask = 15, kImage = 16, kPattern = 17, kSVG = 18, kText = 19, kTSpan = 20, kStyle = 21,
    kSwitch = 22, kUnknown = 23
  };
  // The kind of an XML node given to typeForString.
  enum class XMLKind { Element, Text, Other };

  ODSVGNode();                       // with a definitions dictionary, opacity 1
  explicit ODSVGNode(bool withDef);  // opacity 0 at this stage, as the base of the other inits
  virtual ~ODSVGNode();
  ODSVGNode(const ODSVGNode&) = delete;
  ODSVGNode& operator=(const ODSVGNode&) = delete;

  // The type of an element by its name (compared lower-cased); HTML names read as groups, text
  // nodes as 20, anything else 23.
  static int typeForString(std::string_view name, XMLKind kind);

  // A new node of the same class holding this node's resolved properties (inheritance applied).
  virtual std::shared_ptr<ODSVGNode> copy() const;
  // Copies the resolved properties of `node` into this one (not the intermediate parent, the
  // mask or the nested document).
  void applyPropertiesFromNode(const ODSVGNode& node);

  // Own definitions first, then the parent's, up the chain; nullptr when nothing is found.
  virtual std::shared_ptr<ODSVGNode> defForID(const std::string& identifier) const;
  // Files `node` under its identifier in the own definitions (nodes without identifier are not
  // filed).
  virtual void addDef(std::shared_ptr<ODSVGNode> node);

  std::string description() const;

  // Plain fields.
  bool shouldRender() const { return shouldRender_; }
  void setShouldRender(bool value) { shouldRender_ = value; }
  bool usesDefaultFillColor() const { return usesDefaultFillColor_; }
  void setUsesDefaultFillColor(bool value) { usesDefaultFillColor_ = value; }
  int type() const { return type_; }
  void setType(int type) { type_ = type; }
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  const std::vector<std::string>& classNameList() const { return classNameList_; }
  void setClassNameList(std::vector<std::string> list) { classNameList_ = std::move(list); }
  const std::optional<std::string>& className() const { return className_; }
  void setClassName(std::optional<std::string> name) { className_ = std::move(name); }
  const std::optional<std::string>& unicode() const { return unicode_; }
  void setUnicode(std::optional<std::string> text) { unicode_ = std::move(text); }
  const std::optional<ODSVGUnitLength>& x() const { return x_; }
  void setX(std::optional<ODSVGUnitLength> value) { x_ = value; }
  const std::optional<ODSVGUnitLength>& y() const { return y_; }
  void setY(std::optional<ODSVGUnitLength> value) { y_ = value; }
  const std::optional<ODSVGUnitLength>& width() const { return width_; }
  void setWidth(std::optional<ODSVGUnitLength> value) { width_ = value; }
  const std::optional<ODSVGUnitLength>& height() const { return height_; }
  void setHeight(std::optional<ODSVGUnitLength> value) { height_ = value; }
  const std::optional<std::string>& identifier() const { return identifier_; }
  void setIdentifier(std::optional<std::string> identifier) { identifier_ = std::move(identifier); }
  ODSVGNode* parentNode() const { return parentNode_; }
  void setParentNode(ODSVGNode* parent) { parentNode_ = parent; }
  ODSVGNode* intermediateParentNode() const { return intermediateParentNode_; }
  void setIntermediateParentNode(ODSVGNode* parent) { intermediateParentNode_ = parent; }
  const std::vector<ODSVGTransform>& transforms() const { return transforms_; }
  void setTransforms(std::vector<ODSVGTransform> transforms) { transforms_ = std::move(transforms); }
  // The definitions dictionary; made when the first definition is filed (nullptr before).
  const std::shared_ptr<ODSVGDef>& def() const { return def_; }
  void setDef(std::shared_ptr<ODSVGDef> def)
  {
    def_ = std::move(def);
    hasDefinitions_ = true;
  }
  const std::shared_ptr<ODSVGGroup>& clipPath() const { return clipPath_; }
  void setClipPath(std::shared_ptr<ODSVGGroup> group) { clipPath_ = std::move(group); }
  const std::shared_ptr<ODSVGGroup>& mask() const { return mask_; }
  void setMask(std::shared_ptr<ODSVGGroup> group) { mask_ = std::move(group); }
  const std::vector<double>& strokeDashArray() const { return strokeDashArray_; }
  long strokeDashArrayCount() const { return static_cast<long>(strokeDashArray_.size()); }
  void setStrokeDashArray(std::vector<double> dashes) { strokeDashArray_ = std::move(dashes); }
  const std::optional<ODSVGUnitLength>& strokeDashOffset() const { return strokeDashOffset_; }
  void setStrokeDashOffset(std::optional<ODSVGUnitLength> value) { strokeDashOffset_ = value; }
  const std::shared_ptr<ODSVG>& svg() const { return svg_; }
  void setSvg(std::shared_ptr<ODSVG> svg) { svg_ = std::move(svg); }
  int units() const { return units_; }
  void setUnits(int units) { units_ = units; }
  int contentUnits() const { return contentUnits_; }
  void setContentUnits(int units) { contentUnits_ = units; }
  int blendMode() const { return blendMode_; }
  void setBlendMode(int mode) { blendMode_ = mode; }

  // Inheriting fields: the getters resolve through the parent chain, the setters set the own
  // value (nullopt or a length marked inherit hands the question to the parent).
  std::optional<pf::Color> fillColor() const;
  void setFillColor(std::optional<pf::Color> color) { fillColor_ = color; }
  std::optional<pf::Color> strokeColor() const;
  void setStrokeColor(std::optional<pf::Color> color) { strokeColor_ = color; }
  std::optional<ODSVGUnitLength> fillOpacity() const;
  void setFillOpacity(std::optional<ODSVGUnitLength> value) { fillOpacity_ = value; }
  std::optional<ODSVGUnitLength> strokeOpacity() const;
  void setStrokeOpacity(std::optional<ODSVGUnitLength> value) { strokeOpacity_ = value; }
  std::optional<ODSVGUnitLength> strokeWidth() const;
  void setStrokeWidth(std::optional<ODSVGUnitLength> value) { strokeWidth_ = value; }
  std::optional<ODSVGUnitLength> opacity() const;
  void setOpacity(std::optional<ODSVGUnitLength> value) { opacity_ = value; }
  int windingRule() const;  // 0 non-zero, 1 even-odd, 2 inherit (also at the top)
  void setWindingRule(int rule) { windingRule_ = rule; }
  std::shared_ptr<ODSVGGradient> fillGradient() const;
  void setFillGradient(std::shared_ptr<ODSVGGradient> gradient) { fillGradient_ = std::move(gradient); }
  std::shared_ptr<ODSVGPattern> fillPattern() const;
  void setFillPattern(std::shared_ptr<ODSVGPattern> pattern) { fillPattern_ = std::move(pattern); }
  std::shared_ptr<ODSVGGradient> strokeGradient() const;
  void setStrokeGradient(std::shared_ptr<ODSVGGradient> gradient) { strokeGradient_ = std::move(gradient); }
  std::shared_ptr<ODSVGPattern> strokePattern() const;
  void setStrokePattern(std::shared_ptr<ODSVGPattern> pattern) { strokePattern_ = std::move(pattern); }
  int lineCapStyle() const;   // 4 inherit (also at the top)
  void setLineCapStyle(int style) { lineCapStyle_ = style; }
  int lineJoinStyle() const;  // 4 inherit (also at the top)
  void setLineJoinStyle(int style) { lineJoinStyle_ = style; }

protected:
  // Completes a copy made by a subclass: `copy` of this class's fields.
  template <typename Node>
  static std::shared_ptr<Node> makeCopy(const Node& source)
  {
    auto node = std::make_shared<Node>();
    node->applyPropertiesFromNode(source);
    return node;
  }

private:
  bool shouldRender_ = true;
  bool usesDefaultFillColor_ = false;
  int type_ = kGroup;
  std::string name_;
  std::vector<std::string> classNameList_;
  std::optional<std::string> className_;
  std::optional<std::string> unicode_;
  std::optional<ODSVGUnitLength> x_;
  std::optional<ODSVGUnitLength> y_;
  std::optional<ODSVGUnitLength> width_;
  std::optional<ODSVGUnitLength> height_;
  std::optional<pf::Color> fillColor_;
  std::optional<ODSVGUnitLength> fillOpacity_;
  std::optional<pf::Color> strokeColor_;
  std::optional<ODSVGUnitLength> strokeOpacity_;
  std::optional<ODSVGUnitLength> strokeWidth_;
  std::optional<ODSVGUnitLength> opacity_;
  std::optional<std::string> identifier_;
  ODSVGNode* parentNode_ = nullptr;              // not owned; see the class comment
  ODSVGNode* intermediateParentNode_ = nullptr;  // not owned
  std::vector<ODSVGTransform> transforms_;
  int windingRule_ = 2;
  std::shared_ptr<ODSVGDef> def_;
  std::shared_ptr<ODSVGGradient> fillGradient_;
  std::shared_ptr<ODSVGPattern> fillPattern_;
  std::shared_ptr<ODSVGGradient> strokeGradient_;
  std::shared_ptr<ODSVGPattern> strokePattern_;
  std::shared_ptr<ODSVGGroup> clipPath_;
  int lineCapStyle_ = 4;
  int lineJoinStyle_ = 4;
  std::vector<double> strokeDashArray_;
  std::optional<ODSVGUnitLength> strokeDashOffset_;
  std::shared_ptr<ODSVG> svg_;
  std::shared_ptr<ODSVGGroup> mask_;
  int units_ = 2;
  int contentUnits_ = 0;
  int blendMode_ = 0;
  bool hasDefinitions_ = true;  // false for the definitions dictionary itself
};
