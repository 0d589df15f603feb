#include "MorvNode/Nodes/Repeaters/RepeatRadialNode.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Numbers.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

RepeatRadialNode::RepeatRadialNode()
{
  setHasNodeIndexes(true);
  addDynamicElementsParameter();
}

const MVNodeClass& RepeatRadialNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatRadialNode";
    info.displayName = "Radial";
    info.toolTipText = "Repeats the connected elements in a circle or circle segment fan";
    info.descriptionText =
        "This node repeats the input graphics element in a radial pattern of one or more circle layers, and then "
        "outputs a group containing the repeated elements. If it's configured to output multiple layers you can also "
        "set the offset in angle, radius and repetition count for each layer.";
    info.iconName = "node_icon_repeat_radial.png";
    info.create = [] { return std::make_unique<RepeatRadialNode>(); };
    return info;
  }();
  return nodeClass;
}

void RepeatRadialNode::updateLinkedParameters()
{
  RepeaterNode::updateLinkedParameters();
  const bool multiple = layers_.enabled();
  countOffset_.setLayoutHidden(!multiple);
  diameterOffset_.setLayoutHidden(!multiple);
  angleOffset_.setLayoutHidden(!multiple);
  const bool full = fullCircle_.value();
  angleStep_.setLayoutHidden(full);
  if (full) {
    const double count = count_.value();
    if (count > 0) {
      angleStep_.setValue(360 / count);
    }
  }
}

std::shared_ptr<const MVElement> RepeatRadialNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  clearCountWarning();
  long long n = cappedCount(count_.value());
  const long long rings = layers_.enabled() ? cappedCount(layers_.value()) : 1;
  if (n < 1 || rings < 1) {
    endIndexSessions({"Layer", "Layer index", "Index"});
    return input;
  }
  const bool dynamic = isDynamicMode();
  const bool publishing = mightHaveDynamicInput();
  auto group = makeGroup("Radial group");
  // The group's entry for this node reaches every member: each repetition takes it here, while
  // it is at hand, rather than in a second pass over the group. All but the first carry it
  // alone: one list for all of them.
  MVNodeHistoryChange ownHistory = MVNodeHistoryChange::replacingWith({nodeId()});
  MVNodeHistoryChange groupStamp = MVNodeHistoryChange::appending(nodeId());
  double angleSum = 0;            // degrees
  long long countSum = 0;
  double radiusAddX = 0;
  double radiusAddY = 0;
  long long indexBase = 0;

  double diameterX = diameter_.valueX();
  double diameterY = diameter_.valueY();
  bool rotateElements = rotateElements_.value();
  bool full = fullCircle_.value();
  double step = angleStep_.value();
  for (long long k = 0; k < rings && indexBase < kMaxRepetitions; ++k) {
    if (layers_.enabled()) {
      publishIndex("Layer", k, true);
    }
    double a = nodekit::radians(rotation_.value()) - std::numbers::pi / 2;
    double ringAddX = 0;
    double ringAddY = 0;
    if (k >= 1) {
      angleSum += angleOffset_.value();
      a += nodekit::radians(angleSum);
      const long long countOffset = pf::saturatingCast<long long>(countOffset_.value());
      n = pf::saturatingCast<long long>(count_.value() + static_cast<double>(countSum) +
                                        static_cast<double>(countOffset));
      countSum = pf::saturatingCast<long long>(static_cast<double>(countSum) + static_cast<double>(countOffset));
      radiusAddX += diameterOffset_.valueX() * 0.5;
      radiusAddY += diameterOffset_.valueY() * 0.5;
      ringAddX = radiusAddX;
      ringAddY = radiusAddY;
    }
    // The ring's own count decides the angle step; the ceiling only stops early.
    const long long made = std::min(n, kMaxRepetitions - indexBase);
    if (made < n) {
      noteCountCapped(kMaxRepetitions);
    }
    for (long long i = 0; i < made; ++i) {
      if (publishing) {
        publishIndex("Layer index", i);
        publishIndex("Index", indexBase + i);
      }
      if (dynamic) {
        diameterX = diameter_.valueX();
        diameterY = diameter_.valueY();
        rotateElements = rotateElements_.value();
        full = fullCircle_.value();
        step = angleStep_.value();
      }
      const bool first = i == 0 && k == 0;
      if (std::shared_ptr<MVElement> element = repetitionOf(input, first)) {
        element->changeNodeHistory(first ? groupStamp : ownHistory);
        element->setElementID(newElementID());
        if (rings < 2) {
          appendNameSuffix(*element, i);
        } else {
          appendNameSuffix(*element, i, k);
        }
        const double rx = diameterX * 0.5 + ringAddX;
        const double ry = diameterY * 0.5 + ringAddY;
        element->offsetPositionX(rx * std::cos(a), ry * std::sin(a));
        if (rotateElements) {
          element->rotate(nodekit::degrees(a + std::numbers::pi / 2));
        }
        group->addElementWithoutRecalculatingPivot(std::move(element));
      }
      // Every position advances the angle, also one whose element is missing.
      a += full ? 2 * std::numbers::pi / static_cast<double>(n) : nodekit::radians(step);
    }
    // A ring whose count went below 1 holds nothing and moves no later index.
    indexBase += std::max(0LL, made);
  }
  group->recalculateArrayPivot();
  group->setNodeHistory({nodeId()});  // the members already carry it
  endIndexSessions({"Layer", "Layer index", "Index"});
  return group;
}

std::optional<std::string> RepeatRadialNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Radius heading") {
    return std::nullopt;
  }
  if (name == "Multiple layers") {
    return std::string("Number of layers[ENABLE]");
  }
  if (name == "Radius") {
    return std::string("Diameter:X");
  }
  if (name == "Radius offset") {
    return std::string("Diameter offset:X");
  }
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}

bool RepeatRadialNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = RepeaterNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  const pf::PlistValue::Dictionary* dictionary = values != nullptr ? values->asDictionary() : nullptr;
  if (dictionary == nullptr) {
    return loaded;
  }
  const auto setDiameter = [&](const char* key, MVParameterValue2D& parameter) {
    const pf::PlistValue* radius = dictionary->find(key);
    const std::optional<double> r = radius != nullptr ? radius->toDouble() : std::nullopt;
    if (!r) {
      return;
    }
    const double value = *r;
    parameter.setAspectLocked(false);
    parameter.setValueX(2 * value, 2 * value);
    parameter.setAspectLocked(true);
  };
  setDiameter("Radius", diameter_);
  setDiameter("Radius offset", diameterOffset_);
  return loaded;
}

void RepeatRadialNode::processImportedLegacyAnimations(const std::vector<ODAnimator*>& animators)
{
  const std::string diameterId = diameter_.persistentIdentifier();
  const std::string offsetId = diameterOffset_.persistentIdentifier();
  for (ODAnimator* animator : animators) {
    if (animator == nullptr) {
      continue;
    }
    const ODAnimatorTarget* target = animator->target();
    const bool radius = target != nullptr ? (target == &diameter_ || target == &diameterOffset_)
                                          : (animator->targetPersistentIdentifier() == diameterId ||
                                             animator->targetPersistentIdentifier() == offsetId);
    if (!radius) {
      continue;
    }
    for (const auto& keyframe : animator->keyFrames()) {
      keyframe->setDoubleValue(keyframe->doubleValue() * 2);
    }
  }
}
