#include "MorvNode/Model/MVParameterGraphics.h"

#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"

namespace {

// A node whose "Graphics" parameter wraps its input in a group named "wrapped" (counting the
// builds) and whose "Layer" is a graphics layer. While `pushWhileBuilding` is set, building
// pushes a change into the parameter itself, as a source that touches its own inputs does.
class GraphicsHostNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass nodeClass = [] {
      MVNodeClass info;
      info.className = "GraphicsHostNode";
      info.displayName = "Host";
      info.displayTypeName = "Group";
      info.create = [] { return std::make_unique<GraphicsHostNode>(); };
      return info;
    }();
    return nodeClass;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto graphics = MVParameterGraphics::parameterWithName("Graphics");
    graphics->setGraphicsSource(this);
    addParameter(std::move(graphics));
    addParameter(MVParameterGraphicsLayer::parameterWithName("Layer 1"));
  }

  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override
  {
    ++builds;
    if (pushWhileBuilding) {
      parameter->inputChanged();
    }
    if (!inputElement) {
      return nullptr;
    }
    auto group = std::make_shared<MVElementGroup>();
    group->setElementName("wrapped");
    group->addElement(std::move(inputElement));
    return group;
  }

  int builds = 0;
  bool pushWhileBuilding = false;
};

// A row that counts its layouts.
class CountingRow : public MVParameterInterfaceDelegate {
public:
  explicit CountingRow(int* layouts) : layouts_(layouts) {}
  void setNeedsLayout() override { ++*layouts_; }
  void makeFirstResponder() override {}
  void setHidden(bool) override {}

private:
  int* layouts_;  // owned by the test
};

class GraphicsParameterTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    MVClassRegistry::shared().registerNodeClass(GraphicsHostNode::nodeClassInfo());
    source = controller.addNode("TestSourceNode");
    host = static_cast<GraphicsHostNode*>(controller.addNode("GraphicsHostNode"));
    graphics = host->graphicsParameterNamed("Graphics");
    layer = host->parameterNamed<MVParameterGraphicsLayer>("Layer 1");
    undo.records.clear();
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* source = nullptr;
  GraphicsHostNode* host = nullptr;
  MVParameterGraphics* graphics = nullptr;
  MVParameterGraphicsLayer* layer = nullptr;
};

TEST_F(GraphicsParameterTest, EveryReadSharesTheOneBuild)
{
  controller.connect(source->parameterNamed("Graphics"), graphics);
  controller.generationCycleID = 7;
  const std::shared_ptr<const MVElement> first = graphics->element();
  const std::shared_ptr<const MVElement> second = graphics->element();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, graphics->cachedElement());
  EXPECT_EQ(host->builds, 1);
  EXPECT_EQ(graphics->lastUpdateGenerationCycleID(), 7);
  EXPECT_FALSE(graphics->needsToUpdate());
  EXPECT_EQ(memberNames(second), std::vector<std::string>{"1 element"});

  // A reader that changes what it got changes its own copy; the cache stays as built.
  std::shared_ptr<MVElement> changed = first->copy();
  changed->setElementName("changed");
  changed->rotate(45);
  EXPECT_EQ(graphics->cachedElement()->elementName(), "wrapped");
  EXPECT_EQ(graphics->element()->elementName(), "wrapped");
  EXPECT_FALSE(graphics->cachedElement()->transformStack().has_value());

  // A change upstream makes the next read build again.
  source->clearCachedValues();
  source->parameterNamed("Graphics")->inputChanged();
  EXPECT_TRUE(graphics->needsToUpdate());
  graphics->element();
  EXPECT_EQ(host->builds, 2);
}

TEST_F(GraphicsParameterTest, WithoutSourceTheInputPassesThrough)
{
  auto plain = MVParameterGraphics::parameterWithName("Plain");
  EXPECT_EQ(plain->element(), nullptr);
  EXPECT_EQ(plain->previewElement(), nullptr);

  MVParameterGraphics* passing = host->addParameter(MVParameterGraphics::parameterWithName("Passing"));
  controller.connect(source->parameterNamed("Graphics"), passing);
  const std::shared_ptr<const MVElement> element = passing->element();
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->elementName(), "1 element");
  EXPECT_EQ(memberNames(element), std::vector<std::string>{});
}

TEST_F(GraphicsParameterTest, PreviewIsRebuiltOnlyAfterANewBuild)
{
  EXPECT_EQ(graphics->previewElement(), nullptr);
  controller.connect(source->parameterNamed("Graphics"), graphics);
  graphics->element();
  const std::shared_ptr<const MVElement> preview = graphics->previewElement();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->elementName(), "<MVParameterGraphics [Group Host 'Graphics']> preview element");
  EXPECT_NE(preview, graphics->cachedElement());
  EXPECT_EQ(graphics->previewElement(), preview);

  graphics->element();  // from the cache: the preview stays
  EXPECT_EQ(graphics->previewElement(), preview);
  graphics->inputChanged();
  graphics->element();
  const std::shared_ptr<const MVElement> rebuilt = graphics->previewElement();
  EXPECT_NE(rebuilt, preview);
  EXPECT_EQ(preview->elementName(), rebuilt->elementName());  // the old one is left intact for its readers
}

TEST_F(GraphicsParameterTest, PushWhileBuildingIsDropped)
{
  controller.connect(source->parameterNamed("Graphics"), graphics);
  host->pushWhileBuilding = true;
  controller.changes.clear();
  graphics->element();
  EXPECT_FALSE(graphics->needsToUpdate());
  EXPECT_FALSE(graphics->isGenerating());
  EXPECT_TRUE(controller.changes.empty());
  graphics->element();
  EXPECT_EQ(host->builds, 1);
}

TEST_F(GraphicsParameterTest, PreviewRefreshIsScheduledOnlyWhereItShows)
{
  int layouts = 0;
  graphics->setParameterView(std::make_unique<CountingRow>(&layouts));

  // Unconnected input socket: nothing to refresh.
  graphics->inputChanged();
  EXPECT_TRUE(controller.scheduled.empty());
  EXPECT_TRUE(graphics->needsToUpdate());
  ASSERT_FALSE(controller.changes.empty());
  EXPECT_EQ(controller.changes.back(), std::make_pair(static_cast<MVParameter*>(graphics), std::string("graphics")));

  // Connected input, shown preview, nothing downstream: scheduled.
  controller.connect(source->parameterNamed("Graphics"), graphics);
  controller.scheduled.clear();
  graphics->inputChanged();
  EXPECT_EQ(controller.scheduled, std::vector<MVParameter*>{graphics});

  // Something downstream pulls it instead.
  MVNode* downstream = controller.addNode("TestProcessNode");
  controller.connect(graphics, downstream->parameterNamed("Graphics"));
  controller.scheduled.clear();
  graphics->inputChanged();
  EXPECT_EQ(std::count(controller.scheduled.begin(), controller.scheduled.end(), graphics), 0);

  // A parameter without input socket, with a row and a preview, asks for itself.
  auto own = MVParameterGraphics::parameterWithName("Own");
  own->setHasInputSocket(false);
  MVParameterGraphics* ownParameter = host->addParameter(std::move(own));
  int ownLayouts = 0;
  ownParameter->setParameterView(std::make_unique<CountingRow>(&ownLayouts));
  controller.scheduled.clear();
  ownParameter->inputChanged();
  EXPECT_EQ(controller.scheduled, std::vector<MVParameter*>{ownParameter});
  // Without a preview it does not.
  ownParameter->setLayoutHasPreview(false);
  controller.scheduled.clear();
  ownParameter->inputChanged();
  EXPECT_TRUE(controller.scheduled.empty());
}

TEST_F(GraphicsParameterTest, LayerVisibilityAndNameAreUndoable)
{
  EXPECT_TRUE(layer->visible());
  EXPECT_FALSE(layer->hasPreview());
  EXPECT_TRUE(layer->outputSockets().empty());
  ASSERT_EQ(layer->inputSockets().size(), 1u);

  controller.changes.clear();
  layer->setVisible(false);
  layer->setVisible(false);
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].actionName, "hide layer layer 1");
  EXPECT_EQ(undo.records[0].state.find("propertyValue")->toBool(), true);
  EXPECT_EQ(controller.changes.size(), 1u);
  EXPECT_EQ(controller.changes[0].second, "graphics");

  layer->setDisplayName("Background");
  ASSERT_EQ(undo.records.size(), 2u);
  EXPECT_EQ(undo.records[1].actionName, "rename layer");
  EXPECT_EQ(*undo.records[1].state.find("propertyValue")->asString(), "Layer 1");
  EXPECT_EQ(layer->description(), "<MVParameterGraphicsLayer [Host, Layer 1 'Background']>");

  // Undo: the reverse steps record their own inverses.
  layer->revertProperty("visible", pf::PlistValue(true));
  EXPECT_TRUE(layer->visible());
  EXPECT_EQ(undo.records.back().actionName, "show layer background");
  layer->revertProperty("displayName", pf::PlistValue("Layer 1"));
  EXPECT_EQ(layer->displayName(), "Layer 1");
}

TEST_F(GraphicsParameterTest, LayerRecordRoundTrip)
{
  layer->setVisible(false);
  layer->setDisplayName("Top");
  const pf::PlistValue::Dictionary record = layer->descriptionDictionary();
  EXPECT_EQ(record.find("Visible")->toBool(), false);
  EXPECT_EQ(*record.find("Display Name")->asString(), "Top");

  auto loaded = MVParameterGraphicsLayer::parameterWithName("Layer 1");
  EXPECT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_FALSE(loaded->visible());
  EXPECT_EQ(loaded->displayName(), "Top");

  // Missing keys keep the defaults.
  pf::PlistValue::Dictionary bare = record;
  bare.erase("Visible");
  bare.erase("Display Name");
  auto defaults = MVParameterGraphicsLayer::parameterWithName("Layer 1");
  EXPECT_TRUE(defaults->loadDescriptionDictionary(bare));
  EXPECT_TRUE(defaults->visible());
  EXPECT_EQ(defaults->displayName(), "Layer 1");

  EXPECT_NE(MVClassRegistry::shared().createParameter("MVParameterGraphicsLayer", "Layer"), nullptr);
}

TEST(ReferenceGraphics, NodesShowNineSquaresForAMissingInput)
{
  RecordingUndo undo;
  FakeController controller{&undo};
  registerTestNodeClasses();
  MVNode* node = controller.addNode("TestProcessNode");
  const auto group = std::dynamic_pointer_cast<const MVElementGroup>(node->getReferenceInputGraphicsNamed("Graphics"));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->elementName(), "Reference group");
  EXPECT_EQ(group->count(), 9);
}

}  // namespace
