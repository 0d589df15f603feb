#include "Platform/Allocator.h"

#include <cstdint>
#include <cstdlib>

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

}  // namespace
