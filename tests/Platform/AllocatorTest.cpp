#include "Platform/Allocator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

// Changes the process's allocator settings, so each case runs in a process of its own.
bool inRange(const void* pointer, const pf::StartupHeap& heap)
{
  const auto at = reinterpret_cast<std::uintptr_t>(pointer);
  const auto start = reinterpret_cast<std::uintptr_t>(heap.start());
  return at >= start && at < start + heap.bytes();
}

TEST(StartupHeapDeathTest, GrowsTheHeapAtOnceAndServesTheStartFromIt)
{
  EXPECT_EXIT(
      {
        pf::StartupHeap heap(8u << 20);
        if (heap.bytes() == 0) {
          std::exit(0);  // a sanitizer's allocator: nothing to grow, and nothing done
        }
        // Larger than any block freed so far in this process, so it comes from the top of the heap,
        // which now reaches into the new range.
        auto* block = static_cast<char*>(std::malloc(4u << 20));
        const bool served = heap.bytes() >= (8u << 20) && inRange(block + (4u << 20) - 1, heap);
        std::free(block);
        heap.end();
        std::exit(served && heap.bytes() == 0 && heap.start() == nullptr ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(StartupHeapDeathTest, RefusesSizesItCannotUse)
{
  EXPECT_EXIT(
      {
        const pf::StartupHeap tiny(100);
        const pf::StartupHeap huge(std::size_t{1} << 40);
        std::exit(tiny.bytes() == 0 && huge.bytes() == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// The flags line of the mapping holding `pointer`, from /proc/self/smaps ("" when none).
std::string mappingFlags(const void* pointer)
{
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(pointer);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long start = 0;
    unsigned long end = 0;
    char permissions[5] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, permissions) == 3) {
      inside = at >= start && at < end;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return {};
}

TEST(ThreadHeapHugePages, MarkAWorkersHeapOnly)
{
  // The main thread's heap is the process's [heap], no heap of a thread's own.
  void* onMain = std::malloc(64);
  const bool mainMarked = pf::preferHugePagesForThisThreadsHeap();
  const std::string mainFlags = mappingFlags(onMain);
  std::free(onMain);
  bool marked = false;
  std::string flags;
  std::thread worker([&] {
    marked = pf::preferHugePagesForThisThreadsHeap();
    void* block = std::malloc(64);
    flags = mappingFlags(block);
    std::free(block);
  });
  worker.join();
  if (flags.empty() || mainFlags.empty()) {
    GTEST_SKIP() << "no /proc/self/smaps";
  }
  if (mainFlags.find(" hg") == std::string::npos) {
    EXPECT_FALSE(mainMarked);
  }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  EXPECT_FALSE(marked);  // the sanitizer's allocator keeps no heap per thread
#endif
  // Where the system takes the request, the worker's heap is marked (" hg").
  EXPECT_EQ(marked, flags.find(" hg") != std::string::npos) << flags;
}

}  // namespace
