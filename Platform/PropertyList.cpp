#include "Platform/PropertyList.h"

#include <cstring>
#include <string_view>

#include "Platform/FileAccess.h"
#include "Platform/Log.h"
#include "Platform/PlistBinary.h"
#include "Platform/PlistXml.h"

namespace pf {

namespace {

// readPropertyList's work. XML in `writable` (the same bytes as `bytes`, which the caller drops
// afterwards) is parsed in place, without the XML reader's own copy of it.
std::optional<PlistValue> readBytes(std::span<const std::uint8_t> bytes, std::span<char> writable, std::string* error)
{
  std::string reason;
  std::optional<PlistValue> value;
  if (bytes.empty()) {
    reason = "property list is empty";
  } else if (bytes.size() > kMaxPropertyListBytes) {
    reason = "property list of " + std::to_string(bytes.size()) + " bytes exceeds the limit of " +
             std::to_string(kMaxPropertyListBytes) + " bytes";
  } else if (bytes.size() >= 6 && std::memcmp(bytes.data(), "bplist", 6) == 0) {
    value = plist_detail::readBinaryPropertyList(bytes, reason);
  } else if (!writable.empty()) {
    value = plist_detail::readXmlPropertyListInPlace(writable, reason);
  } else {
    value = plist_detail::readXmlPropertyList(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), reason);
  }
  if (!value) {
    if (error) {
      *error = reason;
    } else {
      log("Error, %@", reason);
    }
  }
  return value;
}

}  // namespace

std::optional<PlistValue> readPropertyList(std::span<const std::uint8_t> bytes, std::string* error)
{
  return readBytes(bytes, {}, error);
}

std::optional<PlistValue> readPropertyList(std::string_view bytes, std::string* error)
{
  return readPropertyList(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), error);
}

std::optional<PlistValue> readPropertyListFile(const std::filesystem::path& path)
{
  std::optional<std::vector<std::uint8_t>> bytes = readRegularFile(path, kMaxPropertyListBytes);
  if (!bytes) {
    return std::nullopt;  // logged with the reason
  }
  // The bytes go with this call: XML is read where it lies.
  auto value = readBytes(*bytes, std::span<char>(reinterpret_cast<char*>(bytes->data()), bytes->size()), nullptr);
  if (!value) {
    log("Error, could not read property list file %@", path.string());
  }
  return value;
}

std::optional<std::string> xmlPropertyList(const PlistValue& value)
{
  return plist_detail::writeXmlPropertyList(value);
}

std::optional<std::vector<std::uint8_t>> binaryPropertyList(const PlistValue& value)
{
  return plist_detail::writeBinaryPropertyList(value);
}

bool writePropertyListFile(const PlistValue& value, const std::filesystem::path& path, PlistFormat format,
                           std::string* reason)
{
  // The writers below log why they made nothing.
  const auto notExpressible = [reason] {
    if (reason != nullptr) {
      *reason = "the content cannot be written as a property list";
    }
    return false;
  };
  if (format == PlistFormat::Binary) {
    const auto bytes = binaryPropertyList(value);
    return bytes ? writeFileAtomically(path, *bytes, reason) : notExpressible();
  }
  bool unexpressibleText = false;
  const auto text = plist_detail::writeXmlPropertyList(value, &unexpressibleText);
  if (!text && unexpressibleText) {
    // Nothing is lost: the binary form holds every character, and readers tell the forms apart.
    log("Warning, %@ holds characters XML cannot express and is saved as a binary property list",
        path.string());
    return writePropertyListFile(value, path, PlistFormat::Binary, reason);
  }
  if (!text) {
    return notExpressible();
  }
  return writeFileAtomically(
      path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()), reason);
}

}  // namespace pf
