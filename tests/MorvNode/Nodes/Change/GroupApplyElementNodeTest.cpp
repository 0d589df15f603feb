#include "MorvNode/Nodes/Change/GroupApplyElementNode.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class GroupApplyElementNodeTest : public ChangeGraphTest {
protected:
  GroupApplyElementNode* applyGraphics() { return add<GroupApplyElementNode>("GroupApplyElementNode"); }
  // A filled w x h rectangle centred on (x, y).
  static std::shared_ptr<MVElementPath> rectangle(double w, double h, double x, double y, pf::Color fill,
                                                  double opacity = 1)
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(w, h)));
    path->setWidth(w);
    path->setHeight(h);
    path->setPositionX(x, y);
    path->setFillColor(fill);
    path->setFillOpacity(opacity);
    return path;
  }
  // The mask: the square (0, 0)-(100, 100), opaque black on its left half and 50 % grey on
  // its right half.
  static std::shared_ptr<MVElementGroup> halves()
  {
    auto mask = std::make_shared<MVElementGroup>();
    mask->addElementWithoutRecalculatingPivot(rectangle(50, 100, 25, 50, pf::Color::black()));
    mask->addElementWithoutRecalculatingPivot(rectangle(50, 100, 75, 50, pf::Color::grey(0.5)));
    mask->recalculateArrayPivot();
    return mask;
  }
  // A source of `mask` connected to the node's "Image"; the source.
  FixedGraphicsNode* feedMask(GroupApplyElementNode* node, std::shared_ptr<const MVElement> mask)
  {
    auto* source = add<FixedGraphicsNode>("TestFixedGraphicsNode");
    source->setElement(std::move(mask));
    controller().addConnectionFromSocket(source->graphicsParameterNamed("Graphics")->outputSocket(),
                                         node->imageParameter()->inputSocket());
    return source;
  }
  // Leaves at the given points, each with a green fill and a stroke of width 1.
  static std::shared_ptr<MVElementGroup> at(const std::vector<pf::Point>& points)
  {
    auto group = std::make_shared<MVElementGroup>();
    for (std::size_t k = 0; k < points.size(); ++k) {
      std::shared_ptr<MVElement> element = leaf(static_cast<int>(k), points[k].x, points[k].y);
      element->setFillColor(pf::Color::rgb(0, 1, 0));
      element->setStrokeWidth(1);
      group->addElementWithoutRecalculatingPivot(std::move(element));
    }
    group->recalculateArrayPivot();
    return group;
  }
  static const MVElement& member(const std::shared_ptr<const MVElement>& output, std::size_t k)
  {
    return *dynamic_cast<const MVElementGroup&>(*output).elementArray().at(k);
  }
  // The x factor of the element's scale entries (the stack of a placed copy also holds the
  // pivot offsets of its group).
  static double scaleOf(const MVElement& element)
  {
    double factor = 1.0;
    for (const MVTransformEntry& entry : element.transformStack().value_or(MVTransformStack{})) {
      if (entry.kind == MVTransformKind::Scale) {
        factor *= entry.a;
      }
    }
    return factor;
  }
};

TEST_F(GroupApplyElementNodeTest, DarknessUnderEachMemberScalesIt)
{
  GroupApplyElementNode* node = applyGraphics();
  feed(node, at({{25, 50}, {75, 50}, {200, 50}}));
  feedMask(node, halves());
  const std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_DOUBLE_EQ(scaleOf(member(output, 0)), 1.0);        // opaque black: Max
  EXPECT_NEAR(scaleOf(member(output, 1)), 0.75, 0.005);     // grey: half way
  EXPECT_DOUBLE_EQ(scaleOf(member(output, 2)), 0.5);        // outside: Min
  EXPECT_EQ(member(output, 0).historyLastNode(), node->nodeId());
}

TEST_F(GroupApplyElementNodeTest, StyleSlotsActOnlyOnValidSamples)
{
  struct Case {
    const char* what;
    long long slot;
  };
  for (const Case& c : {Case{"fill opacity", GroupApplyElementNode::kFillOpacity},
                        Case{"stroke opacity", GroupApplyElementNode::kStrokeOpacity},
                        Case{"stroke width", GroupApplyElementNode::kStrokeWidth}}) {
    SCOPED_TRACE(c.what);
    GroupApplyElementNode* node = applyGraphics();
    feed(node, at({{25, 50}, {200, 50}}));
    feedMask(node, halves());
    node->transformationParameter()->setIndex(c.slot);
    node->minParameter()->setValue(0.2);
    node->maxParameter()->setValue(1.6);
    const std::shared_ptr<const MVElement> output = pull(node);
    const MVElement& inside = member(output, 0);
    const MVElement& outside = member(output, 1);
    switch (c.slot) {
    case GroupApplyElementNode::kFillOpacity:
      EXPECT_EQ(inside.fillOpacity(), 1.0);  // 1.6 held to 1
      EXPECT_EQ(outside.fillOpacity(), 1.0);
      break;
    case GroupApplyElementNode::kStrokeOpacity:
      EXPECT_EQ(inside.strokeOpacity(), 1.0);
      EXPECT_EQ(outside.strokeOpacity(), 1.0);
      break;
    default:
      EXPECT_DOUBLE_EQ(inside.strokeWidth(), 1.6);
      EXPECT_EQ(outside.strokeWidth(), 1.0);
      break;
    }
  }
}

TEST_F(GroupApplyElementNodeTest, ColourSlotsSetTheSampledColour)
{
  auto mask = std::make_shared<MVElementGroup>();
  mask->addElementWithoutRecalculatingPivot(rectangle(50, 100, 25, 50, pf::Color::rgb(1, 0, 0), 0.5));
  mask->addElementWithoutRecalculatingPivot(rectangle(50, 100, 75, 50, pf::Color::rgb(0, 0, 1), 0.01));
  mask->recalculateArrayPivot();
  struct Case {
    const char* what;
    long long slot;
    bool mixOn;
    pf::Color expected;
  };
  const std::vector<Case> cases = {
      {"half-transparent red gives opaque red", GroupApplyElementNode::kFillColor, false, pf::Color::rgb(1, 0, 0)},
      {"a quarter of it mixed in", GroupApplyElementNode::kFillColor, true, pf::Color::rgb(0.25, 0.75, 0)},
      {"the stroke", GroupApplyElementNode::kStrokeColor, false, pf::Color::rgb(1, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GroupApplyElementNode* node = applyGraphics();
    auto input = at({{25, 50}, {75, 50}});
    input->setStrokeColor(pf::Color::rgb(0, 1, 0));
    feed(node, input);
    feedMask(node, mask);
    node->transformationParameter()->setIndex(c.slot);
    node->fillColorMixParameter()->setEnabled(c.mixOn);
    node->fillColorMixParameter()->setValue(0.25);
    const std::shared_ptr<const MVElement> output = pull(node);
    const bool fill = c.slot == GroupApplyElementNode::kFillColor;
    const std::optional<pf::Color> set = fill ? member(output, 0).fillColor() : member(output, 0).strokeColor();
    ASSERT_TRUE(set);
    EXPECT_NEAR(set->red(), c.expected.red(), 0.01);
    EXPECT_NEAR(set->green(), c.expected.green(), 0.01);
    EXPECT_NEAR(set->blue(), c.expected.blue(), 0.01);
    // Nearly transparent blue is below the threshold: the colour stays.
    EXPECT_EQ(fill ? member(output, 1).fillColor() : member(output, 1).strokeColor(), pf::Color::rgb(0, 1, 0));
    node->updateLinkedParameters();
    EXPECT_TRUE(node->minParameter()->layoutHidden());
    EXPECT_FALSE(node->fillColorMixParameter()->layoutHidden());
  }
}

TEST_F(GroupApplyElementNodeTest, ColourShiftsWrapOnceAndColourTheUncoloured)
{
  GroupApplyElementNode* node = applyGraphics();
  auto input = at({{200, 0}, {210, 0}});
  input->setFillColor(pf::Color::hsb(0.9, 1, 1));
  auto nested = std::make_shared<MVElementGroup>();
  nested->addElement(leaf(7));
  nested->offsetPositionX(300, 0);  // off the mask
  input->addElement(nested);  // a member group whose leaf has no fill
  feed(node, input);
  feedMask(node, halves());
  node->transformationParameter()->setIndex(GroupApplyElementNode::kFillHue);
  node->minParameter()->setValue(0.3);  // everything is outside the mask: v = Min
  std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_NEAR(member(output, 0).fillColor()->hue(), 0.2, 1e-6);
  // One turn at most: 0.9 + 1.3 stays above 1 after it and is read as the end of the circle.
  node->minParameter()->setValue(1.3);
  output = pull(node);
  EXPECT_NEAR(member(output, 0).fillColor()->hue(), 0.0, 1e-6);
  EXPECT_NEAR(member(output, 0).fillColor()->red(), 1.0, 1e-6);

  node->transformationParameter()->setIndex(GroupApplyElementNode::kFillBrightness);
  node->minParameter()->setValue(0.6);
  output = pull(node);
  const auto& sub = dynamic_cast<const MVElementGroup&>(member(output, 2));
  const std::optional<pf::Color> made = sub.elementArray()[0]->fillColor();
  ASSERT_TRUE(made);
  EXPECT_NEAR(made->brightness(), 0.6, 1e-6);
  EXPECT_NEAR(made->saturation(), 0.0, 1e-6);
}

TEST_F(GroupApplyElementNodeTest, OutputIsANewGroupOfPlacedCopies)
{
  GroupApplyElementNode* node = applyGraphics();
  auto input = at({{25, 50}, {75, 50}, {30, 20}, {60, 20}});
  input->offsetPositionX(100, 0);  // moves every member off the mask
  feed(node, input);
  feedMask(node, halves());
  node->changeModeParameter()->setIndex(1);  // Selected, Half
  std::shared_ptr<const MVElement> output = pull(node);
  ASSERT_EQ(output->numberOfElements(), 4);
  EXPECT_EQ(member(output, 1).positionX(), 175);  // the group's offset folded in
  EXPECT_DOUBLE_EQ(scaleOf(member(output, 0)), 0.5);
  EXPECT_DOUBLE_EQ(scaleOf(member(output, 1)), 1.0);  // skipped
  EXPECT_TRUE(member(output, 1).nodeHistory().empty());
  EXPECT_EQ(input->positionX(), 100);
  EXPECT_TRUE(input->elementArray()[0]->nodeHistory().empty());

  node->transformationParameter()->setIndex(GroupApplyElementNode::kRemovalChance);
  node->minParameter()->setValue(1.0);
  EXPECT_EQ(names(pull(node).get()), (std::vector<std::string>{"m1", "m3"}));
}

TEST_F(GroupApplyElementNodeTest, MaskIsRenderedOncePerMaskTree)
{
  GroupApplyElementNode* node = applyGraphics();
  FixedGraphicsNode* input = feed(node, at({{25, 50}}));
  const std::shared_ptr<MVElementGroup> mask = halves();
  FixedGraphicsNode* maskSource = feedMask(node, mask);
  pull(node);
  pull(node);
  input->setElement(at({{75, 50}}));
  EXPECT_NEAR(scaleOf(member(pull(node), 0)), 0.75, 0.005);
  EXPECT_EQ(node->maskRenderCount(), 1);

  // A mask evaluated afresh is drawn again, even as a copy keeping the element IDs.
  std::shared_ptr<MVElement> copy = mask->copy();
  copy->offsetPositionX(-50, 0);  // now the grey half lies under x = 25
  maskSource->setElement(copy);
  input->setElement(at({{25, 50}}));
  EXPECT_NEAR(scaleOf(member(pull(node), 0)), 0.75, 0.005);
  EXPECT_EQ(node->maskRenderCount(), 2);
}

TEST_F(GroupApplyElementNodeTest, SingleElementChangesAtItsOwnPosition)
{
  GroupApplyElementNode* node = applyGraphics();
  std::shared_ptr<MVElement> single = leaf(0, 25, 50);
  single->setFillColor(pf::Color::rgb(0, 1, 0));
  feed(node, single);
  feedMask(node, halves());
  std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_DOUBLE_EQ(scaleOf(*output), 1.0);
  EXPECT_TRUE(output->nodeHistory().empty());
  EXPECT_FALSE(single->transformStack().has_value());

  node->transformationParameter()->setIndex(GroupApplyElementNode::kFillColor);
  EXPECT_EQ(pull(node)->fillColor(), pf::Color::black());
  node->transformationParameter()->setIndex(GroupApplyElementNode::kRemovalChance);
  node->minParameter()->setValue(1.0);
  EXPECT_NE(pull(node), nullptr);  // a single element is never removed
}

TEST_F(GroupApplyElementNodeTest, MissingOrEmptyMaskLeavesTheInput)
{
  GroupApplyElementNode* node = applyGraphics();
  connectToLayer(node);
  const std::shared_ptr<MVElementGroup> input = at({{25, 50}});
  feed(node, input);
  EXPECT_EQ(pull(node), input);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages().back(), "No Graphics mask element connected, so no adjustments will be made.");

  auto empty = std::make_shared<MVElementGroup>();
  feedMask(node, empty);
  EXPECT_EQ(pull(node), input);
  EXPECT_GE(log.countContaining("failed to render sourceImageBitmapRep"), 1);
  EXPECT_EQ(node->maskRenderCount(), 0);
}

TEST_F(GroupApplyElementNodeTest, ReferenceMaskAndPreview)
{
  GroupApplyElementNode* node = applyGraphics();
  const std::shared_ptr<const MVElement> circle = node->getReferenceInputGraphicsNamed("Image");
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->elementName(), "Mask circle");
  EXPECT_EQ(circle->positionX(), 10);
  EXPECT_EQ(circle->fillColor(), pf::Color::rgb(1, 0, 0));

  const std::shared_ptr<MVElementGroup> input = at({{25, 50}});
  feed(node, input);
  EXPECT_EQ(node->graphicsPreviewElementForParameter(node->graphicsParameter(), nullptr), nullptr);
  const std::shared_ptr<const MVElement> alone = node->graphicsPreviewElementForParameter(node->graphicsParameter(), input);
  EXPECT_EQ(alone->numberOfElements(), 1);
  feedMask(node, halves());
  const std::shared_ptr<const MVElement> preview = node->graphicsPreviewElementForParameter(node->graphicsParameter(), input);
  ASSERT_EQ(preview->numberOfElements(), 2);
  EXPECT_EQ(member(preview, 1).fillOpacity(), 0.5);
}

}  // namespace
