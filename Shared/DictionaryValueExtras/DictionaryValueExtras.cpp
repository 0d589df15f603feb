#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Platform/ColorArchive.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Reading a colour archive reads a whole property list, and the colours of a document repeat
// (every node starts from the same defaults): the results for the latest distinct archives are
// kept per thread. Reading has no side effects, so a kept result is the one reading would give.
pf::UnarchivedColor unarchivedColor(const pf::PlistValue::Data& data)
{
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>{}(bytes); }
  };
  constexpr std::size_t kCapacity = 256;
  thread_local std::unordered_map<std::string, pf::UnarchivedColor, Hash, std::equal_to<>> recent;
  const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  if (const auto found = recent.find(bytes); found != recent.end()) {
    return found->second;
  }
  if (recent.size() >= kCapacity) {
    recent.clear();
  }
  pf::UnarchivedColor result = pf::unarchiveColor(data);
  recent.emplace(std::string(bytes), result);
  return result;
}

// Log formats of one typed getter: the missing value and the value that does not convert.
struct GetterMessages {
  const char* noSuchValue;
  const char* unsupported;
};

constexpr GetterMessages kBoolMessages{
    "WARNNG, NSDictionary (NSDictionaryValueExtras) boolValueForKey: %@, no such value, returning nil",
    "WARNNG, NSDictionary (NSDictionaryValueExtras) boolValueForKey: %@, object %@ does not support boolValue, "
    "returning nil"};
constexpr GetterMessages kLongMessages{
    "WARNNG, NSDictionary (NSDictionaryValueExtras) longValueForKey: %@, no such value, returning nil",
    "WARNNG, NSDictionary (NSDictionaryValueExtras) longValueForKey: %@, object %@ does not support longValue, "
    "returning nil"};
constexpr GetterMessages kIntMessages{
    "WARNNG, NSDictionary (NSDictionaryValueExtras) intValueForKey: %@, no such value, returning nil",
    "WARNNG, NSDictionary (NSDictionaryValueExtras) intValueForKey: %@, object %@ does not support intValue, "
    "returning nil"};
constexpr GetterMessages kDoubleMessages{
    "WARNNG, NSDictionary (NSDictionaryValueExtras) doubleValueForKey: %@, no such value, returning nil",
    "WARNNG, NSDictionary (NSDictionaryValueExtras) doubleValueForKey: %@, object %@ does not support doubleValue, "
    "returning nil"};

// The stored value converted by `convert`, or nullopt after logging why there is none.
template <typename Convert>
auto convertedValue(const pf::PlistValue::Dictionary& dictionary, std::string_view key,
                    const GetterMessages& messages, Convert convert) -> decltype(convert(pf::PlistValue()))
{
  const pf::PlistValue* value = DictionaryValueExtras::numberForKey(dictionary, key);
  if (value == nullptr) {
    FeedbackManager::log(messages.noSuchValue, key);
    return std::nullopt;
  }
  auto converted = convert(*value);
  if (!converted) {
    FeedbackManager::log(messages.unsupported, key, *value);
  }
  return converted;
}

bool keyMissing(std::string_view key, const char* message)
{
  if (key.empty()) {
    FeedbackManager::log(message);
    return true;
  }
  return false;
}

}  // namespace

const pf::PlistValue* DictionaryValueExtras::numberForKey(const pf::PlistValue::Dictionary& dictionary,
                                                         std::string_view key)
{
  if (key.empty()) {
    FeedbackManager::log("ERROR, NSDictionary (NSDictionaryValueExtras) value for key used with no key");
    return nullptr;
  }
  return dictionary.find(key);
}

bool DictionaryValueExtras::boolValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  return convertedValue(dictionary, key, kBoolMessages, [](const pf::PlistValue& value) { return value.toBool(); })
      .value_or(false);
}

long long DictionaryValueExtras::longValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  return convertedValue(dictionary, key, kLongMessages, [](const pf::PlistValue& value) { return value.toInteger(); })
      .value_or(0);
}

int DictionaryValueExtras::intValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  const std::int64_t value =
      convertedValue(dictionary, key, kIntMessages, [](const pf::PlistValue& value) { return value.toInteger(); })
          .value_or(0);
  return static_cast<int>(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double DictionaryValueExtras::doubleValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  return convertedValue(dictionary, key, kDoubleMessages, [](const pf::PlistValue& value) { return value.toDouble(); })
      .value_or(0.0);
}
pf::Color DictionaryValueExtras::colorForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  if (key.empty()) {
    FeedbackManager::log("WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: no key, returning white color");
    return pf::Color::white();
  }
  const pf::PlistValue* value = dictionary.find(key);
  if (value == nullptr) {
    FeedbackManager::log(
        "WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: %@, no such value, returning white color", key);
    return pf::Color::white();
  }
  pf::UnarchivedColor result;
  if (value->isData()) {
    result = unarchivedColor(*value->asData());
  } else {
    result.error = "the value is not data: " + value->description();
  }
  if (result.status == pf::UnarchivedColor::Status::NotAColor) {
    FeedbackManager::log("WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: %@, could not unarchiveObject "
                         "returned non-color object: %@, returning white color. Error: %@",
                         key, result.object, result.error);
  } else if (!result.isColor()) {
    FeedbackManager::log("WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: %@, could not unarchiveObject "
                         "with data, returning white color. Error: %@ ",
                         key, result.error);
  }
  return result.color;
}

void DictionaryValueExtras::setBoolValue(pf::PlistValue::Dictionary& dictionary, bool value, std::string_view key)
{
  if (!keyMissing(key, "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setBoolValue with no key")) {
    dictionary.set(key, pf::PlistValue(value));
  }
}

void DictionaryValueExtras::setLongValue(pf::PlistValue::Dictionary& dictionary, long long value, std::string_view key)
{
  if (!keyMissing(key, "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setLongValue with no key")) {
    dictionary.set(key, pf::PlistValue(value));
  }
}

void DictionaryValueExtras::setIntValue(pf::PlistValue::Dictionary& dictionary, int value, std::string_view key)
{
  if (!keyMissing(key, "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setIntValue with no key")) {
    dictionary.set(key, pf::PlistValue(value));
  }
}

void DictionaryValueExtras::setDoubleValue(pf::PlistValue::Dictionary& dictionary, double value, std::string_view key)
{
  if (!keyMissing(key, "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setDoubleValue with no key")) {
    dictionary.set(key, pf::PlistValue(value));
  }
}

void DictionaryValueExtras::setColor(pf::PlistValue::Dictionary& dictionary, const pf::Color& color,
                                     std::string_view key)
{
  if (!keyMissing(key, "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setColor with no key")) {
    dictionary.set(key, pf::PlistValue::data(pf::archivedColorData(color)));
  }
}
