#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVParameterUndoDelegate.h"
#include "Platform/PlistValue.h"

class MVNode;

// The document's undo services as a node uses them. A node hands the same delegate to its
// parameters, so it serves both.
class MVNodeUndoDelegate : public MVParameterUndoDelegate {
public:
  // State {"propertyName", "propertyValue"}; the reverse step calls the node's revertProperty().
  virtual void storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                                  const std::optional<std::string>& actionName) = 0;
  virtual void storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) = 0;
  virtual void storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) = 0;
  // One record of the whole connection list as it is now.
  virtual void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) = 0;
};
