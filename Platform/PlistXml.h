#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/PlistValue.h"

// The XML property-list form, read in one pass without a tree of the document and written by
// hand, so that numbers never depend on the process locale and every real keeps its exact
// value. Used by PropertyList.h.
namespace pf::plist_detail {

// Deepest nesting of arrays and dictionaries accepted on reading and writing.
inline constexpr int kMaxPlistDepth = 512;

// nullopt for text that is not a well-formed property list; `error` then says why. Strings
// and keys come out as valid UTF-8 (ill-formed sequences become U+FFFD).
std::optional<PlistValue> readXmlPropertyList(std::string_view text, std::string& error);
// Writes up to `capacity` further bytes of a text at `into` and answers how many: 0 at the end
// of the text, below 0 when reading failed (the text then ends there too).
using XmlChunkReader = std::function<std::ptrdiff_t(char* into, std::size_t capacity)>;
// The same, asking `read` for the text chunk by chunk as reading goes on, so that the text is
// never held whole (a file). Text in another encoding than UTF-8 is gathered whole to convert.
std::optional<PlistValue> readXmlPropertyListInChunks(const XmlChunkReader& read, std::string& error);
// nullopt (with a log line) for a value that has no XML form: a null at the top, nesting
// deeper than kMaxPlistDepth, or a string or key that is not XML text (ill-formed UTF-8, or a
// character XML 1.0 cannot hold, such as U+0000 or U+FFFE). In that last case a caller that
// passes `unexpressibleText` gets it set instead of the log line, to choose the binary form.
// Nulls inside containers are left out with a log line.
std::optional<std::string> writeXmlPropertyList(const PlistValue& value, bool* unexpressibleText = nullptr);

}  // namespace pf::plist_detail
