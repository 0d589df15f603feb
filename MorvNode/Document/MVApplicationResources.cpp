#include "MorvNode/Document/MVApplicationResources.h"

#include <system_error>
#include <vector>

namespace {

std::filesystem::path& resourceFolderOverride()
{
  static std::filesystem::path folder;
  return folder;
}

std::vector<std::filesystem::path> resourceFolders()
{
  if (!resourceFolderOverride().empty()) {
    return {resourceFolderOverride()};
  }
  std::vector<std::filesystem::path> folders;
  const std::filesystem::path binaryFolder = MVApplicationResources::applicationFolder();
  if (!binaryFolder.empty()) {
    folders.push_back(binaryFolder / "resources");
    folders.push_back(binaryFolder.parent_path() / "share" / "morvalis");
  }
  folders.emplace_back(MORVALIS_BUILD_RESOURCE_DIR);
  return folders;
}

}  // namespace

std::string MVApplicationResources::applicationVersion()
{
  return MORVALIS_VERSION;
}

std::filesystem::path MVApplicationResources::applicationFolder()
{
  std::error_code error;
  const std::filesystem::path binary = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : binary.parent_path();
}

std::optional<std::filesystem::path> MVApplicationResources::pathForResource(std::string_view name)
{
  if (name.empty()) {
    return std::nullopt;
  }
  for (const std::filesystem::path& folder : resourceFolders()) {
    std::error_code error;
    std::filesystem::path candidate = folder / name;
    if (std::filesystem::is_regular_file(candidate, error)) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> MVApplicationResources::pathForResourceFolder(std::string_view name)
{
  if (name.empty()) {
    return std::nullopt;
  }
  for (const std::filesystem::path& folder : resourceFolders()) {
    std::error_code error;
    std::filesystem::path candidate = folder / name;
    if (std::filesystem::is_directory(candidate, error)) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> MVApplicationResources::resourceFolder()
{
  for (const std::filesystem::path& folder : resourceFolders()) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
      return folder;
    }
  }
  return std::nullopt;
}

void MVApplicationResources::setResourceFolderOverride(std::filesystem::path folder)
{
  resourceFolderOverride() = std::move(folder);
}
