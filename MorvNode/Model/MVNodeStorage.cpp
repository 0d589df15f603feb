#include "MorvNode/Model/MVNodeStorage.h"

#include <atomic>
#include <mutex>
#include <new>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define MV_STORAGE_POISON(address, bytes) ASAN_POISON_MEMORY_REGION(address, bytes)
#define MV_STORAGE_UNPOISON(address, bytes) ASAN_UNPOISON_MEMORY_REGION(address, bytes)
#else
#define MV_STORAGE_POISON(address, bytes) ((void)(address), (void)(bytes))
#define MV_STORAGE_UNPOISON(address, bytes) ((void)(address), (void)(bytes))
#endif

namespace {

// operator new's alignment, kept for every object placed.
constexpr std::size_t kAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
// The size of a class's first block: room for a node and a dozen parameters.
constexpr std::size_t kFirstBlockBytes = 4096;

constexpr std::size_t roundUp(std::size_t bytes)
{
  return (bytes + kAlignment - 1) & ~(kAlignment - 1);
}

// The memory of one block: this record, then its objects one after another.
struct Region {
  // Objects placed and not yet freed, plus one while the block is open.
  std::atomic<std::size_t> holders{1};
  std::size_t capacity = 0;  // bytes for objects
  std::size_t used = 0;
  std::size_t missing = 0;   // bytes of the objects that did not fit

  std::byte* objects() { return reinterpret_cast<std::byte*>(this) + roundUp(sizeof(Region)); }
};

// Before every object: its block (nullptr for an object on the heap) and its size. In a block,
// the header also keeps AddressSanitizer's watch between neighbours (it stays poisoned).
struct Header {
  Region* region;
  std::size_t bytes;
};
constexpr std::size_t kHeaderBytes = roundUp(sizeof(Header));

thread_local Region* tOpenRegion = nullptr;

std::mutex gLearnedMutex;
std::unordered_map<const MVNodeClass*, std::size_t> gLearnedBytes;  // guarded by gLearnedMutex

void release(Region* region) noexcept
{
  if (region->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    MV_STORAGE_UNPOISON(region->objects(), region->capacity);
    region->~Region();
    ::operator delete(region);
  }
}

}  // namespace

MVNodeStorage::Block::Block(const MVNodeClass& nodeClass) : nodeClass_(&nodeClass)
{
  if (tOpenRegion != nullptr) {
    return;
  }
  std::size_t capacity = kFirstBlockBytes;
  {
    const std::lock_guard lock(gLearnedMutex);
    if (const auto found = gLearnedBytes.find(nodeClass_); found != gLearnedBytes.end()) {
      capacity = found->second;
    }
  }
  auto* region = new (::operator new(roundUp(sizeof(Region)) + capacity)) Region;
  region->capacity = capacity;
  MV_STORAGE_POISON(region->objects(), capacity);
  tOpenRegion = region;
  opened_ = true;
}

MVNodeStorage::Block::~Block()
{
  if (!opened_) {
    return;
  }
  Region* region = tOpenRegion;
  tOpenRegion = nullptr;
  {
    const std::lock_guard lock(gLearnedMutex);
    gLearnedBytes[nodeClass_] = region->used + region->missing;
  }
  release(region);
}

void* MVNodeStorage::allocate(std::size_t bytes)
{
  const std::size_t needed = kHeaderBytes + roundUp(bytes);
  Region* region = tOpenRegion;
  if (region != nullptr && needed <= region->capacity - region->used) {
    std::byte* place = region->objects() + region->used;
    region->used += needed;
    region->holders.fetch_add(1, std::memory_order_relaxed);
    MV_STORAGE_UNPOISON(place, kHeaderBytes);
    ::new (place) Header{region, bytes};
    MV_STORAGE_POISON(place, kHeaderBytes);
    MV_STORAGE_UNPOISON(place + kHeaderBytes, bytes);
    return place + kHeaderBytes;
  }
  if (region != nullptr) {
    region->missing += needed;
  }
  auto* place = static_cast<std::byte*>(::operator new(kHeaderBytes + bytes));
  ::new (place) Header{nullptr, bytes};
  return place + kHeaderBytes;
}

void MVNodeStorage::deallocate(void* object) noexcept
{
  if (object == nullptr) {
    return;
  }
  std::byte* place = static_cast<std::byte*>(object) - kHeaderBytes;
  Region* region = nullptr;
  std::size_t bytes = 0;
  MV_STORAGE_UNPOISON(place, kHeaderBytes);
  {
    const auto* header = reinterpret_cast<const Header*>(place);
    region = header->region;
    bytes = header->bytes;
  }
  if (region == nullptr) {
    ::operator delete(place);
    return;
  }
  MV_STORAGE_POISON(place, kHeaderBytes + bytes);
  release(region);
}
