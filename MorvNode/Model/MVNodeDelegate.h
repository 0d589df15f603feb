#pragma once

#include <string>
#include <string_view>

class MVConnection;
class MVNode;
class MVParameter;
class MVParameterSocket;

// What nodes, parameters and sockets ask of the graph controller that owns them. The controller
// implements it; tests use a recording fake. Only the calls the graph model itself makes are
// declared here; node classes and the controller add theirs where they need them.
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
  // The drag-edit handle on the preview moves to this parameter; nullptr drops it.
  virtual void dragEditParameterSelected(MVParameter* parameter) = 0;
  // The connection views must follow moved nodes or changed connections.
  virtual void connectionsChanged() = 0;
  // Random upstream nodes draw afresh before the next input of an element socket is pulled.
  virtual void updateRandomNodesForNode(MVNode* node) = 0;
  // The socket's input connections were put in a new order: the controller brings its
  // connection list (the saved order) into the same order.
  virtual void inputConnectionsReordered(MVParameterSocket* socket) = 0;
};
