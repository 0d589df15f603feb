#include "MorvNode/Nodes/Change/GroupApplyFunctionNode.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"

// The first six slots are the placement slots ChangeNode::applyPlacementSlot carries out.
static_assert(GroupApplyFunctionNode::kScale == 0 && GroupApplyFunctionNode::kScaleX == 1 && GroupApplyFunctionNode::kScaleY == 2 && GroupApplyFunctionNode::kOffsetX == 3 &&
              GroupApplyFunctionNode::kOffsetY == 4 && GroupApplyFunctionNode::kRotation == 5);

namespace {

constexpr const char* kIndexName = "Index";

bool isNoise(std::int64_t functionType)
{
  return functionType == MVParameterValueFunction::kLinearNoise || functionType == MVParameterValueFunction::kSmoothNoise;
}

}  // namespace

GroupApplyFunctionNode::GroupApplyFunctionNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .publishesIndexes = true})
{
  setHasRandomGraphicsOutput(true);
  initNodeRandomSeedParameters();
}

const MVNodeClass& GroupApplyFunctionNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupApplyFunctionNode";
    info.displayName = "Apply function";
    info.displayTypeName = "Group";
    info.toolTipText = "Applies a varied offset, scaling, rotation or color change to each separate element in an "
                       "array based on a function of the element number or position";
    info.descriptionText =
        "This node goes through all elements of the connected group and changes each one, its offset, scaling, "
        "rotation or color, by a function of the element number or its position. The function is shaped by the "
        "number of periods and the period offset, and the node shows a small preview chart of it.";
    info.iconName = "node_icon_group_apply_function.png";
    info.create = [] { return std::make_unique<GroupApplyFunctionNode>(); };
    return info;
  }();
  return nodeClass;
}

MVParameterValueFunction& GroupApplyFunctionNode::functionPreview(MVNode& node)
{
  auto preview = MVParameterValueFunction::parameterWithName("Function Preview");
  preview->setDisplayName("Function preview");
  preview->setTooltip("A graph showing how the function value will vary.");
  preview->setRandomSource(node.randomSource());
  return *node.addParameter(std::move(preview));
}

void GroupApplyFunctionNode::configureFunction()
{
  preview_.setRandomSource(randomSource());
  preview_.setMinValue(min_.value());
  preview_.setMaxValue(max_.value());
  preview_.setFunctionType(function_.index());
  preview_.setPeriods(periods_.value());
  preview_.setPeriodOffset(offset_.value());
  preview_.setCapsEndValues(capEndValues_.value());
  if (isNoise(preview_.functionType())) {
    preview_.setRandomSeamless(noiseSeamless_.value());
    // Saturating: a NaN or huge count or seed reaches the curve as a bounded integer (the
    // curve caps the count it draws).
    preview_.setRandomPointCount(pf::saturatingCast<std::int64_t>(noisePointCount_.value()));
    preview_.setRandomSeed(pf::saturatingCast<std::int64_t>(noiseSeed_.value()));
  }
}

void GroupApplyFunctionNode::updateLinkedParameters()
{
  // Before the base: it hides "Seed" whenever "Show seed" is hidden.
  if (showRandomSeedParameter() != nullptr) {
    showRandomSeedParameter()->setLayoutHidden(transformation_.index() != kRemovalChance);
  }
  ChangeNode::updateLinkedParameters();
  reducedRange_.setLayoutHidden(input_.index() != kIndexInput);
  insideClipping_.setLayoutHidden(!inputElementHasClippingMask());
  const bool modifyPeriods = functionSettings_.enabled();
  periods_.setLayoutHidden(!modifyPeriods);
  offset_.setLayoutHidden(!modifyPeriods);
  capEndValues_.setLayoutHidden(!modifyPeriods);
  configureFunction();
  const bool noise = isNoise(preview_.functionType());
  noisePointCount_.setLayoutHidden(!noise);
  noiseSeamless_.setLayoutHidden(!noise);
  noiseSeed_.setLayoutHidden(!noise);
  preview_.inputChanged();
}

void GroupApplyFunctionNode::checkWarnings()
{
  ChangeNode::checkWarnings();
  if (isNoise(function_.index()) &&
      noisePointCount_.value() > static_cast<double>(MVParameterValueFunction::kMaxRandomPointCount)) {
    addWarningMessage(pf::format("The number of noise points is limited to %ld.",
                                 static_cast<long>(MVParameterValueFunction::kMaxRandomPointCount)));
  }
}

std::shared_ptr<const MVElement> GroupApplyFunctionNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (input == nullptr || !enabled()) {
    return input;
  }
  configureFunction();
  const long long inputKind = input_.index();
  setInputElementFlags(false, false);

  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  if (group == nullptr) {
    return input;
  }
  bool clipped = false;
  for (const auto& member : group->elementArray()) {
    if (member->hasClippingMask()) {
      clipped = true;
      break;
    }
  }
  setInputElementFlags(true, clipped);

  // Positions and pivot distances of the members as the group places them.
  const long n = group->count();
  std::vector<double> xs;
  std::vector<double> ys;
  std::vector<double> distances;
  double minX = 900000.0;
  double maxX = 0.0;
  double minY = 900000.0;
  double maxY = 0.0;
  double maxD = 0.0;
  if (inputKind > kIndexInput && n > 0) {
    xs.resize(static_cast<std::size_t>(n));
    ys.resize(static_cast<std::size_t>(n));
    distances.resize(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
      const std::shared_ptr<MVElement> placed = group->transformedElementAtIndex(i);
      const auto slot = static_cast<std::size_t>(i);
      xs[slot] = placed->positionX();
      ys[slot] = placed->positionY();
      distances[slot] =
          std::hypot(placed->arrayPivotX() + placed->positionX() - group->arrayPivotX() + group->pivotOffsetX(),
                     placed->arrayPivotY() + placed->positionY() - group->arrayPivotY() + group->pivotOffsetY());
      maxX = std::max(maxX, xs[slot]);
      minX = std::min(minX, xs[slot]);
      maxY = std::max(maxY, ys[slot]);
      minY = std::min(minY, ys[slot]);
      maxD = std::max(maxD, distances[slot]);
    }
  }

  const bool minConnected = min_.hasConnectedInput();
  const bool maxConnected = max_.hasConnectedInput();
  const bool periodsConnected = periods_.hasConnectedInput();
  const bool offsetConnected = offset_.hasConnectedInput();
  const bool dynamic = mightHaveDynamicInput() && nodeController() != nullptr;

  auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
  setCurrentArrayCount(n);
  std::vector<bool> removed(static_cast<std::size_t>(n), false);
  bool anyRemoved = false;
  // Members that shared a history share the stamped one.
  MVNodeHistoryChange stamp = MVNodeHistoryChange::appending(nodeId());
  for (long i = 0; i < n; ++i) {
    if (!shouldApplyChangeToElement(i)) {
      continue;
    }
    if (dynamic) {
      // Values that follow the index differ per member.
      nodeController()->setNodeIndex(kIndexName, this, i);
      if (minConnected) {
        preview_.setMinValue(min_.value());
      }
      if (maxConnected) {
        preview_.setMaxValue(max_.value());
      }
      if (periodsConnected) {
        preview_.setPeriods(periods_.value());
      }
      if (offsetConnected) {
        preview_.setPeriodOffset(offset_.value());
      }
    }
    const auto slot = static_cast<std::size_t>(i);
    double t = 1.0;
    switch (inputKind) {
    case kXInput:
      t = maxX - minX > 0 ? (xs[slot] - minX) / (maxX - minX) : 1.0;
      break;
    case kYInput:
      t = maxY - minY > 0 ? (ys[slot] - minY) / (maxY - minY) : 1.0;
      break;
    case kPivotDistanceInput:
      t = maxD > 0 ? distances[slot] / maxD : 1.0;
      break;
    default:
      if (n > 1) {
        t = reducedRange_.value() ? static_cast<double>(i) / static_cast<double>(n - 1)
                                  : static_cast<double>(i) / static_cast<double>(n);
      }
      break;
    }
    const double v = preview_.functionValueFor(t);
    const std::shared_ptr<MVElement> member = output->mutableElementAtIndex(i);
    bool remove = false;
    applySlot(*member, i, v, remove);
    member->changeNodeHistory(stamp);
    if (remove) {
      removed[slot] = true;
      anyRemoved = true;
    }
  }
  if (hasNodeIndexes() && nodeController() != nullptr) {
    nodeController()->endNodeIndexSession(kIndexName, this);
  }
  if (anyRemoved) {
    MVElementGroup::ElementArray kept;
    kept.reserve(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
      if (!removed[static_cast<std::size_t>(i)]) {
        kept.push_back(output->elementArray()[static_cast<std::size_t>(i)]);
      }
    }
    output->setElementArray(std::move(kept));
    output->recalculateArrayPivot();
  }
  return output;
}

void GroupApplyFunctionNode::applySlot(MVElement& member, long long index, double v, bool& remove)
{
  // A curve read from values that are not numbers changes nothing.
  if (!std::isfinite(v)) {
    return;
  }
  auto* group = dynamic_cast<MVElementGroup*>(&member);
  MVElementGroup* mask = group != nullptr && group->hasClippingMask() && insideClipping_.value() ? group : nullptr;
  if (applyPlacementSlot(member, mask, transformation_.index(), v)) {
    return;
  }
  switch (transformation_.index()) {
  case kFillHue:
    member.adjustFillColorHue(v, 0, 0);
    break;
  case kFillSaturation:
    member.adjustFillColorHue(0, v, 0);
    break;
  case kFillBrightness:
    member.adjustFillColorHue(0, 0, v);
    break;
  case kFillOpacity:
    member.setFillOpacity(std::clamp(v, 0.0, 1.0));
    break;
  case kStrokeHue:
    member.adjustStrokeColorHue(v, 0, 0);
    break;
  case kStrokeSaturation:
    member.adjustStrokeColorHue(0, v, 0);
    break;
  case kStrokeBrightness:
    member.adjustStrokeColorHue(0, 0, v);
    break;
  case kStrokeOpacity:
    member.setStrokeOpacity(std::clamp(v, 0.0, 1.0));
    break;
  case kStrokeWidth:
    member.setStrokeWidth(std::max(v, 0.0));
    break;
  case kRemovalChance:
    updateIncrementalRandomSeed();
    remove = v > randomDoubleWithSeed(index);
    break;
  default:  // the separators
    break;
  }
}

std::optional<std::string> GroupApplyFunctionNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Apply to" || name == "Function input label" || name == "Function label") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}

bool GroupApplyFunctionNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ChangeNode::loadLegacyMV2NodeDictionary(record);
  periods_.setEnabled(true);
  periods_.setLayoutHidden(false);
  offset_.setEnabled(true);
  offset_.setLayoutHidden(false);
  if (periods_.value() != 1.0 || offset_.value() != 0.0) {
    functionSettings_.setEnabled(true);
  }
  updateLinkedParameters();
  return loaded;
}
