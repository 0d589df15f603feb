#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "Platform/PlistValue.h"

namespace pf {

// The user-defaults store: registered defaults that lose to stored values, kept as a property
// list in $XDG_CONFIG_HOME/Morvalis/ (or ~/.config/Morvalis/). Every call is thread-safe: the
// log writes into it from rendering threads.
class UserDefaults {
public:
  // Loads `file` when it exists and is readable. An unreadable file is never written over: it is
  // renamed to "<file>.unreadable" (or "<file>.unreadable-N") with a log line, and the store
  // starts empty. When even that rename fails, the store starts empty and never writes.
  explicit UserDefaults(std::filesystem::path file);

  // "$XDG_CONFIG_HOME/Morvalis/Preferences.plist", with ~/.config when the variable is unset.
  static std::filesystem::path defaultLocation();

  // The process-wide store used by the application and the model. Created on first use at
  // defaultLocation(); replaced by tests and by the application at start-up.
  static UserDefaults& standard();
  static void setStandard(std::shared_ptr<UserDefaults> defaults);

  // Adds the keys of `defaults` to the registered values (a later registration of a key wins).
  void registerDefaults(const PlistValue::Dictionary& defaults);

  // The stored value, else the registered one, else null.
  PlistValue objectForKey(std::string_view key) const;
  bool hasStoredValue(std::string_view key) const;
  // Typed readers with the lenient conversions of PlistValue; a missing or unconvertible value
  // gives false, 0, 0.0 or empty text.
  bool boolForKey(std::string_view key) const;
  long long integerForKey(std::string_view key) const;
  double doubleForKey(std::string_view key) const;
  std::string stringForKey(std::string_view key) const;

  void setObject(std::string_view key, PlistValue value);
  void setBool(std::string_view key, bool value) { setObject(key, PlistValue(value)); }
  void setInteger(std::string_view key, long long value) { setObject(key, PlistValue(value)); }
  void setDouble(std::string_view key, double value) { setObject(key, PlistValue(value)); }
  void setString(std::string_view key, std::string value) { setObject(key, PlistValue(std::move(value))); }
  void removeObject(std::string_view key);

  // Changes a stored value in place under the store's lock (the value starts as the stored one,
  // or null; a null result removes the key). `change` answers whether it changed anything, so an
  // untouched value is not written again. Used for read-modify-write of large values such as
  // the log array. `change` must not call back into this store.
  void updateObject(std::string_view key, const std::function<bool(PlistValue& value)>& change);

  // Writes the stored values when they changed since the last write (atomically: a temporary
  // file renamed into place). False, with a log line, when writing failed, and false when an
  // unreadable file could not be kept aside.
  bool synchronize();

  const std::filesystem::path& file() const { return file_; }

private:
  void keepUnreadableFileAside();

  mutable std::mutex mutex_;
  std::mutex writeMutex_;  // one synchronize at a time, so an older snapshot never lands last
  std::filesystem::path file_;
  PlistValue::Dictionary registered_;
  PlistValue::Dictionary stored_;
  bool dirty_ = false;
  bool writable_ = true;  // false when an unreadable file is still in the way
};

}  // namespace pf
