#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Log.h"
#include "Shared/FeedbackManager/AlertPresenter.h"

// The application's one log and its common modal alert. Log lines go to standard error and,
// once an instance is set up, into the persistent log kept in the user defaults.
class FeedbackManager {
public:
  // printf-style formats as the messages are written ("%@" for strings and descriptions),
  // formatted locale-free. Callable from any thread; never fails towards the caller.
  template <typename... Args>
  static void log(std::string_view formatText, const Args&... arguments)
  {
    pf::log(formatText, arguments...);
  }

  // A missing title shows "[no title]", a missing text "[no text]". Main thread only.
  static void showNSAlert(std::optional<std::string> title, std::optional<std::string> text);

  // The presenter is not owned and must outlive its installation; nullptr removes it.
  static void setAlertPresenter(AlertPresenter* presenter);
};
