#include "Shared/FeedbackManager/FeedbackManager.h"

#include <atomic>

namespace {

std::atomic<AlertPresenter*> alertPresenter{nullptr};

}  // namespace

void FeedbackManager::showNSAlert(std::optional<std::string> title, std::optional<std::string> text)
{
  const std::string shownTitle = title ? *title : "[no title]";
  const std::string shownText = text ? *text : "[no text]";
  log("[showNSAlert] '%@' - '%@'", shownTitle, shownText);
  if (AlertPresenter* presenter = alertPresenter.load()) {
    presenter->presentAlert(shownTitle, shownText);
  }
}

void FeedbackManager::setAlertPresenter(AlertPresenter* presenter)
{
  alertPresenter.store(presenter);
}
