#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"

// The binary property-list form ("bplist00") through libplist. libplist 2.2 parses and frees
// nested containers recursively and expands shared objects into copies, so the bytes are first
// checked here for sound offsets, reference cycles, nesting depth and expanded size before
// libplist sees them. Used by PropertyList.h.
namespace pf::plist_detail {

// nullopt for bytes that are not a sound binary property list; `error` then says why.
std::optional<PlistValue> readBinaryPropertyList(std::span<const std::uint8_t> bytes, std::string& error);
// nullopt (with a log line) for a null at the top or nesting deeper than the reading limit.
// Dates keep microseconds; libplist 2.2 holds their seconds in 32 bits (years 1933 to 2069),
// so dates outside that range are clamped to it. Strings end at an embedded NUL.
std::optional<std::vector<std::uint8_t>> writeBinaryPropertyList(const PlistValue& value);

}  // namespace pf::plist_detail
