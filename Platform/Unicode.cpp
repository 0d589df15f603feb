#include "Platform/Unicode.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/utf8.h>

#include "Platform/Log.h"

namespace pf {

namespace {

bool isAscii(std::string_view text)
{
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The text with every ill-formed sequence replaced by U+FFFD, for the ICU calls that would
// otherwise pass ill-formed bytes through.
std::string wellFormed(std::string_view text)
{
  std::string result;
  result.reserve(text.size());
  size_t offset = 0;
  while (offset < text.size()) {
    appendCodePoint(result, nextCodePoint(text, offset));
  }
  return result;
}

struct CaseMapCloser {
  void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

struct CollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};

// One collator per thread: ICU collators are cheap to use but costly to open, and a thread of
// its own keeps the calls free of locks. nullptr when ICU could not open one (logged once per
// thread).
UCollator* threadCollator()
{
  thread_local std::unique_ptr<UCollator, CollatorCloser> collator;
  thread_local bool tried = false;
  if (!tried) {
    tried = true;
    // The C and POSIX locales map to ICU's "en_US_POSIX", whose collation orders all capitals
    // before all small letters at primary strength, which would defeat ignoring case: those
    // processes get the root collation instead.
    const std::string_view defaultLocale = uloc_getDefault();
    const char* locale = defaultLocale.starts_with("en_US_POSIX") ? "" : nullptr;
    UErrorCode status = U_ZERO_ERROR;
    collator.reset(ucol_open(locale, &status));
    if (U_FAILURE(status) || !collator) {
      log("Error, compareCaseInsensitive could not open a collator: %@", u_errorName(status));
      collator.reset();
    } else {
      ucol_setStrength(collator.get(), UCOL_SECONDARY);
    }
  }
  return collator.get();
}

int sign(int value)
{
  return (value > 0) - (value < 0);
}

}  // namespace

char32_t nextCodePoint(std::string_view text, size_t& offset)
{
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const size_t length = text.size();
  UChar32 codePoint = 0;
  U8_NEXT_OR_FFFD(bytes, offset, length, codePoint);
  return static_cast<char32_t>(codePoint);
}

void appendCodePoint(std::string& text, char32_t codePoint)
{
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    codePoint = kReplacementCharacter;
  }
  if (codePoint < 0x80) {
    text.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

std::string wellFormedUTF8(std::string_view bytes)
{
  return isValidUTF8(bytes) ? std::string(bytes) : wellFormed(bytes);
}

bool isXmlCharacter(char32_t codePoint)
{
  return codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD || (codePoint >= 0x20 && codePoint <= 0xD7FF) ||
         (codePoint >= 0xE000 && codePoint <= 0xFFFD) || (codePoint >= 0x10000 && codePoint <= 0x10FFFF);
}

bool isXmlText(std::string_view bytes)
{
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t length = bytes.size();
  size_t offset = 0;
  while (offset < length) {
    if (data[offset] >= 0x20 && data[offset] < 0x80) {
      ++offset;  // the common case, without the decoder
      continue;
    }
    UChar32 codePoint = 0;
    U8_NEXT(data, offset, length, codePoint);
    if (codePoint < 0 || !isXmlCharacter(static_cast<char32_t>(codePoint))) {
      return false;
    }
  }
  return true;
}

std::string xmlSafeText(std::string_view bytes)
{
  if (isXmlText(bytes)) {
    return std::string(bytes);
  }
  std::string result;
  result.reserve(bytes.size());
  size_t offset = 0;
  while (offset < bytes.size()) {
    const char32_t codePoint = nextCodePoint(bytes, offset);
    appendCodePoint(result, isXmlCharacter(codePoint) ? codePoint : kReplacementCharacter);
  }
  return result;
}

bool isValidUTF8(std::string_view bytes)
{
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t length = bytes.size();
  size_t offset = 0;
  while (offset < length) {
    UChar32 codePoint = 0;
    U8_NEXT(data, offset, length, codePoint);
    if (codePoint < 0) {
      return false;
    }
  }
  return true;
}

bool isWhiteSpaceOrNewline(char32_t codePoint)
{
  if (codePoint > 0x10FFFF) {
    return false;
  }
  if (codePoint < 0x80) {
    return codePoint == ' ' || (codePoint >= 0x09 && codePoint <= 0x0D);
  }
  if (codePoint == 0x85) {
    return true;
  }
  const auto type = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(codePoint)));
  return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

std::string trimmingWhiteSpaceAndNewlines(std::string_view text)
{
  size_t start = 0;
  size_t offset = 0;
  size_t end = 0;  // one past the last character that is kept
  bool seenKept = false;
  while (offset < text.size()) {
    const size_t characterStart = offset;
    const char32_t codePoint = nextCodePoint(text, offset);
    if (!isWhiteSpaceOrNewline(codePoint)) {
      if (!seenKept) {
        start = characterStart;
        seenKept = true;
      }
      end = offset;
    }
  }
  return seenKept ? std::string(text.substr(start, end - start)) : std::string();
}

std::string removingWhiteSpaceAndNewlines(std::string_view text)
{
  std::string result;
  result.reserve(text.size());
  size_t offset = 0;
  while (offset < text.size()) {
    const size_t characterStart = offset;
    const char32_t codePoint = nextCodePoint(text, offset);
    if (!isWhiteSpaceOrNewline(codePoint)) {
      // Copy the bytes as they stand: an ill-formed sequence is kept, not replaced.
      result.append(text.substr(characterStart, offset - characterStart));
    }
  }
  return result;
}

std::string lowercased(std::string_view text)
{
  if (isAscii(text)) {
    // ASCII letters are the only cased characters here, and their mapping is the plain one.
    std::string result(text);
    for (char& c : result) {
      if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    return result;
  }
  const std::string source = isValidUTF8(text) ? std::string(text) : wellFormed(text);
  if (source.size() > INT32_MAX / 3) {
    log("Error, lowercased: text of %lu bytes is too long", static_cast<unsigned long>(source.size()));
    return source;
  }
  thread_local std::unique_ptr<UCaseMap, CaseMapCloser> caseMap;
  if (!caseMap) {
    UErrorCode status = U_ZERO_ERROR;
    caseMap.reset(ucasemap_open("", U_FOLD_CASE_DEFAULT, &status));
    if (U_FAILURE(status) || !caseMap) {
      log("Error, lowercased could not open a case map: %@", u_errorName(status));
      caseMap.reset();
      return source;
    }
  }
  // Full lower-casing grows UTF-8 text by at most a factor of 3 (U+0130 is 2 bytes, becomes 3).
  std::string result(source.size() * 3 + 4, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucasemap_utf8ToLower(caseMap.get(), result.data(), static_cast<int32_t>(result.size()),
                                              source.data(), static_cast<int32_t>(source.size()), &status);
  if (U_FAILURE(status)) {
    log("Error, lowercased failed: %@", u_errorName(status));
    return source;
  }
  result.resize(static_cast<size_t>(length));
  return result;
}

int compareCaseInsensitive(std::string_view a, std::string_view b)
{
  UCollator* collator = threadCollator();
  if (collator != nullptr && a.size() <= INT32_MAX && b.size() <= INT32_MAX) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                     static_cast<int32_t>(b.size()), &status);
    if (U_SUCCESS(status)) {
      return static_cast<int>(result);
    }
    log("Error, compareCaseInsensitive failed: %@", u_errorName(status));
  }
  // Without a collator: code point order of the lower-cased texts.
  return sign(lowercased(a).compare(lowercased(b)));
}

}  // namespace pf
