#include "MorvNode/Nodes/Change/ChangeClipNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class ChangeClipNodeTest : public ChangeGraphTest {
protected:
  // A 40 x 40 square centred at (50, 50).
  static std::shared_ptr<MVElementPath> square()
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(40)));
    path->setWidth(40);
    path->setHeight(40);
    path->setPositionX(50, 50);
    path->setElementName("square");
    return path;
  }
  // A circle of radius 10 centred at (60, 50).
  static std::shared_ptr<MVElementPath> circle()
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(10)));
    path->setWidth(20);
    path->setHeight(20);
    path->setPositionX(60, 50);
    return path;
  }
  // A clip node fed `input`, with `mask` on "Clipping mask" when given.
  ChangeClipNode* clip(std::shared_ptr<const MVElement> input, std::shared_ptr<const MVElement> mask)
  {
    auto* node = add<ChangeClipNode>("ChangeClipNode");
    feed(node, std::move(input));
    connectToLayer(node);
    if (mask != nullptr) {
      auto* source = add<FixedGraphicsNode>("TestFixedGraphicsNode");
      source->setElement(std::move(mask));
      controller().addConnectionFromSocket(source->graphicsParameterNamed("Graphics")->outputSocket(),
                                           node->clippingMaskParameter()->inputSocket());
    }
    return node;
  }
  static bool hasWarning(MVNode* node, const std::string& message)
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
  static constexpr const char* kNoMask = "No clipping mask graphics element connected, so the elements will not be clipped.";
  static constexpr const char* kNoPath =
      "Could not generate vector clipping path from the connected clipping mask element.";
};

TEST_F(ChangeClipNodeTest, ClipsToTheMaskOrItsInverse)
{
  for (const bool invert : {false, true}) {
    SCOPED_TRACE(invert);
    ChangeClipNode* node = clip(square(), circle());
    node->invertParameter()->setValue(invert);
    const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->elementName(), "square clipped");
    EXPECT_EQ(names(output.get()), (std::vector<std::string>{"square"}));
    ASSERT_TRUE(output->hasClippingMask());
    const pf::Path& path = *output->cgClipPath();
    // The circle's centre, and a corner of the square outside the circle.
    EXPECT_EQ(path.contains({60, 50}, pf::FillRule::EvenOdd), !invert);
    EXPECT_EQ(path.contains({32, 32}, pf::FillRule::EvenOdd), invert);
    if (!invert) {
      // The pivot sits on the clip's centre.
      EXPECT_NEAR(output->arrayPivotX(), 60, 1e-9);
      EXPECT_NEAR(output->arrayPivotY(), 50, 1e-9);
    }
    EXPECT_FALSE(hasWarning(node, kNoMask));
    EXPECT_FALSE(hasWarning(node, kNoPath));
  }
}

TEST_F(ChangeClipNodeTest, WithoutMaskAClippedGroupGivesItsFirstMemberWhereItWasDrawn)
{
  auto clipped = std::make_shared<MVElementGroup>();
  clipped->addElement(square());
  clipped->setClipPath(std::make_shared<const pf::Path>(pf::Path().addRect({40, 40, 10, 10})));
  clipped->offsetPositionX(5, 0);
  ChangeClipNode* node = clip(clipped, nullptr);
  const std::shared_ptr<const MVElement> output = pull(node);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->elementName(), "square");
  EXPECT_FALSE(output->hasClippingMask());
  EXPECT_DOUBLE_EQ(output->transformedBoundingBoxNested()->midX(), 55);
  EXPECT_TRUE(hasWarning(node, kNoMask));

  // An unclipped input passes as it is.
  const std::shared_ptr<MVElementPath> plain = square();
  EXPECT_EQ(pull(clip(plain, nullptr)), plain);
}

TEST_F(ChangeClipNodeTest, MasksWithoutOutlinePassTheInputAndWarn)
{
  auto images = std::make_shared<MVElementGroup>();
  images->addElement(std::make_shared<MVElementImage>());
  for (const std::shared_ptr<const MVElement>& mask :
       std::vector<std::shared_ptr<const MVElement>>{std::make_shared<MVElementImage>(), images,
                                                    std::make_shared<MVElementPath>()}) {
    SCOPED_TRACE(mask->className());
    const std::shared_ptr<MVElementPath> input = square();
    ChangeClipNode* node = clip(input, mask);
    EXPECT_EQ(pull(node), input);
    EXPECT_TRUE(hasWarning(node, kNoPath));
  }
}

TEST_F(ChangeClipNodeTest, GroupOutlineGathersEveryPathInParentSpace)
{
  auto group = std::make_shared<MVElementGroup>();
  group->addElement(circle());
  auto other = circle();
  other->setPositionX(100, 50);
  group->addElement(other);
  group->addElement(std::make_shared<MVElementImage>());
  group->offsetPositionX(0, 10);
  const pf::SharedPath outline = ChangeClipNode::clipPathFromElement(*group);
  ASSERT_NE(outline, nullptr);
  const pf::Rect bounds = outline->bounds().value();
  EXPECT_NEAR(bounds.minX(), 50, 1e-9);
  EXPECT_NEAR(bounds.maxX(), 110, 1e-9);
  EXPECT_NEAR(bounds.midY(), 60, 1e-9);
}

TEST_F(ChangeClipNodeTest, PreviewOutlinesTheMaskInRed)
{
  ChangeClipNode* node = clip(square(), circle());
  pull(node);
  const auto preview = std::dynamic_pointer_cast<const MVElementGroup>(
      node->graphicsPreviewElementForParameter(node->graphicsParameter(), square()));
  ASSERT_EQ(preview->count(), 2);
  const MVElement& outline = *preview->elementArray()[1];
  EXPECT_EQ(outline.strokeColor(), pf::Color::rgb(1, 0, 0));
  EXPECT_DOUBLE_EQ(outline.strokeWidth(), 1.0);  // the square's 40 high / 40
  EXPECT_EQ(outline.fillOpacity(), 0);
}

TEST_F(ChangeClipNodeTest, TheNodeReferenceClipsItsSampleGroupByItsSampleCircle)
{
  auto* node = add<ChangeClipNode>("ChangeClipNode");
  node->setReferenceMode(true);
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->elementName(), "Reference group clipped");
  ASSERT_TRUE(output->hasClippingMask());
  EXPECT_TRUE(output->cgClipPath()->contains({20, 20}, pf::FillRule::EvenOdd));
  EXPECT_FALSE(output->cgClipPath()->contains({50, 50}, pf::FillRule::EvenOdd));
}

}  // namespace
