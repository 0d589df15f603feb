#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"

#include <atomic>
#include <cstdint>
#include <random>

#include "Platform/Format.h"

std::string NodeControllerDocumentProtocol::makeDocumentIdentifier()
{
  // 128 random bits from the system's source, and a counter in case that source repeats itself.
  static std::atomic<unsigned long long> counter = 0;
  std::random_device source;
  std::uint64_t high = (std::uint64_t{source()} << 32) ^ source();
  std::uint64_t low = (std::uint64_t{source()} << 32) ^ source();
  low ^= ++counter;
  return pf::format("%016llx%016llx", static_cast<unsigned long long>(high), static_cast<unsigned long long>(low));
}
