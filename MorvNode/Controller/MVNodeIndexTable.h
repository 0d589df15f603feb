#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/PlistValue.h"

class MVNode;

// The current node indexes of a document: "<node ID> * <index name>" -> index, -1 when the
// index has no current value. The document saves the table as "Nodes indexes" and restores it
// before the nodes are created. Storage only: telling the nodes that depend on an index is the
// graph controller's job.
class MVNodeIndexTable {
public:
  // "<node ID> * <index name>".
  static std::string key(const std::string& nodeId, const std::string& indexName);
  // The node ID part of a key; nullopt without " *".
  static std::optional<std::string_view> nodeIdOfKey(std::string_view key);

  const pf::PlistValue::Dictionary& indexes() const { return indexes_; }
  void load(const pf::PlistValue::Dictionary& indexes) { indexes_ = indexes; }
  bool contains(const std::string& key) const { return indexes_.contains(key); }
  // -1 for an empty or unknown key, or a value that is no number.
  long long index(const std::string& key) const;
  void setIndex(const std::string& key, long long value);
  // Stores -1: dependents keep the last value they read.
  void endSession(const std::string& key);
  // The "Index" key of the first of `nodes` that publishes indexes and has one stored; nullopt
  // when none.
  std::optional<std::string> firstIndexKeyOf(const std::vector<MVNode*>& nodes) const;
  // Drops every key of the node; keys without " *" stay.
  void removeIndexesForNodeID(const std::string& nodeId);

private:
  pf::PlistValue::Dictionary indexes_;
};
