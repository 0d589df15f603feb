#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/DocumentFileTestSupport.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Document/MVLegacyDocumentReader.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

const std::filesystem::path kDocuments = std::filesystem::path(MORVALIS_TEST_DATA_DIR) / "Documents";

pf::PlistValue::Dictionary legacyFile(const std::string& version, pf::PlistValue::Array nodes)
{
  return pf::PlistValue::Dictionary{{"Version", version}, {"Nodes", std::move(nodes)}, {"Connections", pf::PlistValue::Array{}}};
}

pf::PlistValue oldNode(const std::string& className, const std::string& nodeId)
{
  return pf::PlistValue(pf::PlistValue::Dictionary{{"Node type name", className}, {"Node id", nodeId}});
}

using LegacyDocuments = DocumentFileTest;

TEST_F(LegacyDocuments, AVersionTwoFileLoadsIntoTheCurrentModel)
{
  auto document = openDocument(kDocuments / "Legacy-2.5.0.mvdx");
  ASSERT_NE(document, nullptr);
  MVNodeController& controller = document->nodeController();
  EXPECT_EQ(document->fileVersion(), "2.5.0");
  EXPECT_EQ(log.count("Loading legacy v2.5.0 file 'Legacy-2.5.0.mvdx'"), 1);

  std::vector<std::string> classes;
  for (const auto& node : controller.nodeArray()) {
    classes.push_back(node->className() + " " + node->nodeId());
  }
  EXPECT_EQ(classes, (std::vector<std::string>{"ArtboardNode 1", "ElementShapeNode 2", "ElementLineNode 3",
                                               "ElementShapeNode 4", "ValueMathNode 5"}));
  EXPECT_EQ(controller.nodeIDCounter(), 12);

  auto* artboard = dynamic_cast<ArtboardNode*>(controller.artboardNode());
  ASSERT_NE(artboard, nullptr);
  EXPECT_EQ(artboard->sizeParameter()->localValueX(), 400.0);
  EXPECT_EQ(artboard->sizeParameter()->localValueY(), 300.0);
  EXPECT_FALSE(artboard->backgroundColorParameter()->enabled());
  ASSERT_EQ(artboard->layers().size(), 2u);
  EXPECT_EQ(artboard->initialNodeViewOrigin(), pf::Point(604.0, 104.0));

  MVNode* circle = controller.nodeWithId("2");
  EXPECT_EQ(circle->indexParameterNamed("Type")->index(), 0);
  EXPECT_EQ(circle->value2DParameterNamed("Size")->localValueX(), 60.0);
  EXPECT_EQ(circle->value2DParameterNamed("Size")->localValueY(), 60.0);
  EXPECT_TRUE(circle->value2DParameterNamed("Size")->aspectLocked());
  EXPECT_EQ(circle->value2DParameterNamed("Position")->localValueX(), 200.0);
  EXPECT_FALSE(circle->parameterNamed("Stroke Color")->enabled());
  EXPECT_NEAR(circle->colorParameterNamed("Fill Color")->localColor().green(), 0.5, 1e-6);

  MVNode* line = controller.nodeWithId("3");
  EXPECT_EQ(line->value2DParameterNamed("Size")->localValueX(), 1000.0);  // across the 400 x 300 artboard, twice
  EXPECT_TRUE(line->parameterNamed("Rotation")->enabled());
  EXPECT_EQ(line->valueParameterNamed("Rotation")->value(), 45.0);
  EXPECT_TRUE(line->parameterNamed("Stroke Color")->enabled());

  MVNode* square = controller.nodeWithId("4");
  EXPECT_EQ(square->indexParameterNamed("Type")->index(), 1);
  EXPECT_EQ(square->value2DParameterNamed("Size")->localValueY(), 20.0);

  // The circle went to the old output node, now the artboard's second layer; the square to the
  // first layer; the math node's old output has no counterpart, so its connection is dropped.
  ASSERT_EQ(controller.connectionArray().size(), 2u);
  EXPECT_EQ(controller.connectionArray()[0]->toSocket(), artboard->layers()[1]->inputSocket());
  EXPECT_EQ(controller.connectionArray()[1]->toSocket(), artboard->layers()[0]->inputSocket());
  EXPECT_EQ(controller.fileLoadingWarnings(),
            (std::vector<std::string>{"Warning, could not make connection from Math node parameter 'Result' to Shape 1 "
                                      "node parameter 'X', as one of these sockets is not available in this version of "
                                      "Morvalis. The file may therefore produce a different result."}));

  const ODAnimationManager& animation = document->animationManager();
  EXPECT_EQ(animation.currentTime(), 1.5);
  EXPECT_EQ(animation.duration(), 10.0);
  EXPECT_EQ(animation.framerate(), 25.0);
  EXPECT_TRUE(animation.loop());

  const MVDocumentViewState& state = document->viewState();
  EXPECT_TRUE(state.fromLegacyFile);
  EXPECT_EQ(state.repeatOpacity, 0.4);
  EXPECT_EQ(state.displayScaling, 2.0);
  EXPECT_EQ(state.splitViewPart, 300.0);
  EXPECT_EQ(state.scrollOffset, pf::Point(10.0, 20.0));
  EXPECT_EQ(state.previewScrollOffset, pf::Point(5.0, 6.0));
  EXPECT_EQ(state.previewPanelOpen, false);
  // Flat export keys over the defaults; one repetition count alone is not taken.
  pf::PlistValue::Dictionary expectedSettings = MVExportSettings::defaultSettings();
  expectedSettings.set("Base Filename", "Pattern");
  expectedSettings.set("File Format", "png");
  EXPECT_EQ(pf::PlistValue(*document->exportSettings()), pf::PlistValue(expectedSettings));
  EXPECT_FALSE(document->undoManager()->canUndo());

  // Saved, the converted document is a current file that opens as it was.
  ASSERT_TRUE(document->writeToURL(pathFor("converted.mvdx")));
  auto reopened = openDocument(pathFor("converted.mvdx"));
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->nodeController().nodeArray().size(), 5u);
  EXPECT_EQ(reopened->nodeController().connectionArray().size(), 2u);
  EXPECT_TRUE(reopened->nodeController().fileLoadingWarnings().empty());
}

TEST_F(LegacyDocuments, FirstGenerationFilesWarnAndTheRandomizationAlertComesOnce)
{
  const pf::PlistValue::Dictionary file =
      legacyFile("1.5", {oldNode("ReportInfoNode", "1"), oldNode("ValueRandomNode", "2")});
  for (int opening = 0; opening < 2; ++opening) {
    SCOPED_TRACE(opening);
    alerts.alerts.clear();
    auto document = newDocument();
    document->loadFromFileDictionary(file);
    runLoop.advance(0.2);
    const std::size_t expected = opening == 0 ? 2u : 1u;
    ASSERT_EQ(alerts.alerts.size(), expected);
    if (opening == 0) {
      EXPECT_EQ(alerts.alerts[0].second,
                "This file saved with Morvalis v1.5 uses randomization. Random values are calculated in a new way in "
                "Morvalis 2.0 and later, so you will not get the exact same results. This warning will not be shown "
                "again.");
    }
    EXPECT_EQ(alerts.alerts.back().first, "Warnings loading file");
    EXPECT_NE(alerts.alerts.back().second.find("This file was saved with Morvalis 1 (v1.5)"), std::string::npos);
  }
  EXPECT_TRUE(defaults->boolForKey(MVLegacyDocumentReader::kRandomizeWarningShownKey));
}

TEST_F(LegacyDocuments, ASecondGenerationFileShowsNeitherOldGenerationWarning)
{
  auto document = newDocument();
  document->loadFromFileDictionary(legacyFile("2.5.0", {oldNode("ReportInfoNode", "1"), oldNode("ArrayRandomizeNode", "2")}));
  runLoop.advance(0.2);
  // Alerts of this build (classes it lacks) may come; none about the first generation.
  for (const auto& alert : alerts.alerts) {
    EXPECT_EQ(alert.second.find("Morvalis 1"), std::string::npos);
    EXPECT_EQ(alert.second.find("randomization"), std::string::npos);
  }
  EXPECT_FALSE(defaults->boolForKey(MVLegacyDocumentReader::kRandomizeWarningShownKey));
}

TEST_F(LegacyDocuments, ACurrentFileGivenToTheOldReaderKeepsItsStateButLoadsNoGraph)
{
  pf::PlistValue::Dictionary file = legacyFile("3.0.0", {oldNode("ReportInfoNode", "1")});
  file.set("Document window frame", "{{1, 2}, {300, 400}}");
  file.set("Export Repetitions X", 2);
  file.set("Export Repetitions Y", 5);
  auto document = newDocument();
  document->loadFromLegacyFileDictionary(file);
  EXPECT_EQ(log.count("Error, loadFromLegacyFileDictionary called with non-legacy fileVersion: 3.0.0"), 1);
  EXPECT_TRUE(document->nodeController().nodeArray().empty());
  EXPECT_EQ(document->viewState().windowFrame, pf::Rect({1.0, 2.0}, {300.0, 400.0}));
  pf::PlistValue::Dictionary expectedSettings = MVExportSettings::defaultSettings();
  expectedSettings.set("Repetitions X", 2);
  expectedSettings.set("Repetitions Y", 5);
  EXPECT_EQ(pf::PlistValue(*document->exportSettings()), pf::PlistValue(expectedSettings));
}

TEST_F(LegacyDocuments, NodeTypeSearch)
{
  const pf::PlistValue::Array nodes = {oldNode("A", "1"), pf::PlistValue(3), oldNode("ValueRandomNode", "2")};
  EXPECT_TRUE(MVLegacyDocumentReader::legacyNodeDescriptionArrayContainsNodeOfType(nodes, "ValueRandomNode"));
  EXPECT_FALSE(MVLegacyDocumentReader::legacyNodeDescriptionArrayContainsNodeOfType(nodes, "B"));
  EXPECT_FALSE(MVLegacyDocumentReader::legacyNodeDescriptionArrayContainsNodeOfType({}, "A"));
}

}  // namespace
