#include "Platform/PlistXml.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "Platform/Base64.h"
#include "Platform/Log.h"
#include "Platform/Numbers.h"
#include "Platform/Unicode.h"

namespace pf::plist_detail {

namespace {

constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBase64LineLength = 76;

bool isXmlBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text)
{
  while (!text.empty() && isXmlBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isXmlBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) {
      return false;
    }
  }
  return true;
}

// ---- Calendar (proleptic Gregorian, UTC) ----

// Days from 1970-01-01 to the given civil date.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

CivilDate civilFromDays(std::int64_t days)
{
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Seconds since the reference date from "YYYY-MM-DDTHH:MM:SSZ" (fractional seconds allowed).
std::optional<double> parseDate(std::string_view text)
{
  text = trimmed(text);
  int values[6] = {};
  const char separators[6] = {'-', '-', 'T', ':', ':', '\0'};
  const char* cursor = text.data();
  const char* end = text.data() + text.size();
  bool negativeYear = false;
  if (cursor < end && *cursor == '-') {
    negativeYear = true;
    ++cursor;
  }
  for (int i = 0; i < 6; ++i) {
    const auto result = std::from_chars(cursor, end, values[i]);
    if (result.ec != std::errc() || result.ptr == cursor) {
      return std::nullopt;
    }
    cursor = result.ptr;
    if (separators[i] != '\0') {
      if (cursor >= end || *cursor != separators[i]) {
        return std::nullopt;
      }
      ++cursor;
    }
  }
  double fraction = 0.0;
  if (cursor < end && *cursor == '.') {
    const char* digits = cursor;
    ++cursor;
    while (cursor < end && *cursor >= '0' && *cursor <= '9') {
      ++cursor;
    }
    // digits starts at the point: "0" and ".25" read as a plain number.
    std::string fractionText = "0";
    fractionText.append(digits, cursor);
    if (!parseDouble(fractionText, fraction)) {
      return std::nullopt;
    }
  }
  if (cursor < end && *cursor == 'Z') {
    ++cursor;
  }
  if (cursor != end) {
    return std::nullopt;
  }
  const int month = values[1];
  const int day = values[2];
  if (month < 1 || month > 12 || day < 1 || day > 31 || values[3] < 0 || values[3] > 24 || values[4] < 0 ||
      values[4] > 59 || values[5] < 0 || values[5] > 60) {
    return std::nullopt;
  }
  const std::int64_t year = negativeYear ? -static_cast<std::int64_t>(values[0]) : values[0];
  const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  const double unixSeconds = static_cast<double>(days) * 86400.0 + values[3] * 3600.0 + values[4] * 60.0 +
                             values[5] + fraction;
  return unixSeconds - PlistValue::kReferenceDateUnixTime;
}

// Whole seconds, as the original platform's XML writer stores dates.
std::string formatDate(double secondsSinceReferenceDate)
{
  double unixSeconds = std::floor(secondsSinceReferenceDate + PlistValue::kReferenceDateUnixTime);
  // Keep the year within four digits either way; the XML form has no room for more.
  constexpr double kLowest = -62135596800.0;  // 0001-01-01
  constexpr double kHighest = 253402300799.0; // 9999-12-31 23:59:59
  if (!(unixSeconds >= kLowest)) {
    unixSeconds = kLowest;
  }
  if (unixSeconds > kHighest) {
    unixSeconds = kHighest;
  }
  const auto total = static_cast<std::int64_t>(unixSeconds);
  std::int64_t days = total / 86400;
  std::int64_t rest = total % 86400;
  if (rest < 0) {
    rest += 86400;
    days -= 1;
  }
  const CivilDate date = civilFromDays(days);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(date.year),
                date.month, date.day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return buffer;
}

// ---- Base64 ----

std::optional<PlistValue::Data> decodeBase64(std::string_view text)
{
  std::array<int, 256> table{};
  table.fill(-1);
  for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i) {
    table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<int>(i);
  }
  PlistValue::Data bytes;
  bytes.reserve(text.size() / 4 * 3);
  std::uint32_t accumulator = 0;
  int bits = 0;
  bool padding = false;
  for (char c : text) {
    if (isXmlBlank(c)) {
      continue;
    }
    if (c == '=') {
      padding = true;
      continue;
    }
    const int digit = table[static_cast<unsigned char>(c)];
    if (digit < 0 || padding) {
      return std::nullopt;
    }
    accumulator = (accumulator << 6) | static_cast<std::uint32_t>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<std::uint8_t>((accumulator >> bits) & 0xff));
    }
  }
  return bytes;
}

void appendBase64(const PlistValue::Data& bytes, const std::string& indent, std::string& out)
{
  out += base64Encoded(bytes, kBase64LineLength, indent);
}

// ---- Reading ----
//
// One pass over the text: a scanner checks the XML and reports elements and text to a builder,
// which makes each value as its element closes. No tree of the document is built, so reading a
// document holds its values and the path of elements open at the moment, and a file is read in
// chunks instead of whole. The scanner keeps the rules of the DOM reader used before it (pugixml
// with whitespace text kept): the same documents are refused, for the same reasons. Numeric
// character references become UTF-8 as that reader wrote them, one to U+0000 ends its text run,
// and unknown entity references stay as they are written. Text that follows a NUL byte is not
// read: the document ends there.

std::optional<std::int64_t> parseInteger(std::string_view text)
{
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  // Values beyond the signed 64-bit range saturate.
  constexpr auto top = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (result.ec == std::errc::result_out_of_range || magnitude > top + (negative ? 1 : 0)) {
    return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  }
  if (negative) {
    return magnitude == top + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
  }
  return static_cast<std::int64_t>(magnitude);
}

std::optional<double> parseReal(std::string_view text)
{
  text = trimmed(text);
  if (equalsIgnoringCase(text, "nan") || equalsIgnoringCase(text, "+nan") || equalsIgnoringCase(text, "-nan")) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  for (std::string_view name : {"inf", "+inf", "infinity", "+infinity"}) {
    if (equalsIgnoringCase(text, name)) {
      return std::numeric_limits<double>::infinity();
    }
  }
  for (std::string_view name : {"-inf", "-infinity"}) {
    if (equalsIgnoringCase(text, name)) {
      return -std::numeric_limits<double>::infinity();
    }
  }
  double value = 0.0;
  if (!parseDouble(text, value)) {
    return std::nullopt;
  }
  return value;
}

// ---- Encodings ----

// The bytes of code point `c` in the UTF-8 pattern, for any 32-bit value: values past U+10FFFF
// and surrogates give ill-formed bytes, which the text checks later turn into U+FFFD.
void appendUtf8(std::uint32_t c, std::string& out)
{
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

enum class TextEncoding { Utf8, Utf16BigEndian, Utf16LittleEndian, Utf32BigEndian, Utf32LittleEndian, Latin1 };

// Letters, '_', ':' and every byte of a multi-byte character start a name.
constexpr bool isNameStart(unsigned char c)
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

constexpr bool isNameChar(unsigned char c)
{
  return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Whether the XML declaration at the start of `bytes` names Latin-1 as the encoding.
bool declaresLatin1(std::string_view bytes)
{
  if (bytes.size() < 6 || bytes.substr(0, 5) != "<?xml" || !isXmlBlank(bytes[5])) {
    return false;
  }
  for (std::size_t i = 6; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == '?') {
      return false;
    }
    if (bytes[i] != 'e' || bytes[i + 1] != 'n') {
      continue;
    }
    // The version comes before the encoding and cannot hold "en": this is the encoding.
    std::size_t at = i;
    if (bytes.substr(at, 8) != "encoding") {
      return false;
    }
    at += 8;
    while (at < bytes.size() && isXmlBlank(bytes[at])) {
      ++at;
    }
    if (at >= bytes.size() || bytes[at] != '=') {
      return false;
    }
    ++at;
    while (at < bytes.size() && isXmlBlank(bytes[at])) {
      ++at;
    }
    const char quote = at < bytes.size() && bytes[at] == '"' ? '"' : '\'';
    if (at >= bytes.size() || bytes[at] != quote) {
      return false;
    }
    const std::size_t start = ++at;
    while (at < bytes.size() && isNameChar(static_cast<unsigned char>(bytes[at]))) {
      ++at;
    }
    if (at >= bytes.size() || bytes[at] != quote) {
      return false;
    }
    const std::string_view name = bytes.substr(start, at - start);
    return equalsIgnoringCase(name, "iso-8859-1") || equalsIgnoringCase(name, "latin1");
  }
  return false;
}

// The encoding from the byte-order mark, from how "<" or "<?" is spelt, or from the
// declaration; UTF-8 otherwise.
TextEncoding guessEncoding(std::string_view bytes)
{
  if (bytes.size() < 4) {
    return TextEncoding::Utf8;
  }
  const auto d0 = static_cast<unsigned char>(bytes[0]);
  const auto d1 = static_cast<unsigned char>(bytes[1]);
  const auto d2 = static_cast<unsigned char>(bytes[2]);
  const auto d3 = static_cast<unsigned char>(bytes[3]);
  if ((d0 == 0 && d1 == 0 && d2 == 0xFE && d3 == 0xFF) || (d0 == 0 && d1 == 0 && d2 == 0 && d3 == '<')) {
    return TextEncoding::Utf32BigEndian;
  }
  if ((d0 == 0xFF && d1 == 0xFE && d2 == 0 && d3 == 0) || (d0 == '<' && d1 == 0 && d2 == 0 && d3 == 0)) {
    return TextEncoding::Utf32LittleEndian;
  }
  if ((d0 == 0xFE && d1 == 0xFF) || (d0 == 0 && d1 == '<')) {
    return TextEncoding::Utf16BigEndian;
  }
  if ((d0 == 0xFF && d1 == 0xFE) || (d0 == '<' && d1 == 0)) {
    return TextEncoding::Utf16LittleEndian;
  }
  if (declaresLatin1(bytes)) {
    return TextEncoding::Latin1;
  }
  return TextEncoding::Utf8;
}

// `bytes` in `encoding`, as UTF-8. Unpaired UTF-16 surrogates are left out; an odd last byte
// of UTF-16 or a partial last unit of UTF-32 is ignored.
std::string toUtf8(std::string_view bytes, TextEncoding encoding)
{
  std::string out;
  const auto byte = [&bytes](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
  switch (encoding) {
  case TextEncoding::Utf8:
    out.assign(bytes);
    break;
  case TextEncoding::Latin1:
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      appendUtf8(byte(i), out);
    }
    break;
  case TextEncoding::Utf16BigEndian:
  case TextEncoding::Utf16LittleEndian: {
    const bool big = encoding == TextEncoding::Utf16BigEndian;
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) {
      return big ? (byte(2 * i) << 8) | byte(2 * i + 1) : byte(2 * i) | (byte(2 * i + 1) << 8);
    };
    out.reserve(units);
    for (std::size_t i = 0; i < units;) {
      const std::uint32_t lead = unit(i);
      if (lead < 0xD800 || lead >= 0xE000) {
        appendUtf8(lead, out);
        ++i;
      } else if (lead < 0xDC00 && i + 1 < units && unit(i + 1) - 0xDC00 < 0x400) {
        appendUtf8(0x10000 + ((lead & 0x3FF) << 10) + (unit(i + 1) & 0x3FF), out);
        i += 2;
      } else {
        ++i;
      }
    }
    break;
  }
  case TextEncoding::Utf32BigEndian:
  case TextEncoding::Utf32LittleEndian: {
    const bool big = encoding == TextEncoding::Utf32BigEndian;
    out.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      appendUtf8(big ? (byte(i) << 24) | (byte(i + 1) << 16) | (byte(i + 2) << 8) | byte(i + 3)
                     : byte(i) | (byte(i + 1) << 8) | (byte(i + 2) << 16) | (byte(i + 3) << 24),
                 out);
    }
    break;
  }
  }
  return out;
}

// ---- Input ----

// The text being read: all of it at once, or read in chunks by a reader. peek() answers '\0'
// past the end, so a NUL byte ends the text as the end does.
class XmlInput {
public:
  explicit XmlInput(std::string_view text) : start_(text.data()), cursor_(text.data()), end_(text.data() + text.size())
  {
  }

  explicit XmlInput(const XmlChunkReader& read) : read_(&read), buffer_(kChunkBytes)
  {
    start_ = cursor_ = end_ = buffer_.data();
    fill(1);
  }

  char peek(std::size_t ahead = 0) { return ahead < static_cast<std::size_t>(end_ - cursor_) ? cursor_[ahead] : refill(ahead); }
  // Steps over bytes already peeked.
  void advance(std::size_t count = 1) { cursor_ += count; }
  // The bytes at hand from the cursor on; empty only at the end.
  std::string_view run()
  {
    if (cursor_ == end_) {
      refill(0);
    }
    return {cursor_, static_cast<std::size_t>(end_ - cursor_)};
  }
  std::size_t offset() const { return consumed_ + static_cast<std::size_t>(cursor_ - start_); }
  // Whether every byte has been read.
  bool atEnd() { return peek() == '\0' && cursor_ == end_; }

  // Everything not read yet (for text that must be converted as a whole).
  std::string rest()
  {
    std::string text(cursor_, end_);
    cursor_ = end_;
    while (read_ != nullptr && !ended_) {
      const std::size_t size = text.size();
      text.resize(size + kChunkBytes);
      const std::ptrdiff_t count = (*read_)(text.data() + size, kChunkBytes);
      text.resize(size + static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
      finishIf(count);
    }
    return text;
  }

private:
  static constexpr std::size_t kChunkBytes = 64 * 1024;

  char refill(std::size_t ahead)
  {
    if (read_ != nullptr && !ended_) {
      fill(ahead + 1);
      if (ahead < static_cast<std::size_t>(end_ - cursor_)) {
        return cursor_[ahead];
      }
    }
    return '\0';
  }

  // Keeps the unread bytes at the front of the buffer and reads until `wanted` are at hand or
  // the text ends.
  void fill(std::size_t wanted)
  {
    const auto unread = static_cast<std::size_t>(end_ - cursor_);
    consumed_ += static_cast<std::size_t>(cursor_ - start_);
    std::memmove(buffer_.data(), cursor_, unread);
    start_ = cursor_ = buffer_.data();
    end_ = cursor_ + unread;
    while (!ended_ && static_cast<std::size_t>(end_ - cursor_) < wanted) {
      char* const free = buffer_.data() + (end_ - buffer_.data());
      const std::ptrdiff_t count = (*read_)(free, buffer_.size() - static_cast<std::size_t>(end_ - buffer_.data()));
      if (count > 0) {
        end_ += count;
      }
      finishIf(count);
    }
  }

  // A failed read ends the text as its end does; the reader's owner tells the two apart.
  void finishIf(std::ptrdiff_t count)
  {
    if (count <= 0) {
      ended_ = true;
    }
  }

  const XmlChunkReader* read_ = nullptr;
  std::vector<char> buffer_;
  const char* start_ = nullptr;
  const char* cursor_ = nullptr;
  const char* end_ = nullptr;
  std::size_t consumed_ = 0;  // bytes dropped from the buffer's front
  bool ended_ = false;
};

// ---- Values ----

// Makes the values from what the scanner reports. The first element of the document is the
// value, or holds it when it is <plist>. After a fault in a value nothing more is built; the
// structure of <plist> is still followed, as its faults are reported first.
class PlistBuilder {
public:
  void start(std::string_view name)
  {
    ++open_;
    if (skipping_) {
      return;
    }
    if (open_ == 1) {
      if (seenRoot_) {
        skip();  // only the first element of a document is read
      } else if (seenRoot_ = true; name == "plist") {
        frames_.emplace_back(Kind::Plist, 0);
        plistLevel_ = 1;
      } else {
        beginValue(name, 0);
      }
      return;
    }
    Frame& top = frames_.back();
    switch (top.kind) {
    case Kind::Plist:
      if (++top.children > 1) {
        if (structureError_.empty()) {
          structureError_ = "property list XML has more than one top-level value";
        }
        skip();
      } else {
        beginValue(name, 0);
      }
      return;
    case Kind::Array:
      beginValue(name, top.depth + 1);
      return;
    case Kind::Dictionary:
      if (top.key) {
        beginValue(name, top.depth + 1);
      } else if (name == "key") {
        frames_.emplace_back(Kind::Key, top.depth, "key");
      } else {
        fail("dictionary value <" + std::string(name) + "> without a key");
      }
      return;
    case Kind::Key:
    case Kind::Text:
      fail("element inside <" + top.name + ">");
      return;
    }
  }

  void end()
  {
    --open_;
    if (skipping_) {
      skipping_ = open_ > resumeAt_;
      return;
    }
    Frame& top = frames_.back();
    switch (top.kind) {
    case Kind::Plist:
      if (top.children == 0 && structureError_.empty()) {
        structureError_ = "property list XML has no value";
      }
      frames_.pop_back();
      return;
    case Kind::Array: {
      top.array.shrink_to_fit();
      PlistValue value(std::move(top.array));
      frames_.pop_back();
      deliver(std::move(value));
      return;
    }
    case Kind::Dictionary: {
      if (top.key) {
        fail("dictionary key '" + *top.key + "' without a value");
        return;
      }
      // A keyed archive's object reference: {CF$UID = n} with an integer.
      if (top.dictionary.size() == 1) {
        if (const auto* uid = top.dictionary.find("CF$UID"); uid && uid->isInteger() && *uid->asInteger() >= 0) {
          const auto number = static_cast<std::uint64_t>(*uid->asInteger());
          frames_.pop_back();
          deliver(PlistValue::uid(number));
          return;
        }
      }
      top.dictionary.shrinkToFit();
      PlistValue value(std::move(top.dictionary));
      frames_.pop_back();
      deliver(std::move(value));
      return;
    }
    case Kind::Key: {
      makeWellFormed(top.text);
      std::string key = std::move(top.text);
      frames_.pop_back();
      frames_.back().key = std::move(key);
      return;
    }
    case Kind::Text: {
      makeWellFormed(top.text);
      std::optional<PlistValue> value = scalar(top.name, std::move(top.text));
      if (value) {
        frames_.pop_back();
        deliver(std::move(*value));
      }
      return;
    }
    }
  }

  void text(std::string_view text, bool cdata)
  {
    if (skipping_ || frames_.empty()) {
      return;
    }
    Frame& top = frames_.back();
    switch (top.kind) {
    case Kind::Plist:
      return;
    case Kind::Array:
    case Kind::Dictionary:
      if (cdata || !trimmed(text).empty()) {
        fail(top.kind == Kind::Array ? "text between array elements" : "text between dictionary entries");
      }
      return;
    case Kind::Key:
    case Kind::Text:
      if (top.text.empty()) {
        top.text = std::string(text);  // sized to the text, where appending would leave room
      } else {
        top.text += text;
      }
      return;
    }
  }

  // The value of a document scanned without an XML fault; nullopt with `error` set otherwise.
  std::optional<PlistValue> finish(std::string& error)
  {
    if (!structureError_.empty()) {
      error = structureError_;
    } else if (!valueError_.empty()) {
      error = "property list XML is malformed: " + valueError_;
    } else if (!result_) {
      error = "property list XML has no value";
    }
    return error.empty() ? std::move(result_) : std::nullopt;
  }

private:
  enum class Kind { Plist, Array, Dictionary, Key, Text };

  // An element being read: a container and its contents so far, or the text of a key or value.
  struct Frame {
    Frame(Kind frameKind, int valueDepth, std::string_view elementName = {})
        : kind(frameKind), depth(valueDepth), name(elementName)
    {
    }

    Kind kind;
    int depth;  // of the value, counted from the top-level value
    std::string name;
    PlistValue::Array array{};
    PlistValue::Dictionary dictionary{};
    std::optional<std::string> key{};
    std::string text{};
    int children = 0;  // elements inside <plist>
  };

  void beginValue(std::string_view name, int depth)
  {
    if (depth > kMaxPlistDepth) {
      fail("nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels");
    } else if (name == "dict") {
      frames_.emplace_back(Kind::Dictionary, depth);
    } else if (name == "array") {
      frames_.emplace_back(Kind::Array, depth);
    } else if (name == "true" || name == "false") {
      // Whatever such an element holds is not looked at.
      deliver(PlistValue(name == "true"));
      skip();
    } else {
      // An unknown element is refused once its text has been read, as a fault inside it counts first.
      frames_.emplace_back(Kind::Text, depth, name);
    }
  }

  std::optional<PlistValue> scalar(const std::string& name, std::string text)
  {
    if (name == "string") {
      return PlistValue(std::move(text));
    }
    if (name == "integer") {
      if (const auto value = parseInteger(text)) {
        return PlistValue(static_cast<long long>(*value));
      }
      return fail("bad integer '" + text + "'");
    }
    if (name == "real") {
      if (const auto value = parseReal(text)) {
        return PlistValue(*value);
      }
      return fail("bad real '" + text + "'");
    }
    if (name == "date") {
      if (const auto value = parseDate(text)) {
        return PlistValue::date(*value);
      }
      return fail("bad date '" + text + "'");
    }
    if (name == "data") {
      auto bytes = decodeBase64(text);
      if (!bytes) {
        return fail("bad base64 data");
      }
      bytes->shrink_to_fit();
      return PlistValue::data(std::move(*bytes));
    }
    return fail("unknown element <" + name + ">");
  }

  // A finished value goes to the element that holds it.
  void deliver(PlistValue value)
  {
    if (frames_.empty()) {
      result_ = std::move(value);
      return;
    }
    Frame& parent = frames_.back();
    switch (parent.kind) {
    case Kind::Plist:
      result_ = std::move(value);
      return;
    case Kind::Array:
      parent.array.push_back(std::move(value));
      return;
    case Kind::Dictionary:
      parent.dictionary.set(*parent.key, std::move(value));
      parent.key.reset();
      return;
    case Kind::Key:
    case Kind::Text:
      return;
    }
  }

  static void makeWellFormed(std::string& text)
  {
    if (!isValidUTF8(text)) {
      text = wellFormedUTF8(text);
    }
  }

  // Ignores the element just opened, with everything in it.
  void skip()
  {
    resumeAt_ = open_ - 1;
    skipping_ = true;
  }

  // Keeps the first fault, drops what was built and reads on only for <plist>'s structure.
  std::nullopt_t fail(std::string reason)
  {
    if (valueError_.empty()) {
      valueError_ = std::move(reason);
    }
    while (!frames_.empty() && frames_.back().kind != Kind::Plist) {
      frames_.pop_back();
    }
    result_.reset();
    resumeAt_ = plistLevel_;
    skipping_ = open_ > resumeAt_;
    return std::nullopt;
  }

  std::vector<Frame> frames_;
  std::optional<PlistValue> result_;
  std::string valueError_;
  std::string structureError_;
  int open_ = 0;        // elements open in the document
  int plistLevel_ = 0;  // 1 inside a top-level <plist>
  int resumeAt_ = 0;    // while skipping: the open elements at which reading resumes
  bool skipping_ = false;
  bool seenRoot_ = false;
};

// ---- Scanner ----

// Checks the XML and tells the builder about elements and text. Declarations, processing
// instructions, comments and the document type are stepped over; attributes are checked and
// ignored; text outside the top element is ignored.
class XmlScanner {
public:
  XmlScanner(XmlInput& input, PlistBuilder& builder) : in_(input), builder_(builder) {}

  // False for text that is not well-formed XML; `error` then says why and where.
  bool scan()
  {
    if (in_.peek(0) == '\xEF' && in_.peek(1) == '\xBB' && in_.peek(2) == '\xBF') {
      in_.advance(3);
    }
    for (char c = in_.peek(); c != '\0'; c = in_.peek()) {
      if (c == '<') {
        in_.advance();
        if (!tag()) {
          return false;
        }
        textBeforeTag_ = false;
      } else if (names_.empty()) {
        while (in_.peek() != '\0' && in_.peek() != '<') {
          in_.advance();
        }
      } else {
        characterData();
        textBeforeTag_ = true;
      }
    }
    if (!names_.empty()) {
      return fail("Start-end tags mismatch");
    }
    if (!sawElement_) {
      return fail("No document element found", in_.offset());
    }
    return true;
  }

  std::string error;

private:
  // Faults found at the end of the text are placed on its last byte.
  bool fail(const char* reason, std::optional<std::size_t> at = std::nullopt)
  {
    std::size_t offset = at.value_or(in_.offset());
    if (!at && offset > 0 && in_.atEnd()) {
      --offset;
    }
    error = std::string(reason) + " at offset " + std::to_string(offset);
    return false;
  }

  void skipSpaces()
  {
    while (isXmlBlank(in_.peek())) {
      in_.advance();
    }
  }

  // Steps over `word` when the text goes on with it; false (at the first byte that differs)
  // otherwise.
  bool take(std::string_view word)
  {
    for (char c : word) {
      if (in_.peek() != c) {
        return false;
      }
      in_.advance();
    }
    return true;
  }

  // Steps up to and over `terminator`; false when the text ends first.
  bool skipPast(std::string_view terminator)
  {
    for (;;) {
      const char c = in_.peek();
      if (c == '\0') {
        return false;
      }
      if (c == terminator[0]) {
        std::size_t matched = 1;
        while (matched < terminator.size() && in_.peek(matched) == terminator[matched]) {
          ++matched;
        }
        if (matched == terminator.size()) {
          in_.advance(matched);
          return true;
        }
      }
      in_.advance();
    }
  }

  // After '<'.
  bool tag()
  {
    const char c = in_.peek();
    if (isNameStart(static_cast<unsigned char>(c))) {
      return startTag();
    }
    if (c == '/') {
      in_.advance();
      return endTag();
    }
    if (c == '?') {
      in_.advance();
      return processingInstruction();
    }
    if (c == '!') {
      in_.advance();
      return exclamation();
    }
    // A '<' that ends the text after text in an element leaves that element unclosed.
    return fail(c == '\0' && textBeforeTag_ ? "Start-end tags mismatch" : "Could not determine tag type");
  }

  bool startTag()
  {
    std::string name;
    while (isNameChar(static_cast<unsigned char>(in_.peek()))) {
      name += in_.peek();
      in_.advance();
    }
    char c = in_.peek();
    if (c == '>') {
      in_.advance();
      open(std::move(name));
      return true;
    }
    if (c == '/') {
      in_.advance();
      if (in_.peek() != '>') {
        return fail("Error parsing start element tag");
      }
      in_.advance();
      open(std::move(name));
      close();
      return true;
    }
    if (!isXmlBlank(c)) {
      return fail("Error parsing start element tag");
    }
    for (;;) {
      skipSpaces();
      c = in_.peek();
      if (isNameStart(static_cast<unsigned char>(c))) {
        if (!attribute()) {
          return false;
        }
      } else if (c == '/') {
        in_.advance();
        if (in_.peek() != '>') {
          return fail("Error parsing start element tag");
        }
        in_.advance();
        open(std::move(name));
        close();
        return true;
      } else if (c == '>') {
        in_.advance();
        open(std::move(name));
        return true;
      } else {
        return fail("Error parsing start element tag");
      }
    }
  }

  // name = "value" or name = 'value', followed by a space, '/' or '>'.
  bool attribute()
  {
    while (isNameChar(static_cast<unsigned char>(in_.peek()))) {
      in_.advance();
    }
    skipSpaces();
    if (in_.peek() != '=') {
      return fail("Error parsing element attribute");
    }
    in_.advance();
    skipSpaces();
    const char quote = in_.peek();
    if (quote != '"' && quote != '\'') {
      return fail("Error parsing element attribute");
    }
    in_.advance();
    for (char c = in_.peek(); c != quote; c = in_.peek()) {
      if (c == '\0') {
        return fail("Error parsing element attribute");
      }
      in_.advance();
    }
    in_.advance();
    if (isNameStart(static_cast<unsigned char>(in_.peek()))) {
      return fail("Error parsing element attribute");
    }
    return true;
  }

  // After "</".
  bool endTag()
  {
    if (names_.empty()) {
      return fail("Start-end tags mismatch");
    }
    const std::string& name = names_.back();
    const std::size_t nameOffset = in_.offset();
    std::size_t matched = 0;
    for (char c = in_.peek(); isNameChar(static_cast<unsigned char>(c)); c = in_.peek()) {
      if (matched >= name.size() || c != name[matched]) {
        return fail("Start-end tags mismatch", nameOffset);
      }
      ++matched;
      in_.advance();
    }
    if (matched != name.size()) {
      return fail("Start-end tags mismatch", nameOffset);
    }
    skipSpaces();
    if (in_.peek() != '>') {
      return fail("Error parsing end element tag");
    }
    in_.advance();
    close();
    return true;
  }

  // After "<?": a declaration or processing instruction, skipped.
  bool processingInstruction()
  {
    if (!isNameStart(static_cast<unsigned char>(in_.peek()))) {
      return fail("Error parsing document declaration/processing instruction");
    }
    while (isNameChar(static_cast<unsigned char>(in_.peek()))) {
      in_.advance();
    }
    if (in_.peek() == '\0' || !skipPast("?>")) {
      return fail("Error parsing document declaration/processing instruction");
    }
    return true;
  }

  // After "<!": a comment, CDATA section or document type.
  bool exclamation()
  {
    const char c = in_.peek();
    if (c == '-') {
      if (!take("--") || !skipPast("-->")) {
        return fail("Error parsing comment");
      }
      return true;
    }
    if (c == '[') {
      if (!take("[CDATA[")) {
        return fail("Error parsing CDATA section");
      }
      return cdata();
    }
    if (c == 'D') {
      const std::size_t tagOffset = in_.offset() - 2;
      if (!take("DOCTYPE")) {
        return fail("Could not determine tag type");
      }
      if (!names_.empty()) {
        return fail("Error parsing document type declaration", tagOffset);
      }
      return documentType();
    }
    return fail("Could not determine tag type");
  }

  // After "<![CDATA[": its text up to "]]>", line ends made line feeds.
  bool cdata()
  {
    text_.clear();
    const std::size_t start = in_.offset();
    for (;;) {
      const char c = in_.peek();
      if (c == '\0') {
        return fail("Error parsing CDATA section", start);
      }
      if (c == ']' && in_.peek(1) == ']' && in_.peek(2) == '>') {
        in_.advance(3);
        break;
      }
      in_.advance();
      if (c == '\r') {
        text_ += '\n';
        if (in_.peek() == '\n') {
          in_.advance();
        }
      } else {
        text_ += c;
      }
    }
    if (!names_.empty()) {
      builder_.text(text_, true);
    }
    return true;
  }

  // After "<!DOCTYPE": up to its closing '>', stepping over groups, quoted strings, comments,
  // processing instructions and ignored sections.
  bool documentType()
  {
    std::size_t depth = 0;
    for (char c = in_.peek(); c != '\0'; c = in_.peek()) {
      if (c == '<' && in_.peek(1) == '!' && in_.peek(2) != '-') {
        if (in_.peek(2) == '[') {
          if (!ignoredSection()) {
            return false;
          }
        } else {
          in_.advance(2);
          ++depth;
        }
      } else if (c == '<' || c == '"' || c == '\'') {
        if (!documentTypePart()) {
          return false;
        }
      } else if (c == '>') {
        in_.advance();
        if (depth == 0) {
          return true;
        }
        --depth;
      } else {
        in_.advance();
      }
    }
    return fail("Error parsing document type declaration");
  }

  bool documentTypePart()
  {
    const char c = in_.peek();
    bool closed = false;
    if (c == '"' || c == '\'') {
      in_.advance();
      closed = skipPast(std::string_view(&c, 1));
    } else if (in_.peek(1) == '?') {
      in_.advance(2);
      closed = skipPast("?>");
    } else if (in_.peek(1) == '!' && in_.peek(2) == '-' && in_.peek(3) == '-') {
      in_.advance(4);
      closed = skipPast("-->");
    }
    return closed || fail("Error parsing document type declaration");
  }

  bool ignoredSection()
  {
    in_.advance(3);
    std::size_t depth = 0;
    for (char c = in_.peek(); c != '\0'; c = in_.peek()) {
      if (c == '<' && in_.peek(1) == '!' && in_.peek(2) == '[') {
        in_.advance(3);
        ++depth;
      } else if (c == ']' && in_.peek(1) == ']' && in_.peek(2) == '>') {
        in_.advance(3);
        if (depth == 0) {
          return true;
        }
        --depth;
      } else {
        in_.advance();
      }
    }
    return fail("Error parsing document type declaration");
  }

  // Text inside an element, up to the next '<' or the end: line ends made line feeds and
  // references replaced.
  void characterData()
  {
    text_.clear();
    bool ended = false;  // a reference to U+0000 ends the text
    for (;;) {
      const std::string_view run = in_.run();
      std::size_t length = 0;
      while (length < run.size() && run[length] != '<' && run[length] != '&' && run[length] != '\r' &&
             run[length] != '\0') {
        ++length;
      }
      if (!ended) {
        text_.append(run.data(), length);
      }
      in_.advance(length);
      const char c = in_.peek();
      if (c == '<' || c == '\0') {
        break;
      }
      if (c == '\r') {
        in_.advance();
        if (in_.peek() == '\n') {
          in_.advance();
        }
        if (!ended) {
          text_ += '\n';
        }
      } else if (c == '&') {
        const std::size_t before = text_.size();
        reference();
        if (ended) {
          text_.resize(before);
        } else if (const std::size_t nul = text_.find('\0', before); nul != std::string::npos) {
          text_.resize(nul);
          ended = true;
        }
      }
    }
    builder_.text(text_, false);
  }

  // At '&': a character or entity reference. One that is not understood stays as written: its
  // bytes are copied up to the first one that does not fit, and reading goes on from there.
  void reference()
  {
    in_.advance();
    const char first = in_.peek();
    if (first == '#') {
      in_.advance();
      std::string written = "&#";
      const bool hex = in_.peek() == 'x';
      if (hex) {
        in_.advance();
        written += 'x';
      }
      std::uint32_t code = 0;
      bool digits = false;
      for (char c = in_.peek();; c = in_.peek()) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= '0' && u <= '9') {
          code = code * (hex ? 16 : 10) + (u - '0');
        } else if (hex && (u | 0x20) >= 'a' && (u | 0x20) <= 'f') {
          code = code * 16 + ((u | 0x20) - 'a' + 10);
        } else if (c == ';' && digits) {
          in_.advance();
          appendUtf8(code, text_);
          return;
        } else {
          text_ += written;  // not a reference: kept as written
          return;
        }
        digits = true;
        written += c;
        in_.advance();
      }
    }
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"amp;", '&'}, {"apos;", '\''}, {"gt;", '>'}, {"lt;", '<'}, {"quot;", '"'}};
    // Entities are told apart by their first two letters; the rest must follow exactly.
    for (const auto& [name, replacement] : kEntities) {
      if (first != name[0] || (name[0] == 'a' && in_.peek(1) != name[1])) {
        continue;
      }
      std::size_t matched = 0;
      while (matched < name.size() && in_.peek(matched) == name[matched]) {
        ++matched;
      }
      if (matched == name.size()) {
        in_.advance(matched);
        text_ += replacement;
      } else {
        text_ += '&';
        text_.append(name.substr(0, matched));
        in_.advance(matched);
      }
      return;
    }
    text_ += '&';
  }

  void open(std::string name)
  {
    sawElement_ = true;
    builder_.start(name);
    names_.push_back(std::move(name));
  }

  void close()
  {
    builder_.end();
    names_.pop_back();
  }

  XmlInput& in_;
  PlistBuilder& builder_;
  std::vector<std::string> names_;  // of the open elements
  std::string text_;
  bool sawElement_ = false;
  bool textBeforeTag_ = false;  // the '<' being read follows text in an element
};

std::optional<PlistValue> readFrom(XmlInput& input, std::string& error)
{
  PlistBuilder builder;
  XmlScanner scanner(input, builder);
  if (!scanner.scan()) {
    error = "property list XML could not be parsed: " + scanner.error;
    return std::nullopt;
  }
  return builder.finish(error);
}

// ---- Writing ----

void appendEscaped(std::string_view text, std::string& out)
{
  for (char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '\r':
      // A bare carriage return would be turned into a line feed by any XML reader.
      out += "&#13;";
      break;
    default:
      out += c;
    }
  }
}

std::string realText(double value)
{
  if (std::isnan(value)) {
    return "nan";
  }
  if (std::isinf(value)) {
    return value > 0 ? "+infinity" : "-infinity";
  }
  return formatShortest(value);
}

class XmlWriter {
public:
  bool write(const PlistValue& value, int depth, std::string& out)
  {
    if (depth > kMaxPlistDepth) {
      error = "nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels";
      return false;
    }
    const std::string indent(static_cast<std::size_t>(depth), '\t');
    switch (value.type()) {
    case PlistValue::Type::Null:
      error = "a null value has no property-list form";
      return false;
    case PlistValue::Type::Bool:
      out += indent + (*value.asBool() ? "<true/>\n" : "<false/>\n");
      return true;
    case PlistValue::Type::Integer:
      out += indent + "<integer>" + std::to_string(*value.asInteger()) + "</integer>\n";
      return true;
    case PlistValue::Type::Real:
      out += indent + "<real>" + realText(*value.asReal()) + "</real>\n";
      return true;
    case PlistValue::Type::String:
      if (!isXmlText(*value.asString())) {
        return unexpressible();
      }
      out += indent + "<string>";
      appendEscaped(*value.asString(), out);
      out += "</string>\n";
      return true;
    case PlistValue::Type::Date:
      out += indent + "<date>" + formatDate(*value.asDate()) + "</date>\n";
      return true;
    case PlistValue::Type::Data:
      if (value.asData()->empty()) {
        out += indent + "<data>\n" + indent + "</data>\n";
      } else {
        out += indent + "<data>\n";
        appendBase64(*value.asData(), indent, out);
        out += indent + "</data>\n";
      }
      return true;
    case PlistValue::Type::Uid:
      out += indent + "<dict>\n" + indent + "\t<key>CF$UID</key>\n" + indent + "\t<integer>" +
             std::to_string(*value.asUid()) + "</integer>\n" + indent + "</dict>\n";
      return true;
    case PlistValue::Type::Array: {
      const auto& array = *value.asArray();
      if (array.empty()) {
        out += indent + "<array/>\n";
        return true;
      }
      out += indent + "<array>\n";
      for (const auto& element : array) {
        if (element.isNull()) {
          log("Warning, property list writer left out a null array element");
          continue;
        }
        if (!write(element, depth + 1, out)) {
          return false;
        }
      }
      out += indent + "</array>\n";
      return true;
    }
    case PlistValue::Type::Dictionary: {
      const auto& dictionary = *value.asDictionary();
      if (dictionary.empty()) {
        out += indent + "<dict/>\n";
        return true;
      }
      out += indent + "<dict>\n";
      for (const auto& entry : dictionary) {
        if (entry.value.isNull()) {
          log("Warning, property list writer left out the null value of key %@", entry.key);
          continue;
        }
        if (!isXmlText(entry.key)) {
          return unexpressible();
        }
        out += indent + "\t<key>";
        appendEscaped(entry.key, out);
        out += "</key>\n";
        if (!write(entry.value, depth + 1, out)) {
          return false;
        }
      }
      out += indent + "</dict>\n";
      return true;
    }
    }
    return false;
  }

  std::string error;
  bool hasUnexpressibleText = false;

private:
  bool unexpressible()
  {
    error = "a string holds characters XML cannot express";
    hasUnexpressibleText = true;
    return false;
  }
};

}  // namespace

std::optional<PlistValue> readXmlPropertyList(std::string_view text, std::string& error)
{
  if (const TextEncoding encoding = guessEncoding(text); encoding != TextEncoding::Utf8) {
    const std::string converted = toUtf8(text, encoding);
    XmlInput input(converted);
    return readFrom(input, error);
  }
  XmlInput input(text);
  return readFrom(input, error);
}

std::optional<PlistValue> readXmlPropertyListInChunks(const XmlChunkReader& read, std::string& error)
{
  XmlInput input(read);
  // The encoding shows in the first bytes; text in another encoding than UTF-8 is converted whole.
  constexpr std::size_t kEncodingBytes = 256;
  (void)input.peek(kEncodingBytes - 1);
  const std::string_view first = input.run();
  if (const TextEncoding encoding = guessEncoding(first); encoding != TextEncoding::Utf8) {
    const std::string converted = toUtf8(input.rest(), encoding);
    XmlInput whole(converted);
    return readFrom(whole, error);
  }
  return readFrom(input, error);
}

std::optional<std::string> writeXmlPropertyList(const PlistValue& value, bool* unexpressibleText)
{
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  XmlWriter writer;
  if (!writer.write(value, 0, out)) {
    if (unexpressibleText && writer.hasUnexpressibleText) {
      *unexpressibleText = true;
      return std::nullopt;
    }
    log("Error, property list XML could not be written: %@", writer.error);
    return std::nullopt;
  }
  out += "</plist>\n";
  return out;
}

}  // namespace pf::plist_detail
