#pragma once

#include <string>

class MVNode;

// Where the graph controller hands the node warnings it collects after each generation: the
// document's warnings list. The calling order is resetWarnings, addWarningMessage for every
// warning of every node (nodes in array order), then updateWarningsInterface.
class MVWarningsCollector {
public:
  virtual ~MVWarningsCollector() = default;

  virtual void resetWarnings() = 0;
  // `sender` is the node that raised the warning; not owned.
  virtual void addWarningMessage(const std::string& message, MVNode* sender) = 0;
  // Shows the collected list (and refreshes the rows' selection state).
  virtual void updateWarningsInterface() = 0;
  // The node is about to be destroyed: its warnings go.
  virtual void removeWarningsFromSender(const MVNode* sender) = 0;
  // The side list of warnings beside the editor.
  virtual void openWarningsPanel() = 0;
  virtual void toggleWarningsPanel() = 0;
};
