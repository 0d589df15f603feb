#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/FileAccess.h"
#include "Platform/PlistValue.h"

namespace pf {

// Reading and writing property lists in the original platform's XML and binary forms. Every
// failure is logged (pf::log) and gives the neutral result; nothing here throws or depends on
// the process locale.

enum class PlistFormat { Xml, Binary };

// Inputs larger than this are refused. A document of 100,000 shape nodes takes about 700 MB as
// XML; reading one from a file holds its values and a chunk of its text, never the whole text.
inline constexpr std::size_t kMaxPropertyListBytes = std::size_t{1} << 30;

// XML (any encoding with a byte-order mark, UTF-8 otherwise) or binary, told apart by the
// "bplist" signature. nullopt for anything that is not a whole, sound property list: the
// reason goes into `error` when given (for callers that log in their own words), else to the log.
std::optional<PlistValue> readPropertyList(std::span<const std::uint8_t> bytes, std::string* error = nullptr);
std::optional<PlistValue> readPropertyList(std::string_view bytes, std::string* error = nullptr);
// Reads only a regular file, as readRegularFile does (a pipe or a folder is refused, logged).
// XML files are read in chunks as the reader goes.
std::optional<PlistValue> readPropertyListFile(const std::filesystem::path& path);

// The XML form, indented with tabs as the original writes it. Reals are written in their
// shortest exact form ("2", "0.1", "nan", "+infinity", "-infinity"); dates keep whole seconds.
// Null values inside containers are left out with a log line. nullopt for a null at the top,
// nesting deeper than 512 levels, or a string or key XML 1.0 cannot hold (ill-formed UTF-8,
// U+0000 and the other controls but tab, line feed and carriage return, U+FFFE, U+FFFF).
// Strings read in either form are valid UTF-8: ill-formed sequences become U+FFFD.
std::optional<std::string> xmlPropertyList(const PlistValue& value);
// The binary form ("bplist00"), as the original keeps keyed archives. It holds every valid
// string; nullopt for a null at the top, deeper nesting, ill-formed UTF-8 or a key with NUL.
std::optional<std::vector<std::uint8_t>> binaryPropertyList(const PlistValue& value);

// Writes the value atomically with writeFileAtomically (through a symbolic link, the link's
// target gets the new content). false on failure, logged, with the reason in `reason` when given
// (the system's words, as writeFileAtomically gives them). A value whose strings XML cannot
// express (see xmlPropertyList) is written in the binary form instead, with a log line.
bool writePropertyListFile(const PlistValue& value, const std::filesystem::path& path,
                           PlistFormat format = PlistFormat::Xml, std::string* reason = nullptr);

}  // namespace pf
