#include "MorvNode/Controller/MVNodeGraph.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <iterator>
#include <utility>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "Platform/Format.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kArtboardClassName = "ArtboardNode";
constexpr const char* kIndexParameterName = "IndexParameter";
constexpr const char* kConnectionsLoadingWarning =
    "Warning, some node connections could not be loaded since the corresponding nodes or sockets have been changed "
    "and no automatic conversion was possible. The file may therefore produce a different result.";

// A node ID as records hold it: text, or (leniently) an integer number; nullopt otherwise.
std::optional<std::string> nodeIdText(const pf::PlistValue* value)
{
  if (value == nullptr) {
    return std::nullopt;
  }
  if (const std::string* text = value->asString()) {
    return *text;
  }
  if (value->isInteger()) {
    return pf::format("%lld", static_cast<long long>(*value->asInteger()));
  }
  return std::nullopt;
}

// The counter value a node ID stands for: a plain non-negative decimal "%ld"; nullopt for any
// other text (and for numbers past the counter's range).
std::optional<long> counterValueOfNodeId(const std::string& nodeId)
{
  long value = 0;
  const char* end = nodeId.data() + nodeId.size();
  const auto [stop, error] = std::from_chars(nodeId.data(), end, value);
  if (nodeId.empty() || nodeId.front() == '-' || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

MVNodeGraph::~MVNodeGraph()
{
  clear();
}

// ---- Node IDs ----

std::string MVNodeGraph::uniqueNodeID()
{
  ++nodeIDCounter_;
  return pf::format("%ld", nodeIDCounter_);
}

// ---- Node array ----

MVNode* MVNodeGraph::insertNode(std::unique_ptr<MVNode> node, std::size_t position)
{
  MVNode* inserted = node.get();
  position = std::min(position, nodes_.size());
  nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
  indexNode(inserted, inserted->nodeId());
  if (inserted->randomSeedParameter() != nullptr || inserted->nodeRandomSeed() != 0 ||
      inserted->randomIncrementalSeed() != 0) {
    seededNodes_.push_back(inserted);
  }
  return inserted;
}

std::unique_ptr<MVNode> MVNodeGraph::takeNode(const MVNode* node)
{
  const std::optional<std::size_t> position = indexOfNode(node);
  if (!position) {
    return nullptr;
  }
  std::unique_ptr<MVNode> taken = std::move(nodes_[*position]);
  nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(*position));
  unindexNode(node, node->nodeId());
  std::erase(dynamicValueNodes_, node);
  std::erase(seededNodes_, node);
  if (artboardNode_ == node) {
    artboardNode_ = nullptr;
  }
  return taken;
}

void MVNodeGraph::clear()
{
  // Newest first: each leaves its sockets' lists from the end.
  while (!connections_.empty()) {
    connections_.pop_back();
  }
  nodes_.clear();
  nodesById_.clear();
  dynamicValueNodes_.clear();
  seededNodes_.clear();
  artboardNode_ = nullptr;
}

std::optional<std::size_t> MVNodeGraph::indexOfNode(const MVNode* node) const
{
  const auto found =
      std::find_if(nodes_.begin(), nodes_.end(), [node](const auto& owned) { return owned.get() == node; });
  if (found == nodes_.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(found - nodes_.begin());
}

MVNode* MVNodeGraph::nodeWithId(const std::string& nodeId) const
{
  const auto [first, last] = nodesById_.equal_range(nodeId);
  if (first == last) {
    return nullptr;
  }
  if (std::next(first) == last) {
    return first->second;
  }
  // Several nodes share the ID: the last in array order wins.
  const auto found = std::find_if(nodes_.rbegin(), nodes_.rend(),
                                  [&nodeId](const auto& node) { return node->nodeId() == nodeId; });
  return found != nodes_.rend() ? found->get() : nullptr;
}

void MVNodeGraph::nodeIdChanged(MVNode* node, const std::string& previousId)
{
  const auto [first, last] = nodesById_.equal_range(previousId);
  const auto entry = std::find_if(first, last, [node](const auto& each) { return each.second == node; });
  if (entry == last) {
    return;  // not in the array (yet): it is indexed when inserted
  }
  nodesById_.erase(entry);
  indexNode(node, node->nodeId());
}

void MVNodeGraph::indexNode(MVNode* node, const std::string& nodeId)
{
  nodesById_.emplace(nodeId, node);
}

void MVNodeGraph::unindexNode(const MVNode* node, const std::string& nodeId)
{
  const auto [first, last] = nodesById_.equal_range(nodeId);
  const auto entry = std::find_if(first, last, [node](const auto& each) { return each.second == node; });
  if (entry != last) {
    nodesById_.erase(entry);
    return;
  }
  // The ID changed unannounced: the entry is found by the node.
  std::erase_if(nodesById_, [node](const auto& each) { return each.second == node; });
}

MVNode* MVNodeGraph::artboardNode()
{
  if (artboardNode_ == nullptr) {
    for (const auto& node : nodes_) {
      if (node->className() == kArtboardClassName) {
        artboardNode_ = node.get();
      }
    }
  }
  return artboardNode_;
}

void MVNodeGraph::updateNodeTypeCount()
{
  nodeTypeCount_.clear();
  for (const auto& node : nodes_) {
    int& count = nodeTypeCount_[node->className()];
    ++count;
    node->setDynamicNodeDisplayIndex(count);
  }
}

int MVNodeGraph::nodeTypeCountForClass(std::string_view className) const
{
  const auto found = nodeTypeCount_.find(className);
  return found != nodeTypeCount_.end() ? found->second : 0;
}

void MVNodeGraph::updateDynamicValueNodesArray()
{
  dynamicValueNodes_.clear();
  for (const auto& node : nodes_) {
    node->setMightHaveDynamicInput(false);
  }
  for (const auto& node : nodes_) {
    if (!node->hasRandomValueOutput() && !node->hasRandomGraphicsOutput() && !node->hasNodeIndexParameter()) {
      continue;
    }
    if (MVParameterNodeIndex* parameter = node->elementIndexParameterNamed(kIndexParameterName)) {
      parameter->updateElementIndexes();
    }
    dynamicValueNodes_.push_back(node.get());
    if (node->hasConnectedOutput()) {
      markDynamicInputForNodesConnectedTo(node.get());
    }
  }
}

void MVNodeGraph::markDynamicInputForNodesConnectedTo(MVNode* node)
{
  if (node == nullptr) {
    return;
  }
  node->setMightHaveDynamicInput(true);
  for (MVNode* downstream : nodesLinkedToNode(node, false, true)) {
    downstream->setMightHaveDynamicInput(true);
  }
}

std::vector<MVNode*> MVNodeGraph::nodesLinkedToNode(MVNode* node, bool before, bool after)
{
  for (const auto& each : nodes_) {
    each->setRecursiveCheckedFlag(false);
  }
  std::vector<MVNode*> linked;
  if (node == nullptr) {
    return linked;
  }
  // The neighbours each node meets when it scans the connections in array order: sources
  // (before) through connections that enter it, consumers (after) through those that leave it.
  std::unordered_map<const MVNode*, std::vector<MVNode*>> neighbours;
  for (const auto& connection : connections_) {
    MVNode* from = connection->fromNode();
    MVNode* to = connection->toNode();
    if (from == nullptr || to == nullptr || from == to) {
      continue;
    }
    if (before) {
      neighbours[to].push_back(from);
    }
    if (after) {
      neighbours[from].push_back(to);
    }
  }
  // Depth-first pre-order without recursion, so long chains cannot exhaust the stack; the
  // checked flag stops cycles.
  struct Visit {
    const std::vector<MVNode*>* candidates;
    std::size_t next;
  };
  std::vector<Visit> stack;
  const auto visit = [&](MVNode* visited) {
    visited->setRecursiveCheckedFlag(true);
    linked.push_back(visited);
    const auto found = neighbours.find(visited);
    if (found != neighbours.end()) {
      stack.push_back({&found->second, 0});
    }
  };
  visit(node);
  while (!stack.empty()) {
    Visit& top = stack.back();
    if (top.next >= top.candidates->size()) {
      stack.pop_back();
      continue;
    }
    MVNode* candidate = (*top.candidates)[top.next++];
    if (!candidate->recursiveCheckedFlag()) {
      visit(candidate);
    }
  }
  if (!(before && after)) {
    linked.erase(linked.begin());
  }
  return linked;
}

// ---- Connections ----

MVConnection* MVNodeGraph::appendConnection(std::unique_ptr<MVConnection> connection)
{
  MVConnection* added = connection.get();
  connections_.push_back(std::move(connection));
  return added;
}

std::unique_ptr<MVConnection> MVNodeGraph::takeConnection(const MVConnection* connection)
{
  const auto found = std::find_if(connections_.begin(), connections_.end(),
                                  [connection](const auto& owned) { return owned.get() == connection; });
  if (connection == nullptr || found == connections_.end()) {
    return nullptr;
  }
  std::unique_ptr<MVConnection> taken = std::move(*found);
  connections_.erase(found);
  return taken;
}

void MVNodeGraph::detachAllConnections()
{
  while (!connections_.empty()) {
    std::unique_ptr<MVConnection> connection = std::move(connections_.back());
    connections_.pop_back();
    // Detaching must not start the node's change handling.
    if (MVNode* toNode = connection->toNode()) {
      toNode->setUpdateOnParameterChanges(false);
      connection->remove();
      toNode->setUpdateOnParameterChanges(true);
    } else {
      connection->remove();
    }
  }
}

void MVNodeGraph::moveConnectionToEnd(const MVConnection* connection)
{
  if (std::unique_ptr<MVConnection> moved = takeConnection(connection)) {
    connections_.push_back(std::move(moved));
  }
}

void MVNodeGraph::clearInfiniteLoopMarks()
{
  for (const auto& each : connections_) {
    if (each->hasInfiniteLoopProblem()) {
      each->setHasInfiniteLoopProblem(false);
      if (MVConnectionInterfaceDelegate* view = each->connectionView()) {
        view->setNeedsDisplay();
      }
    }
  }
}

pf::PlistValue::Array MVNodeGraph::connectionDescriptionsArray() const
{
  pf::PlistValue::Array records;
  records.reserve(connections_.size());
  for (const auto& connection : connections_) {
    if (std::optional<pf::PlistValue::Dictionary> record = connection->descriptionDictionary()) {
      records.emplace_back(std::move(*record));
    }
  }
  return records;
}

// ---- Loading records ----

void MVNodeGraph::addFileLoadingWarning(const std::string& warning)
{
  if (std::find(fileLoadingWarnings_.begin(), fileLoadingWarnings_.end(), warning) == fileLoadingWarnings_.end()) {
    fileLoadingWarnings_.push_back(warning);
  }
}

MVNode* MVNodeGraph::addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record, const NodeSetUp& setUp)
{
  const pf::PlistValue* storedClass = record.find("Node class");
  const std::string className = storedClass != nullptr ? storedClass->stringOr() : std::string();
  MVNode* added = nullptr;
  try {
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
    if (node == nullptr) {
      FeedbackManager::log("Error, createNodeWithDescriptionDictionary could not create node of class %@", className);
      if (isLoadingFile_) {
        std::string warning =
            pf::format("The file contained an unknown node type '%@' that could not be loaded.", className);
        if (std::find(fileLoadingWarnings_.begin(), fileLoadingWarnings_.end(), warning) == fileLoadingWarnings_.end()) {
          fileLoadingWarnings_.push_back(std::move(warning));
        }
      }
      return nullptr;
    }

    std::optional<std::string> nodeId = nodeIdText(record.find("Node id"));
    std::optional<pf::PlistValue::Dictionary> renamed;
    if (!nodeId) {
      FeedbackManager::log("Warning, createNodeWithDescriptionDictionary no 'Node id' key in dictionary, generating new "
                           "one (so connections won't be restored)");
      nodeId = uniqueNodeID();
    } else if (nodeWithId(*nodeId) != nullptr) {
      // Connections and undo records find nodes by ID: a second node under one ID could never
      // be found. The first keeps it, a later one gets a fresh ID.
      const std::string fresh = uniqueNodeID();
      FeedbackManager::log("Warning, createNodeWithDescriptionDictionary node id %@ is already in use, the node gets "
                           "the new id %@",
                           *nodeId, fresh);
      if (isLoadingFile_) {
        const std::string warning = "The file contained nodes with an ID already in use; they were given new IDs.";
        if (std::find(fileLoadingWarnings_.begin(), fileLoadingWarnings_.end(), warning) == fileLoadingWarnings_.end()) {
          fileLoadingWarnings_.push_back(warning);
        }
      }
      nodeId = fresh;
      renamed = record;
      renamed->set("Node id", fresh);  // the node's own loading reads its ID too
    } else if (const std::optional<long> number = counterValueOfNodeId(*nodeId)) {
      // A file whose counter is missing or stale must not make new nodes reuse a loaded ID:
      // connections and undo records find nodes by ID.
      nodeIDCounter_ = std::max(nodeIDCounter_, std::min(*number, kMaxNodeIDCounter));
    }
    setUp(*node, *nodeId);

    std::size_t position = nodes_.size();
    if (record.contains("NodeArrayIndex")) {
      const long long index = DictionaryValueExtras::longValueForKey(record, "NodeArrayIndex");
      const auto count = static_cast<long long>(nodes_.size());
      if (index >= 0 && index <= count) {
        position = static_cast<std::size_t>(index);
      } else {
        FeedbackManager::log("Warning, addNodeWithDescriptionDictionary specified NodeArrayIndex %ld, which is not valid "
                             "in node array with %ld nodes. Adding node last instead.",
                             index, count);
      }
    }
    added = insertNode(std::move(node), position);
    added->loadNodeDictionary(renamed ? *renamed : record);
    return added;
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception createNodeWithDescriptionDictionary, trying to create %@ node. Exception: %@",
                         className, exception.what());
    return added;
  }
}

void MVNodeGraph::addNodesFromRecords(pf::PlistValue::Array records, const NodeSetUp& setUp)
{
  // Fresh IDs for duplicates must not take an ID that a later record holds.
  for (const pf::PlistValue& record : records) {
    const std::optional<std::string> nodeId = nodeIdText(record.find("Node id"));
    if (const std::optional<long> number = nodeId ? counterValueOfNodeId(*nodeId) : std::nullopt) {
      nodeIDCounter_ = std::max(nodeIDCounter_, std::min(*number, kMaxNodeIDCounter));
    }
  }
  for (pf::PlistValue& record : records) {
    // The record goes once its node is built: a large document's records are given back while
    // its nodes are made, instead of all being held until the last node.
    const pf::PlistValue done = std::exchange(record, pf::PlistValue());
    const pf::PlistValue::Dictionary* dictionary = done.asDictionary();
    MVNode* node = dictionary != nullptr ? addNodeWithDescriptionDictionary(*dictionary, setUp) : nullptr;
    if (node == nullptr) {
      FeedbackManager::log("Error, loadNodesFromArray failed to load node from description: %@", done.description());
      continue;
    }
    const std::vector<std::string>& warnings = node->loadingWarningMessages();
    fileLoadingWarnings_.insert(fileLoadingWarnings_.end(), warnings.begin(), warnings.end());
  }
}

MVConnection* MVNodeGraph::loadConnectionFromDescription(const pf::PlistValue::Dictionary& record,
                                                         const Connect& connect)
{
  const std::optional<std::string> fromId = nodeIdText(record.find("From parameter nodeId"));
  const std::optional<std::string> toId = nodeIdText(record.find("To parameter nodeId"));
  MVNode* fromNode = nullptr;
  MVNode* toNode = nullptr;
  if (fromId && toId) {
    fromNode = nodeWithId(*fromId);
    toNode = nodeWithId(*toId);
  }
  if (fromNode == nullptr && toNode == nullptr) {
    return nullptr;
  }
  if (fromNode == nullptr || toNode == nullptr) {
    if (toNode == nullptr && toId) {
      FeedbackManager::log("Error, could not load connection, to node not found with ID:%@", *toId);
    }
    if (fromNode == nullptr && fromId) {
      FeedbackManager::log("Error, could not load connection, from node not found with ID:%@", *fromId);
    }
    return nullptr;
  }
  const pf::PlistValue* storedFromName = record.find("From parameter name");
  const pf::PlistValue* storedToName = record.find("To parameter name");
  if (storedFromName == nullptr || storedToName == nullptr) {
    return nullptr;
  }
  const std::string fromName = storedFromName->stringOr();
  const std::string toName = storedToName->stringOr();
  MVParameter* from = fromNode->parameterNamed(fromName);
  MVParameter* to = toNode->parameterNamed(toName);

  // The new input must not start the node's change handling while the graph is being rebuilt.
  struct UpdatesOff {
    MVNode* node;
    explicit UpdatesOff(MVNode* owner) : node(owner) { node->setUpdateOnParameterChanges(false); }
    UpdatesOff(const UpdatesOff&) = delete;
    UpdatesOff& operator=(const UpdatesOff&) = delete;
    ~UpdatesOff() { node->setUpdateOnParameterChanges(true); }
  } updatesOff(toNode);

  if (from == nullptr && to == nullptr) {
    FeedbackManager::log("Error, could not load connection from [%@ : %@] to [%@ : %@], no such parameters found in "
                         "either node",
                         fromNode->displayFullName(), fromName, toNode->displayFullName(), toName);
  } else if (from == nullptr) {
    FeedbackManager::log("Error, could not load connection from [%@ : %@], no such parameter found in node",
                         fromNode->displayFullName(), fromName);
  } else if (to == nullptr) {
    FeedbackManager::log("Error, could not load connection to [%@ : %@], no such parameter found in node",
                         toNode->displayFullName(), toName);
  } else {
    const int fromIndex = DictionaryValueExtras::intValueForKey(record, "From parameter socket index");
    const int toIndex = DictionaryValueExtras::intValueForKey(record, "To parameter socket index");
    MVParameterSocket* outputSocket = nullptr;
    MVParameterSocket* inputSocket = nullptr;
    if (fromIndex >= 0 && static_cast<std::size_t>(fromIndex) < from->outputSockets().size()) {
      outputSocket = from->outputSockets()[static_cast<std::size_t>(fromIndex)].get();
    } else {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no output socket index %d", from->description(),
                           fromIndex);
    }
    if (toIndex >= 0 && static_cast<std::size_t>(toIndex) < to->inputSockets().size()) {
      inputSocket = to->inputSockets()[static_cast<std::size_t>(toIndex)].get();
    } else {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no input socket index %d", to->description(), toIndex);
    }
    if (outputSocket != nullptr && inputSocket != nullptr) {
      if (MVConnection* connection = connect(outputSocket, inputSocket)) {
        return connection;
      }
    }
  }
  FeedbackManager::log("Warning, could not make connection from %@ node parameter '%@' to %@ node parameter '%@'.",
                       fromNode->displayFullName(), fromName, toNode->displayFullName(), toName);
  return nullptr;
}

void MVNodeGraph::addConnectionsFromRecords(pf::PlistValue::Array records, const Connect& connect)
{
  int failures = 0;
  for (pf::PlistValue& next : records) {
    const pf::PlistValue record = std::exchange(next, pf::PlistValue());  // let go once read
    if (record.isNull()) {
      continue;
    }
    const pf::PlistValue::Dictionary* dictionary = record.asDictionary();
    if (dictionary == nullptr) {
      FeedbackManager::log("Error, loadConnectionsFromArray record is not a dictionary: %@", record.description());
      ++failures;
    } else if (loadConnectionFromDescription(*dictionary, connect) == nullptr) {
      ++failures;
    }
  }
  if (failures > 0) {
    fileLoadingWarnings_.emplace_back(kConnectionsLoadingWarning);
  }
}
