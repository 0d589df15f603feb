#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"

// The binary property-list form ("bplist00"). Reading is our own: the bytes are first checked
// for sound offsets, reference cycles, the nesting depth and the size of the expanded tree
// (shared objects are read into one copy per reference), then read in one pass, in time
// proportional to that tree. Writing is our own too (see BinaryWriter). Used by
// PropertyList.h.
namespace pf::plist_detail {

// nullopt for bytes that are not a sound binary property list; `error` then says why. Strings
// and keys come out as valid UTF-8 (ill-formed sequences become U+FFFD).
std::optional<PlistValue> readBinaryPropertyList(std::span<const std::uint8_t> bytes, std::string& error);
// nullopt (with a log line) for a null at the top, nesting deeper than the reading limit, a
// string that is not valid UTF-8 or a key holding NUL: never bytes that would not read back.
// Every string survives, U+0000 included. Dates keep microseconds; libplist 2.2 reads their
// seconds in 32 bits (years 1933 to 2069), so dates outside that range are clamped to it.
std::optional<std::vector<std::uint8_t>> writeBinaryPropertyList(const PlistValue& value);

}  // namespace pf::plist_detail
