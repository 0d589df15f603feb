#include "Shared/FeedbackManager/FeedbackManager.h"

#include <atomic>

#include "Platform/UserDefaults.h"

namespace {

std::atomic<AlertPresenter*> alertPresenter{nullptr};

double unixSeconds(std::chrono::system_clock::time_point time)
{
  return std::chrono::duration<double>(time.time_since_epoch()).count();
}

}  // namespace

FeedbackManager::FeedbackManager(pf::UserDefaults& defaults)
  : defaults_(defaults)
{
  pf::setLogSink([this](const std::string& message) { append(message); });
  cullDefaultsLogMessages();
}

FeedbackManager::~FeedbackManager()
{
  pf::setLogSink(nullptr);
}

void FeedbackManager::append(const std::string& message)
{
  // Appending in place under the store's lock keeps concurrent lines from different threads
  // all in the array; the file is written when the store synchronises, not per line.
  pf::PlistValue::Dictionary entry;
  entry.set("Message", pf::PlistValue(message));
  entry.set("Date", pf::PlistValue::dateFromUnixTime(unixSeconds(std::chrono::system_clock::now())));
  defaults_.updateObject(kLogArrayKey, [&](pf::PlistValue& array) {
    if (!array.isArray() && !array.isNull()) {
      array = pf::PlistValue();  // a damaged entry is replaced rather than kept failing
    }
    array.append(pf::PlistValue(std::move(entry)));
    return true;
  });
}

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

void FeedbackManager::cullDefaultsLogMessages()
{
  cullDefaultsLogMessages(std::chrono::system_clock::now());
}

void FeedbackManager::cullDefaultsLogMessages(std::chrono::system_clock::time_point now)
{
  const double nowSeconds = unixSeconds(now) - pf::PlistValue::kReferenceDateUnixTime;
  bool culled = false;
  defaults_.updateObject(kLogArrayKey, [&](pf::PlistValue& array) {
    const pf::PlistValue::Array* entries = array.asArray();
    if (entries == nullptr) {
      return false;
    }
    // The newest entry older than an hour; it and everything before it go.
    for (std::size_t i = entries->size(); i-- > 0;) {
      const pf::PlistValue* date = (*entries)[i].find("Date");
      const std::optional<double> seconds = date ? date->asDate() : std::nullopt;
      if (seconds && *seconds - nowSeconds < -3600.0) {
        pf::PlistValue::Array& mutableEntries = array.mutableArray();
        mutableEntries.erase(mutableEntries.begin(), mutableEntries.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        culled = true;
        return true;
      }
    }
    return false;
  });
  if (culled) {
    defaults_.synchronize();
  }
}

pf::PlistValue::Array FeedbackManager::getRecentDefaultsLogMessages() const
{
  const pf::PlistValue stored = defaults_.objectForKey(kLogArrayKey);
  if (const pf::PlistValue::Array* entries = stored.asArray()) {
    return *entries;
  }
  return {};
}
