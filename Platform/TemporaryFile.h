#pragma once

#include <filesystem>
#include <string>

namespace pf {

// Files written under a temporary name beside their target and renamed over it once complete,
// so that the target is either the old file or the whole new one. Names follow the pattern of
// writeFileAtomically (".<name>.morvalis-tmp-<pid>-..."), whose clean-up removes those a killed
// process left behind. Through a symbolic link the file lands beside the link's target and
// replaces it (see writeTargetOf), and the link stays.

// A name for a temporary file in the folder of the write target of `path` that no other writer
// uses.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& path);

// Renames `temporary` over the write target of `path` (a replaced file keeps its permission bits)
// and makes the rename durable; false (logged, `reason` set to the system's words) when that
// fails, in which case the temporary file is removed.
bool commitTemporaryFile(const std::filesystem::path& temporary, const std::filesystem::path& path,
                         std::string* reason = nullptr);

// Removes the temporary file; a file that is already gone is no failure.
void discardTemporaryFile(const std::filesystem::path& temporary);

}  // namespace pf
