#include <cstdio>

#include <benchmark/benchmark.h>

#include "Platform/Format.h"

namespace {

void formatLogLine(benchmark::State& state)
{
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::format("Warning, %@ value %g at %ld", "node", 0.125, 42L));
  }
}
BENCHMARK(formatLogLine);

void snprintfBaseline(benchmark::State& state)
{
  char buffer[128];
  for (auto _ : state) {
    std::snprintf(buffer, sizeof buffer, "Warning, %s value %g at %ld", "node", 0.125, 42L);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(snprintfBaseline);

}  // namespace
