#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property of a fuzz target: says which, then aborts, which the fuzzer and the
// corpus replay both report as a failure.
#define FUZZ_CHECK(condition)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: fuzz property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (false)
