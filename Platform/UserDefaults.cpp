#include "Platform/UserDefaults.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "Platform/Log.h"
#include "Platform/PropertyList.h"

namespace pf {

namespace {

std::mutex& standardMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<UserDefaults>& standardInstance()
{
  static std::shared_ptr<UserDefaults> instance;
  return instance;
}

}  // namespace

UserDefaults::UserDefaults(std::filesystem::path file)
  : file_(std::move(file))
{
  std::error_code error;
  if (!std::filesystem::exists(file_, error)) {
    return;
  }
  std::optional<PlistValue> loaded = readPropertyListFile(file_);
  if (!loaded || !loaded->isDictionary()) {
    keepUnreadableFileAside();
    return;
  }
  stored_ = *loaded->asDictionary();
}

void UserDefaults::keepUnreadableFileAside()
{
  // The user's settings may still be in there (a file too large, a damaged byte): the file is
  // moved out of the way, never written over.
  std::error_code error;
  for (int attempt = 1; attempt < 1000; ++attempt) {
    std::filesystem::path aside = file_;
    aside += attempt == 1 ? ".unreadable" : ".unreadable-" + std::to_string(attempt);
    if (std::filesystem::exists(aside, error) || error) {
      continue;
    }
    std::filesystem::rename(file_, aside, error);
    if (!error) {
      log("Error, could not read the user defaults at %@, kept the file as %@ and started with empty defaults",
          file_.string(), aside.string());
      return;
    }
    break;
  }
  writable_ = false;
  log("Error, could not read the user defaults at %@ nor keep the file aside, started with empty defaults that "
      "will not be saved",
      file_.string());
}

std::filesystem::path UserDefaults::defaultLocation()
{
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "Morvalis" / "Preferences.plist";
}

UserDefaults& UserDefaults::standard()
{
  const std::lock_guard lock(standardMutex());
  std::shared_ptr<UserDefaults>& instance = standardInstance();
  if (!instance) {
    instance = std::make_shared<UserDefaults>(defaultLocation());
  }
  // The instance stays alive for the process: setStandard keeps replaced ones (see below).
  return *instance;
}

void UserDefaults::setStandard(std::shared_ptr<UserDefaults> defaults)
{
  // A replaced store may still be in use by a thread that fetched it a moment ago, so it is
  // parked rather than destroyed. Replacement happens only at start-up and in tests.
  static std::vector<std::shared_ptr<UserDefaults>> retired;
  const std::lock_guard lock(standardMutex());
  if (standardInstance()) {
    retired.push_back(standardInstance());
  }
  standardInstance() = std::move(defaults);
}

void UserDefaults::registerDefaults(const PlistValue::Dictionary& defaults)
{
  const std::lock_guard lock(mutex_);
  for (const auto& entry : defaults) {
    registered_.set(entry.key, entry.value);
  }
}

PlistValue UserDefaults::objectForKey(std::string_view key) const
{
  const std::lock_guard lock(mutex_);
  if (const PlistValue* value = stored_.find(key)) {
    return *value;
  }
  if (const PlistValue* value = registered_.find(key)) {
    return *value;
  }
  return {};
}

bool UserDefaults::hasStoredValue(std::string_view key) const
{
  const std::lock_guard lock(mutex_);
  return stored_.contains(key);
}

bool UserDefaults::boolForKey(std::string_view key) const
{
  return objectForKey(key).toBool().value_or(false);
}

long long UserDefaults::integerForKey(std::string_view key) const
{
  return objectForKey(key).toInteger().value_or(0);
}

double UserDefaults::doubleForKey(std::string_view key) const
{
  return objectForKey(key).toDouble().value_or(0.0);
}

std::string UserDefaults::stringForKey(std::string_view key) const
{
  return objectForKey(key).stringOr();
}

void UserDefaults::setObject(std::string_view key, PlistValue value)
{
  const std::lock_guard lock(mutex_);
  if (value.isNull()) {
    dirty_ = stored_.erase(key) || dirty_;
    return;
  }
  stored_.set(key, std::move(value));
  dirty_ = true;
}

void UserDefaults::removeObject(std::string_view key)
{
  setObject(key, PlistValue());
}

void UserDefaults::updateObject(std::string_view key, const std::function<bool(PlistValue& value)>& change)
{
  const std::lock_guard lock(mutex_);
  PlistValue* existing = stored_.find(key);
  if (existing != nullptr) {
    if (!change(*existing)) {
      return;
    }
    if (existing->isNull()) {
      stored_.erase(key);
    }
  } else {
    PlistValue value;
    if (!change(value) || value.isNull()) {
      return;
    }
    stored_.set(key, std::move(value));
  }
  dirty_ = true;
}

bool UserDefaults::synchronize()
{
  const std::lock_guard writeLock(writeMutex_);
  if (!writable_) {
    return false;  // said once, when the unreadable file could not be kept aside
  }
  PlistValue snapshot;
  {
    const std::lock_guard lock(mutex_);
    if (!dirty_) {
      return true;
    }
    snapshot = PlistValue(stored_);
    dirty_ = false;
  }
  std::error_code error;
  std::filesystem::create_directories(file_.parent_path(), error);
  if (!writePropertyListFile(snapshot, file_)) {
    log("Error, could not write the user defaults to %@", file_.string());
    const std::lock_guard lock(mutex_);
    dirty_ = true;
    return false;
  }
  return true;
}

}  // namespace pf
