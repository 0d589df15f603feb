#include "Platform/PlistValue.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <functional>
#include <unordered_map>

#include "Platform/Numbers.h"

namespace pf {

namespace {

// Dictionaries up to this size are searched linearly; larger ones get a hash index.
constexpr std::size_t kLinearLookupLimit = 16;

const PlistValue& nullValue()
{
  static const PlistValue value;
  return value;
}

std::int64_t saturatedFromUnsigned(unsigned long long value)
{
  constexpr auto top = static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(value > top ? top : value);
}

// A string is written bare in the old-style text when it is a plain word.
bool needsQuotes(const std::string& text)
{
  if (text.empty()) {
    return true;
  }
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
    if (!plain) {
      return true;
    }
  }
  return false;
}

std::string quoted(const std::string& text)
{
  if (!needsQuotes(text)) {
    return text;
  }
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      out += c;
    }
  }
  out += '"';
  return out;
}

void describe(const PlistValue& value, std::string& out)
{
  static constexpr char kHex[] = "0123456789abcdef";
  switch (value.type()) {
  case PlistValue::Type::Null:
    out += "<null>";
    break;
  case PlistValue::Type::Bool:
    out += *value.asBool() ? "1" : "0";
    break;
  case PlistValue::Type::Integer:
    out += std::to_string(*value.asInteger());
    break;
  case PlistValue::Type::Real:
    out += formatShortest(*value.asReal());
    break;
  case PlistValue::Type::String:
    out += quoted(*value.asString());
    break;
  case PlistValue::Type::Data: {
    const auto& bytes = *value.asData();
    out += '<';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0 && i % 4 == 0) {
        out += ' ';
      }
      out += kHex[bytes[i] >> 4];
      out += kHex[bytes[i] & 0x0f];
    }
    out += '>';
    break;
  }
  case PlistValue::Type::Date:
    out += "<date ";
    out += formatShortest(*value.asDate());
    out += '>';
    break;
  case PlistValue::Type::Uid:
    out += "<CFKeyedArchiverUID ";
    out += std::to_string(*value.asUid());
    out += '>';
    break;
  case PlistValue::Type::Array: {
    out += '(';
    bool first = true;
    for (const auto& element : *value.asArray()) {
      out += first ? "" : ", ";
      first = false;
      describe(element, out);
    }
    out += ')';
    break;
  }
  case PlistValue::Type::Dictionary:
    out += '{';
    for (const auto& entry : *value.asDictionary()) {
      out += quoted(entry.key);
      out += " = ";
      describe(entry.value, out);
      out += "; ";
    }
    out += '}';
    break;
  }
}

}  // namespace

// ---- PlistValue ----

PlistValue::PlistValue(unsigned long value) : storage_(saturatedFromUnsigned(value)) {}

PlistValue::PlistValue(unsigned long long value) : storage_(saturatedFromUnsigned(value)) {}

const void* PlistValue::sharedStorage() const
{
  const void* storage = nullptr;
  long holders = 0;
  std::visit(
      [&](const auto& kept) {
        using Kept = std::decay_t<decltype(kept)>;
        if constexpr (std::is_same_v<Kept, std::shared_ptr<const Data>> || std::is_same_v<Kept, std::shared_ptr<const Array>> ||
                      std::is_same_v<Kept, std::shared_ptr<const Dictionary>>) {
          storage = kept.get();
          holders = kept.use_count();
        }
      },
      storage_);
  return holders > 1 ? storage : nullptr;
}

PlistValue::PlistValue(Array array) : storage_(std::make_shared<const Array>(std::move(array))) {}

PlistValue::PlistValue(Dictionary dictionary)
    : storage_(std::make_shared<const Dictionary>(std::move(dictionary)))
{
}

PlistValue PlistValue::data(Data bytes)
{
  PlistValue value;
  value.storage_ = std::make_shared<const Data>(std::move(bytes));
  return value;
}

PlistValue PlistValue::data(std::span<const std::uint8_t> bytes)
{
  return data(Data(bytes.begin(), bytes.end()));
}

PlistValue PlistValue::data(std::string_view bytes)
{
  return data(Data(bytes.begin(), bytes.end()));
}

PlistValue PlistValue::date(double secondsSinceReferenceDate)
{
  PlistValue value;
  value.storage_ = DateValue{secondsSinceReferenceDate};
  return value;
}

PlistValue PlistValue::dateFromUnixTime(double secondsSince1970)
{
  return date(secondsSince1970 - kReferenceDateUnixTime);
}

PlistValue PlistValue::uid(std::uint64_t uidValue)
{
  PlistValue value;
  value.storage_ = UidValue{uidValue};
  return value;
}

PlistValue PlistValue::emptyArray()
{
  return PlistValue(Array{});
}

PlistValue PlistValue::emptyDictionary()
{
  return PlistValue(Dictionary{});
}

PlistValue::Type PlistValue::type() const
{
  return static_cast<Type>(storage_.index());
}

bool PlistValue::isNumber() const
{
  const Type kind = type();
  return kind == Type::Bool || kind == Type::Integer || kind == Type::Real;
}

std::optional<bool> PlistValue::asBool() const
{
  if (const auto* value = std::get_if<bool>(&storage_)) {
    return *value;
  }
  return std::nullopt;
}

std::optional<std::int64_t> PlistValue::asInteger() const
{
  if (const auto* value = std::get_if<std::int64_t>(&storage_)) {
    return *value;
  }
  return std::nullopt;
}

std::optional<double> PlistValue::asReal() const
{
  if (const auto* value = std::get_if<double>(&storage_)) {
    return *value;
  }
  return std::nullopt;
}

std::optional<double> PlistValue::asDate() const
{
  if (const auto* value = std::get_if<DateValue>(&storage_)) {
    return value->seconds;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> PlistValue::asUid() const
{
  if (const auto* value = std::get_if<UidValue>(&storage_)) {
    return value->value;
  }
  return std::nullopt;
}

const std::string* PlistValue::asString() const
{
  return std::get_if<std::string>(&storage_);
}

const PlistValue::Data* PlistValue::asData() const
{
  if (const auto* value = std::get_if<std::shared_ptr<const Data>>(&storage_)) {
    return value->get();
  }
  return nullptr;
}

const PlistValue::Array* PlistValue::asArray() const
{
  if (const auto* value = std::get_if<std::shared_ptr<const Array>>(&storage_)) {
    return value->get();
  }
  return nullptr;
}

const PlistValue::Dictionary* PlistValue::asDictionary() const
{
  if (const auto* value = std::get_if<std::shared_ptr<const Dictionary>>(&storage_)) {
    return value->get();
  }
  return nullptr;
}

std::optional<double> PlistValue::toDouble() const
{
  switch (type()) {
  case Type::Bool:
    return *asBool() ? 1.0 : 0.0;
  case Type::Integer:
    return static_cast<double>(*asInteger());
  case Type::Real:
    return *asReal();
  case Type::String:
    return doubleValue(*asString());
  default:
    return std::nullopt;
  }
}

std::optional<std::int64_t> PlistValue::toInteger() const
{
  switch (type()) {
  case Type::Bool:
    return *asBool() ? 1 : 0;
  case Type::Integer:
    return *asInteger();
  case Type::Real:
    return saturatingCast<std::int64_t>(*asReal());
  case Type::String:
    return static_cast<std::int64_t>(longLongValue(*asString()));
  default:
    return std::nullopt;
  }
}

std::optional<bool> PlistValue::toBool() const
{
  switch (type()) {
  case Type::Bool:
    return *asBool();
  case Type::Integer:
    return *asInteger() != 0;
  case Type::Real:
    // NaN is not zero, as the original's number objects answer.
    return *asReal() != 0.0;
  case Type::String:
    return boolValue(*asString());
  default:
    return std::nullopt;
  }
}

std::string PlistValue::stringOr(std::string_view fallback) const
{
  if (const auto* text = asString()) {
    return *text;
  }
  return std::string(fallback);
}

std::size_t PlistValue::size() const
{
  if (const auto* array = asArray()) {
    return array->size();
  }
  if (const auto* dictionary = asDictionary()) {
    return dictionary->size();
  }
  return 0;
}

const PlistValue& PlistValue::at(std::size_t index) const
{
  const auto* array = asArray();
  if (!array || index >= array->size()) {
    return nullValue();
  }
  return (*array)[index];
}

const PlistValue* PlistValue::find(std::string_view key) const
{
  const auto* dictionary = asDictionary();
  return dictionary ? dictionary->find(key) : nullptr;
}

PlistValue::Array& PlistValue::mutableArray()
{
  if (isNull()) {
    storage_ = std::make_shared<const Array>();
  }
  auto* shared = std::get_if<std::shared_ptr<const Array>>(&storage_);
  if (!shared) {
    throw std::logic_error("PlistValue::mutableArray on a value that is not an array");
  }
  if (shared->use_count() > 1) {
    *shared = std::make_shared<const Array>(**shared);
  } else {
    // use_count() is a relaxed read: order the accesses of a copy just dropped on another
    // thread (ended by its releasing decrement) before the writes in place.
    std::atomic_thread_fence(std::memory_order_acquire);
  }
  // The storage is now ours alone, so changing it cannot be seen through another value.
  return const_cast<Array&>(**shared);
}

PlistValue::Dictionary& PlistValue::mutableDictionary()
{
  if (isNull()) {
    storage_ = std::make_shared<const Dictionary>();
  }
  auto* shared = std::get_if<std::shared_ptr<const Dictionary>>(&storage_);
  if (!shared) {
    throw std::logic_error("PlistValue::mutableDictionary on a value that is not a dictionary");
  }
  if (shared->use_count() > 1) {
    *shared = std::make_shared<const Dictionary>(**shared);
  } else {
    // use_count() is a relaxed read: order the accesses of a copy just dropped on another
    // thread (ended by its releasing decrement) before the writes in place.
    std::atomic_thread_fence(std::memory_order_acquire);
  }
  return const_cast<Dictionary&>(**shared);
}

void PlistValue::set(std::string_view key, PlistValue value)
{
  mutableDictionary().set(key, std::move(value));
}

bool PlistValue::erase(std::string_view key)
{
  if (!find(key)) {
    return false;
  }
  return mutableDictionary().erase(key);
}

void PlistValue::append(PlistValue value)
{
  mutableArray().push_back(std::move(value));
}

bool operator==(const PlistValue& a, const PlistValue& b)
{
  if (a.type() != b.type()) {
    return false;
  }
  switch (a.type()) {
  case PlistValue::Type::Null:
    return true;
  case PlistValue::Type::Bool:
    return *a.asBool() == *b.asBool();
  case PlistValue::Type::Integer:
    return *a.asInteger() == *b.asInteger();
  case PlistValue::Type::Real: {
    const double x = *a.asReal();
    const double y = *b.asReal();
    return x == y || (std::isnan(x) && std::isnan(y));
  }
  case PlistValue::Type::String:
    return *a.asString() == *b.asString();
  case PlistValue::Type::Data:
    return a.asData() == b.asData() || *a.asData() == *b.asData();
  case PlistValue::Type::Date: {
    const double x = *a.asDate();
    const double y = *b.asDate();
    return x == y || (std::isnan(x) && std::isnan(y));
  }
  case PlistValue::Type::Array:
    return a.asArray() == b.asArray() || *a.asArray() == *b.asArray();
  case PlistValue::Type::Dictionary:
    return a.asDictionary() == b.asDictionary() || *a.asDictionary() == *b.asDictionary();
  case PlistValue::Type::Uid:
    return *a.asUid() == *b.asUid();
  }
  return false;
}

std::string PlistValue::description() const
{
  std::string out;
  describe(*this, out);
  return out;
}

// ---- PlistValue::Dictionary ----

namespace {

struct KeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

}  // namespace

struct PlistValue::Dictionary::Index {
  // Owns its keys: entries_ may reallocate, which moves the strings of the entries.
  std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> positions;
};

PlistValue::Dictionary::Dictionary(std::initializer_list<Entry> entries)
{
  for (const auto& entry : entries) {
    set(entry.key, entry.value);
  }
}

PlistValue::Dictionary::Dictionary(const Dictionary& other) : entries_(other.entries_)
{
  if (other.index_) {
    index_ = std::make_unique<Index>(*other.index_);
  }
}

PlistValue::Dictionary::Dictionary(Dictionary&& other) noexcept
    : entries_(std::move(other.entries_)), index_(std::move(other.index_))
{
  other.entries_.clear();
}

PlistValue::Dictionary& PlistValue::Dictionary::operator=(const Dictionary& other)
{
  if (this != &other) {
    entries_ = other.entries_;
    index_ = other.index_ ? std::make_unique<Index>(*other.index_) : nullptr;
  }
  return *this;
}

PlistValue::Dictionary& PlistValue::Dictionary::operator=(Dictionary&& other) noexcept
{
  if (this != &other) {
    entries_ = std::move(other.entries_);
    index_ = std::move(other.index_);
    other.entries_.clear();
  }
  return *this;
}

PlistValue::Dictionary::Dictionary() = default;

PlistValue::Dictionary::~Dictionary() = default;

void PlistValue::Dictionary::rebuildIndex()
{
  if (entries_.size() <= kLinearLookupLimit) {
    index_.reset();
    return;
  }
  index_ = std::make_unique<Index>();
  index_->positions.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    index_->positions.emplace(entries_[i].key, i);
  }
}

std::ptrdiff_t PlistValue::Dictionary::indexOf(std::string_view key) const
{
  if (index_) {
    const auto found = index_->positions.find(key);
    return found == index_->positions.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].key == key) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

const PlistValue* PlistValue::Dictionary::find(std::string_view key) const
{
  const auto position = indexOf(key);
  return position < 0 ? nullptr : &entries_[static_cast<std::size_t>(position)].value;
}

PlistValue* PlistValue::Dictionary::find(std::string_view key)
{
  const auto position = indexOf(key);
  return position < 0 ? nullptr : &entries_[static_cast<std::size_t>(position)].value;
}

void PlistValue::Dictionary::set(std::string_view key, PlistValue value)
{
  if (auto* existing = find(key)) {
    *existing = std::move(value);
    return;
  }
  entries_.push_back(Entry{std::string(key), std::move(value)});
  if (index_) {
    index_->positions.emplace(entries_.back().key, entries_.size() - 1);
  } else if (entries_.size() > kLinearLookupLimit) {
    rebuildIndex();
  }
}

bool PlistValue::Dictionary::erase(std::string_view key)
{
  const auto position = indexOf(key);
  if (position < 0) {
    return false;
  }
  entries_.erase(entries_.begin() + position);
  rebuildIndex();  // positions after the erased entry shift
  return true;
}

void PlistValue::Dictionary::clear()
{
  index_.reset();
  entries_.clear();
}

bool operator==(const PlistValue::Dictionary& a, const PlistValue::Dictionary& b)
{
  if (a.entries_.size() != b.entries_.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.entries_.size(); ++i) {
    if (a.entries_[i].key != b.entries_[i].key || !(a.entries_[i].value == b.entries_[i].value)) {
      return false;
    }
  }
  return true;
}

}  // namespace pf
