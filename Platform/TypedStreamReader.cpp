#include "Platform/TypedStreamReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <variant>

namespace pf {

namespace {

// Tag bytes of the format. Other bytes are small integers (read as signed char); references
// into the string and object tables count up from kReferenceBase.
constexpr std::uint8_t kTagInt16 = 0x81;
constexpr std::uint8_t kTagInt32 = 0x82;
constexpr std::uint8_t kTagReal = 0x83;
constexpr std::uint8_t kTagNew = 0x84;
constexpr std::uint8_t kTagNil = 0x85;
constexpr std::uint8_t kTagEndOfObject = 0x86;
constexpr std::uint8_t kTagInt64 = 0x87;
constexpr std::int64_t kReferenceBase = -110;  // 0x92 read as signed char
// Every reference to a shared string yields a copy of it: a long string referenced over and
// over would turn a small file into gigabytes. Real archives copy a few kilobytes.
constexpr std::size_t kMaxExpandedBytes = std::size_t{64} << 20;
// Characters of type encodings scanned while decoding one archive; real archives scan a few
// hundred.
constexpr std::size_t kMaxTypeWork = std::size_t{16} << 20;

using ClassChain = std::shared_ptr<const std::vector<std::string>>;

class Decoder {
public:
  explicit Decoder(std::span<const std::uint8_t> data) : data_(data) {}

  std::optional<TypedStreamReader::Value> run()
  {
    if (!readHeader()) {
      return std::nullopt;
    }
    // The root is one group: its type string ("@") and the object.
    auto type = readSharedString();
    if (!type) {
      return std::nullopt;
    }
    if (*type != "@") {
      fail("the root is not an object");
      return std::nullopt;
    }
    return readObject(0);
  }

  std::string error;

private:
  struct ObjectEntry {
    std::shared_ptr<TypedStreamReader::Object> object;
    bool open = true;  // still being decoded
  };
  using TableEntry = std::variant<std::monostate, ObjectEntry, ClassChain>;

  bool fail(const std::string& reason)
  {
    if (error.empty()) {
      error = reason + " at offset " + std::to_string(position_);
    }
    return false;
  }

  bool readByte(std::uint8_t& byte)
  {
    if (position_ >= data_.size()) {
      return fail("unexpected end of data");
    }
    byte = data_[position_++];
    return true;
  }

  bool readFixed(std::size_t size, std::uint64_t& out)
  {
    if (data_.size() - position_ < size) {
      return fail("unexpected end of data");
    }
    out = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::size_t index = littleEndian_ ? position_ + size - 1 - i : position_ + i;
      out = (out << 8) | data_[index];
    }
    position_ += size;
    return true;
  }

  // An integer whose first byte has been read already.
  bool readIntegerAfter(std::uint8_t head, std::int64_t& out)
  {
    std::uint64_t raw = 0;
    switch (head) {
    case kTagInt16:
      if (!readFixed(2, raw)) {
        return false;
      }
      out = static_cast<std::int16_t>(raw);
      return true;
    case kTagInt32:
      if (!readFixed(4, raw)) {
        return false;
      }
      out = static_cast<std::int32_t>(raw);
      return true;
    case kTagInt64:
      if (!readFixed(8, raw)) {
        return false;
      }
      out = static_cast<std::int64_t>(raw);
      return true;
    default:
      if (head >= 0x80 && head < 0x92) {
        return fail("tag where an integer was expected");
      }
      out = static_cast<std::int8_t>(head);
      return true;
    }
  }

  bool readInteger(std::int64_t& out)
  {
    std::uint8_t head = 0;
    return readByte(head) && readIntegerAfter(head, out);
  }

  bool readReal(bool isDouble, double& out)
  {
    std::uint8_t head = 0;
    if (!readByte(head)) {
      return false;
    }
    if (head != kTagReal) {
      // Whole values are written as integers.
      std::int64_t whole = 0;
      if (!readIntegerAfter(head, whole)) {
        return false;
      }
      out = static_cast<double>(whole);
      return true;
    }
    std::uint64_t raw = 0;
    if (isDouble) {
      if (!readFixed(8, raw)) {
        return false;
      }
      std::memcpy(&out, &raw, sizeof out);
      return true;
    }
    if (!readFixed(4, raw)) {
      return false;
    }
    const auto bits = static_cast<std::uint32_t>(raw);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    out = value;
    return true;
  }

  bool readBytes(std::int64_t length, std::string& out)
  {
    if (length < 0 || static_cast<std::uint64_t>(length) > data_.size() - position_) {
      return fail("string length past the end of data");
    }
    out.assign(reinterpret_cast<const char*>(data_.data() + position_), static_cast<std::size_t>(length));
    position_ += static_cast<std::size_t>(length);
    return true;
  }

  bool readHeader()
  {
    std::uint8_t version = 0;
    if (!readByte(version)) {
      return false;
    }
    if (version != 3 && version != 4) {
      return fail("not a typedstream");
    }
    std::int64_t length = 0;
    std::string signature;
    if (!readInteger(length) || !readBytes(length, signature)) {
      return false;
    }
    if (signature == "streamtyped") {
      littleEndian_ = true;
    } else if (signature != "typedstream") {
      return fail("not a typedstream");
    }
    std::int64_t systemVersion = 0;
    return readInteger(systemVersion);
  }

  std::optional<std::size_t> referenceIndex(std::uint8_t head, std::size_t tableSize)
  {
    std::int64_t number = 0;
    if (!readIntegerAfter(head, number)) {
      return std::nullopt;
    }
    // In unsigned arithmetic: the numbers span the whole 64-bit range.
    if (number < kReferenceBase ||
        static_cast<std::uint64_t>(number) - static_cast<std::uint64_t>(kReferenceBase) >= tableSize) {
      fail("reference to an unknown entry");
      return std::nullopt;
    }
    return static_cast<std::size_t>(static_cast<std::uint64_t>(number) - static_cast<std::uint64_t>(kReferenceBase));
  }

  // Shared strings: type encodings, class names, C strings. nullopt on error; a nil string
  // gives an empty optional too, with `isNil` set.
  std::optional<std::string> readSharedString(bool* isNil = nullptr)
  {
    std::uint8_t head = 0;
    if (!readByte(head)) {
      return std::nullopt;
    }
    if (head == kTagNil) {
      if (isNil) {
        *isNil = true;
        return std::nullopt;
      }
      fail("nil where a string was expected");
      return std::nullopt;
    }
    if (head == kTagNew) {
      std::int64_t length = 0;
      std::string text;
      if (!readInteger(length) || !readBytes(length, text)) {
        return std::nullopt;
      }
      strings_.push_back(text);
      return text;
    }
    const auto index = referenceIndex(head, strings_.size());
    if (!index) {
      return std::nullopt;
    }
    expandedBytes_ += strings_[*index].size();
    if (expandedBytes_ > kMaxExpandedBytes) {
      fail("shared strings expand beyond the size limit");
      return std::nullopt;
    }
    return strings_[*index];
  }

  // A class and its superclasses; nullptr for nil (the end of a chain).
  bool readClass(ClassChain& out, int depth)
  {
    if (depth > TypedStreamReader::kMaxDepth) {
      return fail("class chain too long");
    }
    std::uint8_t head = 0;
    if (!readByte(head)) {
      return false;
    }
    if (head == kTagNil) {
      out = nullptr;
      return true;
    }
    if (head == kTagNew) {
      const std::size_t slot = table_.size();
      table_.emplace_back();
      auto name = readSharedString();
      std::int64_t version = 0;
      ClassChain superclass;
      if (!name || !readInteger(version) || !readClass(superclass, depth + 1)) {
        return false;
      }
      auto chain = std::make_shared<std::vector<std::string>>();
      chain->push_back(*name);
      if (superclass) {
        chain->insert(chain->end(), superclass->begin(), superclass->end());
      }
      out = chain;
      table_[slot] = out;
      return true;
    }
    const auto index = referenceIndex(head, table_.size());
    if (!index) {
      return false;
    }
    const auto* chain = std::get_if<ClassChain>(&table_[*index]);
    if (!chain) {
      return fail("reference to an object where a class was expected");
    }
    out = *chain;
    return true;
  }

  std::optional<TypedStreamReader::Value> readObject(int depth)
  {
    using Value = TypedStreamReader::Value;
    if (depth > TypedStreamReader::kMaxDepth) {
      fail("objects nested too deeply");
      return std::nullopt;
    }
    std::uint8_t head = 0;
    if (!readByte(head)) {
      return std::nullopt;
    }
    Value value;
    if (head == kTagNil) {
      return value;
    }
    if (head != kTagNew) {
      const auto index = referenceIndex(head, table_.size());
      if (!index) {
        return std::nullopt;
      }
      const auto* entry = std::get_if<ObjectEntry>(&table_[*index]);
      if (!entry) {
        fail("reference to a class where an object was expected");
        return std::nullopt;
      }
      // A reference back into an object still being decoded would make a cycle of shared
      // pointers; archives of plain values never need one.
      if (entry->open) {
        fail("reference cycle");
        return std::nullopt;
      }
      value.kind = Value::Kind::Object;
      value.object = entry->object;
      return value;
    }
    auto object = std::make_shared<TypedStreamReader::Object>();
    const std::size_t slot = table_.size();
    table_.emplace_back(ObjectEntry{object});
    ClassChain chain;
    if (!readClass(chain, 0)) {
      return std::nullopt;
    }
    if (!chain) {
      fail("object without a class");
      return std::nullopt;
    }
    object->classes = *chain;
    while (true) {
      if (position_ >= data_.size()) {
        fail("object without its end");
        return std::nullopt;
      }
      if (data_[position_] == kTagEndOfObject) {
        ++position_;
        std::get<ObjectEntry>(table_[slot]).open = false;
        break;
      }
      auto type = readSharedString();
      if (!type || !readTyped(*type, object->values, depth + 1)) {
        return std::nullopt;
      }
    }
    value.kind = Value::Kind::Object;
    value.object = object;
    return value;
  }

  bool append(std::vector<TypedStreamReader::Value>& values, TypedStreamReader::Value value)
  {
    if (++valueCount_ > TypedStreamReader::kMaxValues) {
      return fail("too many values");
    }
    values.push_back(std::move(value));
    return true;
  }

  // One type encoding ("c", "ffff", "@", "[4c]", "{_NSPoint=ff}"...) and its values.
  bool readTyped(std::string_view type, std::vector<TypedStreamReader::Value>& values, int depth)
  {
    using Value = TypedStreamReader::Value;
    if (depth > TypedStreamReader::kMaxDepth) {
      return fail("values nested too deeply");
    }
    std::size_t i = 0;
    while (i < type.size()) {
      const char code = type[i];
      const std::size_t length = encodingLength(type.substr(i));
      if (length == 0) {
        return fail("unsupported type encoding '" + std::string(type) + "'");
      }
      // Each step costs the length of the encoding it scanned. An array repeats its element's
      // encoding once per element, and an element can be long while reading little data
      // (empty structures), which would make the work grow with the product of the two.
      typeWork_ += length;
      if (typeWork_ > kMaxTypeWork) {
        return fail("type encodings take too much work");
      }
      Value value;
      switch (code) {
      case 'c':
      case 'C':
      case 's':
      case 'S':
      case 'i':
      case 'I':
      case 'l':
      case 'L':
      case 'q':
      case 'Q':
      case 'B':
        value.kind = Value::Kind::Integer;
        if (!readInteger(value.integer) || !append(values, value)) {
          return false;
        }
        break;
      case 'f':
      case 'd':
        value.kind = Value::Kind::Real;
        if (!readReal(code == 'd', value.real) || !append(values, value)) {
          return false;
        }
        break;
      case '@': {
        auto object = readObject(depth);
        if (!object || !append(values, *object)) {
          return false;
        }
        break;
      }
      case '#': {
        ClassChain chain;
        if (!readClass(chain, 0)) {
          return false;
        }
        if (chain) {
          value.kind = Value::Kind::Bytes;
          value.bytes = chain->front();
        }
        if (!append(values, value)) {
          return false;
        }
        break;
      }
      case ':':
      case '*':
      case '%': {
        bool isNil = false;
        auto text = readSharedString(&isNil);
        if (!text && !isNil) {
          return false;
        }
        if (text) {
          value.kind = Value::Kind::Bytes;
          value.bytes = *text;
        }
        if (!append(values, value)) {
          return false;
        }
        break;
      }
      case '+': {
        std::int64_t size = 0;
        value.kind = Value::Kind::Bytes;
        if (!readInteger(size) || !readBytes(size, value.bytes) || !append(values, value)) {
          return false;
        }
        break;
      }
      case '[': {
        std::size_t digits = 1;
        std::uint64_t count = 0;
        while (digits < length && type[i + digits] >= '0' && type[i + digits] <= '9') {
          count = count * 10 + static_cast<std::uint64_t>(type[i + digits] - '0');
          if (count > data_.size()) {
            return fail("array longer than the data");
          }
          ++digits;
        }
        const std::string_view element = type.substr(i + digits, length - digits - 1);
        if (element == "c" || element == "C") {
          // Character arrays are stored as raw bytes.
          value.kind = Value::Kind::Bytes;
          if (!readBytes(static_cast<std::int64_t>(count), value.bytes) || !append(values, value)) {
            return false;
          }
          break;
        }
        for (std::uint64_t n = 0; n < count; ++n) {
          const std::size_t before = position_;
          if (!readTyped(element, values, depth + 1)) {
            return false;
          }
          if (position_ == before) {
            return fail("array element without data");
          }
        }
        break;
      }
      case '{': {
        const std::string_view inner = type.substr(i + 1, length - 2);
        const std::size_t equals = inner.find('=');
        if (equals != std::string_view::npos && !readTyped(inner.substr(equals + 1), values, depth + 1)) {
          return false;
        }
        break;
      }
      default:
        return fail("unsupported type encoding '" + std::string(type) + "'");
      }
      i += length;
    }
    return true;
  }

  // Length of the first type encoding in `type`, 0 when it is malformed or unknown.
  static std::size_t encodingLength(std::string_view type)
  {
    if (type.empty()) {
      return 0;
    }
    const char open = type.front();
    if (open != '[' && open != '{') {
      return std::string_view("cCsSiIlLqQBfd@#:*%+").find(open) == std::string_view::npos ? 0 : 1;
    }
    const char close = open == '[' ? ']' : '}';
    int level = 0;
    for (std::size_t i = 0; i < type.size(); ++i) {
      if (type[i] == '[' || type[i] == '{') {
        ++level;
      } else if (type[i] == ']' || type[i] == '}') {
        if (--level == 0) {
          return type[i] == close ? i + 1 : 0;
        }
      }
    }
    return 0;
  }

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
  bool littleEndian_ = false;
  std::vector<std::string> strings_;
  std::vector<TableEntry> table_;  // objects and classes share one table
  std::size_t valueCount_ = 0;
  std::size_t expandedBytes_ = 0;  // bytes copied out of the string table by references
  std::size_t typeWork_ = 0;       // characters of type encodings scanned so far
};

}  // namespace

bool TypedStreamReader::Object::isKindOf(const std::string& className) const
{
  return std::find(classes.begin(), classes.end(), className) != classes.end();
}

std::optional<TypedStreamReader::Value> TypedStreamReader::readRoot(std::span<const std::uint8_t> data,
                                                                   std::string& error)
{
  Decoder decoder(data);
  auto root = decoder.run();
  if (!root) {
    error = decoder.error.empty() ? "not a typedstream" : decoder.error;
  }
  return root;
}

}  // namespace pf
