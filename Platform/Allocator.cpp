#include "Platform/Allocator.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pf {

namespace {

// Setting the heap's padding switches off glibc's own rules for the other thresholds, so they are
// set to where those rules end once large blocks come and go: blocks under 32 MiB from the heap,
// and a free top of the heap over 64 MiB given back.
constexpr int kMmapThreshold = 32 * 1024 * 1024;
constexpr int kTrimThreshold = 64 * 1024 * 1024;
constexpr int kDefaultTopPad = 128 * 1024;
constexpr std::size_t kProbeBytes = 60 * 1024;  // under the smallest mmap threshold
constexpr std::size_t kMostProbes = 64;

}  // namespace

void configureAllocatorForInteractiveUse()
{
  // Under a sanitizer the allocator is the sanitizer's own and this changes nothing; there is
  // nothing for a user to do about either answer, so it is not checked.
  (void)mallopt(M_MXFAST, 0);
}

StartupHeap::StartupHeap(std::size_t bytes)
{
  if (bytes < kProbeBytes || bytes > static_cast<std::size_t>(INT_MAX)) {
    return;
  }
  auto* const before = static_cast<char*>(sbrk(0));
  if (before == reinterpret_cast<char*>(-1) || mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1) {
    return;
  }
  (void)mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
  (void)mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  // Small blocks until the heap grows: with the padding it grows by `bytes` beyond the block.
  std::vector<void*> probes;
  probes.reserve(kMostProbes);
  while (static_cast<char*>(sbrk(0)) == before && probes.size() < kMostProbes) {
    probes.push_back(std::malloc(kProbeBytes));
  }
  auto* const after = static_cast<char*>(sbrk(0));
  for (auto probe = probes.rbegin(); probe != probes.rend(); ++probe) {
    std::free(*probe);
  }
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(before) + page - 1) & ~(page - 1);
  const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(after) & ~(page - 1);
  if (after == reinterpret_cast<char*>(-1) || last <= first) {
    return;  // the heap did not grow in place: not glibc's heap, or no room
  }
  start_ = reinterpret_cast<void*>(first);
  bytes_ = last - first;
  // Refused harmlessly where huge pages are off: the pages then come one by one as before.
  (void)madvise(start_, bytes_, MADV_HUGEPAGE);
}

StartupHeap::~StartupHeap()
{
  end();
}

void StartupHeap::end()
{
  if (bytes_ > 0) {
    (void)mallopt(M_TOP_PAD, kDefaultTopPad);
  }
  start_ = nullptr;
  bytes_ = 0;
}

bool preferHugePagesForThisThreadsHeap()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The next block of the thread may lie in another of the sanitizer's regions than the probe.
  return false;
#else
  void* probe = std::malloc(64);
  const auto at = reinterpret_cast<std::uintptr_t>(probe);
  std::free(probe);
  // The mapping holding the probe, and the one right after it when that is the heap's reserve
  // (anonymous and inaccessible): from /proc/self/maps, so nothing is assumed of glibc's layout.
  FILE* maps = std::fopen("/proc/self/maps", "r");
  if (maps == nullptr) {
    return false;
  }
  std::uintptr_t first = 0;
  std::uintptr_t last = 0;
  char line[512];
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long start = 0;
    unsigned long end = 0;
    char permissions[5] = {};
    unsigned long offset = 0;
    char device[16] = {};
    unsigned long inode = 0;
    int consumed = 0;
    if (std::sscanf(line, "%lx-%lx %4s %lx %15s %lu %n", &start, &end, permissions, &offset, device, &inode,
                    &consumed) < 6) {
      continue;
    }
    const bool anonymous = inode == 0 && (line[consumed] == '\n' || line[consumed] == '\0');
    if (last == 0 && at >= start && at < end) {
      if (!anonymous || permissions[0] != 'r' || permissions[1] != 'w') {
        break;  // not a heap of its own (the main heap is [heap], and sanitizers' differ)
      }
      first = start;
      last = end;
    } else if (last != 0) {
      if (start == last && anonymous && permissions[0] == '-' && permissions[1] == '-') {
        last = end;
      }
      break;
    }
  }
  std::fclose(maps);
  return last > first && madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0;
#endif
}

}  // namespace pf
