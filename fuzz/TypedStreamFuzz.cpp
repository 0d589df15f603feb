// The older non-keyed archives: the generic reader and the colour on top of it give a result
// or a reason for any data, in time linear in its size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "FuzzCheck.h"
#include "Platform/ColorArchive.h"
#include "Platform/Log.h"
#include "Platform/TypedStreamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  const std::span<const std::uint8_t> bytes(data, size);
  std::string error;
  if (!pf::TypedStreamReader::readRoot(bytes, error)) {
    FUZZ_CHECK(!error.empty());
  }
  const pf::UnarchivedColor color = pf::unarchiveTypedStreamColor(bytes);
  FUZZ_CHECK(color.isColor() || color.color == pf::Color::white());
  return 0;
}
