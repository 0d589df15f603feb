#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterIndex.h"

class MVNodeIndexManager;

// A choice among the node-index keys ("<node ID> * <index name>") that upstream nodes publish
// in the graph controller's node-index store. Its value is the index the store currently holds
// for the chosen key, asked afresh on every read; a key without a current index reads 0 and
// sets `invalidIndexFlag` for the node's warnings. The names are the keys, sorted as the user's
// language sorts them; the display names are "<node title> <index name>".
class MVParameterNodeIndex : public MVParameterIndex {
public:
  static std::unique_ptr<MVParameterNodeIndex> parameterWithName(const std::string& name);

  std::string_view className() const override { return "MVParameterNodeIndex"; }
  bool answersValue() const override { return true; }
  bool hasPreview() const override { return false; }
  // An output socket when `hasOutputSocket` (the index as a connectable value).
  void setupSockets() override;
  // Brings the list up to date before the row builds itself.
  void prepareForInterface() override;

  // The manager set here, else the index manager of the node's graph controller; not owned,
  // outlives the node. nullptr when there is neither.
  MVNodeIndexManager* nodeIndexManager() const;
  void setNodeIndexManager(MVNodeIndexManager* manager) { nodeIndexManager_ = manager; }

  // Rebuilds the names, display names and icons from the manager's keys, keeping the chosen
  // key (index 0 when it is gone). Nothing changes while the keys are the names.
  void updateElementIndexes();
  // "" for an empty list at index 0, else the index parameter's answer.
  std::string indexName() const override;

  double value() { return valueForSocketIndex(0); }
  // The manager's current index for the chosen key; 0 for none. The last value read (logged)
  // without a manager.
  double valueForSocketIndex(int index) override;
  // Whether `parameter` may take this parameter's output: a value, and not this one.
  bool canConnectOutputParameter(const MVParameter* parameter) const;

  // The chosen key has no current index (it reads 0).
  bool invalidIndexFlag() const { return invalidIndexFlag_; }
  // The loaded key was not among the keys; the controller chooses again after loading.
  bool needsNewIndexFlag() const { return needsNewIndexFlag_; }
  void setNeedsNewIndexFlag(bool needs) { needsNewIndexFlag_ = needs; }
  const std::string& loadedIndexName() const { return loadedIndexName_; }
  void setLoadedIndexName(std::string name) { loadedIndexName_ = std::move(name); }

  // The index record plus "Selected index key".
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  MVNodeIndexManager* nodeIndexManager_ = nullptr;  // the graph controller, outlives the node
  long long localIndexValue_ = 0;                   // the last value read
  bool invalidIndexFlag_ = false;
  bool needsNewIndexFlag_ = false;
  std::string loadedIndexName_;
};
