#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pf {

// `bytes` in base64 (the standard alphabet, padded with '='). With a line length, the text is cut
// into lines of that many characters, each starting with `linePrefix` and ended by a line feed
// (the last one may be shorter); no bytes give no lines.
std::string base64Encoded(std::span<const std::uint8_t> bytes, std::size_t lineLength = 0,
                          std::string_view linePrefix = {});

}  // namespace pf
