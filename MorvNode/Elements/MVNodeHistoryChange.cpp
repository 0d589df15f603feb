#include "MorvNode/Elements/MVNodeHistoryChange.h"

#include <algorithm>

MVNodeHistoryChange::MVNodeHistoryChange(std::string nodeId, MVNodeHistory replacement, bool keepsHistory)
  : nodeId_(std::move(nodeId))
  , replacement_(std::move(replacement))
  , keepsHistory_(keepsHistory)
{
}

MVNodeHistoryChange MVNodeHistoryChange::appending(std::string nodeId)
{
  return MVNodeHistoryChange(std::move(nodeId), nullptr, true);
}

MVNodeHistoryChange MVNodeHistoryChange::appending(MVNodeHistory nodeEntry)
{
  std::string nodeId = nodeEntry && !nodeEntry->empty() ? nodeEntry->back() : std::string();
  return MVNodeHistoryChange(std::move(nodeId), std::move(nodeEntry), true);
}

MVNodeHistoryChange MVNodeHistoryChange::replacingWith(std::vector<std::string> nodeIds)
{
  MVNodeHistory replacement =
      nodeIds.empty() ? nullptr : std::make_shared<const std::vector<std::string>>(std::move(nodeIds));
  return MVNodeHistoryChange({}, std::move(replacement), false);
}

MVNodeHistory MVNodeHistoryChange::applied(const MVNodeHistory& history)
{
  if (!keepsHistory_ || (!history && replacement_)) {
    return replacement_;
  }
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
  ids.push_back(nodeId_);
  auto made = std::make_shared<const std::vector<std::string>>(std::move(ids));
  remembered_[nextSlot_] = {history, made};
  nextSlot_ = (nextSlot_ + 1) % kRemembered;
  rememberedCount_ = std::min(rememberedCount_ + 1, kRemembered);
  return made;
}
