// Archived colours (keyed archives in a property list): any data gives a colour or white with
// a reason, and a colour read is archived again into data that reads back as the same colour.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "Platform/ColorArchive.h"
#include "Platform/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  const pf::UnarchivedColor result = pf::unarchiveColor(std::span<const std::uint8_t>(data, size));
  if (!result.isColor()) {
    FUZZ_CHECK(result.color == pf::Color::white());
    FUZZ_CHECK(!result.error.empty());
    return 0;
  }
  const auto archived = pf::archivedColorData(result.color);
  FUZZ_CHECK(!archived.empty());
  FUZZ_CHECK(pf::unarchiveColor(archived).isColor());
  return 0;
}
