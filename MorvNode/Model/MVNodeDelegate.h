#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Rect.h"
#include "Platform/Size.h"

class MVConnection;
class MVElement;
class MVElementDelegate;
class MVNode;
class MVNodeIndexManager;
class MVParameter;
class MVParameterSocket;
class MVSharedGraphicsElementsManager;
class ODAnimationManager;

// What nodes, parameters and sockets ask of the graph controller that owns them. The
// controller (MVNodeController) implements it; model tests use a recording fake.
class MVNodeDelegate {
public:
  virtual ~MVNodeDelegate() = default;

  // A fresh node ID, unique in the document ("1", "2", ...).
  virtual std::string uniqueNodeID() = 0;
  // Number of nodes of the class in the document; 0 when none.
  virtual int nodeTypeCountForClass(std::string_view className) const = 0;
  // The generation cycle that parameters stamp when they recompute.
  virtual long long currentGenerationCycleID() const = 0;

  // A node forwards a change of one of its parameters.
  virtual void parameterChanged(MVParameter* parameter, const std::string& propertyName) = 0;
  // An unconnected parameter that changed asks for a regeneration.
  virtual void scheduleRegenerationForParameter(MVParameter* parameter) = 0;
  // A node took one of its parameters out (it is destroyed soon after): forget every reference.
  virtual void parameterRemoved(const MVParameter* parameter) { (void)parameter; }
  // The node now answers another ID (loaded from a record, or set anew).
  virtual void nodeIdChanged(MVNode* node, const std::string& previousId)
  {
    (void)node;
    (void)previousId;
  }
  // Asks for a regeneration; requests merge into the pending one.
  virtual void scheduleRegeneration() = 0;
  // The drag-edit handle on the preview moves to this parameter; nullptr drops it.
  virtual void dragEditParameterSelected(MVParameter* parameter) = 0;
  // The connection views must follow moved nodes or changed connections.
  virtual void connectionsChanged() = 0;
  // A document connection, owned by the controller, from an output socket to an input socket;
  // nullptr (nothing kept) when the sockets refuse it.
  virtual MVConnection* addConnectionFromSocket(MVParameterSocket* outputSocket, MVParameterSocket* inputSocket) = 0;
  // Random upstream nodes draw afresh before the next input of an element socket is pulled.
  virtual void updateRandomNodesForNode(MVNode* node) = 0;
  // The socket's input connections were put in a new order: the controller brings its
  // connection list (the saved order) into the same order.
  virtual void inputConnectionsReordered(MVParameterSocket* socket) = 0;
  // Nodes upstream (`before`) and/or downstream (`after`) of `node`, depth first in connection
  // order; `node` itself is left out unless both directions are asked for.
  virtual std::vector<MVNode*> nodesLinkedToNode(MVNode* node, bool before, bool after) = 0;

  // Node indexes: a publishing node sets "<node ID> * <name>" for each repetition it builds and
  // ends the session (-1: no current value) when it has finished.
  virtual void setNodeIndex(const std::string& indexName, MVNode* node, long long value) = 0;
  virtual void endNodeIndexSession(const std::string& indexName, MVNode* node) = 0;

  // The artboard of the current generation, in output units; the clipping rectangle starts as
  // the artboard and nodes may narrow it during a generation.
  virtual pf::Size artboardSize() const = 0;
  virtual pf::Rect artboardClippingRect() const = 0;
  virtual void setArtboardClippingRect(const pf::Rect& rect) = 0;
  // The last generated output tree; nullptr before the first generation or without artboard.
  virtual std::shared_ptr<const MVElement> outputElement() const = 0;
  // What elements that node code creates take as their controller.
  virtual MVElementDelegate* elementDelegate() = 0;
  // The published node indexes, for node-index parameters.
  virtual MVNodeIndexManager* nodeIndexManager() = 0;
  // The document's shared graphics (imported images and data by name).
  virtual MVSharedGraphicsElementsManager* sharedGraphicsManager() = 0;
  // The document's animation; nullptr when there is none (every reading is then 0).
  virtual ODAnimationManager* animationManager() const = 0;
  // Logs the text with the milliseconds since the current generation started.
  virtual void debugTimeStamp(const std::string& text) = 0;
};
