#include "Platform/PropertyList.h"

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "Support/DamagedBytes.h"
#include "Support/LogCapture.h"
#include "Support/StrictXml.h"

#include "Platform/Log.h"
#include "Platform/PlistXml.h"
#include "Platform/Unicode.h"

namespace {

using pf::PlistValue;

using testsupport::QuietLog;

std::vector<std::uint8_t> bytesOf(std::string_view text)
{
  return {text.begin(), text.end()};
}

// Every kind, with the values that break naive readers and writers.
PlistValue sampleValue()
{
  PlistValue::Data large(3 * 1024 * 1024 + 7);
  std::mt19937 generator(42);
  for (auto& byte : large) {
    byte = static_cast<std::uint8_t>(generator());
  }
  PlistValue value;
  value.set("Version", "3.0.0");
  value.set("negative", -42);
  value.set("lowest", std::numeric_limits<long long>::min());
  value.set("highest", std::numeric_limits<long long>::max());
  value.set("integral real", 2.0);
  value.set("tenth", 0.1);
  value.set("negative zero", -0.0);
  value.set("tiny", 4.9406564584124654e-324);
  value.set("nan", std::numeric_limits<double>::quiet_NaN());
  value.set("inf", std::numeric_limits<double>::infinity());
  value.set("minus inf", -std::numeric_limits<double>::infinity());
  value.set("yes", true);
  value.set("no", false);
  value.set("Größe → 大きさ", "naïve <&> \"quoted\" 'apostrophe' 😀");
  value.set("blanks", "  \t\n  ");
  value.set("carriage\rreturn", "line\r\nbreaks\r");
  value.set("empty string", "");
  value.set("empty array", PlistValue::emptyArray());
  value.set("empty dictionary", PlistValue::emptyDictionary());
  value.set("empty data", PlistValue::data(PlistValue::Data{}));
  value.set("large data", PlistValue::data(std::move(large)));
  value.set("date", PlistValue::date(-3600.0 * 24 * 365));
  value.set("uid", PlistValue::uid(12));
  PlistValue nested;
  nested.append(PlistValue::emptyDictionary());
  nested.append(PlistValue(PlistValue::Array{1, "two", 3.5}));
  value.set("nested", nested);
  // Order carries through even when it is not sorted.
  for (const char* key : {"z", "a", "m"}) {
    value.set(key, key);
  }
  return value;
}

// Runs the body in the "C" locale and again in a comma-decimal locale when one is installed.
template <typename Body>
void inBothLocales(Body body)
{
  body();
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      SCOPED_TRACE(name);
      body();
      break;
    }
  }
  std::setlocale(LC_ALL, "C");
}

TEST(PropertyList, RoundTripsEveryKindInBothForms)
{
  const PlistValue original = sampleValue();
  inBothLocales([&] {
    const auto xml = pf::xmlPropertyList(original);
    ASSERT_TRUE(xml);
    EXPECT_EQ(testsupport::xmlWellFormednessError(*xml), "");
    const auto fromXml = pf::readPropertyList(*xml);
    ASSERT_TRUE(fromXml);
    EXPECT_EQ(*fromXml, original);
    EXPECT_TRUE(std::signbit(*fromXml->find("negative zero")->asReal()));

    const auto binary = pf::binaryPropertyList(original);
    ASSERT_TRUE(binary);
    const auto fromBinary = pf::readPropertyList(std::span<const std::uint8_t>(*binary));
    ASSERT_TRUE(fromBinary);
    EXPECT_EQ(*fromBinary, original);
  });
}

TEST(PropertyList, ExactRealsSurviveXml)
{
  std::mt19937_64 generator(7);
  PlistValue::Array reals;
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t bits = generator();
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    reals.push_back(value);
  }
  const PlistValue original(std::move(reals));
  const auto back = pf::readPropertyList(*pf::xmlPropertyList(original));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, original);
}

TEST(PropertyList, XmlUsesThePlatformSpellings)
{
  PlistValue value;
  value.set("real", 2.0);
  value.set("nan", std::numeric_limits<double>::quiet_NaN());
  value.set("inf", -std::numeric_limits<double>::infinity());
  value.set("uid", PlistValue::uid(3));
  value.set("date", PlistValue::date(0.75));
  const std::string xml = *pf::xmlPropertyList(value);
  EXPECT_NE(xml.find("<real>2</real>"), std::string::npos);
  EXPECT_NE(xml.find("<real>nan</real>"), std::string::npos);
  EXPECT_NE(xml.find("<real>-infinity</real>"), std::string::npos);
  EXPECT_NE(xml.find("<key>CF$UID</key>\n\t\t<integer>3</integer>"), std::string::npos);
  EXPECT_NE(xml.find("<date>2001-01-01T00:00:00Z</date>"), std::string::npos);
}

TEST(PropertyList, ReadsXmlAsOtherWritersProduceIt)
{
  const std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\"><!-- comment --><dict>\n"
      "  <key>a&amp;b</key><string>&lt;&#233;&#x1F600;<![CDATA[<raw>]]></string>\n"
      "  <key>real</key><real> 0.10000000000000001 </real>\n"
      "  <key>exp</key><real>1E-5</real>\n"
      "  <key>inf</key><real>+infinity</real>\n"
      "  <key>int</key><integer>-0x10</integer>\n"
      "  <key>data</key><data>\n  AAEC\n  /w==\n  </data>\n"
      "  <key>date</key><date>2024-02-29T12:30:15Z</date>\n"
      "  <key>empty</key><string/>\n"
      "  <key>mixed</key><string> a<![CDATA[ <b> ]]>c<!-- d --> </string>\n"
      "  <key>cdata first</key><string><![CDATA[a]]> b</string>\n"
      "  <key>a&amp;b</key><true/>\n"
      "</dict></plist>\n";
  const auto value = pf::readPropertyList(text);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->size(), 10u);  // the repeated key replaced the first
  EXPECT_EQ(value->find("a&b")->asBool(), true);
  EXPECT_EQ(value->find("real")->asReal(), 0.1);
  EXPECT_EQ(value->find("exp")->asReal(), 1e-5);
  EXPECT_EQ(value->find("inf")->asReal(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(value->find("int")->asInteger(), -16);
  EXPECT_EQ(*value->find("data")->asData(), (PlistValue::Data{0, 1, 2, 255}));
  // 2024-02-29T12:30:15Z is Unix time 1709209815.
  EXPECT_EQ(value->find("date")->asDate(), 1709209815.0 - PlistValue::kReferenceDateUnixTime);
  EXPECT_EQ(value->find("empty")->stringOr("x"), "");
  // Text, CDATA and blanks around a comment join in document order.
  EXPECT_EQ(value->find("mixed")->stringOr(), " a <b> c ");
  EXPECT_EQ(value->find("cdata first")->stringOr(), "a b");

  const auto strings = pf::readPropertyList("<plist><array><string>&lt;&#233;&#x1F600;<![CDATA[<raw>]]></string></array></plist>");
  ASSERT_TRUE(strings);
  EXPECT_EQ(strings->at(0).stringOr(), "<é😀<raw>");

  const auto dates = pf::readPropertyList(
      "<plist><array><date>2001-01-01T00:00:01.5Z</date><date>1999-12-31T23:59:59Z</date></array></plist>");
  ASSERT_TRUE(dates);
  EXPECT_EQ(dates->at(0).asDate(), 1.5);
  EXPECT_EQ(dates->at(1).asDate(), -366 * 86400.0 - 1);  // 2000 was a leap year
}

TEST(PropertyList, RefusesMalformedInput)
{
  QuietLog quiet;
  const std::string cases[] = {
      "",
      "not a plist",
      "<plist><dict><key>a</key></dict></plist>",
      "<plist><dict><string>a</string></dict></plist>",
      "<plist><dict><key>a</key><string>b</string></plist>",
      "<plist><integer>12abc</integer></plist>",
      "<plist><real>1,5</real></plist>",
      "<plist><date>yesterday</date></plist>",
      "<plist><data>not base64!</data></plist>",
      "<plist><string>a<b/></string></plist>",
      "<plist><unknown/></plist>",
      "<plist><array>text<true/></array></plist>",
      "<plist><array><true/>text</array></plist>",
      "<plist><dict>text<key>a</key><true/></dict></plist>",
      "<plist><dict><key>a</key>text<true/></dict></plist>",
      "<plist><true/><false/></plist>",
      "<plist></plist>",
      "bplist00",
      "bplist00\xd0\x08\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x09",
  };
  for (const auto& text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(pf::readPropertyList(text));
  }
}

// What the XML reader accepts and refuses, and how: references it does not know stay as
// written, line ends become line feeds, other encodings are converted, attributes, the
// document type and whatever follows the top element are passed over, and each refusal says
// why and where.
TEST(PropertyList, XmlReadsAndRefusesAsDocumented)
{
  QuietLog quiet;
  std::string utf16LittleEndian = "\xff\xfe";
  std::string utf16BigEndian;
  for (char c : std::string_view("<plist><string>h\xc3\xa9</string></plist>")) {
    const auto unit = static_cast<unsigned char>(c);
    // The UTF-8 bytes of é become the one UTF-16 unit 0x00E9.
    if (unit == 0xc3) {
      continue;
    }
    const char low = unit == 0xa9 ? '\xe9' : c;
    utf16LittleEndian += low;
    utf16LittleEndian += '\0';
    utf16BigEndian += '\0';
    utf16BigEndian += low;
  }
  const struct {
    std::string text;
    PlistValue expected;
  } accepted[] = {
      {"<plist><string>a &nbsp; &amp b &#xZZ; &#65;&#x42;&#X43;</string></plist>", "a &nbsp; &amp b &#xZZ; AB&#X43;"},
      {"<plist><string>a\r\nb\rc<![CDATA[d\r\ne]]></string></plist>", "a\nb\ncd\ne"},
      // A reference to U+0000 ends its run of text.
      {"<plist><string>a&#0;b<![CDATA[c]]>d</string></plist>", "acd"},
      {utf16LittleEndian, "h\u00e9"},
      {utf16BigEndian, "h\u00e9"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><string>\xe9</string></plist>", "\u00e9"},
      {"<plist version=\"1.0\" x='y'><true   /></plist>", true},
      {"<plist><true><ignored/>text</true></plist>", true},
      {"<plist><false/></plist><more/>", false},
      {"<!DOCTYPE plist [<!ENTITY x 'y'> <!-- ] > --> ]><plist><string>&x;</string></plist>", "&x;"},
      {std::string("<plist><true/></plist>\0<", 24), true},
  };
  for (const auto& c : accepted) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_EQ(pf::readPropertyList(c.text, &error), c.expected) << error;
  }

  const struct {
    std::string text;
    std::string error;
  } refused[] = {
      {"<plist><string>a</string>", "could not be parsed: Start-end tags mismatch at offset 24"},
      {"<plist><true/></plist", "could not be parsed: Error parsing end element tag at offset 20"},
      {"<plist><a b=1/></plist>", "could not be parsed: Error parsing element attribute at offset 12"},
      {"<plist><!-- x </plist>", "could not be parsed: Error parsing comment at offset 21"},
      {"<plist><![CDATA[x</plist>", "could not be parsed: Error parsing CDATA section at offset 16"},
      {"<plist><?pi</plist>", "could not be parsed: Error parsing document declaration/processing instruction at offset 18"},
      {"<plist><string>a</strin></plist>", "could not be parsed: Start-end tags mismatch at offset 18"},
      {"<!DOCTYPE x [ <plist/>", "could not be parsed: Error parsing document type declaration at offset 14"},
      {"<plist><!DOCTYPE x></plist>", "could not be parsed: Error parsing document type declaration at offset 7"},
      {"<plist/><", "could not be parsed: Could not determine tag type at offset 8"},
      {"text", "could not be parsed: No document element found at offset 4"},
      {"<plist><array><string>a</string><unknown>x<b/></unknown></array></plist>", "is malformed: element inside <unknown>"},
      {"<plist><array><x/></array><true/></plist>", "has more than one top-level value"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(pf::readPropertyList(c.text, &error));
    EXPECT_EQ(error, "property list XML " + c.error);
  }
}

// Files are read in chunks as the reader goes: any cut of the text, even inside a reference, a
// line end or a terminator, gives what reading it whole gives, value or refusal.
TEST(PropertyList, XmlReadsTheSameInChunksOfAnySize)
{
  QuietLog quiet;
  PlistValue value;
  value.set("text", "a <b> & \"c\" \r\n d");
  value.set("list", PlistValue(PlistValue::Array{-1, 2.5, PlistValue::date(-1234.5), PlistValue::uid(4), false}));
  value.set("data", PlistValue::data(std::string_view("\x01\x02 some bytes")));
  const std::string saved = *pf::xmlPropertyList(value);
  const std::string texts[] = {
      saved,
      saved.substr(0, saved.size() / 2),
      "\xEF\xBB\xBF<!DOCTYPE plist [<!ENTITY x 'y'>]><plist><!-- c --><string>a&amp;b&#x1F600;&#0;x</string></plist>",
      "<plist><string>a\r\nb<![CDATA[c\r\n]]]]>&lt;</string></plist>",
      std::string("\xff\xfe<\0p\0l\0i\0s\0t\0/\0>\0", 18),
      "<plist><dict><key>a</key></dict></plist>",
      "<plist><string>a</strin></plist>",
  };
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    std::string wholeError;
    const auto whole = pf::plist_detail::readXmlPropertyList(text, wholeError);
    for (std::size_t chunk : {1, 2, 3, 7}) {
      std::size_t offset = 0;
      std::string error;
      const auto read = pf::plist_detail::readXmlPropertyListInChunks(
          [&](char* into, std::size_t capacity) {
            const std::size_t count = std::min({chunk, capacity, text.size() - offset});
            std::memcpy(into, text.data() + offset, count);
            offset += count;
            return static_cast<std::ptrdiff_t>(count);
          },
          error);
      EXPECT_EQ(read, whole) << chunk;
      EXPECT_EQ(error, wholeError) << chunk;
    }
  }
}

TEST(PropertyList, SurvivesDamagedBinaryData)
{
  QuietLog quiet;
  PlistValue small;
  small.set("list", PlistValue(PlistValue::Array{1, "two", 3.5, PlistValue::uid(4)}));
  small.set("Größe", PlistValue::data(std::string_view("\x01\x02")));
  small.set("nested", PlistValue(PlistValue::Array{PlistValue::emptyDictionary(), true}));
  const auto valid = *pf::binaryPropertyList(small);
  std::mt19937 generator(3);
  for (int round = 0; round < 3000; ++round) {
    const auto damaged = testsupport::damagedCopy(valid, generator);
    (void)pf::readPropertyList(std::span<const std::uint8_t>(damaged));
  }
}

TEST(PropertyList, SurvivesDamagedXml)
{
  QuietLog quiet;
  PlistValue small;
  small.set("list", PlistValue(PlistValue::Array{-1, "two & <three>", 3.5, PlistValue::uid(4)}));
  small.set("Größe", PlistValue::data(std::string_view("\x01\x02 some bytes")));
  small.set("when", PlistValue::date(-1234.5));
  small.set("nested", PlistValue(PlistValue::Array{PlistValue::emptyDictionary(), true}));
  const auto text = *pf::xmlPropertyList(small);
  const std::vector<std::uint8_t> valid(text.begin(), text.end());
  std::mt19937 generator(5);
  for (int round = 0; round < 2000; ++round) {
    const auto damaged = testsupport::damagedCopy(valid, generator);
    (void)pf::readPropertyList(std::span<const std::uint8_t>(damaged));
  }
}

// Builds a binary property list of arrays by hand: object i holds references to `children[i]`.
std::vector<std::uint8_t> binaryArrays(const std::vector<std::vector<std::uint32_t>>& children)
{
  std::vector<std::uint8_t> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::uint32_t> offsets;
  for (const auto& refs : children) {
    offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
    bytes.push_back(static_cast<std::uint8_t>(0xa0 | 0x0f));
    bytes.push_back(0x12);  // four-byte count
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<std::uint8_t>(refs.size() >> shift));
    }
    for (std::uint32_t ref : refs) {
      for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(ref >> shift));
      }
    }
  }
  const auto tableOffset = static_cast<std::uint64_t>(bytes.size());
  for (std::uint32_t offset : offsets) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<std::uint8_t>(offset >> shift));
    }
  }
  for (int i = 0; i < 6; ++i) {
    bytes.push_back(0);
  }
  bytes.push_back(4);  // offset size
  bytes.push_back(4);  // reference size
  for (std::uint64_t field : {static_cast<std::uint64_t>(children.size()), std::uint64_t{0}, tableOffset}) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<std::uint8_t>(field >> shift));
    }
  }
  return bytes;
}

TEST(PropertyList, BinaryStructureLimits)
{
  QuietLog quiet;
  // Sanity: a small shared sub-array is fine.
  EXPECT_TRUE(pf::readPropertyList(std::span<const std::uint8_t>(binaryArrays({{1, 1}, {}}))));

  // An array that contains itself.
  EXPECT_FALSE(pf::readPropertyList(std::span<const std::uint8_t>(binaryArrays({{0}}))));

  // Nesting far deeper than any document (libplist alone would exhaust the stack).
  std::vector<std::vector<std::uint32_t>> deep;
  for (std::uint32_t i = 0; i < 100000; ++i) {
    deep.push_back(i + 1 < 100000 ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
  }
  EXPECT_FALSE(pf::readPropertyList(std::span<const std::uint8_t>(binaryArrays(deep))));

  // Forty levels that each reference the next level twice expand to 2^40 copies.
  std::vector<std::vector<std::uint32_t>> lattice;
  for (std::uint32_t i = 0; i < 40; ++i) {
    lattice.push_back({i + 1, i + 1});
  }
  lattice.emplace_back();
  EXPECT_FALSE(pf::readPropertyList(std::span<const std::uint8_t>(binaryArrays(lattice))));
}

// A chain of `levels` arrays below the top, each holding the next; the top refers to every
// link from the bottom up, so that a walk of the file meets each link already finished.
std::vector<std::vector<std::uint32_t>> sharedChain(std::uint32_t levels)
{
  std::vector<std::vector<std::uint32_t>> objects(levels + 1);
  for (std::uint32_t link = levels; link >= 1; --link) {
    objects[0].push_back(link);
    if (link < levels) {
      objects[link].push_back(link + 1);
    }
  }
  return objects;
}

TEST(PropertyList, BinaryDepthCountsSharedObjectsExpanded)
{
  QuietLog quiet;
  const struct {
    std::uint32_t levels;
    bool accepted;
  } cases[] = {{512, true}, {513, false}, {23000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.levels);
    const auto bytes = binaryArrays(sharedChain(c.levels));
    EXPECT_EQ(pf::readPropertyList(std::span<const std::uint8_t>(bytes)).has_value(), c.accepted);
  }
}

// Twenty-three levels that each reference the next twice: 2^24 - 1 values once expanded, under
// the limit. Each object is read once and shared by its references, and writing the value back
// writes each shared one once, so that a file of a few hundred bytes neither takes gigabytes
// when read nor when saved again.
TEST(PropertyList, SharedBinaryObjectsStaySharedWhenReadAndWritten)
{
  std::vector<std::vector<std::uint32_t>> lattice;
  for (std::uint32_t i = 0; i < 23; ++i) {
    lattice.push_back({i + 1, i + 1});
  }
  lattice.emplace_back();
  const auto bytes = binaryArrays(lattice);
  const std::optional<pf::PlistValue> value = pf::readPropertyList(std::span<const std::uint8_t>(bytes));
  ASSERT_TRUE(value.has_value());
  const pf::PlistValue* level = &*value;
  for (int depth = 0; depth < 23; ++depth) {
    ASSERT_EQ(level->size(), 2u);
    ASSERT_NE(level->at(0).sharedStorage(), nullptr);
    EXPECT_EQ(level->at(0).sharedStorage(), level->at(1).sharedStorage());
    level = &level->at(0);
  }
  EXPECT_EQ(level->size(), 0u);

  const std::optional<std::vector<std::uint8_t>> written = pf::binaryPropertyList(*value);
  ASSERT_TRUE(written.has_value());
  EXPECT_LT(written->size(), 2 * bytes.size());
  const std::optional<pf::PlistValue> again = pf::readPropertyList(std::span<const std::uint8_t>(*written));
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->at(0).at(1).at(0).size(), 2u);

  // Copies of one value in several places of a new value are written once too.
  const pf::PlistValue shared(pf::PlistValue::Array{pf::PlistValue("one"), pf::PlistValue(2)});
  const std::optional<std::vector<std::uint8_t>> twice =
      pf::binaryPropertyList(pf::PlistValue(pf::PlistValue::Array{shared, shared}));
  ASSERT_TRUE(twice.has_value());
  const std::optional<pf::PlistValue> read = pf::readPropertyList(std::span<const std::uint8_t>(*twice));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, pf::PlistValue(pf::PlistValue::Array{shared, shared}));
  EXPECT_EQ(read->at(0).sharedStorage(), read->at(1).sharedStorage());
}

TEST(PropertyList, BinaryKeysWithNulAreRefused)
{
  QuietLog quiet;
  PlistValue dictionary;
  dictionary.set("kx", 1);
  dictionary.set("K\u00e4", 2);  // not ASCII: stored as UTF-16
  const auto valid = *pf::binaryPropertyList(dictionary);
  ASSERT_TRUE(pf::readPropertyList(std::span<const std::uint8_t>(valid)));
  const auto damaged = [&](std::vector<std::uint8_t> found, std::vector<std::uint8_t> replacement) {
    auto bytes = valid;
    const auto at = std::search(bytes.begin(), bytes.end(), found.begin(), found.end());
    EXPECT_NE(at, bytes.end());
    if (at != bytes.end()) {
      std::copy(replacement.begin(), replacement.end(), at);
    }
    return bytes;
  };
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"ASCII key", damaged({0x52, 'k', 'x'}, {0x52, 'k', 0})},
      {"UTF-16 key", damaged({0, 'K', 0, 0xe4}, {0, 'K', 0, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(pf::readPropertyList(std::span<const std::uint8_t>(c.bytes)));
  }
}

TEST(PropertyList, StringsReadAsValidUtf8)
{
  QuietLog quiet;
  // An ASCII-form string with a high byte, and a UTF-16 string with an unpaired surrogate.
  auto asciiForm = *pf::binaryPropertyList(PlistValue("aXb"));
  *std::find(asciiForm.begin(), asciiForm.end(), 'X') = 0xff;
  auto utf16Form = *pf::binaryPropertyList(PlistValue("a\u00e4"));
  const std::uint8_t umlaut[] = {0x00, 0xe4};
  auto at = std::search(utf16Form.begin(), utf16Form.end(), std::begin(umlaut), std::end(umlaut));
  ASSERT_NE(at, utf16Form.end());
  at[0] = 0xd8;
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string expected;
  } cases[] = {
      {"XML", bytesOf("<plist><dict><key>k\xc0</key><string>a\xff" "b\xed\xa0\x80</string></dict></plist>"), ""},
      {"binary ASCII form", asciiForm, "a\uFFFDb"},
      {"binary UTF-16 form", utf16Form, "a\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto value = pf::readPropertyList(std::span<const std::uint8_t>(c.bytes));
    ASSERT_TRUE(value);
    if (value->isDictionary()) {
      const auto& entry = *value->asDictionary()->begin();
      EXPECT_EQ(entry.key, "k\uFFFD");
      EXPECT_EQ(entry.value.stringOr(), "a\uFFFDb\uFFFD\uFFFD\uFFFD");
    } else if (!c.expected.empty()) {
      EXPECT_EQ(value->stringOr(), c.expected);
    }
    EXPECT_TRUE(pf::isValidUTF8(value->stringOr()));
  }
}

TEST(PropertyList, BinaryDatesReadAsWritten)
{
  // Before the epoch with a fraction of a second, and a fraction down to the microsecond.
  for (const double seconds : {-100.25, -0.5, -31536000.75, 1234.567891, 0.000001}) {
    SCOPED_TRACE(seconds);
    PlistValue value;
    value.set("date", PlistValue::date(seconds));
    const auto binary = pf::binaryPropertyList(value);
    ASSERT_TRUE(binary);
    const auto back = pf::readPropertyList(std::span<const std::uint8_t>(*binary));
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->find("date")->asDate());
    EXPECT_NEAR(*back->find("date")->asDate(), seconds, 1e-7);
  }
}

TEST(PropertyList, BinaryContainersOfEverySizeReadInOrder)
{
  // Arrays and dictionaries past the sizes where lookups by position get slow; shared
  // objects read once per reference.
  PlistValue::Array list;
  PlistValue::Dictionary table;
  const PlistValue shared(PlistValue::Array{1, "two"});
  for (int i = 0; i < 20000; ++i) {
    list.emplace_back(i % 3 == 0 ? shared : PlistValue(std::to_string(i)));
    table.set(std::string("k").append(std::to_string(i)), i);
  }
  PlistValue value;
  value.set("list", PlistValue(list));
  value.set("table", PlistValue(table));
  const auto binary = pf::binaryPropertyList(value);
  ASSERT_TRUE(binary);
  const auto back = pf::readPropertyList(std::span<const std::uint8_t>(*binary));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, value);
  const PlistValue::Array* readList = back->find("list")->asArray();
  ASSERT_TRUE(readList);
  EXPECT_EQ(readList->at(19999).stringOr(), "19999");
  EXPECT_EQ(back->find("table")->asDictionary()->begin()->key, "k0");

  // A set reads as an array.
  QuietLog quiet;
  const std::vector<std::uint8_t> set = {'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xc1, 0x01, 0x09, 0x08, 0x0a,
                                         0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 11};
  const auto fromSet = pf::readPropertyList(std::span<const std::uint8_t>(set));
  ASSERT_TRUE(fromSet);
  EXPECT_EQ(*fromSet, PlistValue(PlistValue::Array{true}));
}

class PropertyListText : public ::testing::TestWithParam<std::string> {};

// Saved as XML when it can be, in the binary form otherwise: every valid string reads back.
TEST_P(PropertyListText, EveryValidStringReadsBack)
{
  QuietLog quiet;
  const auto folder = std::filesystem::temp_directory_path() / ("morvalis-plist-text-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "note.mvdx";
  PlistValue value;
  value.set("Note text", GetParam());
  value.set(GetParam(), 1);  // keys too, but for NUL, which no reader takes in a key
  if (GetParam().find('\0') != std::string::npos) {
    value.erase(GetParam());
  }
  ASSERT_TRUE(pf::writePropertyListFile(value, path));
  EXPECT_EQ(pf::readPropertyListFile(path), value);
  const auto binary = pf::binaryPropertyList(value);
  ASSERT_TRUE(binary);
  EXPECT_EQ(pf::readPropertyList(std::span<const std::uint8_t>(*binary)), value);
  const auto xml = pf::xmlPropertyList(value);
  EXPECT_EQ(xml.has_value(), pf::isXmlText(GetParam()));
  if (xml) {
    EXPECT_EQ(testsupport::xmlWellFormednessError(*xml), "");
    EXPECT_EQ(pf::readPropertyList(*xml), value);
  }
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Characters, PropertyListText,
                         ::testing::Values(std::string("plain"), std::string("a\0b", 3), std::string("bell\x07"),
                                           std::string("\x1f\x7f"), std::string("non\uFFFEcharacter\uFFFF"),
                                           std::string("tab\tline\nreturn\r"), std::string("\uFFFD\U0001F600 \u00e4")));

TEST(PropertyList, IllFormedTextIsNeverWritten)
{
  QuietLog quiet;
  for (const std::string text : {"a\xff", "\xed\xa0\x80", "\xc0\xaf"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(pf::xmlPropertyList(PlistValue(text)));
    EXPECT_FALSE(pf::binaryPropertyList(PlistValue(text)));
    PlistValue key;
    key.set(text, 1);
    EXPECT_FALSE(pf::binaryPropertyList(key));
  }
  PlistValue nulKey;
  nulKey.set(std::string("a\0b", 3), 1);
  EXPECT_FALSE(pf::binaryPropertyList(nulKey));
}

TEST(PropertyList, XmlNestingLimit)
{
  QuietLog quiet;
  std::string deep = "<plist>";
  for (int i = 0; i < 100000; ++i) {
    deep += "<array>";
  }
  for (int i = 0; i < 100000; ++i) {
    deep += "</array>";
  }
  deep += "</plist>";
  EXPECT_FALSE(pf::readPropertyList(deep));

  PlistValue tooDeep = PlistValue::emptyArray();
  for (int i = 0; i < 600; ++i) {
    tooDeep = PlistValue(PlistValue::Array{tooDeep});
  }
  EXPECT_FALSE(pf::xmlPropertyList(tooDeep));
  EXPECT_FALSE(pf::binaryPropertyList(tooDeep));
}

TEST(PropertyList, NullsAreLeftOutOfContainers)
{
  QuietLog quiet;
  PlistValue value;
  value.set("kept", 1);
  value.set("dropped", PlistValue());
  value.set("list", PlistValue(PlistValue::Array{PlistValue(), 2}));
  PlistValue expected;
  expected.set("kept", 1);
  expected.set("list", PlistValue(PlistValue::Array{2}));
  EXPECT_EQ(pf::readPropertyList(*pf::xmlPropertyList(value)), expected);
  EXPECT_EQ(pf::readPropertyList(std::span<const std::uint8_t>(*pf::binaryPropertyList(value))), expected);
  EXPECT_FALSE(pf::xmlPropertyList(PlistValue()));
}

class PropertyListFile : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = std::filesystem::temp_directory_path() /
              ("morvalis-plist-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
};

TEST_F(PropertyListFile, WritesAtomicallyAndReadsBack)
{
  const auto path = folder_ / "Document.mvdx";
  PlistValue first;
  first.set("Version", "3.0.0");
  ASSERT_TRUE(pf::writePropertyListFile(first, path));
  ::chmod(path.c_str(), 0640);

  const PlistValue second = sampleValue();
  for (auto format : {pf::PlistFormat::Binary, pf::PlistFormat::Xml}) {
    ASSERT_TRUE(pf::writePropertyListFile(second, path, format));
    EXPECT_EQ(pf::readPropertyListFile(path), second);
  }
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  // Nothing but the document is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
}

TEST_F(PropertyListFile, StaleTemporaryFilesOfKilledWritersAreRemoved)
{
  QuietLog quiet;
  const auto touch = [&](const std::string& name) {
    std::ofstream(folder_ / name) << "half a document";
    return folder_ / name;
  };
  // A writer that was killed (no such process), one still running (this one), and files that
  // only look alike.
  const auto stale = touch(".Document.mvdx.morvalis-tmp-999999999-3-123456");
  const auto running = touch(".Document.mvdx.morvalis-tmp-" + std::to_string(::getpid()) + "-0-1");
  const auto unrelated = {touch(".hidden"), touch("notes.morvalis-tmp-999999999-1-1"),
                          touch(".x.morvalis-tmp-abc-1-1")};
  const auto aged = touch(".Other.mvdx.morvalis-tmp-" + std::to_string(::getpid()) + "-9-9");
  std::filesystem::last_write_time(aged, std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));

  PlistValue value;
  value.set("a", 1);
  ASSERT_TRUE(pf::writePropertyListFile(value, folder_ / "Document.mvdx"));
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(aged));
  EXPECT_TRUE(std::filesystem::exists(running));
  for (const auto& path : unrelated) {
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
  }
}

TEST_F(PropertyListFile, FailuresLeaveTheOldFile)
{
  QuietLog quiet;
  const auto path = folder_ / "kept.plist";
  PlistValue value;
  value.set("a", 1);
  ASSERT_TRUE(pf::writePropertyListFile(value, path));
  EXPECT_FALSE(pf::writePropertyListFile(PlistValue(), path));
  EXPECT_FALSE(pf::writePropertyListFile(value, folder_ / "missing folder" / "x.plist"));
  EXPECT_EQ(pf::readPropertyListFile(path), value);

  EXPECT_FALSE(pf::readPropertyListFile(folder_ / "absent.plist"));
  EXPECT_FALSE(pf::readPropertyListFile(folder_));
  std::ofstream(folder_ / "broken.plist") << "<plist><dict><key>a</key>";
  EXPECT_FALSE(pf::readPropertyListFile(folder_ / "broken.plist"));
}

}  // namespace
