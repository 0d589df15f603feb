#pragma once

#include <string>

// What the core needs of a modal alert. The interface layer installs a QMessageBox presenter;
// tests install a recording fake; with none installed, alerts are only logged.
class AlertPresenter {
public:
  virtual ~AlertPresenter() = default;
  // Returns when the user has dismissed the alert.
  virtual void presentAlert(const std::string& title, const std::string& text) = 0;
};
