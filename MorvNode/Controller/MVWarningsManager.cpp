#include "MorvNode/Controller/MVWarningsManager.h"

#include <algorithm>

#include "MorvNode/Controller/MVWarningsManagerView.h"
#include "MorvNode/Controller/WarningsManagerDelegate.h"

void MVWarningsManager::resetWarnings()
{
  entries_.emplace();
}

void MVWarningsManager::addWarningMessage(const std::string& message, MVNode* sender)
{
  if (!entries_) {
    return;
  }
  if (!entries_->empty() && entries_->back().sender == sender && entries_->back().message == message) {
    return;
  }
  entries_->push_back(Entry{message, sender});
}

void MVWarningsManager::updateWarningsInterface()
{
  if (warningCount() > 0) {
    if (view_ != nullptr) {
      view_->showWarningsBadge(warningCount());
    }
    updateWarningsList();
    return;
  }
  if (view_ != nullptr) {
    view_->hideWarningsBadge();
  }
  if (panelOpen_) {
    closeWarningsPanel();
  }
}

void MVWarningsManager::removeWarningsFromSender(const MVNode* sender)
{
  if (entries_ && sender != nullptr) {
    std::erase_if(*entries_, [sender](const Entry& entry) { return entry.sender == sender; });
  }
}

void MVWarningsManager::openWarningsPanel()
{
  updateWarningsList();
  panelOpen_ = true;
  if (view_ != nullptr) {
    view_->openWarningsPanel();
  }
}

void MVWarningsManager::closeWarningsPanel()
{
  panelOpen_ = false;
  if (view_ != nullptr) {
    view_->closeWarningsPanel();
  }
}

void MVWarningsManager::toggleWarningsPanel()
{
  if (panelOpen_) {
    closeWarningsPanel();
  } else {
    openWarningsPanel();
  }
}

void MVWarningsManager::updateWarningsList()
{
  if (!entries_) {
    entries_.emplace();
  }
  if (view_ != nullptr) {
    view_->updateWarningsList(*entries_);
  }
  updateWarningsListSelection();
}

void MVWarningsManager::updateWarningsListSelection()
{
  if (view_ != nullptr) {
    view_->updateWarningsListSelection();
  }
}

void MVWarningsManager::warningItemClicked(MVNode* node)
{
  if (node != nullptr && delegate_ != nullptr) {
    delegate_->selectAndCenterOnNode(node);
  }
}

const std::vector<MVWarningsManager::Entry>& MVWarningsManager::warningMessagesArray() const
{
  static const std::vector<Entry> kNone;
  return entries_ ? *entries_ : kNone;
}
