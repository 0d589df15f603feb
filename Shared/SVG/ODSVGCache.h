#pragma once

#include <cstddef>
#include <memory>
#include <string>

class ODSVG;

// The process-wide cache of documents loaded from files, keyed by file path: at most the
// maximum item count (20 unless set) stay, the least recently used going first. Enabled from
// the start; disabling empties it and stops storing and answering.
//
// Thread safety: every operation may be called from any thread (one lock).
class ODSVGCache {
public:
  static constexpr std::size_t kDefaultMaximumItemCount = 20;

  static void setEnabled(bool enabled);
  static bool enabled();
  // The maximum item count; older entries beyond it go at once. 0 keeps nothing.
  static void setEvictItemsAfter(std::size_t count);
  static std::size_t evictItemsAfter();

  // nullptr when disabled or nothing is stored for the key.
  static std::shared_ptr<ODSVG> cachedSVGForFileURL(const std::string& fileURL);
  // Stores the document (ignored when disabled or for nullptr).
  static void cacheSVG(std::shared_ptr<ODSVG> svg, const std::string& fileURL);
  static void purgeCachedSVGForFileURL(const std::string& fileURL);
  static void flushCache();
};
