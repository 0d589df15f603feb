#include "MorvNode/Model/MVParameterNodeIndex.h"

#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterNodeIndex> MVParameterNodeIndex::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterNodeIndex>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

std::string MVParameterNodeIndex::indexDisplayName() const
{
  if (indexDisplayNames_.empty()) {
    FeedbackManager::log("Warning, %@ indexName requested, but parameter has no indexDisplayNames", description());
    return "Unknown";
  }
  if (index_ < 0 || static_cast<unsigned long long>(index_) >= indexDisplayNames_.size()) {
    FeedbackManager::log("Warning, %@ indexDisplayName, current index %ld is outside indexDisplayNames list range",
                         description(), index_);
    return "Unknown";
  }
  return indexDisplayNames_[static_cast<std::size_t>(index_)];
}
