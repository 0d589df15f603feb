#include "HeapCounter.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

// The C library's allocator is reached through its own entry points, and malloc and its
// relatives defined here take the place of its public ones for the whole process (glibc lets a
// program replace them). A sanitizer replaces them itself, so nothing is counted then.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORVALIS_HEAP_COUNTER 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define MORVALIS_HEAP_COUNTER 0
#endif
#endif
#ifndef MORVALIS_HEAP_COUNTER
#define MORVALIS_HEAP_COUNTER 1
#endif

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

[[maybe_unused]] void added(std::size_t bytes)  // unused where a sanitizer owns operator new
{
  const std::size_t now = inUse.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  std::size_t highest = peak.load(std::memory_order_relaxed);
  while (now > highest && !peak.compare_exchange_weak(highest, now, std::memory_order_relaxed)) {
  }
}

[[maybe_unused]] void removed(std::size_t bytes)
{
  inUse.fetch_sub(bytes, std::memory_order_relaxed);
}

}  // namespace

namespace heapcounter {

bool available()
{
  return MORVALIS_HEAP_COUNTER != 0;
}

std::size_t bytesInUse()
{
  return inUse.load(std::memory_order_relaxed);
}

std::size_t peakBytes()
{
  return peak.load(std::memory_order_relaxed);
}

void restartPeak()
{
  peak.store(inUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace heapcounter

#if MORVALIS_HEAP_COUNTER

extern "C" {

void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);

void* malloc(std::size_t size)
{
  void* pointer = __libc_malloc(size);
  if (pointer != nullptr) {
    added(malloc_usable_size(pointer));
  }
  return pointer;
}

void* calloc(std::size_t count, std::size_t size)
{
  void* pointer = __libc_calloc(count, size);
  if (pointer != nullptr) {
    added(malloc_usable_size(pointer));
  }
  return pointer;
}

void* realloc(void* pointer, std::size_t size)
{
  const std::size_t before = pointer != nullptr ? malloc_usable_size(pointer) : 0;
  void* moved = __libc_realloc(pointer, size);
  if (moved != nullptr) {
    removed(before);
    added(malloc_usable_size(moved));
  } else if (size == 0) {
    removed(before);  // realloc(p, 0) frees p
  }
  return moved;
}

void free(void* pointer)
{
  if (pointer != nullptr) {
    removed(malloc_usable_size(pointer));
    __libc_free(pointer);
  }
}

void* memalign(std::size_t alignment, std::size_t size)
{
  void* pointer = __libc_memalign(alignment, size);
  if (pointer != nullptr) {
    added(malloc_usable_size(pointer));
  }
  return pointer;
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
  return memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
    return EINVAL;
  }
  void* pointer = memalign(alignment, size);
  if (pointer == nullptr) {
    return ENOMEM;
  }
  *result = pointer;
  return 0;
}

void* valloc(std::size_t size)
{
  return memalign(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), size);
}

void* pvalloc(std::size_t size)
{
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return memalign(page, (size + page - 1) / page * page);
}

void* reallocarray(void* pointer, std::size_t count, std::size_t size)
{
  std::size_t bytes = 0;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    errno = ENOMEM;
    return nullptr;
  }
  return realloc(pointer, bytes);
}

}  // extern "C"

#endif
