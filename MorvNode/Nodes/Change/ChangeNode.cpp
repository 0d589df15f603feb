#include "MorvNode/Nodes/Change/ChangeNode.h"

#include <array>
#include <optional>
#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

namespace {

constexpr const char* kIndexName = "Index";

struct ModeText {
  const char* name;
  const char* icon;
  const char* tooltip;
};
constexpr std::array<ModeText, 3> kModeTexts = {{
    {"Group", "ChangeMode_Group", "GROUP: Apply change to entire group or element"},
    {"Each", "ChangeMode_Each", "EACH: Apply change to each individual element in the connected group"},
    {"Selected", "ChangeMode_Selected", "SELECTION: Apply change to selected elements in the connected group"},
}};

// The inverse of a scale factor for a clipping mask; nullopt for a zero or non-finite factor,
// whose inverse would break the mask.
std::optional<double> inverseFactor(double factor)
{
  const double inverse = 1.0 / factor;
  if (factor == 0 || !std::isfinite(factor) || !std::isfinite(inverse)) {
    return std::nullopt;
  }
  return inverse;
}

}  // namespace

bool ChangeNode::applyPlacementSlot(MVElement& member, MVElementGroup* clipped, long long slot, double value)
{
  const std::optional<double> inverse = inverseFactor(value);
  switch (slot) {
  case 0:
    member.scaleX(value, value);
    if (clipped != nullptr && inverse) {
      clipped->transformClippingMaskScaleX(*inverse, *inverse);
    }
    return true;
  case 1:
    member.scaleX(value, 1);
    if (clipped != nullptr && inverse) {
      clipped->transformClippingMaskScaleX(*inverse, 1);
    }
    return true;
  case 2:
    member.scaleX(1, value);
    if (clipped != nullptr && inverse) {
      clipped->transformClippingMaskScaleX(1, *inverse);
    }
    return true;
  case 3:
    member.offsetPositionX(value, 0);
    if (clipped != nullptr) {
      clipped->transformClippingMaskOffsetX(-value, 0);
    }
    return true;
  case 4:
    member.offsetPositionX(0, value);
    if (clipped != nullptr) {
      clipped->transformClippingMaskOffsetX(0, -value);
    }
    return true;
  case 5:
    member.rotate(value);
    if (clipped != nullptr) {
      clipped->transformClippingMaskRotate(-value);
    }
    return true;
  default:
    return false;
  }
}

ChangeNode::ChangeNode(const Modes& modes) : modes_(modes)
{
  // The change-mode row, which also presents "Selection Mode".
  changeMode_.setLayoutInterfaceType(2);
  setHasNodeIndexes(modes_.publishesIndexes);
}

const MVNodeClass& ChangeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ChangeNode";
    info.displayName = "Change";
    info.displayTypeName = "Change";
    info.toolTipText = "Changes connected graphics elements";
    info.iconName = "node_icon_transform_transform.png";
    info.create = [] { return std::make_unique<ChangeNode>(); };
    return info;
  }();
  return nodeClass;
}

ChangeNode::Segments ChangeNode::segmentsFor(const Modes& modes)
{
  Segments segments;
  int next = 0;
  if (modes.group) {
    segments.group = next++;
  }
  if (modes.each) {
    segments.each = next++;
  }
  if (modes.selected) {
    segments.selected = next++;
  }
  return segments;
}

nodekit::Choice ChangeNode::changeModeChoice(const Modes& modes)
{
  nodekit::Choice choice;
  const std::array<bool, 3> offered = {modes.group, modes.each, modes.selected};
  for (std::size_t mode = 0; mode < offered.size(); ++mode) {
    if (offered[mode]) {
      // The initial mode is the choice's initial value: set later, it would be an edit to undo
      // while the node has no undo delegate yet.
      if (static_cast<int>(mode) == modes.initial) {
        choice.index = static_cast<long long>(choice.names.size());
      }
      choice.names.emplace_back(kModeTexts[mode].name);
      choice.icons.emplace_back(kModeTexts[mode].icon);
      choice.tooltips.emplace_back(kModeTexts[mode].tooltip);
    }
  }
  return choice;
}

int ChangeNode::segmentOf(int mode) const
{
  const int segment = mode == kGroup ? segments_.group : mode == kEach ? segments_.each : segments_.selected;
  return segment < 0 ? 0 : segment;
}

int ChangeNode::changeMode() const
{
  const long long i = changeMode_.index();
  if (i == segments_.group) {
    return kGroup;
  }
  if (i == segments_.each) {
    return kEach;
  }
  if (i == segments_.selected) {
    return kSelected;
  }
  // A position beyond the offered modes (an old record): taken as the mode number itself.
  return i >= kGroup && i <= kSelected ? static_cast<int>(i) : kGroup;
}

ChangeSelection ChangeNode::selection()
{
  ChangeSelection pattern;
  pattern.mode = selectionMode_.index();
  pattern.selectCount = selectCount_.value();
  pattern.skipCount = skipCount_.value();
  pattern.offset = selectionOffset_.value();  // 0 while the toggle is off
  pattern.seed = selectionSeed_.value();
  pattern.offsetMovesRandomDraw = true;
  return pattern;
}

bool ChangeNode::shouldApplyChangeToElement(long long index)
{
  if (changeMode() == kEach) {
    return true;
  }
  return selection().selects(index, currentArrayCount_, [this](long long seed) { return randomIntegerWithSeed(seed); });
}

std::shared_ptr<const MVElement> ChangeNode::graphicsElementForParameter(MVParameter* parameter,
                                                                         std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  const int mode = changeMode();
  inputElementIsArray_ = false;
  inputElementHasClippingMask_ = false;
  if (input == nullptr || !enabled()) {
    return input;
  }
  prepareChangesBasedOnInput(*input);

  const auto* inputGroup = dynamic_cast<const MVElementGroup*>(input.get());
  inputElementIsArray_ = inputGroup != nullptr;
  if (mode == kGroup || inputGroup == nullptr) {
    inputElementHasClippingMask_ = input->hasClippingMask();
  } else {
    for (const auto& member : inputGroup->elementArray()) {
      if (member->hasClippingMask()) {
        inputElementHasClippingMask_ = true;
        break;
      }
    }
  }

  if (mode == kGroup || inputGroup == nullptr) {
    currentElementIndex_ = 0;
    currentArrayCount_ = 1;
    std::shared_ptr<MVElement> output = input->copy();
    applyChangeToElement(*output);
    output->addNodeToHistory(nodeId());
    return output;
  }

  const long n = inputGroup->count();
  currentArrayCount_ = n;
  const bool untransforms = modes_.untransforms;
  // The changed copy of the input group, or the new group of transformed members.
  std::shared_ptr<MVElementGroup> output;
  if (untransforms) {
    output = std::make_shared<MVElementGroup>();
    if (nodeController() != nullptr) {
      output->setNodeController(nodeController()->elementDelegate());
    }
    output->setElementName(input->elementName());
  } else {
    output = std::static_pointer_cast<MVElementGroup>(inputGroup->copy());
  }
  const bool publish = mightHaveDynamicInput() && hasNodeIndexes() && nodeController() != nullptr;
  // Members that shared a history share the stamped one.
  MVNodeHistoryChange stamp = MVNodeHistoryChange::appending(nodeId());
  for (long k = 0; k < n; ++k) {
    if (mode == kSelected && !shouldApplyChangeToElement(k)) {
      if (untransforms) {
        output->addElementWithoutRecalculatingPivot(inputGroup->transformedElementAtIndex(k));
      }
      continue;
    }
    if (publish) {
      nodeController()->setNodeIndex(kIndexName, this, k);
    }
    currentElementIndex_ = k;
    std::shared_ptr<MVElement> member =
        untransforms ? inputGroup->transformedElementAtIndex(k) : output->mutableElementAtIndex(k);
    if (member == nullptr) {
      continue;
    }
    applyChangeToElement(*member);
    member->changeNodeHistory(stamp);
    if (untransforms) {
      output->addElementWithoutRecalculatingPivot(std::move(member));
    }
  }
  if (hasNodeIndexes() && nodeController() != nullptr) {
    nodeController()->endNodeIndexSession(kIndexName, this);
  }
  output->recalculateArrayPivot();
  return output;
}

void ChangeNode::resetNodeIndexes()
{
  MVNode::resetNodeIndexes();
  if (hasNodeIndexes() && nodeController() != nullptr) {
    nodeController()->setNodeIndex(kIndexName, this, -1);
  }
}

void ChangeNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  const int offered = (modes_.group ? 1 : 0) + (modes_.each ? 1 : 0) + (modes_.selected ? 1 : 0);
  changeMode_.setLayoutHidden(offered < 2);
  const bool selected = changeMode() == kSelected;
  const long long pattern = selectionMode_.index();
  selectionMode_.setLayoutHidden(!selected);
  selectionOffset_.setLayoutHidden(!selected);
  selectionSeed_.setLayoutHidden(!selected || pattern != ChangeSelection::kRandom);
  const bool counted = selected && pattern >= ChangeSelection::kCounted;
  selectionHeading_.setLayoutHidden(!counted);
  selectCount_.setLayoutHidden(!counted);
  skipCount_.setLayoutHidden(!counted);
  updateOutputParameters();
}

void ChangeNode::updateOutputParameters()
{
  graphics_.inputChanged();
}

void ChangeNode::checkWarnings()
{
  MVNode::checkWarnings();
  addGraphicsConnectionWarning(*this, graphics_);
}

void ChangeNode::addGraphicsConnectionWarning(MVNode& node, const MVParameter& graphics)
{
  const bool input = graphics.hasConnectedInput();
  const bool output = graphics.hasConnectedOutput();
  if (!input && !output) {
    node.addWarningMessage("This node is not connected to any graphics input or output so it won't do anything. "
                           "Drag connections from the blue graphics connections to connect it.");
  } else if (!input) {
    node.addWarningMessage("This node has no Graphics input connected, so no graphics will be output. Drag to add "
                           "input graphic to the blue graphics input socket.");
  } else if (!output) {
    node.addWarningMessage("This node Graphics output is not connected to anything, so the output will not be added "
                           "to the artboard. Drag the blue output graphics to an arboard graphics layer socket or "
                           "another node.");
  }
}

std::optional<std::string> ChangeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Has Offset") {
    return "Offset[ENABLE]";
  }
  if (name == "Has Rotation") {
    return "Rotation[ENABLE]";
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ChangeNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  if (const pf::PlistValue* stored = record.find("Change Mode"); stored != nullptr && stored->isNumber()) {
    const std::int64_t number = stored->toInteger().value_or(-1);
    if (number >= kGroup && number <= kSelected) {
      const std::string name = kModeTexts[static_cast<std::size_t>(number)].name;
      const auto& names = changeMode_.indexNames();
      for (std::size_t position = 0; position < names.size(); ++position) {
        if (names[position] == name) {
          changeMode_.setIndex(static_cast<long long>(position));
        }
      }
    } else {
      changeMode_.setIndex(0);
    }
  }
  // The stored value decides; a disabled parameter reads as its disabled value.
  selectionOffset_.setEnabled(true);
  selectionOffset_.setEnabled(selectionOffset_.localValue() != 0);
  return loaded;
}
