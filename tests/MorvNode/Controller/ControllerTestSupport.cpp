#include "ControllerTestSupport.h"

#include <algorithm>

#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"

namespace {

MVElementDelegate* elementControllerOf(const MVNode& node)
{
  return node.nodeController() != nullptr ? node.nodeController()->elementDelegate() : nullptr;
}

std::shared_ptr<MVElementGroup> makeGroup(MVElementDelegate* controller, const std::string& name)
{
  auto group = std::make_shared<MVElementGroup>();
  group->setNodeController(controller);
  group->setElementName(name);
  return group;
}

MVNodeClass testClass(const char* className, const char* typeName, std::function<std::unique_ptr<MVNode>()> create)
{
  MVNodeClass info;
  info.className = className;
  info.displayName = className;
  info.displayTypeName = typeName;
  info.create = std::move(create);
  return info;
}

}  // namespace

void RecordingDocument::record(Record entry)
{
  if (isUndoRegistrationEnabled()) {
    records.push_back(std::move(entry));
  }
}

void RecordingDocument::storeParameterUndoState(const pf::PlistValue::Dictionary&, MVParameter*,
                                                const std::optional<std::string>& actionName)
{
  record({"parameter", actionName, nullptr});
}

void RecordingDocument::storeNodeUndoState(const pf::PlistValue::Dictionary&, MVNode* node,
                                           const std::optional<std::string>& actionName)
{
  record({"node", actionName, node});
}

void RecordingDocument::storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName)
{
  record({"creation", actionName, node});
}

void RecordingDocument::storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName)
{
  record({"removal", actionName, node});
}

void RecordingDocument::storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName)
{
  record({"connections", actionName, nullptr});
}

void RecordingDocument::storeConnectionsUndoState(const pf::PlistValue::Array&,
                                                  const std::optional<std::string>& actionName)
{
  record({"connections", actionName, nullptr});
}

int RecordingDocument::count(const std::string& kind) const
{
  return static_cast<int>(
      std::count_if(records.begin(), records.end(), [&kind](const Record& entry) { return entry.kind == kind; }));
}

const MVNodeClass& TestArtboardNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("ArtboardNode", "Output", [] { return std::make_unique<TestArtboardNode>(); });
  return nodeClass;
}

void TestArtboardNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  auto layer = MVParameterGraphicsLayer::parameterWithName("OutputLayer1");
  layer->setDisplayName("Top layer");
  layer_ = addParameter(std::move(layer));
  auto size = MVParameterValue2D::parameterWithName("Size");
  size->setHasInputSocket(false);
  size->setHasOutputSocket(false);
  size->setValueX(200.0, 200.0);
  size_ = addParameter(std::move(size));
  auto background = MVParameterColor::parameterWithName("Background Color");
  background->setLayoutHasEnableToggle(true);
  background->setColor(pf::Color::white());
  background_ = addParameter(std::move(background));
  auto opacity = MVParameterValue::parameterWithName("Background Opacity");
  opacity->setValue(1.0);
  opacity_ = addParameter(std::move(opacity));
}

void TestArtboardNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  MVNode::parameterChanged(parameter, propertyName);
  if (nodeController() != nullptr && updateOnParameterChanges()) {
    nodeController()->scheduleRegeneration();
  }
}

std::shared_ptr<const MVElement> TestArtboardNode::layersOutputElement()
{
  ++pulls;
  if (duringPull) {
    duringPull();
  }
  const bool updating = updateOnParameterChanges();
  setUpdateOnParameterChanges(false);
  std::shared_ptr<const MVElement> input = layer_->hasConnectedInput() ? layer_->element() : nullptr;
  setUpdateOnParameterChanges(updating);
  if (input == nullptr) {
    return nullptr;
  }
  MVElementDelegate* controller = elementControllerOf(*this);
  auto layerGroup = makeGroup(controller, layer_->displayName());
  layerGroup->addElementWithoutRecalculatingPivot(input);
  auto layers = makeGroup(controller, "Artboard layers");
  layers->addElementWithoutRecalculatingPivot(layerGroup);
  return layers;
}

const MVNodeClass& TestElementNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("TestElementNode", "Element", [] { return std::make_unique<TestElementNode>(); });
  return nodeClass;
}

void TestElementNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  auto graphics = MVParameterGraphics::parameterWithName("Graphics");
  graphics->setGraphicsSource(this);
  addParameter(std::move(graphics));
  addParameter(MVParameterValue::parameterWithName("Value"));
}

std::shared_ptr<const MVElement> TestElementNode::graphicsElementForParameter(MVParameter*,
                                                                       std::shared_ptr<const MVElement> inputElement)
{
  ++builds;
  MVElementDelegate* controller = elementControllerOf(*this);
  auto element = std::make_shared<MVElement>();
  element->setNodeController(controller);
  element->setElementName(nodeId() + " element");
  element->addNodeToHistory(nodeId());
  if (inputElement == nullptr) {
    return element;
  }
  auto group = makeGroup(controller, nodeId() + " group");
  group->addElementWithoutRecalculatingPivot(inputElement);
  group->addElementWithoutRecalculatingPivot(element);
  return group;
}

void TestElementNode::checkWarnings()
{
  MVNode::checkWarnings();
  for (const std::string& warning : warnings) {
    addWarningMessage(warning);
  }
}

const MVNodeClass& TestRandomNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("TestRandomNode", "Value", [] { return std::make_unique<TestRandomNode>(); });
  return nodeClass;
}

void TestRandomNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  setHasRandomValueOutput(true);
  auto value = MVParameterValue::parameterWithName("Value");
  value->setHasInputSocket(false);
  addParameter(std::move(value));
}

const MVNodeClass& TestRandomGraphicsNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("TestRandomGraphicsNode", "Element", [] { return std::make_unique<TestRandomGraphicsNode>(); });
  return nodeClass;
}

void TestRandomGraphicsNode::initNodeParameters()
{
  TestElementNode::initNodeParameters();
  setHasRandomGraphicsOutput(true);
}

const MVNodeClass& TestIndexUserNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("TestIndexUserNode", "Value", [] { return std::make_unique<TestIndexUserNode>(); });
  return nodeClass;
}

void TestIndexUserNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  auto index = MVParameterNodeIndex::parameterWithName("IndexParameter");
  index->setNodeIndexManager(nodeController() != nullptr ? nodeController()->nodeIndexManager() : nullptr);
  addParameter(std::move(index));
  auto value = MVParameterValue::parameterWithName("Value");
  value->setHasInputSocket(false);
  addParameter(std::move(value));
}

void TestIndexUserNode::nodeIndexUpdated(const std::string& key)
{
  notifiedKeys.push_back(key);
}

const MVNodeClass& TestRepeaterNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass =
      testClass("TestRepeaterNode", "Repeat", [] { return std::make_unique<TestRepeaterNode>(); });
  return nodeClass;
}

void TestRepeaterNode::initNodeParameters()
{
  TestElementNode::initNodeParameters();
  setHasNodeIndexes(true);
}

void TestRepeaterNode::resetNodeIndexes()
{
  if (nodeController() != nullptr) {
    nodeController()->setNodeIndex("Index", this, -1);
  }
}

std::shared_ptr<const MVElement> TestRepeaterNode::graphicsElementForParameter(MVParameter*,
                                                                        std::shared_ptr<const MVElement> inputElement)
{
  ++builds;
  auto group = makeGroup(elementControllerOf(*this), nodeId() + " copies");
  for (int index = 0; index < repetitions; ++index) {
    nodeController()->setNodeIndex("Index", this, index);
    if (inputElement != nullptr) {
      group->addElementWithoutRecalculatingPivot(inputElement->copy());
    }
  }
  nodeController()->endNodeIndexSession("Index", this);
  return group;
}

void registerControllerTestClasses()
{
  registerTestNodeClasses();
  MVClassRegistry& registry = MVClassRegistry::shared();
  registry.registerNodeClass(TestArtboardNode::nodeClassInfo());
  registry.registerNodeClass(TestElementNode::nodeClassInfo());
  registry.registerNodeClass(TestRandomNode::nodeClassInfo());
  registry.registerNodeClass(TestRandomGraphicsNode::nodeClassInfo());
  registry.registerNodeClass(TestIndexUserNode::nodeClassInfo());
  registry.registerNodeClass(TestRepeaterNode::nodeClassInfo());
}

ControllerTest::ControllerTest()
{
  pf::RunLoop::setCurrent(&runLoop);
  auto defaults = std::make_shared<pf::UserDefaults>(::testing::TempDir() + "controller-test-defaults.plist");
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  if (const MVNodeClass* existing = MVClassRegistry::shared().nodeClass("ArtboardNode")) {
    previousArtboardClass_ = *existing;
  }
  registerControllerTestClasses();
  controller.setDocument(&document);
  controller.setPreviewView(&preview);
  controller.setWarningsManager(&warnings);
}

ControllerTest::~ControllerTest()
{
  controller.releaseResources();
  if (previousArtboardClass_) {
    MVClassRegistry::shared().registerNodeClass(*previousArtboardClass_);
  }
  pf::UserDefaults::setStandard(
      std::make_shared<pf::UserDefaults>(::testing::TempDir() + "controller-test-empty.plist"));
}

MVConnection* ControllerTest::connect(MVNode* from, const std::string& fromName, MVNode* to, const std::string& toName,
                                      std::size_t fromIndex, std::size_t toIndex)
{
  return controller.addConnectionFromSocket(from->parameterNamed(fromName)->outputSockets().at(fromIndex).get(),
                                            to->parameterNamed(toName)->inputSockets().at(toIndex).get());
}
