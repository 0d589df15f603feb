#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where the application's own files are found at run time, and its version. Resources live in
// the folder "resources" beside the binary, in "../share/morvalis" of an installed binary, or in
// the build tree (tests and programs run from the build tree find them there). Main thread only.
class MVApplicationResources {
public:
  // The application's own version string, as documents save it ("3.0.0").
  static std::string applicationVersion();

  // The path of the named resource ("Default.mvdx"); nullopt when no resource folder has it.
  static std::optional<std::filesystem::path> pathForResource(std::string_view name);
  // The path of the named resource folder ("Application folder files/Sample files"); nullopt
  // when no resource folder has it.
  static std::optional<std::filesystem::path> pathForResourceFolder(std::string_view name);
  // The first resource folder that exists (pages refer to icons below it); nullopt when none does.
  static std::optional<std::filesystem::path> resourceFolder();
  // The folder that holds the running binary; empty when it cannot be told.
  static std::filesystem::path applicationFolder();

  // Tests point the look-up at a folder of their own; an empty path goes back to the usual
  // search.
  static void setResourceFolderOverride(std::filesystem::path folder);
};
