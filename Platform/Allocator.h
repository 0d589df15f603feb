#pragma once

namespace pf {

// Sets up the C library's allocator for an interactive application: called once, first thing in
// main. glibc keeps freed small blocks in "fast bins" and merges all of them at once whenever a
// large block is freed; after a document of 100,000 elements is replaced, that merge holds the
// main thread for about ten milliseconds. Without fast bins small blocks are merged as they are
// freed (the per-thread caches still serve the most frequent sizes), so no single free stalls.
void configureAllocatorForInteractiveUse();

}  // namespace pf
