#include "MorvNode/Elements/MVElement.h"

#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "ElementTestSupport.h"
#include "MorvNode/Elements/ElementRenderer.h"

namespace {

using elementtest::expectNear;
using elementtest::FakeElementController;
using elementtest::LogCapture;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A renderer that only answers the visibility filter.
class FilterRenderer : public ElementRenderer {
public:
  double renderingScale() const override { return 1; }
  double strokeRenderingScale() const override { return 1; }
  bool renderingAborted() const override { return false; }
  bool elementShouldRender() const override { return shouldRender; }
  void elementRendered() override {}
  pf::DrawingContext* renderingContext() override { return nullptr; }

  bool shouldRender = true;
};

TEST(MVElementTransform, StackActsFirstPushedFirstAndPositionLast)
{
  const struct {
    const char* name;
    pf::Point position;
    pf::Point pivot;
    MVTransformStack stack;
    pf::Point point;
    pf::Point image;
  } cases[] = {
      {"rotate then scale", {100, 0}, {}, {{MVTransformKind::Rotate, 90, 0}, {MVTransformKind::Scale, 2, 1}}, {1, 0}, {100, 1}},
      {"scale then rotate", {100, 0}, {}, {{MVTransformKind::Scale, 2, 1}, {MVTransformKind::Rotate, 90, 0}}, {1, 0}, {100, 2}},
      {"pivot offset after rotation", {0, 0}, {}, {{MVTransformKind::Rotate, 90, 0}, {MVTransformKind::PivotOffset, 5, 0}}, {1, 0}, {5, 1}},
      {"rotation about the pivot", {0, 0}, {10, 0}, {{MVTransformKind::Rotate, 180, 0}}, {0, 0}, {20, 0}},
      {"position with pivot", {3, 4}, {10, 10}, {{MVTransformKind::Scale, 2, 2}}, {10, 10}, {13, 14}},
      {"unknown kinds are skipped", {1, 1}, {}, {{static_cast<MVTransformKind>(7), 45, 45}}, {2, 3}, {3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MVElement element;
    element.setPositionX(c.position.x, c.position.y);
    element.setArrayPivotX(c.pivot.x);
    element.setArrayPivotY(c.pivot.y);
    element.setTransformStack(c.stack);
    expectNear(element.affineTransform().apply(c.point), c.image);
  }
}

TEST(MVElementTransform, PushRulesDropIdentitiesAndRefuseNonFinite)
{
  LogCapture log;
  MVElement element;
  element.rotate(0);
  element.scaleX(1, 1);
  element.offsetPivotX(0, 0);
  ASSERT_TRUE(element.transformStack().has_value());
  EXPECT_TRUE(element.transformStack()->empty());
  EXPECT_TRUE(log.lines().empty());

  element.rotate(kNaN);
  element.scaleX(kInfinity, 2);
  element.scaleX(kNaN, 1);  // refused without a line
  element.offsetPivotX(1, kNaN);
  element.offsetPositionX(kInfinity, 0);
  element.setPositionX(0, kNaN);
  EXPECT_TRUE(element.transformStack()->empty());
  EXPECT_EQ(element.positionX(), 0);
  EXPECT_EQ(element.positionY(), 0);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                           "Error, attempting to make invalid element transformation rotation nan",
                           "Error, attempting to make invalid element transformation scale inf,2",
                           "Error, attempting to make invalid element transformation offsetPivot 1,nan",
                           "Error, attempting to make invalid element transformation offsetPosition inf,0",
                           "Error, attempting to make invalid element transformation setPosition 0,nan",
                       }));

  element.offsetPivotX(2, 3);
  element.offsetPivotX(-1, 1);
  EXPECT_EQ(element.pivotOffsetX(), 1);
  EXPECT_EQ(element.pivotOffsetY(), 4);
  EXPECT_EQ(element.transformStack()->size(), 2u);
}

TEST(MVElementTransform, ZeroScaleCollapsesToASliverAndVoidsEarlierFactors)
{
  MVElement element;
  element.scaleX(3, 5);  // earlier on both axes
  element.scaleX(0, 2);  // x collapses: the 3 above counts as 1, y keeps 2 × 5
  const MVStackTransform own = element.stackTransform();
  EXPECT_TRUE(own.zeroScaleX);
  EXPECT_FALSE(own.zeroScaleY);
  EXPECT_DOUBLE_EQ(own.matrix.a, 1e-5);
  EXPECT_DOUBLE_EQ(own.matrix.d, 10);
  EXPECT_TRUE(own.matrix.isFiniteAndInvertible());

  // transformContext records what it met; the matrix acts before the given transform.
  pf::AffineTransform context = pf::AffineTransform::translation(7, 0);
  element.transformContext(context);
  EXPECT_TRUE(element.zeroScaleXFlag());
  EXPECT_FALSE(element.zeroScaleYFlag());
  expectNear(context.apply(pf::Point(1, 1)), {7.00001, 10});

  // A collapsed element shows only through its stroke, whether or not it was drawn before.
  EXPECT_FALSE(element.isVisible());
  EXPECT_FALSE(element.copy()->isVisible());
  element.setStrokeWidth(1);
  EXPECT_TRUE(element.isVisible());
}

TEST(MVElementStyle, HueWrapsAndTheAdjustedColourIsOpaque)
{
  const struct {
    double hue;
    double delta;
    double expected;
  } cases[] = {{0.9, 0.3, 0.2}, {0.1, -0.3, 0.8}, {0.5, 2.25, 0.75}, {0.25, -1.25, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hue + c.delta);
    MVElement element;
    element.setFillColor(pf::Color::hsb(c.hue, 1, 1, 0.5));
    element.setStrokeColor(pf::Color::hsb(c.hue, 1, 1, 0.5));
    element.adjustFillColorHue(c.delta, 0, 0);
    element.adjustStrokeColorHue(c.delta, 0, -0.5);
    ASSERT_TRUE(element.fillColor().has_value());
    EXPECT_NEAR(element.fillColor()->hue(), c.expected, 1e-9);
    EXPECT_EQ(element.fillColor()->alpha(), 1);
    EXPECT_NEAR(element.strokeColor()->hue(), c.expected, 1e-9);
    EXPECT_NEAR(element.strokeColor()->brightness(), 0.5, 1e-9);
  }

  // No change at all: zero deltas keep the colour's alpha; an absent colour stays absent.
  MVElement element;
  element.setFillColor(pf::Color::rgb(1, 0, 0, 0.5));
  element.adjustFillColorHue(0, 0, 0);
  EXPECT_EQ(element.fillColor()->alpha(), 0.5);
  element.adjustStrokeColorHue(0.5, 0, 0);
  EXPECT_FALSE(element.strokeColor().has_value());
}

TEST(MVElementStyle, AdjustersAreUnclamped)
{
  MVElement element;
  element.adjustFillOpacity(0.5);
  element.adjustStrokeOpacity(-1.5);
  element.setStrokeWidth(2);
  element.scaleStrokeWidth(-3);
  element.adjustStrokeWidth(1);
  EXPECT_EQ(element.fillOpacity(), 1.5);
  EXPECT_EQ(element.strokeOpacity(), -0.5);
  EXPECT_EQ(element.strokeWidth(), -5);
}

TEST(MVElementIdentity, CopiesShareTheIDAndNotTheStack)
{
  FakeElementController controller;
  MVElement element;
  element.setNodeController(&controller);
  EXPECT_EQ(element.elementID(), 1);
  FakeElementController other;
  element.setNodeController(&other);  // the first controller stays
  EXPECT_EQ(element.nodeController(), &controller);

  element.rotate(30);
  element.setElementName("Rectangle");
  element.setFillColor(pf::Color::rgb(0, 1, 0));
  element.addNodeToHistory("4");
  element.setTransformedPositionX(9);
  const auto copy = element.copy();
  EXPECT_EQ(copy->elementID(), 1);
  EXPECT_EQ(controller.lastID, 1);
  EXPECT_EQ(copy->elementName(), "Rectangle");
  EXPECT_EQ(copy->fillColor(), element.fillColor());
  EXPECT_EQ(copy->nodeHistory(), element.nodeHistory());
  EXPECT_EQ(copy->transformedPositionX(), 0);  // scratch values stay behind
  copy->scaleX(2, 2);
  EXPECT_EQ(element.transformStack()->size(), 1u);
  EXPECT_EQ(copy->transformStack()->size(), 2u);

  // An element without ID gets a fresh one when copied with its controller.
  MVElement unnamed;
  unnamed.setNodeController(&controller);
  unnamed.setElementID(0);
  EXPECT_EQ(unnamed.copy()->elementID(), 3);
  EXPECT_EQ(unnamed.copy()->description(), "<MVElement '(null)'(4)>");
}

TEST(MVElementLifeCycle, SecondReleaseIsLoggedAndChangesNothing)
{
  LogCapture log;
  MVElement element;
  element.setElementName("a");
  element.rotate(10);
  element.releaseResources();
  EXPECT_FALSE(element.transformStack().has_value());
  EXPECT_TRUE(element.hasReleasedResources());
  element.releaseResources();
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Warning, <MVElement 'a'(0) [RELEASED]> double releaseResources"});
}

TEST(MVElementBoxes, BaseBoxesCarryTheStroke)
{
  MVElement element;
  element.setWidth(20);
  element.setHeight(10);
  element.setStrokeWidth(2);
  expectNear(*element.boundingBoxNested(), {-11, -6, 22, 12});
  // Without own transform and parents: the box as it is.
  expectNear(*element.transformedBoundingBoxNested(), {-11, -6, 22, 12});

  // Turned by 90 degrees and moved: the mapped box, grown by the stroke along the turned axes.
  element.rotate(90);
  element.setPositionX(100, 50);
  expectNear(*element.transformedBoundingBoxNested(), {100 - 6 - 1, 50 - 11 - 1, 14, 24});

  // Inside a scaled parent even an untransformed element is scaled.
  MVElement plain;
  expectNear(*plain.transformedBoundingBoxNested(pf::AffineTransform::scaling(2, 3)), {-10, -15, 20, 30});
}

TEST(MVElementHitTest, NominalBoxEdgesAreHalfOpen)
{
  MVElement element;
  element.setPositionX(50, 50);
  element.rotate(90);
  element.setWidth(20);  // after the turn: 10 wide, 20 high
  const struct {
    pf::Point point;
    bool hit;
  } cases[] = {
      // Element x runs down the output and element y to the left: the closed minimum edges
      // are the output's right (x = 55) and top (y = 40).
      {{50, 50}, true},         {{55, 40}, true},  {{45.001, 59.999}, true}, {{45, 50}, false},
      {{55, 60}, false},        {{55.001, 50}, false}, {{kNaN, 50}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point.description());
    EXPECT_EQ(element.pointInElement(c.point), c.hit);
    EXPECT_EQ(element.elementAtPoint(c.point), c.hit ? &element : nullptr);
  }
  // The parents' transform maps the point too; a singular one hits nothing.
  EXPECT_TRUE(element.pointInElement({150, 50}, pf::AffineTransform::translation(100, 0)));
  EXPECT_FALSE(element.pointInElement({50, 50}, pf::AffineTransform::scaling(0, 1)));
}

TEST(MVElementVisibility, OpacityStrokeSizeAndRendererDecide)
{
  LogCapture log;
  FilterRenderer renderer;
  MVElement element;
  EXPECT_TRUE(element.isVisible(&renderer));
  renderer.shouldRender = false;
  EXPECT_FALSE(element.isVisible(&renderer));
  element.setDisregardsVisibility(true);
  EXPECT_TRUE(element.isVisible(&renderer));

  element.setFillOpacity(0);
  EXPECT_FALSE(element.isVisible());
  element.setStrokeWidth(1);
  EXPECT_TRUE(element.isVisible());
  element.setStrokeOpacity(0);
  EXPECT_FALSE(element.isVisible());

  MVElement broken;
  broken.setElementName("broken");
  broken.setWidth(kNaN);
  EXPECT_FALSE(broken.isVisible());
  EXPECT_EQ(log.lines(),
            std::vector<std::string>{"Error, <MVElement 'broken'(0)> height:10 width:nan invalid, will not be rendered"});
}

TEST(MVElementArtboard, BoxMustMeetTheArtboard)
{
  FakeElementController controller;  // 200 x 100
  MVElement element;
  EXPECT_FALSE(element.isInArtboard());  // no controller
  element.setNodeController(&controller);
  const struct {
    pf::Point position;
    bool inside;
  } cases[] = {{{0, 0}, true}, {{-5, 50}, true}, {{-5.5, 50}, false}, {{205, 105}, true}, {{100, 106}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position.description());
    element.setPositionX(c.position.x, c.position.y);
    EXPECT_EQ(element.isInArtboard(), c.inside);
  }
}

TEST(MVElementHistory, SelectionByNodeIDs)
{
  MVElement element;
  EXPECT_FALSE(element.isNodeHistorySelected({"1"}));
  EXPECT_FALSE(element.historyLastNode().has_value());
  element.addNodeToHistory("3");
  element.addNodeToHistory("8");
  EXPECT_TRUE(element.isNodeHistorySelected({"3"}));
  EXPECT_FALSE(element.isNodeHistorySelected({"1", "2"}));
  EXPECT_EQ(element.historyLastNode(), "8");
  element.resetNodeHistory();
  EXPECT_FALSE(element.isNodeHistorySelected({"3"}));
}

// Copies share their source's history list: a change to one must never reach the others.
TEST(MVElementHistory, ChangingACopyLeavesItsSourceAndSiblingsAlone)
{
  MVElement source;
  source.setNodeHistory({"1", "2"});
  const auto changed = source.copy();
  const auto sibling = source.copy();
  const auto emptied = source.copy();
  const auto replaced = source.copy();
  changed->addNodeToHistory("3");
  emptied->resetNodeHistory();
  replaced->setNodeHistory({"7"});
  EXPECT_EQ(source.nodeHistory(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(sibling->nodeHistory(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(changed->nodeHistory(), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(emptied->nodeHistory().empty());
  EXPECT_FALSE(emptied->historyLastNode().has_value());
  EXPECT_EQ(replaced->historyLastNode(), "7");

  // The source changed after copying does not reach its copies either.
  source.addNodeToHistory("4");
  EXPECT_EQ(sibling->nodeHistory(), (std::vector<std::string>{"1", "2"}));
}

// One change stamped on many elements: each gets exactly the change, whatever list it had,
// and those that shared a list share the new one.
TEST(MVElementHistory, OneChangeOverManyElements)
{
  MVElement source;
  source.setNodeHistory({"1"});
  // More distinct lists than a change remembers, each met twice, in turn.
  constexpr int kLists = 12;
  std::vector<std::shared_ptr<MVElement>> elements;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kLists; ++i) {
      auto element = std::make_shared<MVElement>();
      if (i > 0) {
        element->setNodeHistory({std::to_string(i)});
      }
      elements.push_back(round == 0 ? element : elements[static_cast<std::size_t>(i)]->copy());
    }
  }
  MVNodeHistoryChange appending = MVNodeHistoryChange::appending("9");
  for (const auto& element : elements) {
    element->changeNodeHistory(appending);
  }
  for (std::size_t i = 0; i < elements.size(); ++i) {
    SCOPED_TRACE(i);
    const std::size_t list = i % kLists;
    const std::vector<std::string> expected =
        list == 0 ? std::vector<std::string>{"9"} : std::vector<std::string>{std::to_string(list), "9"};
    EXPECT_EQ(elements[i]->nodeHistory(), expected);
  }
  // Copies that share a list share the stamped one.
  const auto first = source.copy();
  const auto second = source.copy();
  first->changeNodeHistory(appending);
  second->changeNodeHistory(appending);
  EXPECT_EQ(second->nodeHistory(), (std::vector<std::string>{"1", "9"}));
  EXPECT_EQ(&first->nodeHistory(), &second->nodeHistory());

  // With the node's own one-entry list at hand, an empty history takes that list itself and a
  // longer one still gets a new list.
  const auto entry = std::make_shared<const std::vector<std::string>>(1, "6");
  MVNodeHistoryChange withEntry = MVNodeHistoryChange::appending("6", entry);
  auto fresh = std::make_shared<MVElement>();
  fresh->changeNodeHistory(withEntry);
  second->changeNodeHistory(withEntry);
  EXPECT_EQ(&fresh->nodeHistory(), entry.get());
  EXPECT_EQ(second->nodeHistory(), (std::vector<std::string>{"1", "9", "6"}));
  EXPECT_EQ(*entry, std::vector<std::string>{"6"});

  // A replacing change gives every element the same list.
  MVNodeHistoryChange replacing = MVNodeHistoryChange::replacingWith({"5"});
  first->changeNodeHistory(replacing);
  elements.front()->changeNodeHistory(replacing);
  EXPECT_EQ(first->nodeHistory(), std::vector<std::string>{"5"});
  EXPECT_EQ(&first->nodeHistory(), &elements.front()->nodeHistory());
  EXPECT_EQ(source.nodeHistory(), std::vector<std::string>{"1"});
}

}  // namespace
