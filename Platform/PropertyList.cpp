#include "Platform/PropertyList.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include <string_view>

#include "Platform/FileAccess.h"
#include "Platform/Log.h"
#include "Platform/PlistBinary.h"
#include "Platform/PlistXml.h"

namespace pf {

namespace {

// readPropertyList's work.
std::optional<PlistValue> readBytes(std::span<const std::uint8_t> bytes, std::string* error)
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
  return readBytes(bytes, error);
}

std::optional<PlistValue> readPropertyList(std::string_view bytes, std::string* error)
{
  return readPropertyList(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), error);
}

std::optional<PlistValue> readPropertyListFile(const std::filesystem::path& path)
{
  std::optional<PlistValue> value;
  const bool read = readRegularFileInChunks(path, kMaxPropertyListBytes, [&](const FileChunkReader& next) {
    bool failed = false;  // a read failed: logged already, nothing more to say
    const auto pull = [&](std::uint8_t* into, std::size_t capacity) {
      const std::ptrdiff_t count = next(reinterpret_cast<char*>(into), capacity);
      failed = failed || count < 0;
      return std::max<std::ptrdiff_t>(count, 0);
    };
    // The first bytes tell the forms apart. XML is then read as it comes and never held whole;
    // the binary form is read whole, as its offsets point anywhere in the file.
    constexpr std::size_t kChunkBytes = 64 * 1024;
    std::vector<std::uint8_t> bytes(kChunkBytes);
    std::size_t done = 0;
    for (std::ptrdiff_t count = 1; count > 0 && done < 6;) {
      count = pull(bytes.data() + done, bytes.size() - done);
      done += static_cast<std::size_t>(count);
    }
    if (failed) {
      return;
    }
    if (done == 0 || (done >= 6 && std::memcmp(bytes.data(), "bplist", 6) == 0)) {
      for (std::ptrdiff_t count = 1; count > 0;) {
        if (done == bytes.size()) {
          bytes.resize(bytes.size() * 2);
        }
        count = pull(bytes.data() + done, bytes.size() - done);
        done += static_cast<std::size_t>(count);
      }
      if (!failed) {
        bytes.resize(done);
        value = readBytes(bytes, nullptr);
      }
      return;
    }
    std::size_t handed = 0;  // of the first bytes
    std::string reason;
    value = plist_detail::readXmlPropertyListInChunks(
        [&](char* into, std::size_t capacity) -> std::ptrdiff_t {
          if (handed == done) {
            return failed ? -1 : pull(reinterpret_cast<std::uint8_t*>(into), capacity);
          }
          const std::size_t count = std::min(capacity, done - handed);
          std::memcpy(into, bytes.data() + handed, count);
          handed += count;
          return static_cast<std::ptrdiff_t>(count);
        },
        reason);
    if (!value && !failed) {
      log("Error, %@", reason);
    }
  });
  if (!read) {
    return std::nullopt;  // logged with the reason
  }
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
