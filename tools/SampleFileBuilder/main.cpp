// Makes the application's sample documents: one small artwork per node family, each built
// through the graph controller as a user would build it, generated once to check that it works
// without a single log line or node warning, and saved. Run by the build.
// With --default-documents it makes the two documents new documents are made from
// ("Default.mvdx" and "DefaultEmpty.mvdx", kept in App/resources) the same way, so that they
// hold everything the document writer writes, with a new document's values.
// Usage: morv_sample_files [--default-documents] OUTPUT_FOLDER
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// Problems found while building; any of them fails the build.
std::vector<std::string>& problems()
{
  static std::vector<std::string> list;
  return list;
}

void problem(const std::string& text)
{
  problems().push_back(text);
}

// One document being built: the graph controller's editing operations with checks.
class SampleBuilder {
public:
  SampleBuilder(const std::string& name, double width, double height, const RandomSource& random,
                pf::Point artboardOrigin = {760.0, 100.0})
    : name_(name)
  {
    document_.setRandomSource(&random);
    document_.initExportParametes();
    artboard_ = dynamic_cast<ArtboardNode*>(controller().addNodeOfClass("ArtboardNode", artboardOrigin, false));
    if (artboard_ == nullptr) {
      problem(name + ": no artboard");
      return;
    }
    artboard_->sizeParameter()->setValueX(width, height);
  }

  MVNodeController& controller() { return document_.nodeController(); }

  MVNode* add(const std::string& className, double x, double y)
  {
    MVNode* node = controller().addNodeOfClass(className, {x, y}, false);
    if (node == nullptr) {
      problem(name_ + ": could not add " + className);
    }
    return node;
  }

  // The element output of `from` into the element input of `to`.
  void link(MVNode* from, MVNode* to) { connect(from, MVSocketType::Element, to, nullptr); }
  // A value or colour output of `from` into the named parameter of `to`.
  void feed(MVNode* from, MVSocketType type, MVNode* to, const char* parameterName)
  {
    connect(from, type, to, parameterName);
  }
  // The element output of `from` onto an artboard layer (0: the top layer).
  void output(MVNode* from, std::size_t layer)
  {
    if (from == nullptr || artboard_ == nullptr || layer >= artboard_->layers().size()) {
      problem(name_ + ": no layer for the output");
      return;
    }
    MVParameter* source = from->primaryOutputParameterForType(MVSocketType::Element);
    if (source == nullptr || controller().addConnectionFromSocket(source->outputSocket(),
                                                                  artboard_->layers()[layer]->inputSocket()) == nullptr) {
      problem(name_ + ": could not connect " + from->className() + " to the artboard");
    }
  }

  static void setSize(MVNode* node, const char* name, double x, double y)
  {
    if (node != nullptr && node->value2DParameterNamed(name) != nullptr) {
      node->value2DParameterNamed(name)->setValueX(x, y);
    } else {
      problem(std::string("no two-axis parameter ") + name);
    }
  }
  static void setValue(MVNode* node, const char* name, double value)
  {
    if (node != nullptr && node->valueParameterNamed(name) != nullptr) {
      node->valueParameterNamed(name)->setValue(value);
    } else {
      problem(std::string("no value parameter ") + name);
    }
  }
  static void setColor(MVNode* node, const char* name, const pf::Color& color)
  {
    if (node != nullptr && node->colorParameterNamed(name) != nullptr) {
      node->colorParameterNamed(name)->setColor(color);
    } else {
      problem(std::string("no colour parameter ") + name);
    }
  }
  // Switches on a parameter's enable toggle (a switched-off parameter takes no connection).
  static void enable(MVNode* node, const char* name)
  {
    if (node != nullptr && node->parameterNamed(name) != nullptr) {
      node->parameterNamed(name)->setEnabled(true);
    } else {
      problem(std::string("no parameter ") + name);
    }
  }
  static void setBool(MVNode* node, const char* name, bool value)
  {
    auto* parameter = node != nullptr ? dynamic_cast<MVParameterBool*>(node->parameterNamed(name)) : nullptr;
    if (parameter != nullptr) {
      parameter->setValue(value);
    } else {
      problem(std::string("no switch parameter ") + name);
    }
  }
  static void setIndex(MVNode* node, const char* name, long long index)
  {
    if (node != nullptr && node->indexParameterNamed(name) != nullptr) {
      node->indexParameterNamed(name)->setIndex(index);
    } else {
      problem(std::string("no choice parameter ") + name);
    }
  }

  // Generates once and saves; a log line or a node warning on the way is a problem. Boxes keep
  // the places they were given unless `settle`.
  void save(pf::ManualRunLoop& runLoop, const std::filesystem::path& folder, bool settle = true)
  {
    if (settle) {
      settleColumns();
    }
    std::vector<std::string> lines;
    pf::setLogSink([&lines](const std::string& line) { lines.push_back(line); });
    controller().scheduleRegenerationForced();
    runLoop.advance(MVNodeController::kRegenerationDelay * 2);
    controller().checkWarnings();
    for (const auto& node : controller().nodeArray()) {
      for (const std::string& warning : node->warningMessages()) {
        problem(name_ + ": " + node->className() + " warns: " + warning);
      }
    }
    if (controller().nodeArray().size() > 1 && controller().outputElement() == nullptr) {
      problem(name_ + ": generates nothing");
    }
    if (!document_.writeToURL(folder / (name_ + ".mvdx"))) {
      problem(name_ + ": could not be saved");
    }
    runLoop.runPending();
    pf::setLogSink(nullptr);
    for (const std::string& line : lines) {
      problem(name_ + ": logged: " + line);
    }
  }

private:
  // Boxes are placed by hand for the look of the graph, but their heights come from the rows
  // they show: where a box would cover the one below it in the same column, the lower one moves
  // down (and those under it with it) to leave a gap.
  void settleColumns()
  {
    constexpr double kColumnWidth = 160.0;  // points: boxes closer than this share a column
    constexpr double kGap = 30.0;
    std::vector<MVNode*> nodes;
    for (const auto& node : controller().nodeArray()) {
      nodes.push_back(node.get());
    }
    std::sort(nodes.begin(), nodes.end(), [](const MVNode* a, const MVNode* b) {
      return a->initialNodeViewOrigin().x < b->initialNodeViewOrigin().x;
    });
    std::size_t start = 0;
    while (start < nodes.size()) {
      std::size_t end = start + 1;
      while (end < nodes.size() &&
             nodes[end]->initialNodeViewOrigin().x - nodes[start]->initialNodeViewOrigin().x < kColumnWidth) {
        ++end;
      }
      std::sort(nodes.begin() + static_cast<std::ptrdiff_t>(start), nodes.begin() + static_cast<std::ptrdiff_t>(end),
                [](const MVNode* a, const MVNode* b) {
                  return a->initialNodeViewOrigin().y < b->initialNodeViewOrigin().y;
                });
      double free = -1.0e9;
      for (std::size_t i = start; i < end; ++i) {
        pf::Point origin = nodes[i]->initialNodeViewOrigin();
        if (origin.y < free) {
          origin.y = free;
          nodes[i]->setInitialNodeViewOrigin(origin);
        }
        free = origin.y + estimatedHeight(*nodes[i]) + kGap;
      }
      start = end;
    }
  }

  // A box's height from the rows it shows: a header, a picture for a previewed element output,
  // one row for each other shown parameter.
  static double estimatedHeight(const MVNode& node)
  {
    double height = 36.0;
    for (const auto& parameter : node.parameters()) {
      if (parameter->layoutHidden()) {
        continue;
      }
      const bool picture = parameter->hasPreview() && !parameter->outputSockets().empty() &&
                           parameter->outputSockets().front()->socketType() == MVSocketType::Element;
      height += picture ? 90.0 : 30.0;  // generous: a gap reads better than an overlap
    }
    return height;
  }

  void connect(MVNode* from, MVSocketType type, MVNode* to, const char* parameterName)
  {
    if (from == nullptr || to == nullptr) {
      return;
    }
    MVParameter* source = from->primaryOutputParameterForType(type);
    MVParameter* target =
        parameterName != nullptr ? to->parameterNamed(parameterName) : to->primaryInputParameterForType(type);
    if (source == nullptr || target == nullptr || source->outputSocket() == nullptr || target->inputSocket() == nullptr ||
        controller().addConnectionFromSocket(source->outputSocket(), target->inputSocket()) == nullptr) {
      problem(name_ + ": could not connect " + from->className() + " to " + to->className() +
              (parameterName != nullptr ? std::string(" ") + parameterName : std::string()));
    }
  }

  std::string name_;
  MVDocument document_;
  ArtboardNode* artboard_ = nullptr;
};

using Build = std::function<void(SampleBuilder&)>;

struct Sample {
  const char* name;
  double width;
  double height;
  Build build;
};

pf::Color rgb(double red, double green, double blue)
{
  return pf::Color::rgb(red, green, blue);
}

std::vector<Sample> samples()
{
  return {
      {"Elements - Shapes and lines", 300, 200,
       [](SampleBuilder& b) {
         MVNode* sun = b.add("ElementShapeNode", 100, 60);
         SampleBuilder::setIndex(sun, "Type", 6);
         SampleBuilder::setSize(sun, "Size", 70, 70);
         SampleBuilder::setSize(sun, "Position", 220, 60);
         SampleBuilder::setColor(sun, "Fill Color", rgb(0.98, 0.72, 0.18));
         MVNode* hill = b.add("ElementShapeNode", 100, 300);
         SampleBuilder::setIndex(hill, "Type", 0);
         SampleBuilder::setSize(hill, "Size", 280, 90);
         SampleBuilder::setSize(hill, "Position", 150, 150);
         SampleBuilder::setColor(hill, "Fill Color", rgb(0.36, 0.62, 0.33));
         MVNode* horizon = b.add("ElementLineNode", 100, 540);
         SampleBuilder::setSize(horizon, "Size", 280, 0);
         SampleBuilder::setSize(horizon, "Position", 150, 150);
         b.output(sun, 0);
         b.output(hill, 1);
         b.output(horizon, 2);
       }},
      {"Repeat - Radial flower", 240, 240,
       [](SampleBuilder& b) {
         MVNode* petal = b.add("ElementShapeNode", 100, 100);
         SampleBuilder::setIndex(petal, "Type", 0);
         SampleBuilder::setSize(petal, "Size", 30, 70);
         SampleBuilder::setSize(petal, "Position", 120, 120);
         SampleBuilder::setColor(petal, "Fill Color", rgb(0.85, 0.33, 0.52));
         MVNode* radial = b.add("RepeatRadialNode", 400, 100);
         SampleBuilder::setValue(radial, "Count", 12);
         SampleBuilder::setSize(radial, "Diameter", 110, 110);
         b.link(petal, radial);
         b.output(radial, 0);
       }},
      {"Repeat - Grid, mirror and scatter", 300, 300,
       [](SampleBuilder& b) {
         // The grid takes its elements from the list in turn (the list follows the grid's index).
         MVNode* dot = b.add("ElementShapeNode", 100, 60);
         SampleBuilder::setIndex(dot, "Type", 0);
         SampleBuilder::setSize(dot, "Size", 16, 16);
         SampleBuilder::setSize(dot, "Position", 50, 50);
         SampleBuilder::setColor(dot, "Fill Color", rgb(0.2, 0.45, 0.8));
         MVNode* square = b.add("ElementShapeNode", 100, 260);
         SampleBuilder::setSize(square, "Size", 12, 12);
         SampleBuilder::setSize(square, "Position", 50, 50);
         SampleBuilder::setColor(square, "Fill Color", rgb(0.85, 0.3, 0.3));
         MVNode* list = b.add("ElementListNode", 360, 100);
         b.link(dot, list);
         b.link(square, list);
         MVNode* grid = b.add("RepeatGridNode", 600, 100);
         SampleBuilder::setSize(grid, "Count", 5, 5);
         SampleBuilder::setSize(grid, "Offset", 50, 50);
         b.link(list, grid);
         b.output(grid, 2);
         MVNode* leaf = b.add("ElementShapeNode", 100, 400);
         SampleBuilder::setIndex(leaf, "Type", 2);
         SampleBuilder::setSize(leaf, "Size", 30, 24);
         SampleBuilder::setSize(leaf, "Position", 50, 50);
         SampleBuilder::setColor(leaf, "Fill Color", rgb(0.9, 0.5, 0.15));
         MVNode* mirror = b.add("RepeatMirrorNode", 360, 400);
         b.link(leaf, mirror);
         MVNode* scatter = b.add("RepeatRandomNode", 620, 400);
         // Scattered over a square inside the artboard: the offsets run from the leaf's place.
         SampleBuilder::setBool(scatter, "Use artboard size", false);
         SampleBuilder::setSize(scatter, "Repetition area", 200, 200);
         b.link(mirror, scatter);
         b.output(scatter, 1);
         MVNode* step = b.add("ElementShapeNode", 100, 700);
         SampleBuilder::setSize(step, "Size", 20, 20);
         SampleBuilder::setSize(step, "Position", 130, 130);
         SampleBuilder::setColor(step, "Fill Color", rgb(0.35, 0.35, 0.4));
         MVNode* chain = b.add("RepeatTransformNode", 360, 700);
         b.link(step, chain);
         b.output(chain, 0);
       }},
      {"Change - Colours, strokes and transforms", 300, 300,
       [](SampleBuilder& b) {
         MVNode* tile = b.add("ElementShapeNode", 100, 100);
         SampleBuilder::setSize(tile, "Size", 30, 30);
         SampleBuilder::setSize(tile, "Position", 60, 60);
         SampleBuilder::setColor(tile, "Fill Color", rgb(0.3, 0.5, 0.9));
         MVNode* grid = b.add("RepeatGridNode", 330, 100);
         SampleBuilder::setSize(grid, "Offset", 60, 60);
         b.link(tile, grid);
         MVNode* color = b.add("ChangeColorNode", 560, 100);
         b.link(grid, color);
         MVNode* stroke = b.add("ChangeStrokeNode", 790, 100);
         b.link(color, stroke);
         MVNode* opacity = b.add("ChangeOpacityNode", 1020, 100);
         b.link(stroke, opacity);
         MVNode* transform = b.add("ChangeTransformNode", 1250, 100);
         b.link(opacity, transform);
         MVNode* pivot = b.add("ChangePivotNode", 1480, 100);
         b.link(transform, pivot);
         b.output(pivot, 0);
       }},
      {"Group - Arrange, randomise and align", 300, 300,
       [](SampleBuilder& b) {
         MVNode* square = b.add("ElementShapeNode", 100, 100);
         SampleBuilder::setSize(square, "Size", 24, 24);
         SampleBuilder::setSize(square, "Position", 50, 50);
         SampleBuilder::setColor(square, "Fill Color", rgb(0.55, 0.3, 0.75));
         MVNode* grid = b.add("RepeatGridNode", 330, 100);
         SampleBuilder::setSize(grid, "Count", 5, 5);
         SampleBuilder::setSize(grid, "Offset", 50, 50);
         b.link(square, grid);
         MVNode* randomize = b.add("GroupRandomizeNode", 560, 100);
         b.link(grid, randomize);
         MVNode* colors = b.add("GroupRandomizeColorNode", 790, 100);
         b.link(randomize, colors);
         b.output(colors, 0);
         MVNode* bar = b.add("ElementShapeNode", 100, 450);
         SampleBuilder::setSize(bar, "Size", 20, 60);
         SampleBuilder::setSize(bar, "Position", 60, 200);
         SampleBuilder::setColor(bar, "Fill Color", rgb(0.95, 0.6, 0.2));
         MVNode* row = b.add("RepeatGridNode", 330, 450);
         b.link(bar, row);
         MVNode* arrange = b.add("GroupArrangeNode", 560, 450);
         b.link(row, arrange);
         MVNode* align = b.add("ChangeAlignNode", 790, 450);
         b.link(arrange, align);
         b.output(align, 1);
       }},
      {"Values - Time and math", 240, 240,
       [](SampleBuilder& b) {
         MVNode* blade = b.add("ElementShapeNode", 400, 100);
         SampleBuilder::setSize(blade, "Size", 160, 160);
         SampleBuilder::setSize(blade, "Position", 120, 120);
         SampleBuilder::setColor(blade, "Fill Color", rgb(0.2, 0.6, 0.55));
         MVNode* time = b.add("ValueTimeFunctionNode", 100, 100);
         MVNode* math = b.add("ValueMathNode", 100, 400);
         SampleBuilder::enable(blade, "Rotation");
         b.feed(time, MVSocketType::Value, blade, "Rotation");
         MVNode* value = b.add("ValueNode", 100, 600);
         b.feed(value, MVSocketType::Value, math, nullptr);
         MVNode* random = b.add("ValueRandomNode", 100, 800);
         (void)random;
         b.output(blade, 0);
       }},
      {"Colors - Lists and adjustments", 300, 200,
       [](SampleBuilder& b) {
         MVNode* dot = b.add("ElementShapeNode", 400, 100);
         SampleBuilder::setIndex(dot, "Type", 0);
         SampleBuilder::setSize(dot, "Size", 40, 40);
         SampleBuilder::setSize(dot, "Position", 60, 60);
         MVNode* grid = b.add("RepeatGridNode", 640, 100);
         SampleBuilder::setSize(grid, "Count", 4, 3);
         SampleBuilder::setSize(grid, "Offset", 60, 40);
         b.link(dot, grid);
         MVNode* list = b.add("ColorListNode", 100, 100);
         b.feed(list, MVSocketType::Color, dot, "Fill Color");
         b.output(grid, 1);
         MVNode* backdrop = b.add("ElementShapeNode", 400, 500);
         SampleBuilder::setSize(backdrop, "Size", 300, 200);
         SampleBuilder::setSize(backdrop, "Position", 150, 100);
         MVNode* color = b.add("ColorNode", 100, 400);
         MVNode* adjust = b.add("ColorAdjustmentNode", 100, 650);
         b.feed(color, MVSocketType::Color, adjust, nullptr);
         b.feed(adjust, MVSocketType::Color, backdrop, "Fill Color");
         b.output(backdrop, 2);
       }},
      {"Notes - A commented graph", 200, 200,
       [](SampleBuilder& b) {
         MVNode* note = b.add("NoteNode", 100, 100);
         (void)note;
         MVNode* circle = b.add("ElementShapeNode", 100, 300);
         SampleBuilder::setIndex(circle, "Type", 0);
         SampleBuilder::setSize(circle, "Size", 150, 150);
         SampleBuilder::setSize(circle, "Position", 100, 100);
         SampleBuilder::setColor(circle, "Fill Color", rgb(0.93, 0.42, 0.3));
         b.output(circle, 0);
       }},
  };
}

// The documents new documents are made from: an artboard (sized afterwards by the user's
// preference), and for "Default.mvdx" a circle in front of a square.
std::vector<Sample> defaultDocuments()
{
  return {
      {"Default", 300, 300,
       [](SampleBuilder& b) {
         MVNode* circle = b.add("ElementShapeNode", 120, 80);
         SampleBuilder::setIndex(circle, "Type", 0);
         SampleBuilder::setSize(circle, "Size", 120, 120);
         SampleBuilder::setSize(circle, "Position", 150, 150);
         SampleBuilder::setColor(circle, "Fill Color", rgb(0.95, 0.55, 0.2));
         MVNode* square = b.add("ElementShapeNode", 120, 680);
         SampleBuilder::setIndex(square, "Type", 1);
         SampleBuilder::setSize(square, "Size", 200, 200);
         SampleBuilder::setSize(square, "Position", 150, 150);
         SampleBuilder::setColor(square, "Fill Color", rgb(0.16, 0.3, 0.45));
         b.output(circle, 1);
         b.output(square, 2);
       }},
      {"DefaultEmpty", 300, 300, [](SampleBuilder&) {}},
  };
}

}  // namespace

int main(int argc, char* argv[])
{
  const bool defaultDocumentsOnly = argc == 3 && std::string(argv[1]) == "--default-documents";
  if (argc != 2 && !defaultDocumentsOnly) {
    std::fprintf(stderr, "usage: %s [--default-documents] OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[argc - 1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  pf::setLogEcho(false);
  pf::ManualRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);
  auto defaults = std::make_shared<pf::UserDefaults>((folder / ".sample-builder-defaults.plist").string());
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerNodeClasses();
  const RandomSource random(123456789);
  if (defaultDocumentsOnly) {
    for (const Sample& sample : defaultDocuments()) {
      SampleBuilder builder(sample.name, sample.width, sample.height, random, {520.0, 120.0});
      sample.build(builder);
      builder.save(runLoop, folder, false);
    }
  } else {
    for (const Sample& sample : samples()) {
      SampleBuilder builder(sample.name, sample.width, sample.height, random);
      sample.build(builder);
      builder.save(runLoop, folder);
    }
  }
  std::filesystem::remove(folder / ".sample-builder-defaults.plist", error);
  pf::RunLoop::setCurrent(nullptr);
  for (const std::string& text : problems()) {
    std::fprintf(stderr, "%s: %s\n", argv[0], text.c_str());
  }
  return problems().empty() ? 0 : 1;
}
