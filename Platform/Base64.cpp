#include "Platform/Base64.h"

namespace pf {

std::string base64Encoded(std::span<const std::uint8_t> bytes, std::size_t lineLength, std::string_view linePrefix)
{
  static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const std::uint32_t n = (std::uint32_t{bytes[i]} << 16) | (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                            (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
    encoded += alphabet[(n >> 18) & 63];
    encoded += alphabet[(n >> 12) & 63];
    encoded += left > 1 ? alphabet[(n >> 6) & 63] : '=';
    encoded += left > 2 ? alphabet[n & 63] : '=';
  }
  if (lineLength == 0) {
    return encoded;
  }
  std::string lines;
  lines.reserve(encoded.size() + (encoded.size() / lineLength + 1) * (linePrefix.size() + 1));
  for (std::size_t start = 0; start < encoded.size(); start += lineLength) {
    lines += linePrefix;
    lines.append(encoded, start, lineLength);
    lines += '\n';
  }
  return lines;
}

}  // namespace pf
