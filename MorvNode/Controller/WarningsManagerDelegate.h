#pragma once

class MVNode;

// Who answers a click on a row of the warnings list: the graph controller, which selects the
// node that raised the warning and scrolls the editor to it.
class WarningsManagerDelegate {
public:
  virtual ~WarningsManagerDelegate() = default;
  virtual void selectAndCenterOnNode(MVNode* node) = 0;
};
