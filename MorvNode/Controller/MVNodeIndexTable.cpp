#include "MorvNode/Controller/MVNodeIndexTable.h"

#include "MorvNode/Model/MVNode.h"
#include "Platform/Format.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

std::string MVNodeIndexTable::key(const std::string& nodeId, const std::string& indexName)
{
  return pf::format("%@ * %@", nodeId, indexName);
}

std::optional<std::string_view> MVNodeIndexTable::nodeIdOfKey(std::string_view key)
{
  const std::size_t separator = key.find(" *");
  if (separator == std::string_view::npos) {
    return std::nullopt;
  }
  return key.substr(0, separator);
}

long long MVNodeIndexTable::index(const std::string& key) const
{
  const pf::PlistValue* value = indexes_.find(key);
  if (key.empty() || value == nullptr) {
    return -1;
  }
  return value->toInteger().value_or(-1);
}

void MVNodeIndexTable::setIndex(const std::string& key, long long value)
{
  indexes_.set(key, pf::PlistValue(value));
}

void MVNodeIndexTable::endSession(const std::string& key)
{
  DictionaryValueExtras::setIntValue(indexes_, -1, key);
}

std::optional<std::string> MVNodeIndexTable::firstIndexKeyOf(const std::vector<MVNode*>& nodes) const
{
  for (MVNode* node : nodes) {
    if (!node->hasNodeIndexes()) {
      continue;
    }
    std::string indexKey = key(node->nodeId(), "Index");
    if (indexes_.contains(indexKey)) {
      return indexKey;
    }
  }
  return std::nullopt;
}

void MVNodeIndexTable::removeIndexesForNodeID(const std::string& nodeId)
{
  std::vector<std::string> keys;
  for (const auto& [each, value] : indexes_.entries()) {
    const std::optional<std::string_view> keyNodeId = nodeIdOfKey(each);
    if (keyNodeId && *keyNodeId == nodeId) {
      keys.push_back(each);
    }
  }
  for (const std::string& each : keys) {
    indexes_.erase(each);
  }
}
