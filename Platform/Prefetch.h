#pragma once

#include <cstddef>
#include <cstdint>

namespace pf {

// Hints to the processor to bring memory into its caches ahead of a read. Nothing is read or
// changed: an address past an object's end, or one of freed memory, costs at most a wasted
// fetch. They pay where a walk visits many objects that each point to the next and that no
// longer fit the caches: asked for together, and before they are needed, the objects arrive
// side by side instead of one after another.

namespace detail {

// Every cache line of [object, object + bytes), for a read (write 0) or a write (write 1).
template <int write>
inline void prefetchLines(const void* object, std::size_t bytes)
{
  constexpr std::uintptr_t kCacheLine = 64;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(object);
  for (std::uintptr_t line = start & ~(kCacheLine - 1); line < start + bytes; line += kCacheLine) {
    __builtin_prefetch(reinterpret_cast<const void*>(line), write);
  }
}

}  // namespace detail

// The cache lines of [object, object + bytes).
inline void prefetchMemory(const void* object, std::size_t bytes)
{
  detail::prefetchLines<0>(object, bytes);
}

// The cache lines of [object, object + bytes), for a write: memory about to be freed and
// filled again by what replaces it.
inline void prefetchForWrite(const void* object, std::size_t bytes)
{
  detail::prefetchLines<1>(object, bytes);
}

// Visits every item of `items` in order, asking (through `ask`) for the item `ahead` places
// further on before each visit: for a walk through many objects that have left the caches.
template <typename Items, typename Ask, typename Visit>
void visitAskingAhead(Items& items, std::size_t ahead, Ask ask, Visit visit)
{
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i + ahead < items.size()) {
      ask(items[i + ahead]);
    }
    visit(items[i]);
  }
}

// The start of an object shared through std::shared_ptr and the reference counts just before
// it (where std::make_shared puts them), which releasing or copying a pointer to it updates.
// nullptr asks for nothing.
inline void prefetchShared(const void* object)
{
  if (object != nullptr) {
    constexpr std::size_t kCountsBefore = 16;
    prefetchMemory(static_cast<const char*>(object) - kCountsBefore, kCountsBefore + 1);
  }
}

}  // namespace pf
