// Property lists in either form: reading never fails badly, and whatever was read is written
// back in a form that reads again (the XML form well-formed for a strict reader too).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <unordered_set>

#include "FuzzCheck.h"
#include "Platform/Log.h"
#include "Platform/PropertyList.h"
#include "Platform/Unicode.h"
#include "Support/StrictXml.h"

namespace {

// Every string of the value is valid UTF-8, keys included. A shared container is checked once.
bool allTextValid(const pf::PlistValue& value, std::unordered_set<const void*>& checked, int depth = 0)
{
  if (depth > 600) {
    return false;
  }
  if (const std::string* text = value.asString()) {
    return pf::isValidUTF8(*text);
  }
  if (value.sharedStorage() != nullptr && !checked.insert(value.sharedStorage()).second) {
    return true;
  }
  if (const auto* array = value.asArray()) {
    for (const auto& element : *array) {
      if (!allTextValid(element, checked, depth + 1)) {
        return false;
      }
    }
  }
  if (const auto* dictionary = value.asDictionary()) {
    for (const auto& entry : *dictionary) {
      if (!pf::isValidUTF8(entry.key) || !allTextValid(entry.value, checked, depth + 1)) {
        return false;
      }
    }
  }
  return true;
}

// The values the value holds once every shared container is counted in each place, up to
// `limit` (the count stops growing there).
std::uint64_t expandedCount(const pf::PlistValue& value, std::unordered_map<const void*, std::uint64_t>& counted,
                            std::uint64_t limit)
{
  const void* storage = value.sharedStorage();
  if (storage != nullptr) {
    if (const auto found = counted.find(storage); found != counted.end()) {
      return found->second;
    }
  }
  std::uint64_t count = 1;
  if (const auto* array = value.asArray()) {
    for (const auto& element : *array) {
      count = std::min(limit, count + expandedCount(element, counted, limit));
    }
  }
  if (const auto* dictionary = value.asDictionary()) {
    for (const auto& entry : *dictionary) {
      count = std::min(limit, count + expandedCount(entry.value, counted, limit));
    }
  }
  if (storage != nullptr) {
    counted.emplace(storage, count);
  }
  return count;
}

// The XML form writes a shared value in every place: a file of a few hundred bytes of shared
// objects may expand there to hundreds of megabytes, which tells nothing more of the writer.
constexpr std::uint64_t kMaxExpandedForXml = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  std::string error;
  const auto value = pf::readPropertyList(std::span<const std::uint8_t>(data, size), &error);
  if (!value) {
    return 0;
  }
  std::unordered_set<const void*> checked;
  FUZZ_CHECK(allTextValid(*value, checked));
  if (const auto binary = pf::binaryPropertyList(*value)) {
    FUZZ_CHECK(pf::readPropertyList(std::span<const std::uint8_t>(*binary), &error).has_value());
  }
  std::unordered_map<const void*, std::uint64_t> counted;
  if (expandedCount(*value, counted, kMaxExpandedForXml + 1) > kMaxExpandedForXml) {
    return 0;
  }
  if (const auto xml = pf::xmlPropertyList(*value)) {
    FUZZ_CHECK(testsupport::xmlWellFormednessError(*xml).empty());
    FUZZ_CHECK(pf::readPropertyList(*xml, &error).has_value());
  }
  return 0;
}
