#include "Platform/PlistXml.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include <pugixml.hpp>

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

class XmlReader {
public:
  std::optional<PlistValue> read(const pugi::xml_node& element, int depth)
  {
    if (depth > kMaxPlistDepth) {
      return fail("nesting deeper than " + std::to_string(kMaxPlistDepth) + " levels");
    }
    const std::string_view name = element.name();
    if (name == "dict") {
      return readDictionary(element, depth);
    }
    if (name == "array") {
      if (!isBlank(element.value())) {
        return fail("text between array elements");
      }
      PlistValue::Array array;
      for (pugi::xml_node child = element.first_child(); child; child = dropAndNext(element, child)) {
        if (!isElement(child)) {
          if (!isBlankText(child)) {
            return fail("text between array elements");
          }
          continue;
        }
        auto value = read(child, depth + 1);
        if (!value) {
          return std::nullopt;
        }
        array.push_back(std::move(*value));
      }
      return PlistValue(std::move(array));
    }
    if (name == "true" || name == "false") {
      return PlistValue(name == "true");
    }
    auto text = textOf(element);
    if (!text) {
      return std::nullopt;
    }
    if (name == "string") {
      return PlistValue(std::move(*text));
    }
    if (name == "integer") {
      auto value = parseInteger(*text);
      if (!value) {
        return fail("bad integer '" + *text + "'");
      }
      return PlistValue(static_cast<long long>(*value));
    }
    if (name == "real") {
      auto value = parseReal(*text);
      if (!value) {
        return fail("bad real '" + *text + "'");
      }
      return PlistValue(*value);
    }
    if (name == "date") {
      auto value = parseDate(*text);
      if (!value) {
        return fail("bad date '" + *text + "'");
      }
      return PlistValue::date(*value);
    }
    if (name == "data") {
      auto bytes = decodeBase64(*text);
      if (!bytes) {
        return fail("bad base64 data");
      }
      return PlistValue::data(std::move(*bytes));
    }
    return fail("unknown element <" + std::string(name) + ">");
  }

  static std::optional<std::int64_t> parseInteger(std::string_view text)
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

  static std::optional<double> parseReal(std::string_view text)
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

  std::string error;

private:
  static bool isElement(const pugi::xml_node& node) { return node.type() == pugi::node_element; }

  // The child after `child`, with `child` (read by now) taken out of the tree: pugixml hands a
  // page of nodes back to the heap once all of its nodes are gone, so the tree shrinks while
  // the values grow instead of both being held whole.
  static pugi::xml_node dropAndNext(pugi::xml_node parent, pugi::xml_node child)
  {
    const pugi::xml_node next = child.next_sibling();
    parent.remove_child(child);
    return next;
  }

  static bool isBlank(const char* text)
  {
    for (const char* c = text; *c != '\0'; ++c) {
      if (!isXmlBlank(*c)) {
        return false;
      }
    }
    return true;
  }

  static bool isBlankText(const pugi::xml_node& node)
  {
    if (node.type() != pugi::node_pcdata) {
      // Comments, processing instructions and declarations carry no value.
      return node.type() != pugi::node_cdata;
    }
    return isBlank(node.value());
  }

  // An element's text: its own value (the text before its first child, see kParseOptions),
  // then the text and CDATA children in order.
  std::optional<std::string> textOf(const pugi::xml_node& element)
  {
    std::string text = element.value();
    for (const auto& child : element.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        text += child.value();
      } else if (isElement(child)) {
        fail("element inside <" + std::string(element.name()) + ">");
        return std::nullopt;
      }
    }
    // pugixml passes the bytes through unchecked.
    return wellFormedUTF8(text);
  }

  std::optional<PlistValue> readDictionary(const pugi::xml_node& element, int depth)
  {
    if (!isBlank(element.value())) {
      return fail("text between dictionary entries");
    }
    PlistValue::Dictionary dictionary;
    std::optional<std::string> pendingKey;
    for (pugi::xml_node child = element.first_child(); child; child = dropAndNext(element, child)) {
      if (!isElement(child)) {
        if (!isBlankText(child)) {
          return fail("text between dictionary entries");
        }
        continue;
      }
      if (!pendingKey) {
        if (std::string_view(child.name()) != "key") {
          return fail("dictionary value <" + std::string(child.name()) + "> without a key");
        }
        pendingKey = textOf(child);
        if (!pendingKey) {
          return std::nullopt;
        }
        continue;
      }
      auto value = read(child, depth + 1);
      if (!value) {
        return std::nullopt;
      }
      dictionary.set(*pendingKey, std::move(*value));
      pendingKey.reset();
    }
    if (pendingKey) {
      return fail("dictionary key '" + *pendingKey + "' without a value");
    }
    // A keyed archive's object reference: {CF$UID = n} with an integer.
    if (dictionary.size() == 1) {
      if (const auto* uid = dictionary.find("CF$UID"); uid && uid->isInteger() && *uid->asInteger() >= 0) {
        return PlistValue::uid(static_cast<std::uint64_t>(*uid->asInteger()));
      }
    }
    return PlistValue(std::move(dictionary));
  }

  std::nullopt_t fail(const std::string& reason)
  {
    if (error.empty()) {
      error = reason;
    }
    return std::nullopt;
  }
};

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

namespace {

// Whitespace-only text is kept so that a string of blanks survives; blanks between container
// elements are skipped by the reader. Text that comes first in an element is kept as the
// element's value instead of a child node of its own: every key, string and number then takes
// one node instead of two (a tree of 100,000 shape nodes is about 6 bytes per byte read).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_embed_pcdata;

// The value of a parsed document; the reader takes the document's tree apart as it goes.
std::optional<PlistValue> readDocument(pugi::xml_document& document, const pugi::xml_parse_result& result,
                                       std::string& error)
{
  if (!result) {
    error = "property list XML could not be parsed: " + std::string(result.description()) + " at offset " +
            std::to_string(result.offset);
    return std::nullopt;
  }
  pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) == "plist") {
    pugi::xml_node only;
    for (const auto& child : root.children()) {
      if (child.type() == pugi::node_element) {
        if (only) {
          error = "property list XML has more than one top-level value";
          return std::nullopt;
        }
        only = child;
      }
    }
    if (!only) {
      error = "property list XML has no value";
      return std::nullopt;
    }
    root = only;
  }
  XmlReader reader;
  auto value = reader.read(root, 0);
  if (!value) {
    error = "property list XML is malformed: " + reader.error;
  }
  return value;
}

}  // namespace

std::optional<PlistValue> readXmlPropertyList(std::string_view text, std::string& error)
{
  pugi::xml_document document;
  const auto result = document.load_buffer(text.data(), text.size(), kParseOptions);
  return readDocument(document, result, error);
}

std::optional<PlistValue> readXmlPropertyListInPlace(std::span<char> text, std::string& error)
{
  pugi::xml_document document;
  const auto result = document.load_buffer_inplace(text.data(), text.size(), kParseOptions);
  return readDocument(document, result, error);
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
