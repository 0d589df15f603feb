#include "MorvNode/Nodes/Change/GroupApplyElementNode.h"

#include <algorithm>
#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Bitmap.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

// The first six slots are the placement slots ChangeNode::applyPlacementSlot carries out.
static_assert(GroupApplyElementNode::kScale == 0 && GroupApplyElementNode::kScaleX == 1 && GroupApplyElementNode::kScaleY == 2 && GroupApplyElementNode::kOffsetX == 3 &&
              GroupApplyElementNode::kOffsetY == 4 && GroupApplyElementNode::kRotation == 5);

namespace {

// Least alpha (of 1) at which a member's sample counts; a sampled colour needs more.
constexpr double kValidAlpha = 0.02;
constexpr double kColorAlpha = 0.05;

}  // namespace

GroupApplyElementNode::GroupApplyElementNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .publishesIndexes = true})
{
  image_.setLayoutHasPreview(false);
  setHasRandomGraphicsOutput(true);
  initNodeRandomSeedParameters();
}

GroupApplyElementNode::~GroupApplyElementNode() = default;

const MVNodeClass& GroupApplyElementNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupApplyElementNode";
    info.displayName = "Apply graphics";
    info.displayTypeName = "Group";
    info.toolTipText = "Changes connected input elements by sampling a separate graphics mask element";
    info.descriptionText =
        "This node transforms the connected elements with data from a connected graphics mask element. It samples "
        "the color of the mask at the pivot point of each input element and changes the element from that color, "
        "for example its color or its scale by the color at the same place in the mask.";
    info.iconName = "node_icon_group_apply_element.png";
    info.create = [] { return std::make_unique<GroupApplyElementNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupApplyElementNode::updateLinkedParameters()
{
  // Before the base: it hides "Seed" whenever "Show seed" is hidden.
  if (showRandomSeedParameter() != nullptr) {
    showRandomSeedParameter()->setLayoutHidden(transformation_.index() != kRemovalChance);
  }
  ChangeNode::updateLinkedParameters();
  const long long slot = transformation_.index();
  const bool colorSlot = slot == kFillColor || slot == kStrokeColor;
  min_.setLayoutHidden(colorSlot);
  max_.setLayoutHidden(colorSlot);
  fillColorMix_.setLayoutHidden(!colorSlot);
  insideClipping_.setLayoutHidden(!inputElementHasClippingMask());
}

void GroupApplyElementNode::checkWarnings()
{
  ChangeNode::checkWarnings();
  if (!referenceMode() && !image_.hasConnectedInput()) {
    addWarningMessage("No Graphics mask element connected, so no adjustments will be made.");
  }
}

std::optional<std::string> GroupApplyElementNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Apply to") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}

std::shared_ptr<const MVElement> GroupApplyElementNode::getReferenceInputGraphicsNamed(const std::string& name)
{
  if (name != image_.name()) {
    return ChangeNode::getReferenceInputGraphicsNamed(name);
  }
  if (referenceMask_ == nullptr) {
    auto circle = std::make_shared<MVElementPath>();
    if (nodeController() != nullptr) {
      circle->setNodeController(nodeController()->elementDelegate());
    }
    circle->setElementName("Mask circle");
    circle->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(25)));
    circle->setPositionX(10, 10);
    circle->setWidth(50);
    circle->setHeight(50);
    circle->setFillColor(pf::Color::rgb(1, 0, 0, 1));
    referenceMask_ = std::move(circle);
  }
  return referenceMask_;
}

std::shared_ptr<const MVElement> GroupApplyElementNode::maskElement()
{
  std::shared_ptr<const MVElement> mask = image_.element();
  if (mask == nullptr && referenceMode()) {
    mask = getReferenceInputGraphicsNamed(image_.name());
  }
  return mask;
}

std::shared_ptr<const pf::Bitmap> GroupApplyElementNode::maskBitmap(const std::shared_ptr<const MVElement>& mask,
                                                                    const pf::Rect& box)
{
  if (mask != renderedMaskElement_) {
    maskBitmap_.reset();
    renderedMaskElement_.reset();
  }
  if (maskBitmap_ != nullptr) {
    return maskBitmap_;
  }
  if (!box.isFinite() || !(box.width() > 0) || !(box.height() > 0)) {
    return nullptr;
  }
  maskBitmap_ = maskDrawer_.draw(mask, box, displayName() + " source");
  if (maskBitmap_ != nullptr) {
    renderedMaskElement_ = mask;
  }
  return maskBitmap_;
}

GroupApplyElementNode::Sample GroupApplyElementNode::sampleAt(const pf::Bitmap& bitmap, const pf::Rect& box, double x,
                                                              double y) const
{
  Sample sample;
  const double dx = x - box.minX();
  const double dy = y - box.minY();
  if (!std::isfinite(dx) || !std::isfinite(dy)) {
    return sample;
  }
  const long long column = pf::saturatingCast<long long>(dx);
  const long long row = pf::saturatingCast<long long>(dy);
  if (column < 0 || row < 0 || column >= bitmap.width() || row >= bitmap.height()) {
    return sample;
  }
  // The stored word is premultiplied 0xAARRGGBB; the components are read as stored.
  const std::uint32_t word = bitmap.data()[static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap.width()) +
                                           static_cast<std::size_t>(column)];
  sample.a = static_cast<double>((word >> 24) & 0xffu) / 255.0;
  sample.r = static_cast<double>((word >> 16) & 0xffu) / 255.0;
  sample.g = static_cast<double>((word >> 8) & 0xffu) / 255.0;
  sample.b = static_cast<double>(word & 0xffu) / 255.0;
  sample.inside = true;
  return sample;
}

std::shared_ptr<const MVElement> GroupApplyElementNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  std::shared_ptr<const MVElement> input = std::move(inputElement);
  if (input == nullptr && referenceMode() && parameter != nullptr) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (!enabled()) {
    return input;
  }
  const std::shared_ptr<const MVElement> mask = maskElement();
  setInputElementFlags(false, false);
  if (input == nullptr) {
    addWarningMessage("No graphics input, so there's nothing to apply image to.");
  }
  if (mask == nullptr) {
    addWarningMessage("No Graphics mask element connected, so no adjustments will be made.");
  }
  if (input == nullptr || mask == nullptr) {
    return input;
  }

  const pf::Rect box = mask->transformedBoundingBoxNested().value_or(pf::Rect());
  const std::shared_ptr<const pf::Bitmap> bitmap = maskBitmap(mask, box);
  if (bitmap == nullptr) {
    FeedbackManager::log("Error, %@ failed to render sourceImageBitmapRep in graphicsElementForParameter:",
                         description());
    return input;
  }

  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());
  if (group == nullptr) {
    std::shared_ptr<MVElement> output = input->copy();
    bool remove = false;
    applySlot(*output, sampleAt(*bitmap, box, output->positionX(), output->positionY()), 0, false, remove);
    return output;
  }

  bool clipped = false;
  for (const auto& member : group->elementArray()) {
    if (member->hasClippingMask()) {
      clipped = true;
      break;
    }
  }
  setInputElementFlags(true, clipped);

  auto output = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    output->setNodeController(nodeController()->elementDelegate());
  }
  output->setElementName(input->elementName());
  const long n = group->count();
  setCurrentArrayCount(n);
  // Members that shared a history share the stamped one.
  MVNodeHistoryChange stamp = MVNodeHistoryChange::appending(nodeId());
  for (long i = 0; i < n; ++i) {
    std::shared_ptr<MVElement> member = group->transformedElementAtIndex(i);
    if (!shouldApplyChangeToElement(i)) {
      output->addElementWithoutRecalculatingPivot(std::move(member));
      continue;
    }
    bool remove = false;
    applySlot(*member, sampleAt(*bitmap, box, member->positionX(), member->positionY()), i, true, remove);
    if (remove) {
      continue;
    }
    member->changeNodeHistory(stamp);
    output->addElementWithoutRecalculatingPivot(std::move(member));
  }
  output->recalculateArrayPivot();
  return output;
}

void GroupApplyElementNode::applySlot(MVElement& element, const Sample& sample, long long index, bool member,
                                      bool& remove)
{
  const double f = (1.0 - (sample.r + sample.g + sample.b) / 3.0) * sample.a;
  const double minValue = min_.value();
  const double v = minValue + (max_.value() - minValue) * f;
  const long long slot = transformation_.index();
  const bool colorSlot = slot == kFillColor || slot == kStrokeColor;
  // A value that is not a number changes nothing; the colour slots do not use it.
  if (!colorSlot && !std::isfinite(v)) {
    return;
  }
  // A member's sample counts from a little alpha up; a single element's wherever it is inside.
  const bool valid = sample.inside && (!member || sample.a >= kValidAlpha);
  auto* group = dynamic_cast<MVElementGroup*>(&element);
  MVElementGroup* mask =
      member && group != nullptr && group->hasClippingMask() && insideClipping_.value() ? group : nullptr;
  if (applyPlacementSlot(element, mask, slot, v)) {
    return;
  }

  switch (slot) {
  case kFillColor:
  case kStrokeColor: {
    if (!sample.inside || !(sample.a > kColorAlpha)) {
      break;
    }
    const bool fill = slot == kFillColor;
    // The sample is premultiplied: its colour is the components over alpha.
    pf::Color color = pf::Color::rgb(sample.r / sample.a, sample.g / sample.a, sample.b / sample.a, 1);
    const std::optional<pf::Color> current = fill ? element.fillColor() : element.strokeColor();
    const double m = member ? fillColorMix_.value() : 1.0;  // 1 while the mix is switched off
    if (m < 1 && current) {
      color = color.blended(1 - m, *current);
    }
    if (fill) {
      element.setFillColor(color);
    } else {
      element.setStrokeColor(color);
    }
    break;
  }
  case kFillHue:
    adjustColorOfElement(element, true, v, 0, 0);
    break;
  case kFillSaturation:
    adjustColorOfElement(element, true, 0, v, 0);
    break;
  case kFillBrightness:
    adjustColorOfElement(element, true, 0, 0, v);
    break;
  case kFillOpacity:
    if (valid) {
      element.setFillOpacity(std::clamp(v, 0.0, 1.0));
    }
    break;
  case kStrokeHue:
    adjustColorOfElement(element, false, v, 0, 0);
    break;
  case kStrokeSaturation:
    adjustColorOfElement(element, false, 0, v, 0);
    break;
  case kStrokeBrightness:
    adjustColorOfElement(element, false, 0, 0, v);
    break;
  case kStrokeOpacity:
    if (valid) {
      element.setStrokeOpacity(std::clamp(v, 0.0, 1.0));
    }
    break;
  case kStrokeWidth:
    if (valid) {
      element.setStrokeWidth(std::max(v, 0.0));
    }
    break;
  case kRemovalChance:
    if (member) {
      updateIncrementalRandomSeed();
      remove = v > randomDoubleWithSeed(index);
    }
    break;
  default:  // the separators and positions beyond the list
    element.scaleX(v, v);
    break;
  }
}

void GroupApplyElementNode::adjustColorOfElement(MVElement& element, bool fill, double hue, double saturation,
                                                 double brightness)
{
  if (auto* group = dynamic_cast<MVElementGroup*>(&element)) {
    for (long i = 0; i < group->count(); ++i) {
      adjustColorOfElement(*group->mutableElementAtIndex(i), fill, hue, saturation, brightness);
    }
    return;
  }
  if (hue == 0 && saturation == 0 && brightness == 0) {
    return;
  }
  const std::optional<pf::Color> current = fill ? element.fillColor() : element.strokeColor();
  const pf::Color::Hsb hsb = current ? current->hsb() : pf::Color::Hsb{};
  // The hue wraps by one turn at most; the colour pins what is still outside 0..1.
  double h = hsb.hue + hue;
  if (h < 0) {
    h += 1;
  }
  if (h > 1) {
    h -= 1;
  }
  const pf::Color color = pf::Color::hsb(h, hsb.saturation + saturation, hsb.brightness + brightness, 1);
  if (fill) {
    element.setFillColor(color);
  } else {
    element.setStrokeColor(color);
  }
}

std::shared_ptr<const MVElement> GroupApplyElementNode::graphicsPreviewElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> element)
{
  (void)parameter;
  if (nodeController() == nullptr) {
    return element;
  }
  if (element == nullptr) {
    return nullptr;
  }
  const std::shared_ptr<const MVElement> mask = maskElement();
  if (mask == nullptr) {
    return element->copy();
  }
  auto preview = std::make_shared<MVElementGroup>();
  preview->setNodeController(nodeController()->elementDelegate());
  preview->addElementWithoutRecalculatingPivot(element->copy());
  std::shared_ptr<MVElement> faded = mask->copy();
  faded->setFillOpacity(0.5);
  preview->addElementWithoutRecalculatingPivot(std::move(faded));
  preview->recalculateArrayPivot();
  return preview;
}
