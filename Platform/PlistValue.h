#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pf {

// One property-list value: null, bool, 64-bit integer, real, string, data, date, array,
// insertion-ordered dictionary or keyed-archive UID. Values behave like plain values: a copy
// never sees later changes of the original. Data, arrays and dictionaries live in shared
// immutable storage, so copies are cheap; the first change through a mutable accessor gives
// the changed value its own storage (copy on write). Not safe to change one value from two
// threads at once; distinct copies may be used from different threads.
class PlistValue {
public:
  enum class Type { Null, Bool, Integer, Real, String, Data, Date, Array, Dictionary, Uid };

  class Dictionary;
  using Array = std::vector<PlistValue>;
  using Data = std::vector<std::uint8_t>;

  // Dates count seconds since 2001-01-01 00:00:00 UTC, as property-list files store them.
  static constexpr double kReferenceDateUnixTime = 978307200.0;

  PlistValue() = default;  // null
  PlistValue(bool value) : storage_(value) {}
  PlistValue(int value) : storage_(std::int64_t{value}) {}
  PlistValue(long value) : storage_(std::int64_t{value}) {}
  PlistValue(long long value) : storage_(std::int64_t{value}) {}
  PlistValue(unsigned value) : storage_(std::int64_t{value}) {}
  // Values above the signed 64-bit range saturate at its top.
  PlistValue(unsigned long value);
  PlistValue(unsigned long long value);
  PlistValue(double value) : storage_(value) {}
  PlistValue(const char* text) : storage_(std::string(text ? text : "")) {}
  PlistValue(std::string_view text) : storage_(std::string(text)) {}
  PlistValue(std::string text) : storage_(std::move(text)) {}
  PlistValue(Array array);
  PlistValue(Dictionary dictionary);
  // Guards against a pointer silently becoming a bool.
  PlistValue(const void*) = delete;

  static PlistValue data(Data bytes);
  static PlistValue data(std::span<const std::uint8_t> bytes);
  static PlistValue data(std::string_view bytes);
  static PlistValue date(double secondsSinceReferenceDate);
  static PlistValue dateFromUnixTime(double secondsSince1970);
  static PlistValue uid(std::uint64_t value);
  static PlistValue emptyArray();
  static PlistValue emptyDictionary();

  Type type() const;
  bool isNull() const { return type() == Type::Null; }
  bool isBool() const { return type() == Type::Bool; }
  bool isInteger() const { return type() == Type::Integer; }
  bool isReal() const { return type() == Type::Real; }
  // Bool, integer or real: what the original platform keeps in a number object.
  bool isNumber() const;
  bool isString() const { return type() == Type::String; }
  bool isData() const { return type() == Type::Data; }
  bool isDate() const { return type() == Type::Date; }
  bool isArray() const { return type() == Type::Array; }
  bool isDictionary() const { return type() == Type::Dictionary; }
  bool isUid() const { return type() == Type::Uid; }

  // Exact-kind accessors: nullopt or nullptr when the value is of another kind. Pointers stay
  // valid until this value is changed or destroyed.
  std::optional<bool> asBool() const;
  std::optional<std::int64_t> asInteger() const;
  std::optional<double> asReal() const;
  std::optional<double> asDate() const;  // seconds since the reference date
  std::optional<std::uint64_t> asUid() const;
  const std::string* asString() const;
  const Data* asData() const;
  const Array* asArray() const;
  const Dictionary* asDictionary() const;

  // Lenient conversions as the original platform's number and string objects answer them:
  // bools, integers and reals convert between each other (reals to integers truncate and
  // saturate, NaN gives 0), strings through their leading number (pf::doubleValue,
  // pf::longLongValue, pf::boolValue). Every other kind gives nullopt ("does not support").
  std::optional<double> toDouble() const;
  std::optional<std::int64_t> toInteger() const;
  std::optional<bool> toBool() const;

  // Convenience with neutral results: the value when it has the kind, else the fallback.
  std::string stringOr(std::string_view fallback = {}) const;

  // Containers. size() counts the elements of an array or the entries of a dictionary, 0 for
  // any other kind. at() gives a null value past the end or on a non-array.
  std::size_t size() const;
  const PlistValue& at(std::size_t index) const;
  // Dictionary lookup: nullptr when this is not a dictionary or has no such key.
  const PlistValue* find(std::string_view key) const;
  bool contains(std::string_view key) const { return find(key) != nullptr; }

  // Mutable access, copy on write. A null value first becomes an empty array or dictionary;
  // a value of another kind is a programming error (std::logic_error).
  Array& mutableArray();
  Dictionary& mutableDictionary();
  // Shorthands on a dictionary (or null): set keeps an existing key's position, else appends.
  void set(std::string_view key, PlistValue value);
  bool erase(std::string_view key);  // false when there was no such key
  // Shorthand on an array (or null).
  void append(PlistValue value);

  // The storage this value shares with copies of it (an array's, a dictionary's or data's);
  // nullptr for the other kinds and when no other copy holds it, so that a walk that meets a
  // value in several places keeps track only of values that can be met again. Two values with
  // the same storage are the same value.
  const void* sharedStorage() const;

  // Structural equality: same kind and same contents; dictionaries compare in key order too
  // (the order is part of what round trips must keep), reals compare NaN equal to NaN. An
  // integer never equals a real or a bool.
  friend bool operator==(const PlistValue& a, const PlistValue& b);

  // Old-style property-list text for log lines ("%@"): {key = value; }, (a, b), <0a1b>.
  std::string description() const;

private:
  struct DateValue {
    double seconds = 0.0;
  };
  struct UidValue {
    std::uint64_t value = 0;
  };
  using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string,
                               std::shared_ptr<const Data>, DateValue,
                               std::shared_ptr<const Array>, std::shared_ptr<const Dictionary>,
                               UidValue>;
  Storage storage_;
};

// An insertion-ordered string-keyed map of values. Lookups are linear for small dictionaries
// and hashed once a dictionary grows; the index is kept up to date by every change, so const
// lookups never write and may run on several threads at once.
class PlistValue::Dictionary {
public:
  struct Entry {
    std::string key;
    PlistValue value;
  };

  Dictionary();
  Dictionary(std::initializer_list<Entry> entries);
  Dictionary(const Dictionary& other);
  Dictionary(Dictionary&& other) noexcept;
  Dictionary& operator=(const Dictionary& other);
  Dictionary& operator=(Dictionary&& other) noexcept;
  ~Dictionary();

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const PlistValue* find(std::string_view key) const;  // nullptr when absent
  PlistValue* find(std::string_view key);
  bool contains(std::string_view key) const { return find(key) != nullptr; }
  // Replaces the value in place (keeping the key's position) or appends a new entry.
  void set(std::string_view key, PlistValue value);
  bool erase(std::string_view key);  // keeps the order of the others
  void clear();
  // Gives back the room kept for entries not added yet (for a dictionary that is done growing).
  void shrinkToFit() { entries_.shrink_to_fit(); }

  // In insertion order.
  const std::vector<Entry>& entries() const { return entries_; }
  std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<Entry>::const_iterator end() const { return entries_.end(); }

  friend bool operator==(const Dictionary& a, const Dictionary& b);

private:
  std::ptrdiff_t indexOf(std::string_view key) const;  // -1 when absent
  void rebuildIndex();

  std::vector<Entry> entries_;
  struct Index;
  std::unique_ptr<Index> index_;  // present exactly when the dictionary is large
};

}  // namespace pf
