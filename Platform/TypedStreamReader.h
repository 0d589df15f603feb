#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pf {

// A minimal reader of the original platform's older, non-keyed archive format ("typedstream",
// version 4, either byte order), enough to recover the objects of small archives such as one
// archived colour. It decodes the object graph generically: every object becomes its class
// chain and the flat list of typed values it encoded, nested objects included. It never
// instantiates anything; bad or unsupported data gives nullopt and a reason.
class TypedStreamReader {
public:
  struct Object;

  struct Value {
    enum class Kind { Nil, Integer, Real, Bytes, Object };
    Kind kind = Kind::Nil;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string bytes;  // strings, class and selector names, raw byte arrays
    std::shared_ptr<const Object> object;

    bool isNumber() const { return kind == Kind::Integer || kind == Kind::Real; }
    double number() const { return kind == Kind::Integer ? static_cast<double>(integer) : real; }
  };

  struct Object {
    std::vector<std::string> classes;  // the class first, then its superclasses
    std::vector<Value> values;         // in the order they were encoded

    bool isKindOf(const std::string& className) const;
  };

  // Deepest nesting of objects accepted, and the most values read from one archive.
  static constexpr int kMaxDepth = 32;
  static constexpr std::size_t kMaxValues = 100000;

  // The root object (or nil) of the archive. nullopt when the data is not a typedstream or is
  // damaged; `error` then says why.
  static std::optional<Value> readRoot(std::span<const std::uint8_t> data, std::string& error);
};

}  // namespace pf
