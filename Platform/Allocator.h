#pragma once

#include <cstddef>

namespace pf {

// Sets up the C library's allocator for an interactive application: called once, first thing in
// main. glibc keeps freed small blocks in "fast bins" and merges all of them at once whenever a
// large block is freed; after a document of 100,000 elements is replaced, that merge holds the
// main thread for about ten milliseconds. Without fast bins small blocks are merged as they are
// freed (the per-thread caches still serve the most frequent sizes), so no single free stalls.
void configureAllocatorForInteractiveUse();

// The main thread's heap for the start of an application. A start fills tens of megabytes of
// fresh heap (the window system, the documents' values and nodes), and a fresh process meets each
// new 4 KiB page with a page fault: on a virtual machine about ten microseconds each, and a
// building of nodes whose memory is spread over thousands of pages also misses the address cache
// on every few nodes. So the heap grows at once by about what the start will fill, and that
// range asks the system for huge pages (2 MiB), one fault each, where the system offers them on
// request. Opening 1,000 nodes then builds in 37 ms instead of 61.
//
// Made on the main thread first thing in main, before other threads allocate; end() (or the
// destructor) lets the heap grow and shrink in its usual steps again. Under a sanitizer's
// allocator, or where the heap cannot grow in place, it does nothing.
class StartupHeap {
public:
  explicit StartupHeap(std::size_t bytes);
  ~StartupHeap();
  StartupHeap(const StartupHeap&) = delete;
  StartupHeap& operator=(const StartupHeap&) = delete;

  void end();
  // The range the heap grew by: nullptr and 0 when nothing was done.
  const void* start() const { return start_; }
  std::size_t bytes() const { return bytes_; }

private:
  void* start_ = nullptr;
  std::size_t bytes_ = 0;
};

// A worker that is about to fill much of its thread's heap (reading a document at launch) asks
// for huge pages there too, for the reasons above: the mapping that holds the thread's heap, and
// the reserve glibc keeps beside it to grow into, are marked. Answers whether they were. Under
// AddressSanitizer or ThreadSanitizer, whose allocators serve malloc from regions shared by size
// rather than from a heap per thread, nothing is marked.
bool preferHugePagesForThisThreadsHeap();

}  // namespace pf
