#include "MorvNode/Elements/MVElementGroup.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ElementTestSupport.h"
#include "MorvNode/Elements/MVElementPath.h"

namespace {

using elementtest::expectNear;
using elementtest::expectSameMapping;
using elementtest::FakeElementController;
using elementtest::LogCapture;

std::shared_ptr<MVElement> leaf(const std::string& name, pf::Point position = {})
{
  auto element = std::make_shared<MVElement>();
  element->setElementName(name);
  element->setPositionX(position.x, position.y);
  return element;
}

std::shared_ptr<MVElementPath> square(const std::string& name, pf::Point position, double side)
{
  auto element = std::make_shared<MVElementPath>();
  element->setElementName(name);
  element->setPositionX(position.x, position.y);
  element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(side)));
  return element;
}

std::vector<std::string> names(const MVElementGroup& group)
{
  std::vector<std::string> result;
  for (const auto& child : group.elementArray()) {
    result.push_back(child->elementName().value_or("?"));
  }
  return result;
}

void applyStack(MVElement& element, const MVTransformStack& stack)
{
  for (const MVTransformEntry& entry : stack) {
    switch (entry.kind) {
    case MVTransformKind::Rotate:
      element.rotate(entry.a);
      break;
    case MVTransformKind::Scale:
      element.scaleX(entry.a, entry.b);
      break;
    case MVTransformKind::PivotOffset:
      element.offsetPivotX(entry.a, entry.b);
      break;
    }
  }
}

TEST(MVElementGroupPivot, FirstCalculationSetsLaterOnesMoveThePosition)
{
  MVElementGroup group;
  group.addElementWithoutRecalculatingPivot(leaf("a", {0, 0}));
  group.addElementWithoutRecalculatingPivot(leaf("b", {10, 20}));
  group.recalculateArrayPivot();
  EXPECT_EQ(group.arrayPivotX(), 5);
  EXPECT_EQ(group.arrayPivotY(), 10);
  EXPECT_TRUE(group.hasCalculatedPivot());

  // With the pivot set, new content moves the position, and a pivot offset keeps the drawing.
  group.rotate(90);
  const pf::AffineTransform before = group.affineTransform();
  group.addElement(leaf("c", {30, 0}));
  EXPECT_EQ(group.arrayPivotX(), 5);
  EXPECT_EQ(group.arrayPivotY(), 10);
  expectSameMapping(group.affineTransform(), before);
  // The content's centre (15, 10) is drawn at (5, 20): the position follows it.
  expectNear({group.positionX(), group.positionY()}, {0, 10});
  ASSERT_EQ(group.transformStack()->size(), 2u);
  EXPECT_EQ(group.transformStack()->back().kind, MVTransformKind::PivotOffset);

  // A clip path decides the pivot whatever the children.
  MVElementGroup clipped;
  pf::Path clip;
  clip.addRect({100, 100, 20, 40});
  clipped.setClipPath(std::make_shared<const pf::Path>(clip));
  clipped.addElement(leaf("a", {0, 0}));
  EXPECT_EQ(clipped.arrayPivotX(), 110);
  EXPECT_EQ(clipped.arrayPivotY(), 120);

  // An empty clip path leaves it to the children.
  MVElementGroup emptyClip;
  emptyClip.setClipPath(std::make_shared<const pf::Path>());
  emptyClip.addElement(leaf("a", {4, 6}));
  EXPECT_EQ(emptyClip.arrayPivotX(), 4);
  EXPECT_EQ(emptyClip.arrayPivotY(), 6);

  // Without clip, layout path or children: the origin.
  MVElementGroup empty;
  empty.recalculateArrayPivot();
  EXPECT_EQ(empty.arrayPivotX(), 0);
  EXPECT_TRUE(empty.hasCalculatedPivot());
}

TEST(MVElementGroupPivot, SpanGatheredWithTheChildrenGivesTheSamePivot)
{
  // Children with positions and pivots of their own, as a caller gathers them one by one.
  auto inner = std::make_shared<MVElementGroup>();
  inner->addElement(leaf("x", {-8, 2}));
  inner->addElement(leaf("y", {12, 30}));
  const std::vector<std::shared_ptr<const MVElement>> children = {leaf("a", {3, -7}), inner, leaf("b", {41, 5})};
  MVElementGroup read;
  MVElementGroup gathered;
  MVElementGroup::PivotSpan span;
  for (const auto& child : children) {
    read.addElementWithoutRecalculatingPivot(child);
    gathered.addElementWithoutRecalculatingPivot(child);
    span.add(*child);
  }
  read.recalculateArrayPivot();
  gathered.recalculateArrayPivot(span);
  EXPECT_EQ(gathered.arrayPivotX(), read.arrayPivotX());
  EXPECT_EQ(gathered.arrayPivotY(), read.arrayPivotY());
  EXPECT_EQ(read.arrayPivotX(), 21.5);  // the inner group counts at its pivot, x = 2

  // A clip path still decides over the gathered span.
  pf::Path clip;
  clip.addRect({0, 0, 10, 10});
  MVElementGroup clipped;
  clipped.setClipPath(std::make_shared<const pf::Path>(clip));
  clipped.recalculateArrayPivot(span);
  EXPECT_EQ(clipped.arrayPivotX(), 5);
}

TEST(MVElementGroupFolding, TransformedChildStandsInTheGroupsPlace)
{
  const struct {
    const char* name;
    pf::Point pivot;
    pf::Point position;
    MVTransformStack stack;
  } groups[] = {
      {"turned about its pivot", {5, 10}, {3, 4}, {{MVTransformKind::Rotate, 90, 0}}},
      {"scaled at the origin", {0, 0}, {0, 0}, {{MVTransformKind::Scale, 2, 3}}},
      {"everything",
       {-7, 2},
       {10, -1},
       {{MVTransformKind::PivotOffset, 2, 1},
        {MVTransformKind::Rotate, 45, 0},
        {MVTransformKind::Scale, 0.5, 2},
        {MVTransformKind::PivotOffset, -3, 4}}},
  };
  for (const auto& g : groups) {
    SCOPED_TRACE(g.name);
    MVElementGroup group;
    group.addElementWithoutRecalculatingPivot(leaf("plain", {1, 2}));
    auto transformed = leaf("transformed", {-4, 6});
    applyStack(*transformed,
               {{MVTransformKind::Rotate, 20, 0}, {MVTransformKind::PivotOffset, 1, 1}, {MVTransformKind::Scale, 3, 1}});
    group.addElementWithoutRecalculatingPivot(transformed);
    auto inner = std::make_shared<MVElementGroup>();
    inner->addElement(leaf("deep", {4, 6}));
    inner->setPositionX(5, 5);
    applyStack(*inner, {{MVTransformKind::Scale, 2, 2}, {MVTransformKind::Rotate, -60, 0}});
    group.addElementWithoutRecalculatingPivot(inner);
    group.setArrayPivotX(g.pivot.x);
    group.setArrayPivotY(g.pivot.y);
    group.setPositionX(g.position.x, g.position.y);
    applyStack(group, g.stack);

    for (long i = 0; i < group.count(); ++i) {
      SCOPED_TRACE(i);
      const MVElement& child = *group.elementArray()[static_cast<std::size_t>(i)];
      const auto folded = group.transformedElementAtIndex(i);
      ASSERT_NE(folded, nullptr);
      EXPECT_EQ(folded->elementName(), child.elementName());
      expectSameMapping(folded->affineTransform(), group.affineTransform().concatenated(child.affineTransform()));
    }
    EXPECT_EQ(group.transformedElementAtIndex(3), nullptr);
    EXPECT_EQ(group.transformedElementAtIndex(-1), nullptr);
  }
}

TEST(MVElementGroupFolding, FlatteningOneLevelKeepsClippedGroups)
{
  auto b = leaf("B", {1, 0});
  auto c = leaf("C", {0, 1});
  auto sub = std::make_shared<MVElementGroup>();
  sub->addElement(b);
  sub->addElement(c);
  sub->rotate(90);
  sub->setPositionX(50, 0);

  auto deeper = std::make_shared<MVElementGroup>();
  deeper->addElement(leaf("E"));
  auto nested = std::make_shared<MVElementGroup>();
  nested->setElementName("nested");
  nested->addElement(deeper);

  pf::Path clip;
  clip.addRect({0, 0, 10, 10});
  auto clippedOne = std::make_shared<MVElementGroup>();
  clippedOne->setElementName("clipped one");
  clippedOne->addElement(leaf("F"));
  clippedOne->setClipPath(std::make_shared<const pf::Path>(clip));
  auto clippedTwo = std::make_shared<MVElementGroup>();
  clippedTwo->setElementName("clipped two");
  clippedTwo->addElement(leaf("G"));
  clippedTwo->addElement(leaf("H"));
  clippedTwo->setClipPath(std::make_shared<const pf::Path>(clip));

  MVElementGroup group;
  group.setElementArray({leaf("A"), sub, clippedOne, leaf("D"), clippedTwo, nested});
  group.flattenSubArrays();
  // Leaves and clipped groups keep their order, the contents of flattened groups follow, and a
  // group among them is not flattened again.
  EXPECT_EQ(names(group), (std::vector<std::string>{"A", "clipped one", "D", "clipped two", "B", "C", "?"}));
  const MVElement& bFolded = *group.elementArray()[4];
  expectSameMapping(bFolded.affineTransform(), sub->affineTransform().concatenated(b->affineTransform()));
  EXPECT_EQ(dynamic_cast<const MVElementGroup*>(group.elementArray()[6].get())->count(), 1);
}

TEST(MVElementGroupDescription, TypesCountsAndStyleGetters)
{
  MVElementGroup paths;
  EXPECT_FALSE(paths.elementTypeDescription().has_value());
  EXPECT_EQ(paths.fillOpacity(), 0);
  EXPECT_EQ(paths.strokeOpacity(), 0);
  EXPECT_FALSE(paths.fillColor().has_value());
  EXPECT_EQ(paths.numberOfSubElements(), 0);

  paths.addElement(square("a", {}, 1));
  EXPECT_EQ(paths.elementTypeDescription(), "path element");
  paths.addElement(square("b", {}, 1));
  EXPECT_EQ(paths.elementTypeDescription(), "path elements");
  paths.addElement(leaf("c"));
  EXPECT_EQ(paths.elementTypeDescription(), "mixed type elements");

  MVElementGroup outer;
  outer.setElementName("outer");
  outer.addElement(paths.copy());
  EXPECT_EQ(outer.elementTypeDescription(), "group");
  EXPECT_EQ(outer.numberOfElements(), 1);
  EXPECT_EQ(outer.numberOfSubElements(), 3);
  EXPECT_EQ(outer.arrayDescription(), "<MVElementGroup 'outer'(0) 1 elements>\n - <MVElementGroup '(null)'(0) 3 elements>");
}

TEST(MVElementGroupStyle, SettersReachEveryLeaf)
{
  MVElementGroup inner;
  inner.addElement(square("a", {}, 1));
  MVElementGroup group;
  group.addElement(leaf("b"));
  group.addElement(inner.copy());
  group.setFillColor(pf::Color::rgb(1, 0, 0));
  group.setStrokeWidth(3);
  group.setStrokeEndCap(2);
  group.adjustFillOpacity(-0.25);
  group.addNodeToHistory("9");
  const auto& deep = *dynamic_cast<const MVElementGroup&>(*group.elementArray()[1]).elementArray()[0];
  EXPECT_EQ(deep.fillColor(), pf::Color::rgb(1, 0, 0));
  EXPECT_EQ(deep.strokeWidth(), 3);
  EXPECT_EQ(deep.strokeEndCap(), 2);
  EXPECT_EQ(deep.fillOpacity(), 0.75);
  EXPECT_EQ(deep.nodeHistory(), std::vector<std::string>{"9"});
  // The group answers for its first child; its own width stays, its cap is kept as well.
  EXPECT_EQ(group.fillOpacity(), 0.75);
  EXPECT_EQ(group.strokeWidth(), 0);
  EXPECT_EQ(group.strokeEndCap(), 2);
  EXPECT_TRUE(group.isNodeHistorySelected({"9"}));
}

// A group's history change reaches every member once, nested ones included, and never a tree
// that shares those members.
TEST(MVElementGroupHistory, AddReachesEveryMemberOnceAndLeavesSharersAlone)
{
  auto shape = leaf("shape");
  shape->addNodeToHistory("1");
  auto inner = std::make_shared<MVElementGroup>();
  inner->addElement(shape->copy());
  inner->addElement(shape->copy());
  MVElementGroup group;
  group.addElement(shape->copy());
  group.addElement(shape->copy());
  group.addElement(inner);
  group.addNodeToHistory("2");  // before the copy below: members are the group's own
  const auto before = group.copy();
  group.addNodeToHistory("3");

  const std::vector<std::string> stamped{"1", "2", "3"};
  const auto& members = group.elementArray();
  EXPECT_EQ(members[0]->nodeHistory(), stamped);
  EXPECT_EQ(members[1]->nodeHistory(), stamped);
  const auto& nested = dynamic_cast<const MVElementGroup&>(*members[2]);
  EXPECT_EQ(nested.nodeHistory(), (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(nested.elementArray()[0]->nodeHistory(), stamped);
  EXPECT_EQ(nested.elementArray()[1]->nodeHistory(), stamped);
  EXPECT_EQ(group.nodeHistory(), (std::vector<std::string>{"2", "3"}));

  // The copy taken in between, and the shape, keep what they had.
  const auto& earlier = dynamic_cast<const MVElementGroup&>(*before);
  EXPECT_EQ(earlier.nodeHistory(), std::vector<std::string>{"2"});
  EXPECT_EQ(earlier.elementArray()[0]->nodeHistory(), (std::vector<std::string>{"1", "2"}));
  const auto& earlierNested = dynamic_cast<const MVElementGroup&>(*earlier.elementArray()[2]);
  EXPECT_EQ(earlierNested.elementArray()[1]->nodeHistory(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(shape->nodeHistory(), std::vector<std::string>{"1"});

  // Resetting empties every member, again without reaching the copy.
  group.resetNodeHistory();
  const auto& resetNested = dynamic_cast<const MVElementGroup&>(*group.elementArray()[2]);
  EXPECT_TRUE(resetNested.elementArray()[0]->nodeHistory().empty());
  EXPECT_EQ(earlierNested.elementArray()[0]->nodeHistory(), (std::vector<std::string>{"1", "2"}));
}

TEST(MVElementGroupHitTest, TopmostChildWinsInsideTheClip)
{
  MVElementGroup group;
  group.addElement(square("bottom", {0, 0}, 20));
  group.addElement(square("top", {5, 5}, 20));
  group.setPositionX(group.positionX() + 100, group.positionY());
  const struct {
    pf::Point point;
    const char* hit;
  } cases[] = {{{107, 7}, "top"}, {{92, -8}, "bottom"}, {{114, 14}, "top"}, {{120, 0}, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point.description());
    const MVElement* hit = group.elementAtPoint(c.point);
    if (c.hit == nullptr) {
      EXPECT_EQ(hit, nullptr);
    } else {
      ASSERT_NE(hit, nullptr);
      EXPECT_EQ(hit->elementName(), c.hit);
    }
  }

  // A clip hides the children outside it; inside it the group answers where no child is hit.
  MVElementGroup clipped;
  clipped.addElementWithoutRecalculatingPivot(square("child", {0, 0}, 20));
  pf::Path clip;
  clip.addRect({-10, -10, 40, 15});
  clipped.setClipPath(std::make_shared<const pf::Path>(clip));
  EXPECT_EQ(clipped.elementAtPoint({0, 0})->elementName(), "child");
  EXPECT_EQ(clipped.elementAtPoint({0, 8}), nullptr);      // the child, outside the clip
  EXPECT_EQ(clipped.elementAtPoint({20, 0}), &clipped);    // the clip, no child
  EXPECT_EQ(MVElementGroup().elementAtPoint({0, 0}), nullptr);

  LogCapture log;
  EXPECT_FALSE(clipped.pointInElement({0, 0}));
  EXPECT_EQ(log.lines(), std::vector<std::string>{"MVElementGroup pointInElement called (should not happen)"});
}

TEST(MVElementGroupBoxes, ChildrenClipAndLayout)
{
  MVElementGroup group;
  EXPECT_FALSE(group.boundingBoxNested().has_value());
  EXPECT_FALSE(group.transformedBoundingBoxNested().has_value());

  group.addElement(square("a", {0, 0}, 10));
  group.addElement(square("b", {20, 10}, 10));
  expectNear(*group.boundingBoxNested(), {-5, -5, 30, 20});
  // Turned by 90 degrees: the pivot offset of the second addition makes it turn about the
  // content centre (10, 5).
  group.rotate(90);
  expectNear(*group.transformedBoundingBoxNested(), {0, -10, 20, 30});
  expectNear(*group.transformedBoundingBoxNested(pf::AffineTransform::translation(0, 100)), {0, 90, 20, 30});

  // A layout path stands for the extent; a clip path wins in the transformed box, the layout
  // path in the untransformed one.
  pf::Path layout;
  layout.addRect({0, 0, 4, 2});
  pf::Path clip;
  clip.addRect({0, 0, 2, 2});
  group.setLayoutPath(std::make_shared<const pf::Path>(layout));
  expectNear(*group.boundingBoxNested(), {0, 0, 4, 2});
  expectNear(*group.transformedBoundingBoxNested(), {13, -5, 2, 4});
  group.setClipPath(std::make_shared<const pf::Path>(clip));
  expectNear(*group.boundingBoxNested(), {0, 0, 4, 2});
  expectNear(*group.transformedBoundingBoxNested(), {13, -5, 2, 2});
}

TEST(MVElementGroupCulling, ChildrenOutsideTheArtboardGo)
{
  FakeElementController controller;  // 200 x 100
  MVElementGroup group;
  group.setNodeController(&controller);
  group.addElementWithoutRecalculatingPivot(square("in", {0, 50}, 10));
  group.addElementWithoutRecalculatingPivot(square("out", {150, 50}, 10));
  auto far = std::make_shared<MVElementGroup>();
  far->setElementName("far");
  far->addElement(square("far out", {0, 500}, 10));
  group.addElementWithoutRecalculatingPivot(far);
  auto near = std::make_shared<MVElementGroup>();
  near->setElementName("near");
  near->addElement(square("near in", {-50, 50}, 10));
  near->addElement(square("near out", {0, -50}, 10));
  group.addElementWithoutRecalculatingPivot(near);
  group.setPositionX(100, 0);

  MVElementGroup uncontrolled;
  uncontrolled.addElement(square("out", {1000, 0}, 1));
  uncontrolled.cullElementsOutsideArtboard();
  EXPECT_EQ(uncontrolled.count(), 1);

  group.cullElementsOutsideArtboard();
  EXPECT_EQ(names(group), (std::vector<std::string>{"in", "near"}));
  // The sub-group is shared with this test, so the group culled a copy of it.
  const auto culledNear = std::static_pointer_cast<MVElementGroup>(group.mutableElementAtIndex(1));
  EXPECT_EQ(names(*culledNear), std::vector<std::string>{"near in"});
  EXPECT_EQ(names(*near), (std::vector<std::string>{"near in", "near out"}));

  // Invisible children go the same way.
  culledNear->mutableElementAtIndex(0)->setFillOpacity(0);
  group.cullInvisibleElements();
  EXPECT_EQ(names(group), std::vector<std::string>{"in"});

  // Matching by element ID removes copies too.
  FakeElementController ids;
  MVElementGroup byID;
  auto a = leaf("a");
  a->setNodeController(&ids);
  auto b = leaf("b");
  b->setNodeController(&ids);
  byID.addElement(a);
  byID.addElement(b);
  byID.addElement(a->copy());
  byID.cullElementsMatchingArray({a->copy()});
  EXPECT_EQ(names(byID), std::vector<std::string>{"b"});
}

TEST(MVElementGroupClip, MaskTransformsNeedAClip)
{
  MVElementGroup group;
  group.setElementName("g");
  {
    LogCapture log;
    group.transformClippingMaskOffsetX(1, 1);
    group.transformClippingMaskScaleX(2, 2);
    group.transformClippingMaskRotate(90);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "Warning, calling transformClippingMaskOffsetX:Y: on element <MVElementGroup 'g'(0) 0 "
                             "elements> with no cgClipPath",
                             "Warning, calling transformClippingMaskScaleX:Y: on element <MVElementGroup 'g'(0) 0 "
                             "elements> with no cgClipPath",
                             "Warning, calling transformClippingMaskRotate: on element <MVElementGroup 'g'(0) 0 "
                             "elements> with no cgClipPath",
                         }));
    EXPECT_EQ(group.arrayPivotX(), 0);
  }
  pf::Path clip;
  clip.addRect({0, 0, 10, 4});
  const auto original = std::make_shared<const pf::Path>(clip);
  group.setClipPath(original);
  group.setArrayPivotX(5);
  group.setArrayPivotY(2);
  group.transformClippingMaskScaleX(2, 3);  // about the pivot
  EXPECT_EQ(group.cgClipPath()->bounds(), pf::Rect(-5, -4, 20, 12));
  group.transformClippingMaskRotate(90);
  expectNear(*group.cgClipPath()->bounds(), {-1, -8, 12, 20});
  group.transformClippingMaskOffsetX(10, 0);
  EXPECT_EQ(group.arrayPivotX(), 15);
  EXPECT_EQ(original->bounds(), pf::Rect(0, 0, 10, 4));  // the shared path is never changed
}

TEST(MVElementGroupLifeCycle, CopiesShareChildrenUntilChangedReleaseLeavesSharedChildren)
{
  FakeElementController controller;
  MVElementGroup group;
  group.setNodeController(&controller);
  auto child = square("a", {}, 2);
  child->setNodeController(&controller);
  group.addElement(child);
  const auto copy = std::dynamic_pointer_cast<MVElementGroup>(group.copy());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->elementID(), group.elementID());
  ASSERT_EQ(copy->count(), 1);
  EXPECT_EQ(copy->elementArray()[0], child);  // shared until changed
  std::shared_ptr<MVElement> changed = copy->mutableElementAtIndex(0);
  EXPECT_NE(changed, child);
  EXPECT_EQ(changed->elementID(), child->elementID());
  changed->setPositionX(9, 9);
  EXPECT_EQ(child->positionX(), 0);
  EXPECT_EQ(group.elementArray()[0], child);
  // A child the group alone holds changes in place.
  const MVElement* own = changed.get();
  changed.reset();
  EXPECT_EQ(copy->mutableElementAtIndex(0).get(), own);

  copy->releaseResources();
  EXPECT_EQ(copy->count(), 0);
  EXPECT_FALSE(child->hasReleasedResources());
  EXPECT_EQ(group.count(), 1);
}

TEST(MVElementGroupReference, NineBlackSquares)
{
  FakeElementController controller;
  const auto group = MVElementGroup::referenceGroup(&controller);
  EXPECT_EQ(group->elementName(), "Reference group");
  ASSERT_EQ(group->count(), 9);
  EXPECT_EQ(group->elementID(), 1);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    const auto* path = dynamic_cast<const MVElementPath*>(group->elementArray()[static_cast<std::size_t>(i)].get());
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->elementName(), "Rectangle");
    EXPECT_EQ(path->positionX(), 20 * (i / 3));  // column by column
    EXPECT_EQ(path->positionY(), 20 * (i % 3));
    EXPECT_EQ(path->fillColor(), pf::Color::rgb(0, 0, 0, 1));
    EXPECT_EQ(path->cgPath()->bounds(), pf::Rect(-7.5, -7.5, 15, 15));
    EXPECT_EQ(path->elementID(), i + 2);
  }
  // The first square set the pivot; each later one moved the position by the content centre's
  // offset from it and cancelled the move with a pivot offset.
  EXPECT_EQ(group->arrayPivotX(), 0);
  EXPECT_EQ(group->arrayPivotY(), 0);
  expectNear({group->positionX(), group->positionY()}, {90, 150});
  expectNear({group->pivotOffsetX(), group->pivotOffsetY()}, {-90, -150});
  expectNear(*group->transformedBoundingBoxNested(), {-7.5, -7.5, 55, 55});
}

}  // namespace
