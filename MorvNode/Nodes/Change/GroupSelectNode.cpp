#include "MorvNode/Nodes/Change/GroupSelectNode.h"

#include <algorithm>
#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Bitmap.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

GroupSelectNode::GroupSelectNode()
{
  graphicsParameter()->setTooltip("This will output all selected elements of the graphics input");
  unselected_.setLayoutHasPreview(false);
  mask_.setLayoutHasPreview(false);
}

GroupSelectNode::~GroupSelectNode() = default;

const MVNodeClass& GroupSelectNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = GroupNode::nodeClassInfo();
    info.className = "GroupSelectNode";
    info.displayName = "Select";
    info.toolTipText = "Selects some of elements in a group and outputs the selected and unselected elements as "
                       "sepatrate groups";
    info.descriptionText = "This node splits a connected group by outputting the elements in two separate groups "
                           "based on the settings in the node. This is usually used to pick out some elements of a "
                           "group for further processing in other nodes.";
    info.iconName = "node_icon_group_select.png";
    info.create = [] { return std::make_unique<GroupSelectNode>(); };
    return info;
  }();
  return nodeClass;
}

bool GroupSelectNode::shouldApplyChangeToElement(long long index)
{
  ChangeSelection pattern;
  pattern.mode = selectionMode_.index();
  pattern.selectCount = selectCount_.value();
  pattern.skipCount = skipCount_.value();
  pattern.offset = selectionOffset_.value();
  pattern.seed = selectionSeed_.value();
  pattern.offsetMovesRandomDraw = false;
  return pattern.selects(index, currentArrayCount_, [this](long long seed) { return randomIntegerWithSeed(seed); });
}

std::shared_ptr<const MVElement> GroupSelectNode::graphicsElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> inputElement)
{
  const bool selectedSide = parameter == graphicsParameter();
  if (!selectedSide && parameter != &unselected_) {
    return inputElement;
  }
  std::shared_ptr<const MVElement> input = selectedSide ? std::move(inputElement) : graphicsParameter()->inputElement();
  if (input == nullptr && referenceMode()) {
    input = getReferenceInputGraphicsNamed(parameter->name());
  }
  if (input == nullptr || !enabled()) {
    return input;
  }

  auto output = std::make_shared<MVElementGroup>();
  if (nodeController() != nullptr) {
    output->setNodeController(nodeController()->elementDelegate());
  }
  currentArrayCount_ = 1;
  const auto* group = dynamic_cast<const MVElementGroup*>(input.get());

  if (elementSelectionMode_.index() != kMaskMode) {
    cachedMaskElement_.reset();
    if (group != nullptr) {
      const long n = group->count();
      currentArrayCount_ = n;
      for (long k = 0; k < n; ++k) {
        if (shouldApplyChangeToElement(k) == selectedSide) {
          output->addElementWithoutRecalculatingPivot(group->transformedElementAtIndex(k));
        }
      }
    }
  } else {
    std::shared_ptr<const MVElement> mask = mask_.element();
    cachedMaskElement_ = mask;
    const std::optional<pf::Rect> box = mask != nullptr ? mask->transformedBoundingBoxNested() : std::nullopt;
    if (mask == nullptr) {
      addWarningMessage("No mask graphics element connected, so nothing will be selected.");
    } else if (box && box->isFinite() && box->width() > 0 && box->height() > 0 && group != nullptr) {
      if (const std::shared_ptr<const pf::Bitmap> bitmap = maskBitmap(mask, *box)) {
        const long n = group->count();
        currentArrayCount_ = n;
        for (long k = 0; k < n; ++k) {
          std::shared_ptr<MVElement> member = group->transformedElementAtIndex(k);
          if (member != nullptr && maskSelects(*member, *bitmap, box->minX(), box->minY()) == selectedSide) {
            output->addElementWithoutRecalculatingPivot(std::move(member));
          }
        }
        if (selectedSide) {
          output->addNodeToHistory(nodeId());
        }
      }
    }
  }

  if (output->count() >= 2) {
    output->recalculateArrayPivot();
    return output;
  }
  if (output->count() == 1) {
    return output->elementArray().front();
  }
  return nullptr;
}

bool GroupSelectNode::maskSelects(const MVElement& member, const pf::Bitmap& bitmap, double maskX, double maskY) const
{
  // Positions are sampled relative to the mask box's origin, one pixel per unit.
  const double x = member.positionX() - maskX;
  const double y = member.positionY() - maskY;
  if (!std::isfinite(x) || !std::isfinite(y)) {
    return false;
  }
  const long long column = pf::saturatingCast<long long>(x);
  const long long row = pf::saturatingCast<long long>(y);
  if (column < 0 || row < 0 || column >= bitmap.width() || row >= bitmap.height()) {
    return false;
  }
  const pf::Bitmap::Rgba8 pixel = bitmap.pixel(static_cast<int>(column), static_cast<int>(row));
  return pixel.alpha / 255.0 > kMaskAlphaThreshold;
}

std::shared_ptr<const pf::Bitmap> GroupSelectNode::maskBitmap(const std::shared_ptr<const MVElement>& mask,
                                                              const pf::Rect& box)
{
  if (mask == renderedMaskElement_ && maskBitmap_ != nullptr) {
    return maskBitmap_;
  }
  maskBitmap_ = maskDrawer_.draw(mask, box, displayName() + " source");
  renderedMaskElement_ = mask;
  if (maskBitmap_ == nullptr) {
    FeedbackManager::log("Warning, %@ could not render its selection mask", description());
  }
  return maskBitmap_;
}

std::shared_ptr<const MVElement> GroupSelectNode::graphicsPreviewElementForParameter(
    MVParameter* parameter, std::shared_ptr<const MVElement> element)
{
  (void)parameter;
  if (nodeController() == nullptr) {
    return element;
  }
  const std::shared_ptr<const MVElement>& selected = graphicsParameter()->cachedElement();
  const std::shared_ptr<const MVElement>& unselected = unselected_.cachedElement();
  const bool maskMode = elementSelectionMode_.index() == kMaskMode;
  if (selected == nullptr && unselected == nullptr) {
    return element;
  }
  auto preview = std::make_shared<MVElementGroup>();
  preview->setNodeController(nodeController()->elementDelegate());
  preview->setElementName("Group select node preview");
  if (unselected != nullptr && unselected->numberOfElements() > 0) {
    std::shared_ptr<MVElement> faded = unselected->copy();
    faded->setFillOpacity(0.5);
    faded->setStrokeOpacity(0.5);
    preview->addElementWithoutRecalculatingPivot(std::move(faded));
  }
  if (selected != nullptr && selected->numberOfElements() > 0) {
    preview->addElementWithoutRecalculatingPivot(selected);
  }
  if (maskMode && cachedMaskElement_ != nullptr) {
    std::shared_ptr<MVElement> outline = cachedMaskElement_->copy();
    const std::optional<pf::Rect> maskBox = cachedMaskElement_->transformedBoundingBoxNested();
    const std::optional<pf::Rect> selectedBox = selected != nullptr ? selected->transformedBoundingBoxNested()
                                                                    : std::nullopt;
    const double height = std::max(maskBox ? maskBox->height() : 0.0, selectedBox ? selectedBox->height() : 0.0);
    outline->setStrokeColor(pf::Color::rgb(1, 0, 0));
    outline->setStrokeOpacity(1.0);
    outline->setStrokeWidth(height / 40);
    if (outline->fillOpacity() > 0.5) {
      outline->setFillOpacity(0.5);
    }
    preview->addElementWithoutRecalculatingPivot(std::move(outline));
  }
  preview->recalculateArrayPivot();
  return preview;
}

void GroupSelectNode::updateOutputParameters()
{
  graphicsParameter()->inputChanged();
  unselected_.inputChanged();
}

void GroupSelectNode::updateLinkedParameters()
{
  GroupNode::updateLinkedParameters();
  const bool maskMode = elementSelectionMode_.index() == kMaskMode;
  const long long pattern = selectionMode_.index();
  mask_.setLayoutHidden(!maskMode);
  selectionMode_.setLayoutHidden(maskMode);
  selectionOffset_.setLayoutHidden(maskMode);
  selectionSeed_.setLayoutHidden(maskMode || pattern != ChangeSelection::kRandom);
  const bool counted = !maskMode && pattern >= ChangeSelection::kCounted;
  selectionHeading_.setLayoutHidden(!counted);
  selectCount_.setLayoutHidden(!counted);
  skipCount_.setLayoutHidden(!counted);
  updateOutputParameters();
}

void GroupSelectNode::checkWarnings()
{
  GroupNode::checkWarnings();
  if (elementSelectionMode_.index() == kMaskMode && !mask_.hasConnectedInput()) {
    addWarningMessage("No selection mask is connected, nothing will be selected");
  }
}

std::optional<std::string> GroupSelectNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Selection heading") {
    return std::nullopt;
  }
  if (name == "A") {
    return "Graphics";
  }
  return GroupNode::legacyMV2ParameterNameTranslation(name);
}
