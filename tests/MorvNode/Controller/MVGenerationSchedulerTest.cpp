#include "MorvNode/Controller/MVGenerationScheduler.h"

#include <functional>
#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeGraph.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Platform/ManualRunLoop.h"

namespace {

// A scheduler on a manual run loop whose runs and re-requests are counted; `duringRun` acts
// while a run is under way. Its re-request arms the timer again, as the owner's does with auto
// refresh on.
class GenerationSchedulerTest : public ::testing::Test {
protected:
  GenerationSchedulerTest() { pf::RunLoop::setCurrent(&runLoop); }

  int advanceOneDelay() { return runLoop.advance(MVGenerationScheduler::kRegenerationDelay); }
  MVNode* addNode(const std::string& nodeId)
  {
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode("TestProcessNode");
    node->initWithNodeID(nodeId);
    return graph.appendNode(std::move(node));
  }

  pf::ManualRunLoop runLoop;
  LogCapture log;
  MVNodeGraph graph;
  int runs = 0;
  int reschedules = 0;
  std::function<void()> duringRun;
  MVGenerationScheduler scheduler{graph,
                                  [this] {
                                    ++runs;
                                    if (duringRun) {
                                      duringRun();
                                    }
                                  },
                                  [this] {
                                    ++reschedules;
                                    scheduler.scheduleRegenerationForced();
                                  }};
};

TEST_F(GenerationSchedulerTest, RequestsMergeIntoOneRunAfterTheDelay)
{
  for (int request = 0; request < 3; ++request) {
    scheduler.scheduleRegenerationForced();
    runLoop.advance(0.001);
  }
  EXPECT_EQ(runLoop.armedTimerCount(), 1u);
  EXPECT_TRUE(scheduler.isRegenerationPending());
  EXPECT_EQ(runs, 0);

  EXPECT_EQ(runLoop.advance(0.002), 1);  // due 5 ms after the first request
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(scheduler.isRegenerationPending());
  EXPECT_DOUBLE_EQ(scheduler.updateStartTime(), runLoop.now());

  // A pending run can be disarmed; a loading graph arms nothing.
  scheduler.scheduleRegenerationForced();
  scheduler.cancel();
  {
    MVNodeGraph::LoadingScope loading(graph);
    scheduler.scheduleRegenerationForced();
    EXPECT_FALSE(scheduler.isRegenerationPending());
  }
  EXPECT_EQ(runLoop.advance(1.0), 0);
  EXPECT_EQ(runs, 1);
}

TEST_F(GenerationSchedulerTest, RequestsDuringARunBecomeOneMoreRunAfterIt)
{
  duringRun = [this] {
    EXPECT_TRUE(scheduler.isGenerating());
    scheduler.scheduleRegenerationForced();  // dropped: a run is under way
    EXPECT_FALSE(scheduler.isRegenerationPending());
    scheduler.regenerate();  // re-entered: remembered for the end of the run
    scheduler.regenerate();
    duringRun = nullptr;
  };
  scheduler.regenerate();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(scheduler.isGenerating());
  EXPECT_EQ(reschedules, 1);
  EXPECT_TRUE(scheduler.isRegenerationPending());
  EXPECT_EQ(advanceOneDelay(), 1);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(reschedules, 1);
}

TEST_F(GenerationSchedulerTest, AFailedRunIsLoggedAndTheNextOneRuns)
{
  duringRun = [] { throw std::runtime_error("broken node"); };
  scheduler.scheduleRegenerationForced();
  EXPECT_EQ(advanceOneDelay(), 1);
  EXPECT_EQ(log.count("Exception in generateOutputElement. Exception: broken node"), 1);
  EXPECT_FALSE(scheduler.isGenerating());

  duringRun = nullptr;
  scheduler.scheduleRegenerationForced();
  EXPECT_EQ(advanceOneDelay(), 1);
  EXPECT_EQ(runs, 2);
}

TEST_F(GenerationSchedulerTest, WithoutARunLoopNothingIsArmed)
{
  pf::RunLoop::setCurrent(nullptr);
  scheduler.scheduleRegenerationForced();
  pf::RunLoop::setCurrent(&runLoop);
  EXPECT_FALSE(scheduler.isRegenerationPending());
  EXPECT_EQ(log.count("Warning, scheduleRegeneration without a run loop, no regeneration scheduled"), 1);
}

TEST_F(GenerationSchedulerTest, EachPullIsANewCycleAndForgetsDestroyedParameters)
{
  registerTestNodeClasses();
  MVNode* kept = addNode("1");
  MVNode* removed = addNode("2");
  addNode("3");
  scheduler.queueParameterForRegeneration(kept->parameterNamed("Value"));
  scheduler.queueParameterForRegeneration(removed->parameterNamed("Value"));
  scheduler.queueParameterForRegeneration(removed->parameterNamed("Double"));
  // The parameters of a destroyed node must not be read by the pull (ASan would catch it).
  scheduler.forgetNode(removed);
  graph.takeNode(removed);

  const long long cycle = scheduler.generationCycleID();
  scheduler.generateOutputElement();
  EXPECT_EQ(scheduler.generationCycleID(), cycle + 1);
  EXPECT_EQ(scheduler.outputElement(), nullptr);
  EXPECT_EQ(scheduler.numberOfElements(), 0);
  // Two nodes and no artboard: worth a warning.
  EXPECT_EQ(log.count("Warning, generateOutputElement with no artboardNode"), 1);
}

// Each pull restarts the draws of the nodes that draw, those added with seeds not at rest too,
// and reaches no node taken out of the graph (ASan would catch it).
TEST_F(GenerationSchedulerTest, EachPullRestartsTheSeedsOfTheNodesThatDraw)
{
  registerTestNodeClasses();
  MVNode* drawing = addNode("1");
  MVNode* removed = addNode("2");
  std::unique_ptr<MVNode> plain = MVClassRegistry::shared().createNode("TestSourceNode");
  plain->initWithNodeID("3");
  ASSERT_EQ(plain->randomSeedParameter(), nullptr);
  plain->incrementRandomIncrementalSeed();
  MVNode* moved = graph.appendNode(std::move(plain));
  drawing->randomSeedParameter()->setValue(42.0);
  drawing->initRandomSeed();
  drawing->incrementRandomIncrementalSeed();
  std::unique_ptr<MVNode> taken = graph.takeNode(removed);
  taken.reset();

  scheduler.generateOutputElement();
  EXPECT_EQ(drawing->nodeRandomSeed(), 42);
  EXPECT_EQ(drawing->randomIncrementalSeed(), 0);
  EXPECT_EQ(moved->nodeRandomSeed(), 0);
  EXPECT_EQ(moved->randomIncrementalSeed(), 0);

  drawing->randomSeedParameter()->setValue(7.0);
  drawing->incrementRandomIncrementalSeed();
  scheduler.generateOutputElement();
  EXPECT_EQ(drawing->nodeRandomSeed(), 7);
  EXPECT_EQ(drawing->randomIncrementalSeed(), 0);

  graph.clear();
  scheduler.generateOutputElement();
}

// After a generation every shown parameter with a preview holds a value, also on nodes the pull
// did not reach, and whatever the node-level shortcut skips must be what the sweep would skip.
TEST_F(GenerationSchedulerTest, PreviewsThePullDidNotReachAreComputed)
{
  registerTestNodeClasses();
  MVNode* first = addNode("1");
  MVNode* second = addNode("2");
  first->parameterNamed("Linked")->setLayoutHidden(true);
  second->parameterNamed("Color")->setEnabled(false);
  const auto expectComputed = [](const MVNode* node) {
    for (const auto& parameter : node->parameters()) {
      SCOPED_TRACE(parameter->name());
      const bool shownWithPreview = parameter->hasPreview() &&
                                    (parameter->hasInputSocket() || parameter->hasOutputSocket());
      if (shownWithPreview) {
        EXPECT_FALSE(parameter->needsToUpdate());
      }
    }
    EXPECT_FALSE(node->hasParametersAwaitingUpdate());
  };
  scheduler.generateOutputElement();
  expectComputed(first);
  expectComputed(second);
  EXPECT_TRUE(first->parameterNamed("Linked")->needsToUpdate());  // hidden: left alone

  // Shown again or cleared: the next generation computes it.
  first->parameterNamed("Linked")->setLayoutHidden(false);
  second->clearCachedValues();
  EXPECT_TRUE(first->hasParametersAwaitingUpdate());
  EXPECT_TRUE(second->hasParametersAwaitingUpdate());
  scheduler.generateOutputElement();
  expectComputed(first);
  expectComputed(second);
  EXPECT_FALSE(first->parameterNamed("Linked")->needsToUpdate());
}

TEST_F(GenerationSchedulerTest, UpdateTimesRunOnTheRunLoopClock)
{
  runLoop.advance(2.0);
  scheduler.previewRerenderStart();
  EXPECT_EQ(scheduler.generationTime(), 0.0);
  runLoop.advance(0.25);
  scheduler.updatePreviewFinished();
  EXPECT_DOUBLE_EQ(scheduler.updateStartTime(), 2.0);
  EXPECT_DOUBLE_EQ(scheduler.updateEndTime(), 2.25);
  EXPECT_DOUBLE_EQ(scheduler.updateTime(), 0.25);
}

}  // namespace
