#include "MorvNode/Nodes/Elements/ElementNode.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Elements/ElementLineNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

namespace {

// A shape node whose fill opacity applies even without a fill colour.
class SeparateOpacityShapeNode : public ElementShapeNode {
public:
  void initNodeParameters() override
  {
    ElementShapeNode::initNodeParameters();
    hasSeparateOpacity_ = true;
  }
};

// An element node that generates a group whose array pivot is (10, 0).
class GroupElementNode : public ElementNode {
public:
  std::shared_ptr<MVElement> generateElement() override
  {
    auto group = std::make_shared<MVElementGroup>();
    for (const double x : {0.0, 20.0}) {
      auto member = std::make_shared<MVElementPath>();
      member->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(4)));
      member->setPositionX(x, 0);
      group->addElementWithoutRecalculatingPivot(member);
    }
    return group;
  }
};

class ElementNodeTest : public NodeGraphTest {
protected:
  // The node's output as the artboard pulls it.
  static std::shared_ptr<const MVElement> output(MVNode* node) { return node->graphicsParameterNamed("Graphics")->element(); }
  static std::shared_ptr<const MVElementPath> pathOutput(MVNode* node)
  {
    return std::dynamic_pointer_cast<const MVElementPath>(output(node));
  }
  // A node of a class that is not registered, made and initialised as the controller does.
  template <class Node>
  std::unique_ptr<Node> makeNode()
  {
    auto node = std::make_unique<Node>();
    node->setNodeController(&controller());
    node->setUndoDelegate(&document);
    node->initWithNodeID(controller().uniqueNodeID());
    return node;
  }
};

std::vector<std::string> parameterNames(const MVNode& node)
{
  std::vector<std::string> names;
  for (const auto& parameter : node.parameters()) {
    names.push_back(parameter->name());
  }
  return names;
}

TEST_F(ElementNodeTest, NewShapeNodeIsABlackThirtyUnitRectangleAtTheOrigin)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  ASSERT_NE(shape, nullptr);
  const auto element = pathOutput(shape);
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->elementName(), "Rectangle");
  EXPECT_EQ(*element->cgPath(), MVElementPath::cgPathForRectangleWithWidth(30, 30));
  EXPECT_EQ(element->width(), 30);
  EXPECT_EQ(element->height(), 30);
  EXPECT_EQ(element->fillColor(), pf::Color::rgb(0, 0, 0));
  EXPECT_EQ(element->fillOpacity(), 1);
  EXPECT_EQ(element->strokeWidth(), 0);
  EXPECT_FALSE(element->strokeColor());
  EXPECT_EQ(element->positionX(), 0);
  EXPECT_EQ(element->positionY(), 0);
  EXPECT_FALSE(element->transformStack() && !element->transformStack()->empty());
  EXPECT_EQ(element->nodeHistory(), std::vector<std::string>{shape->nodeId()});
  EXPECT_NE(element->elementID(), 0);  // given the controller
}

TEST_F(ElementNodeTest, TheHistoryOfANewElementFollowsTheNodesId)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  ASSERT_NE(shape, nullptr);
  ASSERT_NE(pathOutput(shape), nullptr);
  const std::string first = shape->nodeId();
  shape->setNodeId(first + "-renamed");
  shape->clearCachedValues();
  const auto renamed = pathOutput(shape);
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->nodeHistory(), std::vector<std::string>{first + "-renamed"});
  shape->setNodeId(first);
  shape->clearCachedValues();
  EXPECT_EQ(pathOutput(shape)->nodeHistory(), std::vector<std::string>{first});
}

// A layer gathering more inputs than MVParameterSocket asks ahead for (the size where it reads
// the next inputs' memory in advance), some of them disabled, so that an inputs' read ahead
// meets connections of every kind: the group holds each enabled shape's own element, in
// connection order, also after a refresh has replaced every element.
TEST_F(ElementNodeTest, ALayerOfThousandsOfShapesGathersEachShapesElementInOrder)
{
  document.pauseUndoRegistration();
  constexpr std::size_t kShapes = MVParameterSocket::kElementPullsAskedAheadFrom + 9;
  std::vector<ElementShapeNode*> shapes;
  for (std::size_t i = 0; i < kShapes; ++i) {
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    ASSERT_NE(shape, nullptr);
    shape->indexParameterNamed("Type")->setIndex(static_cast<long long>(i % 8));
    shape->setEnabled(i % 5 != 3);
    ASSERT_NE(connectToLayer(shape), nullptr);
    shapes.push_back(shape);
  }
  MVParameterGraphics* layer = artboard().layers().front();
  for (const int round : {0, 1}) {
    SCOPED_TRACE(round);
    for (ElementShapeNode* shape : shapes) {
      shape->clearCachedValues();
    }
    layer->inputChanged();
    const auto* group = dynamic_cast<const MVElementGroup*>(layer->element().get());
    ASSERT_NE(group, nullptr);
    std::vector<const MVElement*> expected;
    for (ElementShapeNode* shape : shapes) {
      if (const MVElement* element = shape->graphicsParameter()->cachedElement().get()) {
        EXPECT_EQ(element->nodeHistory(), std::vector<std::string>{shape->nodeId()});
        expected.push_back(element);
      }
    }
    EXPECT_EQ(expected.size(), kShapes - kShapes / 5 - (kShapes % 5 > 3 ? 1 : 0));
    std::vector<const MVElement*> members;
    for (const auto& member : group->elementArray()) {
      members.push_back(member.get());
    }
    EXPECT_EQ(members, expected);
  }
  document.resumeUndoRegistration();
}

TEST_F(ElementNodeTest, ShapeRowsStandInTheSavedOrder)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  EXPECT_EQ(parameterNames(*shape),
            (std::vector<std::string>{"Graphics", "Type", "Sides", "Inner Diameter", "Pie wedge", "Size", "Shift",
                                      "Angle", "Diameter 2", "Rounding", "Rounding 2", "Position", "Rotation",
                                      "Fill Color", "Fill Opacity", "Stroke Color", "Stroke Opacity", "Stroke Width",
                                      "Has Stroke Caps Joints", "Stroke Caps", "Stroke Joints"}));
  EXPECT_EQ(log.countContaining("is invalid, added parameter last"), 0);
}

TEST_F(ElementNodeTest, NodesOfAClassShareTheirChoiceListsAndTooltips)
{
  auto* first = add<ElementShapeNode>("ElementShapeNode");
  auto* second = add<ElementShapeNode>("ElementShapeNode");
  MVParameterIndex* firstType = first->indexParameterNamed("Type");
  MVParameterIndex* secondType = second->indexParameterNamed("Type");
  EXPECT_EQ(&firstType->indexNames(), &secondType->indexNames());
  EXPECT_EQ(&firstType->indexTooltips(), &secondType->indexTooltips());
  EXPECT_EQ(&firstType->tooltip(), &secondType->tooltip());
  EXPECT_EQ(&first->sizeParameter()->inputSockets()[0]->tooltip(),
            &second->sizeParameter()->inputSockets()[0]->tooltip());
  EXPECT_EQ(firstType->indexNames().at(1), "Rectangle");

  // A list set on one node is its own: the other keeps the class's.
  firstType->setIndexNames({"Only"});
  EXPECT_EQ(firstType->indexNames(), std::vector<std::string>{"Only"});
  EXPECT_EQ(secondType->indexNames().size(), 8u);
  EXPECT_EQ(secondType->indexName(), "Rectangle");
}

TEST_F(ElementNodeTest, DisabledNodeDeliversNothingButItsPreviewIsStyled)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->fillColorParameter()->setColor(pf::Color::rgb(1, 0, 0));
  shape->setEnabled(false);
  EXPECT_EQ(output(shape), nullptr);
  const auto preview = shape->graphicsPreviewElementForParameter(shape->graphicsParameter(), nullptr);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->elementName(), "Rectangle");
  EXPECT_EQ(preview->fillColor(), pf::Color::rgb(1, 0, 0));
  // The parameter's preview asks the node although nothing was generated.
  EXPECT_EQ(shape->graphicsParameter()->element(), nullptr);
  const auto shown = shape->graphicsParameter()->previewElement();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->fillColor(), pf::Color::rgb(1, 0, 0));
  // An enabled node has no preview without an element.
  shape->setEnabled(true);
  EXPECT_EQ(shape->graphicsPreviewElementForParameter(shape->graphicsParameter(), nullptr), nullptr);
}

TEST_F(ElementNodeTest, FillOpacityFollowsTheFillToggleUnlessOpacityIsSeparate)
{
  auto* plain = add<ElementShapeNode>("ElementShapeNode");
  plain->fillOpacityParameter()->setValue(0.4);
  plain->fillColorParameter()->setEnabled(false);
  EXPECT_EQ(output(plain)->fillOpacity(), 0);

  const auto separate = makeNode<SeparateOpacityShapeNode>();
  separate->fillOpacityParameter()->setValue(0.4);
  separate->fillColorParameter()->setEnabled(false);
  EXPECT_DOUBLE_EQ(output(separate.get())->fillOpacity(), 0.4);
}

TEST_F(ElementNodeTest, RotationAddsAnEntryOnlyWhenEnabledAndNotZero)
{
  struct Case {
    bool enabled;
    double angle;
    std::vector<MVTransformEntry> expected;
  };
  const Case cases[] = {
      {false, 45, {}},
      {true, 0, {}},
      {true, 30, {{MVTransformKind::Rotate, 30, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    shape->rotationParameter()->setEnabled(c.enabled);
    shape->rotationParameter()->setValue(c.angle);
    const auto element = output(shape);
    EXPECT_EQ(element->transformStack().value_or(MVTransformStack{}), c.expected);
  }
}

TEST_F(ElementNodeTest, CapsAndJointsNeedStrokeAndTheirToggle)
{
  struct Case {
    bool stroke;
    bool capsToggle;
    int expectedCap;
    int expectedJoint;
  };
  for (const Case& c : {Case{false, true, 0, 0}, Case{true, false, 0, 0}, Case{true, true, 2, 1}}) {
    SCOPED_TRACE(testing::Message() << c.stroke << c.capsToggle);
    auto* line = add<ElementLineNode>("ElementLineNode");
    line->strokeColorParameter()->setEnabled(c.stroke);
    line->strokeCapsAndJointsParameter()->setEnabled(c.capsToggle);
    line->strokeCapsTypeParameter()->setIndex(2);
    line->strokeJointsTypeParameter()->setIndex(1);
    const auto element = output(line);
    EXPECT_EQ(element->strokeEndCap(), c.expectedCap);
    EXPECT_EQ(element->strokeJoints(), c.expectedJoint);
    // The cap rows are shown only when they apply.
    EXPECT_EQ(line->strokeCapsTypeParameter()->layoutHidden(), !(c.stroke && c.capsToggle));
  }
}

TEST_F(ElementNodeTest, GroupElementIsMovedSoThatItsPivotLandsOnThePosition)
{
  const auto node = makeNode<GroupElementNode>();
  node->positionParameter()->setValueX(100, 50);
  const auto group = std::dynamic_pointer_cast<const MVElementGroup>(output(node.get()));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->arrayPivotX(), 10);
  EXPECT_EQ(group->positionX(), 90);
  EXPECT_EQ(group->positionY(), 50);
}

TEST_F(ElementNodeTest, ShapeTypesBuildTheirFactoryPathsNamesAndBoxes)
{
  const double pi = std::numbers::pi;
  struct Case {
    long long type;
    bool pieWedge;
    double innerDiameter;
    const char* name;
    pf::Path path;
  };
  const Case cases[] = {
      {ElementShapeNode::kEllipse, true, 10, "Ellipse", MVElementPath::cgPathForEllipseWithWidth(30, 20)},
      {ElementShapeNode::kRightTriangle, true, 10, "Triangle", MVElementPath::cgPathForRightTriangleWithWidth(30, 20)},
      {ElementShapeNode::kParallelogram, true, 10, "Parallelogram",
       MVElementPath::cgPathForParallelogramWithWidth(30, 20, 10)},
      {ElementShapeNode::kTrapezoid, true, 10, "Trapezoid", MVElementPath::cgPathForTrapeziodWithWidth(30, 20, 10)},
      {ElementShapeNode::kPolygon, true, 10, "Polygon", MVElementPath::cgPathForRoundedPolygonWithRadius(15, 6, 0)},
      {ElementShapeNode::kStarPolygon, true, 10, "Star",
       MVElementPath::cgPathForRoundedStarWithOuterRadius(15, 10, 6, 0, 0)},
      {ElementShapeNode::kArcWedge, false, 10, "Arc", MVElementPath::cgPathForCircleSegmentWithRadius(15, pi / 2, false)},
      {ElementShapeNode::kArcWedge, true, 0, "Arc wedge", MVElementPath::cgPathForCircleSegmentWithRadius(15, pi / 2, true)},
      {ElementShapeNode::kArcWedge, true, 10, "Arc wedge",
       MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(5, 15, pi / 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.type);
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    shape->indexParameterNamed("Type")->setIndex(c.type);
    shape->sizeParameter()->setAspectLocked(false);
    shape->sizeParameter()->setValueX(30, 20);
    shape->boolParameterNamed("Pie wedge")->setValue(c.pieWedge);
    shape->valueParameterNamed("Inner Diameter")->setValue(c.innerDiameter);
    const auto element = pathOutput(shape);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->elementName(), c.name);
    EXPECT_EQ(*element->cgPath(), c.path);
    // The element measures the path, not "Size".
    const pf::Rect box = *c.path.bounds();
    EXPECT_DOUBLE_EQ(element->width(), box.width());
    EXPECT_DOUBLE_EQ(element->height(), box.height());
  }
}

TEST_F(ElementNodeTest, RoundingAppliesOnlyWhileItsToggleIsOn)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kStarPolygon);
  shape->valueParameterNamed("Rounding")->setValue(0.5);
  shape->valueParameterNamed("Rounding 2")->setValue(-0.5);
  EXPECT_EQ(*pathOutput(shape)->cgPath(), MVElementPath::cgPathForRoundedStarWithOuterRadius(15, 10, 6, 0, 0));
  EXPECT_TRUE(shape->parameterNamed("Rounding 2")->layoutHidden());

  shape->parameterNamed("Rounding")->setEnabled(true);
  EXPECT_EQ(*pathOutput(shape)->cgPath(), MVElementPath::cgPathForRoundedStarWithOuterRadius(15, 10, 6, 0.5, -0.5));
  EXPECT_FALSE(shape->parameterNamed("Rounding 2")->layoutHidden());
}

TEST_F(ElementNodeTest, TypeDecidesWhichRowsShow)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  const auto shown = [shape] {
    std::vector<std::string> names;
    for (const auto& parameter : shape->parameters()) {
      if (!parameter->layoutHidden()) {
        names.push_back(parameter->name());
      }
    }
    return names;
  };
  const std::vector<std::string> styleRows = {"Position", "Rotation", "Fill Color", "Fill Opacity", "Stroke Color"};
  const auto with = [&styleRows](std::vector<std::string> names) {
    names.insert(names.end(), styleRows.begin(), styleRows.end());
    return names;
  };
  EXPECT_EQ(shown(), with({"Graphics", "Type", "Size"}));
  EXPECT_TRUE(shape->sizeParameter()->layoutShowY());
  EXPECT_EQ(shape->sizeParameter()->displayNameX(), "Width");

  shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kStarPolygon);
  EXPECT_EQ(shown(), with({"Graphics", "Type", "Sides", "Size", "Diameter 2", "Rounding"}));
  EXPECT_FALSE(shape->sizeParameter()->layoutShowY());
  EXPECT_EQ(shape->sizeParameter()->displayNameX(), "Diameter");

  shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kArcWedge);
  EXPECT_EQ(shown(), with({"Graphics", "Type", "Inner Diameter", "Pie wedge", "Size", "Angle"}));
  shape->boolParameterNamed("Pie wedge")->setValue(false);
  EXPECT_TRUE(shape->parameterNamed("Inner Diameter")->layoutHidden());

  shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kParallelogram);
  EXPECT_EQ(shown(), with({"Graphics", "Type", "Size", "Shift"}));
}

TEST_F(ElementNodeTest, AngleIsLimitedToAFullTurn)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  MVParameterValue* angle = shape->valueParameterNamed("Angle");
  angle->setValue(400);
  EXPECT_EQ(angle->value(), 360);
  angle->setValue(-10);
  EXPECT_EQ(angle->value(), 0);
}

TEST_F(ElementNodeTest, NewLineIsAThirtyUnitStrokedLineAroundThePosition)
{
  auto* line = add<ElementLineNode>("ElementLineNode");
  line->positionParameter()->setValueX(50, 60);
  const auto element = pathOutput(line);
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->elementName(), "Line");
  EXPECT_EQ(*element->cgPath(), MVElementPath::cgPathForLineFromX(-15, 0, 15, 0));
  EXPECT_FALSE(element->closedPath());
  EXPECT_EQ(element->strokeColor(), pf::Color::rgb(0, 0, 0));
  EXPECT_EQ(element->strokeWidth(), 1);
  EXPECT_EQ(element->width(), 30);
  EXPECT_EQ(element->height(), 1);
  EXPECT_EQ(element->positionX(), 50);
  EXPECT_EQ(element->positionY(), 60);
  EXPECT_FALSE(element->fillColor());  // the fill step does not apply
  EXPECT_TRUE(line->fillColorParameter()->layoutHidden());
  EXPECT_EQ(line->sizeParameter()->displayNameX(), "Length");
  EXPECT_FALSE(line->sizeParameter()->layoutShowY());

  line->strokeColorParameter()->setEnabled(false);
  const auto unstroked = pathOutput(line);
  EXPECT_EQ(unstroked->strokeWidth(), 0);
  EXPECT_EQ(unstroked->height(), 0);
}

TEST_F(ElementNodeTest, WarningsNameWhatWillNotBeDrawn)
{
  const std::string unconnected = "This node Graphics output is not connected to anything, so the output will not be "
                                  "added to the artboard. Drag the blue output graphics to an arboard graphics layer "
                                  "socket or another node.";
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->fillColorParameter()->setEnabled(false);
  shape->checkWarnings();
  EXPECT_EQ(shape->warningMessages(),
            (std::vector<std::string>{unconnected, "This shape node has both fill and stroke toggled off, so nothing "
                                                   "will be drawn in the output."}));

  auto* line = add<ElementLineNode>("ElementLineNode");
  connectToLayer(line);
  line->strokeColorParameter()->setEnabled(false);
  line->checkWarnings();
  EXPECT_EQ(line->warningMessages(),
            std::vector<std::string>{"This line node has stroke toggled off, so nothing will be drawn in the output."});
}

TEST_F(ElementNodeTest, SidesAboveTheCeilingAreCappedWithAWarning)
{
  // A typed or computed count must not build millions of segments.
  for (const long long type : {ElementShapeNode::kPolygon, ElementShapeNode::kStarPolygon}) {
    SCOPED_TRACE(type);
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    connectToLayer(shape);
    shape->indexParameterNamed("Type")->setIndex(type);
    shape->valueParameterNamed("Sides")->setValue(50000);
    const auto element = pathOutput(shape);
    ASSERT_NE(element, nullptr);
    const pf::Path capped = type == ElementShapeNode::kPolygon
                                ? MVElementPath::cgPathForRoundedPolygonWithRadius(15, ElementShapeNode::kMaxSides, 0)
                                : MVElementPath::cgPathForRoundedStarWithOuterRadius(15, 10, ElementShapeNode::kMaxSides, 0, 0);
    EXPECT_EQ(*element->cgPath(), capped);
    shape->checkWarnings();
    EXPECT_EQ(shape->warningMessages(),
              std::vector<std::string>{"The number of sides is limited to 10000, the shape is drawn with 10000 sides."});

    shape->valueParameterNamed("Sides")->setValue(ElementShapeNode::kMaxSides);
    shape->checkWarnings();
    EXPECT_TRUE(shape->warningMessages().empty());
  }
}

TEST_F(ElementNodeTest, ShapeWarningsFollowEveryChangeBetweenGenerations)
{
  // The controller keeps a shape's warnings from one generation to the next until something
  // they read changes: each change below must reach them by the next generation.
  const std::string unconnected = "This node Graphics output is not connected to anything, so the output will not be "
                                  "added to the artboard. Drag the blue output graphics to an arboard graphics layer "
                                  "socket or another node.";
  const std::string unfilled = "This shape node has both fill and stroke toggled off, so nothing will be drawn in the "
                               "output.";
  const std::string capped = "The number of sides is limited to 10000, the shape is drawn with 10000 sides.";
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  MVConnection* output = connectToLayer(shape);
  shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kStarPolygon);
  const auto warningsAfterGeneration = [&] {
    controller().regenerate();
    return shape->warningMessages();
  };
  ASSERT_TRUE(warningsAfterGeneration().empty());

  shape->fillColorParameter()->setEnabled(false);
  EXPECT_EQ(warningsAfterGeneration(), std::vector<std::string>{unfilled});
  step([&] { shape->fillColorParameter()->setEnabled(true); });
  EXPECT_TRUE(warningsAfterGeneration().empty());
  undo();
  EXPECT_EQ(warningsAfterGeneration(), std::vector<std::string>{unfilled});
  shape->fillColorParameter()->setEnabled(true);
  EXPECT_TRUE(warningsAfterGeneration().empty());

  controller().removeConnection(output);
  EXPECT_EQ(warningsAfterGeneration(), std::vector<std::string>{unconnected});
  connectToLayer(shape);
  EXPECT_TRUE(warningsAfterGeneration().empty());

  // A record loaded into the node sets its values without telling it.
  shape->valueParameterNamed("Sides")->setValue(50000);
  const pf::PlistValue::Dictionary manySides = shape->descriptionDictionary();
  shape->valueParameterNamed("Sides")->setValue(6);
  EXPECT_TRUE(warningsAfterGeneration().empty());
  shape->loadNodeDictionary(manySides);
  EXPECT_EQ(warningsAfterGeneration(), std::vector<std::string>{capped});
  shape->valueParameterNamed("Sides")->setValue(6);
  EXPECT_TRUE(warningsAfterGeneration().empty());

  // A value from upstream.
  auto* sides = add<ValueNode>("ValueNode");
  sides->valueParameter()->setValue(6);
  ASSERT_NE(controller().addConnectionFromSocket(sides->valueParameter()->outputSocket(),
                                                 shape->valueParameterNamed("Sides")->inputSocket()),
            nullptr);
  EXPECT_TRUE(warningsAfterGeneration().empty());
  sides->valueParameter()->setValue(50000);
  EXPECT_EQ(warningsAfterGeneration(), std::vector<std::string>{capped});
}

TEST_F(ElementNodeTest, SetPositionCommandsUseTheArtboard)
{
  artboard().sizeParameter()->setValueX(300, 200);
  regenerate();  // the controller reads the artboard size
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->menuPositionCenter();
  EXPECT_EQ(shape->positionParameter()->valueX(), 150);
  EXPECT_EQ(shape->positionParameter()->valueY(), 100);
  shape->menuPositionTopLeft();
  EXPECT_EQ(shape->positionParameter()->valueX(), 0);
  EXPECT_EQ(shape->positionParameter()->valueY(), 0);
}

TEST_F(ElementNodeTest, ClassConstantsComeFromTheRegistry)
{
  for (const char* className : {"ElementNode", "ElementShapeNode", "ElementLineNode"}) {
    SCOPED_TRACE(className);
    const MVNodeClass* info = MVClassRegistry::shared().nodeClass(className);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->displayTypeName, "Element");
    EXPECT_EQ(info->iconName.rfind("node_icon_", 0), 0u);
    auto* node = add(className);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->className(), className);
    EXPECT_TRUE(node->isElementNode());
  }
}

}  // namespace
