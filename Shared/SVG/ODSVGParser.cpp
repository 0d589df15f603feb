#include "Shared/SVG/ODSVGParser.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "Platform/FileAccess.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGColor.h"
#include "Shared/SVG/ODSVGCommand.h"
#include "Shared/SVG/ODSVGGradient.h"
#include "Shared/SVG/ODSVGImage.h"
#include "Shared/SVG/ODSVGLinearGradient.h"
#include "Shared/SVG/ODSVGParserDelegate.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGPattern.h"
#include "Shared/SVG/ODSVGRadialGradient.h"
#include "Shared/SVG/ODSVGStyle.h"
#include "Shared/SVG/ODSVGStyleSheet.h"
#include "Shared/SVG/ODSVGTransform.h"
#include "Shared/SVG/ODSVGUnitLength.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

// Files larger than this are not read by the file initialiser.
constexpr std::size_t kMaxFileBytes = std::size_t{512} << 20;

std::string_view localName(const pugi::xml_node& element)
{
  const std::string_view name = element.name();
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

ODSVGNode::XMLKind kindOf(const pugi::xml_node& node)
{
  switch (node.type()) {
    case pugi::node_element:
      return ODSVGNode::XMLKind::Element;
    case pugi::node_pcdata:
    case pugi::node_cdata:
      return ODSVGNode::XMLKind::Text;
    default:
      return ODSVGNode::XMLKind::Other;
  }
}

int typeOf(const pugi::xml_node& node)
{
  return ODSVGNode::typeForString(localName(node), kindOf(node));
}

// The platform's leading-number reading at single precision: 0 without a number.
double leadingFloat(const char* text)
{
  return static_cast<double>(static_cast<float>(pf::doubleValue(text)));
}

std::string textContent(const pugi::xml_node& element)
{
  std::string text;
  struct Collector : pugi::xml_tree_walker {
    std::string* out = nullptr;
    bool for_each(pugi::xml_node& node) override
    {
      if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        out->append(node.value());
      }
      return true;
    }
  } collector;
  collector.out = &text;
  pugi::xml_node walkable = element;
  walkable.traverse(collector);
  return text;
}

// The first UTF-16 code unit of UTF-8 text.
unsigned firstUTF16Unit(std::string_view text)
{
  if (text.empty()) {
    return 0;
  }
  const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(0);
  unsigned codePoint = lead;
  if (lead >= 0xF0) {
    codePoint = ((lead & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
  } else if (lead >= 0xE0) {
    codePoint = ((lead & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
  } else if (lead >= 0xC0) {
    codePoint = ((lead & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
  }
  if (codePoint > 0xFFFF) {
    return 0xD800u + ((codePoint - 0x10000u) >> 10);  // the high surrogate
  }
  return codePoint;
}

std::vector<std::string> splitAtSpaces(std::string_view text)
{
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t space = text.find(' ', start);
    pieces.emplace_back(text.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
    if (space == std::string_view::npos) {
      return pieces;
    }
    start = space + 1;
  }
}

}  // namespace

// What only lives while a document is read.
struct ODSVGParser::State {
  pugi::xml_document document;
  pugi::xml_document scratch;  // merged gradient elements
  std::unique_ptr<ODSVGStyleSheet> styleSheet;
  std::unordered_map<std::string, pugi::xml_node> defNodes;
  std::unordered_map<std::string, pugi::xml_node> baseDefNodes;
  std::unordered_set<std::string> resolving;  // identifiers whose resolution is under way
  Budget ownBudget;
  Budget* budget = &ownBudget;
  long error = -1;
};

namespace {

// Counts one level of nesting for as long as it lives.
class DepthGuard {
public:
  explicit DepthGuard(ODSVGParser::Budget& budget) : budget_(budget) { ++budget_.depth; }
  ~DepthGuard() { --budget_.depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

private:
  ODSVGParser::Budget& budget_;
};

}  // namespace

ODSVGParser::ODSVGParser() = default;

ODSVGParser::~ODSVGParser() = default;

std::shared_ptr<ODSVGParser> ODSVGParser::initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                            ODSVGParserDelegate* delegate)
{
  Budget budget;
  return initWithSVGString(svgString, error, delegate, budget);
}

std::shared_ptr<ODSVGParser> ODSVGParser::initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                            ODSVGParserDelegate* delegate, Budget& budget)
{
  auto parser = std::make_shared<ODSVGParser>();
  parser->delegate_ = delegate;
  parser->state_ = std::make_unique<State>();
  parser->state_->budget = &budget;
  const long code = parser->build(svgString);
  parser->state_.reset();
  parser->delegate_ = nullptr;
  if (code >= 0) {
    if (error) {
      error->domain = ODSVGError::kDomain;
      error->code = code;
    }
    return nullptr;
  }
  return parser;
}

std::shared_ptr<ODSVGParser> ODSVGParser::initWithFileURL(const std::string& path, ODSVGError* error,
                                                          ODSVGParserDelegate* delegate)
{
  const std::optional<std::string> text = pf::readRegularTextFile(path, kMaxFileBytes);
  if (!text) {  // logged with the reason
    if (error) {
      error->domain = ODSVGError::kDomain;
      error->code = ODSVGError::kUnreadableFile;
    }
    return nullptr;
  }
  return initWithSVGString(*text, error, delegate);
}

long ODSVGParser::build(std::string_view svgString)
{
  const pugi::xml_parse_result result =
      state_->document.load_buffer(svgString.data(), svgString.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!result) {
    return ODSVGError::kXMLError;
  }
  parse();
  if (failed()) {
    return state_->error;
  }
  if (!validateParse()) {
    return ODSVGError::kNoUsableSize;
  }
  return -1;
}

void ODSVGParser::fail(long code)
{
  if (state_->error < 0) {
    state_->error = code;
  }
}

bool ODSVGParser::failed() const
{
  return state_->error >= 0;
}

bool ODSVGParser::validateParse() const
{
  if (isFont()) {
    return true;
  }
  const bool finite = viewBox_.isFinite();
  return finite && viewBox_ != pf::Rect() && viewBox_.size.width != 0 && viewBox_.size.height != 0;
}

void ODSVGParser::parse()
{
  const pugi::xml_node root = state_->document.document_element();
  if (!root) {
    return;
  }
  parseElementForCommonAttributes(root, *this);
  if (failed()) {
    return;
  }
  const double width = leadingFloat(root.attribute("width").value());
  const double height = leadingFloat(root.attribute("height").value());
  if (const pugi::xml_attribute viewBoxAttribute = root.attribute("viewBox")) {
    const std::vector<double> numbers = ODSVGUtils::parseViewBox(viewBoxAttribute.value());
    // Numbers the text left out read as 0 (a box without size then fails validation).
    auto number = [&](std::size_t i) { return i < numbers.size() ? numbers[i] : 0.0; };
    viewBox_ = pf::Rect(number(0), number(1), number(2), number(3));
  } else if (width != 0 && height != 0) {
    viewBox_ = pf::Rect(0, 0, width, height);
  } else if (width != 0) {
    viewBox_ = pf::Rect(0, 0, width, width);
  } else {
    viewBox_ = pf::Rect(0, 0, height, height);
  }
  if (width == 0 && height == 0) {
    proposedViewSize_ = viewBox_.size;
  } else {
    proposedViewSize_ = pf::Size(width != 0 ? width : viewBox_.size.width, height != 0 ? height : viewBox_.size.height);
  }
  setName(std::string(localName(root)));
  parseBlock(root, *this);
}

void ODSVGParser::parseBlock(const pugi::xml_node& element, ODSVGGroup& group)
{
  parseDefsForElement(element);
  parseChildren(element, group);
}

void ODSVGParser::parseChildren(const pugi::xml_node& element, ODSVGGroup& group)
{
  for (const pugi::xml_node& child : element.children()) {
    if (failed()) {
      return;
    }
    parseBaseBlock(child, group);
  }
}

void ODSVGParser::parseDefsForElement(const pugi::xml_node& element)
{
  for (const pugi::xml_node& defs : element.children()) {
    if (failed()) {
      return;
    }
    if (typeOf(defs) != kDefs) {
      continue;
    }
    for (const pugi::xml_node& child : defs.children()) {
      if (failed()) {
        return;
      }
      const int type = typeOf(child);
      if (type == kFont || type == kGlyph || type == kStyle) {
        parseBaseBlock(child, *this);
      } else if (type != kUnknown) {
        if (const pugi::xml_attribute id = child.attribute("id")) {
          state_->baseDefNodes[id.value()] = child;
        }
      }
    }
  }
}

void ODSVGParser::setupDefaultsForNode(ODSVGNode& node) const
{
  const int type = node.type();
  if (type == kLinearGradient || type == kRadialGradient || type == kMask) {
    node.setUnits(1);
  }
}

void ODSVGParser::parseBaseBlock(const pugi::xml_node& element, ODSVGGroup& group)
{
  Budget& budget = *state_->budget;
  const DepthGuard depth(budget);
  if (budget.depth > budget.maxDepth || ++budget.elements > budget.maxElements) {
    budget.exhausted = true;
    fail(ODSVGError::kBuildFailed);
    return;
  }
  const int type = typeOf(element);
  // The default steps for a node of this element: type, name, parent and child of the group.
  auto attach = [&](ODSVGNode& node, bool asChild, const std::shared_ptr<ODSVGNode>& shared) {
    node.setType(type);
    node.setName(std::string(localName(element)));
    node.setParentNode(&group);
    if (asChild) {
      group.addChild(shared);
    }
  };
  switch (type) {
    case kGroup:
    case kSwitch:
    case kFont:
    case kMask: {
      auto node = std::make_shared<ODSVGGroup>();
      // Definitions (and so style elements) inside the group are read before its attributes.
      parseDefsForElement(element);
      attach(*node, type == kGroup || type == kSwitch, node);
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      parseChildren(element, *node);
      group.addDef(node);
      break;
    }
    case kClipPath: {
      auto node = std::make_shared<ODSVGGroup>();
      attach(*node, false, node);
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      parseBlock(element, *node);
      group.addDef(node);
      break;
    }
    case kPath:
    case kPolygon:
    case kPolyline:
    case kLine:
    case kCircle:
    case kEllipse: {
      auto node = std::make_shared<ODSVGPath>();
      attach(*node, true, node);
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      if (failed()) {
        return;
      }
      switch (type) {
        case kPath:
          parsePathCommandData(element.attribute("d").value(), *node);
          break;
        case kPolygon:
          parsePoly(element, *node, true);
          break;
        case kPolyline:
          parsePoly(element, *node, false);
          break;
        case kLine:
          parseLine(element, *node);
          break;
        case kCircle:
          parseCircle(element, *node);
          break;
        default:
          parseEllipse(element, *node);
          break;
      }
      group.addDef(node);
      break;
    }
    case kRect: {
      auto node = std::make_shared<ODSVGPath>();
      attach(*node, true, node);
      parseRect(element, *node);
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node, {"x", "y"});
      group.addDef(node);
      break;
    }
    case kGlyph: {
      const std::string_view data = element.attribute("d").value();
      if (data.empty()) {
        break;
      }
      auto node = std::make_shared<ODSVGPath>();
      attach(*node, false, node);
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      parsePathCommandData(data, *node);
      const std::optional<pf::Rect> box = node->path().controlPointBounds();
      if (box && box->size.width != 0 && box->size.height != 0) {
        addGlyph(node);
      }
      break;
    }
    case kUse:
      parseUse(element, group);
      break;
    case kLinearGradient:
    case kRadialGradient:
      parseGradient(element, group, type);
      break;
    case kImage: {
      auto node = std::make_shared<ODSVGImage>();
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      node->loadFromBase64EncodedString(element.attribute("xlink:href").value());
      group.addChild(node);
      group.addDef(node);
      break;
    }
    case kPattern: {
      auto node = std::make_shared<ODSVGPattern>();
      setupDefaultsForNode(*node);
      parseElementForCommonAttributes(element, *node);
      parseBlock(element, *node);
      group.addDef(node);
      break;
    }
    case kSVG:
      parseNestedSVG(element, group);
      break;
    case kStyle:
      if (!state_->styleSheet) {
        state_->styleSheet = std::make_unique<ODSVGStyleSheet>();
      }
      state_->styleSheet->parseStyleBlock(textContent(element));
      break;
    default:
      break;  // defs (read ahead), text, tspan, text nodes and unknown elements
  }
}

void ODSVGParser::parseUse(const pugi::xml_node& element, ODSVGGroup& group)
{
  const std::string_view href = element.attribute("xlink:href").value();
  if (href.empty()) {
    return;
  }
  std::shared_ptr<ODSVGNode> node = definedObjectForID(std::string(href.substr(1)));
  if (!node || failed()) {
    return;
  }
  if (!element.attribute("id")) {
    node->setIdentifier(std::nullopt);
  }
  auto wrapper = std::make_shared<ODSVGGroup>();
  wrapper->setParentNode(&group);
  wrapper->addChild(node);
  node->setParentNode(wrapper.get());
  node->setIntermediateParentNode(wrapper.get());
  wrapper->setTransforms({ODSVGTransform::transformByTranslatingX(leadingFloat(element.attribute("x").value()),
                                                                  leadingFloat(element.attribute("y").value()))});
  group.addChild(wrapper);
  parseElementForCommonAttributes(element, *node, {"x", "y", "width", "height", "xlink:href"});
  group.addDef(node);
}

void ODSVGParser::parseGradient(const pugi::xml_node& element, ODSVGGroup& group, int type)
{
  pugi::xml_node source = element;
  const std::string_view href = element.attribute("xlink:href").value();
  if (!href.empty()) {
    pugi::xml_node reference;
    if (definedObjectForID(std::string(href.substr(1)), &reference) && reference) {
      source = mergedElement(element, reference);
    }
    if (failed()) {
      return;
    }
  }
  std::shared_ptr<ODSVGGradient> node;
  if (type == kLinearGradient) {
    auto linear = std::make_shared<ODSVGLinearGradient>();
    linear->setGradient(ODSVGLinearGradient::parseGradient(source, *linear));
    node = linear;
  } else {
    auto radial = std::make_shared<ODSVGRadialGradient>();
    radial->setGradient(ODSVGRadialGradient::parseGradient(source, *radial));
    node = radial;
  }
  node->setType(type);
  setupDefaultsForNode(*node);
  parseElementForCommonAttributes(source, *node);
  group.addDef(node);
}

pugi::xml_node ODSVGParser::mergedElement(const pugi::xml_node& element, const pugi::xml_node& reference)
{
  pugi::xml_node merged = state_->scratch.append_copy(reference);
  for (const pugi::xml_attribute& attribute : element.attributes()) {
    pugi::xml_attribute target = merged.attribute(attribute.name());
    if (!target) {
      target = merged.append_attribute(attribute.name());
    }
    target.set_value(attribute.value());
  }
  return merged;
}

void ODSVGParser::parseNestedSVG(const pugi::xml_node& element, ODSVGGroup& group)
{
  auto node = std::make_shared<ODSVGGroup>();
  node->setType(kSVG);
  node->setName(std::string(localName(element)));
  setupDefaultsForNode(*node);
  parseElementForCommonAttributes(element, *node);
  if (failed()) {
    return;
  }
  // The element's text without its position, read as a document of its own.
  pugi::xml_document copy;
  pugi::xml_node root = copy.append_copy(element);
  root.remove_attribute("x");
  root.remove_attribute("y");
  std::ostringstream text;
  copy.save(text, "", pugi::format_raw | pugi::format_no_declaration);
  ODSVGError error;
  std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(text.str(), &error, *state_->budget);
  if (!svg) {
    // A nested document that stopped on a limit stops this one too; any other failure only
    // leaves the element out.
    if (state_->budget->exhausted) {
      fail(ODSVGError::kBuildFailed);
    }
    return;
  }
  if (delegate_) {
    delegate_->svgParserFoundSubSVG(*this, svg, text.str());
  }
  node->setSvg(svg);
  group.addChild(node);
  group.addDef(node);
  addSubSVG(svg);
}

std::shared_ptr<ODSVGNode> ODSVGParser::definedObjectForID(const std::string& identifier, pugi::xml_node* xmlElement)
{
  if (!state_) {
    return nullptr;
  }
  pugi::xml_node element;
  if (const auto found = state_->baseDefNodes.find(identifier); found != state_->baseDefNodes.end()) {
    element = found->second;
  } else if (const auto defined = state_->defNodes.find(identifier); defined != state_->defNodes.end()) {
    element = defined->second;
  } else {
    return nullptr;
  }
  if (xmlElement) {
    *xmlElement = element;
  }
  // A reference back into an element whose resolution is under way would expand for ever.
  if (!state_->resolving.insert(identifier).second) {
    fail(ODSVGError::kBuildFailed);
    return nullptr;
  }
  auto scratch = std::make_shared<ODSVGGroup>();
  definedGroups_.push_back(scratch);
  parseBaseBlock(element, *scratch);
  state_->resolving.erase(identifier);
  if (failed()) {
    return nullptr;
  }
  return scratch->defForID(identifier);
}

void ODSVGParser::parseElementForCommonAttributes(const pugi::xml_node& element, ODSVGNode& node,
                                                  std::initializer_list<std::string_view> ignoreAttributes)
{
  if (failed()) {
    return;
  }
  if (const pugi::xml_attribute id = element.attribute("id")) {
    node.setIdentifier(std::string(id.value()));
    state_->defNodes[id.value()] = element;
  }
  if (const pugi::xml_attribute classAttribute = element.attribute("class")) {
    node.setClassName(std::string(classAttribute.value()));
    node.setClassNameList(splitAtSpaces(classAttribute.value()));
  }
  std::optional<ODSVGStyle> sheetStyle;
  if (state_->styleSheet && !state_->styleSheet->rules().empty()) {
    Budget& budget = *state_->budget;
    sheetStyle = state_->styleSheet->styleForNode(node, &budget.styleSteps);
    if (budget.styleSteps > budget.maxStyleSteps) {
      budget.exhausted = true;
      fail(ODSVGError::kBuildFailed);
      return;
    }
  }
  std::optional<ODSVGStyle> inlineStyle;
  if (const pugi::xml_attribute styleAttribute = element.attribute("style")) {
    inlineStyle = ODSVGStyle::parseStyleString(styleAttribute.value());
  }
  // The effective style is the sheet's style with the inline declarations merged over it; it
  // is read through both instead of being built.
  auto styleProperty = [&](const char* name) -> const std::string* {
    if (inlineStyle) {
      if (const std::string* property = inlineStyle->property(name)) {
        return property;
      }
    }
    return sheetStyle ? sheetStyle->property(name) : nullptr;
  };

  // From here on a name reads the effective style first, then the attribute; empty is absent.
  auto value = [&](const char* name) -> std::optional<std::string_view> {
    if (std::find(ignoreAttributes.begin(), ignoreAttributes.end(), std::string_view(name)) != ignoreAttributes.end()) {
      return std::nullopt;
    }
    if (const std::string* property = styleProperty(name); property && !property->empty()) {
      return std::string_view(*property);
    }
    const pugi::xml_attribute attribute = element.attribute(name);
    if (attribute && *attribute.value() != '\0') {
      return std::string_view(attribute.value());
    }
    return std::nullopt;
  };
  auto length = [&](const char* name, void (ODSVGNode::*setter)(std::optional<ODSVGUnitLength>)) {
    if (const std::optional<std::string_view> text = value(name)) {
      (node.*setter)(ODSVGUnitLength::unitWithString(*text));
    }
  };
  auto referencedGroup = [&](std::string_view text) -> std::shared_ptr<ODSVGGroup> {
    const std::optional<std::string> identifier = ODSVGUtils::defURL(text);
    if (!identifier) {
      return nullptr;
    }
    return std::dynamic_pointer_cast<ODSVGGroup>(definedObjectForID(*identifier));
  };

  length("x", &ODSVGNode::setX);
  length("y", &ODSVGNode::setY);
  length("width", &ODSVGNode::setWidth);
  length("height", &ODSVGNode::setHeight);
  length("opacity", &ODSVGNode::setOpacity);
  length("stroke-opacity", &ODSVGNode::setStrokeOpacity);
  length("stroke-width", &ODSVGNode::setStrokeWidth);
  length("stroke-dashoffset", &ODSVGNode::setStrokeDashOffset);
  length("fill-opacity", &ODSVGNode::setFillOpacity);

  if (const auto text = value("clip-path")) {
    node.setClipPath(referencedGroup(*text));
  }
  if (const auto text = value("mask")) {
    node.setMask(referencedGroup(*text));
  }
  if (failed()) {
    return;
  }

  if (const auto text = value("gradientUnits")) {
    node.setUnits(ODSVGUtils::unitTypeForString(*text));
  }
  if (const auto text = value("clipPathUnits")) {
    node.setUnits(ODSVGUtils::unitTypeForString(*text));
  }
  if (const auto text = value("maskUnits")) {
    node.setUnits(ODSVGUtils::unitTypeForString(*text));
  }
  if (const auto text = value("patternUnits")) {
    node.setUnits(ODSVGUtils::unitTypeForString(*text));
  }
  if (const auto text = value("maskContentUnits")) {
    node.setContentUnits(ODSVGUtils::unitTypeForString(*text));
  }

  for (const char* name : {"transform", "gradientTransform"}) {
    if (const auto text = value(name)) {
      std::vector<ODSVGTransform> transforms = ODSVGTransform::transformsForString(*text);
      const std::vector<ODSVGTransform>& existing = node.transforms();
      transforms.insert(transforms.end(), existing.begin(), existing.end());
      node.setTransforms(std::move(transforms));
    }
  }

  if (const auto text = value("unicode")) {
    node.setUnicode(pf::format("%04x", firstUTF16Unit(*text)));
  }
  if (const auto text = value("stroke-linecap")) {
    node.setLineCapStyle(ODSVGUtils::lineCapStyleForString(*text));
  }
  if (const auto text = value("stroke-linejoin")) {
    node.setLineJoinStyle(ODSVGUtils::lineJoinStyleForString(*text));
  }

  // Paint: a url(#id) reference to a gradient or pattern, or a colour.
  auto paint = [&](std::string_view text, bool fill) {
    if (const std::optional<std::string> identifier = ODSVGUtils::defURL(text)) {
      const std::shared_ptr<ODSVGNode> referenced = definedObjectForID(*identifier);
      if (auto gradient = std::dynamic_pointer_cast<ODSVGGradient>(referenced)) {
        fill ? node.setFillGradient(std::move(gradient)) : node.setStrokeGradient(std::move(gradient));
      } else if (auto pattern = std::dynamic_pointer_cast<ODSVGPattern>(referenced)) {
        fill ? node.setFillPattern(std::move(pattern)) : node.setStrokePattern(std::move(pattern));
      }
      return;
    }
    const std::optional<pf::Color> color = ODSVGColor::colorFromString(text);
    fill ? node.setFillColor(color) : node.setStrokeColor(color);
  };
  if (const auto text = value("stroke")) {
    paint(*text, false);
  }
  if (const auto text = value("stroke-dasharray")) {
    node.setStrokeDashArray(*text == "none" ? std::vector<double>() : ODSVGUtils::commandParameters(*text));
  }
  if (const auto text = value("fill")) {
    paint(*text, true);
  }
  if (failed()) {
    return;
  }
  if (value("fill-opacity")) {
    const std::optional<ODSVGUnitLength> opacity = node.fillOpacity();
    const std::optional<pf::Color> color = node.fillColor();
    if (opacity && opacity->value() != 1.0 && color) {
      node.setFillColor(ODSVGColor::changeAlphaOnColor(*color, opacity->value()));
    }
  }
  if (const auto text = value("mix-blend-mode")) {
    node.setBlendMode(ODSVGUtils::blendModeForString(*text));
  }
  if (const auto text = value("fill-rule")) {
    node.setWindingRule(ODSVGUtils::windingRuleForString(*text));
  }
  if (const auto text = value("display")) {
    std::string lower(*text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (lower == "none") {
      node.setShouldRender(false);
    }
  }
}

void ODSVGParser::parsePathCommandData(std::string_view data, ODSVGPath& path)
{
  if (data.empty() || failed()) {
    return;
  }
  Budget& budget = *state_->budget;
  budget.pathDataBytes += data.size();
  if (budget.pathDataBytes > budget.maxPathDataBytes) {
    budget.exhausted = true;
    fail(ODSVGError::kBuildFailed);
    return;
  }
  // Pieces start at each command letter; the previous piece stays alive for the reflections.
  std::optional<ODSVGCommand> previous;
  std::size_t start = 0;
  const std::size_t length = data.size();
  for (std::size_t i = 1; i <= length; ++i) {
    if (i < length && !ODSVGIsLegalCommandCharacter(static_cast<unsigned char>(data[i]))) {
      continue;
    }
    ODSVGCommand command(data.substr(start, i - start));
    start = i;
    if (!command.run(previous ? previous->lastSubCommand() : nullptr, path)) {
      fail(ODSVGError::kBuildFailed);  // a segment without a current point
      return;
    }
    previous = std::move(command);
  }
}

void ODSVGParser::parseLine(const pugi::xml_node& element, ODSVGPath& path)
{
  const double x1 = leadingFloat(element.attribute("x1").value());
  const double y1 = leadingFloat(element.attribute("y1").value());
  const double x2 = leadingFloat(element.attribute("x2").value());
  const double y2 = leadingFloat(element.attribute("y2").value());
  // Coordinates beyond the number range would write as text without numbers: no path.
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return;
  }
  parsePathCommandData(pf::format("M%.2f %.2fL%.2f %.2f", x1, y1, x2, y2), path);
}

void ODSVGParser::parseCircle(const pugi::xml_node& element, ODSVGPath& path)
{
  const double cx = leadingFloat(element.attribute("cx").value());
  const double cy = leadingFloat(element.attribute("cy").value());
  const double r = leadingFloat(element.attribute("r").value());
  pf::Path oval;
  oval.addEllipse(pf::Rect(cx - r, cy - r, 2 * r, 2 * r));
  path.overwritePath(std::move(oval));
}

void ODSVGParser::parseEllipse(const pugi::xml_node& element, ODSVGPath& path)
{
  const double cx = leadingFloat(element.attribute("cx").value());
  const double cy = leadingFloat(element.attribute("cy").value());
  const double rx = leadingFloat(element.attribute("rx").value());
  const double ry = leadingFloat(element.attribute("ry").value());
  pf::Path oval;
  oval.addEllipse(pf::Rect(cx - rx, cy - ry, 2 * rx, 2 * ry));
  path.overwritePath(std::move(oval));
}

void ODSVGParser::parsePoly(const pugi::xml_node& element, ODSVGPath& path, bool closePath)
{
  const std::vector<double> numbers = ODSVGUtils::commandParameters(element.attribute("points").value());
  // An odd count, no numbers, or numbers beyond the range (which would write as text without
  // numbers) give no path.
  if (numbers.empty() || numbers.size() % 2 != 0 ||
      !std::all_of(numbers.begin(), numbers.end(), [](double number) { return std::isfinite(number); })) {
    return;
  }
  std::string data = pf::format("M%f,%f L", numbers[0], numbers[1]);
  for (std::size_t i = 2; i + 1 < numbers.size(); i += 2) {
    data += pf::format("%f,%f ", numbers[i], numbers[i + 1]);
  }
  if (closePath) {
    data += "z";
  }
  parsePathCommandData(data, path);
}

void ODSVGParser::parseRect(const pugi::xml_node& element, ODSVGPath& path)
{
  const double x = ODSVGUtils::floatValue(element.attribute("x").value(), viewBox_.size.width);
  const double y = ODSVGUtils::floatValue(element.attribute("y").value(), viewBox_.size.height);
  const double width = ODSVGUtils::floatValue(element.attribute("width").value(), viewBox_.size.width);
  const double height = ODSVGUtils::floatValue(element.attribute("height").value(), viewBox_.size.height);
  const double rx = leadingFloat(element.attribute("rx").value());
  const pugi::xml_attribute ryAttribute = element.attribute("ry");
  const double ry = ryAttribute ? leadingFloat(ryAttribute.value()) : rx;
  pf::Path rect;
  rect.addRoundedRect(pf::Rect(x, y, width, height), rx, ry);
  path.overwritePath(std::move(rect));
}

void ODSVGParser::addGlyph(std::shared_ptr<ODSVGPath> glyph)
{
  if (glyph) {
    glyphs_.push_back(std::move(glyph));
  }
}

void ODSVGParser::addSubSVG(std::shared_ptr<ODSVG> svg)
{
  if (svg) {
    svgs_.push_back(std::move(svg));
  }
}

std::vector<std::shared_ptr<ODSVG>> ODSVGParser::subSVGs(bool recursive) const
{
  if (!recursive) {
    return svgs_;
  }
  std::vector<std::shared_ptr<ODSVG>> all;
  for (const std::shared_ptr<ODSVG>& svg : svgs_) {
    all.push_back(svg);
    const std::vector<std::shared_ptr<ODSVG>> nested = svg->subSVGs(true);
    all.insert(all.end(), nested.begin(), nested.end());
  }
  return all;
}
