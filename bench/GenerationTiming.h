#pragma once

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVNode.h"

namespace bench {

// Times whole generations of `controller`'s graph with every node recomputing, as after a change
// at the root of the graph (one warm generation first).
inline void timeWholeGenerations(benchmark::State& state, MVNodeController& controller)
{
  controller.regenerate();
  for (auto _ : state) {
    for (const auto& node : controller.nodeArray()) {
      node->clearCachedValues();
    }
    controller.regenerate();
    benchmark::DoNotOptimize(controller.outputElement());
  }
}

// Reports the time per node, for benchmarks whose argument is the number of nodes.
inline void reportPerNode(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

}  // namespace bench
