#include "MorvNode/Model/MVParameterIndex.h"

#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterIndex> MVParameterIndex::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterIndex>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

std::string MVParameterIndex::indexName() const
{
  if (indexNames_.empty()) {
    FeedbackManager::log("Warning, %@ indexName requested, but parameter has no indexNames", description());
    return "Unknown";
  }
  if (index_ < 0 || static_cast<unsigned long long>(index_) >= indexNames_.size()) {
    FeedbackManager::log("Warning, %@ indexName, current index %ld is outside indexNames list range", description(),
                         index_);
    return "Unknown";
  }
  return indexNames_[static_cast<std::size_t>(index_)];
}
