#pragma once

// The node reference window, which runs a controller of its own in reference mode and rebuilds
// its text when a sample node's parameter changes.
class MVNodeControllerReferenceDelegate {
public:
  virtual ~MVNodeControllerReferenceDelegate() = default;
  virtual void updateNodeReferenceText() = 0;
};
