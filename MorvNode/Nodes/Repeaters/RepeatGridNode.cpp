#include "MorvNode/Nodes/Repeaters/RepeatGridNode.h"

#include <algorithm>
#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Numbers.h"

RepeatGridNode::RepeatGridNode()
{
  setHasNodeIndexes(true);
  addDynamicElementsParameter();
}

const MVNodeClass& RepeatGridNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatGridNode";
    info.displayName = "Grid";
    info.toolTipText = "Repeats the connected elements in a grid";
    info.descriptionText = "This node repeats the input Graphics element in a grid, letting you control the type of "
                           "grid, spacing, rows and columns, and then outputs a group containing the repeated "
                           "elements.";
    info.iconName = "node_icon_repeat_grid.png";
    info.create = [] { return std::make_unique<RepeatGridNode>(); };
    return info;
  }();
  return nodeClass;
}

void RepeatGridNode::initNodeParameters()
{
  RepeaterNode::initNodeParameters();
  if (nodeController() != nullptr) {
    const pf::Size artboard = nodeController()->artboardSize();
    area_.setValueX(artboard.width, artboard.height);
  }
}

bool RepeatGridNode::extrasEnabled() const
{
  return extras_.enabled();
}

void RepeatGridNode::updateLinkedParameters()
{
  RepeaterNode::updateLinkedParameters();
  const bool autoSpacing = autoSpacing_.value();
  const bool autoCount = autoCount_.value();
  offset_.setValueSource(autoSpacing ? this : nullptr);
  if (autoSpacing) {
    offset_.inputChanged();
  }
  rowShift_.setLayoutHidden(gridMode_.index() != kBrick);
  if (autoCount) {
    count_.setValueSource(this);
    count_.inputChanged();
    count_.setLayoutHidden(true);
  } else {
    count_.setValueSource(nullptr);
    count_.setLayoutHidden(false);
    if (gridMode_.index() == kHex) {
      offset_.setAspectLockForced(true);
      offset_.setAspectLocked(true);
      offset_.setAspect(1 / kHexRowFactor);
    } else {
      offset_.setAspectLockForced(false);
    }
  }
  autoCount_.setLayoutHidden(autoSpacing);
  autoSpacing_.setLayoutHidden(autoCount);
  const bool automatic = autoCount || autoSpacing;
  const bool artboard = useArtboardSize_.value();
  area_.setValueSource(automatic && artboard ? this : nullptr);
  areaHeading_.setLayoutHidden(!(automatic && artboard));
  useArtboardSize_.setLayoutHidden(!automatic);
  area_.setLayoutHidden(!(automatic && !artboard));
  shortOddRows_.setLayoutHidden(!extrasEnabled());
  removeLast_.setLayoutHidden(!extrasEnabled());
}

void RepeatGridNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  RepeaterNode::parameterChanged(parameter, propertyName);
  if (parameter != &gridMode_) {
    return;
  }
  if (gridMode_.index() == kHex) {
    // The aspect is stored as X / Y: the rows follow the columns at the hex row distance.
    offset_.setAspectLocked(true);
    offset_.setAspectLockForced(true);
    offset_.setAspect(1 / kHexRowFactor);
    const double x = offset_.valueX();
    offset_.setValueX(x, x * kHexRowFactor);
  } else {
    offset_.setAspectLockForced(false);
  }
}

void RepeatGridNode::artboardSizeChanged()
{
  RepeaterNode::artboardSizeChanged();
  if (useArtboardSize_.value()) {
    area_.inputChanged();
  }
}

double RepeatGridNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  const bool axis = fieldIndex == 0 || fieldIndex == 1;
  if (parameter == &offset_ && axis && autoSpacing_.value() && !autoCount_.value()) {
    const long long n = pf::saturatingCast<long long>(fieldIndex == 0 ? count_.valueX() : count_.valueY());
    const double area = fieldIndex == 0 ? area_.valueX() : area_.valueY();
    return n >= 2 ? area / static_cast<double>(n - 1) : 0.0;
  }
  if (parameter == &count_ && axis && autoCount_.value() && !autoSpacing_.value()) {
    const double spacing = fieldIndex == 0 ? offset_.valueX() : offset_.valueY();
    if (spacing == 0) {
      return 1;
    }
    const double area = fieldIndex == 0 ? area_.valueX() : area_.valueY();
    return std::round(area / spacing) + 1;
  }
  if (parameter == &area_) {
    if (!useArtboardSize_.value() || nodeController() == nullptr) {
      return inputValue;
    }
    if (fieldIndex == 0) {
      return nodeController()->artboardSize().width;
    }
    if (fieldIndex == 1) {
      return nodeController()->artboardSize().height;
    }
  }
  return RepeaterNode::valueForParameter(parameter, fieldIndex, inputValue);
}

std::shared_ptr<const MVElement> RepeatGridNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  clearCountWarning();
  const bool extras = extrasEnabled();
  const bool removeLast = removeLast_.value() && extras && autoSpacing_.value();
  long long cols = cappedCount(count_.valueX());
  long long rows = cappedCount(count_.valueY());
  if (removeLast) {
    cols = cols != 1 ? std::max(0LL, cols - 1) : 1;
    rows = rows != 1 ? std::max(0LL, rows - 1) : 1;
  }
  if (cols < 1 || rows < 1) {
    return input;
  }
  // Both counts within the ceiling; their product too.
  if (rows > kMaxRepetitions / cols) {
    rows = kMaxRepetitions / cols;
    noteCountCapped(kMaxRepetitions);
  }
  const bool shortRows = shortOddRows_.value() && extras;
  // Short rows count from "Count" itself, which "Remove last" shortens in its own step below.
  const long long shortRowBase = std::min(pf::saturatingCast<long long>(count_.valueX()), kMaxRepetitions);
  const bool dynamic = isDynamicMode();
  const bool publishing = mightHaveDynamicInput();
  const long long type = gridMode_.index();

  auto group = makeGroup("Grid group");
  group->reserveElements(cols * rows);
  const std::string& id = nodeId();
  // Each repetition gets this node's entry, and the group's entry for it, which reaches every
  // member, here while the repetition is at hand rather than in a second pass over the group.
  // All but the first carry these two alone: one list for all of them.
  MVNodeHistoryChange ownHistory = MVNodeHistoryChange::replacingWith({id, id});
  MVNodeHistoryChange groupStamp = MVNodeHistoryChange::appending(id);
  // Outside dynamic mode the spacing cannot change between repetitions: read it once.
  double sx = offset_.valueX();
  double sy = offset_.valueY();
  const double shiftFactor = rowShift_.value();
  double rowY = 0;
  long long index = 0;
  for (long long r = 0; r < rows; ++r) {
    if (publishing) {
      publishIndex("Row", r);
    }
    if (dynamic) {
      sx = offset_.valueX();
      sy = offset_.valueY();
    }
    if (r > 0) {
      rowY += type == kHex ? sx * kHexRowFactor : sy;
    }
    long long n = cols;
    if (shortRows) {
      n = shortRowBase - (r % 2 == 1 ? 1 : 0) - (removeLast_.value() ? 1 : 0);
    }
    double columnX = 0;
    for (long long c = 0; c < n; ++c) {
      if (publishing) {
        publishIndex("Column", c);
        publishIndex("Index", index + c);
      }
      if (dynamic) {
        sx = offset_.valueX();
      }
      if (c > 0) {
        columnX += sx;
      }
      std::shared_ptr<MVElement> element = repetitionOf(input, r == 0 && c == 0);
      if (element == nullptr) {
        continue;
      }
      if (r != 0 || c != 0) {
        element->changeNodeHistory(ownHistory);
      } else {
        element->changeNodeHistory(groupStamp);
        element->changeNodeHistory(groupStamp);
      }
      appendNameSuffix(*element, c, r);
      element->setElementID(newElementID());
      double x = columnX;
      if (type == kBrick) {
        const double s = shiftFactor * sx * static_cast<double>(r);
        x += sx != 0 ? s - std::floor(s / sx) * sx : 0.0;
      } else if (type == kHex && r % 2 == 1) {
        x += 0.5 * sx;
      }
      element->offsetPositionX(x, rowY);
      group->addElementWithoutRecalculatingPivot(std::move(element));
    }
    index += std::max(0LL, n);
  }
  group->recalculateArrayPivot();
  group->setNodeHistory({id});  // the members already carry it
  endIndexSessions({"Index", "Row", "Column"});
  return group;
}

std::optional<std::string> RepeatGridNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Grid pattern" || name == "Grid spacing" || name == "Repetition grid area" || name == "Grid height") {
    return std::nullopt;
  }
  if (name == "Columns" || name == "Count X") {
    return std::string("Count:X");
  }
  if (name == "Rows" || name == "Count Y") {
    return std::string("Count:Y");
  }
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}

bool RepeatGridNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = RepeaterNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  if (values != nullptr && values->asDictionary() != nullptr && values->asDictionary()->contains("Equal spacing")) {
    offset_.setAspectLocked(true);
  }
  return loaded;
}
