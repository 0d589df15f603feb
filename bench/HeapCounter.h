#pragma once

#include <cstddef>

// Bytes of heap in use as the allocator hands them out (usable sizes), counted on every
// allocation and release of the process, and the highest count since the last restart. The
// count covers everything that goes through malloc: C++ objects, pugixml, Cairo, the C library.
// Builds with a sanitizer keep their own allocator and count nothing (available() is false).
namespace heapcounter {

bool available();
std::size_t bytesInUse();
std::size_t peakBytes();
// Makes the peak the current count.
void restartPeak();

}  // namespace heapcounter
