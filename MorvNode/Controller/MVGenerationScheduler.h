#pragma once

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "Platform/Timer.h"

class MVElement;
class MVNode;
class MVNodeGraph;
class MVParameter;

// When and how the graph generates: requests merge into one run of a 0.005 s one-shot timer on
// the current pf::RunLoop; a run pulls the output element tree from the artboard node under a
// new generation cycle ID, then forces the parameters queued for regeneration. It also keeps the
// times and counts of the last update and generation.
//
// The owner (the graph controller) hands in the run itself, `generate` (its settings, this
// scheduler's generateOutputElement() and its follow-ups), and `reschedule`, which asks again
// under the owner's auto-refresh rule for a request that arrived during a run. While the graph is
// loading nothing is armed. Main thread only; the timer never outlives the scheduler.
class MVGenerationScheduler {
public:
  static constexpr double kRegenerationDelay = 0.005;  // seconds

  MVGenerationScheduler(MVNodeGraph& graph, std::function<void()> generate, std::function<void()> reschedule);
  ~MVGenerationScheduler();
  MVGenerationScheduler(const MVGenerationScheduler&) = delete;
  MVGenerationScheduler& operator=(const MVGenerationScheduler&) = delete;

  // The run loop's clock in seconds; the steady clock without a run loop.
  static double now();

  // ---- Requests ----
  // Arms the timer when none is armed, no generation runs and the graph is not loading; other
  // requests merge into the pending run or, during a generation, are dropped. Logged without a
  // run loop.
  void scheduleRegenerationForced();
  // The timer's action, also called directly: runs `generate` now, or, during a run, asks for one
  // more request (through `reschedule`) when it ends. An exception out of the run is logged and
  // ends it.
  void regenerate();
  // Disarms a pending run.
  void cancel() { regenerationTimer_.invalidate(); }
  bool isGenerating() const { return isGenerating_; }
  bool isRegenerationPending() const { return regenerationTimer_.isValid(); }

  // ---- Parameters forced after the pull ----
  // Appends the parameter unless it is queued.
  void queueParameterForRegeneration(MVParameter* parameter);
  // Drops the parameter, or every parameter of the node, from the queue.
  void parameterRemoved(const MVParameter* parameter);
  void forgetNode(const MVNode* node);

  // ---- The generation cycle ----
  // One pull: new cycle, connections marked for new previews, node seeds reset, pull from the
  // cached artboard node, forced previews; then the output, its element count and the times.
  void generateOutputElement();
  void resetNodeRandomSeeds();
  void markConnectionsForNewPreviewGenerationCycle();
  const std::shared_ptr<const MVElement>& outputElement() const { return outputElement_; }
  // Drops the scheduler's reference; rendering threads may still hold the tree.
  void releaseOutputElement() { outputElement_.reset(); }
  long long generationCycleID() const { return generationCycleID_; }

  // ---- Statistics (times in seconds on now()'s clock) ----
  long numberOfElements() const { return numberOfElements_; }
  double updateStartTime() const { return updateStartTime_; }
  double generationStartTime() const { return generationStartTime_; }
  double generationEndTime() const { return generationEndTime_; }
  double generationTime() const { return generationTime_; }
  double updateEndTime() const { return updateEndTime_; }
  double updateTime() const { return updateTime_; }
  // The preview started rendering a new output / shows it.
  void previewRerenderStart();
  void updatePreviewFinished();

private:
  MVNodeGraph& graph_;  // the owner's, outlives this scheduler
  std::function<void()> generate_;
  std::function<void()> reschedule_;

  pf::Timer regenerationTimer_;
  bool isGenerating_ = false;
  bool regenerateWhenFinished_ = false;
  std::vector<MVParameter*> unconnectedParametersRegenerationArray_;  // owned by their nodes
  // The same parameters, for the duplicate test: a graph whose nodes the pull does not reach
  // queues a few parameters per node.
  std::unordered_set<const MVParameter*> queuedParameters_;
  long long generationCycleID_ = 0;
  std::shared_ptr<const MVElement> outputElement_;
  long numberOfElements_ = 0;
  double updateStartTime_ = 0.0;
  double generationStartTime_ = 0.0;
  double generationEndTime_ = 0.0;
  double generationTime_ = 0.0;
  double updateEndTime_ = 0.0;
  double updateTime_ = 0.0;
};
