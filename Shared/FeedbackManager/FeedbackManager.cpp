#include "Shared/FeedbackManager/FeedbackManager.h"

#include <algorithm>
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

std::string FeedbackManager::storedLine(const std::string& message)
{
  if (message.size() <= kMaxStoredLineBytes) {
    return message;
  }
  // Cut on a character boundary and say that the line goes on.
  std::size_t end = kMaxStoredLineBytes;
  while (end > 0 && (static_cast<unsigned char>(message[end]) & 0xC0) == 0x80) {
    --end;
  }
  return message.substr(0, end) + "\u2026 (" + std::to_string(message.size()) + " bytes)";
}

void FeedbackManager::append(const std::string& message)
{
  // Appending in place under the store's lock keeps concurrent lines from different threads
  // all in the array; the file is written when the store synchronises, not per line.
  pf::PlistValue::Dictionary entry;
  std::string line = storedLine(message);
  const std::size_t lineBytes = line.size();
  entry.set("Message", pf::PlistValue(std::move(line)));
  entry.set("Date", pf::PlistValue::dateFromUnixTime(unixSeconds(std::chrono::system_clock::now())));
  defaults_.updateObject(kLogArrayKey, [&](pf::PlistValue& array) {
    if (!array.isArray() && !array.isNull()) {
      array = pf::PlistValue();  // a damaged entry is replaced rather than kept failing
    }
    pf::PlistValue::Array& entries = array.mutableArray();
    // The running total is recounted whenever someone else changed the array (a cull).
    if (entries.size() != storedCount_) {
      storedBytes_ = 0;
      for (const pf::PlistValue& stored : entries) {
        const pf::PlistValue* text = stored.find("Message");
        storedBytes_ += text && text->asString() ? text->asString()->size() : 0;
      }
    }
    entries.push_back(pf::PlistValue(std::move(entry)));
    storedBytes_ += lineBytes;
    // The oldest lines give way, so the preferences file stays far below what it can read back.
    std::size_t dropped = 0;
    while (dropped + 1 < entries.size() &&
           (storedBytes_ > kMaxStoredBytes || entries.size() - dropped > kMaxStoredEntries)) {
      const pf::PlistValue* text = entries[dropped].find("Message");
      storedBytes_ -= text && text->asString() ? std::min(storedBytes_, text->asString()->size()) : 0;
      ++dropped;
    }
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(dropped));
    storedCount_ = entries.size();
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
