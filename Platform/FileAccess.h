#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pf {

// Whole-file reads and atomic writes, the one way every reader and writer of the application
// (documents, preferences, images, imports, drops, exports) reaches a file.

// Reads are bounded: nothing the application reads whole comes near this.
inline constexpr std::size_t kMaxFileReadBytes = std::size_t{1} << 30;

// The bytes of the regular file at `path` (symbolic links followed), at most `maxBytes`.
// Anything else is refused before a byte is read, and no call blocks: a named pipe, a device, a
// socket or a folder gives the reason "a named pipe, not a regular file" and the like. nullopt
// on every failure, with the log line "Error, could not read <path>: <reason>"; `reason` (when
// given) receives the reason alone, in the system's words where it has them ("No such file or
// directory", "Permission denied").
[[nodiscard]] std::optional<std::vector<std::uint8_t>> readRegularFile(const std::filesystem::path& path,
                                                                       std::size_t maxBytes = kMaxFileReadBytes,
                                                                       std::string* reason = nullptr);
// The same, as text (bytes as they are, no conversion).
[[nodiscard]] std::optional<std::string> readRegularTextFile(const std::filesystem::path& path,
                                                             std::size_t maxBytes = kMaxFileReadBytes,
                                                             std::string* reason = nullptr);

// Hands over the next bytes of a file being read: up to `capacity` bytes at `into`. Answers how
// many, 0 at the end, and -1 once reading has failed (logged).
using FileChunkReader = std::function<std::ptrdiff_t(char* into, std::size_t capacity)>;
// Reads the regular file at `path` piece by piece, with readRegularFile's checks, limit and log
// lines, for readers that go through a large file once instead of holding it whole: `use` is
// called once the file is open, with the reader of its bytes. false when the file could not be
// opened (`use` is not called) or a read failed, with the reason in `reason` when given.
bool readRegularFileInChunks(const std::filesystem::path& path, std::size_t maxBytes,
                             const std::function<void(const FileChunkReader& read)>& use,
                             std::string* reason = nullptr);

// Where a write to `path` lands: a symbolic link is followed to what it names (through chains
// and relative links, and to the place a dangling link names), so a save through a link gives
// its target the new content and leaves the link a link. `path` itself for anything else, and
// for a loop or a chain deeper than the system allows, which isSymbolicLink tells apart: a write
// there fails ("Too many levels of symbolic links") rather than replace the link.
std::filesystem::path writeTargetOf(const std::filesystem::path& path);
bool isSymbolicLink(const std::filesystem::path& path);

// Writes the bytes atomically: a temporary file beside the target (see writeTargetOf), then a
// rename over it, so the target is either the old file or the whole new one. A new file gets
// the usual permissions (0666 less the umask); a replaced file keeps its permission bits. The
// temporary file is named ".<name>.morvalis-tmp-<pid>-..."; each write first removes such files
// in the folder whose writer is no longer running (or that are older than a day), which a
// killed write leaves. false on failure, logged; `reason` (when given) receives the system's
// words for what went wrong ("Permission denied", "No space left on device", "Is a directory").
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* reason = nullptr);

}  // namespace pf
