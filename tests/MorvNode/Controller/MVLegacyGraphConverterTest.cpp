#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVLegacyGraphConverter.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/DocumentFileTestSupport.h"
#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Font.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

// Stands in for the node classes of other families: it keeps the older record it was given and
// has an expression value ("Value"), a value ("Diameter"), a two-axis value ("Position") and an
// element output ("Graphics").
class LegacyStandInNode : public MVNode {
public:
  explicit LegacyStandInNode(const MVNodeClass& nodeClass) : nodeClass_(nodeClass) {}
  const MVNodeClass& nodeClass() const override { return nodeClass_; }

  static MVNodeClass classNamed(const std::string& className)
  {
    MVNodeClass nodeClass;
    nodeClass.className = className;
    nodeClass.displayName = className;
    nodeClass.create = [className] { return std::make_unique<LegacyStandInNode>(classNamed(className)); };
    return nodeClass;
  }

  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    addParameter(MVParameterValueExpression::parameterWithName("Value"));
    addParameter(MVParameterValue::parameterWithName("Diameter"));
    addParameter(MVParameterValue2D::parameterWithName("Position"));
    auto graphics = MVParameterGraphics::parameterWithName("Graphics");
    graphics->setHasInputSocket(false);
    graphics->setHasOutputSocket(true);
    graphics->setGraphicsSource(this);
    addParameter(std::move(graphics));
  }
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override
  {
    legacyRecord = record;
    return MVNode::loadLegacyMV2NodeDictionary(record);
  }

  pf::PlistValue::Dictionary legacyRecord;

private:
  MVNodeClass nodeClass_;
};

pf::PlistValue::Dictionary oldNode(const std::string& className, const std::string& nodeId,
                                   pf::PlistValue::Dictionary values = {})
{
  return pf::PlistValue::Dictionary{
      {"Node type name", className}, {"Node id", nodeId}, {"Node title", "Old title"}, {"Parameter values", std::move(values)}};
}

pf::PlistValue::Dictionary oldConnection(const std::string& from, const std::string& fromParameter, const std::string& to,
                                         const std::string& toParameter)
{
  return pf::PlistValue::Dictionary{{"From node id", from},
                                    {"From socket parameter", fromParameter},
                                    {"To node id", to},
                                    {"To socket parameter", toParameter}};
}

class LegacyGraphConverter : public DocumentFileTest {
protected:
  LegacyGraphConverter()
  {
    for (const char* className : {"ValueNodeIndexNode", "ChangeColorNode", "ValueMathNode", "RepeatRadialNode",
                                  "ValueMiniMathNode", "AnimationInfoNode", "GroupSelectNode"}) {
      standIns_.push_back(std::make_unique<ScopedNodeClass>(LegacyStandInNode::classNamed(className)));
    }
  }

  MVNodeController& controller() { return document->nodeController(); }
  // Converts the nodes and then the connections, as the document does.
  void convert(const pf::PlistValue::Array& nodes, const pf::PlistValue::Array& connections = {})
  {
    converter.loadLegacyMV2NodesFromArray(nodes);
    converter.loadLegacyMV2ConnectionsFromArray(MVLegacyGraphConverter::processLegacyMV2ConnectionsArray(connections, nodes));
  }
  LegacyStandInNode* standIn(const std::string& nodeId)
  {
    return dynamic_cast<LegacyStandInNode*>(controller().nodeWithId(nodeId));
  }
  const pf::PlistValue::Dictionary& valuesOf(const std::string& nodeId)
  {
    return *standIn(nodeId)->legacyRecord.find("Parameter values")->asDictionary();
  }
  std::vector<std::string> warnings() { return controller().fileLoadingWarnings(); }

  std::unique_ptr<MVDocument> document = newDocument();
  MVLegacyGraphConverter converter{document->nodeController()};

private:
  std::vector<std::unique_ptr<ScopedNodeClass>> standIns_;
};

TEST_F(LegacyGraphConverter, TheTableHasOneRowPerOldClassAndLaterPairsWin)
{
  const pf::PlistValue::Dictionary& table = MVLegacyGraphConverter::legacyNodeTranslationDictionary();
  EXPECT_EQ(table.size(), 41u);
  const pf::PlistValue* elementIndex = table.find("ValueElementIndexNode");
  ASSERT_NE(elementIndex, nullptr);
  EXPECT_EQ(*elementIndex->find("ParameterConversion"), pf::PlistValue(pf::PlistValue::Dictionary{{"Index", "Value"}}));
  const pf::PlistValue* colorAdjustment = table.find("ApplyColorAdjustmentNode")->find("ParameterConversion");
  EXPECT_EQ(*colorAdjustment->find("Hue"), pf::PlistValue("Stroke Hue"));
  EXPECT_EQ(*table.find("ClipNode")->find("ParameterConversion"), pf::PlistValue(pf::PlistValue::Dictionary{{"", ""}}));
}

TEST_F(LegacyGraphConverter, OldRecordsAreRenamedAndAdjustedBeforeTheirNodesReadThem)
{
  convert({
      pf::PlistValue(oldNode("ValueElementIndexNode", "1", {{"Index", 3}})),
      pf::PlistValue(oldNode("ApplyColorAdjustmentNode", "2", {{"Hue", 0.2}, {"Adjust fill color", true}})),
      pf::PlistValue(oldNode("ValueDivideNode", "3", {{"Result", 7.0}})),
      pf::PlistValue(oldNode("ValueFunctionNode", "4", {{"Function", 99}})),
      pf::PlistValue(oldNode("ArraySplitNode", "5", {{"Mode", 1}, {"Seed", 4}})),
  });
  EXPECT_EQ(valuesOf("1"), (pf::PlistValue::Dictionary{{"Value", 3}}));
  EXPECT_FALSE(standIn("1")->legacyRecord.contains("Node title"));

  EXPECT_EQ(valuesOf("2"), (pf::PlistValue::Dictionary{{"Apply fill color", true},
                                                       {"Stroke Hue", 0.2},
                                                       {"Stroke Color Mode", 1},
                                                       {"Fill Color Mode", 1}}));
  EXPECT_EQ(*standIn("2")->legacyRecord.find("Change Mode"), pf::PlistValue(1));
  EXPECT_EQ(standIn("2")->className(), "ChangeColorNode");

  EXPECT_EQ(valuesOf("3"), (pf::PlistValue::Dictionary{{"Value", "a/b"}}));
  EXPECT_EQ(standIn("3")->className(), "ValueMathNode");
  EXPECT_EQ(valuesOf("4"), (pf::PlistValue::Dictionary{{"Value", "(a+b)*c"}}));  // clamped to the last function
  EXPECT_EQ(valuesOf("5"), (pf::PlistValue::Dictionary{{"Selection Seed", 4},
                                                       {"Selection Mode", 5},
                                                       {"Element Selection Mode", 0}}));
  // The expression text reaches the parameter through the node's own reading.
  EXPECT_EQ(standIn("3")->expressionParameterNamed("Value")->expressionString(), "a/b");
  EXPECT_TRUE(warnings().empty());
}

// The text node reads its own part of an older record: the text, the font, the old size as the
// text's height and the value switch.
TEST_F(LegacyGraphConverter, OldTextNodesKeepTheirTextFontAndHeight)
{
  pf::PlistValue::Dictionary record = oldNode("ElementTypeNode", "1", {{"Size", 44.0}, {"Value based text", true}});
  record.set("Text", "Hi [val]");
  record.set("Font name", "DejaVuSerif-Bold");
  convert({pf::PlistValue(record)});
  MVNode* text = controller().nodeWithId("1");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->className(), "ElementTextNode");
  EXPECT_EQ(text->parameterNamed<MVParameterString>("Text")->string(), "Hi [val]");
  EXPECT_EQ(text->value2DParameterNamed("Size")->localValueY(), 44.0);
  EXPECT_TRUE(text->parameterNamed("Value")->enabled());
  if (pf::Font::named("DejaVuSerif-Bold", 12)) {
    EXPECT_EQ(text->parameterNamed<MVParameterFont>("Font")->font()->fontName(), "DejaVuSerif-Bold");
    EXPECT_TRUE(warnings().empty());
  }
}

TEST_F(LegacyGraphConverter, RemovedAndUnknownClassesBecomeOneWarningEach)
{
  convert({pf::PlistValue(oldNode("RepeatCustomNode", "1")), pf::PlistValue(oldNode("RepeatCustomNode", "2")),
           pf::PlistValue(oldNode("OutputNode", "3")), pf::PlistValue(oldNode("FluxNode", "4")),
           pf::PlistValue(pf::PlistValue::Array{}), pf::PlistValue(oldNode("ReportInfoNode", "6"))});
  EXPECT_EQ(warnings(), (std::vector<std::string>{
                            "The legacy Custom Loop Repeater node in this file was deprecated and removed in Morvalis 2 "
                            "and is not available in Morvalis 3. Use Node indexes and other repeaters nodes instead.",
                            "The file contained an unknown node type 'FluxNode' that could not be loaded."}));
  ASSERT_EQ(controller().nodeArray().size(), 1u);
  EXPECT_EQ(controller().nodeArray()[0]->className(), "ArtboardNode");
  EXPECT_EQ(controller().nodeArray()[0]->nodeId(), "6");
  EXPECT_EQ(log.count("Error, loadLegacyMV2NodesFromArray could not create node of class OutputNode"), 0);
}

TEST_F(LegacyGraphConverter, ExactlyOneArtboardAfterConversion)
{
  convert({pf::PlistValue(oldNode("ElementCircleNode", "1"))});
  EXPECT_EQ(log.count("No Artboard node, adding one!"), 1);
  ASSERT_NE(controller().artboardNode(), nullptr);
  EXPECT_EQ(controller().artboardNode()->initialNodeViewOrigin(), pf::Point(-160.0, 300.0));

  auto second = newDocument();
  MVLegacyGraphConverter(second->nodeController())
      .loadLegacyMV2NodesFromArray({pf::PlistValue(oldNode("ReportInfoNode", "1")),
                                    pf::PlistValue(oldNode("ArtboardNode", "2"))});
  EXPECT_EQ(log.count("Too many artboard nodes! Removing all but the first"), 1);
  ASSERT_EQ(second->nodeController().nodeArray().size(), 1u);
  EXPECT_EQ(second->nodeController().nodeArray()[0]->nodeId(), "1");
}

TEST_F(LegacyGraphConverter, SeamlessLinesBecomeALineAcrossTheArtboard)
{
  convert({pf::PlistValue(oldNode("ReportInfoNode", "1", {{"X", 300}, {"Y", 400}})),
           pf::PlistValue(oldNode("ElementSeamlessLinesNode", "2", {{"Angle", 30}}))});
  MVNode* line = controller().nodeWithId("2");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->className(), "ElementLineNode");
  MVParameterValue2D* position = line->value2DParameterNamed("Position");
  EXPECT_EQ(position->localValueX(), 150.0);
  EXPECT_EQ(position->localValueY(), 200.0);
  EXPECT_EQ(line->value2DParameterNamed("Size")->localValueX(), 502.0);
  EXPECT_TRUE(line->parameterNamed("Rotation")->enabled());
  EXPECT_EQ(line->valueParameterNamed("Rotation")->value(), 30.0);
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_NE(warnings()[0].find("It has been replaced with a basic Element Line node"), std::string::npos);
}

TEST_F(LegacyGraphConverter, ConnectionsFindTheirSocketsThroughTranslatedNames)
{
  convert({pf::PlistValue(oldNode("ReportInfoNode", "1")), pf::PlistValue(oldNode("ElementCircleNode", "2")),
           pf::PlistValue(oldNode("ValueMathNode", "3")), pf::PlistValue(oldNode("GroupSelectNode", "4"))},
          {// To the old output node: the artboard's second layer.
           pf::PlistValue(pf::PlistValue::Dictionary{{"From node id", "2"},
                                                     {"From socket parameter", "Graphics"},
                                                     {"To node id", "9"},
                                                     {"To node class", "OutputNode"},
                                                     {"To socket parameter", "Input"}}),
           // An axis of a two-axis output ("Y" is "Position:Y" for element nodes).
           pf::PlistValue(oldConnection("2", "Y", "3", "Diameter")),
           pf::PlistValue(oldConnection("3", "Value", "2", "Size"))});
  ASSERT_EQ(controller().connectionArray().size(), 3u);
  auto* artboard = dynamic_cast<ArtboardNode*>(controller().artboardNode());
  const MVConnection* toLayer = controller().connectionArray()[0].get();
  EXPECT_EQ(toLayer->toSocket(), artboard->layers().at(1)->inputSocket());
  const MVConnection* fromAxis = controller().connectionArray()[1].get();
  EXPECT_EQ(fromAxis->fromSocket()->parameter()->name(), "Position");
  EXPECT_EQ(fromAxis->fromSocket(), controller().nodeWithId("2")->value2DParameterNamed("Position")->outputSockets().at(1).get());
  const MVConnection* toSize = controller().connectionArray()[2].get();
  EXPECT_EQ(toSize->toSocket(), controller().nodeWithId("2")->value2DParameterNamed("Size")->inputSockets().at(0).get());
  EXPECT_TRUE(warnings().empty());
  EXPECT_EQ(log.countContaining("Error"), 0);
}

TEST_F(LegacyGraphConverter, FailedConnectionsEndInOneWarning)
{
  const pf::PlistValue::Array nodes = {pf::PlistValue(oldNode("ReportInfoNode", "1")),
                                       pf::PlistValue(oldNode("ElementCircleNode", "2")),
                                       pf::PlistValue(oldNode("ValueMathNode", "3"))};
  const std::string general =
      "Warning, some legacy node connections could not be loaded since the corresponding nodes or sockets have been "
      "changed and no automatic conversion was possible. The file may therefore produce a different result.";
  const std::string ownText =
      "Warning, could not make connection from ValueMathNode node parameter 'Nothing' to Shape node parameter "
      "'Size', as one of these sockets is not available in this version of Morvalis. The file may therefore produce a "
      "different result.";
  struct Case {
    const char* name;
    pf::PlistValue::Array connections;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {"one missing parameter", {pf::PlistValue(oldConnection("3", "Nothing", "2", "Size"))}, {ownText}},
      {"one missing node", {pf::PlistValue(oldConnection("3", "Value", "77", "Size"))}, {general}},
      {"three failures",
       {pf::PlistValue(oldConnection("3", "Nothing", "2", "Size")), pf::PlistValue(oldConnection("3", "Value", "77", "Size")),
        pf::PlistValue(oldConnection("2", "Shape", "3", "Value"))},
       {general}},
      {"nodes that were never made", {pf::PlistValue(oldConnection("70", "Value", "71", "Value"))}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto fresh = newDocument();
    MVLegacyGraphConverter converter(fresh->nodeController());
    converter.loadLegacyMV2NodesFromArray(nodes);
    converter.loadLegacyMV2ConnectionsFromArray(c.connections);
    EXPECT_EQ(fresh->nodeController().fileLoadingWarnings(), c.warnings);
    EXPECT_TRUE(fresh->nodeController().connectionArray().empty());
    EXPECT_FALSE(fresh->nodeController().isLoadingFile());
  }
}

TEST_F(LegacyGraphConverter, MissingConnectionClassesComeFromTheNodeRecords)
{
  const pf::PlistValue::Array nodes = {
      pf::PlistValue(pf::PlistValue::Dictionary{{"Node id", "1"}, {"Node type name", "ValueAddNode"}}),
      pf::PlistValue(pf::PlistValue::Dictionary{{"Node id", "2"}, {"Node type class", "OutputNode"}}),
      pf::PlistValue(pf::PlistValue::Dictionary{{"Node type name", "NoIdNode"}})};
  const pf::PlistValue::Array connections = MVLegacyGraphConverter::processLegacyMV2ConnectionsArray(
      {pf::PlistValue(pf::PlistValue::Dictionary{{"From node id", "1"}, {"To node id", "2"}}),
       pf::PlistValue(pf::PlistValue::Dictionary{{"From node id", "1"}, {"To node id", "2"}, {"To node class", "Kept"}}),
       pf::PlistValue(pf::PlistValue::Dictionary{{"From node id", "1"}})},
      nodes);
  EXPECT_EQ(*connections[0].find("From node class"), pf::PlistValue("ValueAddNode"));
  EXPECT_EQ(*connections[0].find("To node class"), pf::PlistValue("OutputNode"));
  EXPECT_EQ(*connections[1].find("To node class"), pf::PlistValue("Kept"));
  EXPECT_FALSE(connections[2].contains("From node class"));
}

TEST_F(LegacyGraphConverter, CleanUpDoublesRadiusInputsAndDropsUnusedAnimationInfo)
{
  convert({pf::PlistValue(oldNode("ReportInfoNode", "1")),
           pf::PlistValue(pf::PlistValue::Dictionary{{"Node type name", "RepeatRadialNode"},
                                                     {"Node id", "2"},
                                                     {"Node frame rect", "{{196, 296}, {140, 200}}"}}),
           pf::PlistValue(oldNode("ValueMathNode", "3")), pf::PlistValue(oldNode("AnimationInfoNode", "4")),
           pf::PlistValue(oldNode("AnimationInfoNode", "5"))},
          {pf::PlistValue(oldConnection("3", "Value", "2", "Diameter")),
           pf::PlistValue(oldConnection("5", "Value", "3", "Diameter"))});
  converter.legacyLoadingCleanup();

  EXPECT_EQ(controller().nodeWithId("4"), nullptr);
  EXPECT_NE(controller().nodeWithId("5"), nullptr);
  MVParameter* diameter = controller().nodeWithId("2")->parameterNamed("Diameter");
  ASSERT_TRUE(diameter->hasConnectedInput());
  const MVConnection* input = diameter->inputSockets().at(0)->inputConnections().at(0);
  MVNode* math = input->fromSocket()->parameter()->node();
  ASSERT_NE(math, nullptr);
  EXPECT_EQ(math->className(), "ValueMiniMathNode");
  EXPECT_EQ(math->initialNodeViewOrigin(), pf::Point(100.0, 560.0));
  EXPECT_EQ(math->expressionParameterNamed("Value")->expressionString(), "a*2");
  EXPECT_EQ(input->fromSocket()->parameter()->name(), "Value");
  EXPECT_EQ(log.countContaining("Warning: Legacy import failed"), 0);
}

// An old animated value node from 0 to 4 s between 1 and 3 ("Function" 1: linear, exact; 5: sine,
// approximated).
pf::PlistValue::Dictionary oldAnimatedValue(const std::string& nodeId, int function)
{
  return oldNode("AnimatedValueNode", nodeId,
                 {{"Full duration", false}, {"Start Time", 0.0}, {"End Time", 4.0}, {"Min Value", 1.0},
                  {"Max Value", 3.0}, {"Transition Time", 1.0}, {"Function", function}});
}

TEST_F(LegacyGraphConverter, AnAnimatedValueFeedingOnePlainInputBecomesItsAnimator)
{
  convert({pf::PlistValue(oldAnimatedValue("1", 1)), pf::PlistValue(oldAnimatedValue("2", 5)),
           pf::PlistValue(oldNode("ValueMathNode", "3"))},
          {pf::PlistValue(oldConnection("1", "Value", "3", "Diameter")),
           pf::PlistValue(oldConnection("2", "Value", "3", "Position:Y"))});
  converter.legacyLoadingConvertAnimations();

  EXPECT_EQ(controller().nodeWithId("1"), nullptr);
  EXPECT_EQ(controller().nodeWithId("2"), nullptr);
  EXPECT_TRUE(controller().connectionArray().empty());
  const auto& animators = document->animationManager().animators();
  ASSERT_EQ(animators.size(), 2u);
  MVNode* math = controller().nodeWithId("3");
  EXPECT_EQ(animators[0]->target(), math->parameterNamed("Diameter"));
  EXPECT_EQ(animators[0]->propertyName(), "value");
  ASSERT_EQ(animators[0]->keyFrames().size(), 2u);
  EXPECT_EQ(animators[0]->keyFrames()[1]->doubleValue(), 3.0);
  EXPECT_EQ(animators[1]->target(), math->parameterNamed("Position"));
  EXPECT_EQ(animators[1]->propertyName(), "y");
  // Only the sine is approximate.
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_NE(warnings()[0].find("is an approximation"), std::string::npos);
}

TEST_F(LegacyGraphConverter, AnAnimatedValueFeedingTwoInputsBecomesAnAnimatedValueNodeFeedingBoth)
{
  convert({pf::PlistValue(oldAnimatedValue("1", 1)), pf::PlistValue(oldNode("ValueMathNode", "2")),
           pf::PlistValue(oldAnimatedValue("3", 1))},
          {pf::PlistValue(oldConnection("1", "Value", "2", "Diameter")),
           pf::PlistValue(oldConnection("1", "Value", "2", "Position:X"))});
  converter.legacyLoadingConvertAnimations();

  EXPECT_EQ(controller().nodeWithId("1"), nullptr);
  EXPECT_EQ(controller().nodeWithId("3"), nullptr);  // fed nothing: an animated value node alone
  std::vector<MVNode*> valueNodes;
  for (const auto& node : controller().nodeArray()) {
    if (node->className() == "ValueNode") {
      valueNodes.push_back(node.get());
    }
  }
  ASSERT_EQ(valueNodes.size(), 2u);
  MVParameter* value = valueNodes[0]->parameterNamed("Value");
  ASSERT_EQ(value->outputSocket()->outputConnections().size(), 2u);
  MVNode* math = controller().nodeWithId("2");
  EXPECT_TRUE(math->parameterNamed("Diameter")->hasConnectedInput());
  EXPECT_TRUE(math->parameterNamed("Position")->hasConnectedInput());
  const auto& animators = document->animationManager().animators();
  ASSERT_EQ(animators.size(), 2u);
  EXPECT_EQ(animators[0]->target(), value);
  EXPECT_EQ(animators[0]->keyFrames().size(), 2u);
  EXPECT_TRUE(warnings().empty());
}

}  // namespace
