#include "Shared/SVG/ODSVGImage.h"

#include <span>
#include <string>

#include "Platform/ImageCodec.h"
#include "Shared/SVG/ODSVGPath.h"

namespace {

int base64Value(char c)
{
  if (c >= 'A' && c <= 'Z') {
    return c - 'A';
  }
  if (c >= 'a' && c <= 'z') {
    return c - 'a' + 26;
  }
  if (c >= '0' && c <= '9') {
    return c - '0' + 52;
  }
  if (c == '+' || c == '-') {
    return 62;
  }
  if (c == '/' || c == '_') {
    return 63;
  }
  return -1;
}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text)
{
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  std::uint32_t buffer = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=') {
      break;
    }
    const int value = base64Value(c);
    if (value < 0) {
      return std::nullopt;
    }
    buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<std::uint8_t>((buffer >> bits) & 0xFFu));
    }
  }
  return bytes;
}

int hexValue(char c)
{
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::vector<std::uint8_t> decodePercentEscapes(std::string_view text)
{
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<std::uint8_t>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(text[i]));
    }
  }
  return bytes;
}

}  // namespace

std::shared_ptr<ODSVGNode> ODSVGImage::copy() const
{
  std::shared_ptr<ODSVGImage> node = makeCopy(*this);
  node->image_ = image_;
  return node;
}

std::optional<std::vector<std::uint8_t>> ODSVGImage::dataFromDataURL(std::string_view text)
{
  if (!text.starts_with("data:")) {
    return std::nullopt;
  }
  std::string compact;
  compact.reserve(text.size());
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') {
      compact.push_back(c);
    }
  }
  const std::size_t comma = compact.find(',');
  if (comma == std::string::npos) {
    return std::nullopt;
  }
  const std::string_view header = std::string_view(compact).substr(5, comma - 5);
  const std::string_view payload = std::string_view(compact).substr(comma + 1);
  if (header.ends_with(";base64")) {
    return decodeBase64(payload);
  }
  return decodePercentEscapes(payload);
}

void ODSVGImage::loadFromBase64EncodedString(std::string_view text)
{
  const std::optional<std::vector<std::uint8_t>> data = dataFromDataURL(text);
  if (!data || data->empty()) {
    return;
  }
  // Bitmaps only: an embedded PDF or EPS would start outside work (EPS runs a converter).
  std::optional<pf::DecodedBitmap> decoded = pf::decodeBitmap(std::span<const std::uint8_t>(*data));
  if (!decoded) {
    return;
  }
  setImage(pf::Image::fromBitmap(std::move(decoded->bitmap), decoded->dpiX, decoded->dpiY));
}

const std::shared_ptr<ODSVGPath>& ODSVGImage::path()
{
  if (!imagePath_) {
    imagePath_ = std::make_shared<ODSVGPath>();
    const double w = width() ? width()->value() : 0.0;
    const double h = height() ? height()->value() : 0.0;
    pf::Path outline;
    outline.moveTo({0, 0}).lineTo({w, 0}).lineTo({w, h}).lineTo({0, h}).closeSubpath();
    imagePath_->overwritePath(std::move(outline));
  }
  return imagePath_;
}
