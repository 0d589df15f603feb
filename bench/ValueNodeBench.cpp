#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Values/ValueListNode.h"
#include "MorvNode/Nodes/Values/ValueMathNode.h"
#include "Platform/ManualRunLoop.h"
#include "Shared/ExpressionParser/ODExpressionParser.h"

namespace {

// Value nodes on the generation's path: a chain of math nodes, each "a*1.0001+b" of the one
// before, feeding the rotation of one shape, beside the same arithmetic in plain C++ and beside
// the expression evaluator alone on the same text; and a value list read once per published
// node index, as a repeater's copies read it, beside a plain array read.

constexpr int kChainLength = 1000;
constexpr const char* kFormula = "a*1.0001+b";

struct ValueGraph {
  ValueGraph()
  {
    pf::RunLoop::setCurrent(&runLoop);
    registerNodeClasses();
    controller.addNodeOfClass("ArtboardNode", {0, 0}, false);
  }
  ~ValueGraph() { controller.releaseResources(); }

  template <class Node>
  Node* add(const char* className)
  {
    return dynamic_cast<Node*>(controller.addNodeOfClass(className, {0, 0}, false));
  }
  void connect(MVParameter* from, MVParameter* to)
  {
    controller.addConnectionFromSocket(from->outputSocket(), to->inputSocket());
  }

  pf::ManualRunLoop runLoop;
  MVNodeController controller;
};

void mathChainGeneration(benchmark::State& state)
{
  ValueGraph graph;
  auto* artboard = dynamic_cast<ArtboardNode*>(graph.controller.nodeArray().front().get());
  auto* shape = graph.add<ElementShapeNode>("ElementShapeNode");
  graph.controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                           artboard->layers().at(0)->inputSocket());
  MVParameter* upstream = nullptr;
  for (int i = 0; i < kChainLength; ++i) {
    auto* math = graph.add<ValueMathNode>("ValueMathNode");
    math->expressionParameter().setExpressionString(kFormula);
    if (upstream != nullptr) {
      graph.connect(upstream, math->parameterNamed("A"));
    }
    upstream = &math->expressionParameter();
  }
  shape->rotationParameter()->setEnabled(true);
  graph.connect(upstream, shape->rotationParameter());
  graph.runLoop.advance(1.0);
  for (auto _ : state) {
    for (const auto& node : graph.controller.nodeArray()) {
      node->clearCachedValues();
    }
    graph.controller.regenerate();
    benchmark::DoNotOptimize(graph.controller.outputElement());
  }
  state.SetItemsProcessed(state.iterations() * kChainLength);
  state.counters["ns_per_node"] =
      benchmark::Counter(static_cast<double>(kChainLength), benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}
BENCHMARK(mathChainGeneration)->Unit(benchmark::kMicrosecond);

void mathChainPlainBaseline(benchmark::State& state)
{
  double b = 2.0;
  for (auto _ : state) {
    double a = 1.0;
    benchmark::DoNotOptimize(b);
    for (int i = 0; i < kChainLength; ++i) {
      a = a * 1.0001 + b;
    }
    benchmark::DoNotOptimize(a);
  }
  state.SetItemsProcessed(state.iterations() * kChainLength);
}
BENCHMARK(mathChainPlainBaseline)->Unit(benchmark::kMicrosecond);

// The evaluator's own cost for the text: lower-casing, tokenising and evaluating once per node.
void mathChainEvaluatorBaseline(benchmark::State& state)
{
  ODExpressionVariables variables{{"a", 1.0}, {"b", 2.0}, {"c", 3.0}};
  for (auto _ : state) {
    double a = 1.0;
    for (int i = 0; i < kChainLength; ++i) {
      variables.insert_or_assign("a", a);
      a = ODExpressionParser::parseExpression(kFormula, &variables);
    }
    benchmark::DoNotOptimize(a);
  }
  state.SetItemsProcessed(state.iterations() * kChainLength);
}
BENCHMARK(mathChainEvaluatorBaseline)->Unit(benchmark::kMicrosecond);

constexpr long kReads = 100000;

void valueListReadByNodeIndex(benchmark::State& state)
{
  ValueGraph graph;
  auto* publisher = graph.add<MVNode>("ValueNode");
  graph.controller.setNodeIndex("Index", publisher, 0);
  auto* list = graph.add<ValueListNode>("ValueListNode");
  list->indexParameterNamed("Number of values")->setIndex(8);  // 10 values
  list->indexParameterNamed("Index Mode")->setIndex(NodeListIndex::kElementIndex);
  MVParameterNodeIndex* index = list->elementIndexParameterNamed("IndexParameter");
  index->updateElementIndexes();
  const std::string key = MVNodeIndexTable::key(publisher->nodeId(), "Index");
  for (std::size_t i = 0; i < index->indexNames().size(); ++i) {
    if (index->indexNames()[i] == key) {
      index->setIndex(static_cast<long long>(i));
    }
  }
  graph.controller.updateDynamicValueNodesArray();
  MVParameterValue* output = list->valueParameter();
  for (auto _ : state) {
    double sum = 0;
    for (long copy = 0; copy < kReads; ++copy) {
      graph.controller.setNodeIndex("Index", publisher, copy);
      sum += output->value();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kReads);
}
BENCHMARK(valueListReadByNodeIndex)->Unit(benchmark::kMillisecond);

void valueListPlainBaseline(benchmark::State& state)
{
  std::vector<double> values;
  for (int k = 0; k < 10; ++k) {
    values.push_back(2.0 * k);
  }
  for (auto _ : state) {
    double sum = 0;
    for (long copy = 0; copy < kReads; ++copy) {
      benchmark::DoNotOptimize(copy);
      sum += values[static_cast<std::size_t>(NodeListIndex::position(static_cast<double>(copy), 10))];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kReads);
}
BENCHMARK(valueListPlainBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
