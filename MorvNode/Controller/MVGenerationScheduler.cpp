#include "MorvNode/Controller/MVGenerationScheduler.h"

#include <chrono>
#include <exception>
#include <utility>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeGraph.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/RunLoop.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVGenerationScheduler::MVGenerationScheduler(MVNodeGraph& graph, std::function<void()> generate,
                                             std::function<void()> reschedule)
    : graph_(graph), generate_(std::move(generate)), reschedule_(std::move(reschedule))
{
  updateStartTime_ = now();
}

MVGenerationScheduler::~MVGenerationScheduler()
{
  regenerationTimer_.invalidate();
}

double MVGenerationScheduler::now()
{
  if (const pf::RunLoop* runLoop = pf::RunLoop::current()) {
    return runLoop->now();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- Requests ----

void MVGenerationScheduler::scheduleRegenerationForced()
{
  if (graph_.isLoadingFile() || regenerationTimer_.isValid() || isGenerating_) {
    return;
  }
  pf::RunLoop* runLoop = pf::RunLoop::current();
  if (runLoop == nullptr) {
    FeedbackManager::log("Warning, scheduleRegeneration without a run loop, no regeneration scheduled");
    return;
  }
  regenerationTimer_ = runLoop->scheduleOneShot(kRegenerationDelay, [this] { regenerate(); });
}

void MVGenerationScheduler::regenerate()
{
  regenerationTimer_.invalidate();
  if (isGenerating_) {
    regenerateWhenFinished_ = true;
    return;
  }
  isGenerating_ = true;
  regenerateWhenFinished_ = false;
  updateStartTime_ = now();
  try {
    generate_();
  } catch (const std::exception& exception) {
    // Node code failed in a way it should have handled: the loop goes on without this run.
    FeedbackManager::log("Exception in generateOutputElement. Exception: %@", exception.what());
  }
  isGenerating_ = false;
  if (regenerateWhenFinished_) {
    reschedule_();
  }
}

// ---- Parameters forced after the pull ----

void MVGenerationScheduler::queueParameterForRegeneration(MVParameter* parameter)
{
  if (queuedParameters_.insert(parameter).second) {
    unconnectedParametersRegenerationArray_.push_back(parameter);
  }
}

void MVGenerationScheduler::parameterRemoved(const MVParameter* parameter)
{
  std::erase(unconnectedParametersRegenerationArray_, parameter);
  queuedParameters_.erase(parameter);
}

void MVGenerationScheduler::forgetNode(const MVNode* node)
{
  const auto isNodeParameter = [node](const MVParameter* parameter) { return parameter->node() == node; };
  std::erase_if(unconnectedParametersRegenerationArray_, isNodeParameter);
  std::erase_if(queuedParameters_, isNodeParameter);
}

// ---- The generation cycle ----

void MVGenerationScheduler::generateOutputElement()
{
  generationStartTime_ = now();
  ++generationCycleID_;
  outputElement_.reset();
  // Connections start their preview histories again by themselves, at their first pull in
  // this cycle: a document of many connections is not walked through to mark them.
  resetNodeRandomSeeds();

  // The pull: every parameter read recomputes only when it needs to.
  std::shared_ptr<const MVElement> tree;
  if (MVNode* artboardNode = graph_.cachedArtboardNode()) {
    if (auto* source = dynamic_cast<MVArtboardSource*>(artboardNode)) {
      tree = source->layersOutputElement();
    }
  } else if (graph_.nodes().size() >= 2) {
    FeedbackManager::log("Warning, generateOutputElement with no artboardNode");
  }

  // Previews the pull did not reach.
  MVNode::sweep(graph_.nodes(), [this](const std::unique_ptr<MVNode>& node) {
    if (!node->hasParametersAwaitingUpdate()) {
      return;
    }
    for (const auto& parameter : node->parameters()) {
      if (parameter->needsToUpdate() && parameter->hasPreview() &&
          parameter->lastUpdateGenerationCycleID() != generationCycleID_ &&
          (parameter->hasInputSocket() || parameter->hasOutputSocket())) {
        queueParameterForRegeneration(parameter.get());
      }
    }
  });
  // By index: forcing a parameter may queue another one.
  for (std::size_t index = 0; index < unconnectedParametersRegenerationArray_.size(); ++index) {
    MVParameter* parameter = unconnectedParametersRegenerationArray_[index];
    if (!parameter->needsToUpdate()) {
      continue;
    }
    if (auto* graphics = dynamic_cast<MVParameterGraphics*>(parameter)) {
      (void)graphics->element();
    }
    if (auto* value = dynamic_cast<MVParameterValue*>(parameter)) {
      (void)value->value();
    }
    if (auto* color = dynamic_cast<MVParameterColor*>(parameter)) {
      (void)color->color();
    }
  }
  unconnectedParametersRegenerationArray_.clear();
  queuedParameters_.clear();

  outputElement_ = std::move(tree);
  numberOfElements_ = outputElement_ != nullptr ? outputElement_->numberOfSubElements() : 0;
  generationEndTime_ = now();
  generationTime_ = generationEndTime_ - generationStartTime_;
}

void MVGenerationScheduler::resetNodeRandomSeeds()
{
  for (MVNode* node : graph_.seededNodes()) {
    node->initRandomSeed();
  }
}

void MVGenerationScheduler::markConnectionsForNewPreviewGenerationCycle()
{
  for (const auto& connection : graph_.connections()) {
    connection->setPreviewsNewCycleFlag(true);
  }
}

// ---- Statistics ----

void MVGenerationScheduler::previewRerenderStart()
{
  generationTime_ = 0.0;
  updateStartTime_ = now();
}

void MVGenerationScheduler::updatePreviewFinished()
{
  updateEndTime_ = now();
  updateTime_ = updateEndTime_ - updateStartTime_;
}
