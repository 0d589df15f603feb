#include "Platform/PlistBinary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

#include "Platform/Log.h"
#include "Platform/PlistXml.h"
#include "Platform/Unicode.h"

namespace pf::plist_detail {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;
// A file with more objects than this is not one of ours: a document of 100,000 shape nodes
// holds 22.5 million. The check below keeps about 30 bytes of bookkeeping per object.
constexpr std::uint64_t kMaxObjects = 32'000'000;
// Shared objects are read into one copy per reference: cap what that expansion makes, at what
// the largest files hold without any sharing (the file size cap of PropertyList.h).
constexpr std::uint64_t kMaxExpandedNodes = kMaxObjects;
constexpr std::uint64_t kMaxExpandedBytes = 1024ull * 1024 * 1024;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
  return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

// Structural check of a binary property list and, once it passed, the reading of its value:
// the reading follows only offsets, references and lengths the check found sound.
class BinaryCheck {
public:
  explicit BinaryCheck(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool run()
  {
    if (bytes_.size() < kHeaderSize + kTrailerSize || std::memcmp(bytes_.data(), "bplist0", 7) != 0) {
      return fail("not a binary property list");
    }
    const std::size_t trailer = bytes_.size() - kTrailerSize;
    offsetSize_ = bytes_[trailer + 6];
    refSize_ = bytes_[trailer + 7];
    const std::uint64_t objectCount = readUnsigned(trailer + 8, 8);
    const std::uint64_t top = readUnsigned(trailer + 16, 8);
    tableOffset_ = readUnsigned(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) {
      return fail("bad offset or reference size");
    }
    if (objectCount == 0 || objectCount > kMaxObjects || top >= objectCount) {
      return fail("bad object count or top object");
    }
    if (tableOffset_ < kHeaderSize || tableOffset_ > trailer ||
        objectCount > (trailer - tableOffset_) / offsetSize_) {
      return fail("offset table outside the file");
    }
    objectCount_ = objectCount;
    offsets_.resize(objectCount);
    for (std::uint64_t i = 0; i < objectCount; ++i) {
      offsets_[i] = readUnsigned(tableOffset_ + i * offsetSize_, offsetSize_);
      if (offsets_[i] < kHeaderSize || offsets_[i] >= tableOffset_) {
        return fail("object offset outside the object area");
      }
    }
    top_ = top;
    return walk(top);
  }

  // The value the checked bytes hold; run() must have succeeded. An object with several
  // references is read once and its value shared by each (a container's copy shares its
  // storage), so that a small file of shared objects cannot make a tree as large as its
  // expansion; recursion is bounded by the check's depth limit.
  std::optional<PlistValue> read() { return readObject(top_); }

  std::string error;

private:
  struct Object {
    std::uint8_t marker = 0;
    std::uint64_t refsStart = 0;  // byte offset of the first reference (containers)
    std::uint64_t refCount = 0;   // references to follow (keys and values for dictionaries)
    std::uint64_t payload = 0;    // bytes this object expands to (strings, data)
    std::uint64_t dataStart = 0;  // the object's bytes after its marker and length field
    std::uint64_t dataEnd = 0;
    bool isDictionary = false;
  };

  struct Frame {
    std::uint64_t object;
    Object info;
    std::uint64_t next = 0;
    int childDepth = 0;
    std::uint64_t nodes = 1;
    std::uint64_t payload = 0;
  };

  std::uint64_t readUnsigned(std::uint64_t offset, std::size_t size) const
  {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      value = (value << 8) | bytes_[offset + i];
    }
    return value;
  }

  // The object's length field: the low nibble, or an integer object after the marker.
  bool readCount(std::uint64_t& cursor, std::uint8_t marker, std::uint64_t& count)
  {
    count = marker & 0x0f;
    if (count != 0x0f) {
      return true;
    }
    if (cursor >= tableOffset_ || (bytes_[cursor] & 0xf0) != 0x10) {
      return fail("bad length field");
    }
    const std::size_t size = std::size_t{1} << (bytes_[cursor] & 0x0f);
    if (size > 8 || cursor + 1 + size > tableOffset_) {
      return fail("bad length field");
    }
    count = readUnsigned(cursor + 1, size);
    cursor += 1 + size;
    return true;
  }

  bool describe(std::uint64_t object, Object& info)
  {
    std::uint64_t cursor = offsets_[object];
    const std::uint8_t marker = bytes_[cursor++];
    info = Object{};
    info.marker = marker;
    std::uint64_t extent = 0;  // payload bytes after the header
    std::uint64_t count = 0;
    switch (marker >> 4) {
    case 0x0:
      if (marker != 0x00 && marker != 0x08 && marker != 0x09 && marker != 0x0f) {
        return fail("unknown object marker");
      }
      break;
    case 0x1:
      if ((marker & 0x0f) > 4) {
        return fail("bad integer size");
      }
      extent = std::uint64_t{1} << (marker & 0x0f);
      break;
    case 0x2:
      if ((marker & 0x0f) != 2 && (marker & 0x0f) != 3) {
        return fail("bad real size");
      }
      extent = std::uint64_t{1} << (marker & 0x0f);
      break;
    case 0x3:
      if (marker != 0x33) {
        return fail("bad date size");
      }
      extent = 8;
      break;
    case 0x4:
    case 0x5:
      if (!readCount(cursor, marker, count)) {
        return false;
      }
      extent = count;
      info.payload = count;
      break;
    case 0x6:
      if (!readCount(cursor, marker, count)) {
        return false;
      }
      if (count > tableOffset_) {
        return fail("string longer than the file");
      }
      extent = count * 2;
      info.payload = count * 3;  // UTF-16 units become at most three UTF-8 bytes
      break;
    case 0x8:
      extent = (marker & 0x0f) + 1u;
      break;
    case 0xa:
    case 0xc:
    case 0xd:
      if (!readCount(cursor, marker, count)) {
        return false;
      }
      info.isDictionary = (marker >> 4) == 0xd;
      if (count > tableOffset_ || (info.isDictionary && count * 2 > tableOffset_)) {
        return fail("container larger than the file");
      }
      info.refsStart = cursor;
      info.refCount = info.isDictionary ? count * 2 : count;
      extent = info.refCount * refSize_;
      break;
    default:
      return fail("unknown object marker");
    }
    if (extent > tableOffset_ || cursor + extent > tableOffset_) {
      return fail("object runs past the object area");
    }
    info.dataStart = cursor;
    info.dataEnd = cursor + extent;
    return true;
  }

  // Keys are names, written by C-string readers and writers elsewhere (the writer here refuses
  // them too): a key with a NUL character, as one byte or as one UTF-16 unit, is refused.
  bool checkKey(std::uint64_t object)
  {
    if (keyChecked_[object]) {
      return true;
    }
    Object key;
    if (!describe(object, key)) {
      return false;
    }
    const bool utf16 = (key.marker >> 4) == 0x6;
    const std::uint64_t step = utf16 ? 2 : 1;
    for (std::uint64_t at = key.dataStart; at + step <= key.dataEnd; at += step) {
      if (bytes_[at] == 0 && (!utf16 || bytes_[at + 1] == 0)) {
        return fail("dictionary key with a NUL character");
      }
    }
    keyChecked_[object] = true;
    return true;
  }

  // Depth-first over the references from the top object, without recursion: finds cycles,
  // measures the nesting depth and the size the read tree expands to. Depth is that of the
  // expanded tree, which the reading (and every use of the value) walks recursively.
  bool walk(std::uint64_t top)
  {
    enum : std::uint8_t { kUnseen, kOpen, kDone };
    std::vector<std::uint8_t> state(objectCount_, kUnseen);
    std::vector<std::uint16_t> depth(objectCount_, 0);
    std::vector<std::uint64_t> nodes(objectCount_, 0);
    std::vector<std::uint64_t> payload(objectCount_, 0);
    std::vector<Frame> stack;
    keyChecked_.assign(objectCount_, false);
    shared_.assign(objectCount_, false);

    auto open = [&](std::uint64_t object) -> bool {
      Frame frame{object, {}};
      if (!describe(object, frame.info)) {
        return false;
      }
      if (stack.size() > static_cast<std::size_t>(kMaxPlistDepth)) {
        return fail("nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels");
      }
      frame.payload = frame.info.payload;
      state[object] = kOpen;
      stack.push_back(frame);
      return true;
    };

    if (!open(top)) {
      return false;
    }
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.info.refCount) {
        const std::uint64_t index = frame.next++;
        const std::uint64_t child = readUnsigned(frame.info.refsStart + index * refSize_, refSize_);
        if (child >= objectCount_) {
          return fail("reference to a missing object");
        }
        if (frame.info.isDictionary && index < frame.info.refCount / 2) {
          const std::uint8_t keyType = bytes_[offsets_[child]] >> 4;
          if (keyType != 0x5 && keyType != 0x6) {
            return fail("dictionary key that is not a string");
          }
          if (!checkKey(child)) {
            return false;
          }
        }
        if (state[child] == kOpen) {
          return fail("reference cycle");
        }
        if (state[child] == kUnseen) {
          if (!open(child)) {
            return false;
          }
          continue;
        }
        // A finished object may be shared: it expands below every reference at its full
        // depth, however shallow this walk reached it. It is read once and its value shared.
        shared_[child] = true;
        if (stack.size() + depth[child] > static_cast<std::size_t>(kMaxPlistDepth)) {
          return fail("nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels");
        }
        frame.childDepth = std::max<int>(frame.childDepth, depth[child]);
        frame.nodes = saturatingAdd(frame.nodes, nodes[child]);
        frame.payload = saturatingAdd(frame.payload, payload[child]);
        if (frame.nodes > kMaxExpandedNodes || frame.payload > kMaxExpandedBytes) {
          return fail("shared objects expand beyond the size limit");
        }
        continue;
      }
      const Frame done = frame;
      stack.pop_back();
      const bool container = done.info.refCount > 0;  // depth counts levels below the object
      state[done.object] = kDone;
      depth[done.object] = static_cast<std::uint16_t>(done.childDepth + (container ? 1 : 0));
      nodes[done.object] = done.nodes;
      payload[done.object] = done.payload;
      if (!stack.empty()) {
        Frame& parent = stack.back();
        parent.childDepth = std::max<int>(parent.childDepth, depth[done.object]);
        parent.nodes = saturatingAdd(parent.nodes, done.nodes);
        parent.payload = saturatingAdd(parent.payload, done.payload);
        if (parent.nodes > kMaxExpandedNodes || parent.payload > kMaxExpandedBytes) {
          return fail("shared objects expand beyond the size limit");
        }
      }
    }
    return true;
  }

  bool fail(const std::string& reason)
  {
    if (error.empty()) {
      error = reason;
    }
    return false;
  }

  double readReal(std::uint64_t offset, std::uint64_t size) const
  {
    if (size == 4) {
      const auto bits = static_cast<std::uint32_t>(readUnsigned(offset, 4));
      float value = 0.0f;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    const std::uint64_t bits = readUnsigned(offset, 8);
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // An ASCII-form (one byte a character) or UTF-16 (big-endian) string as valid UTF-8: bytes
  // that are no UTF-8 and unpaired surrogates become U+FFFD.
  std::string readString(const Object& info) const
  {
    const auto* first = bytes_.data() + info.dataStart;
    const std::size_t length = static_cast<std::size_t>(info.dataEnd - info.dataStart);
    if ((info.marker >> 4) == 0x5) {
      return wellFormedUTF8(std::string_view(reinterpret_cast<const char*>(first), length));
    }
    std::string text;
    text.reserve(length);
    const auto append = [&text](std::uint32_t codePoint) {
      if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
      } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xc0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3f)));
      } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xe0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3f)));
      } else {
        text.push_back(static_cast<char>(0xf0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3f)));
      }
    };
    const std::size_t units = length / 2;
    for (std::size_t i = 0; i < units; ++i) {
      const std::uint32_t unit = (std::uint32_t{first[2 * i]} << 8) | first[2 * i + 1];
      if (unit >= 0xd800 && unit <= 0xdbff && i + 1 < units) {
        const std::uint32_t low = (std::uint32_t{first[2 * i + 2]} << 8) | first[2 * i + 3];
        if (low >= 0xdc00 && low <= 0xdfff) {
          append(0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00));
          ++i;
          continue;
        }
      }
      append(unit >= 0xd800 && unit <= 0xdfff ? 0xfffd : unit);
    }
    return text;
  }

  std::uint64_t reference(const Object& info, std::uint64_t index) const
  {
    return readUnsigned(info.refsStart + index * refSize_, refSize_);
  }

  std::optional<PlistValue> readObject(std::uint64_t object)
  {
    if (!shared_[object]) {
      return readObjectOnce(object);
    }
    if (const auto found = sharedValues_.find(object); found != sharedValues_.end()) {
      return found->second;
    }
    std::optional<PlistValue> value = readObjectOnce(object);
    if (value) {
      sharedValues_.emplace(object, *value);
    }
    return value;
  }

  std::optional<PlistValue> readObjectOnce(std::uint64_t object)
  {
    Object info;
    if (!describe(object, info)) {
      return std::nullopt;
    }
    const std::uint64_t size = info.dataEnd - info.dataStart;
    switch (info.marker >> 4) {
    case 0x0:
      if (info.marker == 0x08 || info.marker == 0x09) {
        return PlistValue(info.marker == 0x09);
      }
      fail("unsupported object type");  // null and fill have no value of ours
      return std::nullopt;
    case 0x1: {
      // Eight-byte integers are signed in the file format; sixteen-byte ones hold the value in
      // their low eight bytes.
      const std::uint64_t bits = readUnsigned(info.dataEnd - std::min<std::uint64_t>(size, 8),
                                              static_cast<std::size_t>(std::min<std::uint64_t>(size, 8)));
      return PlistValue(static_cast<long long>(static_cast<std::int64_t>(bits)));
    }
    case 0x2:
      return PlistValue(readReal(info.dataStart, size));
    case 0x3:
      return PlistValue::date(readReal(info.dataStart, 8));
    case 0x4:
      return PlistValue::data(std::span<const std::uint8_t>(bytes_.data() + info.dataStart, size));
    case 0x5:
    case 0x6:
      return PlistValue(readString(info));
    case 0x8:
      return PlistValue::uid(readUnsigned(info.dataEnd - std::min<std::uint64_t>(size, 8),
                                          static_cast<std::size_t>(std::min<std::uint64_t>(size, 8))));
    case 0xa:
    case 0xc: {  // a set reads as an array
      PlistValue::Array array;
      array.reserve(static_cast<std::size_t>(info.refCount));
      for (std::uint64_t i = 0; i < info.refCount; ++i) {
        std::optional<PlistValue> element = readObject(reference(info, i));
        if (!element) {
          return std::nullopt;
        }
        array.push_back(std::move(*element));
      }
      return PlistValue(std::move(array));
    }
    case 0xd: {
      PlistValue::Dictionary dictionary;
      const std::uint64_t count = info.refCount / 2;
      for (std::uint64_t i = 0; i < count; ++i) {
        Object key;
        if (!describe(reference(info, i), key)) {
          return std::nullopt;
        }
        std::optional<PlistValue> value = readObject(reference(info, count + i));
        if (!value) {
          return std::nullopt;
        }
        // A key written twice keeps its last value.
        dictionary.set(readString(key), std::move(*value));
      }
      return PlistValue(std::move(dictionary));
    }
    default:
      fail("unsupported object type");
      return std::nullopt;
    }
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t offsetSize_ = 0;
  std::size_t refSize_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::uint64_t objectCount_ = 0;
  std::uint64_t top_ = 0;
  std::vector<std::uint64_t> offsets_;
  std::vector<bool> keyChecked_;
  std::vector<bool> shared_;  // referenced more than once
  std::unordered_map<std::uint64_t, PlistValue> sharedValues_;
};

// Writes the binary form directly: libplist 2.2 takes strings as C strings, so a string holding
// U+0000 would be cut short, and it converts ill-formed UTF-8 into text it cannot read back.
// Strings that are ASCII without NUL are stored as bytes, all others as UTF-16 (which keeps
// U+0000); every object is written once, in order, the top object first.
class BinaryWriter {
public:
  bool write(const PlistValue& value)
  {
    objects_.clear();
    written_.clear();
    std::uint64_t top = 0;
    if (!add(value, 0, top)) {
      return false;
    }
    const std::uint64_t count = objects_.size();
    refSize_ = count <= 0xff ? 1 : count <= 0xffff ? 2 : count <= 0xffffffffull ? 4 : 8;
    out_.assign({'b', 'p', 'l', 'i', 's', 't', '0', '0'});
    std::vector<std::uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const auto& object : objects_) {
      offsets.push_back(out_.size());
      emit(object);
    }
    const std::uint64_t tableOffset = out_.size();
    const std::size_t offsetSize = byteCount(tableOffset);
    for (std::uint64_t offset : offsets) {
      appendBigEndian(offset, offsetSize);
    }
    out_.insert(out_.end(), 6, 0);
    out_.push_back(static_cast<std::uint8_t>(offsetSize));
    out_.push_back(static_cast<std::uint8_t>(refSize_));
    appendBigEndian(count, 8);
    appendBigEndian(0, 8);  // the top object
    appendBigEndian(tableOffset, 8);
    return true;
  }

  std::vector<std::uint8_t> take() { return std::move(out_); }

  std::string error;

private:
  // One object to write: a scalar value or a key string, or a container with the indices of
  // its children (a dictionary's keys first, then its values).
  struct Object {
    const PlistValue* value = nullptr;
    const std::string* key = nullptr;
    std::vector<std::uint64_t> children;
  };

  static std::size_t byteCount(std::uint64_t value)
  {
    return value <= 0xff ? 1 : value <= 0xffff ? 2 : value <= 0xffffffffull ? 4 : 8;
  }

  static int sizeExponent(std::size_t bytes) { return bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3; }

  bool fail(const std::string& reason)
  {
    if (error.empty()) {
      error = reason;
    }
    return false;
  }

  // Collects the value and everything below it and gives its index. A container or data that
  // shares its storage with one collected before is that object again: a value read from a
  // file of shared objects (or copied into several places) is written as compactly as it is
  // held, instead of once per place.
  bool add(const PlistValue& value, int depth, std::uint64_t& index)
  {
    if (depth > kMaxPlistDepth) {
      return fail("nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels");
    }
    const void* storage = value.sharedStorage();
    if (storage != nullptr) {
      if (const auto found = written_.find(storage); found != written_.end()) {
        index = found->second;
        return true;
      }
    }
    index = objects_.size();
    objects_.push_back(Object{&value, nullptr, {}});
    if (storage != nullptr) {
      written_.emplace(storage, index);
    }
    switch (value.type()) {
    case PlistValue::Type::Null:
      return fail("a null value has no property-list form");
    case PlistValue::Type::String:
      if (!isValidUTF8(*value.asString())) {
        return fail("a string is not valid UTF-8");
      }
      return true;
    case PlistValue::Type::Array: {
      std::vector<std::uint64_t> children;
      for (const auto& element : *value.asArray()) {
        if (element.isNull()) {
          log("Warning, property list writer left out a null array element");
          continue;
        }
        std::uint64_t child = 0;
        if (!add(element, depth + 1, child)) {
          return false;
        }
        children.push_back(child);
      }
      objects_[index].children = std::move(children);
      return true;
    }
    case PlistValue::Type::Dictionary: {
      std::vector<std::uint64_t> keys;
      std::vector<const PlistValue*> values;
      for (const auto& entry : *value.asDictionary()) {
        if (entry.value.isNull()) {
          log("Warning, property list writer left out the null value of key %@", entry.key);
          continue;
        }
        // Readers take keys as C strings: a NUL would cut the key short or be refused.
        if (!isValidUTF8(entry.key) || entry.key.find('\0') != std::string::npos) {
          return fail("a dictionary key is not valid UTF-8 or holds a NUL character");
        }
        keys.push_back(objects_.size());
        objects_.push_back(Object{nullptr, &entry.key, {}});
        values.push_back(&entry.value);
      }
      std::vector<std::uint64_t> children = keys;
      for (const PlistValue* item : values) {
        std::uint64_t child = 0;
        if (!add(*item, depth + 1, child)) {
          return false;
        }
        children.push_back(child);
      }
      objects_[index].children = std::move(children);
      return true;
    }
    default:
      return true;
    }
  }

  void appendBigEndian(std::uint64_t value, std::size_t bytes)
  {
    for (std::size_t i = bytes; i-- > 0;) {
      out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
  }

  // A marker with its length: in the low nibble when it fits, else an integer object after it.
  void appendMarker(std::uint8_t type, std::uint64_t count)
  {
    if (count < 15) {
      out_.push_back(static_cast<std::uint8_t>(type << 4 | count));
      return;
    }
    out_.push_back(static_cast<std::uint8_t>(type << 4 | 0x0f));
    const std::size_t bytes = byteCount(count);
    out_.push_back(static_cast<std::uint8_t>(0x10 | sizeExponent(bytes)));
    appendBigEndian(count, bytes);
  }

  void appendDouble(std::uint8_t marker, double value)
  {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out_.push_back(marker);
    appendBigEndian(bits, 8);
  }

  void appendString(const std::string& text)
  {
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
      return c != '\0' && static_cast<unsigned char>(c) < 0x80;
    });
    if (plain) {
      appendMarker(0x5, text.size());
      out_.insert(out_.end(), text.begin(), text.end());
      return;
    }
    std::vector<std::uint16_t> units;
    units.reserve(text.size());
    std::size_t offset = 0;
    while (offset < text.size()) {
      const char32_t codePoint = nextCodePoint(text, offset);
      if (codePoint >= 0x10000) {
        const char32_t rest = codePoint - 0x10000;
        units.push_back(static_cast<std::uint16_t>(0xd800 + (rest >> 10)));
        units.push_back(static_cast<std::uint16_t>(0xdc00 + (rest & 0x3ff)));
      } else {
        units.push_back(static_cast<std::uint16_t>(codePoint));
      }
    }
    appendMarker(0x6, units.size());
    for (std::uint16_t unit : units) {
      appendBigEndian(unit, 2);
    }
  }

  void emit(const Object& object)
  {
    if (object.key) {
      appendString(*object.key);
      return;
    }
    const PlistValue& value = *object.value;
    switch (value.type()) {
    case PlistValue::Type::Null:
      break;  // refused while collecting
    case PlistValue::Type::Bool:
      out_.push_back(*value.asBool() ? 0x09 : 0x08);
      break;
    case PlistValue::Type::Integer: {
      // Negative values take the eight-byte form, which readers take as signed.
      const std::int64_t number = *value.asInteger();
      const std::size_t bytes = number < 0 ? 8 : byteCount(static_cast<std::uint64_t>(number));
      out_.push_back(static_cast<std::uint8_t>(0x10 | sizeExponent(bytes)));
      appendBigEndian(static_cast<std::uint64_t>(number), bytes);
      break;
    }
    case PlistValue::Type::Real:
      appendDouble(0x23, *value.asReal());
      break;
    case PlistValue::Type::Date: {
      // libplist 2.2 hands dates over with 32-bit seconds: keep them within that range.
      constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
      constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
      double seconds = *value.asDate();
      if (!std::isfinite(seconds)) {
        seconds = std::isnan(seconds) ? 0.0 : (seconds > 0 ? kHighest : kLowest);
      }
      seconds = std::clamp(seconds, kLowest, kHighest);
      const double whole = std::floor(seconds);
      appendDouble(0x33, whole + std::min(999999.0, std::round((seconds - whole) * 1e6)) / 1e6);
      break;
    }
    case PlistValue::Type::Data: {
      const auto& bytes = *value.asData();
      appendMarker(0x4, bytes.size());
      out_.insert(out_.end(), bytes.begin(), bytes.end());
      break;
    }
    case PlistValue::Type::String:
      appendString(*value.asString());
      break;
    case PlistValue::Type::Uid: {
      const std::uint64_t uid = *value.asUid();
      const std::size_t bytes = byteCount(uid);
      out_.push_back(static_cast<std::uint8_t>(0x80 | (bytes - 1)));
      appendBigEndian(uid, bytes);
      break;
    }
    case PlistValue::Type::Array:
    case PlistValue::Type::Dictionary: {
      const bool dictionary = value.isDictionary();
      appendMarker(dictionary ? 0xd : 0xa, dictionary ? object.children.size() / 2 : object.children.size());
      for (std::uint64_t child : object.children) {
        appendBigEndian(child, refSize_);
      }
      break;
    }
    }
  }

  std::vector<Object> objects_;
  std::unordered_map<const void*, std::uint64_t> written_;  // shared storage -> its object
  std::vector<std::uint8_t> out_;
  std::size_t refSize_ = 1;
};

}  // namespace

std::optional<PlistValue> readBinaryPropertyList(std::span<const std::uint8_t> bytes, std::string& error)
{
  BinaryCheck check(bytes);
  if (!check.run()) {
    error = "binary property list is malformed: " + check.error;
    return std::nullopt;
  }
  // Read directly from the checked bytes: libplist 2.2 takes several microseconds per object
  // to build its own tree, and finds an array's items by walking the list from its start.
  std::optional<PlistValue> value = check.read();
  if (!value) {
    error = "binary property list is malformed: " + check.error;
  }
  return value;
}

std::optional<std::vector<std::uint8_t>> writeBinaryPropertyList(const PlistValue& value)
{
  BinaryWriter writer;
  if (!writer.write(value)) {
    log("Error, binary property list could not be written: %@", writer.error);
    return std::nullopt;
  }
  return writer.take();
}

}  // namespace pf::plist_detail
