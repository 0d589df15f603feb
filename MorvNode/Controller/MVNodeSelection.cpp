#include "MorvNode/Controller/MVNodeSelection.h"

#include <algorithm>

#include "MorvNode/Model/MVNode.h"

bool MVNodeSelection::select(MVNode* node, bool addition, bool toggleSelection)
{
  if (!addition) {
    for (MVNode* selected : nodes_) {
      if (selected->selected()) {
        selected->setSelected(false);
      }
    }
    nodes_.clear();
  }
  if (node == nullptr) {
    return false;
  }
  const auto found = std::find(nodes_.begin(), nodes_.end(), node);
  if (found == nodes_.end()) {
    nodes_.push_back(node);
    node->setSelected(true);
    return true;
  }
  if (addition && toggleSelection) {
    nodes_.erase(found);
    node->setSelected(false);
  }
  return false;
}

bool MVNodeSelection::remove(const MVNode* node)
{
  return std::erase(nodes_, node) > 0;
}

void MVNodeSelection::toggleEnabled() const
{
  // Enabling may change the selection's interface; walk a copy.
  const std::vector<MVNode*> selected = nodes_;
  for (MVNode* node : selected) {
    if (node->canDisable()) {
      node->setEnabled(!node->enabled());
    }
  }
}
