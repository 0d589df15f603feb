#include "MorvNode/Controller/MVNodeController.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "ControllerTestSupport.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

// An artboard collecting two element nodes, with the first generation already run.
class GenerationTest : public ControllerTest {
protected:
  GenerationTest()
  {
    board = add<TestArtboardNode>("ArtboardNode");
    first = add<TestElementNode>("TestElementNode");
    second = add<TestElementNode>("TestElementNode");
    connect(first, "Graphics", board, "OutputLayer1");
    connect(second, "Graphics", board, "OutputLayer1");
    runTimer();
    pullsBefore = board->pulls;
    cycleBefore = controller.currentGenerationCycleID();
  }

  int generations() const { return board->pulls - pullsBefore; }

  TestArtboardNode* board = nullptr;
  TestElementNode* first = nullptr;
  TestElementNode* second = nullptr;
  int pullsBefore = 0;
  long long cycleBefore = 0;
};

TEST_F(GenerationTest, BurstOfRequestsMergesIntoOneGeneration)
{
  ASSERT_EQ(board->pulls, 1);
  for (int request = 0; request < 10; ++request) {
    if (request % 2 == 0) {
      controller.scheduleRegeneration();
    } else {
      first->valueParameterNamed("Value")->setValue(request);  // a parameter change ends in a request
    }
    runLoop.advance(0.0004);  // all ten within 5 ms
  }
  EXPECT_EQ(runLoop.armedTimerCount(), 1u);
  EXPECT_EQ(generations(), 0);

  runLoop.advance(MVNodeController::kRegenerationDelay);
  EXPECT_EQ(generations(), 1);
  EXPECT_EQ(controller.currentGenerationCycleID(), cycleBefore + 1);
  EXPECT_EQ(runLoop.armedTimerCount(), 0u);
  EXPECT_EQ(runLoop.advance(1.0), 0);

  // The next request after the run arms a new timer.
  controller.scheduleRegeneration();
  EXPECT_EQ(runTimer(), 1);
  EXPECT_EQ(generations(), 2);
}

TEST_F(GenerationTest, AutoRefreshOffOnlyShowsTheStatus)
{
  controller.setAutoRegenerate(false);
  preview.statusMessages.clear();
  controller.scheduleRegeneration();
  first->valueParameterNamed("Value")->setValue(5.0);
  EXPECT_FALSE(controller.isRegenerationPending());
  ASSERT_FALSE(preview.statusMessages.empty());
  EXPECT_EQ(preview.statusMessages.back(), "Auto refresh disabled, Command-R to update");
  EXPECT_EQ(runLoop.advance(1.0), 0);
  EXPECT_EQ(generations(), 0);

  // The refresh command still regenerates.
  controller.scheduleRegenerationForced();
  EXPECT_EQ(runTimer(), 1);
  EXPECT_EQ(generations(), 1);
}

TEST_F(GenerationTest, ReentryDuringGenerationSchedulesExactlyOneMore)
{
  // Requests made while a generation runs are dropped.
  board->duringPull = [this] { controller.scheduleRegeneration(); };
  controller.scheduleRegeneration();
  EXPECT_EQ(runTimer(), 1);
  EXPECT_FALSE(controller.isRegenerationPending());
  EXPECT_EQ(generations(), 1);

  // Direct regenerations (the animation export) ask for one more run after it.
  board->duringPull = [this] {
    board->duringPull = nullptr;
    controller.regenerate();
    controller.regenerate();
  };
  controller.regenerate();
  EXPECT_EQ(generations(), 2);
  EXPECT_FALSE(controller.isGenerating());
  EXPECT_EQ(runLoop.armedTimerCount(), 1u);
  EXPECT_EQ(runTimer(), 1);
  EXPECT_EQ(generations(), 3);
  EXPECT_EQ(runLoop.advance(1.0), 0);
}

TEST_F(GenerationTest, LoadingSuppressesScheduling)
{
  const pf::PlistValue::Array connections = controller.connectionDescriptionsArray();
  pf::PlistValue::Array nodes;
  for (const auto& node : controller.nodeArray()) {
    nodes.emplace_back(node->descriptionDictionary());
  }
  controller.removeAllNodes();
  runTimer();

  controller.loadNodesFromArray(nodes);
  EXPECT_FALSE(controller.isRegenerationPending());
  controller.loadConnectionsFromArray(connections);
  EXPECT_EQ(controller.connectionArray().size(), 2u);
  EXPECT_TRUE(controller.isRegenerationPending());
  EXPECT_EQ(runTimer(), 1);
  ASSERT_NE(controller.outputElement(), nullptr);
  EXPECT_EQ(controller.numberOfElements(), 2);
}

TEST_F(GenerationTest, PullsTheTreeFromTheArtboard)
{
  const auto tree = std::dynamic_pointer_cast<const MVElementGroup>(controller.outputElement());
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->elementName(), "Artboard layers");
  ASSERT_EQ(tree->count(), 1);
  const auto layer = std::dynamic_pointer_cast<const MVElementGroup>(tree->elementArray()[0]);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->elementName(), "Top layer");
  EXPECT_EQ(controller.numberOfElements(), 2);
  EXPECT_EQ(preview.updatePatternCount, 1);
  // Every element of the generation got an ID from the controller.
  EXPECT_GT(tree->elementID(), 0);
}

TEST_F(GenerationTest, ArtboardSettingsAreReadBeforeEachGeneration)
{
  EXPECT_EQ(controller.artboardSize(), pf::Size(200, 200));
  board->sizeParameter()->setValueX(300.0, 120.0);
  board->backgroundColorParameter()->setEnabled(false);
  const int sizeChanges = board->artboardSizeChanges;
  controller.regenerate();
  EXPECT_EQ(controller.artboardSize(), pf::Size(300, 120));
  EXPECT_EQ(controller.artboardClippingRect(), pf::Rect(0, 0, 300, 120));
  EXPECT_EQ(board->artboardSizeChanges, sizeChanges + 1);
  EXPECT_FALSE(controller.drawBackgroundFlag());
  EXPECT_EQ(controller.patternBackgroundOpacity(), 0.0);

  // Only the colour changed: no size notification.
  board->backgroundColorParameter()->setColor(pf::Color::rgb(1, 0, 0));
  controller.regenerate();
  EXPECT_EQ(board->artboardSizeChanges, sizeChanges + 1);
}

TEST_F(GenerationTest, MissingArtboardWarnsOnlyWithTwoNodes)
{
  controller.removeAllNodes();
  add("TestElementNode");
  log.clear();
  controller.regenerate();
  EXPECT_EQ(controller.outputElement(), nullptr);
  EXPECT_TRUE(log.lines().empty());
  add("TestElementNode");
  controller.regenerate();
  EXPECT_EQ(log.count("Warning, generateOutputElement with no artboardNode"), 1);
}

TEST_F(GenerationTest, PreviewsThePullDidNotReachAreEvaluated)
{
  auto* loose = add<TestElementNode>("TestElementNode");  // connected to nothing
  auto* feeding = add<TestElementNode>("TestElementNode");
  connect(feeding, "Graphics", loose, "Graphics");
  runTimer();
  EXPECT_EQ(loose->builds, 1);
  EXPECT_EQ(feeding->builds, 1);
  EXPECT_EQ(loose->graphicsParameterNamed("Graphics")->lastUpdateGenerationCycleID(),
            controller.currentGenerationCycleID());
}

TEST_F(GenerationTest, WarningsAreCollectedFromTwoNodesOn)
{
  first->warnings = {"first problem", "second problem"};
  second->warnings = {"first problem"};
  controller.regenerate();
  const std::vector<std::pair<std::string, MVNode*>> expected = {
      {"first problem", first}, {"second problem", first}, {"first problem", second}};
  EXPECT_EQ(warnings.entries, expected);
  EXPECT_GE(warnings.updates, 1);

  // Not while the user draws a connection.
  RecordingEditor editor;
  controller.setNodeEditorView(&editor);
  MVConnection* drawn = controller.addConnectionFromSocket(first->graphicsParameterNamed("Graphics")->outputSocket(), nullptr);
  editor.editedConnection = drawn;
  const int resets = warnings.resets;
  controller.regenerate();
  EXPECT_EQ(warnings.resets, resets);
  editor.editedConnection = nullptr;
  controller.removeConnection(drawn);
  controller.setNodeEditorView(nullptr);

  // With fewer than two nodes the list is emptied.
  controller.removeNode(first);
  controller.removeNode(second);
  controller.regenerate();
  EXPECT_TRUE(warnings.entries.empty());
}

TEST_F(GenerationTest, FailingNodeCodeDoesNotStopTheLoop)
{
  board->duringPull = [] { throw std::runtime_error("broken node"); };
  controller.regenerate();
  EXPECT_EQ(log.count("Exception in generateOutputElement. Exception: broken node"), 1);
  EXPECT_FALSE(controller.isGenerating());
  board->duringPull = nullptr;
  controller.scheduleRegeneration();
  EXPECT_EQ(runTimer(), 1);
  ASSERT_NE(controller.outputElement(), nullptr);
}

TEST_F(GenerationTest, DebugTimeStampCountsFromTheGenerationStart)
{
  // The first generation started at the timer's 0.005 s.
  runLoop.advance(0.0075);
  controller.debugTimeStamp("step");
  EXPECT_EQ(log.count("[8 ms] step"), 1);
}

}  // namespace
