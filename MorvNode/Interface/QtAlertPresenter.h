#pragma once

#include "Shared/FeedbackManager/AlertPresenter.h"

// Shows the core's alerts as application-modal message boxes with one OK button.
class QtAlertPresenter final : public AlertPresenter {
public:
  void presentAlert(const std::string& title, const std::string& text) override;
};
