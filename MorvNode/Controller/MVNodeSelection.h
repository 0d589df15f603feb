#pragma once

#include <vector>

class MVNode;

// The selected nodes of a document in selection order, kept in step with each node's selected
// flag. The nodes are owned by the graph; the graph controller drops a node from here before it
// destroys it, and tells the editor and panels about changes.
class MVNodeSelection {
public:
  const std::vector<MVNode*>& nodes() const { return nodes_; }
  bool isEmpty() const { return nodes_.empty(); }
  // Without `addition` the selection is emptied first; an already selected node is deselected
  // when both `addition` and `toggleSelection` are set. nullptr only empties. True when `node`
  // was newly selected.
  bool select(MVNode* node, bool addition, bool toggleSelection);
  // Drops the node without touching its flag (it is going away); true when it was selected.
  bool remove(const MVNode* node);
  // Drops every node without touching their flags.
  void clear() { nodes_.clear(); }
  // Enables the disabled and disables the enabled nodes that can be disabled.
  void toggleEnabled() const;

private:
  std::vector<MVNode*> nodes_;  // owned by the graph
};
