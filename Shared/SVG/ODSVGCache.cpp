#include "Shared/SVG/ODSVGCache.h"

#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "Shared/SVG/ODSVG.h"

namespace {

// Least recently used last.
class CountLimitedCache {
public:
  std::shared_ptr<ODSVG> find(const std::string& key)
  {
    const auto found = index_.find(key);
    if (found == index_.end()) {
      return nullptr;
    }
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->second;
  }

  void insert(const std::string& key, std::shared_ptr<ODSVG> svg, std::size_t limit)
  {
    remove(key);
    entries_.emplace_front(key, std::move(svg));
    index_[key] = entries_.begin();
    trim(limit);
  }

  void remove(const std::string& key)
  {
    const auto found = index_.find(key);
    if (found != index_.end()) {
      entries_.erase(found->second);
      index_.erase(found);
    }
  }

  void trim(std::size_t limit)
  {
    while (entries_.size() > limit) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
  }

  void clear()
  {
    entries_.clear();
    index_.clear();
  }

private:
  using Entry = std::pair<std::string, std::shared_ptr<ODSVG>>;
  std::list<Entry> entries_;
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

struct CacheState {
  std::mutex mutex;
  bool enabled = true;
  std::size_t maximumItemCount = ODSVGCache::kDefaultMaximumItemCount;
  std::unique_ptr<CountLimitedCache> cache = std::make_unique<CountLimitedCache>();
};

CacheState& state()
{
  static CacheState shared;
  return shared;
}

}  // namespace

void ODSVGCache::setEnabled(bool enabled)
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  s.enabled = enabled;
  if (!enabled) {
    s.cache->clear();
  }
}

bool ODSVGCache::enabled()
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  return s.enabled;
}

void ODSVGCache::setEvictItemsAfter(std::size_t count)
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  s.maximumItemCount = count;
  s.cache->trim(count);
}

std::size_t ODSVGCache::evictItemsAfter()
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  return s.maximumItemCount;
}

std::shared_ptr<ODSVG> ODSVGCache::cachedSVGForFileURL(const std::string& fileURL)
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  return s.enabled ? s.cache->find(fileURL) : nullptr;
}

void ODSVGCache::cacheSVG(std::shared_ptr<ODSVG> svg, const std::string& fileURL)
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  if (s.enabled && svg) {
    s.cache->insert(fileURL, std::move(svg), s.maximumItemCount);
  }
}

void ODSVGCache::purgeCachedSVGForFileURL(const std::string& fileURL)
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  s.cache->remove(fileURL);
}

void ODSVGCache::flushCache()
{
  CacheState& s = state();
  const std::lock_guard lock(s.mutex);
  s.cache->clear();
}
