#include "Platform/TextPool.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <map>
#include <unordered_set>

namespace pf {

namespace {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

std::mutex& poolMutex()
{
  static std::mutex mutex;
  return mutex;
}

}  // namespace

const std::string& TextPool::text(std::string_view text)
{
  // Node-based: pooled strings never move while others are added.
  static auto* const pool = new std::unordered_set<std::string, TextHash, std::equal_to<>>();
  const std::lock_guard lock(poolMutex());
  const auto found = pool->find(text);
  if (found != pool->end()) {
    return *found;
  }
  return *pool->emplace(text).first;
}

std::shared_ptr<const std::vector<std::string>> TextPool::list(const std::vector<std::string>& list)
{
  static auto* const pool = new std::map<std::vector<std::string>, std::shared_ptr<const std::vector<std::string>>>();
  const std::lock_guard lock(poolMutex());
  auto [entry, added] = pool->try_emplace(list);
  if (added) {
    entry->second = std::make_shared<const std::vector<std::string>>(list);
  }
  return entry->second;
}

}  // namespace pf
