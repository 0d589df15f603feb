#include "MorvNode/Document/MVSampleFileCatalogue.h"

#include <algorithm>
#include <system_error>

#include "Platform/PropertyList.h"

void MVSampleFileCatalogue::recursiveBuildSampleFileDictionaryWithPath(const std::filesystem::path& folder)
{
  addFolder(folder, 0);
}

void MVSampleFileCatalogue::addFolder(const std::filesystem::path& folder, int depth)
{
  if (depth > kMaxFolderDepth) {
    return;
  }
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) {
    return;
  }
  for (const std::filesystem::directory_entry& entry : entries) {
    std::error_code kindError;
    if (entry.is_directory(kindError)) {
      addFolder(entry.path(), depth + 1);
      continue;
    }
    const std::string name = entry.path().filename().string();
    if (name.find(".mvdx") != std::string::npos) {
      records_.push_back({name, entry.path(), nodeTypesOfFile(entry.path())});
    }
  }
}

std::vector<MVSampleFileCatalogue::Record> MVSampleFileCatalogue::sampleFilesUsingNodeType(
    const std::string& nodeClassName) const
{
  std::vector<Record> matching;
  for (const Record& record : records_) {
    if (std::find(record.nodeTypes.begin(), record.nodeTypes.end(), nodeClassName) != record.nodeTypes.end()) {
      matching.push_back(record);
    }
  }
  return matching;
}

std::vector<std::string> MVSampleFileCatalogue::nodeTypesOfFile(const std::filesystem::path& path)
{
  std::vector<std::string> types;
  const std::optional<pf::PlistValue> file = pf::readPropertyListFile(path);
  const pf::PlistValue::Dictionary* dictionary = file ? file->asDictionary() : nullptr;
  const pf::PlistValue* nodes = dictionary != nullptr ? dictionary->find("Nodes") : nullptr;
  const pf::PlistValue::Array* records = nodes != nullptr ? nodes->asArray() : nullptr;
  if (records == nullptr) {
    return types;
  }
  for (const pf::PlistValue& node : *records) {
    const pf::PlistValue::Dictionary* record = node.asDictionary();
    if (record == nullptr) {
      continue;
    }
    const pf::PlistValue* type = record->find("Node class");
    if (type == nullptr || type->asString() == nullptr) {
      type = record->find("Node type name");
    }
    if (type != nullptr && type->asString() != nullptr) {
      types.push_back(*type->asString());
    }
  }
  return types;
}
