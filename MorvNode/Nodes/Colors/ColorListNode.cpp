#include "MorvNode/Nodes/Colors/ColorListNode.h"

#include <algorithm>
#include <variant>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Hues of the first ten default colours in degrees; the next ten repeat them.
constexpr std::array<double, 10> kDefaultHues{0, 115, 240, 58, 195, 300, 30, 170, 90, 220};

}  // namespace

ColorListNode::ColorListNode()
{
  setHasRandomValueOutput(true);
  initNodeRandomSeedParameters("Index Offset");
}

const MVNodeClass& ColorListNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ColorListNode";
    info.displayName = "Color list";
    info.displayTypeName = "Color";
    info.toolTipText = "Outputs a color from a list based on an index value";
    info.descriptionText = "This node lets you define a list of colors and output one of them, or a blend of two "
                           "neighbouring colors, based on an index value. For example, you can use it to give "
                           "elements random colors from a chosen set.";
    info.iconName = "node_icon_color_list.png";
    info.create = [] { return std::make_unique<ColorListNode>(); };
    return info;
  }();
  return nodeClass;
}

std::vector<std::string> ColorListNode::countNames()
{
  std::vector<std::string> names;
  for (int n = 2; n <= kMaxColors; ++n) {
    names.push_back(pf::format("%d Colors", n));
  }
  return names;
}

std::array<MVParameterColor*, ColorListNode::kMaxColors> ColorListNode::declareColors()
{
  std::array<MVParameterColor*, kMaxColors> colors{};
  for (int k = 0; k < kMaxColors; ++k) {
    const double hue = kDefaultHues[static_cast<std::size_t>(k) % kDefaultHues.size()] / 360.0;
    colors[static_cast<std::size_t>(k)] = &nodekit::color(
        *this,
        {.name = pf::format("Color %d", k),
         .tooltip = pf::format("Sets the color which will be output when the color index is %d", k)},
        pf::Color::hsb(hue, 0.7, 0.95));
  }
  return colors;
}

int ColorListNode::count() const
{
  return static_cast<int>(std::clamp<long long>(numberOfColors_.index() + 2, 2, kMaxColors));
}

void ColorListNode::setProposedValue(const MVProposedValue& value)
{
  if (const pf::Color* color = std::get_if<pf::Color>(&value)) {
    colors_[0]->setColor(*color);
    return;
  }
  FeedbackManager::log("Warning, %@ setProposedValue, %@ is not of the expected class", description(),
                       pf::formatG(std::get<double>(value)));
}

void ColorListNode::updateOutputParameters()
{
  color_.inputChanged();
}

void ColorListNode::updateLinkedParameters()
{
  const int n = count();
  for (int k = 0; k < kMaxColors; ++k) {
    colors_[static_cast<std::size_t>(k)]->setLayoutHidden(k >= n);
  }
  NodeListIndex::showRowsForMode(*this, indexMode_.index(), index_, indexOffset_, nodeIndex_);
  updateOutputParameters();
  MVNode::updateLinkedParameters();  // the seed row follows "Show seed"
}

void ColorListNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  MVNode::parameterChanged(parameter, propertyName);
  if (parameter != &color_) {
    color_.inputChanged();
  }
}

pf::Color ColorListNode::colorForParameter(MVParameter* parameter, const pf::Color& inputColor)
{
  if (parameter != &color_) {
    return MVNode::colorForParameter(parameter, inputColor);
  }
  const int n = count();
  const double x = NodeListIndex::rawIndex(*this, indexMode_.index(), n, index_, indexOffset_, nodeIndex_);
  const int k = NodeListIndex::position(x, n);
  const pf::Color first = colors_[static_cast<std::size_t>(k)]->color();
  const double f = NodeListIndex::fraction(x);
  if (!interpolate_.value() || f == 0) {
    return first;
  }
  return first.blended(f, colors_[static_cast<std::size_t>((k + 1) % n)]->color());
}

std::optional<std::string> ColorListNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value") {
    return std::string("Index");
  }
  if (name == "Color index" || name == "Color list") {
    return std::nullopt;
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ColorListNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  const pf::PlistValue* random = values != nullptr ? values->find("Random") : nullptr;
  if (random != nullptr && random->toBool().value_or(false)) {
    indexMode_.setIndex(NodeListIndex::kRandom);
  }
  return loaded;
}
