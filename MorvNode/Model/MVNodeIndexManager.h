#pragma once

#include <string>

#include "Platform/PlistValue.h"

class MVNode;

// The graph controller's store of published node indexes, as node-index parameters read it.
// Keys are "<node ID> * <index name>"; a negative index means "no current value".
class MVNodeIndexManager {
public:
  virtual ~MVNodeIndexManager() = default;
  // Key -> index (integer numbers).
  virtual const pf::PlistValue::Dictionary& nodeIndexes() = 0;
  // The node that publishes the key; nullptr when the key names none.
  virtual MVNode* nodeIndexNodeFromIndex(const std::string& key) = 0;
  // -1 for an absent key.
  virtual long long nodeIndex(const std::string& key) = 0;
};
