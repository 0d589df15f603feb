#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/MVDragEditPanelView.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterValueView.h"
#include "MorvNode/Inspector/MySlider.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODTextField/ODTextField.h"

namespace {

// The cost of the parameter rows: building the rows of a node with 30 number parameters (as a
// node box shows them), refreshing the drag-edit strip for a selection of 50 nodes, and one step
// of the hover slider on a size that regenerates a 1,000-element artwork (a 40 x 25 grid of one
// shape). Each beside a plain baseline: the same count of plain Qt labels and line edits, the
// selection without the strip, and the same value set directly on the parameter.

// One offscreen application for the whole run.
QApplication& application()
{
  static int argc = 1;
  static char name[] = "bench_inspector";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

struct InspectorDocument {
  InspectorDocument()
  {
    application();
    pf::setLogEcho(false);
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    MVParameterView::registerBaseRows();
    MVParameterRows::registerRows();
    document.pauseUndoRegistration();
    artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    artboard->sizeParameter()->setValueX(600, 400);
    document.resumeUndoRegistration();
  }
  ~InspectorDocument() { MVInterfaceFactories::shared().clear(); }

  // A shape repeated in a 40 x 25 grid into the artboard.
  ElementShapeNode* addGridArtwork()
  {
    document.pauseUndoRegistration();
    auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
    auto* grid = dynamic_cast<RepeaterNode*>(controller.addNodeOfClass("RepeatGridNode", {0, 0}, false));
    grid->value2DParameterNamed("Count")->setValueX(40, 25);
    controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(), grid->graphicsParameter()->inputSocket());
    controller.addConnectionFromSocket(grid->graphicsParameter()->outputSocket(), artboard->layers().front()->inputSocket());
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
    return shape;
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  ArtboardNode* artboard = nullptr;  // owned by the controller
};

void inspectorRowsOfANode(benchmark::State& state)
{
  InspectorDocument fixture;
  MVNode* node = fixture.controller.addNodeOfClass("ElementShapeNode", {0, 0}, false);
  std::vector<MVParameterValue*> parameters;
  for (int index = 0; index < 30; ++index) {
    parameters.push_back(dynamic_cast<MVParameterValue*>(
        node->addParameter(MVParameterValue::parameterWithName("Bench value " + std::to_string(index)))));
  }
  QWidget box;
  box.resize(140, 900);
  for (auto _ : state) {
    int y = 0;
    for (MVParameterValue* parameter : parameters) {
      parameter->setParameterView(MVInterfaceFactories::shared().makeParameterView(*parameter));
      MVParameterView* row = MVParameterView::rowOf(*parameter);
      row->setParent(&box);
      row->setGeometry(0, y, 140, 100);
      row->setParameter(parameter);
      row->initInterface();
      row->updateInterface();
      y += row->height();
    }
    for (MVParameterValue* parameter : parameters) {
      delete MVParameterView::rowOf(*parameter);
      parameter->setParameterView(nullptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * 30);
}
BENCHMARK(inspectorRowsOfANode)->Unit(benchmark::kMillisecond);

void plainWidgetsBaseline(benchmark::State& state)
{
  application();
  QWidget box;
  box.resize(140, 900);
  for (auto _ : state) {
    std::vector<QWidget*> rows;
    for (int index = 0; index < 30; ++index) {
      auto* row = new QWidget(&box);
      row->setGeometry(0, index * 22, 140, 22);
      auto* label = new QLabel(QStringLiteral("Bench value"), row);
      label->setGeometry(9, 1, 121, 20);
      auto* field = new QLineEdit(row);
      field->setGeometry(95, 0, 35, 20);
      field->setText(QString::number(index));
      rows.push_back(row);
    }
    for (QWidget* row : rows) {
      delete row;
    }
  }
  state.SetItemsProcessed(state.iterations() * 30);
}
BENCHMARK(plainWidgetsBaseline)->Unit(benchmark::kMillisecond);

void selectFiftyNodes(benchmark::State& state, bool withPanel)
{
  InspectorDocument fixture;
  std::vector<MVNode*> nodes;
  for (int index = 0; index < 50; ++index) {
    nodes.push_back(fixture.controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
  }
  MVDragEditPanelView panel;
  if (withPanel) {
    panel.setNodeController(&fixture.controller);
  }
  for (auto _ : state) {
    fixture.controller.selectNode(nullptr, false, false, false);
    for (MVNode* node : nodes) {
      fixture.controller.selectNode(node, true, false, false);
    }
    fixture.controller.updateAfterSelectionChange();
    benchmark::DoNotOptimize(fixture.controller.dragEdit().availableParameters().size());
  }
  panel.setNodeController(nullptr);
}

void selectionOfFiftyNodes(benchmark::State& state)
{
  selectFiftyNodes(state, true);
}
BENCHMARK(selectionOfFiftyNodes)->Unit(benchmark::kMillisecond);

void selectionWithoutStripBaseline(benchmark::State& state)
{
  selectFiftyNodes(state, false);
}
BENCHMARK(selectionWithoutStripBaseline)->Unit(benchmark::kMillisecond);

void sliderDragStep(benchmark::State& state, bool throughSlider)
{
  InspectorDocument fixture;
  ElementShapeNode* shape = fixture.addGridArtwork();
  MVParameterValue2D* size = shape->value2DParameterNamed("Size");
  QWidget box;
  box.resize(300, 300);
  size->setParameterView(MVInterfaceFactories::shared().makeParameterView(*size));
  MVParameterView* row = MVParameterView::rowOf(*size);
  row->setParent(&box);
  row->setGeometry(0, 0, 140, 60);
  row->setParameter(size);
  row->initInterface();
  row->updateInterface();
  HoverControlsView* controls = HoverControlsView::sharedHoverControls();
  controls->showForField(row->findChild<ODTextField*>());
  controls->setDelegate(dynamic_cast<HoverControlsDelegate*>(row));
  controls->setParameter(size);
  double value = 10;
  for (auto _ : state) {
    value = value >= 14 ? 10 : value + 1;
    if (throughSlider) {
      controls->valueSlider()->setDoubleValue(value);
      controls->valueChanged(HoverControlsView::Sender::Slider, false);
    } else {
      size->setValueX(value);
    }
    fixture.controller.regenerate();
    benchmark::DoNotOptimize(fixture.controller.outputElement());
  }
  controls->hideControls();
  controls->setParameter(nullptr);
  state.counters["elements"] = static_cast<double>(fixture.controller.numberOfElements());
}

void hoverSliderDragStep(benchmark::State& state)
{
  sliderDragStep(state, true);
}
BENCHMARK(hoverSliderDragStep)->Unit(benchmark::kMillisecond);

void directValueStepBaseline(benchmark::State& state)
{
  sliderDragStep(state, false);
}
BENCHMARK(directValueStepBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
