#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/PlistValue.h"

class MVConnection;
class MVNode;
class MVParameterSocket;

// The node graph of one document: the ordered node array (the saved order and the order of every
// scan), the connections in creation order, the node ID counter, the look-ups over them and the
// loading of their records. It also keeps what is derived from the node array: the ID -> node
// map, the artboard cache, the per-class counts and the list of dynamic value nodes.
//
// The graph only stores and finds: telling the editor, the undo records and the regeneration
// belong to its owner, the graph controller, which hands in what a node or connection needs to
// be set up. Main thread only.
class MVNodeGraph {
public:
  // Hands a new node its delegates and then its ID (MVNode::initWithNodeID).
  using NodeSetUp = std::function<void(MVNode& node, const std::string& nodeId)>;
  // Connects two sockets the owner's way; nullptr when refused.
  using Connect = std::function<MVConnection*(MVParameterSocket* outputSocket, MVParameterSocket* inputSocket)>;

  // Sets isLoadingFile() for its lifetime and restores the previous value.
  class LoadingScope {
  public:
    explicit LoadingScope(MVNodeGraph& graph) : graph_(graph), previous_(graph.isLoadingFile_)
    {
      graph_.isLoadingFile_ = true;
    }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;
    ~LoadingScope() { graph_.isLoadingFile_ = previous_; }
    bool wasLoading() const { return previous_; }

  private:
    MVNodeGraph& graph_;
    bool previous_;
  };

  MVNodeGraph() = default;
  // Destroys the connections, then the nodes.
  ~MVNodeGraph();
  MVNodeGraph(const MVNodeGraph&) = delete;
  MVNodeGraph& operator=(const MVNodeGraph&) = delete;

  // Loading a file or a bulk edit is under way: the owner holds back notifications and
  // regeneration, and unknown node classes become loading warnings.
  bool isLoadingFile() const { return isLoadingFile_; }
  void setLoadingFile(bool loading) { isLoadingFile_ = loading; }

  // ---- Node IDs ----
  // The counter's next value as "%ld"; IDs are never reused within a document.
  std::string uniqueNodeID();
  long nodeIDCounter() const { return nodeIDCounter_; }
  // Loaded IDs and counters never raise the counter beyond this, so that it cannot overflow;
  // larger loaded IDs stay as they are.
  static constexpr long kMaxNodeIDCounter = 1L << 52;
  void setNodeIDCounter(long counter) { nodeIDCounter_ = counter; }

  // ---- Node array ----
  const std::vector<std::unique_ptr<MVNode>>& nodes() const { return nodes_; }
  // Inserts at `position` (clamped to the end); returns the node.
  MVNode* insertNode(std::unique_ptr<MVNode> node, std::size_t position);
  MVNode* appendNode(std::unique_ptr<MVNode> node) { return insertNode(std::move(node), nodes_.size()); }
  // Takes the node out of the array and the derived lists; nullptr when it is not in the array.
  std::unique_ptr<MVNode> takeNode(const MVNode* node);
  // Destroys the connections, then the nodes, and empties the derived lists.
  void clear();
  // Position of the node in the array; nullopt when it is not there.
  std::optional<std::size_t> indexOfNode(const MVNode* node) const;
  // The last node in array order with that ID; nullptr when none. Constant time unless several
  // nodes share the ID.
  MVNode* nodeWithId(const std::string& nodeId) const;
  // A node of the array now answers another ID (it was loaded or renamed). Nodes that are not in
  // the array are ignored.
  void nodeIdChanged(MVNode* node, const std::string& previousId);

  // The artboard node (class "ArtboardNode"): the cached one, else the last in array order,
  // which is then cached; nullptr when there is none.
  MVNode* artboardNode();
  // The cache alone, without a search.
  MVNode* cachedArtboardNode() const { return artboardNode_; }

  // Recounts the classes; the n-th node of a class in array order gets display index n.
  void updateNodeTypeCount();
  int nodeTypeCountForClass(std::string_view className) const;
  // Rebuilds the list of nodes with random outputs or node-index parameters and marks the nodes
  // downstream of them.
  void updateDynamicValueNodesArray();
  const std::vector<MVNode*>& dynamicValueNodes() const { return dynamicValueNodes_; }
  // The nodes that draw random numbers (those with a "Seed" row, and any whose seeds were not
  // at rest when added), in the order added: the only ones whose seeds a generation
  // restarts, as the others' stay 0, so that it need not visit every node.
  const std::vector<MVNode*>& seededNodes() const { return seededNodes_; }
  // Marks the node and every node downstream of it as possibly answering per repetition.
  void markDynamicInputForNodesConnectedTo(MVNode* node);
  // The nodes upstream (`before`) and/or downstream (`after`) of `node` in depth-first order
  // through the connections in array order, `node` itself first when both are asked. Uses and
  // resets the nodes' recursive-check flags.
  std::vector<MVNode*> nodesLinkedToNode(MVNode* node, bool before, bool after);

  // ---- Connections ----
  const std::vector<std::unique_ptr<MVConnection>>& connections() const { return connections_; }
  MVConnection* appendConnection(std::unique_ptr<MVConnection> connection);
  // Takes the connection out of the array; nullptr when it is not one of the graph's.
  std::unique_ptr<MVConnection> takeConnection(const MVConnection* connection);
  // Detaches and destroys every connection, last first, without starting the target nodes'
  // change handling.
  void detachAllConnections();
  // Moves the connection to the end of the array; nothing when it is not there.
  void moveConnectionToEnd(const MVConnection* connection);
  // Clears every connection's loop mark and redraws those that had one.
  void clearInfiniteLoopMarks();
  // The records of the connections in array order (the document's "Connections").
  pf::PlistValue::Array connectionDescriptionsArray() const;

  // ---- Loading records ----
  // Creates a node from its record (class, ID, "NodeArrayIndex" position), sets it up and adds
  // it. nullptr, logged, for an unknown class; an unknown class met while loading also becomes a
  // loading warning. Moves the ID counter past a loaded numeric ID.
  MVNode* addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record, const NodeSetUp& setUp);
  // Adds the nodes of a document's records in order, collecting their loading warnings. Each
  // record is let go once its node is built.
  void addNodesFromRecords(pf::PlistValue::Array records, const NodeSetUp& setUp);
  // nullptr (logged) when the record's nodes, parameters or sockets are missing.
  MVConnection* loadConnectionFromDescription(const pf::PlistValue::Dictionary& record, const Connect& connect);
  // Connects every record; failures are logged and summarised in one loading warning.
  void addConnectionsFromRecords(pf::PlistValue::Array records, const Connect& connect);
  // Warnings for the user collected while loading a file, in order.
  const std::vector<std::string>& fileLoadingWarnings() const { return fileLoadingWarnings_; }
  void clearFileLoadingWarnings() { fileLoadingWarnings_.clear(); }
  // Adds the text unless it is already in the list.
  void addFileLoadingWarning(const std::string& warning);

private:
  void indexNode(MVNode* node, const std::string& nodeId);
  void unindexNode(const MVNode* node, const std::string& nodeId);

  // Connections are declared after the nodes so that they are destroyed first.
  std::vector<std::unique_ptr<MVNode>> nodes_;
  std::vector<std::unique_ptr<MVConnection>> connections_;
  // Node ID -> the nodes of the array with that ID (several only in a damaged file).
  std::unordered_multimap<std::string, MVNode*> nodesById_;
  MVNode* artboardNode_ = nullptr;            // cache; owned by nodes_
  std::vector<MVNode*> dynamicValueNodes_;   // owned by nodes_
  std::vector<MVNode*> seededNodes_;         // owned by nodes_
  std::map<std::string, int, std::less<>> nodeTypeCount_;
  long nodeIDCounter_ = 0;
  bool isLoadingFile_ = false;
  std::vector<std::string> fileLoadingWarnings_;
};
