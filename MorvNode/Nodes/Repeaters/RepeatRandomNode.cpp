#include "MorvNode/Nodes/Repeaters/RepeatRandomNode.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"

namespace {

// Seed arithmetic wraps like two's-complement 64-bit integers (seeds may be any number).
long long wrapping(std::uint64_t value)
{
  return static_cast<long long>(value);
}

long long saturatingStep(long long value, int step)
{
  if (step > 0 && value == std::numeric_limits<long long>::max()) {
    return value;
  }
  if (step < 0 && value == std::numeric_limits<long long>::lowest()) {
    return value;
  }
  return value + step;
}

}  // namespace

// ---- Placed positions ----

void RepeatRandomNode::PlacedPositions::reset(double cellSize)
{
  cellSize_ = std::isfinite(cellSize) && cellSize > 0 ? cellSize : 0.0;
  cells_.clear();
  all_.clear();
}

void RepeatRandomNode::PlacedPositions::growCellsTo(double spacing)
{
  if (!(spacing > cellSize_) || !std::isfinite(spacing)) {
    return;
  }
  std::vector<pf::Point> positions = std::move(all_);
  reset(spacing);
  for (const pf::Point& position : positions) {
    add(position);
  }
}

std::size_t RepeatRandomNode::PlacedPositions::CellHash::operator()(const Cell& cell) const
{
  const auto x = static_cast<std::uint64_t>(cell.x);
  const auto y = static_cast<std::uint64_t>(cell.y);
  return static_cast<std::size_t>(x * 0x9E3779B97F4A7C15ULL ^ (y + 0x632BE59BD9B4E019ULL + (x << 6) + (x >> 2)));
}

RepeatRandomNode::PlacedPositions::Cell RepeatRandomNode::PlacedPositions::cellOf(pf::Point position) const
{
  if (cellSize_ == 0) {
    return {0, 0};
  }
  return {pf::saturatingCast<long long>(std::floor(position.x / cellSize_)),
          pf::saturatingCast<long long>(std::floor(position.y / cellSize_))};
}

void RepeatRandomNode::PlacedPositions::add(pf::Point position)
{
  cells_[cellOf(position)].push_back(position);
  all_.push_back(position);
}

bool RepeatRandomNode::PlacedPositions::isClear(pf::Point candidate, double spacing) const
{
  if (!std::isfinite(candidate.x) || !std::isfinite(candidate.y)) {
    return false;
  }
  // Every position nearer than the spacing lies in one of the 3 x 3 cells around the
  // candidate's, since no cell is smaller than the spacing.
  const Cell centre = cellOf(candidate);
  for (int i = -1; i <= 1; ++i) {
    for (int j = -1; j <= 1; ++j) {
      const Cell cell{saturatingStep(centre.x, i), saturatingStep(centre.y, j)};
      // Saturated neighbours repeat a cell already looked at.
      if ((i != 0 && cell.x == centre.x) || (j != 0 && cell.y == centre.y)) {
        continue;
      }
      const auto found = cells_.find(cell);
      if (found == cells_.end()) {
        continue;
      }
      for (const pf::Point& placed : found->second) {
        const double dx = candidate.x - placed.x;
        const double dy = candidate.y - placed.y;
        if (dx * dx + dy * dy < spacing * spacing) {
          return false;
        }
      }
    }
  }
  return true;
}

// ---- The node ----

RepeatRandomNode::RepeatRandomNode()
{
  setHasNodeIndexes(true);
  setHasRandomGraphicsOutput(true);
  initNodeRandomSeedParameters();
  addDynamicElementsParameter();
}

const MVNodeClass& RepeatRandomNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatRandomNode";
    info.displayName = "Random";
    info.toolTipText = "Repeats the connected elements placing a copies at random within the specified offset range";
    info.descriptionText =
        "This node repeats the input Graphics element at random within the range of position values defined and "
        "then outputs a group containing the repeated elements. If you want an option where the elements are more "
        "evenly distributed you can try using a Repeat Grid node followed by a Group Randomize node to make the "
        "elements a little more random.";
    info.iconName = "node_icon_repeat_random.png";
    info.create = [] { return std::make_unique<RepeatRandomNode>(); };
    return info;
  }();
  return nodeClass;
}

void RepeatRandomNode::initNodeParameters()
{
  RepeaterNode::initNodeParameters();
  if (nodeController() != nullptr) {
    const pf::Size artboard = nodeController()->artboardSize();
    area_.setValueX(artboard.width, artboard.height);
  }
}

void RepeatRandomNode::updateLinkedParameters()
{
  RepeaterNode::updateLinkedParameters();
  if (areaType_.index() == kRadial) {
    area_.setLayoutHidden(true);
    useArtboardSize_.setLayoutHidden(true);
    radius_.setLayoutHidden(false);
  } else {
    const bool artboard = useArtboardSize_.value();
    area_.setLayoutHidden(artboard);
    area_.setValueSource(artboard ? this : nullptr);
    useArtboardSize_.setLayoutHidden(false);
    radius_.setLayoutHidden(true);
  }
}

void RepeatRandomNode::artboardSizeChanged()
{
  RepeaterNode::artboardSizeChanged();
  if (useArtboardSize_.value()) {
    area_.inputChanged();
  }
}

double RepeatRandomNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == &area_ && useArtboardSize_.value() && nodeController() != nullptr &&
      (fieldIndex == 0 || fieldIndex == 1)) {
    const pf::Size artboard = nodeController()->artboardSize();
    return fieldIndex == 0 ? artboard.width : artboard.height;
  }
  return RepeaterNode::valueForParameter(parameter, fieldIndex, inputValue);
}

void RepeatRandomNode::checkWarnings()
{
  RepeaterNode::checkWarnings();
  if (placementWarningString_) {
    addWarningMessage(*placementWarningString_);
  }
}

std::shared_ptr<const MVElement> RepeatRandomNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  clearCountWarning();
  const long long n = cappedCount(count_.value());
  const long long type = areaType_.index();
  const bool spacingOn = spacing_.enabled();
  double spacing = spacingOn ? spacing_.value() : 0.0;
  placementWarningString_.reset();
  if (n < 2) {
    return input;
  }
  placed_.reset(spacing);
  attemptsLeft_ = kMaxTotalPlacementAttempts;

  auto group = makeGroup("Random group");
  group->reserveElements(n);
  long long first = 1;
  long long last = n;
  const std::string& id = nodeId();
  // The group's entry for this node reaches every member: each takes it here, while it is at
  // hand, rather than in a second pass over the group. The repetitions carry this node's entry
  // and the group's alone: one list for all of them.
  MVNodeHistoryChange ownHistory = MVNodeHistoryChange::replacingWith({id, id});
  MVNodeHistoryChange groupStamp = MVNodeHistoryChange::appending(id);
  if (keepOriginal_.value()) {
    if (input != nullptr) {
      // Stamped on a copy: the input is shared.
      std::shared_ptr<MVElement> original = input->copy();
      original->changeNodeHistory(groupStamp);
      group->addElementWithoutRecalculatingPivot(std::move(original));
      placed_.add({input->positionX(), input->positionY()});
    }
    last = n - 1;
  }
  const bool publishing = mightHaveDynamicInput();
  for (long long i = first; i <= last; ++i) {
    if (publishing) {
      publishIndex("Index", i);
    }
    std::shared_ptr<MVElement> element = repetitionOf(input, false);
    if (element == nullptr) {
      continue;
    }
    element->setElementID(newElementID());
    appendNameSuffix(*element, i);
    if (spacingOn && publishing) {
      spacing = spacing_.value();  // may follow "Index"
    }
    if (placeNewElement(*element, i, type, spacing)) {
      element->changeNodeHistory(ownHistory);
      group->addElementWithoutRecalculatingPivot(std::move(element));
    }
  }
  group->recalculateArrayPivot();
  group->setNodeHistory({id});  // the members already carry it
  endIndexSessions({"Index"});
  updateIncrementalRandomSeed();
  if (spacingOn && group->count() < n) {
    placementWarningString_ =
        pf::format("Failed to find %ld non-overlapping random locations, only placed %ld repetitions. Try reducing "
                   "the spacing setting or increasing the area size",
                   n, group->count());
  }
  placed_.reset(0);
  return group;
}

bool RepeatRandomNode::placeNewElement(MVElement& element, long long index, long long areaType, double spacing)
{
  double w = 0;
  double h = 0;
  double radius = 0;
  if (areaType == kRadial) {
    radius = radius_.value();
  } else {
    w = area_.valueX();
    h = area_.valueY();
  }
  const long long seed = nodeRandomSeed();
  const auto i = static_cast<std::uint64_t>(index);
  const long long rectangleSecond = wrapping(static_cast<std::uint64_t>(seed) * i + i + 100);
  const long long radialFirst = wrapping(i * 50);
  // A spacing the current cells are too small for: bucket what is placed anew.
  if (spacing > 0 && !placed_.empty()) {
    placed_.growCellsTo(spacing);
  }
  for (int attempt = 0; attempt < kMaxPlacementAttempts; ++attempt) {
    if (attemptsLeft_ <= 0) {
      return false;
    }
    --attemptsLeft_;
    double dx = 0;
    double dy = 0;
    if (areaType == kRadial) {
      const double u = randomDoubleWithSeed(radialFirst);
      const double v = randomDoubleWithSeed(index);
      const double rho = std::sqrt(v) * radius;
      const double theta = 2 * std::numbers::pi * u;
      dx = rho * std::cos(theta);
      dy = rho * std::sin(theta);
    } else {
      dx = randomDoubleWithSeed(index) * w;
      dy = randomDoubleWithSeed(rectangleSecond) * h;
    }
    const pf::Point candidate(element.positionX() + dx, element.positionY() + dy);
    if (spacing <= 0 || placed_.empty() || placed_.isClear(candidate, spacing)) {
      element.offsetPositionX(dx, dy);
      placed_.add({element.positionX(), element.positionY()});
      return true;
    }
    updateIncrementalRandomSeed();
  }
  return false;
}

std::optional<std::string> RepeatRandomNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Repetitions" || name == "Repetition area") {
    return std::nullopt;
  }
  if (name == "Minimum spacing") {
    return std::string("Spacing[ENABLE]");
  }
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}
