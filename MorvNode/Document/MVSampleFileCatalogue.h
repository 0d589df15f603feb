#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// The sample documents of the application's resources and the node classes each one uses, for
// the node reference's links. A record is made for every file whose name contains ".mvdx" in the
// folder and its subfolders (entries in the order the file system lists them); its node types
// are, per node record of the document's "Nodes", the "Node class", else the older generation's
// "Node type name" (records with neither are skipped). An unreadable file is kept with no types.
class MVSampleFileCatalogue {
public:
  struct Record {
    std::string filename;
    std::filesystem::path path;
    std::vector<std::string> nodeTypes;
  };

  // Folders deeper than this below the sample folder are not searched (a link loop ends there).
  static constexpr int kMaxFolderDepth = 16;

  // Adds the records of the folder and its subfolders; a missing folder adds none.
  void recursiveBuildSampleFileDictionaryWithPath(const std::filesystem::path& folder);
  // Copies of the records whose node types contain the class name, in list order.
  std::vector<Record> sampleFilesUsingNodeType(const std::string& nodeClassName) const;
  const std::vector<Record>& records() const { return records_; }

  // The node types of one document file; empty when it cannot be read as a dictionary.
  static std::vector<std::string> nodeTypesOfFile(const std::filesystem::path& path);

private:
  void addFolder(const std::filesystem::path& folder, int depth);

  std::vector<Record> records_;
};
