#include "MorvNode/Nodes/Repeaters/RepeatSeamlessNode.h"

#include <algorithm>
#include <array>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"

namespace {

// Sets the controller's clipping rectangle for the duration of a tile build and puts the old
// one back on every way out.
class ClippingRectScope {
public:
  ClippingRectScope(MVNodeDelegate* controller, const pf::Rect& rect) : controller_(controller)
  {
    if (controller_ != nullptr) {
      saved_ = controller_->artboardClippingRect();
      controller_->setArtboardClippingRect(rect);
    }
  }
  ~ClippingRectScope()
  {
    if (controller_ != nullptr) {
      controller_->setArtboardClippingRect(saved_);
    }
  }
  ClippingRectScope(const ClippingRectScope&) = delete;
  ClippingRectScope& operator=(const ClippingRectScope&) = delete;

private:
  MVNodeDelegate* controller_;  // the graph controller, outlives the build
  pf::Rect saved_;
};

// Whether culling to `artboard` would keep `element` drawn through `parents`: a leaf whose box
// meets the artboard, a group with such a leaf somewhere inside (the same test as the group's
// cull, asked of one child without changing anything).
bool survivesCull(const MVElement& element, const pf::AffineTransform& parents, const pf::Rect& artboard)
{
  if (const auto* group = dynamic_cast<const MVElementGroup*>(&element)) {
    const pf::AffineTransform own = parents.concatenated(group->affineTransform());
    return std::ranges::any_of(group->elementArray(),
                               [&](const auto& child) { return survivesCull(*child, own, artboard); });
  }
  const std::optional<pf::Rect> box = element.transformedBoundingBoxNested(parents);
  return box && artboard.intersects(*box);
}

struct TrimmedEdges {
  bool top = false;
  bool bottom = false;
  bool left = false;
  bool right = false;
};

TrimmedEdges trimmedEdges(long long mode)
{
  using Node = RepeatSeamlessNode;
  TrimmedEdges edges;
  edges.top = mode == Node::kTopLeft || mode == Node::kTopRight || mode == Node::kTop;
  edges.bottom = mode == Node::kBottomLeft || mode == Node::kBottomRight || mode == Node::kBottom;
  edges.left = mode == Node::kTopLeft || mode == Node::kBottomLeft || mode == Node::kLeft;
  edges.right = mode == Node::kTopRight || mode == Node::kBottomRight || mode == Node::kRight;
  return edges;
}

}  // namespace

const MVNodeClass& RepeatSeamlessNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatSeamlessNode";
    info.displayName = "Make seamless";
    info.toolTipText = "Repeats the connected elements with an offset of the artboard size in each direction to help "
                       "make seamless patterns";
    info.descriptionText =
        "This node repeats the input Graphics element with an offset of the document artboard size in each direction "
        "to help make seamlessly tiling patterns.<BR><BR>The node also has options to trim elements sticking out on "
        "one or two sides of the artboard (for example top and left) to make space for repeated elements sticking "
        "out on the other side.<BR><BR>For best results use this node as the last node before the Artboard node "
        "output layer.";
    info.iconName = "node_icon_repeat_seamless.png";
    info.create = [] { return std::make_unique<RepeatSeamlessNode>(); };
    return info;
  }();
  return nodeClass;
}

std::shared_ptr<const MVElement> RepeatSeamlessNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  MVNodeDelegate* controller = nodeController();
  const pf::Size size = controller != nullptr ? controller->artboardSize() : pf::Size();
  const double w = size.width;
  const double h = size.height;
  const pf::Rect artboard(0, 0, w, h);
  const ClippingRectScope clipping(controller, artboard);
  MVElementDelegate* elements = controller != nullptr ? controller->elementDelegate() : nullptr;

  std::shared_ptr<const MVElement> tileInput = input;
  const bool trimming = trimMode_.enabled();
  const TrimmedEdges edges = trimmedEdges(trimMode_.index());
  if (dynamic_cast<const MVElementGroup*>(input.get()) != nullptr) {
    auto group = std::static_pointer_cast<MVElementGroup>(input->copy());
    group->setNodeController(elements);
    if (!hidden_.value()) {
      group->cullElementsOutsideArtboard();
    }
    if (trimming) {
      // Children that would show inside the tile once moved across a trimmed edge reach over
      // that edge: they go. Children are told apart by position in the list, not by element ID,
      // since copies of one element share their ID.
      const std::array<std::pair<bool, pf::Point>, 4> shifts = {{{edges.top, {0, h}},
                                                                 {edges.bottom, {0, -h}},
                                                                 {edges.left, {w, 0}},
                                                                 {edges.right, {-w, 0}}}};
      for (const auto& [trimmed, shift] : shifts) {
        if (!trimmed) {
          continue;
        }
        const pf::AffineTransform moved =
            pf::AffineTransform::translation(shift.x, shift.y).concatenated(group->affineTransform());
        MVElementGroup::ElementArray kept;
        kept.reserve(group->elementArray().size());
        for (const auto& child : group->elementArray()) {
          if (!survivesCull(*child, moved, artboard)) {
            kept.push_back(child);
          }
        }
        group->setElementArray(std::move(kept));
      }
      if (group->count() == 0) {
        return group;
      }
    }
    tileInput = std::move(group);
  } else if (trimming) {
    if (const std::optional<pf::Rect> box = input->transformedBoundingBoxNested()) {
      const bool crosses = (edges.left && box->minX() < 0) || (edges.right && box->maxX() > w) ||
                           (edges.top && box->minY() < 0) || (edges.bottom && box->maxY() > h);
      if (crosses) {
        return nullptr;
      }
    }
  }

  const bool across = horizontal_.value();
  const bool down = vertical_.value();
  if (!across && !down) {
    return tileInput;
  }
  auto tile = makeGroup("Seamless group");
  struct Placement {
    bool wanted;
    double dx;
    double dy;
  };
  const std::array<Placement, 9> placements = {{{across && down, -w, -h},
                                                {down, 0, -h},
                                                {across && down, w, -h},
                                                {across, -w, 0},
                                                {true, 0, 0},
                                                {across, w, 0},
                                                {across && down, -w, h},
                                                {down, 0, h},
                                                {across && down, w, h}}};
  // Every copy carries this node alone: one list for all of them.
  MVNodeHistoryChange ownHistory = MVNodeHistoryChange::replacingWith({nodeId()});
  constexpr std::size_t kCentre = 4;
  for (std::size_t i = 0; i < placements.size(); ++i) {
    const Placement& placement = placements[i];
    if (!placement.wanted) {
      continue;
    }
    if (i == kCentre) {
      tile->addElementWithoutRecalculatingPivot(tileInput);  // the centre: the input as it is
      continue;
    }
    std::shared_ptr<MVElement> copy = tileInput->copy();
    copy->offsetPositionX(placement.dx, placement.dy);
    // What misses the tile goes before the copy is stamped (which would copy every shared
    // member it reaches), the same cull the tile gets below.
    if (auto* copyGroup = dynamic_cast<MVElementGroup*>(copy.get())) {
      copyGroup->cullElementsOutsideArtboard();
      if (copyGroup->count() == 0) {
        continue;
      }
    } else if (!survivesCull(*copy, {}, artboard)) {
      continue;
    }
    copy->changeNodeHistory(ownHistory);
    tile->addElementWithoutRecalculatingPivot(std::move(copy));
  }
  tile->flattenSubArrays();
  tile->cullElementsOutsideArtboard();
  tile->recalculateArrayPivot();
  return tile;
}

std::shared_ptr<const MVElement> RepeatSeamlessNode::graphicsPreviewElementForParameter(MVParameter*,
    std::shared_ptr<const MVElement> element)
{
  if (element == nullptr) {
    return nullptr;
  }
  MVElementDelegate* elements = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  std::shared_ptr<MVElement> copy = element->copy();
  const pf::Size size = nodeController() != nullptr ? nodeController()->artboardSize() : pf::Size();
  const double w = size.width;
  const double h = size.height;
  const double margin = 0.1 * std::max(w, h);
  const std::optional<pf::Rect> box = copy->transformedBoundingBoxNested();
  const double boxHeight = box ? box->height() : 0.0;
  const double t = std::max((h + margin) / 40, boxHeight / 40);

  auto preview = std::make_shared<MVElementGroup>();
  if (elements != nullptr) {
    preview->setNodeController(elements);
  }
  const double pivotX = copy->arrayPivotX();
  const double pivotY = copy->arrayPivotY();
  preview->addElementWithoutRecalculatingPivot(std::move(copy));
  auto line = std::make_shared<MVElementPath>();
  if (elements != nullptr) {
    line->setNodeController(elements);
  }
  line->setPositionX(0, 0);
  line->setWidth(t);
  line->setHeight(t);
  line->setStrokeWidth(0.6 * t);
  line->setStrokeColor(pf::Color::rgb(0, 0, 0, 1));
  line->setStrokeOpacity(0.7);
  const std::array<std::array<double, 4>, 4> edges = {{{0, -margin, 0, h + margin},
                                                       {w, -margin, w, h + margin},
                                                       {-margin, 0, w + margin, 0},
                                                       {-margin, h, w + margin, h}}};
  std::shared_ptr<MVElement> previous = line;
  for (const auto& [x1, y1, x2, y2] : edges) {
    auto edge = std::static_pointer_cast<MVElementPath>(previous->copy());
    edge->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForLineFromX(x1, y1, x2, y2)));
    previous = edge;
    preview->addElementWithoutRecalculatingPivot(std::move(edge));
  }
  preview->setArrayPivotX(pivotX);
  preview->setArrayPivotY(pivotY);
  return preview;
}

std::optional<std::string> RepeatSeamlessNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Has Trim") {
    return std::string("Trim Mode[ENABLE]");
  }
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}
