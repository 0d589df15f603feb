#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

// A document of N shapes on the artboard, each with its horizontal position animated by three
// keyframes (eased at the middle one) over a 5 s animation at 60 frames per second. One
// iteration steps through 300 frames; "per animator per frame" divides by N x 300. Beside it:
// the same three keyframes of every animator interpolated in a plain loop over plain structs.

constexpr int kFrames = 300;
constexpr double kFramerate = 60.0;
constexpr double kDuration = 5.0;

struct Key {
  double time;
  double value;
};

Key keyOf(long i, int k)
{
  const double times[] = {0.0, 2.5, 5.0};
  return {times[k], static_cast<double>((i * 7 + k * 13) % 200)};
}

struct AnimatedDocument {
  explicit AnimatedDocument(long count)
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    manager.setDuration(kDuration);
    manager.setFramerate(kFramerate);
    for (long i = 0; i < count; ++i) {
      auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
      shape->sizeParameter()->setValueX(10.0, 10.0);
      controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                         artboard->layers().front()->inputSocket());
      ODAnimator* animator = manager.addAnimatorForTarget(shape->positionParameter(), "x");
      for (int k = 0; k < 3; ++k) {
        ODAnimatorKeyframe* keyframe = animator->addKeyframeWithValue(keyOf(i, k).value, keyOf(i, k).time);
        keyframe->setEaseInType(k == 1 ? 1 : 0);
        keyframe->setEaseOutType(k == 1 ? 1 : 0);
      }
    }
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  ODAnimationManager& manager = document.animationManager();
};

void reportPerAnimatorFrame(benchmark::State& state)
{
  const double steps = static_cast<double>(state.range(0)) * kFrames;
  state.counters["per animator per frame"] =
      benchmark::Counter(steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The manager applies every animator for each frame's time (the parameters' changes only ask
// for a regeneration).
void animationApply(benchmark::State& state)
{
  AnimatedDocument document(state.range(0));
  for (auto _ : state) {
    for (int frame = 1; frame <= kFrames; ++frame) {
      document.manager.setCurrentTime(frame / kFramerate);
    }
    document.manager.setCurrentTime(0.0);
  }
  reportPerAnimatorFrame(state);
}
BENCHMARK(animationApply)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

// One playback frame as the run loop runs it: the tick applies the animators, then the merged
// regeneration builds the output tree (rendering not included). "per frame" must stay under
// 1/60 s for playback to hold 60 frames per second.
void animationPlaybackFrames(benchmark::State& state)
{
  AnimatedDocument document(state.range(0));
  document.manager.play();
  for (auto _ : state) {
    for (int frame = 0; frame < kFrames; ++frame) {
      document.runLoop.advance(1.0 / kFramerate);
    }
  }
  document.manager.pause();
  reportPerAnimatorFrame(state);
  state.counters["per frame"] =
      benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(animationPlaybackFrames)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same keyframes interpolated in a plain loop: find the segment, ease, store.
void plainInterpolationBaseline(benchmark::State& state)
{
  const long count = state.range(0);
  std::vector<Key> keys;
  for (long i = 0; i < count; ++i) {
    for (int k = 0; k < 3; ++k) {
      keys.push_back(keyOf(i, k));
    }
  }
  std::vector<double> values(static_cast<std::size_t>(count));
  for (auto _ : state) {
    for (int frame = 1; frame <= kFrames; ++frame) {
      const double t = frame / kFramerate;
      for (long i = 0; i < count; ++i) {
        const Key* k = &keys[static_cast<std::size_t>(i) * 3];
        const Key& a = t < k[1].time ? k[0] : k[1];
        const Key& b = t < k[1].time ? k[1] : k[2];
        const double u = (t - a.time) / (b.time - a.time);
        // Eased into the middle keyframe on the first segment, out of it on the second.
        const double eased = t < k[1].time ? 1.0 - (1.0 - u) * (1.0 - u) : u * u;
        values[static_cast<std::size_t>(i)] = a.value + eased * (b.value - a.value);
      }
      benchmark::DoNotOptimize(values.data());
      benchmark::ClobberMemory();
    }
  }
  reportPerAnimatorFrame(state);
}
BENCHMARK(plainInterpolationBaseline)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
