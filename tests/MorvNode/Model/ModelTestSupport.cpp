#include "ModelTestSupport.h"

#include <algorithm>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Log.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::shared_ptr<const MVElement> makeTestElement(std::string name, std::vector<std::shared_ptr<const MVElement>> members)
{
  if (members.empty()) {
    auto element = std::make_shared<MVElement>();
    element->setElementName(std::move(name));
    return element;
  }
  auto group = std::make_shared<MVElementGroup>();
  group->setElementName(std::move(name));
  for (auto& member : members) {
    group->addElementWithoutRecalculatingPivot(std::move(member));
  }
  return group;
}

std::vector<std::string> memberNames(const std::shared_ptr<const MVElement>& group)
{
  std::vector<std::string> names;
  if (const auto* members = dynamic_cast<const MVElementGroup*>(group.get())) {
    for (const auto& member : members->elementArray()) {
      names.push_back(member->elementName().value_or("(null)"));
    }
  }
  return names;
}

void RecordingUndo::storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                                            const std::optional<std::string>& actionName)
{
  if (isUndoRegistrationEnabled()) {
    records.push_back({"parameter", state, actionName, nullptr, parameter});
  }
}

void RecordingUndo::storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                                       const std::optional<std::string>& actionName)
{
  if (isUndoRegistrationEnabled()) {
    records.push_back({"node", state, actionName, node, nullptr});
  }
}

void RecordingUndo::storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName)
{
  if (isUndoRegistrationEnabled()) {
    records.push_back({"connections", {}, actionName, nullptr, nullptr});
  }
}

void RecordingUndo::storeConnectionsUndoState(const pf::PlistValue::Array&, const std::optional<std::string>& actionName)
{
  storeCurrentConnectionsUndoState(actionName);
}

FakeController::~FakeController()
{
  connections.clear();
  nodes.clear();
}

MVNode* FakeController::addNode(std::string_view className)
{
  std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
  if (node == nullptr) {
    return nullptr;
  }
  node->setNodeController(this);
  node->setUndoDelegate(undo_);
  node->initWithNodeID(uniqueNodeID());
  nodes.push_back(std::move(node));
  updateNodeTypeCount();
  return nodes.back().get();
}

MVConnection* FakeController::connect(MVParameter* from, MVParameter* to, int fromIndex, int toIndex)
{
  MVParameterSocket* output = from->outputSockets().at(static_cast<std::size_t>(fromIndex)).get();
  MVParameterSocket* input = to->inputSockets().at(static_cast<std::size_t>(toIndex)).get();
  return addConnectionFromSocket(output, input);
}

MVConnection* FakeController::addConnectionFromSocket(MVParameterSocket* output, MVParameterSocket* input)
{
  std::unique_ptr<MVConnection> connection = MVConnection::connectionFromSocket(output, input);
  if (connection->fromSocket() != output || connection->toSocket() != input) {
    return nullptr;
  }
  connection->setUndoDelegate(undo_);
  connection->setNodeController(this);
  connections.push_back(std::move(connection));
  return connections.back().get();
}

void FakeController::removeConnection(MVConnection* connection)
{
  const auto found = std::find_if(connections.begin(), connections.end(),
                                  [connection](const auto& owned) { return owned.get() == connection; });
  if (found == connections.end()) {
    return;
  }
  std::unique_ptr<MVConnection> removed = std::move(*found);
  connections.erase(found);
  removed->remove();
}

void FakeController::connectionChanged(MVConnection* connection)
{
  if (connection->hasLooseEnd() && !connection->isBeingEdited()) {
    removeConnection(connection);
  }
}

void FakeController::inputConnectionsReordered(MVParameterSocket* socket)
{
  // The saved order follows the socket's order: its connections move to the end, in order.
  for (MVConnection* connection : socket->inputConnections()) {
    const auto found = std::find_if(connections.begin(), connections.end(),
                                    [connection](const auto& owned) { return owned.get() == connection; });
    if (found != connections.end()) {
      std::unique_ptr<MVConnection> moved = std::move(*found);
      connections.erase(found);
      connections.push_back(std::move(moved));
    }
  }
}

MVNode* FakeController::nodeWithId(const std::string& nodeId) const
{
  MVNode* match = nullptr;
  for (const auto& node : nodes) {
    if (node->nodeId() == nodeId) {
      match = node.get();
    }
  }
  return match;
}

int FakeController::nodeTypeCountForClass(std::string_view className) const
{
  return static_cast<int>(std::count_if(nodes.begin(), nodes.end(),
                                        [className](const auto& node) { return node->className() == className; }));
}

void FakeController::updateNodeTypeCount()
{
  std::vector<std::pair<std::string, int>> counts;
  for (const auto& node : nodes) {
    auto found = std::find_if(counts.begin(), counts.end(),
                              [&node](const auto& entry) { return entry.first == node->className(); });
    if (found == counts.end()) {
      counts.emplace_back(node->className(), 0);
      found = counts.end() - 1;
    }
    node->setDynamicNodeDisplayIndex(++found->second);
  }
}

pf::PlistValue::Array FakeController::nodeRecords() const
{
  pf::PlistValue::Array records;
  for (const auto& node : nodes) {
    records.emplace_back(node->descriptionDictionary());
  }
  return records;
}

pf::PlistValue::Array FakeController::connectionRecords() const
{
  pf::PlistValue::Array records;
  for (const auto& connection : connections) {
    if (auto record = connection->descriptionDictionary()) {
      records.emplace_back(std::move(*record));
    }
  }
  return records;
}

void FakeController::load(const pf::PlistValue::Array& nodeRecords, const pf::PlistValue::Array& connectionRecords)
{
  if (undo_ != nullptr) {
    undo_->pauseUndoRegistration();
  }
  for (const pf::PlistValue& record : nodeRecords) {
    if (const pf::PlistValue::Dictionary* dictionary = record.asDictionary()) {
      addNodeWithDescriptionDictionary(*dictionary);
    }
  }
  updateNodeTypeCount();
  for (const pf::PlistValue& record : connectionRecords) {
    if (const pf::PlistValue::Dictionary* dictionary = record.asDictionary()) {
      loadConnectionFromDescription(*dictionary);
    }
  }
  if (undo_ != nullptr) {
    undo_->resumeUndoRegistration();
  }
}

MVNode* FakeController::addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* storedClass = record.find("Node class");
  const std::string className = storedClass != nullptr ? storedClass->stringOr() : std::string();
  std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
  if (node == nullptr) {
    FeedbackManager::log("Error, createNodeWithDescriptionDictionary could not create node of class %@", className);
    return nullptr;
  }
  node->setNodeController(this);
  node->setUndoDelegate(undo_);
  const pf::PlistValue* storedId = record.find("Node id");
  node->initWithNodeID(storedId != nullptr && storedId->isString() ? *storedId->asString() : uniqueNodeID());
  nodes.push_back(std::move(node));
  nodes.back()->loadNodeDictionary(record);
  return nodes.back().get();
}

MVConnection* FakeController::loadConnectionFromDescription(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* fromId = record.find("From parameter nodeId");
  const pf::PlistValue* toId = record.find("To parameter nodeId");
  MVNode* fromNode = fromId != nullptr && toId != nullptr ? nodeWithId(fromId->stringOr()) : nullptr;
  MVNode* toNode = fromId != nullptr && toId != nullptr ? nodeWithId(toId->stringOr()) : nullptr;
  if (fromNode == nullptr || toNode == nullptr) {
    if (toNode == nullptr && fromNode != nullptr) {
      FeedbackManager::log("Error, could not load connection, to node not found with ID:%@", toId->stringOr());
    }
    if (fromNode == nullptr && toNode != nullptr) {
      FeedbackManager::log("Error, could not load connection, from node not found with ID:%@", fromId->stringOr());
    }
    return nullptr;
  }
  const pf::PlistValue* fromName = record.find("From parameter name");
  const pf::PlistValue* toName = record.find("To parameter name");
  if (fromName == nullptr || toName == nullptr) {
    return nullptr;
  }
  MVParameter* from = fromNode->parameterNamed(fromName->stringOr());
  MVParameter* to = toNode->parameterNamed(toName->stringOr());
  MVConnection* made = nullptr;
  if (from != nullptr && to != nullptr) {
    const int fromIndex = DictionaryValueExtras::intValueForKey(record, "From parameter socket index");
    const int toIndex = DictionaryValueExtras::intValueForKey(record, "To parameter socket index");
    const bool outputExists = fromIndex >= 0 && static_cast<std::size_t>(fromIndex) < from->outputSockets().size();
    const bool inputExists = toIndex >= 0 && static_cast<std::size_t>(toIndex) < to->inputSockets().size();
    if (!outputExists) {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no output socket index %d", from->description(),
                           fromIndex);
    }
    if (!inputExists) {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no input socket index %d", to->description(),
                           toIndex);
    }
    if (outputExists && inputExists) {
      made = connect(from, to, fromIndex, toIndex);
    }
  } else {
    FeedbackManager::log("Error, could not load connection, no such parameters found");
  }
  if (made == nullptr) {
    FeedbackManager::log("Warning, could not make connection from %@ node parameter '%@' to %@ node parameter '%@'.",
                         fromNode->displayFullName(), fromName->stringOr(), toNode->displayFullName(),
                         toName->stringOr());
  }
  return made;
}

std::unique_ptr<TestGraphicsParameter> TestGraphicsParameter::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<TestGraphicsParameter>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

std::shared_ptr<const MVElement> TestGraphicsParameter::element()
{
  if (!needsToUpdate()) {
    return cache_;
  }
  ++pulls;
  std::shared_ptr<const MVElement> input = inputSockets().empty() ? nullptr : inputSockets().front()->inputElement();
  cache_ = graphicsSource() != nullptr ? graphicsSource()->graphicsElementForParameter(this, input) : input;
  setLastUpdateGenerationCycleID(nodeController() != nullptr ? nodeController()->currentGenerationCycleID() : 0);
  setNeedsToUpdate(false);
  return cache_;
}

const MVNodeClass& TestSourceNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "TestSourceNode";
    info.displayName = "Source";
    info.displayTypeName = "Value";
    info.iconName = "node_icon_test_source";
    info.create = [] { return std::make_unique<TestSourceNode>(); };
    return info;
  }();
  return nodeClass;
}

void TestSourceNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  auto value = MVParameterValue::parameterWithName("Value");
  value->setHasInputSocket(false);
  addParameter(std::move(value));
  auto color = MVParameterColor::parameterWithName("Color");
  color->setHasInputSocket(false);
  addParameter(std::move(color));
  auto graphics = TestGraphicsParameter::parameterWithName("Graphics");
  graphics->setHasInputSocket(false);
  graphics->setGraphicsSource(this);
  addParameter(std::move(graphics));
}

std::shared_ptr<const MVElement> TestSourceNode::graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>)
{
  return producesNothing ? nullptr : makeTestElement(nodeId() + " element");
}

const MVNodeClass& TestProcessNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "TestProcessNode";
    info.displayName = "Process";
    info.displayTypeName = "Change";
    info.create = [] { return std::make_unique<TestProcessNode>(); };
    return info;
  }();
  return nodeClass;
}

void TestProcessNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  addParameter(MVParameterValue::parameterWithName("Value"));
  auto doubled = MVParameterValue::parameterWithName("Double");
  doubled->setValueSource(this);
  addParameter(std::move(doubled));
  addParameter(MVParameterColor::parameterWithName("Color"));
  auto graphics = TestGraphicsParameter::parameterWithName("Graphics");
  graphics->setGraphicsSource(this);
  addParameter(std::move(graphics));
  addParameter(MVParameterBool::parameterWithName("Flag"));
  auto option = MVParameter::parameterWithName("Option");
  option->setLayoutHasEnableToggle(true);
  addParameter(std::move(option));
  initNodeRandomSeedParameters();
  addParameter(MVParameterValue::parameterWithName("Linked"));
}

void TestProcessNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  MVParameter* linked = parameterNamed("Linked");
  const MVParameterBool* flag = boolParameterNamed("Flag");
  if (linked != nullptr && flag != nullptr) {
    linked->setLayoutHidden(flag->value());
  }
}

double TestProcessNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter != nullptr && parameter->name() == "Double") {
    return inputValue * 2.0;
  }
  return MVNode::valueForParameter(parameter, fieldIndex, inputValue);
}

std::shared_ptr<const MVElement> TestProcessNode::graphicsElementForParameter(MVParameter*,
                                                                       std::shared_ptr<const MVElement> inputElement)
{
  return inputElement;
}

void registerTestNodeClasses()
{
  MVClassRegistry::shared().registerNodeClass(TestSourceNode::nodeClassInfo());
  MVClassRegistry::shared().registerNodeClass(TestProcessNode::nodeClassInfo());
}
