#include "MorvNode/Model/MVParameterNodeIndex.h"

#include <algorithm>
#include <optional>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeIndexManager.h"
#include "Platform/Unicode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

std::vector<std::string> keysOf(const pf::PlistValue::Dictionary& dictionary)
{
  std::vector<std::string> keys;
  keys.reserve(dictionary.size());
  for (const auto& entry : dictionary) {
    keys.push_back(entry.key);
  }
  return keys;
}

}  // namespace

std::unique_ptr<MVParameterNodeIndex> MVParameterNodeIndex::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterNodeIndex>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVNodeIndexManager* MVParameterNodeIndex::nodeIndexManager() const
{
  if (nodeIndexManager_ != nullptr) {
    return nodeIndexManager_;
  }
  MVNodeDelegate* controller = nodeController();
  return controller != nullptr ? controller->nodeIndexManager() : nullptr;
}

void MVParameterNodeIndex::setupSockets()
{
  MVParameterIndex::setupSockets();
  if (hasOutputSocket() && outputSockets().empty()) {
    addOutputSocketOfType(MVSocketType::Value);
  }
}

void MVParameterNodeIndex::prepareForInterface()
{
  MVParameterIndex::prepareForInterface();
  updateElementIndexes();
}

void MVParameterNodeIndex::updateElementIndexes()
{
  if (nodeIndexManager() == nullptr) {
    FeedbackManager::log("Warning, %@ updateElementIndexes called with no elementIndexManager", description());
    return;
  }
  const std::optional<std::string> current =
      hasIndexNames() ? std::optional<std::string>(indexName()) : std::nullopt;
  std::vector<std::string> keys = keysOf(nodeIndexManager()->nodeIndexes());
  std::stable_sort(keys.begin(), keys.end(),
                   [](const std::string& a, const std::string& b) { return pf::compareCaseInsensitive(a, b) < 0; });
  if (hasIndexNames() && hasIndexDisplayNames() && hasIndexIcons() && indexNames() == keys) {
    return;
  }
  std::vector<std::string> names;
  std::vector<std::string> displayNames;
  std::vector<std::string> icons;
  for (const std::string& key : keys) {
    const std::size_t separator = key.find(" *");
    if (separator == std::string::npos) {
      FeedbackManager::log("Error, failed to add element index menu item for indexKey: %@", key);
      continue;
    }
    const MVNode* publisher = nodeIndexManager()->nodeIndexNodeFromIndex(key);
    if (publisher == nullptr) {
      continue;
    }
    // The index name follows " * ".
    const std::string suffix = separator + 3 <= key.size() ? key.substr(separator + 3) : std::string();
    names.push_back(key);
    displayNames.push_back(pf::format("%@ %@", publisher->displayName(), suffix));
    icons.push_back(publisher->iconName());
  }
  setIndexNames(names);
  setIndexDisplayNames(std::move(displayNames));
  setIndexIcons(std::move(icons));
  if (current) {
    const auto found = std::find(names.begin(), names.end(), *current);
    setIndex(found != names.end() ? found - names.begin() : 0);
  }
  setNeedsToUpdate(true);
  setViewNeedsLayout();
}

std::string MVParameterNodeIndex::indexName() const
{
  if (hasIndexNames() && indexNames().empty() && index() == 0) {
    return std::string();
  }
  return MVParameterIndex::indexName();
}

double MVParameterNodeIndex::valueForSocketIndex(int)
{
  if (nodeIndexManager() == nullptr) {
    FeedbackManager::log("Warning, %@ value requested with no elementIndexManager", description());
    return static_cast<double>(localIndexValue_);
  }
  long long value = 0;
  if (hasIndexNames()) {
    value = nodeIndexManager()->nodeIndex(indexName());
    invalidIndexFlag_ = value < 0;
    if (invalidIndexFlag_) {
      value = 0;
    }
  } else {
    FeedbackManager::log("Error, %@ getting value with no indexName, will return 0", description());
  }
  localIndexValue_ = value;
  setNeedsToUpdate(false);
  return static_cast<double>(value);
}

bool MVParameterNodeIndex::canConnectOutputParameter(const MVParameter* parameter) const
{
  return enabled() && !layoutHidden() && !outputSockets().empty() && parameter != nullptr && parameter != this &&
         parameter->answersValue();
}

pf::PlistValue::Dictionary MVParameterNodeIndex::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameterIndex::descriptionDictionary();
  record.set("Selected index key", indexName());
  return record;
}

bool MVParameterNodeIndex::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (nodeIndexManager() != nullptr) {
    setIndexNames(keysOf(nodeIndexManager()->nodeIndexes()));
  }
  const bool loaded = MVParameterIndex::loadDescriptionDictionary(record);
  if (!loaded) {
    return false;
  }
  const pf::PlistValue* key = record.find("Selected index key");
  if (key == nullptr) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, no 'Index key' found", description());
    return loaded;
  }
  loadedIndexName_ = key->stringOr();
  const auto found = std::find(indexNames().begin(), indexNames().end(), loadedIndexName_);
  if (found != indexNames().end()) {
    setIndex(found - indexNames().begin());
  } else if (loadedIndexName_.empty()) {
    // Saved while nothing upstream published an index: no choice was made, so there is
    // nothing to revert. When keys are published now, the controller chooses one after loading.
    needsNewIndexFlag_ = !indexNames().empty();
  } else {
    pf::PlistValue names = pf::PlistValue::emptyArray();
    for (const std::string& name : indexNames()) {
      names.append(name);
    }
    FeedbackManager::log(
        "Warning, %@ loadDescriptionDictionary, loaded index key '%@' not in list %@. Reverting to default index %ld",
        description(), loadedIndexName_, names, index());
    needsNewIndexFlag_ = true;
  }
  return loaded;
}
