#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pf {

// Unicode services over UTF-8 text, backed by ICU. Text that is not valid UTF-8 is read with
// every ill-formed sequence standing for U+FFFD, so these never fail towards the caller.

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// Decodes the code point that starts at `offset` and moves `offset` past it. An ill-formed
// sequence reads as U+FFFD and is skipped as one maximal ill-formed part. `offset` must be
// below text.size().
char32_t nextCodePoint(std::string_view text, size_t& offset);
// Appends the UTF-8 form of `codePoint`; a surrogate or a value above U+10FFFF appends U+FFFD.
void appendCodePoint(std::string& text, char32_t codePoint);

// True when every byte sequence is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF). An empty text is valid.
[[nodiscard]] bool isValidUTF8(std::string_view bytes);

// The text with every ill-formed sequence replaced by U+FFFD (each maximal ill-formed part
// once); valid text comes back unchanged. Readers pass every string they hand on through this.
std::string wellFormedUTF8(std::string_view bytes);

// The characters an XML 1.0 document can hold: tab, line feed, carriage return, U+0020 to
// U+D7FF, U+E000 to U+FFFD and U+10000 to U+10FFFF. Anything else has no XML form at all,
// not even as a character reference.
[[nodiscard]] bool isXmlCharacter(char32_t codePoint);
// True when the text is valid UTF-8 made only of XML characters.
[[nodiscard]] bool isXmlText(std::string_view bytes);
// The text made fit for XML: ill-formed sequences and characters XML cannot hold each become
// U+FFFD. Valid XML text comes back unchanged.
std::string xmlSafeText(std::string_view bytes);

// White space and line breaks: the space separators (Zs, which includes U+00A0), the line and
// paragraph separators (Zl, Zp), the controls U+0009 to U+000D and U+0085.
[[nodiscard]] bool isWhiteSpaceOrNewline(char32_t codePoint);
// The text without leading and trailing white space and line breaks.
std::string trimmingWhiteSpaceAndNewlines(std::string_view text);
// The text with every white-space and line-break character removed, wherever it stands.
std::string removingWhiteSpaceAndNewlines(std::string_view text);

// Full Unicode lower-case mapping, independent of the locale (one character may become
// several: U+0130 becomes "i" followed by U+0307).
std::string lowercased(std::string_view text);

// Compares two texts as the user's language sorts them, ignoring case (collation at secondary
// strength, so accents still count). Negative when `a` sorts first, 0 when they are equal,
// positive when `b` sorts first. The collator follows the process's default locale, read once
// per thread. Safe to call from any thread.
[[nodiscard]] int compareCaseInsensitive(std::string_view a, std::string_view b);

}  // namespace pf
