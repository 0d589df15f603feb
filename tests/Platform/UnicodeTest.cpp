#include "Platform/Unicode.h"

#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(UnicodeWhiteSpace, SpaceSeparatorsLineBreaksAndControls)
{
  for (char32_t c : {U' ', U'\t', U'\n', U'\v', U'\f', U'\r', U'\u0085', U'\u00A0', U'\u2002', U'\u2028', U'\u2029',
                     U'\u3000', U'\u202F'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_TRUE(pf::isWhiteSpaceOrNewline(c));
  }
  // Zero-width space is a format character, the others are ordinary characters or not characters.
  for (char32_t c : {U'a', U'0', U'\u0000', U'\u001F', U'\u200B', U'\uFEFF', U'\u00B0', char32_t{0x110000}}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_FALSE(pf::isWhiteSpaceOrNewline(c));
  }
}

TEST(UnicodeWhiteSpace, TrimsAndRemovesWholeCharacters)
{
  struct Case {
    std::string text;
    std::string trimmed;
    std::string removed;
  };
  const Case cases[] = {
      {"", "", ""},
      {" \t\n", "", ""},
      {"  a b  ", "a b", "ab"},
      {"\u00A0x\u2028", "x", "x"},
      {"\u3000\u00E9 \u00E9\u3000", "\u00E9 \u00E9", "\u00E9\u00E9"},
      {"a\xFF b", "a\xFF b", "a\xFF" "b"},  // an ill-formed byte is kept where it stands
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(pf::trimmingWhiteSpaceAndNewlines(c.text), c.trimmed);
    EXPECT_EQ(pf::removingWhiteSpaceAndNewlines(c.text), c.removed);
  }
}

TEST(UnicodeLowercase, FullMappingIndependentOfLocale)
{
  EXPECT_EQ(pf::lowercased(""), "");
  EXPECT_EQ(pf::lowercased("PI*Sin(30)"), "pi*sin(30)");
  EXPECT_EQ(pf::lowercased("\u00C9T\u00C9 \u03A0"), "\u00E9t\u00E9 \u03C0");
  EXPECT_EQ(pf::lowercased("\u0130"), "i\u0307");  // one character becomes two
  EXPECT_EQ(pf::lowercased("\u03A3A\u03A3"), "\u03C3a\u03C2");  // final sigma
  EXPECT_EQ(pf::lowercased("A\xC3"), "a\uFFFD");  // a cut-off sequence reads as U+FFFD
}

TEST(UnicodeUTF8, ValidatesWellFormedness)
{
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {std::string("a\0b", 3), true},
      {"\u00E9\u20AC\U0001F600", true},
      {"\xC3", false},              // cut off
      {"\xC0\xAF", false},          // overlong "/"
      {"\xED\xA0\x80", false},      // surrogate U+D800
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\x80", false},              // lone continuation byte
      {"\xEF\xBF\xBD", true},       // U+FFFD itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(pf::isValidUTF8(c.bytes), c.valid);
  }
}

TEST(UnicodeUTF8, DecodesAndEncodesCodePoints)
{
  const std::string text = "a\u00E9\xFF\U0001F600";
  size_t offset = 0;
  EXPECT_EQ(pf::nextCodePoint(text, offset), U'a');
  EXPECT_EQ(pf::nextCodePoint(text, offset), U'\u00E9');
  EXPECT_EQ(pf::nextCodePoint(text, offset), pf::kReplacementCharacter);
  EXPECT_EQ(pf::nextCodePoint(text, offset), U'\U0001F600');
  EXPECT_EQ(offset, text.size());

  std::string encoded;
  for (char32_t c : {U'a', U'\u00E9', U'\u20AC', U'\U0001F600', char32_t{0xD800}, char32_t{0x110000}}) {
    pf::appendCodePoint(encoded, c);
  }
  EXPECT_EQ(encoded, "a\u00E9\u20AC\U0001F600\uFFFD\uFFFD");
}

TEST(UnicodeCompare, IgnoresCaseButNotLetters)
{
  // Whatever the test environment's locale, letters of one case never sort apart from the other
  // case (the C locale's own collation would put every capital first). The words avoid "i",
  // which Turkish rightly does not pair with "I".
  EXPECT_EQ(pf::compareCaseInsensitive("Column", "cOLUMN"), 0);
  EXPECT_EQ(pf::compareCaseInsensitive("", ""), 0);
  EXPECT_LT(pf::compareCaseInsensitive("a", "B"), 0);
  EXPECT_GT(pf::compareCaseInsensitive("b", "A"), 0);
  EXPECT_LT(pf::compareCaseInsensitive("", "a"), 0);
  EXPECT_LT(pf::compareCaseInsensitive("12 * Column", "12 * row"), 0);
  EXPECT_NE(pf::compareCaseInsensitive("e", "\u00E9"), 0);  // accents still count
  EXPECT_EQ(pf::compareCaseInsensitive("\u00C9t\u00E9", "\u00E9T\u00C9"), 0);
  EXPECT_EQ(pf::compareCaseInsensitive("\xFF", "\xFF"), 0);
}

TEST(UnicodeCompare, UsableFromSeveralThreads)
{
  int results[4] = {1, 1, 1, 1};
  std::thread threads[4];
  for (int i = 0; i < 4; ++i) {
    threads[i] = std::thread([&results, i] {
      for (int n = 0; n < 200; ++n) {
        results[i] = pf::compareCaseInsensitive("Layer count", "layer COUNT");
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int result : results) {
    EXPECT_EQ(result, 0);
  }
}

}  // namespace
