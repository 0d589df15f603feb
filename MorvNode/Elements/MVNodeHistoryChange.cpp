#include "MorvNode/Elements/MVNodeHistoryChange.h"

#include <algorithm>

MVNodeHistoryChange::MVNodeHistoryChange(std::string_view nodeId, MVNodeHistory replacement, bool keepsHistory)
  : nodeId_(nodeId)
  , replacement_(std::move(replacement))
  , keepsHistory_(keepsHistory)
{
}

MVNodeHistoryChange MVNodeHistoryChange::appending(std::string_view nodeId)
{
  return MVNodeHistoryChange(nodeId, nullptr, true);
}

MVNodeHistoryChange MVNodeHistoryChange::appending(std::string_view nodeId, MVNodeHistory nodeEntry)
{
  return MVNodeHistoryChange(nodeId, std::move(nodeEntry), true);
}

MVNodeHistoryChange MVNodeHistoryChange::replacingWith(std::vector<std::string> nodeIds)
{
  MVNodeHistory replacement =
      nodeIds.empty() ? nullptr : std::make_shared<const std::vector<std::string>>(std::move(nodeIds));
  return MVNodeHistoryChange(std::string_view(), std::move(replacement), false);
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
  ids.emplace_back(nodeId_);
  auto made = std::make_shared<const std::vector<std::string>>(std::move(ids));
  remembered_[nextSlot_] = {history, made};
  nextSlot_ = (nextSlot_ + 1) % kRemembered;
  rememberedCount_ = std::min(rememberedCount_ + 1, kRemembered);
  return made;
}
