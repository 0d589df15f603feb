#include "MorvNode/Elements/MVNodeHistoryChange.h"

#include <algorithm>

MVNodeHistoryChange::MVNodeHistoryChange(std::optional<std::string> nodeId, bool keepsHistory)
  : nodeId_(std::move(nodeId))
  , keepsHistory_(keepsHistory)
{
}

MVNodeHistoryChange MVNodeHistoryChange::appending(std::string nodeId)
{
  return MVNodeHistoryChange(std::move(nodeId), true);
}

MVNodeHistoryChange MVNodeHistoryChange::replacingWith(std::optional<std::string> nodeId)
{
  return MVNodeHistoryChange(std::move(nodeId), false);
}

MVNodeHistory MVNodeHistoryChange::applied(const MVNodeHistory& history)
{
  if (!keepsHistory_) {
    if (!hasReplacement_) {
      if (nodeId_) {
        replacement_ = std::make_shared<const std::vector<std::string>>(1, *nodeId_);
      }
      hasReplacement_ = true;
    }
    return replacement_;
  }
  // An appending change always has its ID.
  for (std::size_t i = 0; i < rememberedCount_; ++i) {
    if (remembered_[i].first == history) {
      return remembered_[i].second;
    }
  }
  std::vector<std::string> ids;
  ids.reserve((history ? history->size() : 0) + 1);
  if (history) {
    ids.assign(history->begin(), history->end());
  }
  ids.push_back(*nodeId_);
  auto made = std::make_shared<const std::vector<std::string>>(std::move(ids));
  remembered_[nextSlot_] = {history, made};
  nextSlot_ = (nextSlot_ + 1) % kRemembered;
  rememberedCount_ = std::min(rememberedCount_ + 1, kRemembered);
  return made;
}
