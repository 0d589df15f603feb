#include "Shared/SVG/ODSVGNode.h"

#include "Platform/Format.h"
#include "Shared/SVG/ODSVGDef.h"
#include "Shared/SVG/ODSVGGradient.h"
#include "Shared/SVG/ODSVGGroup.h"
#include "Shared/SVG/ODSVGPattern.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

ODSVGUnitLength inheritingLength(double value)
{
  ODSVGUnitLength length = ODSVGUnitLength::unitWithFloat(value);
  length.setInherit(true);
  return length;
}

bool asksParent(const std::optional<ODSVGUnitLength>& length)
{
  return !length || length->inherit();
}

}  // namespace

ODSVGNode::ODSVGNode() : ODSVGNode(true)
{
  opacity_ = ODSVGUnitLength::unitWithFloat(1.0);
}

ODSVGNode::ODSVGNode(bool withDef)
    : fillOpacity_(ODSVGUnitLength::unitWithFloat(1.0)),
      strokeOpacity_(inheritingLength(1.0)),
      strokeWidth_(inheritingLength(0.0)),
      opacity_(ODSVGUnitLength::unitWithFloat(0.0)),
      strokeDashOffset_(ODSVGUnitLength::unitWithFloat(0.0)),
      hasDefinitions_(withDef)
{
}

ODSVGNode::~ODSVGNode() = default;

int ODSVGNode::typeForString(std::string_view name, XMLKind kind)
{
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  static const std::pair<const char*, int> kTypes[] = {
      {"style", kStyle},   {"switch", kSwitch},     {"defs", kDefs},
      {"g", kGroup},       {"path", kPath},         {"polygon", kPolygon},
      {"polyline", kPolyline}, {"rect", kRect},     {"line", kLine},
      {"circle", kCircle}, {"ellipse", kEllipse},   {"use", kUse},
      {"lineargradient", kLinearGradient},          {"radialgradient", kRadialGradient},
      {"glyph", kGlyph},   {"font", kFont},         {"clippath", kClipPath},
      {"mask", kMask},     {"image", kImage},       {"pattern", kPattern},
      {"svg", kSVG},       {"text", kText},         {"tspan", kTSpan}};
  if (kind == XMLKind::Element) {
    for (const auto& [typeName, type] : kTypes) {
      if (lower == typeName) {
        return type;
      }
    }
  }
  if (kind == XMLKind::Text) {
    return kTSpan;
  }
  if (kind == XMLKind::Element && ODSVGIsCommonHTMLElementName(lower)) {
    return kGroup;
  }
  return kUnknown;
}

std::shared_ptr<ODSVGNode> ODSVGNode::copy() const
{
  return makeCopy(*this);
}

void ODSVGNode::applyPropertiesFromNode(const ODSVGNode& node)
{
  name_ = node.name();
  type_ = node.type();
  unicode_ = node.unicode();
  className_ = node.className();
  classNameList_ = node.classNameList();
  x_ = node.x();
  y_ = node.y();
  width_ = node.width();
  height_ = node.height();
  fillGradient_ = node.fillGradient();
  fillPattern_ = node.fillPattern();
  strokeGradient_ = node.strokeGradient();
  strokePattern_ = node.strokePattern();
  fillColor_ = node.fillColor();
  strokeColor_ = node.strokeColor();
  clipPath_ = node.clipPath();
  units_ = node.units();
  contentUnits_ = node.contentUnits();
  opacity_ = node.opacity();
  strokeWidth_ = node.strokeWidth();
  fillOpacity_ = node.fillOpacity();
  strokeOpacity_ = node.strokeOpacity();
  identifier_ = node.identifier();
  usesDefaultFillColor_ = node.usesDefaultFillColor();
  transforms_ = node.transforms();
  def_ = node.def();
  windingRule_ = node.windingRule();
  lineCapStyle_ = node.lineCapStyle();
  lineJoinStyle_ = node.lineJoinStyle();
  parentNode_ = node.parentNode();
  shouldRender_ = node.shouldRender();
  blendMode_ = node.blendMode();
  strokeDashArray_ = node.strokeDashArray();
  strokeDashOffset_ = node.strokeDashOffset();
}

std::shared_ptr<ODSVGNode> ODSVGNode::defForID(const std::string& identifier) const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->def_) {
      if (std::shared_ptr<ODSVGNode> found = node->def_->defForID(identifier)) {
        return found;
      }
    }
  }
  return nullptr;
}

void ODSVGNode::addDef(std::shared_ptr<ODSVGNode> node)
{
  if (!hasDefinitions_ || !node || !node->identifier()) {
    return;
  }
  // Made on the first definition: most nodes never file one.
  if (!def_) {
    def_ = std::make_shared<ODSVGDef>();
  }
  def_->addDef(std::move(node));
}

std::string ODSVGNode::description() const
{
  return pf::format("<%@ name: %@ id: %@>", "ODSVGNode", name_, identifier_.value_or(""));
}

std::optional<pf::Color> ODSVGNode::fillColor() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->fillColor_) {
      return node->fillColor_;
    }
  }
  return std::nullopt;
}

std::optional<pf::Color> ODSVGNode::strokeColor() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->strokeColor_) {
      return node->strokeColor_;
    }
  }
  return std::nullopt;
}

#define OD_SVG_INHERITED_LENGTH(getter, field)                  \
  std::optional<ODSVGUnitLength> ODSVGNode::getter() const      \
  {                                                             \
    const ODSVGNode* node = this;                               \
    while (asksParent(node->field) && node->parentNode_) {      \
      node = node->parentNode_;                                 \
    }                                                           \
    return node->field;                                         \
  }

OD_SVG_INHERITED_LENGTH(fillOpacity, fillOpacity_)
OD_SVG_INHERITED_LENGTH(strokeOpacity, strokeOpacity_)
OD_SVG_INHERITED_LENGTH(strokeWidth, strokeWidth_)
OD_SVG_INHERITED_LENGTH(opacity, opacity_)
#undef OD_SVG_INHERITED_LENGTH

int ODSVGNode::windingRule() const
{
  const ODSVGNode* node = this;
  while (node->windingRule_ == 2 && node->parentNode_) {
    node = node->parentNode_;
  }
  return node->windingRule_;
}

int ODSVGNode::lineCapStyle() const
{
  const ODSVGNode* node = this;
  while (node->lineCapStyle_ == 4 && node->parentNode_) {
    node = node->parentNode_;
  }
  return node->lineCapStyle_;
}

int ODSVGNode::lineJoinStyle() const
{
  const ODSVGNode* node = this;
  while (node->lineJoinStyle_ == 4 && node->parentNode_) {
    node = node->parentNode_;
  }
  return node->lineJoinStyle_;
}

std::shared_ptr<ODSVGGradient> ODSVGNode::fillGradient() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->fillGradient_) {
      return node->fillGradient_;
    }
  }
  return nullptr;
}

std::shared_ptr<ODSVGPattern> ODSVGNode::fillPattern() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->fillPattern_) {
      return node->fillPattern_;
    }
  }
  return nullptr;
}

std::shared_ptr<ODSVGGradient> ODSVGNode::strokeGradient() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->strokeGradient_) {
      return node->strokeGradient_;
    }
  }
  return nullptr;
}

std::shared_ptr<ODSVGPattern> ODSVGNode::strokePattern() const
{
  for (const ODSVGNode* node = this; node; node = node->parentNode_) {
    if (node->strokePattern_) {
      return node->strokePattern_;
    }
  }
  return nullptr;
}
