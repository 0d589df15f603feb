#pragma once

#include <string>

// Shows the reference page of a node class (the document, and the controller on its behalf).
class NodeHelpProvider {
public:
  virtual ~NodeHelpProvider() = default;
  virtual void showHelpForNodeType(const std::string& nodeClassName) = 0;
};
