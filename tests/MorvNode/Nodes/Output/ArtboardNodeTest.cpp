#include "MorvNode/Nodes/Output/ArtboardNode.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

std::vector<std::string> childNames(const std::shared_ptr<const MVElement>& element)
{
  std::vector<std::string> names;
  if (const auto* group = dynamic_cast<const MVElementGroup*>(element.get())) {
    for (const auto& child : group->elementArray()) {
      names.push_back(child->elementName().value_or("?"));
    }
  }
  return names;
}

std::vector<std::string> layerNames(const ArtboardNode& node)
{
  std::vector<std::string> names;
  for (const MVParameterGraphicsLayer* layer : node.layers()) {
    names.push_back(layer->name() + "/" + layer->displayName());
  }
  return names;
}

// The layer parameters in the order of the node's parameter list.
std::vector<std::string> layerRows(const ArtboardNode& node)
{
  std::vector<std::string> names;
  for (const auto& parameter : node.parameters()) {
    if (dynamic_cast<const MVParameterGraphicsLayer*>(parameter.get()) != nullptr) {
      names.push_back(parameter->name());
    }
  }
  return names;
}

class ArtboardNodeTest : public NodeGraphTest {
protected:
  ElementShapeNode* shape(const std::string& name)
  {
    auto* node = add<ElementShapeNode>("ElementShapeNode");
    node->setDisplayName(name);
    return node;
  }
};

TEST_F(ArtboardNodeTest, NewArtboardHasThreeLayersAndTheDefaultSettings)
{
  EXPECT_EQ(layerNames(artboard()), (std::vector<std::string>{"OutputLayer1/Top layer", "OutputLayer2/Middle layer",
                                                             "OutputLayer3/Bottom layer"}));
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer1", "OutputLayer2", "OutputLayer3"}));
  EXPECT_EQ(artboard().parameters().front()->name(), "Layers header");
  EXPECT_EQ(artboard().layerNumberCounter(), 3);
  EXPECT_EQ(artboard().sizeParameter()->valueX(), 200);
  EXPECT_EQ(artboard().sizeParameter()->valueY(), 200);
  EXPECT_EQ(artboard().backgroundColorParameter()->localColor(), pf::Color::rgb(1, 1, 1));
  EXPECT_TRUE(artboard().backgroundColorParameter()->enabled());
  EXPECT_FALSE(artboard().canDelete());
  EXPECT_FALSE(artboard().canDisable());
  EXPECT_TRUE(artboard().indexParameterNamed("Horizontal alignment")->layoutHidden());
}

TEST_F(ArtboardNodeTest, OnlyConnectedVisibleLayersContributeBottomLayerFirst)
{
  EXPECT_EQ(regenerate(), nullptr);  // nothing connected

  connectToLayer(shape("middle"), 1);
  auto output = regenerate();
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->elementName(), "Artboard layers");
  EXPECT_EQ(childNames(output), std::vector<std::string>{"Middle layer"});

  connectToLayer(shape("top"), 0);
  connectToLayer(shape("bottom"), 2);
  output = regenerate();
  EXPECT_EQ(childNames(output), (std::vector<std::string>{"Bottom layer", "Middle layer", "Top layer"}));
}

TEST_F(ArtboardNodeTest, HiddenLayerIsPulledButContributesNothing)
{
  auto* hidden = shape("hidden");
  connectToLayer(hidden, 0);
  connectToLayer(shape("shown"), 1);
  artboard().layers()[0]->setVisible(false);
  const auto output = regenerate();
  EXPECT_EQ(childNames(output), std::vector<std::string>{"Middle layer"});
  // The hidden layer's upstream node ran in this generation.
  EXPECT_FALSE(hidden->graphicsParameter()->needsToUpdate());
  EXPECT_EQ(hidden->graphicsParameter()->lastUpdateGenerationCycleID(), controller().currentGenerationCycleID());
}

TEST_F(ArtboardNodeTest, AlignmentMovesTheOutputBoxOntoTheArtboard)
{
  struct Case {
    long long horizontal;
    long long vertical;
    pf::Point expectedOffset;
  };
  const Case cases[] = {
      {1, 1, {65, 60}},   // centred
      {0, -1, {-10, 0}},  // left edges only
      {2, 2, {140, 140}}, // right and bottom edges
      {-1, -1, {0, 0}},   // nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.horizontal << ", " << c.vertical);
    artboard().parameterNamed("Alignment toggle")->setEnabled(true);
    artboard().indexParameterNamed("Horizontal alignment")->setIndex(c.horizontal);
    artboard().indexParameterNamed("Vertical alignment")->setIndex(c.vertical);
    // A box of (10, 20, 50, 40).
    auto element = std::make_shared<MVElementPath>();
    element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(50, 40)));
    element->setPositionX(35, 40);
    const auto aligned = artboard().alignedElementWithInputElement(element);
    EXPECT_EQ(aligned->positionX(), 35 + c.expectedOffset.x);
    EXPECT_EQ(aligned->positionY(), 40 + c.expectedOffset.y);
    // The input is moved as a copy; what it was given stays where it was.
    EXPECT_EQ(element->positionX(), 35);
    EXPECT_EQ(element->positionY(), 40);
  }
  artboard().parameterNamed("Alignment toggle")->setEnabled(false);
  EXPECT_EQ(artboard().alignedElementWithInputElement(nullptr), nullptr);
}

TEST_F(ArtboardNodeTest, LayerEditsKeepListRowsAndUndoInStep)
{
  // New layer on top.
  step([&] { artboard().menuAddNewLayer(); });
  EXPECT_EQ(layerNames(artboard()).front(), "OutputLayer4/New layer");
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer4", "OutputLayer1", "OutputLayer2",
                                                            "OutputLayer3"}));
  EXPECT_EQ(document.undoManager()->undoActionName(), "adding layer");
  undo();
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer1", "OutputLayer2", "OutputLayer3"}));

  // Move the top layer down, then undo.
  step([&] { artboard().moveLayer(artboard().layers()[0], 1); });
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer2", "OutputLayer1", "OutputLayer3"}));
  EXPECT_EQ(layerNames(artboard())[1], "OutputLayer1/Top layer");
  undo();
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer1", "OutputLayer2", "OutputLayer3"}));

  // Remove the middle layer, then undo: it comes back at its place with its name and visibility.
  artboard().layers()[1]->setVisible(false);
  step([&] { artboard().removeLayer(artboard().layers()[1]); });
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer1", "OutputLayer3"}));
  EXPECT_EQ(document.undoManager()->undoActionName(), "delete layer");
  undo();
  EXPECT_EQ(layerNames(artboard())[1], "OutputLayer2/Middle layer");
  EXPECT_FALSE(artboard().layers()[1]->visible());
}

TEST_F(ArtboardNodeTest, RefusedLayerEditsLogAndChangeNothing)
{
  artboard().moveLayer(artboard().layers()[0], -1);
  EXPECT_EQ(log.countContaining("newLayerIndex -1 out of array bounds"), 1);
  artboard().removeLayerAtIndex(3);
  EXPECT_EQ(log.count("Error, removeLayerAtIndex index 3 outside layersArray bounds"), 1);
  artboard().moveLayer(nullptr, 1);
  artboard().duplicateLayer(nullptr);
  EXPECT_EQ(log.count("Error, Artboard node moveLayer with layer null"), 1);
  EXPECT_EQ(log.count("Error, Artboard node duplicateLayer with layer null"), 1);

  artboard().removeLayerAtIndex(2);
  artboard().removeLayerAtIndex(1);
  ASSERT_EQ(artboard().layers().size(), 1u);
  artboard().removeLayer(artboard().layers()[0]);
  EXPECT_EQ(log.countContaining("trying to remove last layer"), 1);
  EXPECT_EQ(layerRows(artboard()), std::vector<std::string>{"OutputLayer1"});
  EXPECT_TRUE(artboard().isLayerFirstLayer(artboard().layers()[0]));
  EXPECT_TRUE(artboard().isLayerLastLayer(artboard().layers()[0]));
}

TEST_F(ArtboardNodeTest, RemovingAConnectedLayerTakesItsConnectionsAlong)
{
  connectToLayer(shape("a"), 1);
  ASSERT_EQ(controller().connectionArray().size(), 1u);
  artboard().removeLayerAtIndex(1);
  EXPECT_TRUE(controller().connectionArray().empty());
  EXPECT_EQ(regenerate(), nullptr);
}

TEST_F(ArtboardNodeTest, DuplicateSitsBelowItsSourceAndTakesTheSameInputs)
{
  auto* a = shape("a");
  auto* b = shape("b");
  connectToLayer(a, 0);
  connectToLayer(b, 0);
  step([&] { artboard().duplicateLayer(artboard().layers()[0]); });
  EXPECT_EQ(layerNames(artboard())[1], "OutputLayer4/Top layer copy");
  EXPECT_EQ(layerRows(artboard()), (std::vector<std::string>{"OutputLayer1", "OutputLayer4", "OutputLayer2",
                                                            "OutputLayer3"}));
  const MVParameterSocket* copy = artboard().layers()[1]->inputSocket();
  ASSERT_EQ(copy->inputConnections().size(), 2u);
  EXPECT_EQ(copy->inputConnections()[0]->fromNode(), a);
  EXPECT_EQ(copy->inputConnections()[1]->fromNode(), b);
  EXPECT_EQ(document.undoManager()->undoActionName(), "duplicating layer");
  EXPECT_EQ(childNames(regenerate()), (std::vector<std::string>{"Top layer copy", "Top layer"}));
}

TEST_F(ArtboardNodeTest, SizeCommandsSetThePresets)
{
  struct Case {
    int tag;
    double width;
    double height;
  };
  for (const Case& c : {Case{720, 1280, 720}, Case{1080, 1920, 1080}, Case{300, 300, 300}, Case{0, 256, 256}}) {
    SCOPED_TRACE(c.tag);
    artboard().menuResizeToSize(c.tag);
    EXPECT_EQ(artboard().sizeParameter()->valueX(), c.width);
    EXPECT_EQ(artboard().sizeParameter()->valueY(), c.height);
  }

  artboard().menuResizeToFitOutput();
  EXPECT_EQ(log.countContaining("has no output element"), 1);
  auto* node = shape("wide");
  node->sizeParameter()->setAspectLocked(false);
  node->sizeParameter()->setValueX(40.5, 20);
  connectToLayer(node);
  regenerate();
  artboard().menuResizeToFitOutput();
  EXPECT_EQ(artboard().sizeParameter()->valueX(), 41);
  EXPECT_EQ(artboard().sizeParameter()->valueY(), 20);
}

TEST_F(ArtboardNodeTest, WarningsForATinyArtboardAndNoConnectedLayer)
{
  artboard().sizeParameter()->setValueX(1, 1);
  artboard().checkWarnings();
  EXPECT_EQ(artboard().warningMessages(),
            (std::vector<std::string>{"The artboard size is set to 1x1, which is very small and probably unintentional.",
                                      "No graphics are connected to the Artboard graphics layers, so nothing will be "
                                      "shown. Drag connections to the blue graphics layer sockets."}));
  artboard().sizeParameter()->setValueX(100, 100);
  connectToLayer(shape("a"), 2);
  artboard().checkWarnings();
  EXPECT_TRUE(artboard().warningMessages().empty());
}

TEST_F(ArtboardNodeTest, RecordRoundTripKeepsLayersAndCounter)
{
  step([&] { artboard().menuAddNewLayer(); });
  artboard().removeLayerAtIndex(2);
  artboard().layers()[0]->setDisplayName("Front");
  artboard().layers()[1]->setVisible(false);
  artboard().backgroundOpacityParameter()->setValue(0.5);
  const pf::PlistValue::Dictionary record = artboard().descriptionDictionary();
  EXPECT_EQ(record.find("Layer Counter")->toInteger(), 4);

  ArtboardNode loaded;
  loaded.initWithNodeID("loaded");
  loaded.loadNodeDictionary(record);
  EXPECT_EQ(layerNames(loaded), layerNames(artboard()));
  EXPECT_EQ(layerRows(loaded), layerRows(artboard()));
  EXPECT_EQ(loaded.parameters().size(), artboard().parameters().size());
  EXPECT_FALSE(loaded.layers()[1]->visible());
  EXPECT_EQ(loaded.layerNumberCounter(), 4);
  EXPECT_EQ(loaded.backgroundOpacityParameter()->value(), 0.5);
  EXPECT_EQ(log.countContaining("has no parameter named"), 0);
}

TEST_F(ArtboardNodeTest, NewLayersSkipNamesInUseWhenTheRecordHadNoCounter)
{
  // Layers numbered 6, 7 and 8 and no "Layer Counter": loading counts only up to 6.
  pf::PlistValue::Dictionary record = artboard().descriptionDictionary();
  record.erase("Layer Counter");
  pf::PlistValue::Array parameters;
  int number = 6;
  for (const pf::PlistValue& entry : *record.find("Parameters")->asArray()) {
    pf::PlistValue::Dictionary parameterRecord = *entry.asDictionary();
    if (parameterRecord.find("Parameter class")->stringOr() == "MVParameterGraphicsLayer") {
      parameterRecord.set("Parameter name", "OutputLayer" + std::to_string(number++));
    }
    parameters.emplace_back(std::move(parameterRecord));
  }
  record.set("Parameters", pf::PlistValue(std::move(parameters)));
  ArtboardNode loaded;
  loaded.initWithNodeID("loaded");
  loaded.loadNodeDictionary(record);
  ASSERT_EQ(loaded.layerNumberCounter(), 6);
  loaded.menuAddNewLayer();
  EXPECT_EQ(layerRows(loaded),
            (std::vector<std::string>{"OutputLayer9", "OutputLayer6", "OutputLayer7", "OutputLayer8"}));
  EXPECT_EQ(log.countContaining("already has a parameter named"), 0);
}

TEST_F(ArtboardNodeTest, RecordWithoutLayersGetsTheDefaultSet)
{
  pf::PlistValue::Dictionary record = artboard().descriptionDictionary();
  pf::PlistValue::Array kept;
  for (const pf::PlistValue& entry : *record.find("Parameters")->asArray()) {
    if (entry.asDictionary()->find("Parameter class")->stringOr() != "MVParameterGraphicsLayer") {
      kept.push_back(entry);
    }
  }
  record.set("Parameters", pf::PlistValue(std::move(kept)));
  record.erase("Layer Counter");

  ArtboardNode loaded;
  loaded.initWithNodeID("loaded");
  loaded.loadNodeDictionary(record);
  EXPECT_EQ(log.countContaining("loadNodeDictionary no layers loaded, adding default layer set"), 1);
  EXPECT_EQ(layerNames(loaded), layerNames(artboard()));
  EXPECT_EQ(loaded.layerNumberCounter(), 3);
}

}  // namespace
