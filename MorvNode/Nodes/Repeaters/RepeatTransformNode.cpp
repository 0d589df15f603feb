#include "MorvNode/Nodes/Repeaters/RepeatTransformNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Numbers.h"

RepeatTransformNode::RepeatTransformNode()
{
  setHasNodeIndexes(true);
  addDynamicElementsParameter();
}

const MVNodeClass& RepeatTransformNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatTransformNode";
    info.displayName = "Transform";
    info.toolTipText = "Repeats the connected elements applying a specified transformation with scale, rotation and "
                       "offset for each repetition";
    info.iconName = "node_icon_repeat_transform.png";
    info.create = [] { return std::make_unique<RepeatTransformNode>(); };
    return info;
  }();
  return nodeClass;
}

void RepeatTransformNode::initNodeParameters()
{
  RepeaterNode::initNodeParameters();
  if (nodeController() != nullptr) {
    const pf::Size artboard = nodeController()->artboardSize();
    area_.setValueX(artboard.width, artboard.height);
  }
}

void RepeatTransformNode::updateLinkedParameters()
{
  RepeaterNode::updateLinkedParameters();
  const bool offsetOn = offset_.enabled();
  const bool autoSpacing = autoSpacing_.value();
  const bool artboard = useArtboardSize_.value();
  if (autoSpacing && offsetOn) {
    offset_.setValueSource(this);
    offset_.inputChanged();
  } else {
    offset_.setValueSource(nullptr);
  }
  autoSpacing_.setLayoutHidden(!offsetOn);
  useArtboardSize_.setLayoutHidden(!(autoSpacing && offsetOn));
  areaHeading_.setLayoutHidden(!(autoSpacing && artboard && offsetOn));
  area_.setValueSource(artboard ? this : nullptr);
  area_.setLayoutHidden(!(autoSpacing && offsetOn && !artboard));
}

void RepeatTransformNode::artboardSizeChanged()
{
  RepeaterNode::artboardSizeChanged();
  if (useArtboardSize_.value()) {
    area_.inputChanged();
    if (autoSpacing_.value()) {
      offset_.inputChanged();
    }
  }
}

double RepeatTransformNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  const bool axis = fieldIndex == 0 || fieldIndex == 1;
  if (parameter == &offset_ && axis && autoSpacing_.value()) {
    const long long n = pf::saturatingCast<long long>(count_.value());
    if (n < 2) {
      return 0;
    }
    return (fieldIndex == 0 ? area_.valueX() : area_.valueY()) / static_cast<double>(n - 1);
  }
  if (parameter == &area_ && axis && useArtboardSize_.value() && nodeController() != nullptr) {
    const pf::Size artboard = nodeController()->artboardSize();
    return fieldIndex == 0 ? artboard.width : artboard.height;
  }
  return RepeaterNode::valueForParameter(parameter, fieldIndex, inputValue);
}

std::shared_ptr<const MVElement> RepeatTransformNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  clearCountWarning();
  const long long n = cappedCount(count_.value());
  if (n <= 1) {
    endIndexSessions({"Index"});
    return input;
  }
  lastOffsetX_ = 0;
  lastOffsetY_ = 0;
  lastScaleX_ = 1;
  lastScaleY_ = 1;
  lastSizeDeltaX_ = 0;
  lastSizeDeltaY_ = 0;
  lastRotation_ = 0;

  auto group = makeGroup("Transform group");
  group->reserveElements(n);
  // The group's entry for this node reaches every member: each takes it here, while it is at
  // hand, rather than in a second pass over the group. The repetitions after the input carry
  // it alone: one list for all of them.
  MVNodeHistoryChange groupStamp = MVNodeHistoryChange::appending(nodeId());
  MVNodeHistoryChange ownHistory = MVNodeHistoryChange::replacingWith({nodeId()});
  if (input != nullptr) {
    // Repetition 0: the input as it is, stamped on a copy (the input is shared).
    std::shared_ptr<MVElement> original = input->copy();
    original->changeNodeHistory(groupStamp);
    group->addElementWithoutRecalculatingPivot(std::move(original));
  }
  const bool publishing = mightHaveDynamicInput();
  for (long long i = 1; i < n; ++i) {
    if (publishing) {
      publishIndex("Index", i);
    }
    std::shared_ptr<MVElement> element = repetitionOf(input, false);
    if (element == nullptr) {
      continue;
    }
    element->changeNodeHistory(ownHistory);
    repeatTransformElement(*element, i);
    element->setElementID(newElementID());
    appendNameSuffix(*element, i);
    group->addElementWithoutRecalculatingPivot(std::move(element));
  }
  group->recalculateArrayPivot();
  group->setNodeHistory({nodeId()});  // the members already carry it
  endIndexSessions({"Index"});
  return group;
}

MVElement& RepeatTransformNode::repeatTransformElement(MVElement& element, long long)
{
  if (offset_.enabled()) {
    lastOffsetX_ += offset_.valueX();
    lastOffsetY_ += offset_.valueY();
    if (lastOffsetX_ != 0 || lastOffsetY_ != 0) {
      element.offsetPositionX(lastOffsetX_, lastOffsetY_);
    }
  }
  if (scale_.enabled()) {
    lastScaleX_ *= scale_.valueX();
    lastScaleY_ *= scale_.valueY();
    if (lastScaleX_ != 1 || lastScaleY_ != 1) {
      element.scaleX(lastScaleX_, lastScaleY_);
    }
  }
  if (resize_.enabled()) {
    lastSizeDeltaX_ += resize_.valueX();
    lastSizeDeltaY_ += resize_.valueY();
    const double dx = lastSizeDeltaX_;
    const double dy = lastSizeDeltaY_;
    if (dx != 0 || dy != 0) {
      const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
      const double w = box ? box->width() : 0.0;
      const double h = box ? box->height() : 0.0;
      const double sw = element.strokeWidth();
      // Without the stroke's share, so that the visible size grows by the total delta.
      const double strokeShare = sw != 0 && element.strokeOpacity() != 0 ? sw : 0.0;
      const double innerW = w - strokeShare;
      const double innerH = h - strokeShare;
      const double fx = innerW != 0 ? (dx + innerW) / innerW : 1.0;
      const double fy = innerH != 0 ? (dy + innerH) / innerH : 1.0;
      if (fx != 1 || fy != 1) {
        element.scaleX(fx, fy);
      }
    }
  }
  if (rotation_.enabled()) {
    lastRotation_ += rotation_.value();
    if (lastRotation_ != 0) {
      element.rotate(lastRotation_);
    }
  }
  return element;
}

std::optional<std::string> RepeatTransformNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Angle") {
    return std::string("Rotation");
  }
  if (name == "Transformation" || name == "Repetition area" || name == "Has Scale" || name == "Size mode") {
    return std::nullopt;
  }
  if (name == "Has Rotation") {
    return std::string("Rotation[ENABLE]");
  }
  if (name == "Has Offset") {
    return std::string("Offset[ENABLE]");
  }
  if (name == "Scale X") {
    return std::string("Scale:X");
  }
  if (name == "Scale Y") {
    return std::string("Scale:Y");
  }
  if (name == "Resize X") {
    return std::string("Resize:X");
  }
  if (name == "Resize Y") {
    return std::string("Resize:Y");
  }
  // "Offset X" and "Offset Y" are the repeater base's.
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}

bool RepeatTransformNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = RepeaterNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  const pf::PlistValue::Dictionary* dictionary = values != nullptr ? values->asDictionary() : nullptr;
  if (dictionary == nullptr) {
    return loaded;
  }
  if (dictionary->contains("Uniform")) {
    resize_.setAspectLocked(true);
    scale_.setAspectLocked(true);
  }
  const auto flag = [&](const char* key) {
    const pf::PlistValue* value = dictionary->find(key);
    const std::optional<bool> on = value != nullptr ? value->toBool() : std::nullopt;
    return on.value_or(false);
  };
  if (flag("Has Scale")) {
    const bool sizeMode = flag("Size mode");
    resize_.setEnabled(sizeMode);
    scale_.setEnabled(!sizeMode);
  } else {
    resize_.setEnabled(false);
    scale_.setEnabled(false);
  }
  return loaded;
}
