// Property lists in either form: reading never fails badly, and whatever was read is written
// back in a form that reads again (the XML form well-formed for a strict reader too).
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "Platform/Log.h"
#include "Platform/PropertyList.h"
#include "Platform/Unicode.h"
#include "Support/StrictXml.h"

namespace {

// Every string of the value is valid UTF-8, keys included.
bool allTextValid(const pf::PlistValue& value, int depth = 0)
{
  if (depth > 600) {
    return false;
  }
  if (const std::string* text = value.asString()) {
    return pf::isValidUTF8(*text);
  }
  if (const auto* array = value.asArray()) {
    for (const auto& element : *array) {
      if (!allTextValid(element, depth + 1)) {
        return false;
      }
    }
  }
  if (const auto* dictionary = value.asDictionary()) {
    for (const auto& entry : *dictionary) {
      if (!pf::isValidUTF8(entry.key) || !allTextValid(entry.value, depth + 1)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  std::string error;
  const auto value = pf::readPropertyList(std::span<const std::uint8_t>(data, size), &error);
  if (!value) {
    return 0;
  }
  FUZZ_CHECK(allTextValid(*value));
  if (const auto binary = pf::binaryPropertyList(*value)) {
    FUZZ_CHECK(pf::readPropertyList(std::span<const std::uint8_t>(*binary), &error).has_value());
  }
  if (const auto xml = pf::xmlPropertyList(*value)) {
    FUZZ_CHECK(testsupport::xmlWellFormednessError(*xml).empty());
    FUZZ_CHECK(pf::readPropertyList(*xml, &error).has_value());
  }
  return 0;
}
